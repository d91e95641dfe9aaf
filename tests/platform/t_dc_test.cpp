// The framework's device-context members that the page classes draw with:
// copies between contexts (BitBlt, StretchBlt, PatBlt), region fills and the
// clip region, each recorded as the call it wraps would record it, and the
// memory context that owns its handle and gives its bitmap back when it goes.
#include <gtest/gtest.h>

#include "canvas_test_support.h"

#include <functional>
#include <string>
#include <vector>

#include "platform/owl/t_dc.h"
#include "platform/win/gdi_object_table.h"
#include "platform/win/region.h"

namespace {

class TDCTest : public CanvasTest {
 protected:
  TDCTest() : CanvasTest(400, 300, "TDCCanvas", 100, 80) {}
  void SetUp() override {
    CanvasTest::SetUp();
    red = CreateSolidBrush(RGB(255, 0, 0));
  }
  void TearDown() override {
    DeleteObject(red);
    CanvasTest::TearDown();
  }
  HBRUSH red = nullptr;
};

// "N rectangles": how many rectangles the region's pixels make on the canvas.
std::string rectanglesOf(HRGN region) {
  std::vector<RECT> rects;
  GdiObjectTable::instance().region(region)->rectangles({0, 0, 100, 80}, rects);
  return std::to_string(rects.size()) + " rectangles";
}

TEST_F(TDCTest, MembersRecordWhatTheirCallsRecord) {
  TClientDC dc(hwnd);
  TMemoryDC mem(dc);
  HBITMAP picture = CreateCompatibleBitmap(dc, 20, 10);
  mem.SelectObject(picture);
  mem.SelectObject(red);
  mem.PatBlt(0, 0, 10, 10);  // the left half red, the right half stays black
  HRGN ellipse = CreateEllipticRgn(10, 5, 61, 46);
  struct Case {
    const char* what;
    std::function<bool()> draw;
    std::string expected;  // how the last command's text starts
  } cases[] = {
      {"BitBlt a rectangle from a point", [&] { return dc.BitBlt(TRect(5, 5, 25, 15), mem, TPoint(0, 0)); },
       "image (5,5)-(25,15) from (0,0)-(20,10) of 20x10 bitmap "},
      {"BitBlt by sizes", [&] { return dc.BitBlt(30, 40, 10, 5, mem, 5, 2); },
       "image (30,40)-(40,45) from (5,2)-(15,7) of 20x10 bitmap "},
      {"StretchBlt to twice the size",
       [&] { return dc.StretchBlt(TRect(0, 20, 40, 40), mem, TRect(0, 0, 20, 10)); },
       "image (0,20)-(40,40) from (0,0)-(20,10) of 20x10 bitmap "},
      {"StretchBlt by sizes", [&] { return dc.StretchBlt(50, 50, 10, 20, mem, 0, 0, 20, 10, SRCINVERT); },
       "image (50,50)-(60,70) from (0,0)-(20,10) of 20x10 bitmap "},
      {"FillRgn", [&] { return dc.FillRgn(ellipse, red); },
       "fillrect (10,5)-(60,45) brush solid #FF0000 rop copy clip (10,5)-(60,45) in " + rectanglesOf(ellipse)},
      {"PaintRgn with the selected brush",
       [&] {
         dc.SelectObject(static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
         bool done = dc.PaintRgn(ellipse);
         dc.RestoreBrush();
         return done;
       },
       "fillrect (10,5)-(60,45) brush solid #808080 rop copy clip (10,5)-(60,45) in " + rectanglesOf(ellipse)},
      {"InvertRgn", [&] { return dc.InvertRgn(ellipse); },
       "fillrect (10,5)-(60,45) brush solid #000000 rop not clip (10,5)-(60,45) in " + rectanglesOf(ellipse)},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(c.draw()) << c.what;
    EXPECT_EQ(last().rfind(c.expected, 0), 0u) << c.what << ": expected \"" << c.expected << "...\", got \""
                                                << last() << "\"";
  }
  // The copies carry the memory context's pixels: red, then black.
  dc.BitBlt(TRect(70, 0, 90, 10), mem, TPoint(0, 0));
  const std::vector<uint32_t> px = pixels();
  EXPECT_EQ(at(px, 72, 5), 0xFF0000u) << "expected red from the memory context, got " << std::hex << at(px, 72, 5);
  EXPECT_EQ(at(px, 85, 5), 0x000000u) << "expected the bitmap's black, got " << std::hex << at(px, 85, 5);
  mem.RestoreObjects();
  EXPECT_TRUE(DeleteObject(picture)) << "a bitmap put back is free to go";
  DeleteObject(ellipse);
}

TEST_F(TDCTest, FrameRgnAndTheClipRegion) {
  TClientDC dc(hwnd);
  HRGN square = CreateRectRgn(10, 10, 30, 30);
  ASSERT_TRUE(dc.FrameRgn(square, red, TSize(2, 3)));
  std::vector<uint32_t> px = pixels();
  struct Probe {
    int x, y;
    uint32_t colour;
  } frame[] = {{11, 20, 0xFF0000u}, {12, 20, 0xFFFFFFu}, {20, 12, 0xFF0000u}, {20, 13, 0xFFFFFFu}};
  for (const Probe& p : frame) {
    EXPECT_EQ(at(px, p.x, p.y), p.colour) << "frame 2 across, 3 down at (" << p.x << "," << p.y << "): expected "
                                          << std::hex << p.colour << ", got " << at(px, p.x, p.y);
  }
  HRGN ellipse = CreateEllipticRgn(40, 10, 91, 61);
  EXPECT_EQ(dc.SelectClipRgn(ellipse), COMPLEXREGION);
  dc.FillRect(TRect(0, 0, 100, 80), red);
  EXPECT_EQ(last(), "fillrect (0,0)-(100,80) brush solid #FF0000 rop copy clip (40,10)-(90,60) in " +
                        rectanglesOf(ellipse));
  EXPECT_EQ(dc.SelectClipRgn(nullptr), SIMPLEREGION) << "null gives the whole surface back";
  DeleteObject(square);
  DeleteObject(ellipse);
}

TEST_F(TDCTest, AMemoryContextOwnsItsHandleAndGivesItsBitmapBack) {
  HBITMAP picture = CreateCompatibleBitmap(hdc, 8, 8);
  HDC handle = nullptr;
  {
    TMemoryDC mem(hdc);
    handle = mem;
    EXPECT_EQ(GetObjectType(handle), static_cast<DWORD>(OBJ_MEMDC));
    mem.SelectObject(picture);
    EXPECT_FALSE(DeleteObject(picture)) << "a bitmap in a context stays";
    EXPECT_EQ(mem.SetStretchBltMode(COLORONCOLOR), BLACKONWHITE) << "the mode a context starts with";
  }
  EXPECT_EQ(GetObjectType(handle), 0u) << "the context goes with its object";
  TMemoryDC screenCompatible;
  EXPECT_TRUE(screenCompatible.IsValid()) << "a memory context compatible with the screen";
  TDC window(hdc);
  window.SelectObject(picture);
  EXPECT_TRUE(DeleteObject(picture)) << "a window's context takes no bitmap, so none is kept";
}

}  // namespace
