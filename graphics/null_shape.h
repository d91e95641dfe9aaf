// A shape that draws nothing: the render of a graphic without a visible
// figure. It still has a rectangle, a region and join points, so the graphic
// it renders can be hit, joined and moved.
#ifndef GRAPHICS_NULL_SHAPE_H
#define GRAPHICS_NULL_SHAPE_H

#include "graphics/shape.h"

class NullShape : public Shape {
 public:
  using Shape::Shape;
  void drawFigure(HDC) override {}
};

#endif  // GRAPHICS_NULL_SHAPE_H
