// The tether's figure and geometry (see tether.h).
#include "graphics/tether.h"

#include <algorithm>

#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

POINT clamped(POINT p) { return {clampCoordinate(p.x), clampCoordinate(p.y)}; }

}  // namespace

Tether::~Tether() = default;

int Tether::rect(RECT& r) const {
  POINT from, to;
  endPoints(from, to);
  r.left = std::min({from.x, to.x, base1_.x, base2_.x}) - Outset;
  r.top = std::min({from.y, to.y, base1_.y, base2_.y}) - Outset;
  r.right = std::max({from.x, to.x, base1_.x, base2_.x}) + Outset;
  r.bottom = std::max({from.y, to.y, base1_.y, base2_.y}) + Outset;
  return 0;
}

void Tether::setBase(POINT base1, POINT base2) {
  base1_ = clamped(base1);
  base2_ = clamped(base2);
  geometryChanged();
}

void Tether::moveTo(int x, int y, HDC hdc) {
  // The line moves its ends by the distance of this rectangle's centre; the
  // base goes with them.
  POINT from0, to0;
  endPoints(from0, to0);
  Line::moveTo(x, y, hdc);
  POINT from1, to1;
  endPoints(from1, to1);
  const LONG dx = from1.x - from0.x, dy = from1.y - from0.y;
  if (dx != 0 || dy != 0) setBase({base1_.x + dx, base1_.y + dy}, {base2_.x + dx, base2_.y + dy});
}

HRGN Tether::setRegion() const {
  POINT from, to;
  endPoints(from, to);
  const POINT wedge[4] = {from, base1_, to, base2_};
  return ::CreatePolygonRgn(wedge, 4, ALTERNATE);
}

void Tether::drawFigure(HDC hdc) {
  POINT from, to;
  endPoints(from, to);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  HBRUSH brush = ::CreateSolidBrush(face);
  HPEN pen = ::CreatePen(PS_SOLID, 0, face);
  HGDIOBJ oldBrush = ::SelectObject(hdc, brush);
  HGDIOBJ oldPen = ::SelectObject(hdc, pen);
  const POINT wedge[4] = {from, base1_, to, base2_};
  ::Polygon(hdc, wedge, 4);
  ::SelectObject(hdc, ::GetStockObject(BLACK_PEN));
  const POINT edges[3] = {base1_, to, base2_};
  ::Polyline(hdc, edges, 3);
  if (!isMetafile(hdc)) {
    ::SelectObject(hdc, oldPen);
    ::SelectObject(hdc, oldBrush);
  }
  ::DeleteObject(pen);
  ::DeleteObject(brush);
}
