// Page references: reference texts, the name search, opening and saving pages,
// and page link lists on the bytes of the book.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "core/link_ref.h"
#include "core/links.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "store/middle_level_store.h"
#include "test_page_window.h"

namespace {

std::string id(ULONG v) { return std::to_string(static_cast<unsigned long>(v)); }

std::string pad4(ULONG v) {
  char text[16];
  std::snprintf(text, sizeof text, "%4.4hd", static_cast<short>(v));
  return text;
}

// The link list bytes of a page ("" when it has none).
std::string listBytes(DB& db, ULONG page) { return facetBytes(db, page, DB::LinkList); }

TEST_F(PagesTest, ReferenceTextsRelativeAbsoluteAndDescription) {
  const ULONG home = page("Home");
  const ULONG blank = page("");
  const std::string b = book();
  struct Case {
    const char* what;
    std::unique_ptr<NodeRef> ref;
    std::string relative;
    std::string absolute;
  };
  Case cases[] = {
      {"by ID", std::unique_ptr<NodeRef>(new NodeRef(db, home)), "<this>#$" + id(home) + ":Home",
       b + "#$" + id(home) + ":Home"},
      {"unnamed page", std::unique_ptr<NodeRef>(new NodeRef(db, blank)),
       "<this>#$" + id(blank), b + "#$" + id(blank)},
      {"by name", std::unique_ptr<NodeRef>(new NodeRef(":Home", db)),
       "<this>#$" + id(home) + ":Home", b + "#$" + id(home) + ":Home"},
      {"by text", std::unique_ptr<NodeRef>(new NodeRef(("<this>#$" + id(home)).c_str(), db)),
       "<this>#$" + id(home), b + "#$" + id(home)},
  };
  for (Case& c : cases) {
    EXPECT_EQ(c.relative, std::string(c.ref->makeString(app, true).c_str())) << c.what;
    EXPECT_EQ(c.absolute, std::string(c.ref->makeString(app, false).c_str())) << c.what;
  }
  EXPECT_EQ("Home ( -> " + b + ") -> Home (" + pad4(home) + ")",
            std::string(NodeRef(db, home).Description().c_str()));

  NodeRef nothing("", db);
  EXPECT_EQ("<this>#$", std::string(nothing.makeString(app, true).c_str()));
  EXPECT_TRUE(capture.saw("E: Internal error... NodeRef::makeString: no node spec written: '<this>#$'"))
      << capture.all();
}

TEST_F(PagesTest, NameSearchIsFreshEveryTimeAndAMissingPageStaysUnresolved) {
  const ULONG alpha = page("Alpha");
  NodeRef a(":Alpha", db);
  EXPECT_EQ(ComponentRef::Local, a.resolve(app));
  EXPECT_EQ(alpha, a.uid());

  NodeRef missing(":Gamma", db);
  EXPECT_EQ(ComponentRef::Unknown, missing.resolve(app));
  EXPECT_EQ(static_cast<ULONG>(ComponentRef::NoUID), missing.uid());
  NodeRef wrongCase(":alpha", db);
  EXPECT_EQ(ComponentRef::Unknown, wrongCase.resolve(app)) << "names compare exactly";

  // The page made later is found by the next resolution of the same reference.
  const ULONG gamma = page("Gamma");
  EXPECT_EQ(ComponentRef::Local, missing.resolve(app));
  EXPECT_EQ(gamma, missing.uid());
}

TEST_F(PagesTest, EmptinessFollowsTheBodyOrTheShownPage) {
  const ULONG bare = page("Bare");
  const ULONG full = page("Full", "(B)");
  EXPECT_TRUE(NodeRef(db, bare).isEmpty(app));
  EXPECT_FALSE(NodeRef(db, full).isEmpty(app));
  EXPECT_TRUE(NodeRef(":Nowhere", db).isEmpty(app));

  // A shown page answers for itself.
  NodeRef fullRef(db, full);
  Node* shown = fullRef.getNode(nullptr, app, 0);
  ASSERT_NE(nullptr, shown);
  app.showPages = true;
  static_cast<TestPageWindow*>(shown->window())->content.clear();
  EXPECT_TRUE(fullRef.isEmpty(app));
}

TEST_F(PagesTest, OpeningAPageReadOnlyAndForWriting) {
  const ULONG home = page("Home", "first body");
  NodeRef ref(db, home);

  Node* reading = ref.getNode(nullptr, app, 0);
  ASSERT_NE(nullptr, reading) << capture.all();
  auto* w = static_cast<TestPageWindow*>(reading->window());
  EXPECT_EQ("first body", w->content);
  EXPECT_TRUE(reading->readOnly());
  EXPECT_EQ(nullptr, w->attached()) << "a page opened for reading keeps no stream";
  EXPECT_TRUE(capture.saw("Opening page '" + book() + ":Home'")) << capture.all();
  EXPECT_TRUE(capture.saw("")) << "the status text is cleared";

  Node* writing = ref.getNode(nullptr, app, NodeRef::ModeWrite);
  ASSERT_NE(nullptr, writing);
  auto* ww = static_cast<TestPageWindow*>(writing->window());
  EXPECT_FALSE(writing->readOnly());
  ASSERT_NE(nullptr, ww->attached());
  EXPECT_TRUE(ww->owns()) << "the window owns the body stream";
  ww->content = "a longer second body";
  EXPECT_EQ(0, writing->save(app, 1)) << capture.all();
  EXPECT_EQ("a longer second body", facetBytes(*db, home, DB::Body));
  EXPECT_TRUE(writing->isSaved());

  // A body stream not at its start is refused.
  std::stringstream moved("abc");
  moved.get();
  EXPECT_EQ(nullptr, ref.getNode(&moved, app));
  EXPECT_TRUE(capture.saw(
      "E: Internal error... NodeRef::getNode: bad file pointer tellg()=1, tellp()=0"))
      << capture.all();
}

TEST_F(PagesTest, PageWithoutBodyOnAReadOnlyBookIsEmpty) {
  const ULONG home = page("Home");
  db->store()->commit();
  const std::string path = freshDir("pages_ro") + "book.tvx";
  ASSERT_EQ(0, std::system(("cp '" + std::string(db->workPath().c_str()) + "' '" + path + "'").c_str()));
  DB* ro = app.openReadOnly(path);
  ASSERT_TRUE(ro->isReadOnly());
  capture.clear();

  EXPECT_EQ(nullptr, NodeRef(ro, home).getNode(nullptr, app, NodeRef::ModeWrite));
  EXPECT_TRUE(capture.saw("I: Page is empty")) << capture.all();
  EXPECT_FALSE(capture.saw("")) << "no closing status text";
  ASSERT_FALSE(desk.eventsOf(ScriptedDesktop::Kind::Beep).empty());
  EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION),
            desk.eventsOf(ScriptedDesktop::Kind::Beep).back().type);

  // On a writable book the same page is a logged internal error.
  capture.clear();
  EXPECT_EQ(nullptr, NodeRef(db, home).getNode(nullptr, app, 0));
  EXPECT_TRUE(capture.saw("E: Internal error... NodeRef::getNode: Unable to get stream for node "
                          "'Home' (id=" + id(home) + ")"))
      << capture.all();
}

TEST_F(PagesTest, SavingAPageThatIsEmptyClearsItsBody) {
  const ULONG home = page("Home", "old body");
  Node* node = NodeRef(db, home).getNode(nullptr, app, NodeRef::ModeWrite);
  ASSERT_NE(nullptr, node);
  auto* w = static_cast<TestPageWindow*>(node->window());
  w->content.clear();
  EXPECT_EQ(0, node->nodeRef()->saveNode(*node, app));
  EXPECT_TRUE(db->store()->isFacetEmpty(home, DB::Body));
  EXPECT_EQ(nullptr, w->attached()) << "the body stream is detached";

  // Writing through the application: a refused write is reported, result 1.
  std::stringstream body;
  app.failSaves = true;
  EXPECT_EQ(1, node->nodeRef()->saveNode(*node, app, &body));
  EXPECT_TRUE(capture.saw("W: Internal error... NodeRef::saveNode: Cound not save node"));

  // Read-only and invalid pages are refused.
  node->setReadOnly(1);
  EXPECT_EQ(-1, node->nodeRef()->saveNode(*node, app));
  EXPECT_TRUE(capture.saw("W: Cannot save read-only page 'Home'")) << capture.all();
}

TEST_F(PagesTest, LinkListsOnTheBytesOfTheBook) {
  const ULONG home = page("Home");
  const ULONG l1 = db->createLink(String("supports"));
  const ULONG l2 = db->createLink(String("supports"));
  NodeRef ref(db, home);
  LinkRef first(db, l1), second(db, l2);

  EXPECT_EQ(nullptr, ref.getLinks(nullptr, app)) << "no list: no set";
  EXPECT_TRUE(db->store()->isFacetEmpty(home, DB::LinkList)) << "reading makes no list";

  ASSERT_EQ(0, ref.saveLink(nullptr, first, app));
  ASSERT_EQ(0, ref.saveLink(nullptr, first, app));
  EXPECT_EQ("<this>#$" + id(l1) + std::string("\0\xFF", 2), listBytes(*db, home));
  ASSERT_EQ(0, ref.saveLink(nullptr, second, app));
  EXPECT_EQ("<this>#$" + id(l1) + std::string("\0", 1) + "<this>#$" + id(l2) +
                std::string("\0\xFF", 2),
            listBytes(*db, home));

  // Removing the first entry rewrites a shorter list with nothing stale after it.
  ASSERT_EQ(0, ref.deleteLink(nullptr, first, app));
  EXPECT_EQ("<this>#$" + id(l2) + std::string("\0\xFF", 2), listBytes(*db, home));
  std::unique_ptr<Links> links = ref.getLinks(nullptr, app);
  ASSERT_NE(nullptr, links);
  ASSERT_EQ(1u, links->count());
  EXPECT_EQ(l2, links->at(0).uid());

  // The last one gone: the list is an absent facet, and reading it gives no set.
  ASSERT_EQ(0, ref.deleteLink(nullptr, second, app));
  EXPECT_TRUE(db->store()->isFacetEmpty(home, DB::LinkList));
  EXPECT_EQ(nullptr, ref.getLinks(nullptr, app));
}

TEST_F(PagesTest, HostileLinkListsReadBoundedAndDropBadEntries) {
  const std::string bad = "E: Internal error... Links::read: bad LinkRef found on stream";
  struct Case {
    const char* what;
    std::string bytes;
    std::size_t count;
    bool reportsBad;
  };
  const std::string nul(1, '\0');
  const Case cases[] = {
      {"the same link twice", "<this>#$5" + nul + "<this>#$5" + nul + "\xFF", 1, false},
      {"no terminator", "<this>#$5" + nul + "<this>#$6" + nul, 2, false},
      {"last text cut off", "<this>#$5" + nul + "<this>#$6", 1, false},
      {"text too long", std::string(600, '1') + nul + "<this>#$7" + nul + "\xFF", 1, true},
      {"a name instead of an ID", "abc" + nul + "\xFF", 0, true},
      {"terminator first", "\xFF<this>#$5" + nul, 0, false},
      {"nothing", "", 0, false},
  };
  for (const Case& c : cases) {
    capture.clear();
    std::istringstream in(c.bytes);
    Links links(&in, db);
    EXPECT_EQ(c.count, links.count()) << c.what;
    EXPECT_EQ(c.reportsBad, capture.saw(bad)) << c.what << "\n" << capture.all();
    EXPECT_TRUE(in.good()) << c.what << ": the stream state is cleared";
  }

  // A list naming more entries than are ever read stops at the bound.
  std::string many;
  for (std::size_t i = 0; i < Links::MaxEntries + 3; ++i) many += "9" + nul;
  capture.clear();
  std::istringstream in(many);
  Links links(&in, db);
  EXPECT_EQ(1u, links.count());
  EXPECT_TRUE(capture.saw("E: Internal error... Links::read: more than 16384 links listed, the "
                          "rest is ignored"))
      << capture.all();
}

}  // namespace
