// Glyph 6, "Parallelogram": a labelled parallelogram whose top is shifted right
// by the slant d = min(max(w / 6, 15), w / 3); the join points of its left and
// right columns lie on the slanted sides.
#ifndef GRAPHICS_LABELED_PARALLELOGRAM_H
#define GRAPHICS_LABELED_PARALLELOGRAM_H

#include "graphics/labeled_polygon.h"

class LabeledParallelogram : public LabeledPolygon {
 public:
  using LabeledPolygon::LabeledPolygon;
  int glyphNumber() const override { return 6; }
  LONG xInset(LONG l, LONG, LONG r, LONG) const override { return slantInset(r - l, 15); }
  void points(LONG l, LONG t, LONG r, LONG b, std::vector<POINT>& out) const override;
  void getJoinPoint(joinPoint jp, POINT& p) const override;
};

#endif  // GRAPHICS_LABELED_PARALLELOGRAM_H
