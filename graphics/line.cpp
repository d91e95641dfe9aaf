// Drawing and placing a line (see line.h).
#include "graphics/line.h"

#include <algorithm>

#include "graphics/graphic_window.h"
#include "platform/win/windows_gdi.h"

namespace {

POINT clamped(POINT p) { return {clampCoordinate(p.x), clampCoordinate(p.y)}; }

}  // namespace

bool Line::isMetafile(HDC hdc) { return ::GetDeviceCaps(hdc, TECHNOLOGY) == DT_METAFILE; }

Line::Line(GraphicWindow* parent, POINT start, POINT end)
    : VisualGraphic(parent), start_(clamped(start)), end_(clamped(end)) {
  setPenStyle(PS_SOLID);
  setState(Computed);
}

Line::~Line() = default;

void Line::pointsBox(RECT& r, int outset) const {
  r.left = std::min(start_.x, end_.x) - outset;
  r.top = std::min(start_.y, end_.y) - outset;
  r.right = std::max(start_.x, end_.x) + outset;
  r.bottom = std::max(start_.y, end_.y) + outset;
}

int Line::rect(RECT& r) const {
  pointsBox(r, Outset);
  return 0;
}

int Line::rawRect(RECT& r) const { return rect(r); }

int Line::boundingRect(RECT& r) const {
  rect(r);
  ::InflateRect(&r, 1, 1);
  return 0;
}

void Line::moveTo(int x, int y, HDC hdc) {
  const LONG nx = x < 1 ? 0 : clampCoordinate(x), ny = y < 1 ? 0 : clampCoordinate(y);
  if (nx == start_.x && ny == start_.y) return;
  const int64_t dx = static_cast<int64_t>(nx) - start_.x, dy = static_cast<int64_t>(ny) - start_.y;
  setEndpoints(nx, ny, clampCoordinate(end_.x + dx), clampCoordinate(end_.y + dy), hdc);
}

void Line::setEndpoints(int x1, int y1, int x2, int y2, HDC hdc) {
  const POINT s = clamped({x1, y1}), e = clamped({x2, y2});
  if (s.x == start_.x && s.y == start_.y && e.x == end_.x && e.y == end_.y) return;
  const bool redraw = hdc != nullptr && !isHidden();
  if (redraw) erase(hdc);
  start_ = s;
  end_ = e;
  geometryChanged();
  if (redraw) {
    TDC dc(hdc);
    draw(dc, 0);
  }
}

void Line::setRect(RECT& r, HDC hdc) { setEndpoints(r.left, r.top, r.right, r.bottom, hdc); }

HRGN Line::setRegion() const {
  RECT r;
  rect(r);
  return ::CreateRectRgn(r.left, r.top, r.right, r.bottom);
}

void Line::drawFigure(HDC hdc) {
  const POINT points[2] = {start_, end_};
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
  const int mode = colourSelectMode();
  HBRUSH brush = ::CreateSolidBrush(line_.effective((mode & Color::UseColour) != 0, (mode & Color::Inverted) != 0));
  HGDIOBJ oldBrush = ::SelectObject(hdc, brush);
  const int oldRop = ::SetROP2(hdc, R2_COPYPEN);
  drawFigure(hdc);
  ::SetROP2(hdc, oldRop);
  if (!isMetafile(hdc)) ::SelectObject(hdc, oldBrush);
  ::DeleteObject(brush);
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
