// Glyph 9, "Empty": a label without a figure. Only its decoration lines are
// drawn, along its own edges; without lines it is exactly its label's size,
// with lines 10 units larger each way to give them room.
#ifndef GRAPHICS_LABELED_NOTHING_H
#define GRAPHICS_LABELED_NOTHING_H

#include "graphics/labeled_shape.h"

class LabeledNothing : public LabeledShape {
 public:
  using LabeledShape::LabeledShape;
  int glyphNumber() const override { return 9; }

 protected:
  void drawShapeOutline(HDC, const RECT&) override {}
  void sizeToLabel(int W, int H, LONG& width, LONG& height, LONG& offsetX, LONG& offsetY) const override {
    const int m = lineMask() != 0 ? 10 : 0;
    offsetX = offsetY = m / 2;
    width = W + m;
    height = H + m;
  }
};

#endif  // GRAPHICS_LABELED_NOTHING_H
