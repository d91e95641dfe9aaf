// Glyph 3, "Hexagon": a labelled hexagon, pointed at the left and the right. Its
// slant d = min(max(w / 6, 12), w / 3); the join points of its top and bottom
// rows sit d in from the sides, where the slanted edges meet the top and the
// bottom.
#ifndef GRAPHICS_LABELED_HEXAGON_H
#define GRAPHICS_LABELED_HEXAGON_H

#include "graphics/labeled_polygon.h"

class LabeledHexagon : public LabeledPolygon {
 public:
  using LabeledPolygon::LabeledPolygon;
  int glyphNumber() const override { return 3; }
  LONG xInset(LONG l, LONG, LONG r, LONG) const override { return slantInset(r - l, 12); }
  void points(LONG l, LONG t, LONG r, LONG b, std::vector<POINT>& out) const override;
  void getJoinPoint(joinPoint jp, POINT& p) const override;

 protected:
  int minimumSlant() const override { return 12; }
};

#endif  // GRAPHICS_LABELED_HEXAGON_H
