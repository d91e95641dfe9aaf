// Link boxes on a page window of a small real book: where a new box goes, its
// arrows, its menus, showing a link's ends level by level, the link record it
// writes and the box a record makes, and the switches between placeholder and
// real link that reach the book.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/db.h"
#include "core/link.h"
#include "core/link_ref.h"
#include "core/links.h"
#include "core/nexil.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/arrow.h"
#include "graphics/glyph_factory.h"
#include "graphics/link_gnode_ro.h"
#include "graphics/link_relation.h"
#include "graphics/node_gnode.h"
#include "graphics/precondition_exception.h"
#include "graphics/view_node.h"
#include "maptext/km_esrap.h"
#include "maptext/map_read.h"
#include "page_test_support.h"

namespace {

// Opens books as plain DB objects and has no page windows of its own.
class BookApp : public Nexil {
 public:
  int addDB(DBRef& into, const char* net, const char* name, int flags, int share) override {
    into.ref(new DB(*this, net, name, flags, share));
    books.push_back(into);
    return 0;
  }
  int findDB(DBRef& into, const char*, const char* name) override {
    for (DBRef& r : books) {
      if (r.db() != nullptr && r.db()->bookName().isEqual(String(name))) {
        into.ref(r.db());
        return 0;
      }
    }
    return 1;
  }
  Node* getDisplayedNode(NodeRef&) override { return nullptr; }
  Node* instantiateNode(std::iostream*, NodeRef&) override { return nullptr; }
  int saveNode(std::iostream&, Node&) override { return -1; }
  int loadNode(TWindow*, NodeRef&, int, int, TRect*, bool) override { return -1; }
  NodeWindow* makeNodeWindow(DB*, const char*, const char*) override { return nullptr; }
  std::vector<DBRef> books;
};

class Host : public PageHost {
 public:
  DWORD options() const override { return opts; }
  int gridSize() const override { return grid; }
  int zoomPercent() const override { return 100; }
  ZoneMode zoneMode() const override { return zones; }
  bool singleWindow() const override { return true; }
  void setStatusField(int, const char*) override {}
  DWORD opts = 0;
  int grid = 1;
  ZoneMode zones = NineZones;
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

// Collects the link records of a map text, texts copied.
class LinkReader : public MapRead {
 public:
  explicit LinkReader(std::istream* in) : KMFileInfo("test"), MapRead("test", in) {}
  struct Record {
    LONG id, node1, node2, a, b;
    ULONG flags;
    std::string type, ref;
  };
  int CMLink(KM_Link& l) override {
    records.push_back({l.id, l.nodeIds ? l.nodeIds[0] : 0, l.nodeIds ? l.nodeIds[1] : 0, l.a, l.b, l.flags,
                       l.typeName ? l.typeName : "-", l.ref ? l.ref : "-"});
    return 0;
  }
  int CMFileHeader(KM_FileHeader&) override { return 0; }
  int CMCM(KM_CM&) override { return 0; }
  int CMNode(KM_Node&) override { return 0; }
  int CMNodeType(KM_NodeType&) override { return 0; }
  int CMLinkType(KM_LinkType&) override { return 0; }
  int CMAnnotation(KM_Annotation&) override { return 0; }
  int CMAttr(char*, char*) override { return 0; }
  std::vector<Record> records;
};

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
    p->setHost(&pageHost);
    p->setFont(font);
    EXPECT_TRUE(p->Create());
    host->run();
    return p;
  }
  NodeGNode* symbol(ULONG uid, RECT r, Page* on = nullptr) {
    on = on != nullptr ? on : page.get();
    NodeRef ref(db, uid);
    NodeGNode* s = on->factory().makeNodeGNode(on, on->newObjectId(), &ref, nullptr, r.left, r.top);
    on->addSNode(s);
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
  int symbols() const {
    int n = 0;
    for (SensitiveGraphic* g : page->sensitiveGraphics()) n += dynamic_cast<NodeGNode*>(g) != nullptr;
    return n;
  }
  static RECT where(const Graphic* g) {
    RECT r;
    g->rawRect(r);
    return r;
  }
  static std::string menuOf(LinkGNode* b) {
    HMENU m = b->createPopup();
    std::string text = findMenu(m)->describe();
    ::DestroyMenu(m);
    return text;
  }

  BookApp app;
  DB* db = nullptr;
  ULONG pa = 0, pb = 0, pc = 0;
  Host pageHost;
  std::unique_ptr<HeadlessHost> host;
  std::unique_ptr<TWindow> frame;
  HFONT font = nullptr;
  std::unique_ptr<Page> page;
  ReportRecorder reports;
};

TEST_F(LinkBoxTest, ANewBoxIsPlacedBetweenOrBesideItsSymbolsWithTwoArrows) {
  struct Case {
    int grid;
    RECT source;
    bool withDestination;
    int x, y;
    POINT centre;  // of the box; x < 0: (x, y) is the top-left corner
  } cases[] = {
      {1, {80, 90, 120, 110}, true, 0, 0, {200, 100}},     // centres (100,100) and (300,100)
      {1, {110, 90, 150, 110}, false, 0, 0, {170, 100}},   // right edge 150: the gap is never below 20
      {10, {110, 90, 150, 110}, false, 0, 0, {175, 105}},  // 170 on a grid of 10, snapped mid-cell
      {30, {110, 90, 150, 110}, false, 0, 0, {195, 105}},  // a wider grid is the gap: 180, snapped
      {1, {80, 90, 120, 110}, true, 40, 250, {-1, -1}},
  };
  for (const Case& c : cases) {
    pageHost.grid = c.grid;
    pageHost.opts = c.grid > 1 ? DWORD{PageHost::GridOn} : DWORD{0};
    NodeGNode* from = symbol(pa, c.source);
    NodeGNode* to = c.withDestination ? symbol(pb, {280, 90, 320, 110}) : nullptr;
    LinkGNode* b = box(from, to, nullptr, c.x, c.y);
    const RECT r = where(b);
    const std::string what = rectText(c.source) + " grid " + std::to_string(c.grid);
    if (c.centre.x < 0) {
      EXPECT_EQ(c.x, r.left) << what;
      EXPECT_EQ(c.y, r.top) << what;
    } else {
      EXPECT_EQ(c.centre.x, (r.left + r.right) / 2) << what;
      EXPECT_EQ(c.centre.y, (r.top + r.bottom) / 2) << what;
    }
    EXPECT_TRUE(b->state() & Graphic::NoResize);
    EXPECT_EQ(LinkGNode::Layer, b->paintLayer());
    // The source's arrow arrives at the box; the box's arrow reaches the destination.
    ASSERT_EQ(1u, b->toRelations().size()) << what;
    EXPECT_EQ(from, b->toRelations().front()->from());
    EXPECT_NE(nullptr, dynamic_cast<Arrow*>(b->toRelations().front()->visual()));
    ASSERT_EQ(c.withDestination ? 1u : 0u, b->fromRelations().size()) << what;
    if (c.withDestination) {
      GRelation* rel = b->fromRelations().front();
      EXPECT_NE(nullptr, dynamic_cast<LinkRelation*>(rel));
      EXPECT_EQ(to, rel->to());
      EXPECT_NE(nullptr, dynamic_cast<Arrow*>(rel->visual()));
    }
    EXPECT_EQ(from, b->getSource());
    page->destroyAllGraphics();
  }
  EXPECT_EQ(0u, page->otherGraphics().size()) << "the arrows go with the box";

  try {
    LinkGNode bad(page.get(), 1, "x", nullptr, nullptr, nullptr, 0, 0, nullptr);
    ADD_FAILURE() << "a box without a source was made";
  } catch (const PreconditionException& e) {
    EXPECT_STREQ("src!=NULL", e.message());
  }
  try {
    NodeGNode* from = symbol(pa, {0, 0, 10, 10});
    LinkGNode bad(nullptr, 1, "x", nullptr, from, nullptr, 0, 0, nullptr);
    ADD_FAILURE() << "a box without a window was made";
  } catch (const PreconditionException& e) {
    EXPECT_STREQ("AParent!=NULL", e.message());
  }
}

TEST_F(LinkBoxTest, MenusOfRealPlaceholderAndReadOnlyBoxes) {
  NodeGNode* a = symbol(pa, {10, 10, 60, 30});
  NodeGNode* b = symbol(pb, {300, 10, 350, 30});
  LinkRef ref(db, saveLink(pa, pb));
  EXPECT_EQ("&Rename|Push to &Back|-|&Delete From Page|D&elete From Page and Book|&Change to Placeholder Link",
            menuOf(box(a, b, &ref)));
  EXPECT_EQ("&Rename|Push to &Back|-|&Delete From Page|&Change to (non-placeholder) Link", menuOf(box(a, b, nullptr)));

  // A window without a book is read-only: the changing items are grayed.
  std::unique_ptr<Page> bare = open(nullptr);
  NodeGNode* s = bare->factory().makeNodeGNode(bare.get(), 1, "S", nullptr, 10, 10);
  bare->addSNode(s);
  LinkGNode real(bare.get(), 2, "t", &ref, s, nullptr, 100, 10, nullptr);
  LinkGNode ghost(bare.get(), 3, "t", nullptr, s, nullptr, 100, 50, nullptr);
  EXPECT_EQ("[&Rename]|Push to &Back|-|&Delete From Page|[D&elete From Page and Book]|[&Change to Placeholder Link]",
            menuOf(&real));
  EXPECT_EQ("[&Rename]|Push to &Back|-|&Delete From Page|[&Change to (non-placeholder) Link]", menuOf(&ghost));
  LinkGNodeRO ro(bare.get(), 4, "t", &ref, s, nullptr, 100, 90, nullptr);
  EXPECT_EQ("Push to &Back|&Delete From Page", menuOf(&ro));
}

TEST_F(LinkBoxTest, TheLevelsPromptShowsDestinationsAndTheirLinks) {
  const ULONG ab = saveLink(pa, pb);
  saveLink(pb, pc);
  struct Case {
    const char* answer;
    int button;
    int symbols;  // on the page afterwards
  } cases[] = {{"0", IDOK, 1}, {"1", IDOK, 2}, {"2", IDOK, 3}, {"2", IDCANCEL, 1}};
  for (const Case& c : cases) {
    page->destroyAllGraphics();
    NodeGNode* a = symbol(pa, {10, 100, 60, 120});
    LinkRef ref(db, ab);
    LinkGNode* b = box(a, nullptr, &ref);
    host->desktop().clear();
    host->desktop().answerText(c.button, c.answer);
    GMessage m;
    m.keys = LinkGNode::CmExpandN;
    b->handleMessage(m);
    const auto asked = host->desktop().eventsOf(ScriptedDesktop::Kind::InputBox);
    ASSERT_EQ(1u, asked.size()) << c.answer;
    EXPECT_EQ("Expand Links", asked[0].caption);
    EXPECT_EQ("Link levels to expand", asked[0].text);
    EXPECT_EQ(c.symbols, symbols()) << "answer " << c.answer;
    if (c.symbols < 2) continue;
    // B stands right of the box, joined by the box's arrow.
    ASSERT_EQ(1u, b->fromRelations().size());
    auto* dest = dynamic_cast<NodeGNode*>(b->fromRelations().front()->to());
    ASSERT_NE(nullptr, dest);
    EXPECT_STREQ("B", dest->displayName());
    EXPECT_GE(where(dest).left, where(b).right + 20);
  }
}

TEST_F(LinkBoxTest, TheLinkRecordReadsBackAndMakesTheSameBox) {
  NodeGNode* a = symbol(pa, {10, 10, 60, 30});
  NodeGNode* b = symbol(pb, {300, 10, 350, 30});
  const ULONG l = saveLink(pa, pb);
  LinkRef ref(db, l);
  LinkGNode* real = box(a, b, &ref, 120, 40);
  LinkGNode* ghost = box(a, nullptr, nullptr, 130, 80);
  const std::string here = "<this>#$" + std::to_string(l);
  const std::string there = std::string(db->bookName().c_str()) + "#$" + std::to_string(l);
  for (bool copying : {false, true}) {
    page->copying(copying);
    std::stringstream out;
    KMEsrap w(&out, "test");
    w.writeFile("test", 1, nullptr);
    w.writeConceptMap(nullptr, nullptr, KM_ABSENT);
    w.writeNodeSection();
    EXPECT_GE(real->saveOn(w), 0);
    EXPECT_GE(ghost->saveOn(w), 0);
    w.close();
    LinkReader reader(&out);
    ASSERT_EQ(0, reader.readFile()) << out.str();
    ASSERT_EQ(2u, reader.records.size());
    const auto& r0 = reader.records[0];
    EXPECT_EQ(real->id(), r0.id);
    EXPECT_EQ("supports", r0.type);
    EXPECT_EQ(a->id(), r0.node1);
    EXPECT_EQ(b->id(), r0.node2);
    EXPECT_EQ(where(real).left, r0.a);
    EXPECT_EQ(where(real).top, r0.b);
    EXPECT_EQ(real->state(), r0.flags);
    EXPECT_EQ(copying ? there : here, r0.ref);
    EXPECT_EQ(KM_ABSENT, reader.records[1].node2);
    EXPECT_EQ("-", reader.records[1].ref);
  }
  page->copying(false);

  // Records make boxes; hostile ones are refused or tamed.
  LONG both[] = {a->id(), b->id(), KM_ABSENT};
  LONG noDest[] = {a->id(), 0, KM_ABSENT};
  LONG missing[] = {999999, b->id(), KM_ABSENT};
  struct Case {
    LONG* ids;
    const char* type;
    const char* ref;
    ULONG flags;
    bool made;
    const char* label;
    bool destination;
  } cases[] = {
      {both, "supports", here.c_str(), 0x1404, true, "supports", true},
      {noDest, nullptr, nullptr, static_cast<ULONG>(KM_ABSENT), true, "[]", false},
      {missing, "x", nullptr, 0, false, "", false},
      {nullptr, "x", nullptr, 0, false, "", false},
      {both, "y", "99999999999", 0xFFFFFFFFu, true, "y", true},
  };
  for (const Case& c : cases) {
    reports.reports.clear();
    KM_Link rec = {354, 77, KM_ABSENT, c.type, c.ids, 200, 300, c.flags, KM_ABSENT, c.ref, nullptr};
    LinkGNode* made = LinkGNode::make(page.get(), rec, nullptr);
    ASSERT_EQ(c.made, made != nullptr) << c.label;
    if (!made) {
      ASSERT_EQ(1u, reports.reports.size());
      EXPECT_EQ("E: No source found for link ID 77", reports.reports[0]);
      continue;
    }
    EXPECT_STREQ(c.label, made->shape()->label().text().c_str());
    EXPECT_EQ(a, made->getSource());
    EXPECT_EQ(c.destination ? 1u : 0u, made->fromRelations().size());
    EXPECT_EQ(200, where(made).left);
    EXPECT_EQ(300, where(made).top);
    // Without a device context the box is left for the next paint: Hidden cleared.
    if (c.flags != static_cast<ULONG>(KM_ABSENT)) {
      EXPECT_EQ(c.flags & Graphic::SavedStateMask & ~Graphic::Hidden, made->state()) << c.label;
    }
    EXPECT_FALSE(made->state() & Graphic::Hidden);
  }
}

// Whether every arrow of the box is dotted (pen style 2 and Dotted) or solid.
std::string lines(LinkGNode* b) {
  std::string s;
  std::vector<GRelation*> all(b->toRelations().begin(), b->toRelations().end());
  all.insert(all.end(), b->fromRelations().begin(), b->fromRelations().end());
  for (GRelation* r : all) {
    const bool dotted = (r->visual()->state() & Graphic::Dotted) != 0;
    s += dotted && r->visual()->penStyle() == PS_DOT            ? "dotted "
         : !dotted && r->visual()->penStyle() == PS_INSIDEFRAME ? "solid "
                                                                : "mixed ";
  }
  return s;
}

TEST_F(LinkBoxTest, PlaceholderAndRealLinksSwitchTheLinesAndTheBook) {
  NodeGNode* a = symbol(pa, {10, 10, 60, 30});
  NodeGNode* b = symbol(pb, {300, 10, 350, 30});
  LinkRef ref(db, saveLink(pa, pb));
  LinkGNode* box1 = box(a, b, &ref);
  EXPECT_EQ("solid solid ", lines(box1));
  EXPECT_EQ(
      LinkGNode::GhostReal | LinkGNode::GhostSourceValid | LinkGNode::GhostHasSource | LinkGNode::GhostHasDestination,
      box1->ghostStatus());

  EXPECT_EQ(0, box1->dereference(1, -1));
  EXPECT_EQ(nullptr, box1->linkRef());
  EXPECT_EQ("dotted dotted ", lines(box1));
  EXPECT_TRUE(page->isModified());
  EXPECT_EQ(-1, box1->dereference(1, -1));

  // Real again: a new link of the book from A to B, listed by both pages.
  ASSERT_EQ(0, box1->instantiate());
  ASSERT_NE(nullptr, box1->linkRef());
  EXPECT_EQ("solid solid ", lines(box1));
  std::unique_ptr<Link> back(LinkRef(*box1->linkRef()).getLink(app, 0));
  ASSERT_NE(nullptr, back);
  EXPECT_STREQ("supports", back->type().c_str());
  ASSERT_EQ(2u, back->specCount());
  EXPECT_EQ(pa, back->specifier(0).ref().uid());
  EXPECT_EQ(Specifier::Source, back->specifier(0).dir());
  EXPECT_EQ(pb, back->specifier(1).ref().uid());
  std::unique_ptr<Links> listed = NodeRef(db, pb).getLinks(page.get(), app);
  ASSERT_NE(nullptr, listed);
  EXPECT_EQ(2u, listed->count());

  // Without a destination there is nothing to link.
  LinkGNode* lone = box(a, nullptr, nullptr, 100, 200);
  reports.reports.clear();
  EXPECT_EQ(-1, lone->instantiate());
  EXPECT_EQ(nullptr, lone->linkRef());

  // Deleting from the book asks first; Cancel keeps both, OK removes both.
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
    const bool kept = button == IDCANCEL;
    bool onPage = false;
    for (SensitiveGraphic* g : page->sensitiveGraphics()) onPage |= g == box1;
    EXPECT_EQ(kept, onPage);
    std::unique_ptr<Link> still(LinkRef(db, l).getLink(app, 0));
    EXPECT_EQ(kept, still != nullptr);
  }
}

}  // namespace
