// Services the page windows lean on: command enablers (enable, check, and a lock
// that keeps commands from being carried out), accelerators, idle work, the
// minimised and maximised states and frame painting.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/owl/t_application.h"
#include "platform/owl/t_command_enabler.h"
#include "platform/owl/t_window.h"
#include "platform/render/headless_host.h"
#include "platform/system/desktop.h"
#include "platform/win/menu.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_user.h"

namespace {

// A page-like window: commands 300 and 309 are refused while it is locked
// against changes, 236 is checked while `colour` is on.
class PageLike : public TWindow {
 public:
  PageLike() : TWindow(nullptr, "page") {
    Attr.W = 200;
    Attr.H = 150;
  }
  void EvCommandEnable(TCommandEnabler& ce) override {
    if (ce.GetId() == 300 || ce.GetId() == 309) ce.Enable(!locked);
    if (ce.GetId() == 236) ce.SetCheck(colour ? TCommandEnabler::Checked : TCommandEnabler::Unchecked);
  }
  LRESULT EvCommand(UINT id, HWND, UINT) override {
    done.push_back(id);
    return 0;
  }
  void EvNCPaint() override {
    ++frames;
    DefaultProcessing();
  }
  bool IdleAction(long count) override {
    counts.push_back(count);
    return pendingIdle-- > 0;
  }
  bool locked = false;
  bool colour = false;
  std::vector<UINT> done;
  int frames = 0;
  int pendingIdle = 0;
  std::vector<long> counts;
};

TEST(WindowServices, EnablersGrayCheckAndLockCommands) {
  HeadlessHost host;
  PageLike page;
  ASSERT_TRUE(page.Create());
  HMENU sub = CreatePopupMenu();
  AppendMenu(sub, MF_STRING, 309, "Poster board");
  HMENU m = CreatePopupMenu();
  AppendMenu(m, MF_STRING, 300, "New idea");
  AppendMenu(m, MF_SEPARATOR, 0, nullptr);
  AppendMenu(m, MF_STRING, 236, "Colour");
  AppendMenu(m, MF_POPUP, reinterpret_cast<uintptr_t>(sub), "New");
  AppendMenu(m, MF_STRING, 401, "Open");

  struct Case {
    bool locked;
    bool colour;
    const char* menu;  // as the desktop shows it
    std::vector<UINT> done;  // commands carried out after posting 300, 309, 236, 401
  };
  const Case cases[] = {
      {false, false, "New idea|-|Colour|New{Poster board}|Open", {300, 309, 236, 401}},
      {true, true, "[New idea]|-|*Colour|New{[Poster board]}|Open", {236, 401}},
  };
  for (const Case& c : cases) {
    page.locked = c.locked;
    page.colour = c.colour;
    page.done.clear();
    TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, page.HWindow, nullptr);
    EXPECT_EQ(std::string(c.menu), host.desktop().events().back().text) << "locked " << c.locked;
    EXPECT_EQ(!c.locked, page.IsCommandEnabled(300));
    for (UINT id : {300u, 309u, 236u, 401u}) page.PostMessage(WM_COMMAND, MAKEWPARAM(id, 1), 0);
    host.run();
    EXPECT_EQ(c.done, page.done) << "commands from menus and keys, locked " << c.locked;
  }
  // A control's notification is not asked about.
  page.done.clear();
  page.SendMessage(WM_COMMAND, MAKEWPARAM(300, BN_CLICKED), reinterpret_cast<LPARAM>(page.HWindow));
  EXPECT_EQ(std::vector<UINT>{300}, page.done);
  DestroyMenu(m);
}

TEST(WindowServices, AcceleratorsTurnKeysIntoCommandsForTheWindowAndItsAncestors) {
  HeadlessHost host;
  const ACCEL keys[] = {{FVIRTKEY | FCONTROL, 'S', 101}, {FVIRTKEY, VK_F1, 102}, {0, '+', 103}};
  ASSERT_TRUE(supplyAcceleratorResource("FileCommands", keys, 3));
  EXPECT_FALSE(supplyAcceleratorResource("Empty", keys, 0));
  EXPECT_EQ(nullptr, LoadAccelerators(GetModuleHandle(nullptr), "NoSuchTable"));
  HACCEL t = LoadAccelerators(GetModuleHandle(nullptr), "filecommands");
  ASSERT_NE(nullptr, t);
  EXPECT_EQ(t, LoadAccelerators(GetModuleHandle(nullptr), "FileCommands")) << "loaded once";

  TApplication app("app");
  PageLike page;
  page.Attr.AccelTable = "FileCommands";
  ASSERT_TRUE(page.Create());
  TWindow child(&page, "child");
  child.Attr.W = child.Attr.H = 20;
  ASSERT_TRUE(child.Create());
  child.SetFocus();
  host.run();
  WindowManager& wm = WindowManager::instance();
  struct Case {
    UINT key;
    char ch;
    UINT modifiers;
    std::vector<UINT> done;
    const char* what;
  };
  const Case cases[] = {
      {'S', 's', MK_CONTROL, {101}, "Ctrl+S"},
      {'S', 's', 0, {}, "S alone"},
      {'S', 's', MK_CONTROL | MK_SHIFT, {}, "Ctrl+Shift+S: modifiers must match exactly"},
      {VK_F1, 0, 0, {102}, "F1"},
      {0xBB, '+', MK_SHIFT, {103}, "a character entry"},
  };
  for (const Case& c : cases) {
    page.done.clear();
    wm.injectKey(c.key, c.ch, c.modifiers);
    app.PumpWaitingMessages();
    EXPECT_EQ(c.done, page.done) << c.what;
  }
  EXPECT_FALSE(DestroyAcceleratorTable(t)) << "a loaded resource stays with the program";
  HACCEL own = CreateAcceleratorTable(keys, 1);
  EXPECT_TRUE(DestroyAcceleratorTable(own));
  EXPECT_EQ(nullptr, CreateAcceleratorTable(keys, 5000)) << "too many entries";
}

TEST(WindowServices, IdleWorkRunsWhileNothingWaitsAndAsLongAsItIsWanted) {
  HeadlessHost host;
  TApplication app("app");
  PageLike page;
  app.SetMainWindow(&page);
  ASSERT_TRUE(page.Create());
  host.run();
  page.pendingIdle = 3;
  page.PostMessage(WM_USER);
  PostQuitMessage(0);
  EXPECT_EQ(0, app.Run());
  // The message goes first; the quit arrives before any idle time.
  EXPECT_TRUE(page.counts.empty());
  page.pendingIdle = 3;
  EXPECT_EQ(0, app.Run()) << "nothing can arrive: the loop ends after its idle work";
  EXPECT_EQ((std::vector<long>{0, 1, 2, 3}), page.counts) << "idle until it wants no more";
  page.counts.clear();
  page.pendingIdle = 1000000;
  app.MaxIdleRounds = 40;
  EXPECT_EQ(0, app.Run());
  EXPECT_EQ(40u, page.counts.size())
      << "idle work that always wants more is bounded";
}

TEST(WindowServices, MinimisedAndMaximisedStates) {
  HeadlessHost host(800, 600);
  PageLike frame;
  frame.Attr.X = 10;
  frame.Attr.Y = 20;
  ASSERT_TRUE(frame.Create());
  class Child : public TWindow {
   public:
    explicit Child(TWindow* parent) : TWindow(parent, "child") {
      Attr.Style = WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_THICKFRAME;
      Attr.X = 5;
      Attr.Y = 5;
      Attr.W = 100;
      Attr.H = 80;
    }
    void EvSize(UINT kind, TSize& s) override {
      sizes.push_back(std::to_string(kind) + ":" + std::to_string(s.cx) + "x" + std::to_string(s.cy));
    }
    std::vector<std::string> sizes;
  } child(&frame);
  ASSERT_TRUE(child.Create());
  host.run();
  child.sizes.clear();
  HWND h = child.HWindow;
  RECT client = frame.GetClientRect();
  struct Case {
    int cmd;
    bool iconic;
    bool zoomed;
    RECT rect;  // in the parent's client coordinates
  };
  const Case cases[] = {
      {SW_SHOWMAXIMIZED, false, true, client},
      {SW_MINIMIZE, true, false, {5, 5, 165, 5 + 19 + 8}},
      {SW_RESTORE, false, false, {5, 5, 105, 85}},
      {SW_RESTORE, false, false, {5, 5, 105, 85}},
  };
  for (const Case& c : cases) {
    ShowWindow(h, c.cmd);
    EXPECT_EQ(c.iconic, IsIconic(h) != 0) << c.cmd;
    EXPECT_EQ(c.zoomed, IsZoomed(h) != 0) << c.cmd;
    const RECT& r = WindowManager::instance().find(h)->rect;
    EXPECT_EQ(c.rect.left, r.left) << c.cmd;
    EXPECT_EQ(c.rect.right, r.right) << c.cmd;
    EXPECT_EQ(c.rect.bottom, r.bottom) << c.cmd;
  }
  EXPECT_EQ((std::vector<std::string>{"2:" + std::to_string(client.right - 8) + "x" +
                                           std::to_string(client.bottom - 8 - 19),
                                       "1:152x0", "0:92x53"}),
            child.sizes)
      << "one WM_SIZE per change of state, telling its kind";
  EXPECT_FALSE(IsIconic(nullptr));
}

TEST(WindowServices, FramedWindowsHearWhenTheirFramesNeedPainting) {
  HeadlessHost host;
  PageLike framed;  // overlapped: caption and thick frame
  ASSERT_TRUE(framed.Create());
  host.run();
  EXPECT_EQ(1, framed.frames) << "shown";
  framed.MoveWindow(0, 0, 300, 200, true);
  host.run();
  EXPECT_EQ(2, framed.frames) << "resized";
  PageLike other;
  ASSERT_TRUE(other.Create());
  host.run();
  EXPECT_EQ(3, framed.frames) << "deactivated";
  framed.MoveWindow(50, 50, 300, 200, true);
  host.run();
  EXPECT_EQ(3, framed.frames) << "moved, not resized: the frame is unchanged";

  class Bare : public PageLike {
   public:
    Bare() { Attr.Style = WS_POPUP | WS_VISIBLE; }
  } bare;
  ASSERT_TRUE(bare.Create());
  host.run();
  EXPECT_EQ(0, bare.frames) << "no frame, no frame painting";
}

}  // namespace
