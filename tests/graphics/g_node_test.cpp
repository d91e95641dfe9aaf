// Symbols as graphics: changing a symbol's glyph, the render-less symbol, a
// slave carried in place of the label, and the tether's wedge and sounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "graphics/g_node.h"
#include "graphics/labeled_shape_db.h"
#include "graphics/precondition_exception.h"
#include "graphics/tether_relation.h"
#include "page_test_support.h"

namespace {

class Symbol : public GNode {
 public:
  using GNode::GNode;
  HMENU createPopup() override { return nullptr; }
};

Symbol* addSymbol(TestPage& page, const char* text, int glyph, int x, int y) {
  auto* s = new Symbol(&page, 7, text, glyph, x, y);
  page.addSNode(s);
  return s;
}

RECT rectOf(const Graphic& g) {
  RECT r;
  g.rawRect(r);
  return r;
}

TEST_F(PageTest, ChangingTheGlyphKeepsGeometryColoursFlagsAndText) {
  Symbol* s = addSymbol(*page, "Mercury", 0, 40, 30);
  LabeledShape* first = s->shape();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(rectOf(*s).left, 40);  // a new symbol keeps its top-left corner
  EXPECT_EQ(rectOf(*s).top, 30);
  EXPECT_EQ(first->glyphNumber(), 0);

  // Rectangle to rectangle: no new shape.
  EXPECT_EQ(s->setShape(0, 0x11, nullptr), 1);
  EXPECT_EQ(s->shape(), first);

  DWORD fill = 0x123456, line = 0x00FF00, text = 0x0000FF;
  s->setColor(&fill, &line, &text);
  s->setState(Graphic::Shadow | Graphic::FixedSize);
  const RECT before = rectOf(*s);
  const POINT offset = first->labelOffset();

  EXPECT_EQ(s->setShape(2, 0x22, nullptr), 1);
  LabeledShape* ellipse = s->shape();
  EXPECT_EQ(ellipse->glyphNumber(), 2);
  EXPECT_EQ(rectText(rectOf(*s)), rectText(before));
  EXPECT_EQ(ellipse->fillColor().color(), 0x123456u);
  EXPECT_EQ(ellipse->lineColor().color(), 0x00FF00u);
  EXPECT_EQ(s->textColor(), 0x0000FFu);
  EXPECT_EQ(s->state() & (Graphic::Shadow | Graphic::FixedSize), Graphic::Shadow | Graphic::FixedSize);
  EXPECT_EQ(ellipse->label().text(), "Mercury");
  EXPECT_EQ(ellipse->lineMask(), 0x22u);  // the new shape's own mask
  EXPECT_EQ(ellipse->labelOffset().x, offset.x);
  EXPECT_EQ(ellipse->getParent(), page.get());

  // A glyph no shape has leaves the symbol as it was.
  ReportRecorder recorder;
  s->setShape(42, 0, nullptr);
  EXPECT_EQ(s->shape(), ellipse);
}

TEST(GNodeTest, WithoutAWindowThereIsNoShapeAndUsesAreRefused) {
  ReportRecorder recorder;
  Symbol s(nullptr, 1, "x", 0, 0, 0);
  EXPECT_EQ(s.shape(), nullptr);
  ASSERT_EQ(recorder.reports.size(), 1u);
  EXPECT_EQ(recorder.reports[0], "E: GNode::setShape: Cannot create new shape without a Parent pointer");
  EXPECT_EQ(s.setShape(1, 0, nullptr), 0);
  EXPECT_EQ(s.setColor(nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(s.textColor(), 0u);
  HRGN region = s.setRegion();
  RECT box;
  ::GetRgnBox(region, &box);
  EXPECT_EQ(rectText(box), "(0,0)-(1,1)");
  ::DeleteObject(region);
  EXPECT_THROW(s.state(), PreconditionException);
  POINT p;
  EXPECT_THROW(s.getJoinPoint(Graphic::JoinTop, p), PreconditionException);
}

TEST_F(PageTest, ASlaveTakesThePlaceOfTheLabelAndFollowsEveryMove) {
  Symbol* s = addSymbol(*page, "Venus", 0, 40, 40);
  auto* note = new SlaveBox(page.get(), {0, 0, 30, 20});
  page->addSNode(note);
  ASSERT_EQ(s->setSlave(note), 0);
  EXPECT_EQ(s->shape()->label().text(), "");
  s->setText("Venus again");
  EXPECT_EQ(s->shape()->label().text(), "");

  auto centre = [](const RECT& r) { return POINT{(r.left + r.right) >> 1, (r.top + r.bottom) >> 1}; };
  TDC dc(nullptr);
  s->compute(dc);  // fitted around the slave, which sits in its middle
  RECT sr = rectOf(*s), nr = rectOf(*note);
  EXPECT_GE(sr.right - sr.left, 30);
  EXPECT_EQ(centre(nr).x, centre(sr).x);
  EXPECT_EQ(centre(nr).y, centre(sr).y);
  for (POINT to : {POINT{200, 150}, POINT{90, 60}}) {
    s->moveTo(to.x, to.y, nullptr);
    sr = rectOf(*s);
    nr = rectOf(*note);
    EXPECT_EQ(centre(nr).x, centre(sr).x);
    EXPECT_EQ(centre(nr).y, centre(sr).y);
  }
  // The slave going leaves the symbol whole.
  delete note;
  EXPECT_EQ(s->slave(), nullptr);
}

TEST(TetherTest, BaseSitsOnTheAnnotationsEdgeAroundTheStart) {
  const RECT r = {100, 50, 200, 90};
  struct Case {
    POINT start, base1, base2;
  } cases[] = {
      {{100, 50}, {100, 57}, {107, 50}},  // left edge, top corner
      {{100, 90}, {100, 83}, {107, 90}},  // left edge, bottom corner
      {{100, 70}, {100, 63}, {100, 77}},  // left edge, middle: 14 units centred
      {{200, 50}, {200, 57}, {193, 50}},  // right edge, top corner
      {{200, 90}, {200, 83}, {193, 90}},  // right edge, bottom corner
      {{200, 70}, {200, 63}, {200, 77}},
      {{150, 50}, {143, 50}, {157, 50}},  // top centre
      {{150, 90}, {143, 90}, {157, 90}},  // bottom centre
  };
  for (const Case& c : cases) {
    POINT b1, b2;
    TetherRelation::baseFor(r, c.start, b1, b2);
    EXPECT_EQ(b1.x, c.base1.x) << c.start.x << "," << c.start.y;
    EXPECT_EQ(b1.y, c.base1.y) << c.start.x << "," << c.start.y;
    EXPECT_EQ(b2.x, c.base2.x) << c.start.x << "," << c.start.y;
    EXPECT_EQ(b2.y, c.base2.y) << c.start.x << "," << c.start.y;
  }
}

TEST_F(PageTest, TetherJoinsAnnotationToTargetFollowsMovesAndPlaysItsSounds) {
  page->soundsOn = 1;
  Box* target = page->box({20, 50, 80, 190});
  Box* note = page->box({200, 100, 260, 140});
  auto* rel = new TetherRelation(note, target);
  page->addNode(rel);
  POINT start, tip;
  rel->tether().endPoints(start, tip);
  EXPECT_EQ(start.x, 200);  // the middle of the annotation's left edge
  EXPECT_EQ(start.y, 120);
  EXPECT_EQ(tip.x, 80);
  EXPECT_EQ(rel->tether().base1().y, 113);
  EXPECT_EQ(rel->tether().base2().y, 127);
  RECT tr;
  rel->tether().rect(tr);
  EXPECT_EQ(rectText(tr), "(78,111)-(202,129)");

  // Moving the annotation above the target puts the start on its top-left corner.
  target->moveTo(50, 20, nullptr);  // kept on the page: (20,0)-(80,140)
  rel->tether().endPoints(start, tip);
  EXPECT_EQ(start.x, 200);
  EXPECT_EQ(start.y, 100);
  EXPECT_EQ(rel->tether().base1().y, 107);
  EXPECT_EQ(rel->tether().base2().x, 207);
  EXPECT_EQ(rectText(rectOf(*note)), "(200,100)-(260,140)");  // only the tether moved

  const std::vector<std::string> lines = picture();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find("polygon [200,100 200,107 80,70 207,100]") != std::string::npos; }));
  delete rel;
  const std::vector<std::string> played = sounds();
  EXPECT_EQ(std::count(played.begin(), played.end(), "NXNEWTET.WAV"), 1);
  EXPECT_EQ(std::count(played.begin(), played.end(), "NXDELTET.WAV"), 1);
}

}  // namespace
