// The lines of links: a line's box, moves and end points, and the arrow's head
// in every direction, for short arrows and for none at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "graphics/arrow.h"
#include "graphics/link_relation.h"
#include "page_test_support.h"

namespace {

TEST(LinkLineTest, ArrowHeadsPointAtTheEndAndShrinkWithShortArrows) {
  struct Case {
    POINT start, end;
    bool head;
    POINT wing1, wing2;
  } cases[] = {
      {{0, 0}, {100, 0}, true, {95, -1}, {95, 1}},     // right
      {{100, 0}, {0, 0}, true, {5, 1}, {5, -1}},       // left
      {{0, 0}, {0, 100}, true, {1, 95}, {-1, 95}},     // down
      {{0, 100}, {0, 0}, true, {-1, 5}, {1, 5}},       // up
      {{0, 0}, {4, 0}, true, {1, -1}, {1, 1}},         // shorter than 6: a head as long as the arrow
      {{10, 10}, {10, 10}, false, {0, 0}, {0, 0}},     // both ends on one point: no head
  };
  for (const Case& c : cases) {
    POINT w1 = {0, 0}, w2 = {0, 0};
    const std::string where = rectText({c.start.x, c.start.y, c.end.x, c.end.y});
    ASSERT_EQ(Arrow::headWings(c.start, c.end, w1, w2), c.head) << where;
    if (!c.head) continue;
    EXPECT_EQ(rectText({w1.x, w1.y, w2.x, w2.y}), rectText({c.wing1.x, c.wing1.y, c.wing2.x, c.wing2.y})) << where;
  }
}

TEST(LinkLineTest, BoxesMovesAndEndPoints) {
  Line plain;
  POINT s, e;
  plain.endPoints(s, e);
  EXPECT_EQ(rectText({s.x, s.y, e.x, e.y}), "(0,0)-(100,100)");
  EXPECT_TRUE(plain.state() & Graphic::Computed);
  RECT r;
  plain.rect(r);
  EXPECT_EQ(rectText(r), "(-1,-1)-(101,101)");
  Arrow arrow(nullptr, {50, 60}, {10, 20});
  arrow.rect(r);
  EXPECT_EQ(rectText(r), "(5,15)-(55,65)");

  // A move puts the start point there (nothing below 0) and the end follows.
  plain.moveTo(30, -8, nullptr);
  plain.endPoints(s, e);
  EXPECT_EQ(rectText({s.x, s.y, e.x, e.y}), "(30,0)-(130,100)");
  plain.setEndpoints(1, 2, 3, 4, nullptr);
  plain.startPoint(s);
  plain.endPoint(e);
  EXPECT_EQ(rectText({s.x, s.y, e.x, e.y}), "(1,2)-(3,4)");
  DWORD red = 0x0000FF;
  EXPECT_EQ(plain.setColor(nullptr, &red, nullptr), 1);
  EXPECT_EQ(plain.setColor(nullptr, &red, nullptr), 0);
}

TEST_F(PageTest, ALinkRelationDrawsItsArrowWithAFilledHead) {
  Box* box = page->box({100, 100, 140, 120});
  Box* dest = page->box({250, 100, 300, 120});
  auto* rel = new LinkRelation(box, dest, new Arrow(page.get()));
  page->addNode(rel);
  EXPECT_EQ(rel->followMode(), GRelation::Independent);
  const std::vector<std::string> lines = picture();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("polygon [250,110 245,109 245,111]", 0) == 0;
  })) << "the head at the destination's facing edge";
}

}  // namespace
