// A window repainted in part again and again (every step of a drag) keeps a
// bounded picture, and a whole repaint starts its picture afresh.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/owl/t_dc.h"
#include "platform/owl/t_window.h"
#include "platform/render/headless_host.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"

namespace {

TEST(WindowRepaint, AWindowRepaintedInPartKeepsABoundedPicture) {
  HeadlessHost host;
  class Drawn : public TWindow {
   public:
    Drawn() : TWindow(nullptr, "drawn") {
      Attr.W = 400;
      Attr.H = 300;
    }
    void Paint(TDC& dc, bool, TRect&) override {
      ::Rectangle(dc, 10, 10, 60, 40);
      ::Ellipse(dc, 100, 100, 140, 130);
    }
  } w;
  ASSERT_TRUE(w.Create());
  host.run();
  WindowManager& wm = WindowManager::instance();
  std::size_t most = 0;
  for (int i = 0; i < 10000; ++i) {
    RECT step = {i % 300, i % 200, i % 300 + 30, i % 200 + 20};
    InvalidateRect(w.HWindow, &step, TRUE);
    w.UpdateWindow();
    most = std::max(most, wm.find(w.HWindow)->list.size());
  }
  EXPECT_GE(WindowManager::kRepaintWholeAt + 16, most) << "the list's largest size over 10,000 drag steps";
  w.Invalidate(true);
  w.UpdateWindow();
  EXPECT_GE(4u, wm.find(w.HWindow)->list.size()) << "a whole repaint starts the picture afresh";
}

}  // namespace
