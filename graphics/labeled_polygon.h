// The labelled shapes whose outline is a polygon: the hexagon, the trapezoids,
// the parallelograms and the diamond. Each gives its horizontal inset d (the
// run of its slanted sides, xInset), a vertical one (yInset, 0 but for the
// diamond) and its points; the outline is the filled polygon of those points
// and the hit region the same polygon (alternate fill).
//
// Fitting (all but the diamond): the label has the slant s = max(W / 4,
// minimumSlant()) plus 2 on either side, and a line gap above or below when a
// line or spoke is on that side.
//
// Inner rectangle: inset by d + 1 left and right and by yInset + 1 top and
// bottom; where an inset is 0, by 1, or by a line gap where a line or spoke is
// on that side; the whole rectangle when that leaves nothing.
#ifndef GRAPHICS_LABELED_POLYGON_H
#define GRAPHICS_LABELED_POLYGON_H

#include <vector>

#include "graphics/labeled_shape.h"

class LabeledPolygon : public LabeledShape {
 public:
  using LabeledShape::LabeledShape;
  virtual LONG xInset(LONG l, LONG t, LONG r, LONG b) const = 0;
  virtual LONG yInset(LONG, LONG, LONG, LONG) const { return 0; }
  // The outline's points for the rectangle (l, t, r, b), in drawing order.
  virtual void points(LONG l, LONG t, LONG r, LONG b, std::vector<POINT>& out) const = 0;

  void innerRect(RECT& r) const override;
  HRGN setRegion() const override;

 protected:
  void drawShapeOutline(HDC hdc, const RECT& r) override;
  void sizeToLabel(int W, int H, LONG& width, LONG& height, LONG& offsetX, LONG& offsetY) const override;
  // The least slant a label is given room for.
  virtual int minimumSlant() const { return 15; }
  // The inset of the trapezoids and parallelograms: min(max(w / 6, 15), w / 3).
  static LONG slantInset(LONG w, LONG least) { return std::min(std::max(w / 6, least), w / 3); }
  // Join points whose x on the left and right depends on the row (see
  // LabeledShape::refinedJoinPoint), y the plain top and bottom.
  void rowJoinPoint(const char* owner, joinPoint jp, POINT& p, const LONG leftX[3], const LONG rightX[3]) const;
};

#endif  // GRAPHICS_LABELED_POLYGON_H
