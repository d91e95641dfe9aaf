// Pen strokes and pen groups: scaling with its rounding, the stroke and group
// texts read and written (hostile ones included), records made and saved,
// drawing, the menu, group bounds, the pen grouper's thresholds with a board
// double, and the pen stroke of the example book's home page.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "book_page_support.h"
#include "graphics/group_annotation.h"
#include "graphics/node_gnode.h"
#include "graphics/pen_grouper.h"
#include "graphics/pen_grouping_board.h"
#include "graphics/pen_stroke.h"
#include "maptext/km_esrap.h"
#include "maptext/km_records.h"
#include "platform/win/text_dump_renderer.h"

namespace {

const char* const kHomeStroke =
    "17,5,2,116,77,192,2 60,4 81,7 98,15 110,27 115,40 110,53 98,65 81,73 60,76 39,73 22,65 10,53 5,40 10,27 22,15 "
    "39,7 62,2 ";

std::string textOf(PenThing& t) {
  std::vector<char> buffer(GroupAnnotation::BufferSize);
  const int n = t.serialize(buffer.data(), buffer.size());
  return n < 0 ? "<failed>" : std::string(buffer.data(), static_cast<std::size_t>(n));
}

KM_Annotation record(char kind, const char* text, ULONG flags, LONG master = KM_ABSENT) {
  KM_Annotation r{};
  r.id = 0x1c;
  r.x = 0x126, r.y = 0xc2, r.x2 = 0x1a1, r.y2 = 0x119;
  r.flags = flags;
  r.extra = master;
  r.kind = kind;
  r.data = const_cast<char*>(text);
  r.dataSize = static_cast<ULONG>(std::char_traits<char>::length(text) + 1);
  return r;
}

std::string saved(Annotation& a) {
  std::stringstream out;
  KMEsrap w(&out, "test");
  a.saveOn(w);
  w.close();
  return squeezed(out.str());
}

TEST(PenScalerTest, MapsWithRoundingAndKeepsItsRectanglesSound) {
  const LONG lim = Graphic::kCoordinateLimit;
  struct Case {
    RECT normal, scaled;
    POINT in, out;
    RECT normalAfter;
  } cases[] = {
      {{0, 0, 10, 10}, {0, 0, 20, 10}, {3, 3}, {6, 3}, {0, 0, 10, 10}},  // twice as wide
      {{0, 0, 3, 3}, {0, 0, 4, 4}, {1, 2}, {1, 3}, {0, 0, 3, 3}},        // 1.33 -> 1, 2.67 -> 3
      {{0, 0, 2, 2}, {-10, -10, -9, -9}, {0, 0}, {-9, -9}, {0, 0, 2, 2}},  // -9.5 truncated towards zero
      {{5, 5, 5, 5}, {0, 0, 1, 1}, {6, 6}, {1, 1}, {5, 5, 6, 6}},        // empty: widened by 1
      {{10, 10, 0, 0}, {0, 0, 10, 10}, {10, 0}, {10, 0}, {0, 0, 10, 10}},  // reversed: normalised
      {{INT_MAX, 0, INT_MAX, 1}, {0, 0, 1, 1}, {INT_MAX, 0}, {1, 0}, {INT_MAX - 1, 0, INT_MAX, 1}},
      {{0, 0, 1, 1}, {0, 0, 100, 100}, {INT_MAX, INT_MIN}, {lim, -lim}, {0, 0, 1, 1}},
      {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {0, 0, 10, 10}, {INT_MAX, INT_MIN}, {10, 0}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}},
  };
  for (const Case& c : cases) {
    PenScaler s;
    s.SetNormalRect(c.normal);
    s.SetScaledRect(c.scaled);
    const POINT p = s.ScalePoint(c.in);
    EXPECT_EQ(p.x, c.out.x) << rectText(c.normal) << " " << rectText(c.scaled);
    EXPECT_EQ(p.y, c.out.y) << rectText(c.normal) << " " << rectText(c.scaled);
    EXPECT_EQ(rectText(s.GetNormalRect()), rectText(c.normalAfter));
    EXPECT_TRUE(s.invariantsHold());
  }
}

TEST_F(PageTest, StrokeTextsRoundTripAndHostileOnesReadOnlyWhatIsThere) {
  // The example of the format, and a one-point stroke's rectangle.
  const POINT two[] = {{1, 2}, {5, 9}};
  PenStroke a(page.get(), 1, 0, 0, 10, 10, two, 2, 0, 1);
  EXPECT_EQ(textOf(a), "2,1,2,6,10,0,1 1,2 5,9 ");
  const POINT one[] = {{7, 8}};
  PenStroke b(page.get(), 2, 0, 0, 10, 10, one, 1, 0, 1);
  EXPECT_EQ(rectText(b.scaler().GetNormalRect()), "(7,8)-(8,9)");

  const std::string tooLong = "1,0,0,1,1,0,1 " + std::string(300, '7') + ",1 ";
  std::string big = "100000,0,0,2,2,0,1 ";
  const std::size_t header = big.size();
  for (int i = 0; i < 10000; ++i) big += "1,1 ";
  struct Case {
    std::string text;
    ULONG count;
    std::size_t consumed;
    const char* firstPoint;
  } cases[] = {
      {kHomeStroke, 17, std::string(kHomeStroke).size(), "60,4"},
      {"5,0,0,10,10,0,1 1,1 2,2 ", 2, 24, "1,1"},  // claims more than it holds
      {"2147483647,0,0,1,1,0,1 1,1 ", 1, 27, "1,1"},
      {"-1,0,0,1,1,0,1 3,4 5,6", 2, 22, "3,4"},
      {"1,0,0,1,1,0,1 99999999999,-99999999999 ", 1, 39, "2147483647,-2147483648"},
      {"3,0,0,1,1,0,1 1,1 ) P2,0,0,1,1,0,0,1,1 ", 1, 18, "1,1"},  // stops at what is not a point
      {"", 0, 0, ""},
      {"1,2,3 1,1 ", 0, 0, ""},  // no whole header: nothing read
      {tooLong, 0, 14, ""},
      {big, static_cast<ULONG>((PenStroke::MaxRead - header + 3) / 4), header + 4 * ((PenStroke::MaxRead - header + 3) / 4), "1,1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    PenStroke s(page.get(), 3, 0, 0, 10, 10, nullptr, 0);
    EXPECT_EQ(s.DeSerializePoints(c.text.data(), c.text.size()), c.consumed);
    EXPECT_EQ(s.count(), c.count);
    EXPECT_LE(s.points().capacity(), c.text.size() / 4 + 1) << "room only for what the text holds";
    if (c.count > 0) {
      EXPECT_EQ(std::to_string(s.points()[0].x) + "," + std::to_string(s.points()[0].y), c.firstPoint);
    }
    EXPECT_TRUE(s.invariantsHold());
    for (ULONG i = 0; i < s.count(); ++i) {
      const POINT p = s[i];
      EXPECT_LE(std::abs(p.x), Graphic::kCoordinateLimit);
      EXPECT_LE(std::abs(p.y), Graphic::kCoordinateLimit);
    }
    EXPECT_EQ(s[s.count()].x, 0) << "outside the points: (0, 0)";
  }
}

TEST_F(PageTest, GroupTextsRoundTripAndHostileOnesStayBounded) {
  const std::string empty = "(0,0,10,10 ) ";
  const std::string nested =
      "(0,0,40,20 P5,0,0,10,10,0,0,10,10 2,1,2,6,10,0,1 1,2 5,9 G6,20,0,40,20,20,0,40,20 "
      "(20,0,40,20 P7,20,0,30,10,20,0,30,10 1,3,3,4,4,255,3 3,3 ) ) ";
  std::string deep = "(0,0,1,1 ";
  for (int i = 0; i < 1000; ++i) deep += "G1,0,0,1,1,0,0,1,1 (0,0,1,1 ";
  deep += std::string(1000, ')') + " P9,0,0,1,1,0,0,1,1 1,0,0,1,1,0,1 0,0 ) ";
  std::string wide = "(0,0,1,1 ";
  for (int i = 0; i < 5000; ++i) wide += "P1,0,0,1,1,0,0,1,1 1,0,0,1,1,0,1 0,0 ";
  struct Case {
    std::string text;
    ULONG members;
    std::size_t consumed;
    bool roundTrips;
  } cases[] = {
      {empty, 0, 12, true},
      {nested, 2, nested.size() - 1, true},
      {"(0,0,10,10 P1,0,0,5,5,0,0,5,5 2,0,0,5,5,0,1 1,1 2,2 ", 1, 52, false},  // never closed
      {"(0,0,10,10 P1,0,0,5,5,0,0,5,5 2147483647,0,0,5,5,0,1 1,1 ) ", 1, 58, false},
      {"(0,0,1,1 P1,2 Q G ) ", 0, 19, false},  // members without their numbers
      {"no group", 0, 0, false},
      {std::string(70000, '('), 0, GroupAnnotation::MaxRead, false},
      {deep, 2, deep.size() - 1, false},  // the deepest levels skipped whole
      {wide, static_cast<ULONG>(GroupAnnotation::MaxRead / 37), GroupAnnotation::MaxRead, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    GroupAnnotation g(page.get(), 1, 0, 0, 50, 50, nullptr, 0);
    EXPECT_EQ(g.DeSerializeGroup(c.text.data(), c.text.size()), c.consumed);
    EXPECT_EQ(g.members().Count(), c.members);
    EXPECT_TRUE(g.invariantsHold());
    if (c.roundTrips) {
      EXPECT_EQ(textOf(g), c.text);
    }
  }
  char small[8];
  GroupAnnotation g(page.get(), 1, 0, 0, 50, 50, nested.data(), nested.size());
  EXPECT_EQ(g.SerializeGroup(small, sizeof small), -1) << "a text that does not fit";
}

TEST_F(PageTest, RecordsMakeStrokesAndGroupsThatSaveTheirRecordsBack) {
  ReportRecorder recorder;
  const std::string group = "(0,0,40,20 P5,0,0,10,10,0,0,10,10 2,1,2,6,10,0,1 1,2 5,9 ) ";
  struct Case {
    char kind;
    const char* text;
    ULONG flags;
    bool boxHidden;
  } cases[] = {
      {'p', kHomeStroke, 0x80000000u, true},  // the defaults kept
      {'p', kHomeStroke, 0, false},
      {'g', group.c_str(), 0xFFFFFFFFu, true},  // masked with 0x000F3E06
  };
  for (const Case& c : cases) {
    KM_Annotation in = record(c.kind, c.text, c.flags);
    Annotation* a = c.kind == 'p' ? static_cast<Annotation*>(PenStroke::make(page.get(), in, nullptr))
                                  : GroupAnnotation::make(page.get(), in, nullptr);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->boxHidden(), c.boxHidden);
    if (c.flags != 0x80000000u) {
      EXPECT_EQ(a->state() & 0x000F3E04u, c.flags & 0x000F3E04u);
    }
    char flags[16];
    std::snprintf(flags, sizeof flags, "%x", a->state() & Annotation::SavedFlagsMask);
    const std::string expected = std::string("(a1c,,126,c2,1a1,119,") + flags + ",,,(" + c.kind + "\"" + c.text + "\"),)";
    EXPECT_NE(saved(*a).find(expected), std::string::npos) << saved(*a) << "\n" << expected;
    EXPECT_EQ(page->modified, 0) << "reading records changes nothing";
    a->eraseGraphic();
  }
  EXPECT_TRUE(recorder.reports.empty());

  // A stroke whose text does not fit its buffer writes nothing.
  // The point after 16360 characters needs 24 more: it does not fit.
  std::vector<POINT> far(700, POINT{INT_MIN, INT_MIN});
  far[0] = {0, 0};
  auto* huge = new PenStroke(page.get(), 9, 0, 0, 10, 10, far.data(), static_cast<ULONG>(far.size()), 0, 1);
  GroupAnnotation holder(page.get(), 10, 0, 0, 10, 10, nullptr, 0);
  holder.Add(huge);  // a group holding it fails too
  for (Annotation* a : {static_cast<Annotation*>(huge), static_cast<Annotation*>(&holder)}) {
    recorder.reports.clear();
    std::stringstream out;
    KMEsrap w(&out, "test");
    EXPECT_EQ(a->saveOn(w), -1);
    EXPECT_EQ(out.str().find("(a"), std::string::npos);
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(recorder.reports[0], a == huge ? "E: Internal error... Pen annotation buffer too small. Unable to save"
                                             : "E: Internal error... PenGroup annotation buffer too small. Unable to save");
  }
}

TEST_F(PageTest, StrokesDrawOnePolylineAndAutoSizeRestoresScaleOneToOne) {
  const POINT pts[] = {{0, 0}, {10, 5}, {20, 0}};
  auto* s = new PenStroke(page.get(), 1, 0, 0, 21, 6, pts, 3, RGB(0, 0, 255), 3);
  page->addSNode(s);
  RECT box = {40, 40, 82, 46};
  s->setRect(box, nullptr);  // the box moved and doubled: the ink follows
  s->invalidate();
  std::vector<std::string> lines;
  for (const std::string& l : picture())
    if (l.rfind("polyline", 0) == 0) lines.push_back(l);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("pen solid 3 #0000FF"), std::string::npos) << lines[0];
  const POINT last = (*s)[2];
  EXPECT_EQ(rectText({last.x, last.y, 0, 0}), "(80,40)-(0,0)") << "x distances doubled";

  HMENU m = s->createPopup();
  host->desktop().answerMenu(0);
  host->desktop().trackPopupMenu(nullptr, m, 0, 0);
  ::DestroyMenu(m);
  const std::string menu = host->desktop().eventsOf(ScriptedDesktop::Kind::Menu).back().text;
  EXPECT_NE(menu.find("|&Show Box|"), std::string::npos) << "unchecked: hidden box";
  EXPECT_EQ(menu.substr(menu.size() - 11), "|&Auto Size") << menu;
  GMessage cmd;
  cmd.message = WM_COMMAND;
  cmd.keys = PenThing::CmAutoSize;
  s->handleMessage(cmd);
  RECT b;
  s->GetBounds(b);
  EXPECT_EQ(rectText(b), "(40,40)-(61,46)");
  EXPECT_EQ(page->modified, 1);
  for (RECT to : {RECT{-141, -61, -120, -55}, RECT{40, 40, 61, 46}}) s->setRect(to, nullptr);  // dragged off and back
  s->GetBounds(b);
  EXPECT_EQ(rectText(b), "(40,40)-(61,46)") << "a drag moves the ink exactly";
}

TEST_F(PageTest, GroupBoundsStretchTheMembers) {
  const POINT pts[] = {{0, 0}, {9, 9}};
  GroupAnnotation g(page.get(), 1, 0, 0, 10, 10, nullptr, 0);
  g.Add(new PenStroke(page.get(), 2, 0, 0, 10, 10, pts, 2, 0, 1));   // bounds (0,0)-(10,10)
  g.Add(new PenStroke(page.get(), 3, 30, 0, 40, 10, pts, 2, 0, 1));  // ditto
  RECT b;
  g.GetBounds(b);  // computed from the members
  EXPECT_EQ(rectText(b), "(0,0)-(10,10)");
  g.members().buckets()[1].thing->SetBounds({30, 0, 40, 10});
  g.LockScale();
  g.GetBounds(b);
  EXPECT_EQ(rectText(b), "(0,0)-(40,10)");
  g.rawRect(b);
  EXPECT_EQ(rectText(b), "(-6,-6)-(47,17)");
  g.SetBounds({0, 0, 80, 20});
  g.members().buckets()[1].thing->GetBounds(b);
  EXPECT_EQ(rectText(b), "(60,0)-(80,20)");
  g.rawRect(b);
  EXPECT_EQ(rectText(b), "(-6,-6)-(87,27)");
  EXPECT_TRUE(g.invariantsHold());
}

class BoardDouble : public PenGroupingBoard {
 public:
  explicit BoardDouble(GraphicWindow& w) : window(w) {}
  GraphicWindow* boardWindow() override { return &window; }
  void beginChange() override { log += "begin;"; }
  LONG newObjectId() override { return ++lastId; }
  void addAnnotation(Annotation* a) override { window.addSNode(a); }
  void removeAnnotation(Annotation* a) override { window.removeNode(a); }
  void select(Annotation* a) override { log += "select " + std::to_string(a->id()) + ";"; }
  void setModified(int flag) override { log += "modified " + std::to_string(flag) + ";"; }
  DWORD tickCount() override { return now; }
  GraphicWindow& window;
  std::string log;
  LONG lastId = 100;
  DWORD now = 1000;
};

TEST_F(PageTest, TheGrouperJoinsNearStrokesAndGroupsThemWhenIdle) {
  // A 20-wide stroke at x 0, then one at the given distance to its right.
  struct Case {
    int gap;
    DWORD pause;
    ULONG pendingAfter;
  } cases[] = {{30, 0, 2}, {40, 0, 2}, {41, 0, 1}, {100, 0, 1}, {30, 501, 1}, {30, 500, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.gap) + " " + std::to_string(c.pause));
    page->destroyAllGraphics();
    BoardDouble board(*page);
    PenGrouper grouper(board);
    auto stroke = [&](int x) {
      const POINT pts[] = {{x, 0}, {x + 19, 0}};
      auto* s = new PenStroke(page.get(), board.newObjectId(), x - 6, -6, x + 26, 7, pts, 2, 0, 1);
      page->addSNode(s);
      return s;
    };
    grouper.AddPenStroke(stroke(0), board.now);
    board.now += c.pause;
    grouper.AddPenStroke(stroke(20 + c.gap), board.now);
    EXPECT_EQ(grouper.pendingCount(), c.pendingAfter);
    EXPECT_EQ(page->sensitiveGraphics().size(), 2u) << "a single stroke is never wrapped";
  }

  page->destroyAllGraphics();
  BoardDouble board(*page);
  PenGrouper grouper(board);
  const POINT a[] = {{0, 0}, {19, 9}}, b[] = {{30, 5}, {49, 14}}, d[] = {{60, 2}, {79, 30}};
  for (const POINT* p : {a, b, d}) {
    auto* s = new PenStroke(page.get(), board.newObjectId(), 0, 0, 1, 1, p, 2, 0, 1);
    page->addSNode(s);
    grouper.AddPenStroke(s, board.now);
  }
  board.now += 500;
  EXPECT_TRUE(grouper.Idle()) << "500 ms is not more than the threshold";
  board.now += 1;
  EXPECT_FALSE(grouper.Idle());
  ASSERT_EQ(page->sensitiveGraphics().size(), 1u);
  auto* g = dynamic_cast<GroupAnnotation*>(page->sensitiveGraphics()[0]);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->members().Count(), 3u);
  RECT box;
  g->rawRect(box);
  EXPECT_EQ(rectText(box), "(-6,-6)-(87,38)") << "the union (0,0)-(80,31) grown";
  EXPECT_EQ(board.log, "begin;select 104;modified 1;");
  EXPECT_TRUE(g->invariantsHold());
  EXPECT_NE(saved(*g).find("(g\"(0,0,80,31 P101,0,0,20,10,0,0,20,10 2,0,0,20,10,0,1 0,0 19,9 P102,"), std::string::npos)
      << saved(*g);

  // Grouping by time off: a pause groups nothing; a far stroke still flushes.
  grouper.SetIdleThreshold(0);
  for (int x : {200, 230}) {
    const POINT p[] = {{x, 0}, {x + 19, 0}};
    auto* s = new PenStroke(page.get(), board.newObjectId(), 0, 0, 1, 1, p, 2, 0, 1);
    page->addSNode(s);
    grouper.AddPenStroke(s, board.now);
  }
  board.now += 100000;
  EXPECT_TRUE(grouper.Idle());
  EXPECT_EQ(grouper.pendingCount(), 2u);
}

TEST_F(BookPageTest, TheHomePageReadsDrawsAndWritesItsPenStrokeBack) {
  ASSERT_TRUE(show("The Solar System", false));
  PenStroke* stroke = nullptr;
  for (SensitiveGraphic* g : page->sensitiveGraphics())
    if (auto* s = dynamic_cast<PenStroke*>(g)) stroke = s;
  ASSERT_NE(stroke, nullptr);
  EXPECT_EQ(stroke->count(), 17u);
  EXPECT_EQ(stroke->colour(), 192u);
  EXPECT_EQ(stroke->width(), 2);
  RECT b;
  stroke->GetBounds(b);
  EXPECT_EQ(rectText(b), "(294,194)-(417,281)") << "the bounds are the box";

  int polylines = 0;
  const DisplayList list = host->picture(page->HWindow);
  for (const DrawCommand& c : list.commands()) {
    const std::string l = TextDumpRenderer::line(c, list.width(), list.height());
    if (l.rfind("polyline", 0) == 0 && l.find("pen solid 2 #C00000") != std::string::npos) {
      ++polylines;
      EXPECT_EQ(c.points.size(), 17u) << l;
    }
  }
  EXPECT_EQ(polylines, 1);
  EXPECT_TRUE(host->render(page->HWindow, "graphics-pen-home-page.png"));
  std::remove("graphics-pen-home-page.png");

  // The annotation section written is the stored one, byte for byte.
  std::stringstream out;
  ASSERT_GE(page->writePage(out), 0);
  const std::string written = out.str();
  ASSERT_NE(body.find("(A"), std::string::npos);
  EXPECT_EQ(written.substr(written.find("(A")), body.substr(body.find("(A")));
  EXPECT_EQ(page->isModified(), 0);
  EXPECT_TRUE(recorder.reports.empty()) << recorder.reports.front();
}

TEST_F(BookPageTest, AStoredMasterIdTethersTheStrokeToItsSymbol) {
  ASSERT_TRUE(show("Earth"));
  NodeGNode* sun = symbol("Sun");
  ASSERT_NE(sun, nullptr);
  for (LONG master : {sun->id(), LONG{0x7FFFFFF0}}) {
    KM_Annotation in = record('p', "2,1,2,6,10,0,1 1,2 5,9 ", 0x80000000u, master);
    in.id = 900 + (master == sun->id() ? 0 : 1);
    PenStroke* s = PenStroke::make(page.get(), in, nullptr);
    const bool found = master == sun->id();
    EXPECT_EQ(s->master() != nullptr, found);
    char extra[16];
    std::snprintf(extra, sizeof extra, ",,%x,(p", static_cast<unsigned>(sun->id()));
    const std::string text = saved(*s);
    EXPECT_NE(text.find(found ? extra : ",,,(p"), std::string::npos) << text;
  }
}

TEST_F(BookPageTest, ThePageWindowMakesEachAnnotationKindFromItsRecord) {
  ASSERT_TRUE(show("Pluto"));
  struct Case {
    char kind;
    const char* text;
    int result;
    const char* made;
  } cases[] = {{'p', "2,1,2,6,10,0,1 1,2 5,9 ", 0, "stroke"},
               {'g', "(0,0,10,10 ) ", 0, "group"},
               {'t', "words", 0, "text"},
               {'x', "?", -1, ""}};
  for (const Case& c : cases) {
    const std::size_t before = page->sensitiveGraphics().size();
    KM_Annotation in = record(c.kind, c.text, 0x80000000u);
    in.id = KM_ABSENT;
    EXPECT_EQ(page->CMAnnotation(in), c.result) << c.kind;
    std::string made;
    if (page->sensitiveGraphics().size() > before) {
      SensitiveGraphic* g = page->sensitiveGraphics().back();
      made = dynamic_cast<PenStroke*>(g) ? "stroke" : dynamic_cast<GroupAnnotation*>(g) ? "group" : "text";
    }
    EXPECT_EQ(made, c.made) << c.kind;
  }
}

}  // namespace
