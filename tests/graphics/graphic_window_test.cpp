// A page used as a person uses it, through the headless host: clicks,
// control-clicks, drags of one graphic and of a selection, drops on the grid,
// resizes by the handles, and what the window paints afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "page_test_support.h"
#include "platform/owl/t_scroller.h"

namespace {

bool has(const std::vector<std::string>& lines, const std::string& part) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

TEST_F(PageTest, ClicksSelectAndControlClicksKeepTheOthers) {
  Box* a = page->box({20, 20, 80, 60});
  Box* b = page->box({120, 20, 180, 60});
  page->soundsOn = 1;
  click({50, 40});
  EXPECT_TRUE(a->isSelected());
  click({150, 40});
  EXPECT_FALSE(a->isSelected()) << "a plain click deselects the others";
  EXPECT_TRUE(b->isSelected());
  click({50, 40}, MK_CONTROL);
  EXPECT_TRUE(a->isSelected());
  EXPECT_TRUE(b->isSelected()) << "with the control key the others stay selected";
  click({150, 40}, MK_CONTROL);
  EXPECT_FALSE(b->isSelected()) << "a second click deselects";
  EXPECT_EQ(page->modified, 0);
  const std::vector<std::string> played = sounds();
  EXPECT_EQ(std::count(played.begin(), played.end(), "NXSELECT.WAV"), 3);
  EXPECT_EQ(std::count(played.begin(), played.end(), "NXDESEL.WAV"), 1);
  page->soundsOn = 0;
  host->desktop().clear();
  click({250, 200});
  click({50, 40});
  EXPECT_TRUE(sounds().empty()) << "no sounds when the window's option is off";
}

TEST_F(PageTest, DragsOfTwoUnitsOrLessLeaveThePageUnmodified) {
  struct Case {
    int dx, dy;
    int modified;
  } cases[] = {{2, 2, 0}, {-2, 1, 0}, {3, 0, 1}, {0, -3, 1}, {40, 25, 1}};
  for (const Case& c : cases) {
    page->destroyAllGraphics();
    page->modified = 0;
    Box* b = page->box({100, 100, 140, 130});
    drag({120, 115}, {120 + c.dx, 115 + c.dy});
    const RECT r = b->where();
    EXPECT_EQ(r.left, 100 + c.dx) << c.dx << "," << c.dy;
    EXPECT_EQ(r.top, 100 + c.dy) << c.dx << "," << c.dy;
    EXPECT_EQ(page->modified, c.modified) << c.dx << "," << c.dy;
    EXPECT_FALSE(b->isSelected()) << "a drag is no click";
    EXPECT_EQ(b->state() & (Graphic::MouseDown | Graphic::Dragging | Graphic::Busy | Graphic::FastPaint), 0u);
  }
}

TEST_F(PageTest, DraggingOneOfASelectionMovesAllOfIt) {
  Box* a = page->box({20, 20, 60, 50});
  Box* b = page->box({200, 20, 240, 50});
  Box* c = page->box({20, 200, 60, 230});
  auto* ab = new CountingRelation(a, b, new Line(page.get()));
  auto* ac = new CountingRelation(a, c, new Line(page.get()));
  page->addNode(ab);
  page->addNode(ac);
  click({40, 35});
  click({220, 35}, MK_CONTROL);
  drag({40, 35}, {70, 75});
  EXPECT_EQ(rectText(a->where()), "(50,60)-(90,90)");
  EXPECT_EQ(rectText(b->where()), "(230,60)-(270,90)") << "moved by the same distance";
  EXPECT_EQ(rectText(c->where()), "(20,200)-(60,230)");
  EXPECT_EQ(ab->moves, 0) << "both ends selected: not asked to adjust";
  EXPECT_GE(ac->moves, 1);
  RECT line;
  ac->rect(line);
  EXPECT_EQ(line.top, 90 - Line::Outset) << "the relation to the graphic left behind follows the drop";
  EXPECT_TRUE(a->isSelected() && b->isSelected());
}

TEST_F(PageTest, DropsSnapCentresToTheGrid) {
  page->grid = 10;
  struct Snap {
    int in, out;
  } snaps[] = {{0, 5}, {9, 5}, {10, 15}, {12, 15}, {19, 15}, {27, 25}, {-3, -5}};
  for (const Snap& s : snaps) {
    int x = s.in, y = s.in;
    page->snapToGrid(x, y);
    EXPECT_EQ(x, s.out) << s.in;
  }
  Box* b = page->box({100, 100, 110, 110});
  drag({105, 105}, {12, 27}, 6);  // pressed at the centre: the centre follows the mouse
  const RECT r = b->where();
  EXPECT_EQ((r.left + r.right) / 2, 15);
  EXPECT_EQ((r.top + r.bottom) / 2, 25);
}

TEST_F(PageTest, ResizeKeepsTheHandleSizeAndHonoursTheLocks) {
  struct Case {
    DWORD flags;
    POINT press, release;
    int steps;
    UINT keys;
    const char* expected;
    int modified;
  } cases[] = {
      // The bottom-right handle reaches the rectangle's own right and bottom edges.
      {0, {140, 130}, {107, 130}, 1, 0, "(100,100)-(140,130)", 0},  // width 7: refused
      {0, {140, 130}, {108, 130}, 1, 0, "(100,100)-(108,130)", 1},  // width 8: accepted
      {0, {140, 130}, {107, 130}, 2, 0, "(100,100)-(124,130)", 1},  // only the step to 7 is ignored
      {0, {101, 101}, {60, 90}, 4, 0, "(60,90)-(140,130)", 1},      // top-left corner
      {0, {140, 130}, {200, 140}, 4, MK_SHIFT, "(100,100)-(200,200)", 1},    // kept square
      {0, {140, 130}, {220, 140}, 4, MK_CONTROL, "(100,100)-(220,190)", 1},  // kept 4:3
      {0, {138, 115}, {160, 150}, 4, 0, "(100,100)-(160,130)", 1},  // right middle: width only
      {Graphic::NoEdgeResize, {140, 130}, {150, 140}, 4, 0, "(100,100)-(150,140)", 1},
      {Graphic::NoResize, {140, 130}, {150, 140}, 4, 0, "(110,110)-(150,140)", 1},  // a drag instead
  };
  for (const Case& c : cases) {
    page->destroyAllGraphics();
    page->modified = 0;
    Box* b = page->box({100, 100, 140, 130});
    b->setState(c.flags);
    click({120, 105});
    ASSERT_TRUE(b->isSelected());
    drag(c.press, c.release, c.steps, c.keys);
    EXPECT_EQ(rectText(b->where()), c.expected) << "flags " << c.flags << " keys " << c.keys;
    EXPECT_EQ(page->modified, c.modified) << c.expected;
    EXPECT_EQ(GetCapture(), nullptr);
    if (c.flags == 0 && c.modified) {
      EXPECT_TRUE(b->state() & Graphic::FixedSize);
    }
  }
  // With NoEdgeResize a mid-edge handle starts no resize: the press drags instead.
  page->destroyAllGraphics();
  Box* b = page->box({100, 100, 140, 130});
  b->setState(Graphic::NoEdgeResize);
  click({120, 105});
  drag({138, 115}, {148, 125});
  EXPECT_EQ(rectText(b->where()), "(110,110)-(150,140)");
  EXPECT_EQ(b->getCursor({139, 115}), LoadCursor(nullptr, IDC_UPARROW)) << "no sizing cursor there";
  EXPECT_EQ(b->getCursor({149, 139}), LoadCursor(nullptr, IDC_SIZENWSE));
}

TEST_F(PageTest, LayersPaintLowestFirstAndHitHighestFirst) {
  Box* low = page->box({20, 20, 120, 120});
  Box* top = page->box({60, 60, 160, 160});
  Box* hidden = page->box({100, 100, 200, 200});
  low->setLayer(0x90);
  top->setLayer(0x60);
  hidden->setLayer(0xFF);
  page->Invalidate(true);
  const std::vector<std::string> lines = picture();
  std::vector<std::string> rects;
  for (const std::string& l : lines) {
    if (l.rfind("rectangle", 0) == 0) rects.push_back(l.substr(0, l.find(" pen")));
  }
  EXPECT_EQ(rects, (std::vector<std::string>{"rectangle (60,60)-(160,160)", "rectangle (20,20)-(120,120)"}))
      << "layer 0x60 first, then 0x90; layer 0xFF never";
  click({110, 110});
  EXPECT_TRUE(hidden->isSelected()) << "layer 0xFF is hit first";
  click({70, 70});
  EXPECT_TRUE(low->isSelected()) << "then 0x90 above 0x60";
  page->bringToFront(top);
  top->setLayer(0x90);
  click({70, 70});
  EXPECT_TRUE(top->isSelected()) << "within a layer the end of the list is hit first";
}

TEST_F(PageTest, SelectedGraphicsShowTheirHandles) {
  Box* plain = page->box({20, 20, 80, 60});
  Box* locked = page->box({120, 20, 180, 60});
  locked->setState(Graphic::NoEdgeResize);
  plain->setSelected(1, 1);
  locked->setSelected(1, 1);
  const std::vector<std::string> lines = picture();
  EXPECT_TRUE(has(lines, "rectangle (20,20)-(28,28) pen insideframe 1 #000000 brush solid #00FF00"));
  EXPECT_TRUE(has(lines, "rectangle (46,20)-(54,28) pen insideframe 1 #000000 brush solid #00FF00"));
  EXPECT_TRUE(has(lines, "rectangle (120,20)-(128,28) pen insideframe 1 #000000 brush solid #00FF00"));
  EXPECT_TRUE(has(lines, "rectangle (146,20)-(154,28) pen insideframe 1 #000000 brush hollow"))
      << "mid-edge handles hollow with NoEdgeResize";
}

TEST_F(PageTest, RubberBandRunsItsOwnLoopAndAutoScrolls) {
  Box* from = page->box({20, 20, 60, 60});
  Box* to = page->box({200, 150, 260, 200});
  page->box({900, 900, 950, 950});  // a page larger than the window
  page->updateScrollBars(1);
  page->soundsOn = 1;
  host->move(hwnd(), {100, 100}, MK_LBUTTON);
  host->move(hwnd(), {230, 175}, MK_LBUTTON);
  host->release(hwnd(), {230, 175});
  EXPECT_EQ(from->rubberBand(), to) << "the graphic under the release";
  EXPECT_EQ(GetCapture(), nullptr);
  const std::vector<std::string> played = sounds();
  EXPECT_EQ(std::count(played.begin(), played.end(), "NXELAST.WAV"), 2);
  // Held at the right edge, the band scrolls the page.
  const TRect client = page->GetClientRect();
  host->move(hwnd(), {client.right - 1, 100}, MK_LBUTTON);
  host->release(hwnd(), {client.right - 1, 100});
  EXPECT_EQ(from->rubberBand(), nullptr);
  EXPECT_GT(page->Scroller->XPos, 0);
  host->run();
}

}  // namespace
