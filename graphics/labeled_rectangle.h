// Glyph 0, "Rectangle": a labelled rectangle. Its decoration lines sit inside
// the border, inset by a ninth of the size (a tenth when the opposite side has
// one too); an edge line runs from border to border, or to the perpendicular
// line where that is on.
#ifndef GRAPHICS_LABELED_RECTANGLE_H
#define GRAPHICS_LABELED_RECTANGLE_H

#include "graphics/labeled_shape.h"

class LabeledRectangle : public LabeledShape {
 public:
  using LabeledShape::LabeledShape;
  int glyphNumber() const override { return 0; }
  void innerRect(RECT& r) const override { boxInnerRect(r); }
  void drawEdgeLines(HDC hdc, const RECT& r, const RECT& inner) override;

 protected:
  void drawShapeOutline(HDC hdc, const RECT& r) override;
  void sizeToLabel(int W, int H, LONG& width, LONG& height, LONG& offsetX, LONG& offsetY) const override {
    boxSizeToLabel(W, H, width, height, offsetX, offsetY);
  }
  void fixedLabelOffset(int W, int H, LONG w, LONG h, LONG& offsetX, LONG& offsetY) const override {
    boxFixedLabelOffset(W, H, w, h, offsetX, offsetY);
  }
};

#endif  // GRAPHICS_LABELED_RECTANGLE_H
