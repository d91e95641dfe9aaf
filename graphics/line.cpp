// Drawing, moving and hit regions of a line (see line.h).
#include "graphics/line.h"

#include <algorithm>
#include <cmath>

#include "graphics/graphic_window.h"

namespace {

bool isMetafile(HDC hdc) { return ::GetDeviceCaps(hdc, TECHNOLOGY) == DT_METAFILE; }

POINT clamped(POINT p) { return {clampCoordinate(p.x), clampCoordinate(p.y)}; }

}  // namespace

Line::Line(GraphicWindow* parent, POINT from, POINT to)
    : VisualGraphic(parent), from_(clamped(from)), to_(clamped(to)) {
  setPenStyle(PS_SOLID);
}

Line::~Line() = default;

int Line::rect(RECT& r) const {
  r.left = std::min(from_.x, to_.x);
  r.top = std::min(from_.y, to_.y);
  r.right = std::max(from_.x, to_.x);
  r.bottom = std::max(from_.y, to_.y);
  return 0;
}

int Line::rawRect(RECT& r) const { return rect(r); }

int Line::boundingRect(RECT& r) const {
  rect(r);
  r.left -= 2;
  r.top -= 2;
  r.right += 2;
  r.bottom += 2;
  return 0;
}

void Line::moveTo(int x, int y, HDC hdc) {
  RECT r;
  rect(r);
  const int64_t dx = static_cast<int64_t>(x) - ((r.left + r.right) >> 1);
  const int64_t dy = static_cast<int64_t>(y) - ((r.top + r.bottom) >> 1);
  if (dx == 0 && dy == 0) return;
  RECT n = {clampCoordinate(from_.x + dx), clampCoordinate(from_.y + dy), clampCoordinate(to_.x + dx),
            clampCoordinate(to_.y + dy)};
  setRect(n, hdc);
}

void Line::setRect(RECT& r, HDC hdc) {
  const bool erased = hdc != nullptr && !isHidden();
  if (erased) erase(hdc);
  from_ = clamped({r.left, r.top});
  to_ = clamped({r.right, r.bottom});
  geometryChanged();
  if (erased) {
    TDC dc(hdc);
    draw(dc, 0);
  }
}

HRGN Line::setRegion() const {
  // A band HitSlack units to each side of the line.
  const double dx = static_cast<double>(to_.x) - from_.x, dy = static_cast<double>(to_.y) - from_.y;
  const double length = std::sqrt(dx * dx + dy * dy);
  if (length < 1) {
    return ::CreateRectRgn(from_.x - HitSlack, from_.y - HitSlack, from_.x + HitSlack + 1, from_.y + HitSlack + 1);
  }
  const LONG nx = static_cast<LONG>(std::lround(-dy / length * HitSlack));
  const LONG ny = static_cast<LONG>(std::lround(dx / length * HitSlack));
  const POINT band[4] = {{from_.x + nx, from_.y + ny},
                         {to_.x + nx, to_.y + ny},
                         {to_.x - nx, to_.y - ny},
                         {from_.x - nx, from_.y - ny}};
  return ::CreatePolygonRgn(band, 4, ALTERNATE);
}

void Line::drawFigure(HDC hdc) {
  const POINT points[2] = {from_, to_};
  ::Polyline(hdc, points, 2);
}

void Line::draw(TDC& dc, int force) {
  clearState(Hidden);
  if (!force && !isPaintable()) return;
  HDC hdc = dc.GetHDC();
  if (hdc == nullptr) return;
  if (state() & FastPaint) {
    const int oldRop = ::SetROP2(hdc, R2_NOT);
    HPEN pen = ::CreatePen(PS_SOLID, 1, 0x000000);
    HGDIOBJ oldPen = ::SelectObject(hdc, pen);
    drawFigure(hdc);
    if (!isMetafile(hdc)) ::SelectObject(hdc, oldPen);
    ::DeleteObject(pen);
    ::SetROP2(hdc, oldRop);
    return;
  }
  line_.setPen(penStyle(), 1);
  HGDIOBJ oldPen = line_.select(hdc, colourSelectMode());
  const int oldRop = ::SetROP2(hdc, R2_COPYPEN);
  drawFigure(hdc);
  ::SetROP2(hdc, oldRop);
  line_.deselect(hdc, oldPen);
}

void Line::erase(HDC hdc) {
  if (state() & Hidden) return;
  setState(Hidden);
  GraphicWindow* w = getParent();
  if (w == nullptr || w->drawingSuspended()) return;
  if (state() & FastPaint) {
    if (hdc == nullptr) return;
    const int oldRop = ::SetROP2(hdc, R2_NOT);
    drawFigure(hdc);
    ::SetROP2(hdc, oldRop);
    return;
  }
  if (w->HWindow == nullptr) return;
  RECT b;
  boundingRect(b);
  w->logicalToDevice(b);
  TRect d = TRect(b).Normalized().Inflate(1, 1);
  ::InvalidateRect(w->HWindow, &d, TRUE);
}

int Line::setColor(DWORD*, DWORD* line, DWORD*) {
  if (line == nullptr || line_ == *line) return 0;
  line_.setColor(*line);
  return 1;
}
