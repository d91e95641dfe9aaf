// Idea symbols on pages of the example book: read from the page's records and
// written back, their looks from the book's types, menus item by item, hot
// zones, opening pages, showing links, placeholders and verification.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "book_page_support.h"
#include "core/links.h"
#include "core/node_ref.h"
#include "graphics/glyph_factory.h"
#include "graphics/link_gnode.h"
#include "graphics/node_gnode.h"
#include "graphics/node_gnode_ro.h"
#include "platform/system/desktop.h"

namespace {

// Map text with the blanks and line ends outside quoted texts taken out, and
// the quoted texts' own line breaks joined.
std::string squeezed(const std::string& text) {
  std::string out;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' && (i == 0 || text[i - 1] != '\\')) quoted = !quoted;
    if (c == '\r' || c == '\n') continue;
    if (!quoted && (c == ' ' || c == '\t')) continue;
    out += c;
  }
  return out;
}

class ZoneHost : public PageHost {
 public:
  DWORD options() const override { return opts; }
  int gridSize() const override { return 10; }
  int zoomPercent() const override { return 100; }
  ZoneMode zoneMode() const override { return mode; }
  bool singleWindow() const override { return false; }
  void setStatusField(int index, const char* text) override {
    if (index >= 0 && index < 5) status[index] = text;
  }
  DWORD opts = 0;
  ZoneMode mode = NineZones;
  std::string status[5];
};

RECT rectOf(const Graphic& g) {
  RECT r;
  g.rawRect(r);
  return r;
}

std::vector<std::string> menus(HeadlessHost& host) {
  std::vector<std::string> out;
  for (const auto& e : host.desktop().eventsOf(ScriptedDesktop::Kind::Menu)) out.push_back(e.text);
  return out;
}

TEST_F(BookPageTest, TheExamplePageBecomesSymbolsAndWritesItsRecordsBack) {
  ASSERT_TRUE(show("The Solar System"));
  EXPECT_EQ(symbols().size(), 13u);
  NodeGNode* sun = symbol("Sun");
  ASSERT_NE(sun, nullptr);
  EXPECT_EQ(rectOf(*sun).left, 0x244);
  EXPECT_EQ(rectOf(*sun).top, 0xe6);
  EXPECT_STREQ(sun->typeName(), "Star");
  EXPECT_TRUE(sun->hasValidRef());
  EXPECT_TRUE(sun->state() & Graphic::Shadow) << "the record's flags: its page has content";
  EXPECT_EQ(sun->shape()->fillColor().color(), 0xd7ffu) << "the Star type's fill";
  EXPECT_EQ(sun->shape()->glyphNumber(), 2);
  EXPECT_EQ(sun->paintLayer(), NodeGNode::Layer);
  const std::string written = squeezed(nodeAndLinkSections(writtenSections()));
  const std::string stored = squeezed(storedSections());
  // The node section is written back as it was read.
  const std::size_t nodesEnd = stored.find("(L");
  ASSERT_NE(nodesEnd, std::string::npos);
  EXPECT_EQ(written.substr(0, nodesEnd), stored.substr(0, nodesEnd));
  EXPECT_TRUE(recorder.reports.empty()) << recorder.reports.front();
}

TEST_F(BookPageTest, APlaceholderIsDottedWithoutShadowAndHasItsOwnMenu) {
  ASSERT_TRUE(show("Pluto"));
  NodeGNode* charon = symbol("Charon");
  ASSERT_NE(charon, nullptr);
  EXPECT_FALSE(charon->hasValidRef());
  EXPECT_TRUE(charon->state() & Graphic::Dotted);
  EXPECT_FALSE(charon->state() & Graphic::Shadow);
  HMENU m = charon->createPopup();
  host->desktop().answerMenu(0);
  host->desktop().trackPopupMenu(page->HWindow, m, 0, 0);
  ::DestroyMenu(m);
  m = symbol("Pluto")->createPopup();
  host->desktop().trackPopupMenu(page->HWindow, m, 0, 0);
  ::DestroyMenu(m);
  const std::vector<std::string> shown = menus(*host);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0],
            "&Rename|&Verify|&Auto Size|Push to &Back|-|&Placeholder Link to|-|&Delete Placeholder|"
            "&Change Placeholder to{&New Idea Symbol|&Existing Idea Symbol}");
  EXPECT_EQ(shown[0].find("&Open Page"), std::string::npos);
  EXPECT_EQ(shown[1],
            "&Rename|&Open Page\tDbl+Left|&Verify|&Auto Size|Push to &Back|-|&Link to\tShift+Left|"
            "&Placeholder Link to|S&how Links{&1 level|&n levels...}|-|&Delete Idea Symbol|"
            "Delete &Idea Symbol and Page|&Change to Placeholder");
}

TEST_F(BookPageTest, ReadOnlyPagesGrayNothingAndUseTheReadOnlySymbols) {
  ASSERT_TRUE(show("Pluto", false));
  NodeGNode* pluto = symbol("Pluto");
  ASSERT_NE(dynamic_cast<NodeGNodeRO*>(pluto), nullptr);
  HMENU m = pluto->createPopup();
  host->desktop().trackPopupMenu(page->HWindow, m, 0, 0);
  ::DestroyMenu(m);
  ASSERT_EQ(menus(*host).size(), 1u);
  EXPECT_EQ(menus(*host)[0],
            "S&how Links{&1 level\tShift+Dbl-Left|&n levels...}|-|&Open Page\tDbl-Left|&Auto Size|Push to &Back|-|"
            "&Delete Idea Symbol");
}

TEST_F(BookPageTest, HotZonesChooseTheCursorAndWhatAClickDoes) {
  ASSERT_TRUE(show("Pluto"));
  ZoneHost zones;
  page->setHost(&zones);
  NodeGNode* pluto = symbol("Pluto");
  NodeGNode* charon = symbol("Charon");
  const RECT r = rectOf(*pluto);
  const LONG w3 = (r.right - r.left) / 3, h3 = (r.bottom - r.top) / 3;
  auto at = [&](int column, int row) { return POINT{r.left + w3 * column + w3 / 2, r.top + h3 * row + h3 / 2}; };
  using K = PageCursors::Kind;
  const K expected[3][3] = {{K::Goto, K::Hand, K::Menu}, {K::Goto, K::Hand, K::Menu}, {K::Goto, K::Hand, K::LinkTo}};
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 3; ++column)
      EXPECT_EQ(pluto->cursorKind(at(column, row)), expected[row][column]) << column << "," << row;
  const RECT c = rectOf(*charon);
  EXPECT_EQ(charon->cursorKind({c.left + 1, (c.top + c.bottom) / 2}), K::Hand) << "a placeholder cannot be opened";
  zones.mode = PageHost::TwoZones;
  EXPECT_EQ(pluto->cursorKind(at(2, 1)), K::Menu);
  EXPECT_EQ(pluto->cursorKind(at(0, 1)), K::Hand);
  zones.mode = PageHost::WholeSymbolOpens;
  EXPECT_EQ(pluto->cursorKind(at(2, 1)), K::Goto);
  EXPECT_EQ(charon->cursorKind({c.left + 1, c.top + 1}), K::Hand);

  // 3 x 3: a click on the right third shows the context menu; on the left
  // third the page opens.
  zones.mode = PageHost::NineZones;
  host->desktop().answerMenu(0);
  POINT p = at(2, 1);
  page->logicalToDevice(p);
  host->click(page->HWindow, p);
  host->run();
  EXPECT_EQ(menus(*host).size(), 1u);
  p = at(0, 1);
  page->logicalToDevice(p);
  host->click(page->HWindow, p);
  host->run();
  EXPECT_EQ(app.loads, std::vector<std::string>{"Pluto mode 6"});
  page->setHost(nullptr);
}

TEST_F(BookPageTest, DoubleClickOpensTheSymbolsPageAndHoverShowsItsDescription) {
  ASSERT_TRUE(show("Pluto"));
  ZoneHost zones;
  zones.mode = PageHost::NoHotZones;
  page->setHost(&zones);
  NodeGNode* kuiper = symbol("Kuiper belt");
  RECT r = rectOf(*kuiper);
  POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  page->logicalToDevice(p);
  host->doubleClick(page->HWindow, p);
  host->run();
  EXPECT_EQ(app.loads, std::vector<std::string>{"Kuiper belt mode 6"});
  GMessage enter;
  kuiper->WMMouseEnter(enter);
  EXPECT_EQ(zones.status[1], "Region");
  EXPECT_FALSE(zones.status[0].empty());
  kuiper->WMMouseExit(enter);
  EXPECT_EQ(zones.status[1], "");
  // A placeholder opens nothing, with a warning.
  symbol("Charon")->gotoNode();
  ASSERT_FALSE(recorder.reports.empty());
  EXPECT_EQ(recorder.reports.back(), "W: Cannot open referenced page: page not found ");
  EXPECT_EQ(app.loads.size(), 1u);
  page->setHost(nullptr);
}

TEST_F(BookPageTest, ShowingLinksPlacesNewBoxesBelowEachOtherAndStopsAtMarkedSymbols) {
  ASSERT_TRUE(show("Sun"));
  for (LinkGNode* b : boxes()) b->eraseGraphic();
  ASSERT_TRUE(boxes().empty());
  NodeGNode* sun = symbol("Sun");
  ASSERT_NE(sun, nullptr);
  sun->expandLinks(2, nullptr);
  const std::vector<LinkGNode*> made = boxes();
  ASSERT_GE(made.size(), 3u);
  EXPECT_GE(rectOf(*made[2]).top, rectOf(*made[0]).top + 60);
  EXPECT_TRUE(page->isModified());
  // The same again finds every box already on the page.
  sun->expandLinks(2, nullptr);
  EXPECT_EQ(boxes().size(), made.size());
}

TEST_F(BookPageTest, TheLevelsPromptExpandsOneLevelMoreThanItIsToldAndCancelExpandsNothing) {
  ASSERT_TRUE(show("Pluto"));
  for (LinkGNode* b : boxes()) b->eraseGraphic();
  NodeGNode* pluto = symbol("Pluto");
  GMessage msg;
  msg.keys = NodeGNode::CmExpandN;
  host->desktop().answerText(IDCANCEL, "");
  pluto->handleMessage(msg);
  EXPECT_TRUE(boxes().empty());
  host->desktop().answerText(IDOK, "0");
  pluto->handleMessage(msg);
  EXPECT_EQ(boxes().size(), 1u) << "0 levels is one level, as \"&1 level\"";
}

TEST_F(BookPageTest, PlaceholdersAndReferencesTurnIntoEachOther) {
  ASSERT_TRUE(show("Pluto"));
  NodeGNode* kuiper = symbol("Kuiper belt");
  ASSERT_EQ(kuiper->dereference(), 0);
  EXPECT_FALSE(kuiper->hasValidRef());
  EXPECT_STREQ(kuiper->displayName(), "Kuiper belt");
  EXPECT_TRUE(kuiper->state() & Graphic::Dotted);
  EXPECT_EQ(kuiper->dereference(), -1);
  // The book manager refuses a new page: the symbol stays a placeholder.
  EXPECT_EQ(kuiper->instantiate(), -1);
  // Choosing an existing page makes it real again.
  app.dirAnswer = 0;
  app.dirChoice = "<this>#$15:Kuiper belt";
  EXPECT_EQ(kuiper->reference(), 0);
  EXPECT_TRUE(kuiper->hasValidRef());
  EXPECT_FALSE(kuiper->state() & Graphic::Dotted);
  EXPECT_TRUE(kuiper->state() & Graphic::Shadow);
}

TEST_F(BookPageTest, VerifyTakesThePagesNameFromTheBook) {
  ASSERT_TRUE(show("Pluto"));
  NodeGNode* kuiper = symbol("Kuiper belt");
  const String renamed("Edgeworth-Kuiper belt");
  ASSERT_EQ(book.db()->changeName_Type_Flags(kuiper->nodeRef()->uid(), &renamed, nullptr, nullptr), 0);
  recorder.reports.clear();
  kuiper->verify();
  EXPECT_STREQ(kuiper->displayName(), "Edgeworth-Kuiper belt");
  EXPECT_EQ(kuiper->shape()->label().text(), "Edgeworth-Kuiper belt");
  ASSERT_FALSE(recorder.reports.empty());
  EXPECT_EQ(recorder.reports.front(), "Verifying node 'Kuiper belt' ...");
}

}  // namespace

namespace {

int gOpened = 0;
std::string gOpenedUrl;
int recordUrl(NodeGNodeRO&, const char* url) {
  ++gOpened;
  gOpenedUrl = url;
  return 0;
}

TEST_F(BookPageTest, DeletingASymbolAndItsPageAsksAndRemovesThePageFromTheBook) {
  ASSERT_TRUE(show("Pluto"));
  NodeGNode* kuiper = symbol("Kuiper belt");
  const ULONG id = kuiper->nodeRef()->uid();
  GMessage msg;
  msg.keys = NodeGNode::CmDeleteSymbolAndPage;
  host->desktop().answer(IDCANCEL);
  kuiper->handleMessage(msg);
  ASSERT_EQ(symbol("Kuiper belt"), kuiper) << "cancelled: nothing changes";
  host->desktop().answer(IDOK);
  kuiper->handleMessage(msg);
  EXPECT_EQ(symbol("Kuiper belt"), nullptr);
  EXPECT_EQ(book.db()->kind(id), 0u) << "the page is gone from the book";
  const auto asked = host->desktop().eventsOf(ScriptedDesktop::Kind::MessageBox);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].text, "Do you really want to delete page \"Kuiper belt\" from the book?");
  EXPECT_EQ(asked[0].caption, "Page Deletion Confirmation");
  // A page open in this same window is refused.
  NodeGNode* pluto = symbol("Pluto");
  app.displayed = page->node();
  recorder.reports.clear();
  pluto->deleteNode();
  ASSERT_EQ(recorder.reports.size(), 1u);
  EXPECT_EQ(recorder.reports[0],
            "E: Cannot delete referenced page from the book: Use the book directory to delete this page.");
  app.displayed = nullptr;
}

TEST_F(BookPageTest, ReadOnlySymbolsFollowThePagesWebAddressOrAskWhichOne) {
  {
    PageNexil writer;
    DBRef w;
    ASSERT_EQ(writer.addDB(w, "", bookPath.c_str(), 2, 0x20), 0);
    const ULONG kuiper = w.db()->resolveName(String("Kuiper belt"));
    ASSERT_EQ(w.db()->createAttribute(kuiper, "URL", "U:https://example.org/kuiper"), 0);
    ASSERT_EQ(w.db()->commit(), 0);
  }
  ASSERT_TRUE(show("Pluto", false));
  NodeGNodeRO::setUrlHook(recordUrl);
  auto* kuiper = dynamic_cast<NodeGNodeRO*>(symbol("Kuiper belt"));
  ASSERT_NE(kuiper, nullptr);
  EXPECT_EQ(kuiper->findURL(), "U:https://example.org/kuiper");
  EXPECT_TRUE(kuiper->hasPage());
  host->desktop().answer(IDYES);
  kuiper->gotoNode();
  EXPECT_EQ(gOpened, 1);
  EXPECT_EQ(gOpenedUrl, "https://example.org/kuiper") << "the text after its first two characters";
  host->desktop().answer(IDNO);
  kuiper->gotoNode();
  EXPECT_EQ(app.loads, std::vector<std::string>{"Kuiper belt mode 6"});
  const auto asked = host->desktop().eventsOf(ScriptedDesktop::Kind::MessageBox);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].caption, "Which One?");
  HMENU m = kuiper->createPopup();
  host->desktop().trackPopupMenu(page->HWindow, m, 0, 0);
  ::DestroyMenu(m);
  EXPECT_NE(menus(*host).back().find("&Open Page\tDbl-Left|&Open URL\tDbl-Left|"), std::string::npos);
  NodeGNodeRO::setUrlHook(nullptr);
}

}  // namespace

namespace {

std::size_t linkCount(NodeGNode* s, PageNexil& app, ViewNode* page) {
  std::unique_ptr<Links> links = s->nodeRef()->getLinks(page, app);
  return links != nullptr ? links->count() : 0;
}

TEST_F(BookPageTest, ShiftDraggingFromOneSymbolToAnotherLinksThemInTheBookAndDeletingUnlinks) {
  ASSERT_TRUE(show("Pluto"));
  NodeGNode* pluto = symbol("Pluto");
  NodeGNode* kuiper = symbol("Kuiper belt");
  const std::size_t before = linkCount(pluto, app, page.get());
  const std::size_t boxesBefore = boxes().size();
  RECT a, b;
  pluto->rawRect(a);
  kuiper->rawRect(b);
  POINT from = {(a.left + a.right) / 2, (a.top + a.bottom) / 2}, to = {(b.left + b.right) / 2, (b.top + b.bottom) / 2};
  page->logicalToDevice(from);
  page->logicalToDevice(to);
  host->drag(page->HWindow, from, to, 4, MK_SHIFT);
  host->run();
  ASSERT_EQ(boxes().size(), boxesBefore + 1);
  LinkGNode* made = boxes().back();
  EXPECT_EQ(made->getSource(), pluto);
  ASSERT_NE(made->linkRef(), nullptr) << "a real link of the book";
  EXPECT_EQ(linkCount(pluto, app, page.get()), before + 1);
  EXPECT_TRUE(page->isModified());
  host->desktop().answer(IDOK);
  made->deleteLink(1, true);
  EXPECT_EQ(boxes().size(), boxesBefore);
  EXPECT_EQ(linkCount(pluto, app, page.get()), before);
}

}  // namespace
