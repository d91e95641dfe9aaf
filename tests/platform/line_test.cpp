// Lines as Windows draws them: a one-pixel line sets the pixels of Windows'
// line algorithm and leaves out its last one, so segments meeting at a corner
// set the corner once (inverted twice it would be a hole); dots and dashes run
// on along a polyline; wide pens have round ends and joins.
#include <gtest/gtest.h>

#include "canvas_test_support.h"

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/render/cairo_renderer.h"
#include "platform/render/render_style.h"
#include "platform/render/svg_renderer.h"
#include "platform/win/display_list.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

using Pixels = std::vector<std::pair<int, int>>;

Pixels linePixels(POINT a, POINT b) {
  DrawCommand c;
  c.op = DrawOp::Polyline;
  c.points = {a, b};
  std::vector<POINT> out;
  render_style::thinLinePixels(c, {-1000, -1000, 1000, 1000}, out);
  Pixels p;
  for (const POINT& q : out) p.push_back({q.x, q.y});
  return p;
}

TEST(LinePixelsTest, WindowsLineAlgorithmLeavesOutTheLastPixel) {
  EXPECT_EQ(linePixels({0, 0}, {4, 0}), (Pixels{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
  EXPECT_EQ(linePixels({0, 3}, {0, 0}), (Pixels{{0, 3}, {0, 2}, {0, 1}}));
  EXPECT_EQ(linePixels({0, 0}, {5, 2}), (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}));
  // Drawn the other way, ties go the other way, so the line covers the same pixels.
  EXPECT_EQ(linePixels({5, 2}, {0, 0}), (Pixels{{5, 2}, {4, 2}, {3, 1}, {2, 1}, {1, 0}}));
  EXPECT_EQ(linePixels({0, 0}, {4, 2}), (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
  EXPECT_EQ(linePixels({4, 2}, {0, 0}), (Pixels{{4, 2}, {3, 1}, {2, 1}, {1, 0}}));
  EXPECT_EQ(linePixels({0, 0}, {3, 3}), (Pixels{{0, 0}, {1, 1}, {2, 2}}));
  EXPECT_TRUE(linePixels({7, 7}, {7, 7}).empty()) << "a line to its own start sets nothing";
  // In every direction a line and its reverse set the same pixels but for their ends.
  int differing = 0;
  for (int dx = -9; dx <= 9; ++dx) {
    for (int dy = -9; dy <= 9; ++dy) {
      if (dx == 0 && dy == 0) continue;
      Pixels there = linePixels({0, 0}, {dx, dy}), back = linePixels({dx, dy}, {0, 0});
      std::set<std::pair<int, int>> a(there.begin(), there.end()), b(back.begin(), back.end());
      a.insert({dx, dy});
      b.insert({0, 0});
      if (a != b) ++differing;
      if (there.size() != static_cast<std::size_t>(std::max(std::abs(dx), std::abs(dy)))) ++differing;
    }
  }
  EXPECT_EQ(differing, 0) << "directions whose reverse covers other pixels, or with the wrong count";
  // A line across the whole coordinate space costs only the pixels inside the bound.
  DrawCommand huge;
  huge.op = DrawOp::Polyline;
  huge.points = {{-2000000000, -1000000000}, {2000000000, 1000000000}};
  std::vector<POINT> out;
  render_style::thinLinePixels(huge, {0, 0, 100, 100}, out);
  ASSERT_FALSE(out.empty());
  for (const POINT& p : out) EXPECT_EQ(p.y, p.x / 2) << "slope one half through the origin at x " << p.x;
}

class LineTest : public CanvasTest {
 protected:
  LineTest() : CanvasTest(400, 300, "LineCanvas", 80, 60) {}
  static int count(const std::vector<uint32_t>& px, uint32_t colour) {
    return static_cast<int>(std::count(px.begin(), px.end(), colour));
  }
};

TEST_F(LineTest, InvertedSegmentsMeetingAtACornerLeaveNoHole) {
  SetROP2(hdc, R2_NOT);
  MoveToEx(hdc, 10, 10, nullptr);
  LineTo(hdc, 40, 10);  // 30 pixels, (40, 10) left out
  LineTo(hdc, 40, 30);  // 20 pixels from (40, 10)
  LineTo(hdc, 20, 50);  // 20 pixels from (40, 30)
  std::vector<uint32_t> px = pixels();
  EXPECT_EQ(at(px, 40, 10), 0x000000u) << "the corner is inverted once";
  EXPECT_EQ(at(px, 40, 30), 0x000000u) << "and the next";
  EXPECT_EQ(at(px, 20, 50), 0xFFFFFFu) << "the last point is left out";
  EXPECT_EQ(count(px, 0x000000), 30 + 20 + 20);
  // A closed outline inverts each corner once, and a polyline each vertex.
  const RECT all = {0, 0, 80, 60};
  SetROP2(hdc, R2_COPYPEN);
  FillRect(hdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetROP2(hdc, R2_NOT);
  HGDIOBJ old = SelectObject(hdc, GetStockObject(HOLLOW_BRUSH));
  POINT tri[3] = {{10, 10}, {50, 10}, {30, 40}};
  Polygon(hdc, tri, 3);
  px = pixels();
  EXPECT_EQ(at(px, 10, 10), 0x000000u);
  EXPECT_EQ(at(px, 50, 10), 0x000000u);
  EXPECT_EQ(at(px, 30, 40), 0x000000u);
  EXPECT_EQ(count(px, 0x000000), 40 + 30 + 30) << "each edge as many pixels as its longer side";
  SelectObject(hdc, old);
}

TEST_F(LineTest, DotsAndDashesFollowThePixelsAlongAPolyline) {
  HPEN dot = CreatePen(PS_DOT, 0, 0);
  HGDIOBJ old = SelectObject(hdc, dot);
  POINT pts[3] = {{0, 5}, {4, 5}, {4, 20}};
  Polyline(hdc, pts, 3);
  std::vector<uint32_t> px = pixels();
  std::string first, second;
  for (int x = 0; x < 4; ++x) first += at(px, x, 5) == 0 ? '#' : '.';
  for (int y = 5; y < 20; ++y) second += at(px, 4, y) == 0 ? '#' : '.';
  EXPECT_EQ(first, "###.");
  EXPECT_EQ(second, "..###...###...#") << "the dots run on from the first segment";
  SelectObject(hdc, old);
  DeleteObject(dot);
}

TEST_F(LineTest, WidePensHaveRoundEndsAndJoins) {
  HPEN wide = CreatePen(PS_SOLID, 9, 0);
  HGDIOBJ old = SelectObject(hdc, wide);
  POINT pts[3] = {{20, 20}, {50, 20}, {50, 50}};
  Polyline(hdc, pts, 3);
  std::vector<uint32_t> px = pixels();
  EXPECT_EQ(at(px, 16, 20), 0x000000u) << "the round end reaches 4 pixels before the start";
  EXPECT_EQ(at(px, 16, 16), 0xFFFFFFu) << "but not into the corner a square end would fill";
  EXPECT_EQ(at(px, 54, 20), 0x000000u) << "the join reaches out on the axis";
  EXPECT_EQ(at(px, 54, 16), 0xFFFFFFu) << "but is round, not mitred";
  EXPECT_EQ(at(px, 50, 54), 0x000000u) << "the last point has a round end too";
  std::string svg = SvgRenderer::render(list());
  EXPECT_NE(svg.find("stroke-width=\"9\" stroke-linecap=\"round\" stroke-linejoin=\"round\""), std::string::npos) << svg;
  SelectObject(hdc, old);
  DeleteObject(wide);
}

TEST_F(LineTest, VectorPicturesStrokeOnePixelLinesToHalfAPixelBeforeTheEnd) {
  MoveToEx(hdc, 0, 0, nullptr);
  LineTo(hdc, 10, 0);
  std::string svg = SvgRenderer::render(list());
  EXPECT_NE(svg.find("<polyline points=\"0,0.5 10,0.5\" fill=\"none\" stroke=\"#000000\" stroke-width=\"1\" "
                     "stroke-linecap=\"butt\""),
            std::string::npos)
      << svg;
  // And the PDF takes them.
  const char* dir = std::getenv("TMPDIR");
  const std::string pdf = std::string(dir != nullptr ? dir : "/tmp") + "/lines.pdf";
  EXPECT_TRUE(CairoRenderer::writePdf({&list()}, pdf));
  std::remove(pdf.c_str());
}

TEST_F(LineTest, LinesAreClippedToRegionsPixelByPixel) {
  HRGN e = CreateEllipticRgn(10, 10, 51, 41);
  SelectClipRgn(hdc, e);
  SetROP2(hdc, R2_NOT);
  for (int y = 0; y < 60; y += 3) {
    MoveToEx(hdc, 0, y, nullptr);
    LineTo(hdc, 80, y + 1);
  }
  std::vector<uint32_t> px = pixels();
  int outside = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 80; ++x)
      if (at(px, x, y) == 0 && !PtInRegion(e, x, y)) ++outside;
  EXPECT_EQ(outside, 0);
  EXPECT_GT(count(px, 0), 100);
  DeleteObject(e);
}

}  // namespace
