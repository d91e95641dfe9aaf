// Windows and messages: the tree, creation and destruction messages, the queue's
// order, timers, clicks and double clicks, capture, modal loops and subclassing.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/owl/t_window.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

std::vector<std::string> g_log;

std::string name(UINT m) {
  switch (m) {
    case WM_CREATE: return "create";
    case WM_SIZE: return "size";
    case WM_MOVE: return "move";
    case WM_DESTROY: return "destroy";
    case WM_NCDESTROY: return "ncdestroy";
    case WM_PAINT: return "paint";
    case WM_TIMER: return "timer";
    case WM_LBUTTONDOWN: return "ldown";
    case WM_LBUTTONUP: return "lup";
    case WM_LBUTTONDBLCLK: return "ldbl";
    case WM_MOUSEMOVE: return "move-mouse";
    case WM_USER: return "user";
    case WM_CHAR: return "char";
    default: return "";
  }
}

LRESULT loggingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  std::string n = name(msg);
  if (!n.empty()) {
    char buf[64];
    if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) {
      std::snprintf(buf, sizeof buf, "%s(%d,%d,%u)", n.c_str(), GET_X_LPARAM(lp), GET_Y_LPARAM(lp),
                    static_cast<unsigned>(wp));
      n = buf;
    } else if (msg == WM_TIMER || msg == WM_CHAR) {
      n += "(" + std::to_string(wp) + ")";
    }
    char title[32] = "";
    GetWindowText(hwnd, title, sizeof title);
    g_log.push_back(std::string(title) + ":" + n);
  }
  return DefWindowProc(hwnd, msg, wp, lp);
}

class WindowManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WindowManager::instance().reset(800, 600);
    g_log.clear();
    WNDCLASS wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = loggingProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = "LogDbl";
    RegisterClass(&wc);
    wc.style = 0;
    wc.lpszClassName = "LogPlain";
    RegisterClass(&wc);
  }
  void TearDown() override { WindowManager::instance().reset(); }

  HWND top(const char* title, int x, int y, int w, int h, const char* cls = "LogDbl") {
    return CreateWindow(cls, title, WS_VISIBLE, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
  }
  HWND child(HWND parent, const char* title, int x, int y, int w, int h, int id) {
    return CreateWindow("LogDbl", title, WS_CHILD | WS_VISIBLE, x, y, w, h, parent,
                        reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr, nullptr);
  }
  std::string drain() {
    WindowManager::instance().runUntilIdle();
    std::string s;
    for (const std::string& e : g_log) s += e + " ";
    g_log.clear();
    return s;
  }
};

TEST_F(WindowManagerTest, TreeRectanglesAndCoordinates) {
  HWND a = CreateWindow("LogDbl", "A", WS_VISIBLE | WS_CAPTION | WS_BORDER, 100, 50, 300, 200,
                        nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(a, nullptr);
  HWND b = child(a, "B", 10, 20, 50, 40, 7);
  RECT r;
  ASSERT_TRUE(GetClientRect(a, &r));
  // Caption 19 and a 3-pixel dialog frame on every side.
  EXPECT_EQ(r.right, 300 - 6) << "client width";
  EXPECT_EQ(r.bottom, 200 - 6 - 19) << "client height";
  ASSERT_TRUE(GetWindowRect(b, &r));
  EXPECT_EQ(r.left, 100 + 3 + 10);
  EXPECT_EQ(r.top, 50 + 3 + 19 + 20);
  POINT p = {0, 0};
  ClientToScreen(b, &p);
  EXPECT_EQ(p.x, 113);
  EXPECT_EQ(p.y, 92);
  ScreenToClient(a, &p);
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.y, 20);
  EXPECT_EQ(GetParent(b), a);
  EXPECT_EQ(GetParent(a), nullptr);
  EXPECT_EQ(GetDlgItem(a, 7), b);
  EXPECT_EQ(GetDlgCtrlID(b), 7);
  EXPECT_TRUE(IsChild(a, b));
  EXPECT_EQ(WindowFromPoint({120, 100}), b);
  EXPECT_EQ(WindowFromPoint({101, 51}), a);
}

TEST_F(WindowManagerTest, CreationDestructionAndStaleHandles) {
  HWND a = top("A", 0, 0, 100, 100);
  HWND b = child(a, "B", 0, 0, 10, 10, 1);
  EXPECT_EQ(drain().substr(0, 20), "A:create A:size B:cr");
  DestroyWindow(a);
  // The parent hears WM_DESTROY first, the children's windows go first.
  EXPECT_EQ(drain(), "A:destroy B:destroy B:ncdestroy A:ncdestroy ");
  EXPECT_FALSE(IsWindow(a));
  EXPECT_FALSE(IsWindow(b));
  EXPECT_FALSE(PostMessage(a, WM_USER, 0, 0)) << "posting to a destroyed window must fail";
  HWND c = top("C", 0, 0, 10, 10);
  EXPECT_NE(c, a) << "handles are never reused";
}

TEST_F(WindowManagerTest, QueueOrderPostedThenPaintThenTimer) {
  HWND a = top("A", 0, 0, 100, 100);
  drain();
  SetTimer(a, 5, 10, nullptr);
  WindowManager::instance().advanceClock(20);
  InvalidateRect(a, nullptr, TRUE);
  PostMessage(a, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER);
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_PAINT);
  DispatchMessage(&m);
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_TIMER);
  EXPECT_EQ(m.wParam, 5u);
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) << "the timer is not due again yet";
  // GetMessage waits for the timer by moving the clock, never by blocking.
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_TIMER);
  KillTimer(a, 5);
  EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0)) << "an empty queue with nothing to come is WM_QUIT";
  EXPECT_EQ(m.message, WM_QUIT);
}

TEST_F(WindowManagerTest, PeekFilterLeavesOtherMessages) {
  HWND a = top("A", 0, 0, 100, 100);
  drain();
  PostMessage(a, WM_USER, 1, 0);
  PostMessage(a, WM_CHAR, 'x', 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_CHAR, WM_CHAR, PM_NOREMOVE));
  EXPECT_EQ(m.message, WM_CHAR);
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE));
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER);
  EXPECT_EQ(m.wParam, 1u);
}

// A click, and double clicks within and beyond the double-click time and distance.
TEST_F(WindowManagerTest, DoubleClickSynthesis) {
  struct Case {
    const char* cls;
    DWORD gap;
    int dx;
    const char* expected;
  };
  const Case cases[] = {
      {"LogDbl", 100, 0, "A:ldown(10,10,1) A:lup(10,10,0) A:ldbl(10,10,1) A:lup(10,10,0) "},
      {"LogDbl", 500, 2, "A:ldown(10,10,1) A:lup(10,10,0) A:ldbl(12,10,1) A:lup(12,10,0) "},
      {"LogDbl", 501, 0, "A:ldown(10,10,1) A:lup(10,10,0) A:ldown(10,10,1) A:lup(10,10,0) "},
      {"LogDbl", 100, 3, "A:ldown(10,10,1) A:lup(10,10,0) A:ldown(13,10,1) A:lup(13,10,0) "},
      {"LogPlain", 100, 0, "A:ldown(10,10,1) A:lup(10,10,0) A:ldown(10,10,1) A:lup(10,10,0) "},
  };
  for (const Case& c : cases) {
    SetUp();
    top("A", 0, 0, 100, 100, c.cls);
    drain();
    WindowManager& wm = WindowManager::instance();
    wm.injectMouse(WM_LBUTTONDOWN, {10, 10}, 0);
    wm.injectMouse(WM_LBUTTONUP, {10, 10}, 0);
    wm.advanceClock(c.gap);
    wm.injectMouse(WM_LBUTTONDOWN, {10 + c.dx, 10}, 0);
    wm.injectMouse(WM_LBUTTONUP, {10 + c.dx, 10}, 0);
    EXPECT_EQ(drain(), c.expected) << c.cls << " gap " << c.gap << " dx " << c.dx;
  }
}

TEST_F(WindowManagerTest, CaptureSendsMovesOutsideTheWindowToTheCapturer) {
  HWND a = top("A", 0, 0, 100, 100);
  top("B", 200, 0, 100, 100);
  drain();
  WindowManager& wm = WindowManager::instance();
  wm.injectMouse(WM_MOUSEMOVE, {250, 50}, 0);
  SetCapture(a);
  EXPECT_EQ(GetCapture(), a);
  wm.injectMouse(WM_MOUSEMOVE, {250, 50}, MK_SHIFT);
  ReleaseCapture();
  wm.injectMouse(WM_MOUSEMOVE, {251, 50}, 0);
  EXPECT_EQ(drain(), "B:move-mouse(50,50,0) A:move-mouse(250,50,4) B:move-mouse(51,50,0) ");
}

// A window whose button press runs its own loop until the button is released,
// as resizing and rubber-banding do, fed by scripted input.
LRESULT modalProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_LBUTTONDOWN) {
    SetCapture(hwnd);
    g_log.push_back("loop-start");
    MSG m;
    while (GetMessage(&m, nullptr, 0, 0)) {
      if (m.message == WM_MOUSEMOVE) {
        g_log.push_back("track(" + std::to_string(GET_X_LPARAM(m.lParam)) + ")");
      } else if (m.message == WM_LBUTTONUP) {
        g_log.push_back("released(" + std::to_string(GET_X_LPARAM(m.lParam)) + ")");
        break;
      } else {
        DispatchMessage(&m);
      }
    }
    ReleaseCapture();
    return 0;
  }
  return loggingProc(hwnd, msg, wp, lp);
}

TEST_F(WindowManagerTest, ModalLoopEndsOnScriptedRelease) {
  WNDCLASS wc = {};
  wc.lpfnWndProc = modalProc;
  wc.lpszClassName = "Modal";
  RegisterClass(&wc);
  CreateWindow("Modal", "M", WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  drain();
  WindowManager& wm = WindowManager::instance();
  std::deque<std::function<void()>> script = {
      [&] { wm.injectMouse(WM_LBUTTONDOWN, {10, 10}, 0); },
      [&] { wm.injectMouse(WM_MOUSEMOVE, {20, 10}, MK_LBUTTON); },
      [&] { wm.injectMouse(WM_MOUSEMOVE, {150, 10}, MK_LBUTTON); },
      [&] { wm.injectMouse(WM_LBUTTONUP, {160, 10}, 0); },
      [&] { wm.injectMouse(WM_MOUSEMOVE, {30, 10}, 0); },
  };
  wm.setInputSource([&] {
    if (script.empty()) return false;
    script.front()();
    script.pop_front();
    return true;
  });
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  std::string s;
  for (const std::string& e : g_log) s += e + " ";
  EXPECT_EQ(s, "loop-start track(20) track(150) released(160) M:move-mouse(30,10,0) ");
  EXPECT_EQ(GetCapture(), nullptr);
}

WNDPROC g_saved = nullptr;
LRESULT subclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_USER) {
    g_log.push_back("sub:user");
    return 42;
  }
  return CallWindowProc(g_saved, hwnd, msg, wp, lp);
}

TEST_F(WindowManagerTest, SubclassingKeepsTheSavedProcedure) {
  HWND a = top("A", 0, 0, 10, 10);
  drain();
  g_saved = reinterpret_cast<WNDPROC>(SetWindowLongPtr(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclassProc)));
  EXPECT_EQ(g_saved, loggingProc);
  EXPECT_EQ(SendMessage(a, WM_USER, 0, 0), 42);
  SendMessage(a, WM_CHAR, 'q', 0);
  EXPECT_EQ(drain(), "sub:user A:char(113) ");
}

TEST_F(WindowManagerTest, FocusAndKeys) {
  HWND a = top("A", 0, 0, 100, 100);
  HWND b = child(a, "B", 0, 0, 10, 10, 1);
  drain();
  EXPECT_EQ(GetFocus(), a) << "showing a top-level window activates and focuses it";
  SetFocus(b);
  WindowManager::instance().injectKey('Q', 'q');
  EXPECT_EQ(drain(), "B:char(113) ");
}

TEST_F(WindowManagerTest, InvalidationMergesAndPaintValidates) {
  HWND a = top("A", 0, 0, 100, 100);
  drain();
  RECT r1 = {10, 10, 20, 20}, r2 = {50, 5, 60, 15};
  InvalidateRect(a, &r1, FALSE);
  InvalidateRect(a, &r2, TRUE);
  RECT u;
  ASSERT_TRUE(GetUpdateRect(a, &u, FALSE));
  EXPECT_EQ(u.left, 10);
  EXPECT_EQ(u.top, 5);
  EXPECT_EQ(u.right, 60);
  EXPECT_EQ(u.bottom, 20);
  UpdateWindow(a);
  EXPECT_FALSE(GetUpdateRect(a, &u, FALSE)) << "painting validates the update area";
  EXPECT_EQ(drain(), "A:paint ");
}

TEST_F(WindowManagerTest, MoveWithoutZOrderChangeAndSizeMessage) {
  HWND a = top("A", 0, 0, 100, 100);
  HWND b = top("B", 0, 0, 100, 100);
  drain();
  SetWindowPos(a, nullptr, 5, 6, 50, 60, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(WindowFromPoint({10, 10}), b) << "B stays above A";
  RECT r;
  GetWindowRect(a, &r);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.bottom, 66);
  std::string s = drain();
  EXPECT_NE(s.find("A:size"), std::string::npos) << s;
}

// A framework window: handlers, SetupWindow during creation, destruction order.
class Recorder : public TWindow {
 public:
  explicit Recorder(TWindow* parent) : TWindow(parent, "rec") {}
  void SetupWindow() override {
    TWindow::SetupWindow();
    events.push_back("setup");
  }
  void EvLButtonDown(UINT keys, TPoint& p) override {
    events.push_back("down " + std::to_string(p.x) + "," + std::to_string(p.y) + " " + std::to_string(keys));
  }
  void EvLButtonDblClk(UINT, TPoint&) override { events.push_back("dbl"); }
  LRESULT EvCommand(UINT id, HWND, UINT code) override {
    events.push_back("command " + std::to_string(id) + " " + std::to_string(code));
    return 0;
  }
  void EvTimer(UINT id) override { events.push_back("timer " + std::to_string(id)); }
  std::vector<std::string> events;
};

TEST_F(WindowManagerTest, FrameworkWindowDispatch) {
  Recorder w(nullptr);
  w.Attr.X = 10;
  w.Attr.Y = 10;
  w.Attr.W = 200;
  w.Attr.H = 100;
  w.Attr.Style = WS_VISIBLE;
  ASSERT_TRUE(w.Create());
  EXPECT_EQ(TWindow::GetWindowPtr(w.HWindow), &w);
  WindowManager& wm = WindowManager::instance();
  wm.injectMouse(WM_LBUTTONDOWN, {15, 20}, MK_CONTROL);
  wm.injectMouse(WM_LBUTTONUP, {15, 20}, 0);
  wm.injectMouse(WM_LBUTTONDOWN, {15, 20}, 0);
  w.PostMessage(WM_COMMAND, MAKEWPARAM(201, BN_CLICKED), 0);
  w.SetTimer(3, 100);
  wm.runUntilIdle();
  wm.advanceClock(100);
  wm.runUntilIdle();
  std::vector<std::string> expected = {"setup", "down 5,10 9", "dbl", "command 201 0", "timer 3"};
  EXPECT_EQ(w.events, expected);
  HWND h = w.HWindow;
  w.Destroy();
  EXPECT_EQ(w.HWindow, nullptr);
  EXPECT_FALSE(IsWindow(h));
}

}  // namespace
