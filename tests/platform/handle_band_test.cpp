// Bounded handles: however many device contexts and drawing objects are taken
// and given back, their handle numbers stay in their kind's band, and when a
// band is full the call fails cleanly (null) instead of running into another
// kind's numbers.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/win/handle_band.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

const uintptr_t kObjectsFirst = 0x40000, kObjectsLast = 0x7FFFC;
const uintptr_t kContextsFirst = 0x80000, kContextsLast = 0xBFFFC;

uintptr_t value(const void* h) { return reinterpret_cast<uintptr_t>(h); }

class HandleBandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WindowManager::instance().reset(200, 100);
    WNDCLASS wc = {};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "BandCanvas";
    RegisterClass(&wc);
    hwnd = CreateWindow("BandCanvas", "b", WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override { WindowManager::instance().reset(); }
  HWND hwnd = nullptr;
};

TEST(HandleBandUnitTest, WrapsRoundSkippingValuesInUse) {
  HandleBand band(0x100, 4);  // 0x100, 0x104, 0x108, 0x10C
  std::set<uintptr_t> used;
  auto inUse = [&used](uintptr_t v) { return used.count(v) != 0; };
  for (uintptr_t expected : {0x100u, 0x104u, 0x108u, 0x10Cu}) {
    uintptr_t v = band.next(inUse);
    EXPECT_EQ(v, expected);
    used.insert(v);
  }
  EXPECT_EQ(band.next(inUse), 0u) << "full";
  used.erase(0x104);
  EXPECT_EQ(band.next(inUse), 0x104u) << "the one freed";
  used.insert(0x104);
  used.erase(0x100);
  used.erase(0x10C);
  EXPECT_EQ(band.next(inUse), 0x10Cu) << "the turn goes on from where it was";
  EXPECT_EQ(band.next(inUse), 0x100u) << "and wraps round";
  EXPECT_TRUE(band.contains(0x10C));
  EXPECT_FALSE(band.contains(0x110));
  EXPECT_FALSE(band.contains(0x102));
}

TEST_F(HandleBandTest, ManyDeviceContextsStayInTheirBand) {
  // Four times round the band, taking and giving back window and memory contexts.
  for (int i = 0; i < 4 * 0x10000; ++i) {
    HDC dc = (i % 2 == 0) ? GetDC(hwnd) : CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr) << "round " << i;
    ASSERT_GE(value(dc), kContextsFirst) << "round " << i;
    ASSERT_LE(value(dc), kContextsLast) << "round " << i;
    if (i % 2 == 0) ReleaseDC(hwnd, dc);
    else DeleteDC(dc);
  }
  // A full band: contexts kept until no handle is left, then the next one fails.
  std::vector<HDC> kept;
  for (;;) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) break;
    ASSERT_LE(value(dc), kContextsLast);
    kept.push_back(dc);
    ASSERT_LE(kept.size(), 0x10000u) << "no more contexts than the band has numbers";
  }
  EXPECT_EQ(kept.size(), 0x10000u) << "every number of the band, and then none";
  EXPECT_EQ(GetDC(hwnd), nullptr) << "fails cleanly";
  EXPECT_EQ(CreateMetaFile(nullptr), nullptr);
  EXPECT_TRUE(DeleteDC(kept.back()));
  HDC again = GetDC(hwnd);
  EXPECT_EQ(again, kept.back()) << "the one number free";
  kept.back() = again;
  for (HDC dc : kept) DeleteDC(dc);
  HDC after = GetDC(hwnd);
  EXPECT_NE(after, nullptr) << "free again";
  ReleaseDC(hwnd, after);
}

TEST_F(HandleBandTest, ManyObjectsStayInTheirBand) {
  HDC dc = GetDC(hwnd);
  for (int i = 0; i < 4 * 0x10000; ++i) {
    HGDIOBJ o = nullptr;
    switch (i % 4) {
      case 0: o = CreatePen(PS_SOLID, 1, 0); break;
      case 1: o = CreateSolidBrush(0); break;
      case 2: o = CreateRectRgn(0, 0, 1, 1); break;
      default: o = CreateCompatibleBitmap(dc, 1, 1); break;
    }
    ASSERT_NE(o, nullptr) << "round " << i;
    ASSERT_GE(value(o), kObjectsFirst) << "round " << i;
    ASSERT_LE(value(o), kObjectsLast) << "round " << i;
    ASSERT_TRUE(DeleteObject(o));
  }
  std::vector<HGDIOBJ> kept;
  std::set<uintptr_t> seen;
  for (;;) {
    HGDIOBJ o = CreateSolidBrush(RGB(1, 2, 3));
    if (o == nullptr) break;
    ASSERT_LE(value(o), kObjectsLast);
    ASSERT_TRUE(seen.insert(value(o)).second) << "a live handle handed out twice";
    kept.push_back(o);
    ASSERT_LE(kept.size(), 0x10000u);
  }
  EXPECT_GT(kept.size(), 0x10000u - 64) << "all but the stock objects' numbers";
  EXPECT_EQ(CreatePen(PS_SOLID, 1, 0), nullptr) << "fails cleanly";
  EXPECT_EQ(CreateEllipticRgn(0, 0, 5, 5), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(dc, 2, 2), nullptr);
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), static_cast<DWORD>(OBJ_PEN)) << "stock objects stay";
  Rectangle(dc, 0, 0, 10, 10);  // drawing goes on with what is selected
  for (HGDIOBJ o : kept) DeleteObject(o);
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  EXPECT_NE(pen, nullptr) << "free again";
  DeleteObject(pen);
  ReleaseDC(hwnd, dc);
}

}  // namespace
