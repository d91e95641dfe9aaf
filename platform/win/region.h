// A region: an area of device pixels that answers whether a pixel lies inside
// it, as hit testing needs. Shapes are kept as their parameters and decided row by
// row when asked, so a region's memory never depends on its size.
//
// Which pixels belong to a shape (x, y are pixel coordinates):
//   rectangle (l, t, r, b)   l <= x < r and t <= y < b: the right column and the
//                            bottom row are outside.
//   ellipse (l, t, r, b)     the ellipse inscribed in the box l..r-1, t..b-1 (the
//                            right and bottom excluded as for rectangles); a
//                            pixel is inside when its centre (x + 0.5, y + 0.5)
//                            lies inside or on that ellipse. Boxes narrower or
//                            lower than 2 pixels are rectangles.
//   rounded rectangle        the box l..r-1, t..b-1 whose corners are quarters of
//                            an ellipse w x h (each clamped to the box), decided
//                            by pixel centres as for the ellipse.
//   polygon                  scan line y crosses an edge from (x1, y1) to (x2, y2)
//                            when min(y1, y2) <= y < max(y1, y2); crossings are
//                            paired (alternate: first with second ...; winding:
//                            where the winding number is not 0), and x is inside
//                            a pair (xa, xb) when xa <= x < xb. So the left and
//                            top edges are inside and the right and bottom edges
//                            outside, and a rectangle given as a polygon is the
//                            same region as the rectangle.
// Combined regions keep their two operands (copied), so their depth is bounded by
// the number of combine calls made.
#ifndef PLATFORM_REGION_H
#define PLATFORM_REGION_H

#include <memory>
#include <vector>

#include "platform/windows_types.h"

class Region {
 public:
  enum class Kind { Empty, Rect, Ellipse, RoundRect, Polygon, Combined };

  static Region empty();
  static Region rect(int l, int t, int r, int b);
  static Region ellipse(int l, int t, int r, int b);
  static Region roundRect(int l, int t, int r, int b, int w, int h);
  // alternate: true for ALTERNATE filling, false for WINDING.
  static Region polygon(const POINT* points, int count, bool alternate);
  // mode: RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF.
  static Region combine(const Region& a, const Region& b, int mode);

  Region(const Region& other);
  Region& operator=(const Region& other);
  Region(Region&&) = default;
  Region& operator=(Region&&) = default;
  ~Region();

  bool contains(int x, int y) const;
  // The smallest box holding every pixel inside (r and b exclusive); empty when none.
  RECT box() const;
  bool isEmpty() const;
  void offset(int dx, int dy);
  Kind kind() const { return kind_; }
  // The parameters (before the offset is applied to them).
  const RECT& shapeBox() const { return box_; }
  SIZE corner() const { return corner_; }
  const std::vector<POINT>& points() const { return points_; }
  POINT offsetBy() const { return offset_; }
  bool alternate() const { return alternate_; }

 private:
  Region() = default;
  bool containsShape(long long x, long long y) const;
  // Whether the pixel centre (x + 0.5, y + 0.5) lies in the ellipse inscribed
  // in [l, r] x [t, b] (continuous coordinates).
  static bool inEllipse(long long x, long long y, double l, double t, double r, double b);

  Kind kind_ = Kind::Empty;
  RECT box_ = {0, 0, 0, 0};
  SIZE corner_ = {0, 0};
  std::vector<POINT> points_;
  bool alternate_ = true;
  POINT offset_ = {0, 0};
  int mode_ = 0;
  std::unique_ptr<Region> a_;
  std::unique_ptr<Region> b_;
};

#endif  // PLATFORM_REGION_H
