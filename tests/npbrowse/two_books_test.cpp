// Two books side by side in one browser page: a press in either plug-in
// window makes it the main window, so that a symbol opens its page in the
// window that shows it, and not in the one attached last.
#include <gtest/gtest.h>

#include "manager_fixture.h"
#include "graphics/view_node.h"
#include "platform/owl/t_window.h"
#include "plugin/c_plugin_window.h"
#include "plugin/np_plugin.h"

namespace {

const POINT kJupiterOnHome = {146, 328};

class TwoBooksTest : public ManagerFixture {
 protected:
  TwoBooksTest() : ManagerFixture("twobooks") {}
  void TearDown() override {
    NPPlugin::setManager(nullptr);
    ManagerFixture::TearDown();
  }
};

TEST_F(TwoBooksTest, APressMakesItsWindowMainAndASymbolOpensItsPageThere) {
  TWindow frame(nullptr, "Browser");
  frame.Attr.W = 1300;
  frame.Attr.H = 500;
  ASSERT_TRUE(frame.Create());
  NPPlugin::setManager(manager.get());
  CPluginWindow left(&frame, *manager), right(&frame, *manager);
  for (CPluginWindow* w : {&left, &right}) {
    w->Attr.X = w == &left ? 0 : 650;
    w->Attr.W = 640;
    w->Attr.H = 480;
    ASSERT_TRUE(w->Create());
    NPPlugin::makeMain(w);  // attached: the newest is the main window
    ASSERT_NE(w->openBook(book.c_str(), 0, 0x40, true, nullptr), nullptr);
    host->run();
  }
  ASSERT_EQ(manager->mainWindow(), &right);
  ASSERT_NE(left.currentPage(), nullptr);

  host->doubleClick(left.currentPage()->HWindow, kJupiterOnHome);
  host->run();
  EXPECT_EQ(manager->mainWindow(), &left);
  EXPECT_EQ(left.statusText(), "Jupiter");
  EXPECT_EQ(right.statusText(), "The Solar System");

  // A press on the strip, outside the page, makes the other window main.
  host->click(right.HWindow, {5, 475});
  host->run();
  EXPECT_EQ(manager->mainWindow(), &right);
}

}  // namespace
