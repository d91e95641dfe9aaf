// Glyph 8, "Diamond": a labelled diamond whose points are the middles of the
// rectangle's four sides. The label sits in the middle half, so the diamond is
// twice its label's size (plus 4) each way. Its corner join points are the
// middles of the slanted edges: w / 4 and h / 4 in from the corners.
#ifndef GRAPHICS_LABELED_DIAMOND_H
#define GRAPHICS_LABELED_DIAMOND_H

#include "graphics/labeled_polygon.h"

class LabeledDiamond : public LabeledPolygon {
 public:
  using LabeledPolygon::LabeledPolygon;
  int glyphNumber() const override { return 8; }
  LONG xInset(LONG l, LONG, LONG r, LONG) const override { return (r - l) / 4; }
  LONG yInset(LONG, LONG t, LONG, LONG b) const override { return (b - t) / 4; }
  void points(LONG l, LONG t, LONG r, LONG b, std::vector<POINT>& out) const override;
  void getJoinPoint(joinPoint jp, POINT& p) const override;

 protected:
  void sizeToLabel(int W, int H, LONG& width, LONG& height, LONG& offsetX, LONG& offsetY) const override;
};

#endif  // GRAPHICS_LABELED_DIAMOND_H
