// The renderers: pixels where Windows puts them, inverting twice restores every
// pixel, and SVG, PNG and PDF files drawn from the same list.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win/display_list.h"
#include "platform/render/cairo_renderer.h"
#include "platform/render/svg_renderer.h"
#include "platform/win/screen_composer.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string scratch(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/" + name;
}

class RendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WindowManager::instance().reset(640, 480);
    WNDCLASS wc = {};
    wc.lpfnWndProc = DefWindowProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = "Canvas";
    RegisterClass(&wc);
    hwnd = CreateWindow("Canvas", "canvas", WS_VISIBLE, 0, 0, 120, 90, nullptr, nullptr, nullptr, nullptr);
    WindowManager::instance().runUntilIdle();
    hdc = GetDC(hwnd);
  }
  void TearDown() override {
    ReleaseDC(hwnd, hdc);
    WindowManager::instance().reset();
  }
  std::vector<uint32_t> pixels() { return CairoRenderer::renderPixels(ScreenComposer::composeClient(hwnd)); }
  HWND hwnd = nullptr;
  HDC hdc = nullptr;
};

TEST_F(RendererTest, PixelsWhereWindowsPutsThem) {
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  SelectObject(hdc, red);
  Rectangle(hdc, 10, 10, 20, 20);
  SelectObject(hdc, GetStockObject(NULL_PEN));
  Rectangle(hdc, 30, 10, 40, 20);
  std::vector<uint32_t> px = pixels();
  ASSERT_EQ(px.size(), 120u * 90u);
  auto at = [&](int x, int y) { return px[static_cast<std::size_t>(y) * 120 + static_cast<std::size_t>(x)]; };
  struct Case {
    int x, y;
    uint32_t colour;
    const char* what;
  };
  const Case cases[] = {
      {10, 10, 0x000000, "outline top-left"},  {19, 19, 0x000000, "outline bottom-right"},
      {20, 20, 0xFFFFFF, "outside right"},     {15, 15, 0xFF0000, "fill"},
      {11, 11, 0xFF0000, "fill inside outline"},
      {30, 10, 0xFF0000, "no pen: first"},     {38, 18, 0xFF0000, "no pen: last"},
      {39, 19, 0xFFFFFF, "no pen: one less right and bottom"},
  };
  for (const Case& c : cases) EXPECT_EQ(at(c.x, c.y), c.colour) << c.what;
  SelectObject(hdc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
}

TEST_F(RendererTest, InvertingTwiceRestoresEveryPixel) {
  HBRUSH fill = CreateSolidBrush(RGB(0x60, 0x60, 0x60));
  SelectObject(hdc, fill);
  Ellipse(hdc, 5, 5, 70, 50);
  TextOut(hdc, 10, 60, "Abc", 3);
  const std::vector<uint32_t> before = pixels();
  struct Step {
    const char* what;
    void (*draw)(HDC);
  };
  const Step steps[] = {
      {"inverted outline, 3-pixel pen", [](HDC dc) {
         HPEN pen = CreatePen(PS_SOLID, 3, 0);
         HGDIOBJ oldPen = SelectObject(dc, pen);
         HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
         int rop = SetROP2(dc, R2_NOT);
         Rectangle(dc, 3, 3, 60, 40);
         SetROP2(dc, rop);
         SelectObject(dc, oldBrush);
         SelectObject(dc, oldPen);
         DeleteObject(pen);
       }},
      {"exclusive-or dotted ellipse", [](HDC dc) {
         // White: an exclusive-or with black would change nothing.
         HPEN pen = CreatePen(PS_DOT, 0, RGB(255, 255, 255));
         HGDIOBJ oldPen = SelectObject(dc, pen);
         HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
         SetROP2(dc, R2_XORPEN);
         Ellipse(dc, 20, 10, 100, 80);
         SetROP2(dc, R2_COPYPEN);
         SelectObject(dc, oldBrush);
         SelectObject(dc, oldPen);
         DeleteObject(pen);
       }},
      {"focus rectangle", [](HDC dc) {
         RECT r = {8, 8, 90, 70};
         DrawFocusRect(dc, &r);
       }},
      {"inverted filled polygon", [](HDC dc) {
         POINT p[3] = {{0, 0}, {110, 20}, {40, 85}};
         HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
         SetROP2(dc, R2_NOT);
         Polygon(dc, p, 3);
         SetROP2(dc, R2_COPYPEN);
         SelectObject(dc, oldBrush);
       }},
  };
  for (const Step& s : steps) {
    s.draw(hdc);
    std::vector<uint32_t> once = pixels();
    EXPECT_NE(once, before) << s.what << ": drawing once must change the picture";
    s.draw(hdc);
    std::vector<uint32_t> twice = pixels();
    ASSERT_EQ(twice.size(), before.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < twice.size(); ++i) differing += twice[i] != before[i] ? 1 : 0;
    EXPECT_EQ(differing, 0u) << s.what << ": pixels that differ after drawing twice";
  }
  // The PNG files themselves: the picture before and after an outline drawn twice.
  const std::string a = scratch("invert_before.png"), b = scratch("invert_after.png");
  ASSERT_TRUE(CairoRenderer::writePng(ScreenComposer::composeClient(hwnd), a));
  steps[0].draw(hdc);
  steps[0].draw(hdc);
  ASSERT_TRUE(CairoRenderer::writePng(ScreenComposer::composeClient(hwnd), b));
  EXPECT_EQ(slurp(a), slurp(b)) << "the PNG is unchanged byte for byte";
  std::remove(a.c_str());
  std::remove(b.c_str());
  SelectObject(hdc, GetStockObject(WHITE_BRUSH));
  DeleteObject(fill);
}

TEST_F(RendererTest, SvgDrawsTheSameCommands) {
  HFONT f = CreateFont(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  SelectObject(hdc, f);
  SetBkMode(hdc, TRANSPARENT);
  TextOut(hdc, 5, 5, "A&<", 3);
  SetROP2(hdc, R2_NOT);
  Rectangle(hdc, 1, 2, 11, 12);
  RECT clip = {0, 0, 50, 50};
  InvalidateRect(hwnd, &clip, FALSE);
  std::string svg = SvgRenderer::render(ScreenComposer::composeClient(hwnd));
  EXPECT_NE(svg.find("width=\"120\" height=\"90\""), std::string::npos) << svg;
  // Bold "A" and "&" are 1479 units each: 14 pixels at 20.
  EXPECT_NE(svg.find("<text x=\"5 19 33\" y=\"23\""), std::string::npos) << svg;
  EXPECT_NE(svg.find("font-weight=\"bold\""), std::string::npos);
  EXPECT_NE(svg.find(">A&amp;&lt;</text>"), std::string::npos) << "text is escaped";
  EXPECT_NE(svg.find("mix-blend-mode:difference"), std::string::npos) << "inverting draws a difference";
  SelectObject(hdc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST_F(RendererTest, PngAndPdfFiles) {
  Ellipse(hdc, 10, 10, 50, 40);
  DisplayList picture = ScreenComposer::composeClient(hwnd);
  const std::string png = scratch("renderer_test.png");
  const std::string pdf = scratch("renderer_test.pdf");
  ASSERT_TRUE(CairoRenderer::writePng(picture, png));
  std::string bytes = slurp(png);
  ASSERT_GE(bytes.size(), 24u);
  EXPECT_EQ(bytes.substr(1, 3), "PNG");
  // The header's width and height (big-endian at offsets 16 and 20).
  EXPECT_EQ(static_cast<unsigned char>(bytes[19]), 120);
  EXPECT_EQ(static_cast<unsigned char>(bytes[23]), 90);
  ASSERT_TRUE(CairoRenderer::writePdf({&picture, &picture}, pdf));
  std::string doc = slurp(pdf);
  EXPECT_EQ(doc.substr(0, 5), "%PDF-");
  EXPECT_NE(doc.find("/Count 2"), std::string::npos) << "two pages";
  DisplayList empty;
  EXPECT_FALSE(CairoRenderer::writePng(empty, png)) << "an empty surface has no picture";
  DisplayList huge(100000, 10);
  EXPECT_TRUE(CairoRenderer::renderPixels(huge).empty()) << "an oversized surface is refused";
  std::remove(png.c_str());
  std::remove(pdf.c_str());
}

TEST_F(RendererTest, ComposedWindowHasFrameCaptionAndChildren) {
  HWND framed = CreateWindow("Canvas", "Title", WS_VISIBLE | WS_CAPTION, 200, 100, 100, 80, nullptr,
                             nullptr, nullptr, nullptr);
  HWND kid = CreateWindow("Canvas", "", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, framed, nullptr, nullptr, nullptr);
  WindowManager::instance().runUntilIdle();
  HDC k = GetDC(kid);
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  RECT all = {0, 0, 100, 100};
  FillRect(k, &all, blue);
  ReleaseDC(kid, k);
  std::vector<uint32_t> px = CairoRenderer::renderPixels(ScreenComposer::composeScreen());
  ASSERT_EQ(px.size(), 640u * 480u);
  auto at = [&](int x, int y) { return px[static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x)]; };
  EXPECT_EQ(at(250, 110), 0x000080u) << "the active caption";
  EXPECT_EQ(at(200 + 3 + 10, 100 + 3 + 19 + 10), 0x0000FFu) << "the child's first pixel";
  EXPECT_EQ(at(200 + 3 + 30, 100 + 3 + 19 + 10), 0xFFFFFFu) << "the child is clipped to its own area";
  EXPECT_EQ(at(500, 400), 0x008080u) << "the desktop";
  DeleteObject(blue);
}

}  // namespace
