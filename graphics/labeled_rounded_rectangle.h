// Glyph 1, "RoundedRectangle": a labelled rectangle with rounded corners, each
// corner a quarter of an e x e ellipse, e = min(15, height). Its corner join
// points lie on the corner curves at 45 degrees: k = trunc(0.146 e) in from
// each edge. It fits and places its lines as the rectangle does.
#ifndef GRAPHICS_LABELED_ROUNDED_RECTANGLE_H
#define GRAPHICS_LABELED_ROUNDED_RECTANGLE_H

#include "graphics/labeled_shape.h"

class LabeledRoundedRectangle : public LabeledShape {
 public:
  using LabeledShape::LabeledShape;
  int glyphNumber() const override { return 1; }
  void innerRect(RECT& r) const override { boxInnerRect(r); }
  HRGN setRegion() const override;
  void getJoinPoint(joinPoint jp, POINT& p) const override;
  // The corner ellipse's size for a rectangle of height h.
  static LONG cornerSize(LONG h) { return h < 15 ? h : 15; }

 protected:
  void drawShapeOutline(HDC hdc, const RECT& r) override;
  void sizeToLabel(int W, int H, LONG& width, LONG& height, LONG& offsetX, LONG& offsetY) const override {
    boxSizeToLabel(W, H, width, height, offsetX, offsetY);
  }
  void fixedLabelOffset(int W, int H, LONG w, LONG h, LONG& offsetX, LONG& offsetY) const override {
    boxFixedLabelOffset(W, H, w, h, offsetX, offsetY);
  }
};

#endif  // GRAPHICS_LABELED_ROUNDED_RECTANGLE_H
