// The headless host: scripted clicks, double clicks and drags reach a window
// (with capture during the drag and a rubber band drawn by its own modal loop),
// painting and rendering to files, scrolling, and printing into PDF.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/render/cairo_renderer.h"
#include "platform/render/headless_host.h"
#include "platform/owl/t_dc.h"
#include "platform/owl/t_printer.h"
#include "platform/owl/t_scroller.h"
#include "platform/owl/t_window.h"
#include "platform/win/text_dump_renderer.h"
#include "platform/win/window_manager.h"

namespace {

std::string scratchDir() {
  const char* dir = std::getenv("TMPDIR");
  return dir != nullptr ? dir : "/tmp";
}

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// A page-like window: a click toggles a square, a double click records itself,
// a press on the square runs a rubber band loop until the button is released.
class Sketch : public TWindow {
 public:
  explicit Sketch(TWindow* parent) : TWindow(parent, "sketch") {
    Attr.Style = WS_CHILD | WS_VISIBLE;
    Attr.W = 300;
    Attr.H = 200;
  }
  void Paint(TDC& dc, bool, TRect&) override {
    dc.SelectStockObject(selected ? BLACK_BRUSH : WHITE_BRUSH);
    dc.Rectangle(20, 20, 60, 60);
    dc.TextOut(70, 30, "square");
  }
  void EvLButtonDown(UINT, TPoint& p) override {
    if (TRect(20, 20, 60, 60).Contains(p)) rubberBand(p);
  }
  void EvLButtonUp(UINT, TPoint& p) override {
    if (TRect(0, 0, 20, 20).Contains(p)) {
      selected = !selected;
      Invalidate();
    }
  }
  void EvLButtonDblClk(UINT, TPoint& p) override { events.push_back("dbl " + std::to_string(p.x)); }

  void rubberBand(TPoint start) {
    SetCapture();
    TClientDC dc(HWindow);
    dc.SetROP2(R2_NOT);
    TPoint end = start;
    auto line = [&] {
      dc.MoveTo(start);
      dc.LineTo(end);
    };
    line();
    MSG m;
    // Bounded by the script: the loop ends on the release or when input runs out.
    while (GetMessage(&m, nullptr, 0, 0)) {
      if (m.message == WM_MOUSEMOVE) {
        line();
        end = TPoint(GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam));
        line();
        events.push_back("band " + std::to_string(end.x) + (GetCapture() == HWindow ? " captured" : ""));
      } else if (m.message == WM_LBUTTONUP) {
        line();
        events.push_back("band ends " + std::to_string(GET_X_LPARAM(m.lParam)));
        break;
      } else {
        DispatchMessage(&m);
      }
    }
    ReleaseCapture();
  }
  bool selected = false;
  std::vector<std::string> events;
};

TEST(HeadlessHostTest, ScriptedInputReachesTheWindow) {
  HeadlessHost host(800, 600);
  HWND frameH = host.makeTopLevel(320, 220, "Book");
  TWindow frame(frameH);
  Sketch sketch(&frame);
  ASSERT_TRUE(sketch.Create());
  host.run();
  const std::string before = TextDumpRenderer::render(host.picture(nullptr));

  host.click(sketch.HWindow, {5, 5});
  host.doubleClick(sketch.HWindow, {100, 150});
  host.drag(sketch.HWindow, {30, 30}, {400, 30}, 2);  // ends outside the window
  host.run();
  EXPECT_TRUE(sketch.selected);
  std::vector<std::string> expected = {"dbl 100", "band 215 captured", "band 400 captured", "band ends 400"};
  EXPECT_EQ(sketch.events, expected);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(host.pendingSteps(), 0u);
  const std::string after = TextDumpRenderer::render(host.picture(nullptr));
  EXPECT_NE(after, before);
  EXPECT_NE(after.find("rectangle (23,42)-(63,82) pen solid 1 #000000 brush solid #000000"), std::string::npos)
      << "the square drawn black at its place on the screen:\n" << after;

  // The rubber band was drawn and erased: the window's pixels are as they would
  // be without it.
  std::vector<uint32_t> shown = CairoRenderer::renderPixels(host.picture(sketch.HWindow));
  sketch.Invalidate();
  host.run();
  WindowManager::Window* w = WindowManager::instance().find(sketch.HWindow);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(CairoRenderer::renderPixels(host.picture(sketch.HWindow)), shown);
  EXPECT_LT(w->list.size(), 10u) << "a repaint with erasing starts the window's list again";

  for (const char* ext : {".svg", ".png", ".pdf"}) {
    std::string path = scratchDir() + "/host_screen" + ext;
    ASSERT_TRUE(host.render(nullptr, path)) << ext;
    EXPECT_GT(slurp(path).size(), 100u) << ext;
    std::remove(path.c_str());
  }
  EXPECT_FALSE(host.render(nullptr, scratchDir() + "/host_screen.bmp")) << "unknown kind of picture";
}

TEST(HeadlessHostTest, TimersFallDueWhenTheScriptWaits) {
  HeadlessHost host;
  class Ticker : public TWindow {
   public:
    Ticker() : TWindow(nullptr, "ticker") { Attr.W = Attr.H = 50; }
    void EvTimer(UINT id) override { ticks += static_cast<int>(id); }
    int ticks = 0;
  } t;
  ASSERT_TRUE(t.Create());
  t.SetTimer(1, 250);
  host.run();
  EXPECT_EQ(t.ticks, 0);
  host.wait(260);
  host.run();
  EXPECT_EQ(t.ticks, 1);
  host.wait(500);
  host.run();
  EXPECT_EQ(t.ticks, 2) << "a late timer fires once, not once per period missed";
}

class Scrolled : public TWindow {
 public:
  Scrolled() : TWindow(nullptr, "scrolled") {
    Attr.Style = WS_OVERLAPPED | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL;
    Attr.W = 200;
    Attr.H = 150;
    Scroller = new TScroller(this, 20, 20, 10, 5);
  }
  void Paint(TDC& dc, bool, TRect& area) override {
    lastArea = area;
    dc.Rectangle(0, 0, 20, 20);
  }
  TRect lastArea;
};

TEST(HeadlessHostTest, ScrollerMovesTheViewAndTheBars) {
  HeadlessHost host;
  Scrolled s;
  ASSERT_TRUE(s.Create());
  host.run();
  s.Scroller->ScrollTo(3, 99);
  EXPECT_EQ(s.Scroller->XPos, 3);
  EXPECT_EQ(s.Scroller->YPos, 5) << "kept within the range";
  EXPECT_EQ(GetScrollPos(s.HWindow, SB_HORZ), 3);
  host.run();
  EXPECT_EQ(s.lastArea.left, 60) << "the paint area is in scrolled coordinates";
  const DrawCommand& c = WindowManager::instance().find(s.HWindow)->list.commands().back();
  EXPECT_EQ(c.rect.left, -60);
  EXPECT_EQ(c.rect.top, -100);
  s.SendMessage(WM_HSCROLL, SB_LINEUP);
  s.SendMessage(WM_VSCROLL, SB_TOP);
  EXPECT_EQ(s.Scroller->XPos, 2);
  EXPECT_EQ(s.Scroller->YPos, 0);
  // Auto-scroll: the pointer held at the right edge scrolls one line right.
  SetCapture(s.HWindow);
  POINT edge = {s.GetClientRect().right - 1, 40};
  ClientToScreen(s.HWindow, &edge);
  SetCursorPos(edge.x, edge.y);
  EXPECT_TRUE(s.Scroller->AutoScroll());
  EXPECT_EQ(s.Scroller->XPos, 3);
  ReleaseCapture();
}

class TwoPages : public TPrintout {
 public:
  TwoPages() : TPrintout("Two pages") {}
  bool HasPage(int n) override { return n <= 2; }
  void PrintPage(int n, TRect& r, unsigned) override {
    pagesSeen.push_back(n);
    DC->Rectangle(100, 100, r.right - 100, 400);
    DC->TextOut(120, 120, n == 1 ? "first" : "second");
  }
  std::vector<int> pagesSeen;
};

class Endless : public TPrintout {
 public:
  Endless() : TPrintout("endless") {}
  bool HasPage(int) override { return true; }
};

TEST(HeadlessHostTest, PrintingWritesAPdfPerDocument) {
  {
    TPrinter none;
    TwoPages p;
    EXPECT_FALSE(none.Print(nullptr, p, false)) << "no output installed";
    EXPECT_EQ(none.Error, -1);
  }
  HeadlessHost host;
  host.setPrintFolder(scratchDir());
  TPrinter printer;
  TwoPages p;
  ASSERT_TRUE(printer.Print(nullptr, p, true));
  EXPECT_EQ(p.pagesSeen, (std::vector<int>{1, 2}));
  EXPECT_EQ(p.PageSize.cx, 2480) << "an A4 page at 300 pixels per inch";
  ASSERT_EQ(host.printedFiles().size(), 1u);
  std::string pdf = slurp(host.printedFiles()[0]);
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_NE(pdf.find("/Count 2"), std::string::npos);
  EXPECT_NE(pdf.find("595.2"), std::string::npos) << "an A4 page is 595.2 points wide";
  std::remove(host.printedFiles()[0].c_str());
  Endless e;
  ASSERT_TRUE(printer.Print(nullptr, e, false));
  EXPECT_EQ(host.printedFiles().size(), 2u) << "an endless printout stops at the page bound";
  std::remove(host.printedFiles()[1].c_str());
}

}  // namespace
