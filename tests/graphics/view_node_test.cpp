// The page window: placing it from the page's header, new symbols at the last
// click, pasting with fresh ids, the options without a main window, the status
// fields, the modification lock, and saving the page back.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "book_page_support.h"
#include "core/db.h"
#include "graphics/link_gnode.h"
#include "graphics/node_gnode.h"
#include "platform/owl/t_command_enabler.h"

namespace {

class StatusHost : public PageHost {
 public:
  DWORD options() const override { return opts; }
  int gridSize() const override { return grid; }
  int zoomPercent() const override { return 100; }
  ZoneMode zoneMode() const override { return NoHotZones; }
  bool singleWindow() const override { return false; }
  void setStatusField(int index, const char* text) override {
    if (index >= 0 && index < 5) status[index] = text;
  }
  DWORD opts = 0;
  int grid = 1;
  std::string status[5];
};

const char* kHeaderTemplate =
    "#CM&^# 161\r\n\r\n(B\r\n (a\"Tavix: Netscape Plugin\",1,1),\r\n (n\"Placed\"),,\r\n (C162,\r\n  (r%s),\r\n  "
    "(r0,0,10,10),0,,\r\n  (N162,00000000,)))";

TEST_F(BookPageTest, TheHeaderPlacesTheWindowWithinZeroTo2000) {
  ASSERT_TRUE(show("Pluto"));
  struct Case {
    const char* rect;
    bool placed;
    int x, y;
  } cases[] = {{"7d0,0,898,64", true, 2000, 0}, {"7d1,0,898,64", false, 0, 0}, {"-1,0,10,10", false, 0, 0}};
  for (const Case& c : cases) {
    char text[400];
    std::snprintf(text, sizeof text, kHeaderTemplate, c.rect);
    std::stringstream in(text);
    ViewNode fresh(frame.get(), nullptr, app);
    fresh.Attr.X = 0;
    fresh.Attr.Y = 0;
    fresh.attach(&in);
    fresh.readFile();
    EXPECT_EQ(fresh.Attr.X, c.x) << c.rect;
    EXPECT_EQ(fresh.Attr.Y, c.y) << c.rect;
    if (c.placed) {
      EXPECT_EQ(fresh.Attr.W, 0x898 - 0x7d0);
    }
  }
}

TEST_F(BookPageTest, NewSymbolsGoToTheLastClickThen15RightAnd30Down) {
  ASSERT_TRUE(show("Pluto"));
  page->setLastPoint({100, 200});
  std::vector<RECT> placed;
  for (int i = 0; i < 3; ++i) {
    NodeGNode* s = page->CMNewGhostNode();
    ASSERT_NE(s, nullptr);
    page->wrapUpNameEdits();
    RECT r;
    s->rawRect(r);
    placed.push_back(r);
  }
  for (int i = 1; i < 3; ++i) {
    EXPECT_EQ((placed[i].left + placed[i].right) / 2 - (placed[i - 1].left + placed[i - 1].right) / 2, 15);
    EXPECT_EQ((placed[i].top + placed[i].bottom) / 2 - (placed[i - 1].top + placed[i - 1].bottom) / 2, 30);
  }
  EXPECT_TRUE(page->isModified());
}

TEST_F(BookPageTest, APastedLinkRefersToThePastedSymbols) {
  ASSERT_TRUE(show("Pluto"));
  const std::size_t before = symbols().size();
  std::stringstream again(body);
  page->beginIdMap();
  page->attach(&again);
  page->readFile();
  page->attach(nullptr);
  const LONG newPluto = page->mapID(1), newKuiper = page->mapID(2);
  page->endIdMap();
  ASSERT_EQ(symbols().size(), before * 2);
  EXPECT_NE(newPluto, 1);
  LinkGNode* pasted = nullptr;
  for (LinkGNode* b : boxes())
    if (b->getSource() != nullptr && b->getSource()->id() == newPluto) pasted = b;
  ASSERT_NE(pasted, nullptr) << "the pasted link leaves the pasted Pluto";
  std::vector<LONG> ends;
  pasted->forEachDestination([](NodeGNode* d, void* arg) { static_cast<std::vector<LONG>*>(arg)->push_back(d->id()); },
                             &ends);
  EXPECT_EQ(ends, std::vector<LONG>{newKuiper});
}

TEST_F(BookPageTest, WithoutAMainWindowOptionsAreOffAndTheStatusFieldsFollowThePage) {
  ASSERT_TRUE(show("Pluto"));
  EXPECT_EQ(page->sounds(), 0);
  EXPECT_EQ(page->glyphColors(), 0);
  EXPECT_EQ(page->gridSize(), 1);
  EXPECT_EQ(page->initialZoom(), 100);
  StatusHost status;
  status.opts = PageHost::GridOn | PageHost::Sounds;
  status.grid = 8;
  page->setHost(&status);
  EXPECT_EQ(page->gridSize(), 8);
  EXPECT_EQ(page->sounds(), 1);
  page->setZoom(75);
  EXPECT_EQ(status.status[4], " 75%");
  page->setZoom(-1);
  EXPECT_EQ(status.status[4], "Fit");
  page->updateStatusFields();
  EXPECT_EQ(status.status[1], "Dwarf planet");
  EXPECT_EQ(status.status[2], "Writable");
  page->setModified(1);
  EXPECT_EQ(status.status[3], "Modified");
  // The modification lock disables the commands that change the page.
  status.opts |= PageHost::ModificationLock;
  TCommandEnabler insert(ViewNode::CmNewNode, page->HWindow), colour(ViewNode::CmToggleColor, page->HWindow);
  page->EvCommandEnable(insert);
  page->EvCommandEnable(colour);
  EXPECT_FALSE(insert.GetEnabled());
  EXPECT_TRUE(colour.GetEnabled());
  page->setHost(nullptr);
}

TEST_F(BookPageTest, SavingThePageGivesBackItsBody) {
  ASSERT_TRUE(show("Pluto"));
  std::ostringstream out;
  ASSERT_GE(page->writePage(out), 0);
  EXPECT_EQ(out.str(), body);
  // Through the core onto the page's body in the book, and read back.
  DB* db = book.db();
  const ULONG id = db->resolveName(String("Pluto"));
  std::unique_ptr<std::iostream> stored = db->getNodeStream(id, 1);
  ASSERT_NE(stored, nullptr);
  page->attach(stored.get());
  ASSERT_EQ(page->save(), 0);
  page->attach(nullptr);
  stored.reset();
  std::unique_ptr<std::iostream> again = db->getNodeStream(id, 0);
  std::ostringstream text;
  text << again->rdbuf();
  EXPECT_EQ(text.str(), body);
}

}  // namespace

namespace {

int collectPageId(ULONG id, const String&, const String&, ULONG, void* data) {
  static_cast<std::vector<ULONG>*>(data)->push_back(id);
  return 0;
}

TEST_F(BookPageTest, EveryPageOfTheExampleIsWrittenBackAsItWasRead) {
  ASSERT_TRUE(show("Pluto"));
  std::vector<ULONG> ids;
  book.db()->doUntilNode(collectPageId, &ids);
  ASSERT_GE(ids.size(), 16u);
  for (ULONG id : ids) {
    std::string stored;
    std::unique_ptr<ViewNode> w = readPage(id, &stored);
    ASSERT_NE(w, nullptr) << id;
    std::ostringstream out;
    ASSERT_GE(w->writePage(out), 0) << id;
    EXPECT_EQ(out.str(), stored) << "page " << id;
  }
}

}  // namespace
