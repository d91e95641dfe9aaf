// Glyph 5, "Inverted Trapezoid": a labelled trapezoid wide at the top, the
// trapezoid upside down, with its slant and its join points on the slanted sides
// likewise.
#ifndef GRAPHICS_LABELED_INV_TRAPEZOID_H
#define GRAPHICS_LABELED_INV_TRAPEZOID_H

#include "graphics/labeled_polygon.h"

class LabeledInvTrapezoid : public LabeledPolygon {
 public:
  using LabeledPolygon::LabeledPolygon;
  int glyphNumber() const override { return 5; }
  LONG xInset(LONG l, LONG, LONG r, LONG) const override { return slantInset(r - l, 15); }
  void points(LONG l, LONG t, LONG r, LONG b, std::vector<POINT>& out) const override;
  void getJoinPoint(joinPoint jp, POINT& p) const override;
};

#endif  // GRAPHICS_LABELED_INV_TRAPEZOID_H
