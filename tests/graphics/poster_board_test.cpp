// The poster board: pen strokes drawn through the headless host (a circle, a
// click, a written word grouped after a pause, a page of groups that draws the
// same once saved and read back), the pen-grouping settings of the profile,
// reading a whole page (queued tethers, unknown annotation kinds, the stored
// title), saving, pasting with its offset, grouping and ungrouping as the
// selection offers them, typing on the board, the set-up symbol of an empty
// page, the slave a new symbol takes from its page's attributes, and hostile
// records (huge point counts, group texts that nest or never close,
// rectangles at the limits).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "book_page_support.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/group_annotation.h"
#include "graphics/link_gnode.h"
#include "graphics/node_gnode.h"
#include "graphics/ole_box.h"
#include "graphics/pen_stroke.h"
#include "graphics/tether_relation.h"
#include "graphics/text_box.h"
#include "maptext/km_esrap.h"
#include "platform/ole/ole_client.h"
#include "platform/ole/ole_object_stream.h"
#include "platform/owl/t_application.h"
#include "platform/owl/t_command_enabler.h"
#include "platform/system/global_memory.h"
#include "platform/system/system.h"
#include "platform/win/clipboard.h"
#include "platform/win/text_dump_renderer.h"

namespace {

const char* const kSection = PosterBoardNode::ProfileSection;

// An idea symbol and an annotation of a page made for a test.
struct Symbol {
  LONG id;
  const char* name;
  LONG x, y;
};
struct Note {
  LONG id;
  char kind;
  RECT box;
  std::string data;
  std::vector<LONG> tethers = {};
  LONG master = KM_ABSENT;
};

// A page in map text: `symbols` (placeholders of type "Topic"), no links,
// then `notes`; `raw` is put into the annotation section as it is, before the
// notes. `title` is the stored title (null: none).
std::string pageText(const std::vector<Symbol>& symbols, const std::vector<Note>& notes, const char* title = nullptr,
                     const std::string& raw = "") {
  std::stringstream out;
  KMEsrap w(&out, ViewNode::AppTag);
  if (title != nullptr) w.setCMName(title);
  w.writeFile(ViewNode::AppTag, 1, nullptr);
  const RECT r = {0, 0, 760, 520};
  w.writeConceptMap(&r, &r, 0);
  w.writeNodeSection();
  for (const Symbol& s : symbols)
    w.writeNodeObject(s.id, s.name, KM_ABSENT, "Topic", s.x, s.y, KM_ABSENT, KM_ABSENT, 0, KM_ABSENT, nullptr, nullptr);
  w.writeLinkSection();
  w.closeLinkSection();
  w.writeAnnotationSection();
  for (const Note& n : notes) {
    w.writeAnnotationObject(n.id, nullptr, n.box.left, n.box.top, n.box.right, n.box.bottom, 0,
                            n.tethers.empty() ? nullptr : n.tethers.data(), static_cast<int>(n.tethers.size()), n.kind,
                            n.data.c_str(), static_cast<ULONG>(n.data.size() + 1), nullptr, n.master);
  }
  w.closeAnnoSection();
  w.closeConceptMap();
  w.close();
  std::string text = out.str();
  if (!raw.empty()) {
    const std::size_t at = text.find("(A162,");
    if (at != std::string::npos) text.insert(at + 15, raw);  // after "(A162,00000000,"
  }
  return text;
}

template <class T>
std::vector<T*> all(const GraphicWindow& w) {
  std::vector<T*> out;
  for (SensitiveGraphic* g : w.sensitiveGraphics())
    if (auto* t = dynamic_cast<T*>(g)) out.push_back(t);
  return out;
}

std::string pointsText(const std::vector<POINT>& pts) {
  std::string s;
  for (const POINT& p : pts) s += std::to_string(p.x) + "," + std::to_string(p.y) + " ";
  return s;
}

std::size_t countOf(const std::string& s, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

bool reported(const ReportRecorder& r, const std::string& text) {
  for (const std::string& s : r.reports)
    if (s.find(text) != std::string::npos) return true;
  return false;
}

class PosterBoardTest : public BookPageTest {
 protected:
  void SetUp() override {
    BookPageTest::SetUp();
    // A profile of this test's own: tests run side by side.
    const char* was = std::getenv("TAVIX_PROFILE");
    savedProfile_ = was != nullptr ? was : "";
    profile_ = std::string("poster-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
    std::remove(profile_.c_str());
    setenv("TAVIX_PROFILE", profile_.c_str(), 1);
  }
  void TearDown() override {
    board_.reset();
    BookPageTest::TearDown();
    std::remove(profile_.c_str());
    if (savedProfile_.empty()) unsetenv("TAVIX_PROFILE");
    else setenv("TAVIX_PROFILE", savedProfile_.c_str(), 1);
  }

  // A board without a page, read from `text`, shown on the frame.
  PosterBoardNode& board(const std::string& text) {
    board_.reset();
    in_ = std::make_unique<std::stringstream>(text);
    board_ = std::make_unique<PosterBoardNode>(frame.get(), nullptr, app);
    board_->Attr.Style = WS_CHILD | WS_VISIBLE;
    board_->Attr.W = 760;
    board_->Attr.H = 520;
    board_->readBody(in_.get());
    EXPECT_TRUE(board_->Create());
    host->run();
    return *board_;
  }

  // Draws through the host: a press at the first point, a move to each of
  // the others, the release at the last.
  void draw(HWND hwnd, const std::vector<POINT>& pts) {
    host->press(hwnd, pts.front());
    for (std::size_t i = 1; i < pts.size(); ++i) host->move(hwnd, pts[i]);
    host->release(hwnd, pts.back());
  }

  // The page saved into the book by the board and read back from the book.
  std::string savedBody() {
    DB* db = book.db();
    const ULONG id = page->uid();
    std::unique_ptr<std::iostream> s = db->getNodeStream(id, 1);
    EXPECT_NE(s, nullptr);
    page->attach(s.get());
    EXPECT_EQ(page->save(), 0);
    page->attach(nullptr);
    s.reset();
    std::unique_ptr<std::iostream> again = db->getNodeStream(id, 0);
    std::ostringstream text;
    text << again->rdbuf();
    return text.str();
  }

  // A board for the shown page's node read from `text`, made like the shown one.
  std::unique_ptr<PosterBoardNode> readBack(const std::string& text, std::stringstream& in) {
    in.str(text);
    DB* db = book.db();
    const ULONG id = page->uid();
    String type;
    db->lookupName_Type_Flags(id, nullptr, &type, nullptr);
    auto w = std::make_unique<PosterBoardNode>(frame.get(), new Node(nullptr, NodeRef(db, id), type, app), app);
    w->Attr.Style = WS_CHILD | WS_VISIBLE;
    w->Attr.W = 780;
    w->Attr.H = 580;
    w->readBody(&in);
    w->attach(nullptr);
    return w;
  }

  // The window's display list as text, after painting all of it.
  std::vector<std::string> wholePicture(HWND hwnd) {
    ::InvalidateRect(hwnd, nullptr, TRUE);
    host->run();
    std::vector<std::string> lines;
    const DisplayList list = host->picture(hwnd);
    for (const DrawCommand& c : list.commands()) lines.push_back(TextDumpRenderer::line(c, list.width(), list.height()));
    return lines;
  }

  bool enabled(PosterBoardNode& w, UINT id) {
    TCommandEnabler e(id, w.HWindow);
    w.EvCommandEnable(e);
    return e.GetEnabled();
  }

  std::unique_ptr<PosterBoardNode> board_;
  std::unique_ptr<std::stringstream> in_;

 private:
  std::string savedProfile_;
  std::string profile_;
};

// An empty stretch of the Pluto page, below Pluto and left of the link.
const POINT kEmpty = {180, 360};

// ---------------------------------------------------------------------------
// The pen

TEST_F(PosterBoardTest, ADrawnCircleBecomesOneStrokeWithItsPoints) {
  ASSERT_TRUE(show("Pluto"));
  const std::size_t before = all<PenStroke>(*page).size();
  std::vector<POINT> circle;
  for (int i = 0; i <= 36; ++i) {
    const double a = i * 3.14159265358979 / 18;
    circle.push_back({kEmpty.x + static_cast<LONG>(std::lround(40 * std::cos(a))),
                      kEmpty.y + static_cast<LONG>(std::lround(40 * std::sin(a)))});
  }
  draw(page->HWindow, circle);
  host->run();
  ASSERT_EQ(all<PenStroke>(*page).size(), before + 1);
  PenStroke* drawn = all<PenStroke>(*page).back();
  EXPECT_EQ(pointsText(drawn->points()), pointsText(circle)) << "every move is a point (none repeats)";
  RECT box;
  drawn->rawRect(box);
  EXPECT_EQ(rectText(box), rectText({kEmpty.x - 40 - 6, kEmpty.y - 40 - 6, kEmpty.x + 40 + 7, kEmpty.y + 40 + 7}));
  EXPECT_TRUE(page->isModified());
  EXPECT_EQ(page->penGrouper().pendingCount(), 1u) << "the stroke waits for the next";

  // Saved into the book: one stroke record whose points read back.
  const std::string saved = savedBody();
  EXPECT_EQ(countOf(saved, "(p\""), 1u) << saved;
  std::stringstream in;
  std::unique_ptr<PosterBoardNode> back = readBack(saved, in);
  ASSERT_EQ(all<PenStroke>(*back).size(), 1u);
  EXPECT_EQ(pointsText(all<PenStroke>(*back).front()->points()), pointsText(circle));
  EXPECT_EQ(all<PenStroke>(*back).front()->id(), drawn->id());
  EXPECT_FALSE(back->isModified());
}

TEST_F(PosterBoardTest, AClickIsATwoPointStroke13By13) {
  ASSERT_TRUE(show("Pluto"));
  host->click(page->HWindow, kEmpty);
  host->run();
  ASSERT_EQ(all<PenStroke>(*page).size(), 1u);
  PenStroke* dot = all<PenStroke>(*page).front();
  EXPECT_EQ(pointsText(dot->points()), "180,360 181,361 ");
  RECT box;
  dot->rawRect(box);
  EXPECT_EQ(box.right - box.left, 13);
  EXPECT_EQ(box.bottom - box.top, 13);
  EXPECT_EQ(rectText(box), "(174,354)-(187,367)");
  EXPECT_TRUE(dot->boxHidden());
}

TEST_F(PosterBoardTest, AStrokeTakesAtMost1000Points) {
  ASSERT_TRUE(show("Pluto"));
  std::vector<POINT> zigzag;
  for (int i = 0; i < 1500; ++i) zigzag.push_back({100 + (i % 100), 300 + (i / 100) * 5});
  draw(page->HWindow, zigzag);
  host->run();
  ASSERT_FALSE(all<PenStroke>(*page).empty());
  EXPECT_EQ(all<PenStroke>(*page).front()->count(), 1000u);
}

TEST_F(PosterBoardTest, AWrittenWordBecomesOneGroupAfterAPause) {
  // Strokes drawn a second apart belong together with a slow writer.
  WriteProfileString(kSection, "WritingSpeed", "3000");
  ASSERT_TRUE(show("Pluto"));
  EXPECT_EQ(page->penGrouper().idleThreshold(), 3000u);
  // Five strokes of a word; each begins beside the boxes of those before (a
  // press on a stroke is the stroke's: it selects or drags it).
  const std::vector<std::vector<POINT>> word = {
      {{100, 300}, {104, 330}, {108, 300}},
      {{116, 330}, {120, 300}, {124, 330}},
      {{132, 300}, {132, 330}},
      {{146, 312}, {150, 330}, {154, 312}},
      {{162, 300}, {166, 330}},
  };
  for (const auto& s : word) draw(page->HWindow, s);
  host->run();
  EXPECT_EQ(page->penGrouper().pendingCount(), 5u);
  EXPECT_TRUE(all<GroupAnnotation>(*page).empty());
  // The application's idle work reaches the board through its frame.
  TApplication application("poster");
  application.SetMainWindow(frame.get());
  EXPECT_TRUE(application.IdleAction(0)) << "not yet: less than 3 s since the last stroke";
  host->wait(3100);
  host->run();
  EXPECT_FALSE(application.IdleAction(0));
  ASSERT_EQ(all<GroupAnnotation>(*page).size(), 1u);
  GroupAnnotation* g = all<GroupAnnotation>(*page).front();
  EXPECT_EQ(g->members().Count(), 5u);
  EXPECT_TRUE(all<PenStroke>(*page).empty()) << "the strokes are the group's";
  EXPECT_TRUE(g->isSelected());

  const std::string saved = savedBody();
  EXPECT_EQ(countOf(saved, "(g\""), 1u) << saved;
  EXPECT_EQ(countOf(saved, "(p\""), 0u);
  std::stringstream in;
  std::unique_ptr<PosterBoardNode> back = readBack(saved, in);
  ASSERT_EQ(all<GroupAnnotation>(*back).size(), 1u);
  EXPECT_EQ(all<GroupAnnotation>(*back).front()->members().Count(), 5u);
}

TEST_F(PosterBoardTest, APageOfPenGroupsDrawsTheSameSavedAndReadBack) {
  WriteProfileString(kSection, "WritingSpeed", "3000");
  ASSERT_TRUE(show("Pluto"));
  auto polylines = [](const std::vector<std::string>& lines) {
    std::size_t n = 0;
    for (const std::string& l : lines) n += l.rfind("polyline", 0) == 0 ? 1 : 0;
    return n;
  };
  const std::size_t before = polylines(wholePicture(page->HWindow));
  // Three words far apart: the first stroke of a word flushes the word before.
  for (int w = 0; w < 3; ++w) {
    const LONG x = 60 + w * 110;
    for (int s = 0; s < 3; ++s) draw(page->HWindow, {{x + s * 20, 300}, {x + s * 20 + 5, 320}, {x + s * 20 + 9, 302}});
  }
  host->run();
  host->wait(3100);
  host->run();
  page->IdleAction(0);
  ASSERT_EQ(all<GroupAnnotation>(*page).size(), 3u);
  page->deselectAll();
  const std::vector<std::string> drawn = wholePicture(page->HWindow);
  EXPECT_EQ(polylines(drawn), before + 9) << "one for each stroke";
  // Set TVX_KEEP_PICTURES to look at it.
  EXPECT_TRUE(host->render(page->HWindow, "graphics-poster-groups.png"));
  if (std::getenv("TVX_KEEP_PICTURES") == nullptr) std::remove("graphics-poster-groups.png");

  const std::string saved = savedBody();
  EXPECT_EQ(countOf(saved, "(g\""), 3u);
  page->Show(SW_HIDE);
  std::stringstream in;
  std::unique_ptr<PosterBoardNode> back = readBack(saved, in);
  ASSERT_TRUE(back->Create());
  host->run();
  EXPECT_EQ(wholePicture(back->HWindow), drawn);
}

// ---------------------------------------------------------------------------
// Settings

TEST_F(PosterBoardTest, TheProfileSetsTheGrouper) {
  struct Case {
    const char* grouping;
    const char* speed;
    const char* spacing;
    DWORD threshold;
    ULONG factor, minimum;
  } cases[] = {
      {nullptr, nullptr, nullptr, 1000, 2, 50},
      {nullptr, nullptr, "3", 1000, 3, 33},
      {nullptr, "250", nullptr, 250, 2, 50},
      {"1", "700", "4", 700, 4, 25},
      {nullptr, nullptr, "0", 1000, 1, 100},
      {"0", nullptr, nullptr, 0, PenGrouper::DefaultDistanceFactor, PenGrouper::DefaultMinDistance},
      {"0", "250", "3", 0, PenGrouper::DefaultDistanceFactor, PenGrouper::DefaultMinDistance},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.grouping ? c.grouping : "-") + " " + (c.speed ? c.speed : "-") + " " +
                 (c.spacing ? c.spacing : "-"));
    WriteProfileString(kSection, nullptr, nullptr);
    if (c.grouping) WriteProfileString(kSection, "TavixPenGrouping", c.grouping);
    if (c.speed) WriteProfileString(kSection, "WritingSpeed", c.speed);
    if (c.spacing) WriteProfileString(kSection, "CharacterSpacing", c.spacing);
    PosterBoardNode w(frame.get(), nullptr, app);
    EXPECT_EQ(w.penGrouper().idleThreshold(), c.threshold);
    EXPECT_EQ(w.penGrouper().distanceFactor(), c.factor);
    EXPECT_EQ(w.penGrouper().minDistance(), c.minimum);
    EXPECT_STREQ(w.Attr.AccelTable, "FileCommands");
  }
}

// ---------------------------------------------------------------------------
// Reading a whole page

TEST_F(PosterBoardTest, UnknownAnnotationKindsAreSkippedAndTheReadingGoesOn) {
  // A record without a kind, an embedded object and a publisher record
  // between two text boxes. The embedded object (whose five bytes are no
  // object) becomes a box that keeps its bytes; the others make nothing.
  std::stringstream other;
  {
    KMEsrap w(&other, ViewNode::AppTag);
    w.writeFile(ViewNode::AppTag, 1, nullptr);
    w.writeConceptMap(nullptr, nullptr, 0);
    const char ole[] = "\x01\x02\x03\x04\x05";
    w.writeAnnotationObject(0x21, nullptr, 0, 0, 10, 10, 0, nullptr, 0, 'o', ole, 5, nullptr, KM_ABSENT);
    w.writeAnnotationObject(0x22, nullptr, 0, 0, 10, 10, 0, nullptr, 0, 'm', ole, 5, nullptr, KM_ABSENT);
    w.closeAnnoSection();
    w.closeConceptMap();
    w.close();
  }
  const std::string o = other.str();
  const std::size_t from = o.find("(a21"), to = o.find("),)", o.find("(a22"));
  ASSERT_NE(from, std::string::npos) << o;
  ASSERT_NE(to, std::string::npos) << o;
  const std::string raw = "(a20,,0,0,10,10,0,,,,)\r\n" + o.substr(from, to + 3 - from) + "\r\n";
  const std::string text = pageText({}, {{0x30, 't', {10, 10, 100, 50}, "first"}, {0x31, 't', {10, 60, 100, 90}, "last"}},
                                    nullptr, raw);
  ASSERT_NE(text.find("(a20,,"), std::string::npos);
  PosterBoardNode& w = board(text);
  EXPECT_GE(w.getStatus(), 0) << w.readError();
  ASSERT_EQ(all<TextBox>(w).size(), 2u) << text;
  EXPECT_STREQ(all<TextBox>(w).back()->text(), "last");
  EXPECT_EQ(w.sensitiveGraphics().size(), 3u) << "nothing is made of the other kinds";
  ASSERT_EQ(all<OleBox>(w).size(), 1u);
  EXPECT_EQ(all<OleBox>(w).front()->object(), nullptr);
  EXPECT_EQ(all<OleBox>(w).front()->dataSize(), 5u);
  EXPECT_FALSE(reported(recorder, "parse->readFile"));
}

TEST_F(PosterBoardTest, ABodyThatDoesNotReadIsReportedAndKeepsWhatWasRead) {
  std::string text = pageText({{1, "One", 40, 40}}, {{2, 't', {10, 10, 100, 50}, "kept?"}});
  text.resize(text.find("(A162"));
  text += "(A162,00000001,(a2,,zz";
  PosterBoardNode& w = board(text);
  EXPECT_LT(w.getStatus(), 0);
  EXPECT_TRUE(reported(recorder, "parse->readFile(): ")) << (recorder.reports.empty() ? "" : recorder.reports[0]);
  EXPECT_FALSE(w.readError().empty());
  EXPECT_EQ(all<NodeGNode>(w).size(), 1u);
  EXPECT_FALSE(w.isModified());
}

TEST_F(PosterBoardTest, AnEmptyStoredTitleTakesTheReferenceNameWithoutAMessage) {
  ASSERT_TRUE(show("Pluto"));
  struct Case {
    const char* title;
    const char* after;
    const char* warning;
  } cases[] = {{nullptr, "Pluto", nullptr},
               {"", "Pluto", nullptr},
               {"Pluto", "Pluto", nullptr},
               {"Plutonium", "Plutonium", "Stored title (\"Plutonium\") is not the same as reference name (\"Pluto\")"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title != nullptr ? c.title : "(none)");
    recorder.reports.clear();
    std::stringstream in;
    std::unique_ptr<PosterBoardNode> w = readBack(pageText({{1, "One", 40, 40}}, {}, c.title), in);
    ASSERT_NE(w->getCMName(), nullptr);
    EXPECT_STREQ(w->getCMName(), c.after);
    if (c.warning == nullptr) EXPECT_TRUE(recorder.reports.empty()) << recorder.reports.front();
    else EXPECT_TRUE(reported(recorder, c.warning)) << (recorder.reports.empty() ? "" : recorder.reports[0]);
    std::ostringstream out;
    w->writePage(out);
    EXPECT_EQ(countOf(out.str(), "(n\"" + std::string(c.after) + "\")"), 1u) << out.str();
  }
}

// A board that is handed the symbol an annotation names only after the
// annotation, as a page that defines its objects in that order would.
class LateSymbolBoard : public PosterBoardNode {
 public:
  LateSymbolBoard(TWindow* parent, Nexil& app) : TWindow(parent, "late"), KMFileInfo(AppTag), PosterBoardNode(parent, nullptr, app) {}
  int CMAnnotation(KM_Annotation& record) override {
    const int made = PosterBoardNode::CMAnnotation(record);
    if (record.id == 0x10) {
      KM_Node late{};
      late.id = 0x63;
      late.name = "Defined later";
      late.typeId = KM_ABSENT;
      late.typeName = "Topic";
      late.x = 300, late.y = 300, late.x2 = KM_ABSENT, late.y2 = KM_ABSENT;
      late.flags = 0;
      late.refId = KM_ABSENT;
      CMNode(late);
    }
    return made;
  }
};

TEST_F(PosterBoardTest, QueuedTethersAreTiedOnceThePageIsReadOrReported) {
  const std::string text = pageText({{1, "One", 40, 40}},
                                    {{0x10, 't', {200, 10, 300, 60}, "to a later symbol", {0x63}},
                                     {0x11, 't', {200, 80, 300, 120}, "to none", {0x77, 0x78}},
                                     {0x12, 't', {200, 140, 300, 180}, "to one", {1}}});
  std::stringstream in(text);
  LateSymbolBoard w(frame.get(), app);
  w.readBody(&in);
  const std::vector<TextBox*> boxes = all<TextBox>(w);
  ASSERT_EQ(boxes.size(), 3u);
  NodeGNode* later = w.findSymbol(0x63);
  ASSERT_NE(later, nullptr);
  EXPECT_NE(boxes[0]->tetherTo(later), nullptr) << "tied after the reading";
  EXPECT_TRUE(boxes[1]->fromRelations().empty());
  EXPECT_NE(boxes[2]->tetherTo(w.findSymbol(1)), nullptr) << "a symbol read before is tied at once";
  // One report for the annotation whose targets are missing: its first one.
  EXPECT_EQ(recorder.reports.size(), 1u);
  EXPECT_TRUE(reported(recorder, "Can't instantiate queued Tether from object id 0x11 to object id 0x77"))
      << (recorder.reports.empty() ? "" : recorder.reports[0]);
  EXPECT_FALSE(w.isModified());
}

TEST_F(PosterBoardTest, AQueuedTetherFindsALinkBoxOfThePage) {
  ASSERT_TRUE(show("Pluto"));
  std::string text = body;
  // Pluto's text box, tethered to the link box (object 4).
  const std::size_t at = text.find("(a5,,1b8,6,2e4,46,0,,,");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, std::strlen("(a5,,1b8,6,2e4,46,0,,,"), "(a5,,1b8,6,2e4,46,0,4,,");
  std::stringstream in;
  std::unique_ptr<PosterBoardNode> w = readBack(text, in);
  ASSERT_EQ(all<TextBox>(*w).size(), 1u);
  ASSERT_EQ(all<LinkGNode>(*w).size(), 1u);
  EXPECT_NE(all<TextBox>(*w).front()->tetherTo(all<LinkGNode>(*w).front()), nullptr);
  EXPECT_TRUE(recorder.reports.empty()) << recorder.reports.front();
}

// ---------------------------------------------------------------------------
// Saving

TEST_F(PosterBoardTest, SavingWithoutAStreamIsRefusedAndSavingTwiceGivesThePageBack) {
  PosterBoardNode lone(frame.get(), nullptr, app);
  EXPECT_EQ(lone.save(), -1);
  EXPECT_TRUE(reported(recorder, "PosterBoardNode::save: Cannot save to a non-open or closed stream"));

  ASSERT_TRUE(show("Pluto"));
  const std::string first = savedBody();
  EXPECT_EQ(first, body) << "the page as it was read";
  EXPECT_EQ(savedBody(), body) << "and again";
  // A page that became shorter ends where its text ends.
  page->deselectAll();
  symbol("Charon")->setSelected(1, 1);
  all<TextBox>(*page).front()->setSelected(1, 1);
  page->deleteObjects();
  const std::string shorter = savedBody();
  EXPECT_LT(shorter.size(), body.size());
  EXPECT_EQ(shorter.find("nitrogen"), std::string::npos) << "nothing of the old tail is left: " << shorter;
  EXPECT_EQ(shorter.substr(shorter.size() - 3), ",))") << shorter;
  std::stringstream back;
  std::unique_ptr<PosterBoardNode> read = readBack(shorter, back);
  EXPECT_GE(read->getStatus(), 0) << read->readError();
  EXPECT_EQ(read->sensitiveGraphics().size(), page->sensitiveGraphics().size());
  // Onto the stream the board was read from, without the book's stream.
  std::stringstream in(body);
  DB* db = book.db();
  PosterBoardNode again(&in, frame.get(), new Node(nullptr, NodeRef(db, page->uid()), String("Dwarf planet"), app), app);
  EXPECT_TRUE(again.isOpen());
  EXPECT_EQ(again.save(), 0);
  EXPECT_EQ(in.str(), body);
  again.attach(nullptr);
}

// A board whose writing fails with `status`.
class FailingBoard : public PosterBoardNode {
 public:
  FailingBoard(std::iostream* body, TWindow* parent, Nexil& app)
      : TWindow(parent, "failing"), KMFileInfo(AppTag), PosterBoardNode(body, parent, nullptr, app) {}
  LONG saveOn(KMEsrap& w) override {
    PosterBoardNode::saveOn(w);
    return -5;
  }
};

TEST_F(PosterBoardTest, AFailedWritingIsReportedWithItsStatus) {
  std::stringstream in(pageText({{1, "One", 40, 40}}, {}));
  FailingBoard w(&in, frame.get(), app);
  EXPECT_EQ(w.save(), -5);
  EXPECT_TRUE(reported(recorder, "PosterBoardNode::save: failed to save node, status = -5"));
  w.attach(nullptr);
}

// ---------------------------------------------------------------------------
// The clipboard

TEST_F(PosterBoardTest, APastedAnnotationTakesAFreshIdAndItsTethersTheirNewOnes) {
  PosterBoardNode& w = board(pageText({{1, "One", 40, 40}}, {}));
  w.beginIdMap();
  w.noteMappedId(7, 1);  // symbol 7 of the copied page was pasted as symbol 1
  LONG tethers[] = {7, 8};
  KM_Annotation r{};
  r.id = 9;
  r.x = 100, r.y = 100, r.x2 = 200, r.y2 = 150;
  r.flags = KM_ABSENT;
  r.extra = KM_ABSENT;
  r.values = tethers;
  r.valueCount = 2;
  r.kind = 't';
  r.data = const_cast<char*>("pasted");
  r.dataSize = 7;
  EXPECT_EQ(w.CMAnnotation(r), 0);
  EXPECT_NE(r.id, 9);
  LONG fresh = 0;
  EXPECT_TRUE(w.findMappedId(9, fresh));
  EXPECT_EQ(fresh, r.id);
  EXPECT_EQ(tethers[0], 1);
  EXPECT_EQ(tethers[1], static_cast<LONG>(0x80000000u)) << "no pasted object had that id";
  w.endIdMap();
  ASSERT_EQ(all<TextBox>(w).size(), 1u);
  EXPECT_NE(all<TextBox>(w).front()->tetherTo(w.findSymbol(1)), nullptr);
}

TEST_F(PosterBoardTest, PastingTwiceLandsEightThenSixteenAway) {
  ASSERT_TRUE(show("Pluto"));
  NodeGNode* charon = symbol("Charon");
  ASSERT_NE(charon, nullptr);
  TextBox* note = all<TextBox>(*page).front();
  page->deselectAll();
  charon->setSelected(1, 1);
  note->setSelected(1, 1);
  RECT charonAt, noteAt;
  charon->rawRect(charonAt);
  note->rawRect(noteAt);
  page->CMEditCopy();
  const std::size_t before = page->sensitiveGraphics().size();
  for (int copy = 1; copy <= 2; ++copy) {
    SCOPED_TRACE(copy);
    page->CMEditPaste();
    ASSERT_EQ(page->sensitiveGraphics().size(), before + 2 * copy);
    NodeGNode* s = all<NodeGNode>(*page).back();
    TextBox* t = all<TextBox>(*page).back();
    RECT sr, tr;
    s->rawRect(sr);
    t->rawRect(tr);
    const int d = 8 * copy;
    EXPECT_EQ(rectText(sr), rectText({charonAt.left + d, charonAt.top + d, charonAt.right + d, charonAt.bottom + d}));
    EXPECT_EQ(rectText(tr), rectText({noteAt.left + d, noteAt.top + d, noteAt.right + d, noteAt.bottom + d}));
    EXPECT_STREQ(t->text(), note->text());
    EXPECT_TRUE(s->isSelected() && t->isSelected());
    EXPECT_FALSE(charon->isSelected()) << "the pasted objects are the selection";
    EXPECT_NE(s->id(), charon->id());
    EXPECT_NE(t->id(), note->id());
  }
  EXPECT_TRUE(page->isModified());
  EXPECT_STREQ(page->getCMName(), "Pluto") << "the page keeps its own header";
}

TEST_F(PosterBoardTest, PlainTextPastesAsATextBoxAndOversizedNativeBlocksAreRefused) {
  ASSERT_TRUE(show("Pluto"));
  ASSERT_TRUE(::OpenClipboard(page->HWindow));
  ::EmptyClipboard();
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, 6);
  std::memcpy(::GlobalLock(block), "hello", 6);
  ::GlobalUnlock(block);
  ::SetClipboardData(CF_TEXT, block);
  ::CloseClipboard();
  page->setLastPoint(kEmpty);
  page->CMEditPaste();
  ASSERT_EQ(all<TextBox>(*page).size(), 2u);
  TextBox* pasted = all<TextBox>(*page).back();
  EXPECT_STREQ(pasted->text(), "hello");
  RECT r;
  pasted->rawRect(r);
  EXPECT_EQ(r.left, kEmpty.x);
  EXPECT_EQ(r.top, kEmpty.y);

  EXPECT_TRUE(page->pasteSizeOk(0x7FFFFFFFul));
  EXPECT_FALSE(page->pasteSizeOk(0x80000000ul));
  EXPECT_TRUE(reported(recorder,
                       "Cannot currently paste native Tavix objects larger than 2147483647 bytes, object size=2147483648"));
}

TEST_F(PosterBoardTest, CutCopiesAndDeletesTheSelection) {
  ASSERT_TRUE(show("Pluto"));
  EXPECT_FALSE(enabled(*page, PosterBoardNode::CmEditCut)) << "nothing selected";
  NodeGNode* charon = symbol("Charon");
  page->deselectAll();
  charon->setSelected(1, 1);
  EXPECT_TRUE(enabled(*page, PosterBoardNode::CmEditCut));
  page->EvCommand(PosterBoardNode::CmEditCut, nullptr, 0);
  EXPECT_EQ(symbol("Charon"), nullptr);
  page->EvCommand(PosterBoardNode::CmEditPaste, nullptr, 0);
  ASSERT_NE(symbol("Charon"), nullptr);
}

// ---------------------------------------------------------------------------
// Grouping

TEST_F(PosterBoardTest, GroupAndUngroupAreOfferedByTheSelection) {
  ASSERT_TRUE(show("Pluto"));
  page->setGroupingOn(false);
  draw(page->HWindow, {{100, 300}, {130, 320}});
  draw(page->HWindow, {{200, 300}, {230, 320}});
  host->run();
  ASSERT_EQ(all<PenStroke>(*page).size(), 2u);
  PenStroke* a = all<PenStroke>(*page)[0];
  PenStroke* b = all<PenStroke>(*page)[1];
  NodeGNode* charon = symbol("Charon");
  TextBox* note = all<TextBox>(*page).front();
  struct Case {
    std::vector<SensitiveGraphic*> selected;
    bool groupPen, groupMasterSlave, ungroupGroup, ungroupMasterSlave;
  } cases[] = {
      {{}, false, false, false, false},
      {{a}, false, false, false, false},
      {{a, b}, true, false, false, false},
      {{a, charon}, false, true, false, false},
      {{a, b, charon}, false, false, false, false},
      {{charon}, false, false, false, true},
      {{note}, false, false, false, false},
      {{a, note}, false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selected.size());
    page->deselectAll();
    for (SensitiveGraphic* g : c.selected) g->setSelected(1, 1);
    EXPECT_EQ(page->canGroupPen(), c.groupPen);
    EXPECT_EQ(page->canGroupMasterSlave(), c.groupMasterSlave);
    EXPECT_EQ(page->canUngroupGroup(), c.ungroupGroup);
    EXPECT_EQ(page->canUngroupMasterSlave(), c.ungroupMasterSlave);
    EXPECT_EQ(enabled(*page, PosterBoardNode::CmGroup), c.groupPen || c.groupMasterSlave);
    EXPECT_EQ(enabled(*page, PosterBoardNode::CmUngroup), c.ungroupGroup || c.ungroupMasterSlave);
  }

  // Two strokes become a group, which offers only ungrouping, and back.
  page->deselectAll();
  a->setSelected(1, 1);
  b->setSelected(1, 1);
  page->EvCommand(PosterBoardNode::CmGroup, nullptr, 0);
  ASSERT_EQ(all<GroupAnnotation>(*page).size(), 1u);
  EXPECT_TRUE(all<PenStroke>(*page).empty());
  EXPECT_TRUE(page->canUngroupGroup());
  EXPECT_FALSE(enabled(*page, PosterBoardNode::CmGroup));
  page->EvCommand(PosterBoardNode::CmUngroup, nullptr, 0);
  EXPECT_TRUE(all<GroupAnnotation>(*page).empty());
  ASSERT_EQ(all<PenStroke>(*page).size(), 2u);
  EXPECT_EQ(pointsText(all<PenStroke>(*page)[0]->points()), "100,300 130,320 ");

  // A stroke and a symbol: the stroke becomes the symbol's content, and goes
  // back to the page when the symbol is ungrouped.
  PenStroke* ink = all<PenStroke>(*page)[0];
  page->deselectAll();
  ink->setSelected(1, 1);
  charon->setSelected(1, 1);
  page->CMGroup();
  EXPECT_EQ(charon->slave(), static_cast<SimpleSlave*>(ink));
  EXPECT_EQ(ink->master(), static_cast<SimpleMaster*>(charon));
  const std::string saved = squeezed(savedBody());
  char master[16];
  std::snprintf(master, sizeof master, ",%x,(p", static_cast<unsigned>(charon->id()));
  EXPECT_NE(saved.find(master), std::string::npos) << saved;
  page->deselectAll();
  charon->setSelected(1, 1);
  page->CMUngroup();
  EXPECT_EQ(charon->slave(), nullptr);
  EXPECT_EQ(ink->master(), nullptr);
  EXPECT_STREQ(charon->displayName(), "Charon");
}

TEST_F(PosterBoardTest, ANewSymbolTakesItsSlaveFromItsPagesAttributes) {
  ASSERT_TRUE(show("Pluto"));
  DB* db = book.db();
  struct Case {
    const char* page;
    const char* attribute;
    const char* value;
    bool stroke;
  } cases[] = {{"Earth", "Pen", "2,1,2,6,10,0,1 1,2 5,9 ", true},
               {"Mars", "Group", "(0,0,10,10 P40,0,0,5,5,0,0,5,5 2,0,0,5,5,0,1 0,0 4,4 ) ", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    const ULONG id = db->resolveName(String(c.page));
    ASSERT_EQ(db->createAttribute(id, c.attribute, c.value), 0);
    NodeRef ref(db, id);
    TPoint at(200, 350);
    NodeGNode* s = page->newNode(&ref, &at, true);
    ASSERT_NE(s, nullptr);
    ASSERT_NE(s->slave(), nullptr);
    if (c.stroke) {
      auto* pen = dynamic_cast<PenStroke*>(s->slave());
      ASSERT_NE(pen, nullptr);
      EXPECT_EQ(pen->count(), 2u);
    } else {
      auto* group = dynamic_cast<GroupAnnotation*>(s->slave());
      ASSERT_NE(group, nullptr);
      EXPECT_EQ(group->members().Count(), 1u);
    }
  }
  NodeRef plain(db, db->resolveName(String("Venus")));
  EXPECT_EQ(page->checkCreateSlave(&plain), nullptr) << "a page without either attribute";
}

// ---------------------------------------------------------------------------
// The board's own behaviour

TEST_F(PosterBoardTest, TypingOnTheBoardStartsANewSymbolWithTheText) {
  ASSERT_TRUE(show("Pluto"));
  const std::size_t before = symbols().size();
  page->setLastPoint(kEmpty);
  page->SetFocus();
  host->run();
  host->type("Io");
  host->run();
  ASSERT_EQ(symbols().size(), before + 1);
  page->wrapUpNameEdits();
  EXPECT_STREQ(symbols().back()->placeholderName(), "Io");
  EXPECT_TRUE(page->isModified());

  // Control characters and a read-only page start nothing.
  page->SetFocus();
  page->EvChar('\r', 1, 0);
  EXPECT_EQ(symbols().size(), before + 1);
}

TEST_F(PosterBoardTest, TheMenuOffersSymbolsAndTextBoxesAndATextBoxIsMadeFromIt) {
  ASSERT_TRUE(show("Pluto"));
  host->menuChoice(PosterBoardNode::CmNewTextBox);
  host->rightClick(page->HWindow, kEmpty);
  host->run();
  const auto menus = host->desktop().eventsOf(ScriptedDesktop::Kind::Menu);
  ASSERT_FALSE(menus.empty());
  EXPECT_EQ(menus.back().text,
            "&Insert Idea Symbol{Insert &Existing Idea Symbol...\tAlt+Insert|Insert &New Idea Symbol...\tInsert}|New "
            "&Text Box|[New Embedded &Object...]");
  ASSERT_EQ(all<TextBox>(*page).size(), 2u);
  TextBox* made = all<TextBox>(*page).back();
  EXPECT_TRUE(made->isEditing());
  RECT r;
  made->rawRect(r);
  EXPECT_EQ(rectText(r), rectText({kEmpty.x, kEmpty.y, kEmpty.x + 200, kEmpty.y + 80}));
}

TEST_F(PosterBoardTest, AnEmptyPageShowsASymbolForItselfAndCountsAsEmpty) {
  DB* db = nullptr;
  ASSERT_EQ(app.addDB(book, "", bookPath.c_str(), 2, 0x20), 0);
  db = book.db();
  app.setCurrentDB(db);
  const ULONG id = db->createNode(String("Blank"), String("Topic"), 0);
  ASSERT_NE(id, 0xFFFFFFFFu);
  std::stringstream none;
  PosterBoardNode w(&none, frame.get(), new Node(nullptr, NodeRef(db, id), String("Topic"), app), app);
  w.Attr.Style = WS_CHILD | WS_VISIBLE;
  w.Attr.W = 400;
  w.Attr.H = 300;
  ASSERT_TRUE(w.Create());
  host->run();
  ASSERT_EQ(all<NodeGNode>(w).size(), 1u);
  EXPECT_STREQ(all<NodeGNode>(w).front()->displayName(), "Blank");
  EXPECT_TRUE(w.autoSymbol());
  EXPECT_FALSE(w.isModified());
  EXPECT_TRUE(w.isEmpty());
  w.newTextBox();
  EXPECT_FALSE(w.isEmpty());
}

TEST_F(PosterBoardTest, DeleteRemovesTheSelectionOrACharacterOfTheTextBeingTyped) {
  ASSERT_TRUE(show("Pluto"));
  TextBox* note = all<TextBox>(*page).front();
  note->startEditing();
  ASSERT_TRUE(note->isEditing());
  const std::size_t before = page->sensitiveGraphics().size();
  page->setModified(0);
  note->textBlock()->editControl()->SetSelection(0, 0);
  page->deleteObjects();
  EXPECT_EQ(page->sensitiveGraphics().size(), before);
  EXPECT_TRUE(page->isModified());
  note->stopEditing();
  EXPECT_EQ(std::string(note->text()), std::string(" dwarf planet of the Kuiper belt, with a heart-shaped plain of nitrogen ice."));
  page->deselectAll();
  note->setSelected(1, 1);
  page->deleteObjects();
  EXPECT_TRUE(all<TextBox>(*page).empty());
}

TEST_F(PosterBoardTest, TheSizeTakesInChildWindowsAndTheStyleKeepsTwoBits) {
  PosterBoardNode& w = board(pageText({{1, "One", 40, 40}}, {}));
  POINT size = {0, 0};
  w.getSize(size);
  EXPECT_LT(size.x, 700);
  TWindow child(&w, "child");
  child.Attr.Style = WS_CHILD | WS_VISIBLE;
  child.Attr.X = 650;
  child.Attr.Y = 450;
  child.Attr.W = 300;
  child.Attr.H = 200;
  ASSERT_TRUE(child.Create());
  w.getSize(size);
  EXPECT_EQ(size.x, 950);
  EXPECT_EQ(size.y, 650);
  // A maximised child is left out, and fills the board again after a resize.
  child.Show(SW_SHOWMAXIMIZED);
  host->run();
  POINT without = {0, 0};
  w.getSize(without);
  EXPECT_LT(without.x, 950) << "no longer counted";
  w.MoveWindow(0, 0, 500, 400, true);
  host->run();
  const TRect inside = w.GetClientRect();
  const TRect filled = child.GetClientRect();
  EXPECT_EQ(filled.right - filled.left, inside.right - inside.left);
  EXPECT_EQ(filled.bottom - filled.top, inside.bottom - inside.top);

  w.SetStyle(WS_CHILD | WS_BORDER);
  EXPECT_EQ(w.GetStyle() & (WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL),
            static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_BORDER));
}

// ---------------------------------------------------------------------------
// Hostile records

TEST_F(PosterBoardTest, HostilePenRecordsAreReadAsFarAsTheyGo) {
  std::string deep = "(0,0,10,10 ";
  for (int i = 0; i < 200; ++i) deep += "G" + std::to_string(100 + i) + ",0,0,10,10,0,0,10,10 (0,0,10,10 ";
  const std::string lim = std::to_string(Graphic::kCoordinateLimit);
  const std::vector<Note> notes = {
      // A stroke that claims two thousand million points and has two.
      {0x10, 'p', {0, 0, 50, 50}, "2147483647,0,0,10,10,0,1 1,1 5,5 "},
      // Groups nested far too deep, and one that never closes.
      {0x11, 'g', {0, 0, 50, 50}, deep},
      {0x12, 'g', {0, 0, 50, 50}, "(0,0,10,10 P50,0,0,5,5,0,0,5,5 2,0,0,5,5,0,1 0,0 4,4 P51,0,0,5"},
      // Boxes at and past the limits of the coordinates.
      {0x13, 'p', {INT32_MIN + 1, INT32_MIN + 1, INT32_MAX, INT32_MAX}, "2,0,0,2,2,0,1 0,0 1,1 "},
      {0x14, 't', {INT32_MAX, INT32_MAX, INT32_MIN + 1, INT32_MIN + 1}, "backwards at the edge"},
      {0x15, 'g', {0, 0, 50, 50}, "(" + lim + "," + lim + ",-" + lim + ",-" + lim + " P60,-2147483647,0,2147483647,5,0,0,5,5 2,0,0,5,5,2147483647,99999 0,0 4,4 ) "},
  };
  PosterBoardNode& w = board(pageText({}, notes));
  EXPECT_GE(w.getStatus(), 0) << w.readError();
  const std::vector<PenStroke*> strokes = all<PenStroke>(w);
  ASSERT_EQ(strokes.size(), 2u);
  EXPECT_EQ(strokes[0]->count(), 2u);
  const std::vector<GroupAnnotation*> groups = all<GroupAnnotation>(w);
  ASSERT_EQ(groups.size(), 3u);
  for (GroupAnnotation* g : groups) EXPECT_TRUE(g->invariantsHold()) << g->id();
  EXPECT_EQ(groups[1]->members().Count(), 1u) << "the member read before the text ended";
  for (SensitiveGraphic* g : w.sensitiveGraphics()) {
    RECT r;
    g->rawRect(r);
    EXPECT_LE(r.left, r.right);
    EXPECT_GE(r.left, -Graphic::kCoordinateLimit);
    EXPECT_LE(r.right, Graphic::kCoordinateLimit);
  }
  // The page draws and writes itself back.
  const std::vector<std::string> picture = wholePicture(w.HWindow);
  EXPECT_FALSE(picture.empty());
  std::ostringstream out;
  EXPECT_GE(w.writePage(out), 0);
  EXPECT_EQ(countOf(out.str(), "(g\""), 3u);
}

}  // namespace

namespace {

TEST_F(PosterBoardTest, AnEmbeddedObjectIsSavedWithThePageAndReadBackTheSame) {
  ASSERT_TRUE(show("Pluto"));
  WriteProfileString("embedding", "PBrush", "Picture,picture-editor,picture");
  OleObjectImage image;
  image.className = "PBrush";
  image.native = {'B', 'M', 0, 1, 2, 3};
  image.presentation.kind = OlePresentation::Dib;
  image.presentation.className = "DIB";
  image.presentation.width = 1000;
  image.presentation.height = 500;
  image.presentation.data.assign(40 + 16, 0);
  image.presentation.data[0] = 40, image.presentation.data[4] = 2, image.presentation.data[8] = 2;
  image.presentation.data[12] = 1, image.presentation.data[14] = 24;
  std::vector<uint8_t> bytes;
  OleMemoryStream out(&bytes);
  ASSERT_EQ(writeOleObject(&out, image), OLE_OK);

  auto* box = new OleBox(page.get(), 0x70, 30, 300, 230, 400, bytes.data(), static_cast<ULONG>(bytes.size()));
  page->addSNode(box);
  box->SetupWindow();
  ASSERT_NE(box->object(), nullptr);
  const std::string saved = savedBody();
  EXPECT_EQ(countOf(saved, "(o\n~"), 1u) << saved;
  std::stringstream in;
  std::unique_ptr<PosterBoardNode> back = readBack(saved, in);
  ASSERT_EQ(all<OleBox>(*back).size(), 1u);
  OleBox* again = all<OleBox>(*back).front();
  ASSERT_NE(again->object(), nullptr);
  EXPECT_EQ(again->id(), 0x70);
  std::vector<uint8_t> resaved;
  OleMemoryStream s(&resaved);
  ASSERT_EQ(OleSaveToStream(again->object(), &s), OLE_OK);
  EXPECT_EQ(resaved, bytes);
  EXPECT_FALSE(back->isModified());
}

}  // namespace
