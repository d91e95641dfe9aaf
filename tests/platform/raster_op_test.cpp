// Raster operations as Windows defines them: each of the sixteen binary
// operations, for pure and mixed colours over pure and mixed pixels, pixel for
// pixel in the PNG renderer; the recording and the text dump keep the operation
// and the colour; the vector renderers say where they only approximate.
#include <gtest/gtest.h>

#include "canvas_test_support.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/render/cairo_renderer.h"
#include "platform/render/render_style.h"
#include "platform/render/svg_renderer.h"
#include "platform/win/display_list.h"
#include "platform/win/text_dump_renderer.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

// Windows' definitions (the SetROP2 documentation), on 0xRRGGBB values.
uint32_t windowsRop2(int rop, uint32_t d, uint32_t p) {
  const uint32_t m = 0xFFFFFF;
  switch (rop) {
    case R2_BLACK: return 0;
    case R2_NOTMERGEPEN: return ~(p | d) & m;
    case R2_MASKNOTPEN: return (~p & d) & m;
    case R2_NOTCOPYPEN: return ~p & m;
    case R2_MASKPENNOT: return (p & ~d) & m;
    case R2_NOT: return ~d & m;
    case R2_XORPEN: return (p ^ d) & m;
    case R2_NOTMASKPEN: return ~(p & d) & m;
    case R2_MASKPEN: return p & d;
    case R2_NOTXORPEN: return ~(p ^ d) & m;
    case R2_NOP: return d;
    case R2_MERGENOTPEN: return (~p | d) & m;
    case R2_COPYPEN: return p;
    case R2_MERGEPENNOT: return (p | ~d) & m;
    case R2_MERGEPEN: return p | d;
    case R2_WHITE: return m;
  }
  return 0;
}

COLORREF toColorref(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

class RasterOpTest : public CanvasTest {
 protected:
  RasterOpTest() : CanvasTest(400, 300, "RopCanvas", 64, 64) {}
  void fill(const RECT& r, uint32_t rgb) {
    HBRUSH b = CreateSolidBrush(toColorref(rgb));
    FillRect(hdc, &r, b);
    DeleteObject(b);
  }
};

TEST_F(RasterOpTest, EveryOperationEveryColourPixelForPixel) {
  const uint32_t pens[] = {0x000000, 0xFFFFFF, 0xFF0000, 0x3366CC, 0xF0A050};
  const uint32_t dsts[] = {0x000000, 0xFFFFFF, 0x00FFFF, 0x808040, 0x123456};
  int checked = 0;
  for (int rop = R2_BLACK; rop <= R2_WHITE; ++rop) {
    for (uint32_t pen : pens) {
      // A row of stripes, one per destination colour, each 8 pixels wide.
      for (int i = 0; i < 5; ++i) fill({i * 8, 0, i * 8 + 8, 20}, dsts[i]);
      // The fill of a rectangle without a pen, and a 3-pixel outline of the same colour.
      HBRUSH brush = CreateSolidBrush(toColorref(pen));
      HPEN thick = CreatePen(PS_SOLID, 3, toColorref(pen));
      HGDIOBJ oldBrush = SelectObject(hdc, brush);
      HGDIOBJ oldPen = SelectObject(hdc, GetStockObject(NULL_PEN));
      SetROP2(hdc, rop);
      Rectangle(hdc, 0, 2, 41, 9);
      SelectObject(hdc, thick);
      SelectObject(hdc, GetStockObject(HOLLOW_BRUSH));
      MoveToEx(hdc, 0, 15, nullptr);
      LineTo(hdc, 40, 15);
      SetROP2(hdc, R2_COPYPEN);
      SelectObject(hdc, oldPen);
      SelectObject(hdc, oldBrush);
      DeleteObject(brush);
      DeleteObject(thick);
      std::vector<uint32_t> px = pixels();
      for (int i = 0; i < 5; ++i) {
        const uint32_t expected = windowsRop2(rop, dsts[i], pen);
        EXPECT_EQ(at(px, i * 8 + 4, 5), expected)
            << ropName(rop) << " brush " << std::hex << pen << " over " << dsts[i];
        EXPECT_EQ(at(px, i * 8 + 4, 15), expected)
            << ropName(rop) << " pen " << std::hex << pen << " over " << dsts[i];
        EXPECT_EQ(at(px, i * 8 + 4, 11), dsts[i]) << "between the two, the stripe is untouched";
        checked += 2;
      }
    }
  }
  EXPECT_EQ(checked, 16 * 5 * 5 * 2);
}

TEST_F(RasterOpTest, ExclusiveOrLinesOverColours) {
  const uint32_t stripes[] = {0xFF0000, 0x00C000, 0x2040FF, 0xFFFF00};
  for (int i = 0; i < 4; ++i) fill({i * 16, 0, i * 16 + 16, 64}, stripes[i]);
  const std::vector<uint32_t> before = pixels();
  SetROP2(hdc, R2_XORPEN);
  // A black pen leaves the screen as it was.
  HGDIOBJ old = SelectObject(hdc, GetStockObject(BLACK_PEN));
  MoveToEx(hdc, 0, 10, nullptr);
  LineTo(hdc, 64, 10);
  EXPECT_EQ(pixels(), before) << "exclusive-or with black changes no pixel";
  // White inverts; grey flips the high bit of each channel.
  SelectObject(hdc, GetStockObject(WHITE_PEN));
  MoveToEx(hdc, 0, 20, nullptr);
  LineTo(hdc, 64, 20);
  HPEN grey = CreatePen(PS_SOLID, 1, RGB(0x80, 0x80, 0x80));
  SelectObject(hdc, grey);
  MoveToEx(hdc, 0, 30, nullptr);
  LineTo(hdc, 64, 30);
  SetROP2(hdc, R2_NOTXORPEN);
  HPEN odd = CreatePen(PS_SOLID, 1, RGB(0x12, 0x9A, 0xE7));
  SelectObject(hdc, odd);
  MoveToEx(hdc, 0, 40, nullptr);
  LineTo(hdc, 64, 40);
  std::vector<uint32_t> px = pixels();
  for (int i = 0; i < 4; ++i) {
    const int x = i * 16 + 8;
    EXPECT_EQ(at(px, x, 20), ~stripes[i] & 0xFFFFFF) << "white inverts stripe " << i;
    EXPECT_EQ(at(px, x, 30), stripes[i] ^ 0x808080) << "grey over stripe " << i;
    EXPECT_EQ(at(px, x, 40), ~(stripes[i] ^ 0x129AE7) & 0xFFFFFF) << "not exclusive-or over stripe " << i;
  }
  // Drawing each again restores the stripes exactly.
  MoveToEx(hdc, 0, 40, nullptr);
  LineTo(hdc, 64, 40);
  SetROP2(hdc, R2_XORPEN);
  SelectObject(hdc, grey);
  MoveToEx(hdc, 0, 30, nullptr);
  LineTo(hdc, 64, 30);
  SelectObject(hdc, GetStockObject(WHITE_PEN));
  MoveToEx(hdc, 0, 20, nullptr);
  LineTo(hdc, 64, 20);
  EXPECT_EQ(pixels(), before);
  SelectObject(hdc, old);
  DeleteObject(grey);
  DeleteObject(odd);
}

TEST_F(RasterOpTest, TheRecordingKeepsTheOperationAndColour) {
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0x12, 0x9A, 0xE7));
  SelectObject(hdc, pen);
  SetROP2(hdc, R2_NOTXORPEN);
  MoveToEx(hdc, 1, 1, nullptr);
  LineTo(hdc, 30, 1);
  SetROP2(hdc, R2_MERGEPENNOT);
  LineTo(hdc, 30, 9);
  const auto& cmds = list().commands();
  ASSERT_GE(cmds.size(), 2u);
  EXPECT_EQ(TextDumpRenderer::line(cmds[cmds.size() - 2], 64, 64), "polyline [1,1 30,1] pen solid 1 #129AE7 rop notxorpen");
  EXPECT_EQ(TextDumpRenderer::line(cmds.back(), 64, 64), "polyline [30,1 30,9] pen solid 1 #129AE7 rop mergepennot");
  SelectObject(hdc, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
}

TEST(RasterOpVectorTest, VectorRenderersSayWhereTheyApproximate) {
  using render_style::Blend;
  EXPECT_TRUE(render_style::vectorExact(R2_XORPEN, RGB(255, 0, 255)));
  EXPECT_FALSE(render_style::vectorExact(R2_XORPEN, RGB(0x80, 0, 0)));
  EXPECT_TRUE(render_style::vectorExact(R2_NOT, RGB(0x80, 0x12, 0)));
  EXPECT_TRUE(render_style::vectorExact(R2_COPYPEN, RGB(0x80, 0x12, 0)));
  EXPECT_TRUE(render_style::vectorSteps(R2_NOP, 0).empty());
  auto steps = render_style::vectorSteps(R2_NOTMASKPEN, RGB(255, 0, 0));
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[0].blend, Blend::Multiply);
  EXPECT_EQ(steps[1].blend, Blend::Difference);
  // For pure colours the blends are the bitwise operations on every channel value.
  auto blendChannel = [](Blend b, int d, int c) {
    switch (b) {
      case Blend::Difference: return d > c ? d - c : c - d;
      case Blend::Multiply: return d * c / 255;
      case Blend::Screen: return 255 - (255 - d) * (255 - c) / 255;
      default: return c;
    }
  };
  for (int rop = R2_BLACK; rop <= R2_WHITE; ++rop) {
    for (COLORREF pen : {RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 0, 255)}) {
      for (int d : {0, 0x12, 0x80, 0xFF}) {
        int v[3] = {d, d, d};
        for (const render_style::Step& s : render_style::vectorSteps(rop, pen)) {
          const int c[3] = {GetRValue(s.colour), GetGValue(s.colour), GetBValue(s.colour)};
          for (int k = 0; k < 3; ++k) v[k] = blendChannel(s.blend, v[k], c[k]);
        }
        const uint32_t dst = (static_cast<uint32_t>(d) << 16) | (static_cast<uint32_t>(d) << 8) | static_cast<uint32_t>(d);
        const uint32_t p = (static_cast<uint32_t>(GetRValue(pen)) << 16) | (static_cast<uint32_t>(GetGValue(pen)) << 8) |
                           GetBValue(pen);
        const uint32_t expected = windowsRop2(rop, dst, p);
        const uint32_t got = (static_cast<uint32_t>(v[0]) << 16) | (static_cast<uint32_t>(v[1]) << 8) | static_cast<uint32_t>(v[2]);
        EXPECT_EQ(got, expected) << ropName(rop) << " pen " << std::hex << pen << " over " << dst;
      }
    }
  }
  // The SVG writer marks the approximation, and uses the multiply and screen blends.
  DisplayList l(20, 20);
  DrawCommand c;
  c.op = DrawOp::FillRect;
  c.pen.style = PS_NULL;
  c.rect = {0, 0, 10, 10};
  c.clip = {0, 0, 20, 20};
  c.rop = R2_XORPEN;
  c.brush.color = RGB(0x80, 0x40, 0x20);
  l.add(c);
  c.rop = R2_MASKPEN;
  c.brush.color = RGB(255, 0, 0);
  l.add(c);
  c.rop = R2_MERGEPEN;
  l.add(c);
  std::string svg = SvgRenderer::render(l);
  EXPECT_NE(svg.find("<!-- raster operation xorpen with #804020 is approximated by blending -->"), std::string::npos) << svg;
  EXPECT_EQ(svg.find("maskpen with"), std::string::npos) << "a pure colour is exact: " << svg;
  EXPECT_NE(svg.find("fill=\"#FF0000\" stroke=\"none\" style=\"mix-blend-mode:multiply\""), std::string::npos) << svg;
  EXPECT_NE(svg.find("fill=\"#FF0000\" stroke=\"none\" style=\"mix-blend-mode:screen\""), std::string::npos) << svg;
  // PDF pages take every operation.
  const char* dir = std::getenv("TMPDIR");
  const std::string pdf = std::string(dir != nullptr ? dir : "/tmp") + "/raster_ops.pdf";
  EXPECT_TRUE(CairoRenderer::writePdf({&l}, pdf));
  std::remove(pdf.c_str());
}

TEST(RasterOpListTest, ExclusiveOrPairsCancelWhateverTheColour) {
  DisplayList l(100, 100);
  DrawCommand c;
  c.op = DrawOp::Polyline;
  c.points = {{0, 0}, {50, 50}};
  c.clip = {0, 0, 100, 100};
  c.rop = R2_NOTXORPEN;
  c.pen.color = RGB(0x12, 0x34, 0x56);
  l.add(c);
  c.rop = R2_XORPEN;
  c.pen.color = RGB(0x80, 0x80, 0x80);
  l.add(c);
  l.add(c);
  c.rop = R2_NOTXORPEN;
  c.pen.color = RGB(0x12, 0x34, 0x56);
  l.add(c);
  EXPECT_EQ(l.cancelInversions(), 4u) << "each operation is an exclusive-or with a constant";
}

}  // namespace
