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
//   rectangles               the union of a set of rectangles, kept as bands (rows
//                            of equal spans), which is how Windows keeps every
//                            region and how a clip region is handed to renderers.
// Combined regions keep their two operands (copied), so their depth is bounded by
// the number of combine calls made.
//
// Every shape also answers, row by row, the runs of pixels inside it (spans),
// decided by the same rules as contains(); rectangles() turns a region into bands
// of rectangles within a bounding box, the form clipping and filling use.
#ifndef PLATFORM_REGION_H
#define PLATFORM_REGION_H

#include <memory>
#include <vector>

#include "platform/windows_types.h"

class Region {
 public:
  enum class Kind { Empty, Rect, Ellipse, RoundRect, Polygon, Combined, Rects };
  // A run of pixels of one row: left <= x < right.
  struct Span {
    long long left, right;
  };
  // The most rows rectangles() decides; a larger area is refused (see there).
  static const long long kMaxRows = 1 << 16;

  static Region empty();
  static Region rect(int l, int t, int r, int b);
  static Region ellipse(int l, int t, int r, int b);
  static Region roundRect(int l, int t, int r, int b, int w, int h);
  // alternate: true for ALTERNATE filling, false for WINDING.
  static Region polygon(const POINT* points, int count, bool alternate);
  // mode: RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF.
  static Region combine(const Region& a, const Region& b, int mode);
  // The union of the rectangles (empty ones are ignored; they may overlap).
  static Region fromRects(const std::vector<RECT>& rects);

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
  // The runs of row y inside the region, left to right, neither overlapping nor touching.
  void spans(long long y, std::vector<Span>& out) const;
  // The region within `bound` as bands of rectangles: top to bottom, each band's
  // rectangles left to right with the same top and bottom, and no two bands
  // with equal runs touching. False (and nothing) when the part of the region's
  // box inside `bound` is more than kMaxRows rows high.
  bool rectangles(const RECT& bound, std::vector<RECT>& out) const;
  // SIMPLEREGION, COMPLEXREGION or NULLREGION, as the region's rectangles say
  // (COMPLEXREGION for a region too large to decide).
  int complexity() const;
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
  void shapeSpans(long long y, std::vector<Span>& out) const;
  // The runs of a row whose inside pixels form one run symmetric about the box's
  // centre (ellipses and rounded rectangles), found by bisection on containsShape.
  void convexSpans(long long y, std::vector<Span>& out) const;
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
  // Rects: the bands, top to bottom, each one row range and its runs.
  struct Band {
    long long top, bottom;
    std::vector<Span> runs;
  };
  std::vector<Band> bands_;
};

#endif  // PLATFORM_REGION_H
