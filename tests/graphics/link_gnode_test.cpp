// Link boxes on a page window of a small real book (pages A, B, C): where a new
// box goes and its arrows, its menus, showing a link's ends level by level, the
// page's link records written and read back, hostile records, and the switches
// between placeholder and real link that reach the book.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "book_page_support.h"
#include "core/link.h"
#include "core/link_ref.h"
#include "core/links.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/arrow.h"
#include "graphics/glyph_factory.h"
#include "graphics/link_gnode_ro.h"
#include "graphics/link_relation.h"
#include "graphics/node_gnode.h"
#include "graphics/precondition_exception.h"
#include "maptext/km_esrap.h"

namespace {

class GridHost : public PageHost {
 public:
  DWORD options() const override { return grid > 1 ? DWORD{GridOn} : DWORD{0}; }
  int gridSize() const override { return grid; }
  int zoomPercent() const override { return 100; }
  ZoneMode zoneMode() const override { return NineZones; }
  bool singleWindow() const override { return true; }
  void setStatusField(int, const char*) override {}
  int grid = 1;
};

class Page : public ViewNode {
 public:
  Page(TWindow* parent, Node* node, Nexil& app)
      : TWindow(parent, "page"), KMFileInfo(AppTag), ViewNode(parent, node, app) {
    Attr.Style = WS_CHILD | WS_VISIBLE;
    Attr.W = 600;
    Attr.H = 400;
  }
  void copying(bool on) { setOption(CopyingToClipboard, on); }
};

RECT where(const Graphic* g) {
  RECT r;
  g->rawRect(r);
  return r;
}

std::string menuOf(LinkGNode& b) {
  HMENU m = b.createPopup();
  const std::string text = findMenu(m)->describe();
  ::DestroyMenu(m);
  return text;
}

// "dotted" (pen style 2 and Dotted) or "solid" (pen style 6) for each arrow of the box.
std::string lines(LinkGNode* b) {
  std::string s;
  std::vector<GRelation*> all(b->toRelations().begin(), b->toRelations().end());
  all.insert(all.end(), b->fromRelations().begin(), b->fromRelations().end());
  for (GRelation* r : all) {
    const bool dotted = (r->visual()->state() & Graphic::Dotted) != 0;
    s += r->visual()->penStyle() == (dotted ? PS_DOT : PS_INSIDEFRAME) ? (dotted ? "dotted " : "solid ") : "mixed ";
  }
  return s;
}

// The link boxes of a page, one line each.
std::vector<std::string> boxes(const ViewNode& page) {
  std::vector<std::string> out;
  for (SensitiveGraphic* g : page.sensitiveGraphics()) {
    auto* b = dynamic_cast<LinkGNode*>(g);
    if (b == nullptr) continue;
    std::string s = std::to_string(b->id()) + " " + b->typeName() + " " + rectText(where(b)) + " " +
                    std::to_string(b->state() & Graphic::SavedStateMask & ~Graphic::Hidden);
    s += " from " + (b->getSource() != nullptr ? std::to_string(b->getSource()->id()) : std::string("-"));
    for (GRelation* r : b->fromRelations()) {
      if (auto* d = dynamic_cast<NodeGNode*>(r->to())) s += " to " + std::to_string(d->id());
    }
    s += b->linkRef() != nullptr ? " link " + std::to_string(b->linkRef()->uid()) : std::string(" placeholder");
    out.push_back(s);
  }
  return out;
}

class LinkBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DBRef r;
    app.addDB(r, "", nullptr, 0, 0);
    db = r.db();
    pa = db->createNode(String("A"), String("map"), 0);
    pb = db->createNode(String("B"), String("map"), 0);
    pc = db->createNode(String("C"), String("map"), 0);
    host = std::make_unique<HeadlessHost>(800, 600);
    frame = std::make_unique<TWindow>(host->makeTopLevel(600, 400, "Book"));
    font = ::CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    page = open(new Node(nullptr, NodeRef(db, pa), String("map"), app));
  }
  void TearDown() override {
    page.reset();
    frame.reset();
    host.reset();
    ::DeleteObject(font);
  }
  std::unique_ptr<Page> open(Node* node) {
    auto p = std::make_unique<Page>(frame.get(), node, app);
    p->setHost(&grid);
    p->setFont(font);
    EXPECT_TRUE(p->Create());
    host->run();
    return p;
  }
  NodeGNode* symbol(ULONG uid, RECT r) {
    NodeRef ref(db, uid);
    NodeGNode* s = page->factory().makeNodeGNode(page.get(), page->newObjectId(), &ref, nullptr, r.left, r.top);
    page->addSNode(s);
    s->setRect(r, nullptr);
    return s;
  }
  ULONG saveLink(ULONG from, ULONG to) {
    Link link(db, String("supports"), NodeRef(db, from), NodeRef(db, to), app);
    EXPECT_EQ(0, link.save(app, 0));
    return link.linkRef()->uid();
  }
  LinkGNode* box(NodeGNode* from, NodeGNode* to, LinkRef* ref, int x = 0, int y = 0) {
    LinkGNode* b =
        page->factory().makeLinkGNode(page.get(), page->newObjectId(), "supports", ref, from, to, x, y, nullptr);
    page->addSNode(b);
    return b;
  }
  template <class T>
  std::vector<T*> all() const {
    std::vector<T*> out;
    for (SensitiveGraphic* g : page->sensitiveGraphics()) {
      if (auto* t = dynamic_cast<T*>(g)) out.push_back(t);
    }
    return out;
  }

  PageNexil app;
  DB* db = nullptr;
  ULONG pa = 0, pb = 0, pc = 0;
  GridHost grid;
  std::unique_ptr<HeadlessHost> host;
  std::unique_ptr<TWindow> frame;
  HFONT font = nullptr;
  std::unique_ptr<Page> page;
  ReportRecorder reports;
};

TEST_F(LinkBoxTest, ANewBoxIsPlacedBetweenOrBesideItsSymbolsWithItsArrows) {
  struct Case {
    int grid;
    RECT source;
    bool withDestination;  // at (280,90)-(320,110)
    int x, y;
    POINT expected;  // the box's centre; its top-left corner when (x, y) is given
  } cases[] = {
      {1, {80, 90, 120, 110}, true, 0, 0, {200, 100}},     // centres (100,100) and (300,100)
      {1, {110, 90, 150, 110}, false, 0, 0, {170, 100}},   // right edge 150: the gap is never below 20
      {10, {110, 90, 150, 110}, false, 0, 0, {175, 105}},  // 170 on a grid of 10, snapped mid-cell
      {30, {110, 90, 150, 110}, false, 0, 0, {195, 105}},  // a wider grid is the gap: 180, snapped
      {1, {80, 90, 120, 110}, true, 40, 250, {40, 250}},
  };
  for (const Case& c : cases) {
    grid.grid = c.grid;
    NodeGNode* from = symbol(pa, c.source);
    NodeGNode* to = c.withDestination ? symbol(pb, {280, 90, 320, 110}) : nullptr;
    LinkGNode* b = box(from, to, nullptr, c.x, c.y);
    const RECT r = where(b);
    const std::string what = rectText(c.source) + " grid " + std::to_string(c.grid);
    EXPECT_EQ(c.expected.x, c.x != 0 ? r.left : (r.left + r.right) / 2) << what;
    EXPECT_EQ(c.expected.y, c.y != 0 ? r.top : (r.top + r.bottom) / 2) << what;
    EXPECT_TRUE(b->state() & Graphic::NoResize);
    EXPECT_EQ(LinkGNode::Layer, b->paintLayer());
    // An arrow from the source to the box; a link relation's arrow from the box to the destination.
    ASSERT_EQ(1u, b->toRelations().size()) << what;
    EXPECT_EQ(from, b->getSource());
    EXPECT_NE(nullptr, dynamic_cast<Arrow*>(b->toRelations().front()->visual()));
    ASSERT_EQ(c.withDestination ? 1u : 0u, b->fromRelations().size()) << what;
    if (c.withDestination) {
      GRelation* rel = b->fromRelations().front();
      EXPECT_EQ(to, rel->to());
      EXPECT_NE(nullptr, dynamic_cast<LinkRelation*>(rel));
      EXPECT_NE(nullptr, dynamic_cast<Arrow*>(rel->visual()));
    }
    b->eraseGraphic();
    EXPECT_EQ(0u, page->otherGraphics().size()) << "the arrows go with the box";
    page->destroyAllGraphics();
  }
  NodeGNode* from = symbol(pa, {0, 0, 10, 10});
  const struct {
    GraphicWindow* parent;
    NodeGNode* from;
    const char* message;
  } refused[] = {{page.get(), nullptr, "src!=NULL"}, {nullptr, from, "AParent!=NULL"}};
  for (const auto& c : refused) {
    try {
      LinkGNode bad(c.parent, 1, "x", nullptr, c.from, nullptr, 0, 0, nullptr);
      ADD_FAILURE() << "made without " << c.message;
    } catch (const PreconditionException& e) {
      EXPECT_STREQ(c.message, e.message());
    }
  }
}

TEST_F(LinkBoxTest, MenusOfRealPlaceholderAndReadOnlyBoxes) {
  LinkRef ref(db, saveLink(pa, pb));
  NodeGNode* a = symbol(pa, {10, 10, 60, 30});
  EXPECT_EQ("&Rename|Push to &Back|-|&Delete From Page|D&elete From Page and Book|&Change to Placeholder Link",
            menuOf(*box(a, nullptr, &ref)));
  EXPECT_EQ("&Rename|Push to &Back|-|&Delete From Page|&Change to (non-placeholder) Link",
            menuOf(*box(a, nullptr, nullptr)));
  // A window without a book is read-only.
  std::unique_ptr<Page> bare = open(nullptr);
  LinkGNode real(bare.get(), 2, "t", &ref, a, nullptr, 100, 10, nullptr);
  LinkGNode ghost(bare.get(), 3, "t", nullptr, a, nullptr, 100, 50, nullptr);
  LinkGNodeRO ro(bare.get(), 4, "t", &ref, a, nullptr, 100, 90, nullptr);
  EXPECT_EQ("[&Rename]|Push to &Back|-|&Delete From Page|[D&elete From Page and Book]|[&Change to Placeholder Link]",
            menuOf(real));
  EXPECT_EQ("[&Rename]|Push to &Back|-|&Delete From Page|[&Change to (non-placeholder) Link]", menuOf(ghost));
  EXPECT_EQ("Push to &Back|&Delete From Page", menuOf(ro));
}

TEST_F(LinkBoxTest, TheLevelsPromptShowsDestinationsAndTheirLinks) {
  LinkRef ab(db, saveLink(pa, pb));
  saveLink(pb, pc);
  const struct {
    const char* answer;
    int button;
    std::size_t symbols, boxes;  // on the page afterwards
  } cases[] = {{"0", IDOK, 1, 1}, {"1", IDOK, 2, 1}, {"2", IDOK, 3, 2}, {"2", IDCANCEL, 1, 1}};
  for (const auto& c : cases) {
    page->destroyAllGraphics();
    LinkGNode* b = box(symbol(pa, {10, 100, 60, 120}), nullptr, &ab);
    host->desktop().clear();
    host->desktop().answerText(c.button, c.answer);
    GMessage m;
    m.keys = LinkGNode::CmExpandN;
    b->handleMessage(m);
    const auto asked = host->desktop().eventsOf(ScriptedDesktop::Kind::InputBox);
    ASSERT_EQ(1u, asked.size());
    EXPECT_EQ("Expand Links|Link levels to expand", asked[0].caption + "|" + asked[0].text);
    EXPECT_EQ(c.symbols, all<NodeGNode>().size()) << c.answer;
    EXPECT_EQ(c.boxes, all<LinkGNode>().size()) << c.answer;
    if (c.symbols < 2) continue;
    auto* dest = dynamic_cast<NodeGNode*>(b->fromRelations().front()->to());
    ASSERT_NE(nullptr, dest);
    EXPECT_STREQ("B", dest->displayName());
    EXPECT_EQ(where(b).right + 20, where(dest).left) << "B right of the box";
  }
}

TEST_F(LinkBoxTest, LinkRecordsReadBackIntoTheSameBoxes) {
  NodeGNode* a = symbol(pa, {10, 10, 60, 30});
  NodeGNode* b = symbol(pb, {300, 10, 350, 30});
  const ULONG l = saveLink(pa, pb);
  LinkRef ref(db, l);
  box(a, b, &ref, 120, 40);
  box(a, nullptr, nullptr, 130, 80);
  const std::string text[] = {"<this>#$" + std::to_string(l),
                              std::string(db->bookName().c_str()) + "#$" + std::to_string(l)};
  for (bool copying : {false, true}) {
    page->copying(copying);
    std::stringstream out;
    KMEsrap w(&out, ViewNode::AppTag);
    w.writeFile(ViewNode::AppTag, 1, nullptr);
    w.writeConceptMap(nullptr, nullptr, KM_ABSENT);
    ASSERT_GE(page->writeGraphics(w), 0);
    w.close();
    std::unique_ptr<Page> copy = open(new Node(nullptr, NodeRef(db, pc), String("map"), app));
    copy->attach(&out);
    ASSERT_EQ(0, copy->readFile()) << out.str();
    copy->attach(nullptr);
    // The same boxes: id, type, place, saved flags, ends and link.
    EXPECT_EQ(boxes(*page), boxes(*copy));
    EXPECT_NE(std::string::npos, out.str().find("\"" + text[copying] + "\"")) << out.str();
  }
  page->copying(false);

  // Hostile records: a missing source is refused; odd flags, ids and texts are tamed.
  LONG missing[] = {999999, b->id(), KM_ABSENT};
  LONG odd[] = {a->id(), 0x7FFFFFFF, KM_ABSENT};
  const struct {
    LONG* ids;
    const char* type;
    const char* ref;
    ULONG flags;
    const char* label;  // "" when refused
  } cases[] = {{missing, "x", nullptr, 0, ""},
               {nullptr, "x", nullptr, 0, ""},
               {odd, nullptr, "99999999999", 0xFFFFFFFFu, "[]"},
               {odd, "", "#$#$", static_cast<ULONG>(KM_ABSENT), "[]"}};
  for (const auto& c : cases) {
    reports.reports.clear();
    KM_Link rec = {354, 77, KM_ABSENT, c.type, c.ids, 200, 300, c.flags, KM_ABSENT, c.ref, nullptr};
    LinkGNode* made = LinkGNode::make(page.get(), rec, nullptr);
    if (*c.label == '\0') {
      EXPECT_EQ(nullptr, made);
      EXPECT_EQ("E: No source found for link ID 77", reports.reports.at(0));
      continue;
    }
    ASSERT_NE(nullptr, made);
    EXPECT_EQ(c.label, made->shape()->label().text());
    EXPECT_EQ(a, made->getSource());
    EXPECT_TRUE(made->fromRelations().empty());
    EXPECT_EQ("(200,300)", rectText(where(made)).substr(0, 9));
    EXPECT_EQ(0u, made->state() & (~Graphic::SavedStateMask | Graphic::Hidden));
  }
}

TEST_F(LinkBoxTest, PlaceholderAndRealLinksSwitchTheLinesAndTheBook) {
  NodeGNode* a = symbol(pa, {10, 10, 60, 30});
  NodeGNode* b = symbol(pb, {300, 10, 350, 30});
  LinkRef ref(db, saveLink(pa, pb));
  LinkGNode* box1 = box(a, b, &ref);
  EXPECT_EQ("solid solid ", lines(box1));
  EXPECT_EQ(LinkGNode::GhostReal | LinkGNode::GhostSourceValid | LinkGNode::GhostHasSource |
                LinkGNode::GhostHasDestination,
            box1->ghostStatus());
  EXPECT_EQ(0, box1->dereference(1, -1));
  EXPECT_EQ("dotted dotted ", lines(box1));
  EXPECT_TRUE(page->isModified());
  EXPECT_EQ(-1, box1->dereference(1, -1));

  // Real again: a new link of the book from A to B, listed by both pages.
  ASSERT_EQ(0, box1->instantiate());
  ASSERT_NE(nullptr, box1->linkRef());
  EXPECT_EQ("solid solid ", lines(box1));
  std::unique_ptr<Link> back(LinkRef(*box1->linkRef()).getLink(app, 0));
  ASSERT_NE(nullptr, back);
  ASSERT_EQ(2u, back->specCount());
  EXPECT_EQ(pa, back->specifier(0).ref().uid());
  EXPECT_EQ(Specifier::Source, back->specifier(0).dir());
  EXPECT_EQ(pb, back->specifier(1).ref().uid());
  EXPECT_EQ(2u, NodeRef(db, pb).getLinks(page.get(), app)->count());
  EXPECT_EQ(-1, box(a, nullptr, nullptr, 100, 200)->instantiate()) << "nothing to link to";

  // Deleting from the book asks first: Cancel keeps box and link, OK removes both.
  const ULONG l = box1->linkRef()->uid();
  for (int button : {IDCANCEL, IDOK}) {
    host->desktop().clear();
    host->desktop().answer(button);
    GMessage m;
    m.keys = LinkGNode::CmDeleteFromBook;
    box1->handleMessage(m);
    const auto asked = host->desktop().eventsOf(ScriptedDesktop::Kind::MessageBox);
    ASSERT_EQ(1u, asked.size());
    EXPECT_EQ("Do you really want to delete link of type \"supports\" from the book?", asked[0].text);
    EXPECT_EQ("Link Deletion Confirmation", asked[0].caption);
    EXPECT_EQ(MB_OKCANCEL | MB_ICONQUESTION, asked[0].type);
    const std::vector<LinkGNode*> left = all<LinkGNode>();
    EXPECT_EQ(button == IDCANCEL, std::find(left.begin(), left.end(), box1) != left.end());
    EXPECT_EQ(button == IDCANCEL, std::unique_ptr<Link>(LinkRef(db, l).getLink(app, 0)) != nullptr);
  }
}

TEST_F(LinkBoxTest, VerifyingTakesTheStoredTypeAndReportsADeletedLink) {
  NodeGNode* a = symbol(pa, {10, 10, 60, 30});
  const ULONG l = saveLink(pa, pb);
  LinkRef ref(db, l);
  LinkGNode* b = box(a, nullptr, &ref);
  std::unique_ptr<Link> link(LinkRef(db, l).getLink(app, NodeRef::ModeWrite));
  const String renamed("refutes");
  link->type(&renamed);
  EXPECT_EQ(-1, b->verify(nullptr)) << "the type changed";
  EXPECT_EQ("refutes", b->shape()->label().text());
  EXPECT_EQ(0, b->verify(nullptr)) << "nothing changed since";
  ASSERT_GE(link->destroy(app), 0);
  reports.reports.clear();
  EXPECT_EQ(0, b->verify(nullptr));
  const std::vector<std::string>& said = reports.reports;
  ASSERT_FALSE(said.empty());
  EXPECT_EQ("Verifying link '' ...", said.front());
  EXPECT_NE(said.end(), std::find(said.begin(), said.end(), "Verify: Link 'refutes' has been deleted"));
}

}  // namespace
