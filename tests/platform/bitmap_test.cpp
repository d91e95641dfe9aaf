// Bitmaps: device-independent bitmaps decoded in every format the system's
// pictures come in, memory contexts that draw into a bitmap, BitBlt and
// StretchBlt recorded as images of the source as it was, the ternary raster
// operations exact in PNG pictures, and SVG and PDF that show the images.
#include <gtest/gtest.h>

#include "canvas_test_support.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/render/cairo_renderer.h"
#include "platform/render/svg_renderer.h"
#include "platform/win/bitmap.h"
#include "platform/win/display_list.h"
#include "platform/win/text_dump_renderer.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

// A BITMAPINFO with room for a colour table of 256 entries.
struct Dib {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

Dib dibHeader(int width, int height, int bits) {
  Dib d = {};
  d.header.biSize = sizeof(BITMAPINFOHEADER);
  d.header.biWidth = width;
  d.header.biHeight = height;
  d.header.biPlanes = 1;
  d.header.biBitCount = static_cast<WORD>(bits);
  d.header.biCompression = BI_RGB;
  return d;
}

const BITMAPINFO* info(const Dib& d) { return reinterpret_cast<const BITMAPINFO*>(&d); }

TEST(DibTest, DecodesEveryFormatAndRowOrder) {
  int w = 0, h = 0;
  bool bottomUp = false;
  std::vector<uint32_t> px;
  // 24 bits, bottom-up: the first stored row is the bottom one; rows padded to 4 bytes.
  {
    Dib d = dibHeader(2, 2, 24);
    const unsigned char bits[] = {0, 0, 255, 0, 255, 0, 0, 0,  // bottom: red, green
                                  255, 0, 0, 255, 255, 255, 0, 0};  // top: blue, white
    ASSERT_TRUE(decodeDib(info(d), bits, DIB_RGB_COLORS, &w, &h, &bottomUp, px));
    EXPECT_TRUE(bottomUp);
    EXPECT_EQ(px, (std::vector<uint32_t>{0x0000FF, 0xFFFFFF, 0xFF0000, 0x00FF00}));
  }
  // 32 bits, top-down.
  {
    Dib d = dibHeader(1, -2, 32);
    const unsigned char bits[] = {0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0};
    ASSERT_TRUE(decodeDib(info(d), bits, DIB_RGB_COLORS, &w, &h, &bottomUp, px));
    EXPECT_FALSE(bottomUp);
    EXPECT_EQ(px, (std::vector<uint32_t>{0x302010, 0x605040}));
  }
  // 1 bit with its two colours; 8 pixels in a byte, the first in the high bit.
  {
    Dib d = dibHeader(10, 1, 1);
    d.colours[0] = {0, 0, 0, 0};
    d.colours[1] = {0xFF, 0x80, 0x00, 0};  // blue FF, green 80, red 0
    const unsigned char bits[] = {0xA0, 0x40, 0, 0};
    ASSERT_TRUE(decodeDib(info(d), bits, DIB_RGB_COLORS, &w, &h, &bottomUp, px));
    ASSERT_EQ(w, 10);
    EXPECT_EQ(px[0], 0x0080FFu);
    EXPECT_EQ(px[1], 0u);
    EXPECT_EQ(px[2], 0x0080FFu);
    EXPECT_EQ(px[9], 0x0080FFu);
  }
  // 4 and 8 bits through the table; 16 bits as 5-5-5.
  {
    Dib d = dibHeader(3, 1, 4);
    d.header.biClrUsed = 3;
    d.colours[2] = {1, 2, 3, 0};
    const unsigned char bits[] = {0x20, 0x20, 0, 0};
    ASSERT_TRUE(decodeDib(info(d), bits, DIB_RGB_COLORS, &w, &h, &bottomUp, px));
    EXPECT_EQ(px, (std::vector<uint32_t>{0x030201, 0, 0x030201}));
    Dib e = dibHeader(2, 1, 8);
    e.colours[200] = {9, 8, 7, 0};
    const unsigned char bits8[] = {200, 0, 0, 0};
    ASSERT_TRUE(decodeDib(info(e), bits8, DIB_RGB_COLORS, &w, &h, &bottomUp, px));
    EXPECT_EQ(px[0], 0x070809u);
    Dib f = dibHeader(1, 1, 16);
    const unsigned char bits16[] = {0x1F, 0x7C, 0, 0};  // red 31, green 0, blue 31
    ASSERT_TRUE(decodeDib(info(f), bits16, DIB_RGB_COLORS, &w, &h, &bottomUp, px));
    EXPECT_EQ(px[0], 0xFF00FFu);
  }
  Dib d = dibHeader(2, 2, 24);
  const unsigned char bits[16] = {};
  EXPECT_FALSE(decodeDib(info(d), bits, DIB_PAL_COLORS, &w, &h, &bottomUp, px)) << "palette indices are refused";
  Dib big = dibHeader(20000, 2, 24);
  EXPECT_FALSE(decodeDib(info(big), bits, DIB_RGB_COLORS, &w, &h, &bottomUp, px)) << "wider than a bitmap may be";
  EXPECT_EQ(rop3Name(SRCCOPY), "srccopy");
  EXPECT_EQ(rop3Name(0x00120000), "rop3 0x12");
  EXPECT_EQ(rop2FromRop3(PATINVERT), R2_XORPEN);
  EXPECT_EQ(rop2FromRop3(DSTINVERT), R2_NOT);
  EXPECT_EQ(rop2FromRop3(SRCCOPY), 0) << "SRCCOPY uses the source";
}

class BitmapTest : public CanvasTest {
 protected:
  BitmapTest() : CanvasTest(400, 300, "BitmapCanvas", 100, 80) {}
  std::string last() { return TextDumpRenderer::line(list().commands().back(), 100, 80); }
};

TEST_F(BitmapTest, StretchDibitsDrawsTheDibsPixels) {
  // 3 x 2, bottom-up: bottom row red green blue, top row white black grey.
  Dib d = dibHeader(3, 2, 24);
  const unsigned char bits[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0,
                                255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0};
  EXPECT_EQ(StretchDIBits(hdc, 10, 10, 6, 4, 0, 0, 3, 2, bits, info(d), DIB_RGB_COLORS, SRCCOPY), 2);
  std::vector<uint32_t> px = pixels();
  const uint32_t top[3] = {0xFFFFFF, 0x000000, 0x808080}, bottom[3] = {0xFF0000, 0x00FF00, 0x0000FF};
  for (int i = 0; i < 3; ++i) {
    for (int dx = 0; dx < 2; ++dx) {
      EXPECT_EQ(at(px, 10 + 2 * i + dx, 10), top[i]) << "column " << i;
      EXPECT_EQ(at(px, 10 + 2 * i + dx, 11), top[i]) << "column " << i;
      EXPECT_EQ(at(px, 10 + 2 * i + dx, 12), bottom[i]) << "column " << i;
      EXPECT_EQ(at(px, 10 + 2 * i + dx, 13), bottom[i]) << "column " << i;
    }
  }
  EXPECT_EQ(at(px, 16, 10), 0xFFFFFFu) << "nothing beyond the rectangle";
  // The rectangle (1, 0, 2, 1) of a bottom-up DIB counts from its bottom row: green and blue.
  StretchDIBits(hdc, 40, 40, 2, 1, 1, 0, 2, 1, bits, info(d), DIB_RGB_COLORS, SRCCOPY);
  px = pixels();
  EXPECT_EQ(at(px, 40, 40), 0x00FF00u);
  EXPECT_EQ(at(px, 41, 40), 0x0000FFu);
  EXPECT_NE(last().find("image (40,40)-(42,41) from (1,1)-(3,2) of 3x2 bitmap "), std::string::npos) << last();
}

TEST_F(BitmapTest, MemoryContextsDrawIntoABitmapThatBitBltCopies) {
  HDC mem = CreateCompatibleDC(hdc);
  HBITMAP bmp = CreateCompatibleBitmap(hdc, 40, 30);
  HGDIOBJ oldBmp = SelectObject(mem, bmp);
  ASSERT_NE(oldBmp, nullptr) << "the default bitmap comes back";
  EXPECT_EQ(GetObjectType(oldBmp), static_cast<DWORD>(OBJ_BITMAP));
  BITMAP bm;
  ASSERT_EQ(GetObject(bmp, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 40);
  EXPECT_EQ(bm.bmHeight, 30);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT all = {0, 0, 40, 30};
  FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HGDIOBJ oldBrush = SelectObject(mem, red);
  Rectangle(mem, 5, 5, 20, 15);
  ASSERT_TRUE(BitBlt(hdc, 10, 10, 40, 30, mem, 0, 0, SRCCOPY));
  const std::string first = last();
  EXPECT_EQ(first.rfind("image (10,10)-(50,40) from (0,0)-(40,30) of 40x30 bitmap ", 0), 0u) << first;
  std::vector<uint32_t> px = pixels();
  EXPECT_EQ(at(px, 15, 15), 0x000000u) << "the rectangle's outline, moved by (10, 10)";
  EXPECT_EQ(at(px, 20, 20), 0xFF0000u) << "its fill";
  EXPECT_EQ(at(px, 45, 35), 0xFFFFFFu) << "the bitmap's white";
  // Drawing on after the copy leaves the copy as it was.
  Ellipse(mem, 0, 0, 40, 30);
  EXPECT_EQ(TextDumpRenderer::line(list().commands().back(), 100, 80), first) << "the recorded image is unchanged";
  EXPECT_EQ(pixels(), px);
  ASSERT_TRUE(BitBlt(hdc, 50, 40, 40, 30, mem, 0, 0, SRCCOPY));
  EXPECT_NE(last().substr(last().find("bitmap ")), first.substr(first.find("bitmap "))) << "a new copy shows the ellipse";
  px = pixels();
  EXPECT_EQ(at(px, 70, 55), 0xFF0000u) << "the ellipse's fill in the second copy";
  // One context at a time; not deleted while selected.
  HDC other = CreateCompatibleDC(hdc);
  EXPECT_EQ(SelectObject(other, bmp), nullptr) << "a bitmap is in one context at a time";
  EXPECT_FALSE(DeleteObject(bmp)) << "not while selected";
  EXPECT_EQ(SelectObject(hdc, bmp), nullptr) << "a window's context takes no bitmap";
  SelectObject(mem, oldBrush);
  SelectObject(mem, oldBmp);
  EXPECT_NE(SelectObject(other, bmp), nullptr) << "free again once deselected";
  EXPECT_NE(SelectObject(other, oldBmp), nullptr) << "the default bitmap goes into any memory context";
  EXPECT_NE(SelectObject(mem, oldBmp), nullptr) << "into several at once";
  DeleteDC(other);
  DeleteDC(mem);
  EXPECT_TRUE(DeleteObject(bmp));
  DeleteObject(red);
  EXPECT_EQ(CreateCompatibleBitmap(hdc, 20000, 10), nullptr) << "larger than a bitmap may be";
  EXPECT_EQ(CreateCompatibleBitmap(hdc, 10000, 10000), nullptr) << "more pixels than a bitmap may have";
}

TEST_F(BitmapTest, StretchingMirroringAndCopyingTheScreen) {
  HDC mem = CreateCompatibleDC(hdc);
  // 4 x 1: black, red, green, blue (a 32-bit DIB).
  Dib d = dibHeader(4, 1, 32);
  const unsigned char bits[] = {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
  HBITMAP bmp = CreateDIBitmap(hdc, &d.header, CBM_INIT, bits, info(d), DIB_RGB_COLORS);
  ASSERT_NE(bmp, nullptr);
  HGDIOBJ old = SelectObject(mem, bmp);
  // Stretched three times across, mirrored by a negative width.
  ASSERT_TRUE(StretchBlt(hdc, 0, 0, 12, 2, mem, 0, 0, 4, 1, SRCCOPY));
  ASSERT_TRUE(StretchBlt(hdc, 12, 10, -12, 2, mem, 0, 0, 4, 1, SRCCOPY));
  EXPECT_NE(last().find("mirrored across"), std::string::npos) << last();
  std::vector<uint32_t> px = pixels();
  const uint32_t order[4] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  for (int x = 0; x < 12; ++x) {
    EXPECT_EQ(at(px, x, 1), order[x / 3]) << "stretched, x " << x;
    EXPECT_EQ(at(px, x, 10), order[3 - x / 3]) << "mirrored, x " << x;
  }
  // The window's own pixels as a source: copy the stretched row further down.
  ASSERT_TRUE(BitBlt(hdc, 50, 50, 12, 2, hdc, 0, 0, SRCCOPY));
  px = pixels();
  for (int x = 0; x < 12; ++x) EXPECT_EQ(at(px, 50 + x, 51), order[x / 3]) << "copied from the window, x " << x;
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
}

TEST_F(BitmapTest, TernaryRasterOperationsArePixelExact) {
  // A bitmap of two colours over a destination of two colours.
  HDC mem = CreateCompatibleDC(hdc);
  HBITMAP bmp = CreateCompatibleBitmap(hdc, 2, 1);
  HGDIOBJ old = SelectObject(mem, bmp);
  HBRUSH a = CreateSolidBrush(RGB(0x12, 0x9A, 0xE7)), b = CreateSolidBrush(RGB(0xF0, 0x0F, 0x55));
  RECT left = {0, 0, 1, 1}, right = {1, 0, 2, 1};
  FillRect(mem, &left, a);
  FillRect(mem, &right, b);
  const uint32_t src[2] = {0x129AE7, 0xF00F55};
  const uint32_t dst[2] = {0x3366CC, 0xFFFFFF};
  const uint32_t pattern = 0x80C020;
  HBRUSH pat = CreateSolidBrush(RGB(0x80, 0xC0, 0x20));
  SelectObject(hdc, pat);
  struct Case {
    DWORD rop;
    uint32_t (*f)(uint32_t d, uint32_t s, uint32_t p);
  };
  const Case cases[] = {
      {SRCCOPY, [](uint32_t, uint32_t s, uint32_t) { return s; }},
      {SRCPAINT, [](uint32_t d, uint32_t s, uint32_t) { return s | d; }},
      {SRCAND, [](uint32_t d, uint32_t s, uint32_t) { return s & d; }},
      {SRCINVERT, [](uint32_t d, uint32_t s, uint32_t) { return s ^ d; }},
      {SRCERASE, [](uint32_t d, uint32_t s, uint32_t) { return s & ~d & 0xFFFFFF; }},
      {NOTSRCCOPY, [](uint32_t, uint32_t s, uint32_t) { return ~s & 0xFFFFFF; }},
      {NOTSRCERASE, [](uint32_t d, uint32_t s, uint32_t) { return ~(s | d) & 0xFFFFFF; }},
      {MERGECOPY, [](uint32_t, uint32_t s, uint32_t p) { return s & p; }},
      {MERGEPAINT, [](uint32_t d, uint32_t s, uint32_t) { return (~s | d) & 0xFFFFFF; }},
      {PATPAINT, [](uint32_t d, uint32_t s, uint32_t p) { return (p | ~s | d) & 0xFFFFFF; }},
  };
  int row = 0;
  for (const Case& c : cases) {
    HBRUSH d0 = CreateSolidBrush(RGB(0x33, 0x66, 0xCC));
    RECT r0 = {0, row, 1, row + 1}, r1 = {1, row, 2, row + 1};
    FillRect(hdc, &r0, d0);
    FillRect(hdc, &r1, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DeleteObject(d0);
    ASSERT_TRUE(BitBlt(hdc, 0, row, 2, 1, mem, 0, 0, c.rop));
    ++row;
  }
  std::vector<uint32_t> px = pixels();
  for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    for (int x = 0; x < 2; ++x) {
      EXPECT_EQ(at(px, x, static_cast<int>(i)), cases[i].f(dst[x], src[x], pattern))
          << rop3Name(cases[i].rop) << " at x " << x;
    }
  }
  // Operations without a source are fills with the brush.
  RECT strip = {10, 0, 20, 1};
  FillRect(hdc, &strip, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ASSERT_TRUE(PatBlt(hdc, 10, 0, 10, 1, PATINVERT));
  EXPECT_NE(last().find("rop xorpen"), std::string::npos) << last();
  ASSERT_TRUE(BitBlt(hdc, 10, 0, 5, 1, nullptr, 0, 0, DSTINVERT));
  px = pixels();
  EXPECT_EQ(at(px, 12, 0), 0x80C020u) << "white xor pattern, inverted";
  EXPECT_EQ(at(px, 17, 0), ~0x80C020u & 0xFFFFFF) << "white xor pattern";
  EXPECT_FALSE(PatBlt(hdc, 0, 0, 1, 1, SRCCOPY)) << "PatBlt has no source";
  SelectObject(hdc, GetStockObject(HOLLOW_BRUSH));
  ASSERT_TRUE(PatBlt(hdc, 10, 0, 5, 1, DSTINVERT));
  EXPECT_EQ(pixels()[12], 0x80C020u ^ 0xFFFFFFu) << "DSTINVERT needs no brush";
  ASSERT_TRUE(PatBlt(hdc, 10, 0, 5, 1, PATCOPY));
  EXPECT_EQ(pixels()[12], 0x80C020u ^ 0xFFFFFFu) << "PATCOPY with a hollow brush draws nothing";
  EXPECT_FALSE(BitBlt(hdc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY)) << "SRCCOPY needs one";
  SelectObject(hdc, GetStockObject(WHITE_BRUSH));
  SelectObject(mem, old);
  DeleteDC(mem);
  for (HGDIOBJ o : {static_cast<HGDIOBJ>(bmp), static_cast<HGDIOBJ>(a), static_cast<HGDIOBJ>(b), static_cast<HGDIOBJ>(pat)})
    DeleteObject(o);
}

TEST_F(BitmapTest, SvgAndPdfShowTheImages) {
  Dib d = dibHeader(2, 1, 24);
  const unsigned char bits[] = {0, 0, 255, 255, 0, 0, 0, 0};
  StretchDIBits(hdc, 5, 5, 20, 10, 0, 0, 2, 1, bits, info(d), DIB_RGB_COLORS, SRCCOPY);
  StretchDIBits(hdc, 5, 30, 20, 10, 0, 0, 2, 1, bits, info(d), DIB_RGB_COLORS, SRCINVERT);
  std::string svg = SvgRenderer::render(list());
  EXPECT_NE(svg.find("<image x=\"5\" y=\"5\" width=\"20\" height=\"10\" preserveAspectRatio=\"none\" "
                     "style=\"image-rendering:pixelated\" href=\"data:image/png;base64,iVBORw0KGgo"),
            std::string::npos)
      << svg;
  EXPECT_NE(svg.find("<!-- raster operation srcinvert is approximated by blending -->"), std::string::npos);
  EXPECT_NE(svg.find("style=\"image-rendering:pixelated;mix-blend-mode:difference\""), std::string::npos);
  const char* dir = std::getenv("TMPDIR");
  const std::string pdf = std::string(dir != nullptr ? dir : "/tmp") + "/bitmaps.pdf";
  EXPECT_TRUE(CairoRenderer::writePdf({&list()}, pdf));
  std::remove(pdf.c_str());
}

TEST_F(BitmapTest, DrawingOffScreenAndCopyingStaysBounded) {
  HDC mem = CreateCompatibleDC(hdc);
  HBITMAP bmp = CreateCompatibleBitmap(hdc, 100, 80);
  HGDIOBJ old = SelectObject(mem, bmp);
  RECT all = {0, 0, 100, 80};
  for (int frame = 0; frame < 2000; ++frame) {
    FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    Ellipse(mem, frame % 50, 10, frame % 50 + 30, 40);
    BitBlt(hdc, 0, 0, 100, 80, mem, 0, 0, SRCCOPY);
  }
  EXPECT_EQ(list().size(), 1u) << "each whole-window copy hides the one before";
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
  std::vector<uint32_t> px = pixels();
  EXPECT_EQ(at(px, 1999 % 50 + 15, 25), 0xFFFFFFu) << "the last frame's ellipse, white filled";
  EXPECT_EQ(at(px, 1999 % 50, 25), 0x000000u) << "its outline";
}

TEST_F(BitmapTest, AMetafilesImagePlaysThroughTheMapping) {
  HDC meta = CreateMetaFile(nullptr);
  Dib d = dibHeader(2, 1, 24);
  const unsigned char bits[] = {0, 0, 255, 255, 0, 0, 0, 0};  // red, blue
  StretchDIBits(meta, 0, 0, 20, 10, 0, 0, 2, 1, bits, info(d), DIB_RGB_COLORS, SRCCOPY);
  HMETAFILE mf = CloseMetaFile(meta);
  SetMapMode(hdc, MM_ANISOTROPIC);
  SetWindowExtEx(hdc, 20, 10, nullptr);
  SetViewportExtEx(hdc, -40, 20, nullptr);  // twice the size, turned round across
  SetViewportOrgEx(hdc, 60, 0, nullptr);
  ASSERT_TRUE(PlayMetaFile(hdc, mf));
  EXPECT_NE(last().find("image (20,0)-(60,20) from (0,0)-(2,1) mirrored across"), std::string::npos) << last();
  std::vector<uint32_t> px = pixels();
  EXPECT_EQ(at(px, 25, 5), 0x0000FFu) << "blue comes first when mirrored";
  EXPECT_EQ(at(px, 55, 5), 0xFF0000u);
  DeleteMetaFile(mf);
}

}  // namespace
