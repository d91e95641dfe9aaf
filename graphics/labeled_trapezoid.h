// Glyph 4, "Trapezoid": a labelled trapezoid, wide at the bottom. Its slant d =
// min(max(w / 6, 15), w / 3); the join points of its left and right columns lie
// on the slanted sides (d in at the top, d / 2 in at the middle, at the corners
// at the bottom).
#ifndef GRAPHICS_LABELED_TRAPEZOID_H
#define GRAPHICS_LABELED_TRAPEZOID_H

#include "graphics/labeled_polygon.h"

class LabeledTrapezoid : public LabeledPolygon {
 public:
  using LabeledPolygon::LabeledPolygon;
  int glyphNumber() const override { return 4; }
  LONG xInset(LONG l, LONG, LONG r, LONG) const override { return slantInset(r - l, 15); }
  void points(LONG l, LONG t, LONG r, LONG b, std::vector<POINT>& out) const override;
  void getJoinPoint(joinPoint jp, POINT& p) const override;
};

#endif  // GRAPHICS_LABELED_TRAPEZOID_H
