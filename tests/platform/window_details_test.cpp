// Window details a caller relies on: the tree refuses cycles, hidden and
// disabled windows get no clicks, scroll bars take room from the client area,
// framework objects and windows outlive each other safely, and the application
// loop ends on WM_QUIT.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/render/headless_host.h"
#include "platform/owl/t_application.h"
#include "platform/owl/t_window.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

std::vector<std::string> g_events;

LRESULT noteProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  char title[16] = "";
  // Only for the messages noted: asking for the text is itself a message.
  if (msg == WM_LBUTTONDOWN || msg == WM_SIZE) GetWindowText(hwnd, title, sizeof title);
  if (msg == WM_LBUTTONDOWN) g_events.push_back(std::string(title) + ":down");
  if (msg == WM_SIZE) g_events.push_back(std::string(title) + ":size " + std::to_string(LOWORD(lp)) + "x" + std::to_string(HIWORD(lp)));
  return DefWindowProc(hwnd, msg, wp, lp);
}

class WindowDetailsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WindowManager::instance().reset(640, 480);
    g_events.clear();
    WNDCLASS wc = {};
    wc.lpfnWndProc = noteProc;
    wc.hCursor = LoadCursor(nullptr, IDC_CROSS);
    wc.lpszClassName = "Note";
    RegisterClass(&wc);
  }
  void TearDown() override { WindowManager::instance().reset(); }
  HWND make(const char* title, DWORD style, int x, int y, int w, int h, HWND parent = nullptr) {
    return CreateWindow("Note", title, style, x, y, w, h, parent, nullptr, nullptr, nullptr);
  }
};

TEST_F(WindowDetailsTest, TreeChangesAndRelations) {
  HWND a = make("A", WS_VISIBLE, 0, 0, 100, 100);
  HWND b = make("B", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, a);
  HWND c = make("C", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, b);
  EXPECT_EQ(SetParent(a, c), nullptr) << "a window cannot go under its own descendant";
  EXPECT_EQ(SetParent(b, b), nullptr);
  EXPECT_EQ(GetWindow(a, GW_CHILD), b);
  HWND d = make("D", WS_CHILD | WS_VISIBLE, 60, 0, 10, 10, a);
  EXPECT_EQ(GetWindow(a, GW_CHILD), d) << "the topmost child first";
  EXPECT_EQ(GetWindow(d, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(SetParent(c, a), b);
  EXPECT_EQ(GetParent(c), a);
  EXPECT_FALSE(CreateWindow("NoSuchClass", "x", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(make("E", WS_CHILD, 0, 0, 1, 1, reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7777))), nullptr)
      << "a child needs a real parent";
  char cls[4];
  EXPECT_EQ(GetClassName(a, cls, sizeof cls), 3);
  EXPECT_STREQ(cls, "Not") << "truncated to the buffer";
  HWND popup = make("P", WS_POPUP | WS_VISIBLE, 5, 5, 10, 10, a);
  EXPECT_EQ(GetParent(popup), nullptr) << "an owned pop-up is still a top-level window";
}

TEST_F(WindowDetailsTest, HiddenAndDisabledWindowsGetNoClicks) {
  HWND a = make("A", WS_VISIBLE, 0, 0, 100, 100);
  HWND b = make("B", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, a);
  WindowManager& wm = WindowManager::instance();
  wm.runUntilIdle();
  ShowWindow(b, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(b));
  EXPECT_EQ(WindowFromPoint({10, 10}), a);
  ShowWindow(b, SW_SHOW);
  EnableWindow(b, FALSE);
  EXPECT_NE(GetWindowLong(b, GWL_STYLE) & WS_DISABLED, 0u) << "a disabled window carries WS_DISABLED";
  wm.injectMouse(WM_LBUTTONDOWN, {10, 10}, 0);
  wm.injectMouse(WM_LBUTTONUP, {10, 10}, 0);
  EnableWindow(b, TRUE);
  wm.advanceClock(1000);
  wm.injectMouse(WM_LBUTTONDOWN, {10, 10}, 0);
  wm.injectMouse(WM_LBUTTONUP, {10, 10}, 0);
  wm.runUntilIdle();
  std::vector<std::string> downs;
  for (const std::string& e : g_events)
    if (e.find(":down") != std::string::npos) downs.push_back(e);
  EXPECT_EQ(downs, std::vector<std::string>{"B:down"}) << "only the enabled window's click arrives";
  EXPECT_EQ(GetKeyState(VK_LBUTTON), 0) << "the button is up again";
}

TEST_F(WindowDetailsTest, ScrollBarsTakeRoomFromTheClientArea) {
  HWND a = make("A", WS_VISIBLE, 0, 0, 200, 100);
  WindowManager::instance().runUntilIdle();
  g_events.clear();
  SetScrollRange(a, SB_VERT, 0, 50, TRUE);
  RECT r;
  GetClientRect(a, &r);
  EXPECT_EQ(r.right, 200 - 16);
  EXPECT_NE(GetWindowLong(a, GWL_STYLE) & WS_VSCROLL, 0);
  SetScrollPos(a, SB_VERT, 80, TRUE);
  EXPECT_EQ(GetScrollPos(a, SB_VERT), 50) << "kept within the range";
  SetScrollRange(a, SB_VERT, 0, 0, TRUE);
  GetClientRect(a, &r);
  EXPECT_EQ(r.right, 200) << "an empty range hides the bar";
  EXPECT_EQ(g_events, (std::vector<std::string>{"A:size 184x100", "A:size 200x100"}));
}

TEST_F(WindowDetailsTest, CursorFromTheClassAndTimerProcedures) {
  HWND a = make("A", WS_VISIBLE, 0, 0, 100, 100);
  WindowManager& wm = WindowManager::instance();
  wm.runUntilIdle();
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  wm.injectMouse(WM_MOUSEMOVE, {5, 5}, 0);
  wm.runUntilIdle();
  EXPECT_STREQ(cursorName(GetCursor()), "cross") << "the class cursor is set on a move";
  EXPECT_EQ(LoadCursor(nullptr, "Hand_Cursor"), nullptr) << "a cursor resource is loaded through the program's module";
  static int fired = 0;
  fired = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) { ++fired; });
  EXPECT_NE(id, 0u);
  wm.advanceClock(100);
  wm.runUntilIdle();
  EXPECT_EQ(fired, 1);
  EXPECT_TRUE(KillTimer(nullptr, id));
  EXPECT_FALSE(KillTimer(nullptr, id)) << "already gone";
  SetTimer(a, 9, 10, nullptr);
  DestroyWindow(a);
  wm.advanceClock(100);
  MSG m;
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) << "a destroyed window's timers go with it";
}

class Counted : public TWindow {
 public:
  explicit Counted(TWindow* parent, int* destroyed) : TWindow(parent, "counted"), destroyed_(destroyed) {
    Attr.W = Attr.H = 20;
  }
  void EvDestroy() override {
    ++*destroyed_;
    TWindow::EvDestroy();
  }
  bool CanClose() override { return allowClose; }
  bool allowClose = false;

 private:
  int* destroyed_;
};

TEST_F(WindowDetailsTest, ObjectsAndWindowsOutliveEachOther) {
  int destroyed = 0;
  auto parent = std::make_unique<Counted>(nullptr, &destroyed);
  auto child = std::make_unique<Counted>(parent.get(), &destroyed);
  ASSERT_TRUE(parent->Create());
  ASSERT_NE(child->HWindow, nullptr);
  HWND childH = child->HWindow;
  child.reset();  // the object goes first: its window goes with it
  EXPECT_FALSE(IsWindow(childH));
  EXPECT_EQ(destroyed, 0) << "the derived object's handlers are gone before its window";
  EXPECT_TRUE(parent->Children().empty());
  auto late = std::make_unique<Counted>(parent.get(), &destroyed);
  late->Create();
  // WM_CLOSE asks CanClose: refused, the window stays.
  parent->SendMessage(WM_CLOSE);
  EXPECT_TRUE(parent->IsWindow());
  parent->allowClose = true;
  parent->SendMessage(WM_CLOSE);
  EXPECT_FALSE(parent->IsWindow());
  EXPECT_EQ(late->HWindow, nullptr) << "the child's window went with its parent's";
  EXPECT_EQ(destroyed, 2) << "parent and child heard WM_DESTROY";
  parent.reset();  // the parent object goes before the child object
  EXPECT_EQ(late->Parent, nullptr);
  late.reset();
}

TEST_F(WindowDetailsTest, AliasAndSubclassedWindows) {
  HWND browser = make("browser", WS_VISIBLE, 0, 0, 100, 100);
  {
    TWindow alias(browser);
    EXPECT_EQ(alias.GetHandle(), browser);
  }
  EXPECT_TRUE(IsWindow(browser)) << "an alias never destroys the window";
  class Hook : public TWindow {
   public:
    void EvLButtonDown(UINT, TPoint&) override { ++presses; }
    int presses = 0;
  };
  WindowManager& wm = WindowManager::instance();
  wm.runUntilIdle();
  {
    Hook hook;
    hook.SubclassWindow(browser);
    EXPECT_EQ(TWindow::GetWindowPtr(browser), &hook);
    wm.injectMouse(WM_LBUTTONDOWN, {5, 5}, 0);
    wm.runUntilIdle();
    EXPECT_EQ(hook.presses, 1);
    EXPECT_TRUE(g_events.empty() || g_events.back() != "browser:down") << "the hook took the press";
    SetWindowText(browser, "renamed");  // unhandled: reaches the window's own procedure
    char t[16];
    GetWindowText(browser, t, sizeof t);
    EXPECT_STREQ(t, "renamed");
  }
  EXPECT_EQ(GetWindowLongPtr(browser, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(noteProc))
      << "the window's own procedure is back when the hook goes";
  EXPECT_TRUE(IsWindow(browser));
}

TEST_F(WindowDetailsTest, ApplicationLoopEndsOnQuit) {
  TApplication app("NPTavixApp");
  class Main : public TWindow {
   public:
    Main() : TWindow(nullptr, "main") { Attr.W = Attr.H = 50; }
    void SetupWindow() override {
      TWindow::SetupWindow();
      PostMessage(WM_USER);
    }
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
      if (msg == WM_USER) PostQuitMessage(7);
      return TWindow::WindowProc(msg, wp, lp);
    }
  } main;
  EXPECT_EQ(app.SetMainWindow(&main), nullptr);
  EXPECT_EQ(app.Run(), 7);
  EXPECT_STREQ(app.GetName(), "NPTavixApp");
  EXPECT_TRUE(main.IsWindow());
}

}  // namespace

namespace {

TEST_F(WindowDetailsTest, WindowCursorAndBackgroundColour) {
  TWindow w(nullptr, "coloured");
  w.Attr.W = 60;
  w.Attr.H = 40;
  w.SetBkgndColor(RGB(0, 0x80, 0));
  EXPECT_TRUE(w.SetCursor(nullptr, IDC_SIZEALL));
  EXPECT_FALSE(w.SetCursor(nullptr, "Expand_Cursor")) << "a resource is found only through the program's module";
  ASSERT_TRUE(w.Create());
  WindowManager& wm = WindowManager::instance();
  wm.runUntilIdle();
  const DisplayList& l = wm.find(w.HWindow)->list;
  ASSERT_FALSE(l.empty());
  EXPECT_EQ(l.commands().front().brush.color, RGB(0, 0x80, 0)) << "erased with the window's colour";
  POINT inside = {10, 10};
  ClientToScreen(w.HWindow, &inside);
  wm.injectMouse(WM_MOUSEMOVE, inside, 0);
  wm.runUntilIdle();
  EXPECT_STREQ(cursorName(GetCursor()), "sizeall");
}

}  // namespace
