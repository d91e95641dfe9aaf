// Centring a window and the zoom animation: where the window lands, which
// rectangles the animation draws on the screen, and that the screen is as it was.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "kit/window_helpers.h"
#include "platform/win/display_list.h"
#include "platform/win/screen_composer.h"
#include "platform/owl/t_window.h"
#include "platform/win/text_dump_renderer.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"

namespace {

class WindowHelpersTest : public ::testing::Test {
 protected:
  void SetUp() override { WindowManager::instance().reset(1025, 769); }
  void TearDown() override { WindowManager::instance().reset(); }
};

TEST_F(WindowHelpersTest, CenterWindowUsesTruncatingHalves) {
  struct Case {
    int w, h;
    LONG left, top;
  };
  // Screen centre (512, 384); an odd width 301 has the half 150.
  const Case cases[] = {{300, 200, 362, 284}, {301, 201, 362, 284}, {1025, 769, 0, 0}, {2000, 10, -488, 379}};
  for (const Case& c : cases) {
    TWindow w(nullptr, "centred");
    w.Attr = {WS_OVERLAPPED | WS_VISIBLE, 0, 5, 7, c.w, c.h, 0};
    ASSERT_TRUE(w.Create());
    HWND other = CreateWindow("TavixWindow", "above", WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    centerWindow(&w);
    RECT r = w.GetWindowRect();
    EXPECT_EQ(r.left, c.left) << c.w << "x" << c.h;
    EXPECT_EQ(r.top, c.top) << c.w << "x" << c.h;
    EXPECT_EQ(r.right - r.left, c.w) << "the size is kept";
    EXPECT_EQ(WindowFromPoint({1, 1}), other) << "the Z order is kept";
    DestroyWindow(other);
  }
  centerWindow(nullptr);  // nothing to do, and no crash
}

TEST_F(WindowHelpersTest, AnimateRectDrawsEachStepAndLeavesTheScreen) {
  WindowManager& wm = WindowManager::instance();
  const std::size_t before = wm.screenList().size();
  RECT from = {100, 100, 110, 110};
  RECT to = {0, 0, 301, 201};
  animateRect(from, to, 3);
  std::vector<std::string> rects;
  for (std::size_t i = before; i < wm.screenList().size(); ++i) {
    const DrawCommand& c = wm.screenList().commands()[i];
    EXPECT_EQ(c.rop, R2_NOT);
    EXPECT_EQ(c.brush.style, BS_NULL);
    EXPECT_EQ(c.pen.width, 3);
    rects.push_back(std::to_string(c.rect.left) + "," + std::to_string(c.rect.top) + "," +
                    std::to_string(c.rect.right) + "," + std::to_string(c.rect.bottom));
  }
  // Steps of (-33.33, -33.33, 63.67, 30.33), truncated.
  const std::vector<std::string> expected = {
      "100,100,110,110",                       // from
      "66,66,173,140",   "100,100,110,110",    // step 1, erase from
      "33,33,237,170",   "66,66,173,140",      // step 2, erase step 1
      "0,0,301,201",     "33,33,237,170",      // step 3, erase step 2
      "0,0,301,201"};                          // erase the last
  EXPECT_EQ(rects, expected);
  // Each rectangle is drawn an even number of times: the screen is unchanged.
  std::map<std::string, int> counts;
  for (const std::string& r : rects) counts[r]++;
  for (const auto& entry : counts) EXPECT_EQ(entry.second % 2, 0) << entry.first;
  const std::size_t afterFirst = wm.screenList().size();
  animateRect(from, to, 0);
  EXPECT_EQ(wm.screenList().size(), afterFirst) << "no steps, nothing drawn";
}

TEST_F(WindowHelpersTest, AnimateRectTowardAWindow) {
  TWindow w(nullptr, "target");
  w.Attr = {WS_OVERLAPPED | WS_VISIBLE, 0, 40, 50, 200, 100, 0};
  ASSERT_TRUE(w.Create());
  WindowManager& wm = WindowManager::instance();
  const std::size_t before = wm.screenList().size();
  RECT from = {0, 0, 2, 2};
  animateRect(from, &w, 2);
  ASSERT_EQ(wm.screenList().size(), before + 6);
  const RECT& last = wm.screenList().commands().back().rect;
  EXPECT_EQ(last.left, 40);
  EXPECT_EQ(last.top, 50);
  EXPECT_EQ(last.right, 240);
  EXPECT_EQ(last.bottom, 150);
}

}  // namespace
