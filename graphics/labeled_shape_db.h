// The glyph shapes by number, as idea symbols store them, and their names as
// the user is offered them, in this order:
//   0 Rectangle  1 RoundedRectangle  2 Ellipse  3 Hexagon  4 Trapezoid
//   5 Inverted Trapezoid  6 Parallelogram  7 Inverted Parallelogram
//   8 Diamond  9 Empty
#ifndef GRAPHICS_LABELED_SHAPE_DB_H
#define GRAPHICS_LABELED_SHAPE_DB_H

#include <memory>

#include "graphics/labeled_shape.h"

class LabeledShapeDB {
 public:
  static constexpr int GlyphCount = 10;

  // A new labelled shape of glyph `number` with an empty label and `lineMask`;
  // null when `existing` already is that glyph (the caller keeps it), and null
  // with a report for a number outside 0..9.
  static std::unique_ptr<LabeledShape> instantiateGlyphShape(int number, GraphicWindow* parent,
                                                             const LabeledShape* existing, DWORD lineMask);
  // i below 0 becomes 0, else i + 1; the name of glyph i, null from 10 on.
  static const char* nextGlyphShapeName(int& i);
  // Every name whose length plus one is below the room left, each with its
  // NUL, then one more NUL. -1 when there is no room at all, else 0.
  static int glyphShapeNames(char* buffer, int size);
};

#endif  // GRAPHICS_LABELED_SHAPE_DB_H
