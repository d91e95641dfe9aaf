// The labelled rectangle's outline and edge lines (see labeled_rectangle.h).
#include "graphics/labeled_rectangle.h"

void LabeledRectangle::drawShapeOutline(HDC hdc, const RECT& r) { ::Rectangle(hdc, r.left, r.top, r.right, r.bottom); }

void LabeledRectangle::drawEdgeLines(HDC hdc, const RECT& r, const RECT& in) {
  const DWORD m = lineMask();
  // Between the borders (just inside them), or between the perpendicular lines.
  const LONG x1 = (m & LeftLine) ? in.left : r.left + 1, x2 = (m & RightLine) ? in.right : r.right - 1;
  const LONG y1 = (m & TopLine) ? in.top : r.top + 1, y2 = (m & BottomLine) ? in.bottom : r.bottom - 1;
  if (m & TopLine) line(hdc, x1, in.top, x2, in.top);
  if (m & BottomLine) line(hdc, x1, in.bottom - 1, x2, in.bottom - 1);
  if (m & LeftLine) line(hdc, in.left, y1, in.left, y2);
  if (m & RightLine) line(hdc, in.right - 1, y1, in.right - 1, y2);
}
