// The glyph shapes' geometry: slant insets, inner rectangles, join points on
// the outline and in the hit region, fitting around a label of a given size,
// moving, and the glyph table (names and instantiation).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "graphics/labeled_diamond.h"
#include "graphics/labeled_elipse.h"
#include "graphics/labeled_polygon.h"
#include "graphics/labeled_rounded_rectangle.h"
#include "graphics/labeled_shape_db.h"
#include "graphics/null_shape.h"
#include "graphics/three_d_box_bumped.h"
#include "page_test_support.h"

namespace {

std::unique_ptr<LabeledShape> glyph(int number, RECT r, DWORD mask = 0) {
  auto s = LabeledShapeDB::instantiateGlyphShape(number, nullptr, nullptr, mask);
  s->setRect(r, nullptr);
  return s;
}

std::string pointText(POINT p) { return "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")"; }

TEST(ShapeGeometryTest, SlantInsetsFollowTheWidth) {
  struct Case {
    int glyph;
    LONG width, inset;
  } cases[] = {
      {3, 30, 10}, {3, 120, 20}, {3, 60, 12},  // hexagon: w / 3, w / 6, at least 12
      {4, 40, 13}, {4, 120, 20}, {4, 75, 15},  // trapezoid: at least 15
      {5, 40, 13}, {6, 120, 20}, {7, 75, 15},  // the inverted and slanted kin share it
      {8, 100, 25},                            // diamond: w / 4
  };
  for (const Case& c : cases) {
    auto s = glyph(c.glyph, {0, 0, c.width, 50});
    auto* p = dynamic_cast<LabeledPolygon*>(s.get());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->xInset(0, 0, c.width, 50), c.inset) << "glyph " << c.glyph << " width " << c.width;
  }
}

TEST(ShapeGeometryTest, InnerRectangles) {
  struct Case {
    int glyph;
    RECT r;
    DWORD mask;
    RECT expected;
  } cases[] = {
      {0, {0, 0, 90, 45}, 0, {0, 0, 90, 45}},
      {0, {0, 0, 90, 45}, 0x10, {0, 5, 90, 45}},         // one side: a ninth
      {0, {0, 0, 90, 45}, 0x21, {0, 4, 90, 41}},         // both sides: a tenth each
      {1, {0, 0, 90, 45}, 0x44, {10, 0, 90, 45}},
      {1, {0, 0, 90, 45}, 0xCC, {9, 0, 81, 45}},
      {2, {0, 0, 100, 60}, 0, {15, 9, 85, 51}},           // inscribed: half sizes / sqrt 2
      {3, {0, 0, 120, 40}, 0, {21, 1, 99, 39}},           // d + 1 and 1
      {3, {0, 0, 120, 40}, 0x11, {21, 8, 99, 39}},        // a line gap on top
      {8, {0, 0, 100, 60}, 0, {26, 16, 74, 44}},          // w / 4 + 1, h / 4 + 1
      {3, {0, 0, 1, 1}, 0, {0, 0, 1, 1}},                 // inverted: the whole rectangle
      {9, {5, 5, 50, 30}, 0xFF, {5, 5, 50, 30}},
  };
  for (const Case& c : cases) {
    auto s = glyph(c.glyph, c.r, c.mask);
    RECT in;
    s->innerRect(in);
    EXPECT_EQ(rectText(in), rectText(c.expected)) << "glyph " << c.glyph << " mask 0x" << std::hex << c.mask;
  }
  ThreeDBoxBumped box(nullptr, {10, 10, 110, 60});
  RECT in;
  box.innerRect(in);
  EXPECT_EQ(rectText(in), rectText({16, 16, 104, 54}));
}

TEST(ShapeGeometryTest, CornerJoinPointsOfTheDiamondAndTheEllipse) {
  struct Case {
    int glyph, jp;
    POINT expected;
  } cases[] = {
      {8, 0x09, {25, 15}}, {8, 0x24, {75, 45}}, {8, 0x0A, {50, 0}}, {8, 0x11, {0, 30}},
      {2, 0x09, {14, 8}},  {2, 0x24, {86, 52}}, {2, 0x14, {100, 30}},
      {3, 0x09, {16, 0}},  {3, 0x11, {0, 30}},  // hexagon 100 wide: d = 16
      {4, 0x09, {16, 0}},  {4, 0x11, {8, 30}},  {4, 0x21, {0, 60}},  {4, 0x24, {100, 60}},
      {5, 0x09, {0, 0}},   {5, 0x21, {16, 60}},
      {6, 0x09, {16, 0}},  {6, 0x0C, {100, 0}}, {6, 0x24, {84, 60}},
      {7, 0x21, {16, 60}}, {7, 0x0C, {84, 0}},  {7, 0x24, {100, 60}},
      {1, 0x09, {2, 2}},   {1, 0x11, {0, 30}},  // rounded: e = 15, k = 2
  };
  for (const Case& c : cases) {
    auto s = glyph(c.glyph, {0, 0, 100, 60});
    POINT p = {-1, -1};
    s->getJoinPoint(static_cast<Graphic::joinPoint>(c.jp), p);
    EXPECT_EQ(pointText(p), pointText(c.expected)) << "glyph " << c.glyph << " jp 0x" << std::hex << c.jp;
  }
}

// The outline of a shape as a closed path of points, sampled where it curves.
std::vector<std::pair<double, double>> outlinePath(Shape& s, int glyphNumber) {
  RECT r;
  s.rect(r);
  const double l = r.left, t = r.top, rr = r.right, b = r.bottom;
  std::vector<std::pair<double, double>> path;
  const double pi = std::acos(-1.0);
  if (auto* p = dynamic_cast<LabeledPolygon*>(&s)) {
    std::vector<POINT> pts;
    p->points(r.left, r.top, r.right, r.bottom, pts);
    for (POINT q : pts) path.emplace_back(q.x, q.y);
  } else if (glyphNumber == 2) {
    for (int i = 0; i < 3600; ++i) {
      const double a = 2 * pi * i / 3600;
      path.emplace_back((l + rr) / 2 + (rr - l) / 2 * std::cos(a), (t + b) / 2 + (b - t) / 2 * std::sin(a));
    }
  } else if (glyphNumber == 1) {
    const double e = LabeledRoundedRectangle::cornerSize(r.bottom - r.top), h = e / 2;
    const double cx[4] = {rr - h, l + h, l + h, rr - h}, cy[4] = {t + h, t + h, b - h, b - h};
    for (int q = 0; q < 4; ++q) {
      for (int i = 0; i <= 90; ++i) {
        const double a = (q * 90 + i) * pi / 180;
        path.emplace_back(cx[q] + h * std::cos(a), cy[q] - h * std::sin(a));
      }
    }
  } else {
    path = {{l, t}, {rr, t}, {rr, b}, {l, b}};
  }
  return path;
}

double distanceToPath(const std::vector<std::pair<double, double>>& path, double x, double y) {
  double best = 1e18;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto& a = path[i];
    const auto& b = path[(i + 1) % path.size()];
    const double dx = b.first - a.first, dy = b.second - a.second;
    const double len2 = dx * dx + dy * dy;
    double u = len2 > 0 ? ((x - a.first) * dx + (y - a.second) * dy) / len2 : 0;
    u = std::max(0.0, std::min(1.0, u));
    best = std::min(best, std::hypot(x - a.first - u * dx, y - a.second - u * dy));
  }
  return best;
}

TEST(ShapeGeometryTest, EveryJoinPointOfEveryShapeLiesOnItsOutline) {
  const RECT sizes[] = {{0, 0, 100, 60}, {37, 12, 94, 40}, {200, 100, 520, 141}, {5, 5, 45, 121}, {0, 0, 24, 20}};
  const int joins[9] = {0x09, 0x0A, 0x0C, 0x11, 0x12, 0x14, 0x21, 0x22, 0x24};
  ReportRecorder recorder;
  for (int g = -2; g < LabeledShapeDB::GlyphCount; ++g) {
    for (const RECT& r : sizes) {
      std::unique_ptr<Shape> s;
      if (g == -2) s = std::make_unique<NullShape>();
      else if (g == -1) s = std::make_unique<ThreeDBoxBumped>();
      else s = LabeledShapeDB::instantiateGlyphShape(g, nullptr, nullptr, 0);
      RECT rr = r;
      s->setRect(rr, nullptr);
      const auto path = outlinePath(*s, g);
      HRGN region = s->setRegion();
      for (int jp : joins) {
        POINT p = {-1000, -1000};
        s->getJoinPoint(static_cast<Graphic::joinPoint>(jp), p);
        const std::string where = "glyph " + std::to_string(g) + " " + rectText(r) + " jp " + std::to_string(jp) +
                                  " at " + pointText(p);
        if (jp == 0x12) {
          EXPECT_TRUE(::PtInRegion(region, p.x, p.y)) << where << ": the centre is inside";
          continue;
        }
        EXPECT_LE(distanceToPath(path, p.x, p.y), 2.0) << where;
        // On the region's edge: pixels in and out of it lie within three units
        // (a region's pixels stop short of the stroked outline by a pixel or two).
        int in = 0, out = 0;
        for (int dy = -3; dy <= 3; ++dy) {
          for (int dx = -3; dx <= 3; ++dx) (::PtInRegion(region, p.x + dx, p.y + dy) ? in : out)++;
        }
        EXPECT_GT(in, 0) << where;
        EXPECT_GT(out, 0) << where;
      }
      ::DeleteObject(region);
    }
  }
  EXPECT_TRUE(recorder.reports.empty());
}

TEST(ShapeGeometryTest, InvalidJoinPointsAreReportedByEachShape) {
  ReportRecorder recorder;
  struct Case {
    int glyph;
    const char* owner;
  } cases[] = {{0, "Graphic"},      {1, "LabledRoundedRectangle"}, {2, "Graphic"},
               {3, "LabledHexagon"}, {4, "LabledTrapezoid"},        {5, "LabledInvTrapezoid"},
               {6, "LabledParallelogram"}, {7, "LabledInvParallelogram"}, {8, "LabledDiamond"},
               {9, "Graphic"}};
  for (const Case& c : cases) {
    auto s = glyph(c.glyph, {10, 20, 110, 80});
    recorder.reports.clear();
    POINT p = {-1, -1};
    s->getJoinPoint(static_cast<Graphic::joinPoint>(0x08), p);
    EXPECT_EQ(p.x, -1) << c.owner << ": x stays";
    EXPECT_EQ(p.y, 20) << c.owner;
    p = {-1, -1};
    s->getJoinPoint(static_cast<Graphic::joinPoint>(0x04), p);
    EXPECT_EQ(p.y, -1) << c.owner << ": y stays";
    const std::string o = c.owner;
    EXPECT_EQ(recorder.reports,
              (std::vector<std::string>{"E: " + o + "::getJoinPoint: Invalid joinPoint (0x8): no X specified",
                                        "E: " + o + "::getJoinPoint: Invalid joinPoint (0x4): no Y specified"}));
  }
}

class ShapeFitTest : public ::testing::Test {
 protected:
  void SetUp() override { hdc = ::CreateCompatibleDC(nullptr); }
  void TearDown() override { ::DeleteDC(hdc); }
  // Gives the shape's label the size W x H and fits the shape around it.
  void fit(LabeledShape& s, int W, int H) {
    RECT l = {0, 0, W, H};
    s.label().setRect(hdc, l);
    s.fitToLabel(hdc);
  }
  HDC hdc = nullptr;
};

TEST_F(ShapeFitTest, SizesAndLabelOffsets) {
  struct Case {
    int glyph, W, H;
    DWORD mask;
    LONG width, height, offsetX, offsetY;
  } cases[] = {
      {0, 100, 16, 0x00, 108, 20, 4, 2},
      {0, 100, 16, 0x44, 120, 20, 16, 2},    // G(100) = 12 on the left
      {1, 100, 16, 0xFF, 132, 36, 16, 10},   // and G(16) = 8 above and below
      {0, 40, 16, 0x88, 56, 20, 4, 2},       // G(40) is at least 8
      {2, 100, 16, 0x00, 144, 25, 22, 4},
      {2, 100, 16, 0xF0, 149, 28, 24, 6},
      {3, 100, 16, 0x00, 154, 20, 27, 2},    // s = W / 4
      {3, 20, 16, 0x00, 48, 20, 14, 2},      // s = 12
      {4, 20, 16, 0x00, 54, 20, 17, 2},      // s = 15
      {7, 100, 16, 0x22, 154, 28, 27, 2},
      {8, 100, 16, 0x00, 204, 36, 52, 10},
      {9, 100, 16, 0x00, 100, 16, 0, 0},     // exactly the label
      {9, 100, 16, 0x01, 110, 26, 5, 5},
  };
  for (const Case& c : cases) {
    auto s = LabeledShapeDB::instantiateGlyphShape(c.glyph, nullptr, nullptr, c.mask);
    fit(*s, c.W, c.H);
    RECT r;
    s->rawRect(r);
    EXPECT_EQ(rectText(r), rectText({0, 0, c.width, c.height})) << "glyph " << c.glyph << " mask 0x" << std::hex << c.mask;
    EXPECT_EQ(pointText(s->labelOffset()), pointText({c.offsetX, c.offsetY})) << "glyph " << c.glyph;
  }
}

TEST_F(ShapeFitTest, FixedSizeKeepsTheSizeAndCentresTheLabel) {
  struct Case {
    int glyph;
    DWORD mask;
    POINT offset;
  } cases[] = {{0, 0x00, {50, 17}}, {0, 0x44, {56, 17}}, {1, 0x88, {44, 17}}, {1, 0x11, {50, 21}},
               {3, 0x44, {50, 17}}};  // only the boxes shift by the gaps
  for (const Case& c : cases) {
    auto s = glyph(c.glyph, {10, 10, 210, 60}, c.mask);
    s->setState(Graphic::FixedSize);
    fit(*s, 100, 16);
    RECT r;
    s->rawRect(r);
    EXPECT_EQ(rectText(r), rectText({10, 10, 210, 60}));
    EXPECT_EQ(pointText(s->labelOffset()), pointText(c.offset)) << "glyph " << c.glyph << " mask " << c.mask;
  }
}

TEST_F(ShapeFitTest, FirstFitKeepsTheCornerLaterFitsTheCentre) {
  auto s = glyph(0, {200, 100, 200, 100});
  fit(*s, 100, 16);
  RECT r;
  s->rawRect(r);
  EXPECT_EQ(rectText(r), rectText({200, 100, 308, 120}));
  fit(*s, 200, 32);  // the label grew: the centre (254, 110) stays
  s->rawRect(r);
  EXPECT_EQ(rectText(r), rectText({150, 92, 358, 128}));
}

TEST(ShapeGeometryTest, MovingNeverPutsAnEdgeBeforeTheOrigin) {
  struct Case {
    POINT to;
    RECT expected;
  } cases[] = {{{10, 100}, {0, 90, 40, 110}}, {{100, 5}, {80, 0, 120, 20}}, {{20, 10}, {0, 0, 40, 20}},
               {{21, 11}, {1, 1, 41, 21}}, {{-50, -50}, {0, 0, 40, 20}}};
  for (const Case& c : cases) {
    auto s = glyph(3, {300, 300, 340, 320});
    s->moveTo(c.to.x, c.to.y, nullptr);
    RECT r;
    s->rawRect(r);
    EXPECT_EQ(rectText(r), rectText(c.expected)) << "to " << pointText(c.to);
  }
}

TEST(ShapeGeometryTest, GlyphNamesAndInstantiation) {
  struct Case {
    int size, result;
    std::string expected;
  } cases[] = {
      {20, 0, std::string("Rectangle\0Ellipse\0\0", 19)},
      {0, -1, ""},
      {-5, -1, ""},
      {1, 0, std::string("\0", 1)},
      {200, 0, std::string("Rectangle\0RoundedRectangle\0Ellipse\0Hexagon\0Trapezoid\0Inverted Trapezoid\0"
                           "Parallelogram\0Inverted Parallelogram\0Diamond\0Empty\0\0", 124)},
  };
  for (const Case& c : cases) {
    std::string buffer(256, 'x');
    EXPECT_EQ(LabeledShapeDB::glyphShapeNames(&buffer[0], c.size), c.result) << "size " << c.size;
    if (c.result == 0) {
      EXPECT_EQ(buffer.substr(0, c.expected.size()), c.expected) << "size " << c.size;
      EXPECT_EQ(buffer[c.expected.size()], 'x') << "nothing after the final NUL";
    } else {
      EXPECT_EQ(buffer, std::string(256, 'x')) << "nothing written";
    }
  }
  std::vector<std::string> names;
  int i = -7;
  for (const char* n = LabeledShapeDB::nextGlyphShapeName(i); n != nullptr; n = LabeledShapeDB::nextGlyphShapeName(i))
    names.push_back(n);
  EXPECT_EQ(names.size(), 10u);
  EXPECT_EQ(names[5], "Inverted Trapezoid");
  EXPECT_EQ(LabeledShapeDB::nextGlyphShapeName(i), nullptr) << "stays at the end";

  ReportRecorder recorder;
  for (int g = 0; g < 10; ++g) {
    auto s = LabeledShapeDB::instantiateGlyphShape(g, nullptr, nullptr, 0x30);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->glyphNumber(), g);
    EXPECT_EQ(s->lineMask(), 0x30u);
    EXPECT_EQ(s->label().text(), "");
    EXPECT_EQ(LabeledShapeDB::instantiateGlyphShape(g, nullptr, s.get(), 0), nullptr) << "already that glyph";
    EXPECT_NE(LabeledShapeDB::instantiateGlyphShape((g + 1) % 10, nullptr, s.get(), 0), nullptr);
  }
  EXPECT_TRUE(recorder.reports.empty());
  for (int bad : {-1, 10, 0x7FFFFFFF}) EXPECT_EQ(LabeledShapeDB::instantiateGlyphShape(bad, nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(recorder.reports, std::vector<std::string>(3, "E: LabeledShapeDB::instantiateGlyphShape: Invalid Glyph shape"));
}

}  // namespace
