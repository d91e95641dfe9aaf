// Device contexts: mapping and its rounding at the zooms the pages use, text
// extents from the width table, what the primitives record, object selection,
// and region point inclusion on and just outside the edges.
#include <gtest/gtest.h>

#include "canvas_test_support.h"

#include <string>

#include "platform/win/device_context.h"
#include "platform/win/display_list.h"
#include "platform/win/font_metrics.h"
#include "platform/win/text_dump_renderer.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

class DeviceContextTest : public CanvasTest {
 protected:
  DeviceContextTest() : CanvasTest(800, 600, "Plain", 400, 300) {}
  // The page mapping: zoom percent as the scale, the scroll position as the origin.
  void zoom(int percent, POINT scroll) {
    SetMapMode(hdc, MM_ANISOTROPIC);
    SetWindowExtEx(hdc, 100, 100, nullptr);
    SetViewportExtEx(hdc, percent, percent, nullptr);
    SetWindowOrgEx(hdc, scroll.x, scroll.y, nullptr);
  }
};

TEST_F(DeviceContextTest, LogicalToDeviceAtZoomsWithScrollOrigin) {
  struct Case {
    int zoom;
    POINT logical;
    POINT device;
  };
  // Scroll origin (40, 20). Halves round up: 1.5 -> 2, -1.5 -> -1, 2.5 -> 3.
  const Case cases[] = {
      {100, {47, 23}, {7, 3}},     {100, {39, 19}, {-1, -1}},
      {50, {43, 23}, {2, 2}},      {50, {37, 17}, {-1, -1}},     {50, {45, 25}, {3, 3}},
      {150, {41, 21}, {2, 2}},     {150, {39, 19}, {-1, -1}},    {150, {43, 23}, {5, 5}},
      {200, {41, 23}, {2, 6}},     {200, {39, 17}, {-2, -6}},
  };
  for (const Case& c : cases) {
    zoom(c.zoom, {40, 20});
    POINT p = c.logical;
    ASSERT_TRUE(LPtoDP(hdc, &p, 1));
    EXPECT_EQ(p.x, c.device.x) << "zoom " << c.zoom << " logical x " << c.logical.x;
    EXPECT_EQ(p.y, c.device.y) << "zoom " << c.zoom << " logical y " << c.logical.y;
  }
}

TEST_F(DeviceContextTest, DeviceToLogicalAtZoomsWithScrollOrigin) {
  struct Case {
    int zoom;
    POINT device;
    POINT logical;
  };
  const Case cases[] = {
      {100, {7, 3}, {47, 23}},
      {50, {1, 3}, {42, 26}},        // 2 and 6 logical units per pixel
      {150, {1, 2}, {41, 21}},       // 0.667 -> 1, 1.333 -> 1
      {150, {3, -1}, {42, 19}},      // 2, -0.667 -> -1
      {200, {3, -3}, {42, 19}},      // 1.5 -> 2, -1.5 -> -1
  };
  for (const Case& c : cases) {
    zoom(c.zoom, {40, 20});
    POINT p = c.device;
    ASSERT_TRUE(DPtoLP(hdc, &p, 1));
    EXPECT_EQ(p.x, c.logical.x) << "zoom " << c.zoom << " device x " << c.device.x;
    EXPECT_EQ(p.y, c.logical.y) << "zoom " << c.zoom << " device y " << c.device.y;
  }
}

TEST_F(DeviceContextTest, MappingModesAndExtents) {
  EXPECT_EQ(SetMapMode(hdc, MM_ISOTROPIC), MM_TEXT);
  SetWindowExtEx(hdc, 100, 100, nullptr);
  SetViewportExtEx(hdc, 400, 200, nullptr);
  SIZE v;
  GetViewportExtEx(hdc, &v);
  EXPECT_EQ(v.cx, 200) << "isotropic keeps the smaller scale on both axes";
  EXPECT_EQ(v.cy, 200);
  SetMapMode(hdc, MM_ANISOTROPIC);
  EXPECT_FALSE(SetWindowExtEx(hdc, 0, 5, nullptr)) << "a zero extent is refused";
  SetMapMode(hdc, MM_LOMETRIC);
  POINT p = {100, -100};  // 10 mm right, 10 mm down
  LPtoDP(hdc, &p, 1);
  EXPECT_EQ(p.x, 38) << "10 mm at 96 pixels per inch";
  EXPECT_EQ(p.y, 38);
  SetMapMode(hdc, MM_TEXT);
  SetWindowExtEx(hdc, 5, 5, nullptr);
  SIZE w;
  GetWindowExtEx(hdc, &w);
  EXPECT_EQ(w.cx, 1) << "text mode ignores extents";
  EXPECT_EQ(GetDeviceCaps(hdc, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(hdc, TECHNOLOGY), DT_RASDISPLAY);
  EXPECT_EQ(GetDeviceCaps(hdc, HORZRES), 800);
}

TEST_F(DeviceContextTest, TextExtentEqualsTheWidthTable) {
  HFONT f = CreateFont(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  SelectObject(hdc, f);
  struct Case {
    const char* text;
    int width;
  };
  // At a 20-pixel em: 'H' 1479 -> 14.44 -> 14; 'i' 455 -> 4.44 -> 4; ' ' 569 -> 5.56 -> 6;
  // 'W' 1933 -> 18.88 -> 19; 'a' 1139 -> 11.12 -> 11; 'l' 455 -> 4.
  const Case cases[] = {{"Hi", 18}, {"Hi Wall", 18 + 6 + 19 + 11 + 4 + 4}, {"", 0}, {"iiii", 16}};
  for (const Case& c : cases) {
    SIZE s;
    ASSERT_TRUE(GetTextExtentPoint32(hdc, c.text, static_cast<int>(std::string(c.text).size()), &s));
    EXPECT_EQ(s.cx, c.width) << '"' << c.text << '"';
    EXPECT_EQ(s.cy, 18 + 4) << "ascent 1854 and descent 434 at 20 pixels";
  }
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(hdc, &tm));
  EXPECT_EQ(tm.tmAscent, 18);
  EXPECT_EQ(tm.tmDescent, 4);
  EXPECT_EQ(tm.tmHeight, 22);
  EXPECT_EQ(tm.tmAveCharWidth, 9);
  // A cell height of 23 is an em of 21 (23 * 2048 / 2288 = 20.6).
  HFONT cell = CreateFont(23, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  SelectObject(hdc, cell);
  SIZE s;
  GetTextExtentPoint32(hdc, "W", 1, &s);
  EXPECT_EQ(s.cx, FontMetrics::advance('W', 21, true));
  // At zoom 50 the extent is in logical units: twice the pixels.
  SelectObject(hdc, f);
  zoom(50, {0, 0});
  GetTextExtentPoint32(hdc, "iiii", 4, &s);
  EXPECT_EQ(s.cx, 4 * FontMetrics::advance('i', 10, false) * 2);
  SelectObject(hdc, GetStockObject(SYSTEM_FONT));
  EXPECT_TRUE(DeleteObject(f));
  EXPECT_TRUE(DeleteObject(cell));
}

TEST_F(DeviceContextTest, PrimitivesRecordDeviceCommands) {
  HPEN pen = CreatePen(PS_INSIDEFRAME, 3, RGB(255, 0, 0));
  HBRUSH brush = CreateSolidBrush(RGB(0x60, 0x60, 0x60));
  SelectObject(hdc, pen);
  SelectObject(hdc, brush);
  zoom(200, {10, 10});
  Rectangle(hdc, 10, 10, 20, 15);
  EXPECT_EQ(last(), "rectangle (0,0)-(20,10) pen insideframe 6 #FF0000 brush solid #606060 rop copy");
  SetROP2(hdc, R2_NOT);
  SelectObject(hdc, GetStockObject(NULL_BRUSH));
  Ellipse(hdc, 10, 10, 12, 12);
  EXPECT_EQ(last(), "ellipse (0,0)-(4,4) pen insideframe 6 #FF0000 brush hollow rop not");
  SetMapMode(hdc, MM_TEXT);
  SetWindowOrgEx(hdc, 0, 0, nullptr);
  SetROP2(hdc, R2_COPYPEN);
  SelectObject(hdc, GetStockObject(BLACK_PEN));
  MoveToEx(hdc, 1, 2, nullptr);
  LineTo(hdc, 30, 40);
  EXPECT_EQ(last(), "polyline [1,2 30,40] pen solid 1 #000000 rop copy");
  POINT cur;
  GetCurrentPositionEx(hdc, &cur);
  EXPECT_EQ(cur.x, 30);
  POINT tri[3] = {{0, 0}, {10, 0}, {5, 8}};
  SetPolyFillMode(hdc, WINDING);
  Polygon(hdc, tri, 3);
  EXPECT_EQ(last(), "polygon [0,0 10,0 5,8] winding pen solid 1 #000000 brush hollow rop copy");
  RECT r = {5, 5, 25, 15};
  DrawFocusRect(hdc, &r);
  EXPECT_EQ(last(), "focusrect (5,5)-(25,15)");
  SetTextAlign(hdc, TA_CENTER | TA_BOTTOM);
  SetBkMode(hdc, TRANSPARENT);
  SetTextColor(hdc, RGB(0, 0, 255));
  HFONT f = CreateFont(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  SelectObject(hdc, f);
  TextOut(hdc, 100, 50, "Hi", 2);
  // Width 18 centred on 100; the bottom (descent 4) on 50: baseline 46.
  EXPECT_EQ(last(), "text (91,46) \"Hi\" font Arial 20px 400 width 18 colour #0000FF");
  SelectObject(hdc, pen);
  EXPECT_FALSE(DeleteObject(pen)) << "a pen still selected is not deleted";
  SelectObject(hdc, GetStockObject(BLACK_PEN));
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_EQ(GetObjectType(pen), 0u) << "a deleted handle is unknown";
  SelectObject(hdc, GetStockObject(WHITE_BRUSH));
  SelectObject(hdc, GetStockObject(SYSTEM_FONT));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(DeleteObject(f));
}

TEST_F(DeviceContextTest, SaveRestoreAndFullErasePrunesTheList) {
  int saved = SaveDC(hdc);
  SetROP2(hdc, R2_XORPEN);
  SetMapMode(hdc, MM_LOMETRIC);
  ASSERT_TRUE(RestoreDC(hdc, saved));
  EXPECT_EQ(GetROP2(hdc), R2_COPYPEN);
  EXPECT_EQ(GetMapMode(hdc), MM_TEXT);
  Rectangle(hdc, 0, 0, 5, 5);
  Rectangle(hdc, 0, 0, 6, 6);
  std::size_t before = list().size();
  EXPECT_GE(before, 2u);
  RECT all = {0, 0, 400, 300};
  FillRect(hdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(list().size(), 1u) << "a fill of the whole surface hides what was drawn before";
}

TEST_F(DeviceContextTest, PaintContextClipsToTheUpdateArea) {
  WindowManager::instance().runUntilIdle();
  RECT area = {10, 10, 30, 30};
  InvalidateRect(hwnd, &area, FALSE);
  PAINTSTRUCT ps;
  HDC paint = BeginPaint(hwnd, &ps);
  EXPECT_EQ(ps.rcPaint.left, 10);
  Rectangle(paint, 0, 0, 50, 50);
  EndPaint(hwnd, &ps);
  EXPECT_EQ(last(), "rectangle (0,0)-(50,50) pen solid 1 #000000 brush solid #FFFFFF rop copy clip (10,10)-(30,30)");
  EXPECT_FALSE(GetUpdateRect(hwnd, &area, FALSE));
}

// Point inclusion on and just outside the edges, as Windows decides it.
TEST(RegionTest, PointInclusionOnAndOutsideEdges) {
  struct Case {
    const char* what;
    HRGN region;
    POINT p;
    bool inside;
  };
  HRGN rect = CreateRectRgn(10, 10, 20, 20);
  HRGN ell = CreateEllipticRgn(0, 0, 101, 61);   // box 0..100 x 0..60, centre (50, 30)
  HRGN rnd = CreateRoundRectRgn(0, 0, 101, 61, 20, 20);
  POINT slant[4] = {{20, 0}, {100, 0}, {80, 40}, {0, 40}};  // parallelogram, slope 1/2
  HRGN par = CreatePolygonRgn(slant, 4, ALTERNATE);
  const Case cases[] = {
      {"rect left edge", rect, {10, 15}, true},    {"rect right edge", rect, {20, 15}, false},
      {"rect last column", rect, {19, 19}, true},  {"rect bottom edge", rect, {15, 20}, false},
      {"rect above", rect, {15, 9}, false},
      {"ellipse top", ell, {50, 0}, true},         {"ellipse above", ell, {50, -1}, false},
      {"ellipse left", ell, {0, 30}, true},        {"ellipse left of", ell, {-1, 30}, false},
      {"ellipse right", ell, {99, 30}, true},      {"ellipse right of", ell, {100, 30}, false},
      {"ellipse bottom", ell, {50, 59}, true},     {"ellipse below", ell, {50, 60}, false},
      {"ellipse corner", ell, {3, 3}, false},      {"ellipse 45 degrees in", ell, {15, 9}, true},
      {"ellipse 45 degrees out", ell, {13, 7}, false},
      {"round corner cut", rnd, {1, 1}, false},    {"round corner curve", rnd, {3, 3}, true},
      {"round top edge", rnd, {50, 0}, true},      {"round above", rnd, {50, -1}, false},
      {"round right edge", rnd, {99, 30}, true},   {"round right of", rnd, {100, 30}, false},
      {"slant left edge", par, {10, 20}, true},    {"slant left of", par, {9, 20}, false},
      {"slant right edge", par, {90, 20}, false},  {"slant inside right", par, {89, 20}, true},
      {"slant top", par, {50, 0}, true},           {"slant bottom", par, {50, 40}, false},
      {"slant last row", par, {50, 39}, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PtInRegion(c.region, c.p.x, c.p.y) != 0, c.inside)
        << c.what << " (" << c.p.x << "," << c.p.y << ")";
  }
  RECT box;
  EXPECT_EQ(GetRgnBox(ell, &box), COMPLEXREGION);
  EXPECT_EQ(box.right, 100);
  EXPECT_EQ(box.bottom, 60);
  HRGN sameAsRect = CreatePolygonRgn(std::vector<POINT>{{10, 10}, {20, 10}, {20, 20}, {10, 20}}.data(), 4, ALTERNATE);
  int differing = 0;
  for (int y = 5; y < 25; ++y)
    for (int x = 5; x < 25; ++x)
      if ((PtInRegion(rect, x, y) != 0) != (PtInRegion(sameAsRect, x, y) != 0)) ++differing;
  EXPECT_EQ(differing, 0) << "a rectangle given as a polygon is the rectangle";
  for (HRGN r : {rect, ell, rnd, par, sameAsRect}) EXPECT_TRUE(DeleteObject(r));
  EXPECT_FALSE(PtInRegion(rect, 15, 15)) << "a deleted region answers no";
}

TEST(RegionTest, HugeAndDegenerateShapesStayCheap) {
  HRGN huge = CreateEllipticRgn(-2000000000, -2000000000, 2000000000, 2000000000);
  EXPECT_TRUE(PtInRegion(huge, 0, 0));
  EXPECT_FALSE(PtInRegion(huge, -1999999999, -1999999999));
  HRGN thin = CreateEllipticRgn(0, 0, 2, 50);
  EXPECT_TRUE(PtInRegion(thin, 0, 0)) << "too thin to curve: a rectangle";
  EXPECT_FALSE(PtInRegion(thin, 1, 0));
  POINT two[2] = {{0, 0}, {5, 5}};
  HRGN line = CreatePolygonRgn(two, 2, ALTERNATE);
  EXPECT_FALSE(PtInRegion(line, 0, 0));
  for (HRGN h : {huge, thin, line}) DeleteObject(h);
}

}  // namespace
