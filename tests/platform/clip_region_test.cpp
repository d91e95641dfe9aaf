// Clip regions and region fills: a region's rectangles are exactly its pixels,
// SelectClipRgn clips to those pixels (not the region's box) in the recording,
// the PNG renderer and the SVG writer alike, and FillRgn, PaintRgn, InvertRgn
// and FrameRgn fill combined regions pixel for pixel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/render/cairo_renderer.h"
#include "platform/render/svg_renderer.h"
#include "platform/win/device_context.h"
#include "platform/win/display_list.h"
#include "platform/win/region.h"
#include "platform/win/screen_composer.h"
#include "platform/win/text_dump_renderer.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

bool inRects(const std::vector<RECT>& rects, long long x, long long y) {
  for (const RECT& r : rects)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

// Every pixel of the box grown by 3 is in the rectangles exactly when the region
// holds it; the rectangles neither overlap nor leave a band split in two.
void expectRectanglesArePixels(const Region& region, const char* what) {
  RECT box = region.box();
  RECT bound = {box.left - 3, box.top - 3, box.right + 3, box.bottom + 3};
  std::vector<RECT> rects;
  ASSERT_TRUE(region.rectangles(bound, rects)) << what;
  int wrong = 0;
  for (long long y = bound.top; y < bound.bottom; ++y)
    for (long long x = bound.left; x < bound.right; ++x)
      if (inRects(rects, x, y) != region.contains(static_cast<int>(x), static_cast<int>(y))) ++wrong;
  EXPECT_EQ(wrong, 0) << what << ": pixels where the rectangles and contains() disagree";
  int overlapping = 0;
  for (std::size_t i = 0; i < rects.size(); ++i)
    for (std::size_t j = i + 1; j < rects.size(); ++j) {
      RECT o;
      if (IntersectRect(&o, &rects[i], &rects[j])) ++overlapping;
    }
  EXPECT_EQ(overlapping, 0) << what;
  for (std::size_t i = 1; i < rects.size(); ++i) {
    EXPECT_TRUE(rects[i].top > rects[i - 1].top || (rects[i].top == rects[i - 1].top &&
                                                     rects[i].bottom == rects[i - 1].bottom &&
                                                     rects[i].left > rects[i - 1].right))
        << what << ": rectangle " << i << " out of band order";
  }
}

TEST(RegionRectanglesTest, RectanglesAreExactlyTheRegionsPixels) {
  struct Case {
    const char* what;
    Region region;
  };
  POINT star[5] = {{50, 0}, {80, 95}, {0, 35}, {100, 35}, {20, 95}};
  POINT slant[4] = {{20, 0}, {100, 3}, {80, 40}, {0, 37}};
  Region moved = Region::ellipse(0, 0, 33, 17);
  moved.offset(-7, 5);
  std::vector<Case> cases = {
      {"rectangle", Region::rect(3, 4, 20, 9)},
      {"ellipse 101 x 61", Region::ellipse(0, 0, 101, 61)},
      {"ellipse 4 x 4", Region::ellipse(0, 0, 4, 4)},
      {"ellipse 3 x 40", Region::ellipse(10, 0, 13, 40)},
      {"ellipse 2 x 9 (a rectangle)", Region::ellipse(0, 0, 2, 9)},
      {"ellipse at negative coordinates", Region::ellipse(-40, -30, -5, 2)},
      {"rounded rectangle", Region::roundRect(0, 0, 60, 40, 20, 14)},
      {"rounded rectangle, full corners", Region::roundRect(0, 0, 30, 30, 40, 40)},
      {"star, alternate", Region::polygon(star, 5, true)},
      {"star, winding", Region::polygon(star, 5, false)},
      {"slanted quadrilateral", Region::polygon(slant, 4, true)},
      {"offset ellipse", moved},
      {"ellipse minus rectangle", Region::combine(Region::ellipse(0, 0, 50, 40), Region::rect(20, 10, 35, 25), RGN_DIFF)},
      {"ellipse xor ellipse", Region::combine(Region::ellipse(0, 0, 50, 40), Region::ellipse(25, 5, 70, 45), RGN_XOR)},
      {"ellipse and star", Region::combine(Region::ellipse(10, 10, 90, 80), Region::polygon(star, 5, false), RGN_AND)},
      {"two rectangles or", Region::combine(Region::rect(0, 0, 10, 10), Region::rect(10, 5, 20, 15), RGN_OR)},
      {"from rectangles", Region::fromRects({{0, 0, 10, 10}, {5, 5, 15, 20}, {30, 0, 31, 1}, {0, 0, 0, 5}})},
  };
  for (const Case& c : cases) expectRectanglesArePixels(c.region, c.what);
  std::vector<RECT> rects;
  Region::rect(0, 0, 10, 10).rectangles({0, 0, 10, 10}, rects);
  ASSERT_EQ(rects.size(), 1u) << "a rectangle is one band of one rectangle";
  EXPECT_EQ(Region::ellipse(0, 0, 101, 61).complexity(), COMPLEXREGION);
  EXPECT_EQ(Region::combine(Region::rect(0, 0, 10, 10), Region::rect(5, 5, 15, 15), RGN_AND).complexity(),
            SIMPLEREGION);
  EXPECT_EQ(Region::combine(Region::rect(0, 0, 10, 10), Region::rect(0, 0, 10, 10), RGN_XOR).complexity(),
            NULLREGION);
  Region huge = Region::ellipse(-2000000000, -2000000000, 2000000000, 2000000000);
  EXPECT_FALSE(huge.rectangles(huge.box(), rects)) << "too tall to decide row by row";
  EXPECT_TRUE(huge.rectangles({-5, -5, 5, 5}, rects)) << "within a small bound it is decided";
  EXPECT_EQ(rects.size(), 1u);
}

class ClipRegionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WindowManager::instance().reset(640, 480);
    WNDCLASS wc = {};
    wc.lpfnWndProc = DefWindowProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = "ClipCanvas";
    RegisterClass(&wc);
    hwnd = CreateWindow("ClipCanvas", "c", WS_VISIBLE, 0, 0, 120, 90, nullptr, nullptr, nullptr, nullptr);
    WindowManager::instance().runUntilIdle();
    hdc = GetDC(hwnd);
    red = CreateSolidBrush(RGB(255, 0, 0));
  }
  void TearDown() override {
    ReleaseDC(hwnd, hdc);
    DeleteObject(red);
    WindowManager::instance().reset();
  }
  const DisplayList& list() { return WindowManager::instance().find(hwnd)->list; }
  std::string last() { return TextDumpRenderer::line(list().commands().back(), list().width(), list().height()); }
  std::vector<uint32_t> pixels() { return CairoRenderer::renderPixels(ScreenComposer::composeClient(hwnd)); }
  // The pixels of the window that differ from "red exactly where `inside` holds, white elsewhere".
  template <typename Inside>
  int wrongPixels(Inside inside) {
    std::vector<uint32_t> px = pixels();
    int wrong = 0;
    for (int y = 0; y < 90; ++y)
      for (int x = 0; x < 120; ++x)
        if (px[static_cast<std::size_t>(y) * 120 + static_cast<std::size_t>(x)] != (inside(x, y) ? 0xFF0000u : 0xFFFFFFu))
          ++wrong;
    return wrong;
  }
  HWND hwnd = nullptr;
  HDC hdc = nullptr;
  HBRUSH red = nullptr;
};

TEST_F(ClipRegionTest, SelectClipRgnClipsToTheRegionNotItsBox) {
  HRGN ellipse = CreateEllipticRgn(10, 5, 101, 76);
  EXPECT_EQ(SelectClipRgn(hdc, ellipse), COMPLEXREGION);
  RECT box;
  EXPECT_EQ(GetClipBox(hdc, &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 10);
  EXPECT_EQ(box.right, 100);
  RECT all = {0, 0, 120, 90};
  FillRect(hdc, &all, red);
  EXPECT_EQ(wrongPixels([&](int x, int y) { return PtInRegion(ellipse, x, y) != 0; }), 0)
      << "the fill covers the ellipse's pixels and no others";
  // Outside the ellipse but inside its box: the corner stays white.
  std::vector<uint32_t> px = pixels();
  EXPECT_EQ(px[6 * 120 + 11], 0xFFFFFFu) << "a corner of the box, outside the ellipse";
  EXPECT_EQ(px[40 * 120 + 55], 0xFF0000u) << "the centre";

  // The SVG clips to the same rectangles.
  const DrawCommand& fill = list().commands().back();
  ASSERT_TRUE(fill.clipRects);
  std::string svg = SvgRenderer::render(list());
  std::string expected = "<clipPath id=\"r0\">";
  for (const RECT& r : *fill.clipRects) {
    expected += "<rect x=\"" + std::to_string(r.left) + "\" y=\"" + std::to_string(r.top) + "\" width=\"" +
                std::to_string(r.right - r.left) + "\" height=\"" + std::to_string(r.bottom - r.top) + "\"/>";
  }
  expected += "</clipPath>";
  EXPECT_NE(svg.find(expected), std::string::npos) << "the clip path is the region's rectangles";
  EXPECT_NE(svg.find("clip-path=\"url(#r0)\""), std::string::npos);
  std::vector<RECT> rects;
  ASSERT_TRUE(Region::ellipse(10, 5, 101, 76).rectangles({0, 0, 120, 90}, rects));
  EXPECT_EQ(last(), "fillrect (0,0)-(120,90) brush solid #FF0000 rop copy clip (10,5)-(100,75) in " +
                        std::to_string(rects.size()) + " rectangles");
  DeleteObject(ellipse);
}

TEST_F(ClipRegionTest, TheClipIsACopyAndNarrowsSavesAndRestores) {
  HRGN ellipse = CreateEllipticRgn(10, 5, 101, 76);
  HRGN elsewhere = CreateRectRgn(500, 500, 600, 600);
  SelectClipRgn(hdc, ellipse);
  CombineRgn(ellipse, elsewhere, nullptr, RGN_COPY);  // the selected clip is a copy: it stays
  int saved = SaveDC(hdc);
  EXPECT_EQ(IntersectClipRect(hdc, 0, 0, 55, 90), COMPLEXREGION);
  RECT all = {0, 0, 120, 90};
  FillRect(hdc, &all, red);
  DeleteObject(ellipse);
  ellipse = CreateEllipticRgn(10, 5, 101, 76);
  EXPECT_EQ(wrongPixels([&](int x, int y) { return x < 55 && PtInRegion(ellipse, x, y) != 0; }), 0)
      << "the left half of the ellipse";
  ASSERT_TRUE(RestoreDC(hdc, saved));
  RECT box;
  GetClipBox(hdc, &box);
  EXPECT_EQ(box.right, 100) << "RestoreDC gives the whole ellipse back";
  EXPECT_EQ(IntersectClipRect(hdc, 200, 200, 300, 300), NULLREGION);
  Rectangle(hdc, 0, 0, 50, 50);
  EXPECT_NE(last().find("clip (0,0)-(0,0)"), std::string::npos) << last();
  EXPECT_EQ(SelectClipRgn(hdc, nullptr), SIMPLEREGION);
  HRGN rect = CreateRectRgn(5, 5, 20, 20);
  EXPECT_EQ(SelectClipRgn(hdc, rect), SIMPLEREGION) << "a rectangle clips as a box";
  EXPECT_EQ(SelectObject(hdc, ellipse), reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(COMPLEXREGION)))
      << "selecting a region is SelectClipRgn";
  DeleteObject(rect);
  DeleteObject(ellipse);
  DeleteObject(elsewhere);
}

TEST_F(ClipRegionTest, FillsOfCombinedRegions) {
  HRGN e = CreateEllipticRgn(0, 0, 80, 60);
  HRGN r = CreateRectRgn(30, 20, 100, 40);
  HRGN d = CreateRectRgn(0, 0, 0, 0);
  for (int mode : {RGN_DIFF, RGN_XOR, RGN_OR, RGN_AND}) {
    RECT all = {0, 0, 120, 90};
    FillRect(hdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ASSERT_NE(CombineRgn(d, e, r, mode), ERROR);
    ASSERT_TRUE(FillRgn(hdc, d, red)) << "mode " << mode;
    EXPECT_EQ(wrongPixels([&](int x, int y) { return PtInRegion(d, x, y) != 0; }), 0) << "mode " << mode;
  }
  // PaintRgn takes the selected brush; InvertRgn twice gives the picture back.
  RECT all = {0, 0, 120, 90};
  FillRect(hdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HGDIOBJ old = SelectObject(hdc, red);
  ASSERT_TRUE(PaintRgn(hdc, e));
  SelectObject(hdc, old);
  EXPECT_EQ(wrongPixels([&](int x, int y) { return PtInRegion(e, x, y) != 0; }), 0);
  const std::vector<uint32_t> before = pixels();
  ASSERT_TRUE(InvertRgn(hdc, d));
  std::vector<uint32_t> once = pixels();
  EXPECT_EQ(once[30 * 120 + 40], 0x00FFFFu) << "red inverted is cyan";
  ASSERT_TRUE(InvertRgn(hdc, d));
  EXPECT_EQ(pixels(), before);
  for (HRGN h : {e, r, d}) DeleteObject(h);
}

TEST_F(ClipRegionTest, FrameRgnFillsTheEdge) {
  HRGN r = CreateRectRgn(10, 10, 30, 30);
  ASSERT_TRUE(FrameRgn(hdc, r, red, 2, 3));
  // Two pixels at the left and right, three at the top and bottom.
  EXPECT_EQ(wrongPixels([](int x, int y) {
              bool in = x >= 10 && x < 30 && y >= 10 && y < 30;
              bool interior = x >= 12 && x < 28 && y >= 13 && y < 27;
              return in && !interior;
            }),
            0);
  HRGN e = CreateEllipticRgn(40, 10, 100, 80);
  ASSERT_TRUE(FrameRgn(hdc, e, red, 1, 1));
  std::vector<uint32_t> px = pixels();
  EXPECT_EQ(px[45 * 120 + 40], 0xFF0000u) << "the ellipse's leftmost pixel is edge";
  EXPECT_EQ(px[45 * 120 + 70], 0xFFFFFFu) << "its centre is not";
  EXPECT_FALSE(FrameRgn(hdc, e, red, 0, 1)) << "a frame needs a width";
  DeleteObject(r);
  DeleteObject(e);
}

TEST_F(ClipRegionTest, AMetafilesClipRegionPlaysThroughTheMapping) {
  HDC meta = CreateMetaFile(nullptr);
  HRGN e = CreateEllipticRgn(0, 0, 41, 31);
  SelectClipRgn(meta, e);
  RECT all = {0, 0, 60, 45};
  FillRect(meta, &all, red);
  HMETAFILE mf = CloseMetaFile(meta);
  SetMapMode(hdc, MM_ANISOTROPIC);
  SetWindowExtEx(hdc, 1, 1, nullptr);
  SetViewportExtEx(hdc, 2, 2, nullptr);
  ASSERT_TRUE(PlayMetaFile(hdc, mf));
  // Each pixel of the region becomes two by two.
  EXPECT_EQ(wrongPixels([&](int x, int y) { return PtInRegion(e, x / 2, y / 2) != 0; }), 0);
  DeleteMetaFile(mf);
  DeleteObject(e);
}

}  // namespace
