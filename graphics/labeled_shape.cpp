// Fitting, decoration lines and drawing of a labelled shape (see labeled_shape.h).
#include "graphics/labeled_shape.h"

#include <cmath>

#include "graphics/client_dc_loan.h"
#include "graphics/graphic_window.h"

double LabeledShape::sqrt2() {
  static const double root = std::sqrt(2.0);
  return root;
}

LabeledShape::LabeledShape(GraphicWindow* parent, const char* text, DWORD lineMask)
    : Shape(parent), label_(parent, text), lineMask_(lineMask) {}

LabeledShape::~LabeledShape() = default;

void LabeledShape::setParent(GraphicWindow* parent) {
  Shape::setParent(parent);
  label_.setParent(parent);
}

void LabeledShape::compute(TDC& dc) {
  if (dc.GetHDC() == nullptr) return;
  label_.compute(dc);
  fitToLabel(dc.GetHDC());
}

void LabeledShape::fitToLabel(HDC hdc) {
  if (hdc == nullptr) return;
  fitToSize(label_.width(hdc), label_.height(hdc));
}

void LabeledShape::fitToSize(int W, int H) {
  RECT r;
  rawRect(r);
  const LONG w0 = r.right - r.left, h0 = r.bottom - r.top;
  if (state() & FixedSize) {
    fixedLabelOffset(W, H, w0, h0, labelOffsetX_, labelOffsetY_);
    return;
  }
  LONG w = 0, h = 0;
  sizeToLabel(W, H, w, h, labelOffsetX_, labelOffsetY_);
  const LONG cx = (r.left + r.right) >> 1, cy = (r.top + r.bottom) >> 1;
  if (cx != r.left && cy != r.top) {
    // A shape that has a size keeps its centre.
    r.left = clampCoordinate(static_cast<int64_t>(cx) - (w >> 1));
    r.top = clampCoordinate(static_cast<int64_t>(cy) - (h >> 1));
  }
  r.right = clampCoordinate(static_cast<int64_t>(r.left) + w);
  r.bottom = clampCoordinate(static_cast<int64_t>(r.top) + h);
  Shape::setRect(r, nullptr);
}

void LabeledShape::fixedLabelOffset(int W, int H, LONG w, LONG h, LONG& offsetX, LONG& offsetY) const {
  offsetX = (w - W) / 2;
  offsetY = (h - H) / 2;
}

void LabeledShape::boxSizeToLabel(int W, int H, LONG& width, LONG& height, LONG& offsetX, LONG& offsetY) const {
  const DWORD m = lineMask_;
  const int gl = (m & LeftSide) ? lineGap(W) : 0, gr = (m & RightSide) ? lineGap(W) : 0;
  const int gt = (m & TopSide) ? lineGap(H) : 0, gb = (m & BottomSide) ? lineGap(H) : 0;
  offsetX = gl + 4;
  offsetY = gt + 2;
  width = W + gl + gr + 8;
  height = H + gt + gb + 4;
}

void LabeledShape::boxFixedLabelOffset(int W, int H, LONG w, LONG h, LONG& offsetX, LONG& offsetY) const {
  LabeledShape::fixedLabelOffset(W, H, w, h, offsetX, offsetY);
  const DWORD m = lineMask_;
  if (m & LeftSide) offsetX += lineGap(W) / 2;
  if (m & RightSide) offsetX -= lineGap(W) / 2;
  if (m & TopSide) offsetY += lineGap(H) / 2;
  if (m & BottomSide) offsetY -= lineGap(H) / 2;
}

void LabeledShape::boxInnerRect(RECT& r) const {
  rect(r);
  const double w = static_cast<double>(r.right) - r.left, h = static_cast<double>(r.bottom) - r.top;
  const DWORD m = lineMask_;
  // A tenth of the size when the opposite side has a line too, else a ninth.
  auto inset = [](double size, bool both) { return static_cast<LONG>(size * (both ? 0.1 : 1.0 / 9.0)); };
  const bool top = (m & TopSide) != 0, bottom = (m & BottomSide) != 0;
  const bool left = (m & LeftSide) != 0, right = (m & RightSide) != 0;
  if (top) r.top += inset(h, bottom);
  if (bottom) r.bottom -= inset(h, top);
  if (left) r.left += inset(w, right);
  if (right) r.right -= inset(w, left);
}

void LabeledShape::setFixedSize(HDC hdc, int on) {
  const bool fixed = (state() & FixedSize) != 0;
  if ((on != 0) == fixed) return;
  if (hdc != nullptr) erase(hdc);
  if (on) setState(FixedSize);
  else clearState(FixedSize);
  ClientDCLoan loan(getParent());
  if (loan.get() != nullptr) {
    TDC dc(loan.get());
    compute(dc);
    draw(dc, 0);
  }
}

void LabeledShape::draw(TDC& dc, int force) {
  if (!label_.isLaidOut() && dc.GetHDC() != nullptr) compute(dc);
  Shape::draw(dc, force);
  drawLabelled(dc, force, 0);
}

void LabeledShape::drawLabelled(TDC& dc, int force, int) {
  if (state() & FastPaint) return;
  if (!force && !isPaintable()) return;
  RECT r, l;
  rect(r);
  label_.rawRect(l);
  const LONG lw = l.right - l.left, lh = l.bottom - l.top;
  l.left = clampCoordinate(static_cast<int64_t>(r.left) + labelOffsetX_);
  l.top = clampCoordinate(static_cast<int64_t>(r.top) + labelOffsetY_);
  l.right = clampCoordinate(static_cast<int64_t>(l.left) + lw);
  l.bottom = clampCoordinate(static_cast<int64_t>(l.top) + lh);
  label_.Shape::setRect(l, nullptr);
  label_.drawText(dc, 1, nullptr);
}

void LabeledShape::drawFigure(HDC hdc) {
  drawShapeOutline(hdc, figureRect());
  drawLines(hdc, 0);
}

void LabeledShape::line(HDC hdc, LONG x1, LONG y1, LONG x2, LONG y2) {
  const POINT p[2] = {{x1, y1}, {x2, y2}};
  ::Polyline(hdc, p, 2);
}

void LabeledShape::drawLines(HDC hdc, DWORD mask) {
  if (mask != 0) lineMask_ = mask;
  if (lineMask_ == 0) return;
  RECT r, inner;
  rect(r);
  innerRect(inner);
  drawEdgeLines(hdc, r, inner);
  drawSpokes(hdc, r, inner);
}

void LabeledShape::drawEdgeLines(HDC hdc, const RECT&, const RECT& in) {
  const DWORD m = lineMask_;
  if (m & TopLine) line(hdc, in.left, in.top, in.right, in.top);
  if (m & BottomLine) line(hdc, in.left, in.bottom - 1, in.right, in.bottom - 1);
  if (m & LeftLine) line(hdc, in.left, in.top, in.left, in.bottom);
  if (m & RightLine) line(hdc, in.right - 1, in.top, in.right - 1, in.bottom);
}

void LabeledShape::drawSpokes(HDC hdc, const RECT& r, const RECT& in) {
  const DWORD m = lineMask_;
  const LONG cx = (r.left + r.right) >> 1, cy = (r.top + r.bottom) >> 1;
  if (m & TopSpoke) line(hdc, cx, r.top + 1, cx, in.top);
  if (m & BottomSpoke) line(hdc, cx, r.bottom - 2, cx, in.bottom - 1);
  if (m & LeftSpoke) line(hdc, r.left + 1, cy, in.left, cy);
  if (m & RightSpoke) line(hdc, r.right - 2, cy, in.right - 1, cy);
}

void LabeledShape::refit() {
  ClientDCLoan loan(getParent());
  if (loan.get() == nullptr) return;
  invalidate();
  TDC dc(loan.get());
  compute(dc);
  invalidate();
}

void LabeledShape::setText(const char* text) {
  label_.setText(text);
  refit();
}

void LabeledShape::setFont(HFONT) {
  // The label is measured with the window's graphics font: lay it out again.
  label_.setText(label_.text().c_str());
  refit();
}

void LabeledShape::setLineMask(DWORD mask) {
  lineMask_ = mask;
  refit();
}

int LabeledShape::setColor(DWORD* fill, DWORD* line, DWORD* text) {
  const int shape = Shape::setColor(fill, line, nullptr);
  const int label = label_.setColor(nullptr, nullptr, text);
  return shape | label;
}

void LabeledShape::refinedJoinPoint(const char* owner, int jp, const RECT& r, POINT& p, const LONG leftX[3],
                                    const LONG rightX[3], const LONG topY[3], const LONG bottomY[3]) {
  plainJoinPoint(owner, jp, r, p);
  const int row = (jp & JoinTop) ? 0 : (jp & JoinMiddle) ? 1 : (jp & JoinBottom) ? 2 : -1;
  const int column = (jp & JoinLeft) ? 0 : (jp & JoinCentre) ? 1 : (jp & JoinRight) ? 2 : -1;
  if (row >= 0) {
    if (column == 0) p.x = leftX[row];
    else if (column == 2) p.x = rightX[row];
  }
  if (column >= 0) {
    if (row == 0) p.y = topY[column];
    else if (row == 2) p.y = bottomY[column];
  }
}
