// The book manager and its window on copies of the example book: home pages and
// type pages found, made or reported, pages loaded one at a time with two
// windows kept, books found by name, link types offered between node types.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/core_test_support.h"
#include "core/node_dialog.h"
#include "manager_fixture.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "kit/error.h"
#include "graphics/view_node.h"
#include "plugin/node_type_rep.h"
#include "plugin/orvane_db.h"
#include "plugin/orvane_nexil.h"
#include "plugin/orvane_window.h"
#include "plugin/type_node.h"
#include "platform/owl/control_classes.h"
#include "platform/render/headless_host.h"

namespace {

class Reports : public ErrorHandler {
 public:
  Reports() { setApplicationHandler(this); }
  ~Reports() override { setApplicationHandler(nullptr); }
  int handleError(char, const char* text) override {
    texts.emplace_back(text != nullptr ? text : "");
    return 0;
  }
  bool saw(const std::string& text) const {
    for (const std::string& t : texts) {
      if (t == text) return true;
    }
    return false;
  }
  std::vector<std::string> texts;
};

std::vector<std::string> gNames;
void collect(const char* name, void*) { gNames.emplace_back(name); }

class BookManagerTest : public ManagerFixture {
 protected:
  BookManagerTest() : ManagerFixture("manager") {}
  // Changes the copy through a plain book: `change` runs on it, then it is saved.
  template <typename F>
  void edit(F change) {
    TestNexil app;
    DBRef w;
    ASSERT_EQ(app.addDB(w, "", book.c_str(), 2, 0x20), 0);
    change(*w.db());
    ASSERT_EQ(w.db()->commit(), 0);
  }
  ULONG idOf(const char* page) {
    TestNexil app;
    DBRef r;
    app.addDB(r, "", book.c_str(), 0, 0x40);
    return r.db()->resolveName(String(page));
  }
  std::string pageName() const {
    ViewNode* p = window->currentPage();
    return p != nullptr && p->node() != nullptr ? p->node()->name().c_str() : "";
  }

  Reports reports;
};

TEST_F(BookManagerTest, AWritableBookWithoutAHomePageGetsOneAReadOnlyOneReportsIt) {
  const ULONG home = idOf("The Solar System");
  edit([&](DB& db) { db.setKind(home, 1); });
  ASSERT_NE(window->openBook(book.c_str(), 0, 0x40, true, nullptr), nullptr);
  EXPECT_TRUE(reports.saw("I: No home page exists for book " + std::string(manager->currentDB()->bookName().c_str())));
  EXPECT_EQ(window->currentPage(), nullptr);
  EXPECT_TRUE(window->history().empty());
  EXPECT_TRUE(reports.saw("Opening book '" + book + "' for read only..."));

  // The same book made current again is the one already open; a second copy
  // is opened for writing.
  const std::string writable = dir + "/Writable.tvx";
  copyFile(book, writable);
  book = writable;
  DB* db = window->openBook(book.c_str(), 2, 0x20, true, nullptr);
  ASSERT_NE(db, nullptr);
  ASSERT_FALSE(db->isReadOnly());
  EXPECT_TRUE(reports.saw("Book '" + book + "' opened for writing"));
  EXPECT_EQ(pageName(), "Home Page: Writable.tvx");
  const ULONG made = window->currentPage()->node()->uid();
  String type;
  ASSERT_EQ(db->lookupName_Type_Flags(made, nullptr, &type, nullptr), 0);
  EXPECT_STREQ(type.c_str(), "Undefined");
  EXPECT_EQ(db->kind(made), OrvaneDB::NewHomePageKind);
  ASSERT_EQ(window->history().size(), 1u) << "each visit once";
  EXPECT_STREQ(window->history()[0].c_str(), std::to_string(made).c_str());
}

TEST_F(BookManagerTest, ThreePagesLoadedLeaveTheFirstDestroyedTheSecondHiddenTheThirdShown) {
  ASSERT_NE(window->openBook(book.c_str(), 0, 0x40, false, nullptr), nullptr);
  DB* db = manager->currentDB();
  std::vector<ViewNode*> shown;
  for (const char* page : {"Jupiter", "Saturn", "Sun"}) {
    NodeRef ref(db, db->resolveName(String(page)));
    ASSERT_EQ(window->loadNode(nullptr, ref, 6, 0, nullptr, true), 0) << page;
    shown.push_back(window->currentPage());
  }
  EXPECT_EQ(window->currentPage(), shown[2]);
  EXPECT_EQ(window->previousPage(), shown[1]);
  EXPECT_TRUE(window->currentPage()->IsWindowVisible());
  EXPECT_FALSE(window->previousPage()->IsWindowVisible());
  EXPECT_EQ(window->Children().size(), 2u) << "the first page window is gone";
  ASSERT_EQ(window->history().size(), 3u);
  EXPECT_STREQ(window->history()[0].c_str(), std::to_string(db->resolveName(String("Jupiter"))).c_str());
  // The page fills the window above the strip.
  const TRect area = window->currentPage()->GetWindowRect();
  EXPECT_EQ(area.Height(), window->GetClientRect().Height() - OrvaneWindow::stripHeight());

  NodeRef missing(db, 999999);
  EXPECT_EQ(window->loadNode(nullptr, missing, 6, 0, nullptr, true), -1);
  EXPECT_EQ(window->currentPage(), shown[2]) << "a page that cannot be loaded changes nothing";
}

TEST_F(BookManagerTest, BooksAreFoundByNameTheLaterOfTwoWinsAndGoneBooksLeaveTheirSlot) {
  DBRef a, b, found;
  ASSERT_EQ(manager->addDB(a, "", book.c_str(), 0, 0x40), 0);
  ASSERT_EQ(manager->addDB(b, "", book.c_str(), 0, 0x40), 0);
  EXPECT_EQ(manager->findDB(found, "", book.c_str()), 0);
  EXPECT_EQ(found.db(), b.db());
  EXPECT_EQ(manager->findDB(found, "", (dir + "/Other.tvx").c_str()), 1);
  EXPECT_EQ(found.db(), nullptr);
  const std::size_t slots = manager->books().size();
  b.ref(nullptr);
  EXPECT_EQ(manager->books().size(), slots);
  EXPECT_EQ(manager->books().back(), nullptr);
  EXPECT_EQ(manager->findDB(found, "", book.c_str()), 0);
  EXPECT_EQ(found.db(), a.db());

  // No page window is made for a new page, and nothing loads without a book
  // manager's window.
  EXPECT_EQ(manager->makeNodeWindow(a.db(), "Undefined", "New"), nullptr);
  EXPECT_TRUE(reports.saw("E: OrvaneNexil::makeNodeWindow() not yet implemented"));
  manager->setMainWindow(nullptr);
  NodeRef ref(a.db(), a.db()->resolveName(String("Sun")));
  EXPECT_EQ(manager->loadNode(nullptr, ref, 6, 0, nullptr, true), -1);
  EXPECT_TRUE(reports.saw("E: OrvaneNexil::loadNode: unexpected main window type"));
}

TEST_F(BookManagerTest, LinkTypesOfferedBetweenTwoNodeTypesFollowTheirAncestors) {
  DBRef r;
  ASSERT_EQ(manager->addDB(r, "", book.c_str(), 0, 0x40), 0);
  auto* db = dynamic_cast<OrvaneDB*>(r.db());
  ASSERT_NE(db, nullptr);
  gNames.clear();
  db->forLinkTypes(collect, nullptr, "Moon", "Star");
  EXPECT_EQ(gNames, (std::vector<std::string>{"Undefined", "orbits"})) << "the root joins every two types";
  gNames.clear();
  db->forLinkTypes(collect, nullptr, "Region", "Moon");
  EXPECT_EQ(gNames, (std::vector<std::string>{"Undefined", "lies between", "lies beyond"}));
  gNames.clear();
  db->forLinkTypes(collect, nullptr, "Asteroid", "Star");
  EXPECT_TRUE(gNames.empty());
  gNames.clear();
  db->forNodeTypes(collect, nullptr);
  EXPECT_EQ(gNames.size(), 8u);
  EXPECT_TRUE(db->hasTypeNode());
  EXPECT_STREQ(db->defaultNodeTypeName(nullptr), db->tnode()->defaultNodeTypeName());
}

TEST_F(BookManagerTest, ANewPageIsOfferedTheStyleSheetsTypesWithItsDefault) {
  DBRef r;
  ASSERT_EQ(manager->addDB(r, "", book.c_str(), 2, 0x20), 0);
  auto* db = dynamic_cast<OrvaneDB*>(r.db());
  ASSERT_NE(db, nullptr);
  db->defaultNodeTypeName("Moon");
  LRESULT listed = 0;
  char shown[64] = "";
  host->dialogAnswer([&](TDialog& d) {
    listed = SendDlgItemMessage(d.HWindow, NodeDialog::IdType, CB_GETCOUNT, 0, 0);
    GetDlgItemText(d.HWindow, NodeDialog::IdType, shown, sizeof shown);
    SetDlgItemText(d.HWindow, NodeDialog::IdName, "Titan");
    return IDOK;
  });
  std::unique_ptr<Node> made(Node::make(window.get(), *manager, db, nullptr, nullptr));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(listed, 8) << "every node type of the type page";
  EXPECT_STREQ(shown, "Moon");
  String name, type;
  ASSERT_EQ(db->lookupName_Type_Flags(made->uid(), &name, &type, nullptr), 0);
  EXPECT_STREQ(name.c_str(), "Titan");
  EXPECT_STREQ(type.c_str(), "Moon");
}

TEST_F(BookManagerTest, AWritableBooksEmptyTypePageIsSeededFromTheTypesFile) {
  const ULONG types = [&] {
    DBRef r;
    TestNexil app;
    app.addDB(r, "", book.c_str(), 0, 0x40);
    ULONG found = 0;
    r.db()->doUntilEntry([](ULONG id, const String&, const String&, ULONG, void* d) {
      *static_cast<ULONG*>(d) = id;
      return 1;
    }, &found, OrvaneDB::TypePageKind);
    return found;
  }();
  edit([&](DB& db) { db.clearNodeStream(types); });
  manager->setTypesFileName(TVX_SOURCE_DIR "/examples/solar-system/pages/types.map");
  {
    DBRef r;
    ASSERT_EQ(manager->addDB(r, "", book.c_str(), 0, 0x40), 0);
    auto* db = dynamic_cast<OrvaneDB*>(r.db());
    ASSERT_NE(db->tnode(), nullptr);
    EXPECT_EQ(db->tnode()->nodeTypes().size(), 1u) << "a read-only book keeps its empty type page";
  }
  DBRef w;
  ASSERT_EQ(manager->addDB(w, "", book.c_str(), 2, 0x20), 0);
  auto* db = dynamic_cast<OrvaneDB*>(w.db());
  ASSERT_FALSE(db->isReadOnly());
  ASSERT_NE(db->tnode(), nullptr) << ::testing::PrintToString(reports.texts);
  EXPECT_EQ(db->tnode()->nodeTypes().size(), 8u);
  EXPECT_EQ(db->isModified(), 1);
}

TEST(OrvaneWindowTest, ScaleRectMakesEachSideTheSizePercentOfItsLength) {
  HeadlessHost host;
  OrvaneNexil manager;
  OrvaneWindow w(nullptr, "Book", manager);
  TRect r(100, 100, 200, 140);
  w.scaleRect(r);
  EXPECT_EQ(r, TRect(112, 105, 188, 135));
  w.setSizePercent(150);
  TRect s(0, 0, 11, 3);
  w.scaleRect(s);
  EXPECT_EQ(s, TRect(-2, 0, 13, 3)) << "rounded toward zero";
  EXPECT_EQ(w.options(), 0x304u);
  EXPECT_EQ(w.gridSize(), 4);
  EXPECT_EQ(w.zoomPercent(), 100);
}

}  // namespace
