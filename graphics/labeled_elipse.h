// Glyph 2, "Ellipse": a labelled ellipse. The label sits in the rectangle
// inscribed in the ellipse, which is why the ellipse is the label's size (plus
// a pixel or the room of a line on each side) times the square root of two.
// Its corner join points lie on the curve at 45 degrees, trunc(0.146 w) and
// trunc(0.146 h) in from the edges.
#ifndef GRAPHICS_LABELED_ELIPSE_H
#define GRAPHICS_LABELED_ELIPSE_H

#include "graphics/labeled_shape.h"

class LabeledElipse : public LabeledShape {
 public:
  using LabeledShape::LabeledShape;
  int glyphNumber() const override { return 2; }
  void innerRect(RECT& r) const override;
  HRGN setRegion() const override;
  void getJoinPoint(joinPoint jp, POINT& p) const override;

 protected:
  void drawShapeOutline(HDC hdc, const RECT& r) override;
  void sizeToLabel(int W, int H, LONG& width, LONG& height, LONG& offsetX, LONG& offsetY) const override;
};

#endif  // GRAPHICS_LABELED_ELIPSE_H
