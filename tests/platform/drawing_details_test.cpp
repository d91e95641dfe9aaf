// Drawing details a caller relies on: the width table's values, region
// combinations and fill modes, metafiles, stale handles, pen and font scaling,
// raster operations pixel by pixel, and what the SVG writer emits for them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/device_context.h"
#include "platform/win/display_list.h"
#include "platform/win/font_metrics.h"
#include "platform/render/cairo_renderer.h"
#include "platform/render/render_style.h"
#include "platform/render/svg_renderer.h"
#include "platform/win/text_dump_renderer.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

TEST(FontMetricsTest, WidthTableValues) {
  struct Case {
    unsigned char c;
    bool bold;
    int design;
  };
  const Case cases[] = {{' ', false, 569},  {'A', false, 1366}, {'W', false, 1933}, {'i', false, 455},
                        {'m', false, 1706}, {'0', false, 1139}, {'@', false, 2079}, {0x80, false, 1139},
                        {0xE9, false, 1139}, {'A', true, 1479}, {'i', true, 569},   {'m', true, 1821},
                        {0x05, false, 569},  {0x81, false, 569}};
  for (const Case& c : cases) {
    EXPECT_EQ(FontMetrics::designWidth(c.c, c.bold), c.design) << "character " << int(c.c) << (c.bold ? " bold" : "");
  }
  // Rounding halves up: 'i' (455) at an em of 9 is 1.9995 -> 2; 'A' (1366) at 3 is 2.001 -> 2.
  EXPECT_EQ(FontMetrics::advance('i', 9, false), 2);
  EXPECT_EQ(FontMetrics::advance(' ', 18, false), 5) << "569 * 18 / 2048 = 5.0";
  EXPECT_EQ(FontMetrics::textWidth("mm", 2, 2048, false), 2 * 1706) << "at the design size widths are exact";
  EXPECT_EQ(FontMetrics::emFromCellHeight(2288), 2048);
  EXPECT_EQ(FontMetrics::emFromCellHeight(16), 14);
  EXPECT_EQ(FontMetrics::emFromCellHeight(0), 0);
  TEXTMETRIC tm = FontMetrics::metrics(2048, FW_BOLD, true, false, false);
  EXPECT_EQ(tm.tmAscent, 1854);
  EXPECT_EQ(tm.tmDescent, 434);
  EXPECT_EQ(tm.tmInternalLeading, 2288 - 2048);
  EXPECT_EQ(tm.tmExternalLeading, 67);
  EXPECT_EQ(tm.tmAveCharWidth, 904);
  EXPECT_EQ(tm.tmWeight, FW_BOLD);
  EXPECT_EQ(tm.tmItalic, 1);
}

TEST(RegionDetailsTest, CombinationsAndFillModes) {
  HRGN a = CreateRectRgn(0, 0, 10, 10);
  HRGN b = CreateRectRgn(5, 5, 15, 15);
  HRGN d = CreateRectRgn(0, 0, 0, 0);
  struct Case {
    int mode;
    POINT p;
    bool inside;
  };
  const Case cases[] = {{RGN_AND, {7, 7}, true},  {RGN_AND, {2, 2}, false}, {RGN_OR, {2, 2}, true},
                        {RGN_OR, {12, 12}, true}, {RGN_OR, {12, 2}, false}, {RGN_XOR, {7, 7}, false},
                        {RGN_XOR, {12, 12}, true}, {RGN_DIFF, {2, 2}, true}, {RGN_DIFF, {7, 7}, false},
                        {RGN_COPY, {2, 2}, true}, {RGN_COPY, {12, 12}, false}};
  for (const Case& c : cases) {
    ASSERT_NE(CombineRgn(d, a, b, c.mode), ERROR) << "mode " << c.mode;
    EXPECT_EQ(PtInRegion(d, c.p.x, c.p.y) != 0, c.inside) << "mode " << c.mode << " at " << c.p.x << "," << c.p.y;
  }
  CombineRgn(d, a, b, RGN_AND);
  RECT box;
  EXPECT_EQ(GetRgnBox(d, &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 5);
  EXPECT_EQ(box.right, 10);
  EXPECT_EQ(CombineRgn(d, a, b, 99), ERROR) << "an unknown mode";
  // The centre of a five-pointed star is outside with alternate filling, inside with winding.
  POINT star[5] = {{50, 0}, {80, 95}, {0, 35}, {100, 35}, {20, 95}};
  HRGN alt = CreatePolygonRgn(star, 5, ALTERNATE);
  HRGN wind = CreatePolygonRgn(star, 5, WINDING);
  EXPECT_FALSE(PtInRegion(alt, 50, 50));
  EXPECT_TRUE(PtInRegion(wind, 50, 50));
  EXPECT_TRUE(PtInRegion(alt, 50, 10)) << "a point of the star";
  EXPECT_EQ(CreatePolygonRgn(nullptr, 3, ALTERNATE), nullptr);
  HRGN none = CreatePolygonRgn(star, 1, ALTERNATE);
  EXPECT_EQ(GetRgnBox(none, &box), NULLREGION) << "fewer than three points is empty";
  EXPECT_EQ(PtInRegion(nullptr, 0, 0), FALSE);
  for (HRGN r : {a, b, d, alt, wind, none}) DeleteObject(r);
}

class DcDetailsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WindowManager::instance().reset(400, 300);
    WNDCLASS wc = {};
    wc.lpfnWndProc = DefWindowProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = "Details";
    RegisterClass(&wc);
    hwnd = CreateWindow("Details", "d", WS_VISIBLE, 0, 0, 100, 80, nullptr, nullptr, nullptr, nullptr);
    WindowManager::instance().runUntilIdle();
  }
  void TearDown() override { WindowManager::instance().reset(); }
  const DisplayList& list() { return WindowManager::instance().find(hwnd)->list; }
  std::string last() {
    return TextDumpRenderer::line(list().commands().back(), list().width(), list().height());
  }
  HWND hwnd = nullptr;
};

TEST_F(DcDetailsTest, StaleHandlesAreRefused) {
  HDC dc = GetDC(hwnd);
  ASSERT_TRUE(ReleaseDC(hwnd, dc));
  EXPECT_FALSE(ReleaseDC(hwnd, dc)) << "released twice";
  EXPECT_FALSE(Rectangle(dc, 0, 0, 1, 1));
  EXPECT_EQ(SetMapMode(dc, MM_TEXT), 0);
  EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), nullptr);
  EXPECT_FALSE(TextOut(dc, 0, 0, "x", 1));
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 0);
  HDC live = GetDC(hwnd);
  EXPECT_EQ(SelectObject(live, reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(12345))), nullptr)
      << "an unknown object";
  EXPECT_EQ(SetROP2(live, 99), 0) << "an unknown raster operation";
  EXPECT_EQ(SetBkMode(live, 7), 0);
  EXPECT_EQ(SetMapMode(live, 42), 0);
  EXPECT_FALSE(Polygon(live, nullptr, 3));
  POINT one[1] = {{1, 1}};
  EXPECT_FALSE(Polyline(live, one, 1)) << "a line needs two points";
  HGDIOBJ stockPen = GetStockObject(BLACK_PEN);
  EXPECT_TRUE(DeleteObject(stockPen)) << "deleting a stock object is harmless";
  EXPECT_EQ(GetObjectType(stockPen), static_cast<DWORD>(OBJ_PEN)) << "and it stays";
  LOGPEN lp;
  EXPECT_EQ(GetObject(stockPen, sizeof lp, &lp), static_cast<int>(sizeof lp));
  EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_SOLID));
  // A context outliving its window draws nowhere and does not crash.
  DestroyWindow(hwnd);
  EXPECT_TRUE(Rectangle(live, 0, 0, 5, 5));
  ReleaseDC(nullptr, live);
}

TEST_F(DcDetailsTest, ObjectTypesOfContextsAndObjects) {
  HDC window = GetDC(hwnd);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(window);
  HDC metafile = CreateMetaFile(nullptr);
  HDC printer = CreateDC("PRINTER", nullptr, nullptr, nullptr);
  PAINTSTRUCT ps;
  InvalidateRect(hwnd, nullptr, FALSE);
  HDC paint = BeginPaint(hwnd, &ps);
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  HBRUSH brush = CreateSolidBrush(0);
  HRGN region = CreateRectRgn(0, 0, 1, 1);
  HBITMAP bitmap = CreateCompatibleBitmap(window, 2, 2);
  HDC recording = CreateMetaFile(nullptr);
  HMETAFILE picture = CloseMetaFile(recording);
  struct Case {
    const char* what;
    HGDIOBJ handle;
    DWORD type;
  } cases[] = {
      {"window context", window, OBJ_DC},       {"screen context", screen, OBJ_DC},
      {"paint context", paint, OBJ_DC},         {"printer context", printer, OBJ_DC},
      {"memory context", memory, OBJ_MEMDC},    {"metafile context", metafile, OBJ_METADC},
      {"pen", pen, OBJ_PEN},                    {"brush", brush, OBJ_BRUSH},
      {"region", region, OBJ_REGION},           {"bitmap", bitmap, OBJ_BITMAP},
      {"metafile", picture, OBJ_METAFILE},      {"stock font", GetStockObject(SYSTEM_FONT), OBJ_FONT},
      {"closed metafile context", recording, 0}, {"null", nullptr, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetObjectType(c.handle), c.type)
        << c.what << ": expected " << c.type << ", got " << GetObjectType(c.handle);
  }
  EndPaint(hwnd, &ps);
  EXPECT_EQ(GetObjectType(paint), 0u) << "a paint context ends with EndPaint";
  ReleaseDC(hwnd, window);
  EXPECT_EQ(GetObjectType(window), 0u) << "a released context is unknown";
  ReleaseDC(nullptr, screen);
  DeleteDC(memory);
  DeleteDC(printer);
  DeleteMetaFile(CloseMetaFile(metafile));
  DeleteMetaFile(picture);
  for (HGDIOBJ o : {static_cast<HGDIOBJ>(pen), static_cast<HGDIOBJ>(brush), static_cast<HGDIOBJ>(region),
                    static_cast<HGDIOBJ>(bitmap)})
    DeleteObject(o);
}

TEST_F(DcDetailsTest, PensAndFontsScaleWithTheMapping) {
  HDC dc = GetDC(hwnd);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, 100, 100, nullptr);
  SetViewportExtEx(dc, 150, 150, nullptr);
  struct Case {
    int style, width;
    const char* expected;
  };
  const Case cases[] = {
      {PS_SOLID, 0, "pen solid 1 #000000"},       // a zero width is one pixel
      {PS_SOLID, 3, "pen solid 5 #000000"},       // 4.5 rounds up
      {PS_DOT, 1, "pen solid 2 #000000"},         // wider than one pixel: dots exist only for thin pens
      {PS_DOT, 0, "pen dot 1 #000000"},
      {PS_INSIDEFRAME, 2, "pen insideframe 3 #000000"},
  };
  for (const Case& c : cases) {
    HPEN pen = CreatePen(c.style, c.width, 0);
    HGDIOBJ old = SelectObject(dc, pen);
    Rectangle(dc, 0, 0, 10, 10);
    SelectObject(dc, old);
    DeleteObject(pen);
    EXPECT_NE(last().find(c.expected), std::string::npos) << last();
  }
  // A dotted pen two units wide is solid too.
  HPEN wideDot = CreatePen(PS_DOT, 2, 0);
  SelectObject(dc, wideDot);
  LineTo(dc, 5, 5);
  EXPECT_NE(last().find("pen solid 3"), std::string::npos) << last();
  SelectObject(dc, GetStockObject(BLACK_PEN));
  DeleteObject(wideDot);
  HFONT f = CreateFont(-20, 0, 0, 0, FW_NORMAL, 1, 1, 0, 0, 0, 0, 0, 0, "Arial");
  SelectObject(dc, f);
  TextOut(dc, 0, 0, "a", 1);
  EXPECT_NE(last().find("font Arial 30px 400 italic underline"), std::string::npos) << last();
  HFONT huge = CreateFont(-2000000000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  SelectObject(dc, huge);
  SIZE s;
  EXPECT_TRUE(GetTextExtentPoint32(dc, "a", 1, &s)) << "a huge font is measured at the largest size";
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
  DeleteObject(huge);
  ReleaseDC(hwnd, dc);
}

TEST_F(DcDetailsTest, CurrentPositionTextAndMetafiles) {
  HDC dc = GetDC(hwnd);
  SetTextAlign(dc, TA_UPDATECP);
  MoveToEx(dc, 10, 20, nullptr);
  HFONT f = CreateFont(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  SelectObject(dc, f);
  TextOut(dc, 0, 0, "Hi", 2);  // the position given is ignored
  POINT cp;
  GetCurrentPositionEx(dc, &cp);
  EXPECT_EQ(cp.x, 10 + 18) << "the position moves past the text";
  EXPECT_EQ(cp.y, 20);
  SelectObject(dc, GetStockObject(SYSTEM_FONT));

  HDC meta = CreateMetaFile(nullptr);
  EXPECT_EQ(GetDeviceCaps(meta, TECHNOLOGY), DT_METAFILE);
  Rectangle(meta, 10, 10, 20, 30);
  HMETAFILE mf = CloseMetaFile(meta);
  ASSERT_NE(mf, nullptr);
  EXPECT_FALSE(Rectangle(meta, 0, 0, 1, 1)) << "the metafile context is gone once closed";
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, 1, 1, nullptr);
  SetViewportExtEx(dc, 2, 2, nullptr);
  SetViewportOrgEx(dc, 5, 5, nullptr);
  ASSERT_TRUE(PlayMetaFile(dc, mf));
  // The stock pen has width 0: one pixel at any scale, as Windows plays it.
  EXPECT_EQ(last(), "rectangle (25,25)-(45,65) pen solid 1 #000000 brush solid #FFFFFF rop copy");
  EXPECT_TRUE(DeleteMetaFile(mf));
  EXPECT_FALSE(PlayMetaFile(dc, mf));
  DeleteObject(f);
  ReleaseDC(hwnd, dc);
}

TEST_F(DcDetailsTest, ClippingNarrowsAndRestores) {
  HDC dc = GetDC(hwnd);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, 1, 1, nullptr);
  SetViewportExtEx(dc, 2, 2, nullptr);
  EXPECT_EQ(IntersectClipRect(dc, 5, 5, 20, 30), SIMPLEREGION);
  Rectangle(dc, 0, 0, 40, 40);
  EXPECT_NE(last().find("clip (10,10)-(40,60)"), std::string::npos) << last();
  RECT box;
  GetClipBox(dc, &box);
  EXPECT_EQ(box.right, 20) << "the clip box in logical units";
  EXPECT_EQ(IntersectClipRect(dc, 50, 50, 60, 60), NULLREGION) << "no overlap left";
  HRGN r = CreateEllipticRgn(0, 0, 31, 21);
  EXPECT_EQ(SelectClipRgn(dc, r), COMPLEXREGION);
  Rectangle(dc, 0, 0, 40, 40);
  EXPECT_NE(last().find("clip (0,0)-(30,20) in "), std::string::npos)
      << "a region clips to its own pixels, inside its box: " << last();
  SelectClipRgn(dc, nullptr);
  Rectangle(dc, 0, 0, 40, 40);
  EXPECT_EQ(last().find("clip"), std::string::npos) << "the whole surface again: " << last();
  DeleteObject(r);
  ReleaseDC(hwnd, dc);
}

TEST_F(DcDetailsTest, RasterOperationsPixelByPixel) {
  HDC dc = GetDC(hwnd);
  // Stripes: black on the left half, white on the right.
  RECT left = {0, 0, 50, 80};
  FillRect(dc, &left, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  struct Case {
    int rop;
    COLORREF colour;
    uint32_t onBlack, onWhite;  // 0xRRGGBB
  };
  const Case cases[] = {
      {R2_COPYPEN, RGB(255, 255, 0), 0xFFFF00, 0xFFFF00},
      {R2_NOT, RGB(255, 255, 0), 0xFFFFFF, 0x000000},
      {R2_NOTXORPEN, RGB(255, 255, 0), 0x0000FF, 0xFFFF00},  // ~(dst ^ yellow)
      {R2_NOP, RGB(255, 255, 0), 0x000000, 0xFFFFFF},
      {R2_WHITE, RGB(0, 0, 0), 0xFFFFFF, 0xFFFFFF},
      {R2_BLACK, RGB(255, 255, 255), 0x000000, 0x000000},
  };
  for (const Case& c : cases) {
    HBRUSH brush = CreateSolidBrush(c.colour);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    SetROP2(dc, c.rop);
    Rectangle(dc, 40, 10, 61, 21);
    std::vector<uint32_t> px = CairoRenderer::renderPixels(list());
    ASSERT_EQ(px.size(), 100u * 80u);
    EXPECT_EQ(px[15 * 100 + 45], c.onBlack) << ropName(c.rop) << " on black";
    EXPECT_EQ(px[15 * 100 + 55], c.onWhite) << ropName(c.rop) << " on white";
    // Undo by drawing the stripes again for the next case.
    SetROP2(dc, R2_COPYPEN);
    RECT strip = {40, 10, 50, 21}, strip2 = {50, 10, 61, 21};
    FillRect(dc, &strip, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    FillRect(dc, &strip2, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
  }
  ReleaseDC(hwnd, dc);
}

TEST(SvgDetailsTest, ClipsHatchesDashesAndCharacters) {
  DisplayList l(50, 40);
  DrawCommand c;
  c.op = DrawOp::Rectangle;
  c.rect = {1, 1, 10, 10};
  c.clip = {0, 0, 20, 20};
  c.pen.style = PS_DASH;
  c.brush.style = BS_HATCHED;
  c.brush.hatch = HS_CROSS;
  c.brush.color = RGB(0, 0, 255);
  l.add(c);
  l.add(c);  // the same clip and hatch are defined once
  DrawCommand t;
  t.op = DrawOp::Text;
  t.text = "\xE9\x80 <";
  t.advances = {5, 6, 3, 4};
  t.rect = {2, 20, 20, 32};
  t.baseline = 30;
  t.bkMode = TRANSPARENT;
  t.clip = {0, 0, 50, 40};
  l.add(t);
  DrawCommand n;
  n.op = DrawOp::Ellipse;
  n.rop = R2_NOTXORPEN;
  n.pen.style = PS_NULL;
  n.brush.color = RGB(255, 255, 0);
  n.rect = {0, 0, 10, 10};
  n.clip = {0, 0, 50, 40};
  l.add(n);
  std::string svg = SvgRenderer::render(l);
  auto count = [&svg](const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = svg.find(what); at != std::string::npos; at = svg.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("<clipPath"), 1u) << svg;
  EXPECT_EQ(count("<pattern"), 1u) << svg;
  EXPECT_EQ(count("stroke-dasharray=\"18,6\""), 2u) << svg;
  EXPECT_NE(svg.find("<text x=\"2 7 13 16\" y=\"30\""), std::string::npos) << svg;
  EXPECT_NE(svg.find(">\xC3\xA9\xE2\x82\xAC\xC2\xA0&lt;</text>"), std::string::npos)
      << "e acute, the euro sign, a kept space and an escaped '<': " << svg;
  EXPECT_NE(svg.find("fill=\"#0000FF\" stroke=\"none\" style=\"mix-blend-mode:difference\""), std::string::npos)
      << "not-exclusive-or with yellow subtracts its complement: " << svg;
  EXPECT_NE(svg.find("<ellipse cx=\"4.5\" cy=\"4.5\" rx=\"4.5\" ry=\"4.5\""), std::string::npos)
      << "a figure without a pen fills one pixel less: " << svg;
}

TEST(DisplayListTest, EqualInversionsCancelOnceTheListGrows) {
  DisplayList l(100, 100);
  DrawCommand inv;
  inv.op = DrawOp::Rectangle;
  inv.rop = R2_NOT;
  inv.brush.style = BS_NULL;
  inv.clip = {0, 0, 100, 100};
  DrawCommand copy = inv;
  copy.rop = R2_COPYPEN;
  // A rubber band: each step erases the last outline and draws the next.
  for (int i = 0; i < 20000; ++i) {
    inv.rect = {i % 50, 0, 60, 60};
    l.add(inv);
    l.add(inv);
  }
  EXPECT_LT(l.size(), 5000u) << "the outlines do not pile up";
  l.clear();
  inv.rect = {1, 1, 9, 9};
  l.add(inv);
  l.add(copy);  // a copy between them: the two inversions no longer cancel
  l.add(inv);
  DrawCommand other = inv;
  other.rect = {2, 2, 8, 8};
  l.add(other);
  l.add(inv);  // cancels the inversion after the copy, across `other`
  EXPECT_EQ(l.size(), 5u) << "small lists are left as drawn";
  EXPECT_EQ(l.cancelInversions(), 2u);
  ASSERT_EQ(l.size(), 3u);
  EXPECT_EQ(l.commands()[0].rop, R2_NOT) << "the inversion before the copy stays";
  EXPECT_EQ(l.commands()[1].rop, R2_COPYPEN);
  EXPECT_EQ(l.commands()[2].rect.left, 2);
}

TEST(DisplayListTest, AppendMovesAndClips) {
  DisplayList inner(10, 10);
  DrawCommand c;
  c.op = DrawOp::Polyline;
  c.points = {{0, 0}, {9, 9}};
  c.rect = {0, 0, 9, 9};
  c.clip = {0, 0, 10, 10};
  c.baseline = 3;
  inner.add(c);
  DisplayList outer(100, 100);
  outer.append(inner, 20, 30, {0, 0, 25, 100});
  ASSERT_EQ(outer.size(), 1u);
  const DrawCommand& m = outer.commands()[0];
  EXPECT_EQ(m.points[1].x, 29);
  EXPECT_EQ(m.points[1].y, 39);
  EXPECT_EQ(m.baseline, 33);
  EXPECT_EQ(m.clip.left, 20);
  EXPECT_EQ(m.clip.right, 25) << "clipped to the outer area";
  EXPECT_EQ(m.clip.bottom, 40);
  // A whole-surface copy fill drops what came before; a partial one does not.
  DrawCommand fill;
  fill.op = DrawOp::FillRect;
  fill.brush.style = BS_SOLID;
  fill.rect = {0, 0, 100, 99};
  fill.clip = {0, 0, 100, 100};
  outer.add(fill);
  EXPECT_EQ(outer.size(), 2u);
  fill.rect = {-5, -5, 200, 200};
  fill.rop = R2_NOT;
  outer.add(fill);
  EXPECT_EQ(outer.size(), 3u) << "an inverting fill keeps what is under it";
  fill.rop = R2_COPYPEN;
  outer.add(fill);
  EXPECT_EQ(outer.size(), 1u);
}

}  // namespace
