// The arrow's head (see arrow.h).
#include "graphics/arrow.h"

#include <algorithm>
#include <cmath>

#include "platform/win/windows_gdi.h"

Arrow::~Arrow() = default;

int Arrow::rect(RECT& r) const {
  pointsBox(r, Outset);
  return 0;
}

bool Arrow::headWings(POINT start, POINT end, POINT& wing1, POINT& wing2) {
  const double x1 = start.x, y1 = start.y, x2 = end.x, y2 = end.y;
  const double L2 = (x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2);
  if (L2 < 0.3) return false;
  const double L = std::sqrt(L2);
  const double k = L < HeadLength ? std::trunc(L) : HeadLength;
  const double kHalfPi = 1.5708, kSpread = 0.32;
  double theta = std::acos(std::clamp((x1 - x2) / L, -1.0, 1.0));
  if (y1 > y2) theta = 2 * M_PI - theta;
  double phi = std::asin(std::clamp((y1 - y2) / L, -1.0, 1.0));
  if (x2 < x1) phi = phi <= 0 ? phi - 2 * (phi + kHalfPi) : phi + 2 * (kHalfPi - phi);
  auto at = [&](double dx, double dy) {
    return POINT{static_cast<LONG>(x2 + std::trunc(k * dx)), static_cast<LONG>(y2 + std::trunc(k * dy))};
  };
  wing1 = at(std::cos(theta - kSpread), std::sin(phi - kSpread));
  wing2 = at(std::cos(theta + kSpread), std::sin(phi + kSpread));
  return true;
}

void Arrow::drawFigure(HDC hdc) {
  Line::drawFigure(hdc);
  if (state() & FastPaint) return;
  POINT start, end, w1, w2;
  endPoints(start, end);
  if (!headWings(start, end, w1, w2)) return;
  const POINT head[3] = {end, w1, w2};
  ::Polygon(hdc, head, 3);
}
