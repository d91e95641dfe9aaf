// The graphic hierarchy on its own: join points and their reports, handles,
// the relation's choice of sides and its follow modes, colours, the missing
// render, and the master/slave pairing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/color.h"
#include "graphics/fill_color.h"
#include "graphics/line_color.h"
#include "graphics/precondition_exception.h"
#include "page_test_support.h"

namespace {

TEST(GraphicTest, JoinPointsOnThePlainRectangleAndInvalidValuesReported) {
  ReportRecorder recorder;
  Box b(nullptr, {10, 20, 111, 61});
  struct Case {
    int jp;
    POINT expected;
    const char* report;
  } cases[] = {
      {0x09, {10, 20}, nullptr},   {0x12, {60, 40}, nullptr},  {0x24, {111, 61}, nullptr},
      {0x0C, {111, 20}, nullptr},  {0x11, {10, 40}, nullptr},  {0x22, {60, 61}, nullptr},
      {0x08, {-1, 20}, "E: Graphic::getJoinPoint: Invalid joinPoint (0x8): no X specified"},
      {0x04, {111, -1}, "E: Graphic::getJoinPoint: Invalid joinPoint (0x4): no Y specified"},
  };
  for (const Case& c : cases) {
    recorder.reports.clear();
    POINT p = {-1, -1};
    b.getJoinPoint(static_cast<Graphic::joinPoint>(c.jp), p);
    EXPECT_EQ(p.x, c.expected.x) << "jp 0x" << std::hex << c.jp;
    EXPECT_EQ(p.y, c.expected.y) << "jp 0x" << std::hex << c.jp;
    EXPECT_EQ(recorder.reports, c.report ? std::vector<std::string>{c.report} : std::vector<std::string>{});
  }
}

TEST(GraphicTest, HandlesOfNarrowAndWideShapes) {
  Box narrow(nullptr, {0, 0, 10, 60});
  Box wide(nullptr, {100, 100, 200, 160});
  struct Case {
    Box* b;
    int x, y, expected;
  } cases[] = {
      // Only 10 units wide: every x up to left + 8 is the left handle.
      {&narrow, 0, 0, 0x09}, {&narrow, 8, 0, 0x09}, {&narrow, 5, 30, 0x11}, {&narrow, 8, 60, 0x21},
      {&wide, 100, 100, 0x09}, {&wide, 150, 100, 0x0A}, {&wide, 200, 160, 0x24}, {&wide, 196, 130, 0x14},
      {&wide, 150, 130, 0},  // the centre is never a handle
      {&wide, 120, 130, 0}, {&wide, 130, 101, 0}, {&wide, 99, 100, 0}, {&wide, 201, 160, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.b->hitHandle(c.x, c.y), c.expected) << "at " << c.x << "," << c.y;
  }
}

TEST(GraphicTest, RelationChoosesFacingSides) {
  struct Case {
    RECT from, to;
    POINT fromPt, toPt;
  } cases[] = {
      // Side by side on one row: right edge to left edge, each at its middle.
      {{10, 10, 60, 40}, {200, 10, 250, 40}, {60, 25}, {200, 25}},
      // One above the other: bottom centre to top centre.
      {{10, 10, 60, 40}, {10, 200, 60, 240}, {35, 40}, {35, 200}},
      // A narrow one over the middle of a wide one below it: both at their centres.
      {{180, 10, 220, 30}, {0, 100, 400, 150}, {200, 30}, {200, 100}},
      // A narrow one off the wide one's centre: its edge facing that centre.
      {{100, 10, 120, 30}, {0, 100, 400, 150}, {120, 30}, {200, 100}},
      // Diagonal: facing corners.
      {{0, 0, 40, 40}, {100, 100, 140, 140}, {40, 40}, {100, 100}},
  };
  for (const Case& c : cases) {
    Box a(nullptr, c.from), b(nullptr, c.to);
    auto* rel = new GRelation(&a, &b, new Line(nullptr));
    POINT f = {0, 0}, t = {0, 0};
    rel->joinPoints(f, t);
    EXPECT_EQ(rectText({f.x, f.y, t.x, t.y}), rectText({c.fromPt.x, c.fromPt.y, c.toPt.x, c.toPt.y}));
    RECT line;
    rel->rect(line);
    EXPECT_EQ(line.left, std::min(c.fromPt.x, c.toPt.x) - Line::Outset) << "the line is placed on construction";
    rel->destroy();
    EXPECT_TRUE(a.fromRelations().empty());
    EXPECT_TRUE(b.toRelations().empty());
  }
}

TEST(GraphicTest, DestroyingAnEndDestroysItsRelationsAndNothingElse) {
  Box* a = new Box(nullptr, {0, 0, 20, 20});
  Box b(nullptr, {100, 0, 120, 20});
  Box c(nullptr, {0, 100, 20, 120});
  new GRelation(a, &b, new Line(nullptr));
  new GRelation(&c, a, new Line(nullptr));
  // A second relation with the same two ends is not listed twice.
  auto* again = new GRelation(a, &b, new Line(nullptr));
  EXPECT_EQ(a->fromRelations().size(), 1u);
  EXPECT_EQ(b.toRelations().size(), 1u) << "nor at the other end";
  again->destroy();
  EXPECT_EQ(b.toRelations().size(), 1u) << "the one listed stays";
  a->destroy();
  EXPECT_TRUE(b.toRelations().empty());
  EXPECT_TRUE(c.fromRelations().empty());
}

TEST(GraphicTest, MissingRenderIsAPreconditionFailure) {
  class Bare : public SensitiveGraphic {
   public:
    Bare() : SensitiveGraphic(nullptr) {}
    void setAutoSize(HDC) override {}
    HMENU createPopup() override { return nullptr; }
  } bare;
  EXPECT_EQ(bare.getParent(), nullptr);
  try {
    bare.state();
    FAIL() << "expected the precondition failure";
  } catch (const PreconditionException& e) {
    EXPECT_STREQ(e.message(), "Render!=NULL");
  }
  RECT r;
  EXPECT_THROW(bare.rect(r), PreconditionException);
}

TEST(GraphicTest, ColoursInvertAndFollowTheColourMode) {
  FillColor fill(0x12345678);
  LineColor line(0x00ABCDEF);
  EXPECT_EQ(fill.inverse(), 0x12CBA987u) << "the top byte is kept";
  struct Case {
    const Color& c;
    short colour, inverted;
    COLORREF expected;
  } cases[] = {{fill, 1, 0, 0x12345678}, {fill, 1, 1, 0x12CBA987}, {fill, 0, 0, 0xFFFFFF},
               {fill, 0, 1, 0x000000},   {line, 0, 0, 0x000000},   {line, 0, 1, 0xFFFFFF}};
  for (const Case& c : cases) EXPECT_EQ(c.c.effective(c.colour, c.inverted), c.expected);
  EXPECT_TRUE(fill == 0x12345678u);
  EXPECT_TRUE(fill != line);
}

TEST(GraphicTest, MasterCarriesOneSlave) {
  MasterBox* master = new MasterBox(nullptr, {0, 0, 50, 50}, 7);
  SlaveBox first(nullptr, {0, 0, 10, 10});
  SlaveBox second(nullptr, {0, 0, 10, 10});
  EXPECT_EQ(master->setSlave(&first), 0);
  EXPECT_EQ(master->setSlave(&second), 1) << "a second slave is refused";
  EXPECT_EQ(master->slave(), &first);
  EXPECT_EQ(second.master(), nullptr);
  LONG id = 0;
  EXPECT_EQ(first.getMasterId(id), 0);
  EXPECT_EQ(id, 7);
  EXPECT_EQ(second.getMasterId(id), 1) << "no master";
  master->destroy();
  EXPECT_EQ(first.master(), nullptr);
  EXPECT_EQ(first.told, (std::vector<std::string>{"master", "none dying"}));
  // Detaching from the slave's side tells the master first.
  MasterBox other(nullptr, {0, 0, 50, 50}, 8);
  EXPECT_EQ(second.setMaster(static_cast<SimpleMaster*>(&other)), 0);
  EXPECT_EQ(second.SimpleSlave::setMaster(nullptr), 0);
  EXPECT_EQ(other.told, (std::vector<std::string>{"slave", "none"}));
  EXPECT_EQ(other.slave(), nullptr);
}

}  // namespace
