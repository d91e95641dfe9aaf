// What the graphics tests share: a plain rectangle shape and a box graphic with
// the hierarchy's behaviour, a page window that holds them, and a fixture that
// shows that window inside a frame on the headless host, with a scripted
// desktop, a recorder of reported messages and helpers to read the window's
// picture.
#ifndef TESTS_GRAPHICS_PAGE_TEST_SUPPORT_H
#define TESTS_GRAPHICS_PAGE_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/g_node_slave.h"
#include "graphics/g_relation.h"
#include "graphics/graphic_window.h"
#include "graphics/line.h"
#include "graphics/sensitive_graphic.h"
#include "graphics/shape.h"
#include "graphics/simple_master.h"
#include "kit/error.h"
#include "platform/render/headless_host.h"

class RectShape : public Shape {
 public:
  explicit RectShape(GraphicWindow* parent, RECT r) : Shape(parent) { setRect(r, nullptr); }
  void drawFigure(HDC hdc) override {
    RECT r = figureRect();
    ::Rectangle(hdc, r.left, r.top, r.right, r.bottom);
  }
};

class Box : public SensitiveGraphic {
 public:
  Box(GraphicWindow* parent, RECT r, LONG id = 0) : SensitiveGraphic(new RectShape(parent, r), id) {}
  void setAutoSize(HDC) override {}
  HMENU createPopup() override {
    HMENU m = ::CreatePopupMenu();
    ::AppendMenu(m, MF_STRING, 501, "&Poke");
    return m;
  }
  void handleMessage(GMessage& msg) override { commands.push_back(msg.keys); }
  RECT where() const {
    RECT r;
    rawRect(r);
    return r;
  }
  std::vector<int> commands;
};

class MasterBox : public Box, public SimpleMaster {
 public:
  using Box::Box;
  int doSetMasterTo(SimpleSlave* s, bool dying) override {
    told.push_back(std::string(s != nullptr ? "slave" : "none") + (dying ? " dying" : ""));
    return SimpleMaster::doSetMasterTo(s, dying);
  }
  std::vector<std::string> told;
};

class SlaveBox : public Box, public GNodeSlave {
 public:
  using Box::Box;
  int doSetSlaveTo(SimpleMaster* m, bool dying) override {
    told.push_back(std::string(m != nullptr ? "master" : "none") + (dying ? " dying" : ""));
    return GNodeSlave::doSetSlaveTo(m, dying);
  }
  std::vector<std::string> told;
};

// A relation that counts the moves of its ends it is told about.
class CountingRelation : public GRelation {
 public:
  using GRelation::GRelation;
  void endMoved(int which, int dx, int dy, HDC hdc) override {
    ++moves;
    GRelation::endMoved(which, dx, dy, hdc);
  }
  int moves = 0;
};

class TestPage : public GraphicWindow {
 public:
  explicit TestPage(TWindow* parent) : TWindow(parent, "Test page"), GraphicWindow(parent, "Test page") {
    Attr.Style = WS_CHILD | WS_VISIBLE;
    Attr.W = 400;
    Attr.H = 300;
    font_ = ::CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    setFont(font_);
  }
  ~TestPage() override {
    destroyAllGraphics();
    ::DeleteObject(font_);
  }
  int isModified() override { return modified; }
  void setModified(int flag) override { modified = flag; }
  int gridSize() override { return grid; }
  int sounds() override { return soundsOn; }

  Box* box(RECT r, LONG id = 0) {
    auto* b = new Box(this, r, id);
    addSNode(b);
    b->invalidate();  // as a page shows a graphic it adds
    return b;
  }

  int modified = 0;
  int grid = 1;
  int soundsOn = 0;

 private:
  HFONT font_;
};

// Records every reported message instead of showing it.
class ReportRecorder : public ErrorHandler {
 public:
  ReportRecorder() { setApplicationHandler(this); }
  ~ReportRecorder() override { setApplicationHandler(nullptr); }
  int handleError(char, const char* text) override {
    reports.emplace_back(text);
    return 0;
  }
  std::vector<std::string> reports;
};

class PageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<HeadlessHost>(800, 600);
    frame = std::make_unique<TWindow>(host->makeTopLevel(400, 300, "Book"));
    page = std::make_unique<TestPage>(frame.get());
    ASSERT_TRUE(page->Create());
    host->run();
  }
  void TearDown() override {
    page.reset();
    frame.reset();
    host.reset();
  }
  HWND hwnd() const { return page->HWindow; }
  // Clicks, drags... then runs until the script is done.
  void click(POINT p, UINT keys = 0) {
    host->click(hwnd(), p, keys);
    host->run();
  }
  void drag(POINT from, POINT to, int steps = 4, UINT keys = 0) {
    host->drag(hwnd(), from, to, steps, keys);
    host->run();
  }
  // The window's display list as text lines, after painting what is due.
  std::vector<std::string> picture();
  std::vector<std::string> sounds() const;
  std::vector<std::string> boxes() const;  // message box texts in order

  std::unique_ptr<HeadlessHost> host;
  std::unique_ptr<TWindow> frame;
  std::unique_ptr<TestPage> page;
};

std::string rectText(const RECT& r);

#endif  // TESTS_GRAPHICS_PAGE_TEST_SUPPORT_H
