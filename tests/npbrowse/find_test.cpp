// Find across a book: the four ways a text matches, the find history, and
// searches of copies of the example book through the book manager, with and
// without the progress dialog (its Cancel pressed as a person would), over a
// page on show, and over a page whose map text does not read.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/core_test_support.h"
#include "manager_fixture.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/view_node.h"
#include "kit/error.h"
#include "platform/render/headless_host.h"
#include "platform/win/windows_user.h"
#include "plugin/orvane_find_history.h"
#include "plugin/orvane_nexil.h"
#include "plugin/orvane_window.h"
#include "plugin/search_token.h"
#include "plugin/t_find_params.h"
#include "plugin/t_finding_dialog.h"
#include "plugin/topic_grep.h"

namespace {

class QuietReports : public ErrorHandler {
 public:
  QuietReports() { setApplicationHandler(this); }
  ~QuietReports() override { setApplicationHandler(nullptr); }
  int handleError(char, const char*) override { return 0; }
};

TEST(FindMatch, EachOfTheFourMatchFunctionsAgreesWithTheExpectedAnswer) {
  struct Case {
    DWORD flags;
    const char* text;
    const char* find;
    int expected;
  };
  const Case cases[] = {
      {0, "IDEAS", "Idea", 1},                      // ignoring case, a substring
      {TFindOptions::WholeWord, "IDEAS", "Idea", 0},  // but not a whole word
      {TFindOptions::WholeWord, "big cat", "cat", 1},  // the word ends the text
      {TFindOptions::WholeWord, "cat nap", "CAT", 1},  // and starts it
      {TFindOptions::WholeWord, "cats cat", "cat", 0},  // only the first occurrence counts
      {TFindOptions::WholeWord, "a (cat).", "cat", 1},
      {TFindOptions::WholeWord, "bobcat", "cat", 0},
      {TFindOptions::WholeWord, "cat9", "cat", 0},  // digits are word bytes
      {TFindOptions::CaseSensitive, "IDEAS", "Idea", 0},
      {TFindOptions::CaseSensitive, "Ideas", "Idea", 1},
      {TFindOptions::CaseSensitive | TFindOptions::WholeWord, "the Idea.", "Idea", 1},
      {TFindOptions::CaseSensitive | TFindOptions::WholeWord, "the idea.", "Idea", 0},
      {0, "\xC9T\xC9", "\xE9t\xE9", 0},  // only A-Z are lowered
      {0, "", "x", 0},
  };
  OrvaneNexil manager;
  for (const Case& c : cases) {
    TFindParams params;
    params.flags = c.flags;
    params.findText = String(c.find);
    TopicGrep grep(manager, params, nullptr);
    grep.Setup();
    EXPECT_EQ(params.match(c.text), c.expected) << "'" << c.find << "' in '" << c.text << "' flags " << c.flags;
    EXPECT_EQ(params.match(nullptr), 0);
  }
}

std::vector<std::string> gSeen;
void remember(String& text, void*) { gSeen.emplace_back(text.c_str()); }

TEST(FindHistory, ConsecutiveRepeatsAndEmptyTextsAreNotKeptNewestComesFirst) {
  OrvaneFindHistory h;
  for (const char* t : {"a", "a", "b", "a", "", "c"}) h.add(String(t));
  gSeen.clear();
  h.forEach(&remember, nullptr);
  EXPECT_EQ(gSeen, (std::vector<std::string>{"c", "a", "b", "a"}));
}

// The test's main window presses the find dialog's Cancel when it gets
// command 999, as a person would click it while the search runs.
class CancellingWindow : public TWindow {
 public:
  CancellingWindow() : TWindow(nullptr, "Main") {}
  LRESULT EvCommand(UINT id, HWND ctl, UINT code) override {
    if (id == 999 && grep != nullptr && grep->dialog() != nullptr) {
      grep->dialog()->PressButton(IDCANCEL);
      return 0;
    }
    return TWindow::EvCommand(id, ctl, code);
  }
  TopicGrep* grep = nullptr;
};

class FindTest : public ManagerFixture {
 protected:
  FindTest() : ManagerFixture("find") {}
  void TearDown() override {
    params.reset();  // its book reference goes before the book manager
    ManagerFixture::TearDown();
  }
  DB* open() { return window->openBook(book.c_str(), 0, 0x40, false, nullptr); }
  ULONG idOf(const char* name) { return manager->currentDB()->resolveName(String(name)); }
  // Finds `text` with `flags`; the names of the pages found, in order.
  std::vector<std::string> find(const char* text, DWORD flags, TWindow* parent = nullptr) {
    params = std::make_unique<TFindParams>();
    params->findText = String(text);
    params->flags = flags;
    params->book.ref(manager->currentDB());
    TopicGrep grep(*manager, *params, parent);
    grep.Setup();
    EXPECT_EQ(grep.findMatches(), 0);
    std::vector<std::string> names;
    for (const TFindParams::Result& r : params->results) names.emplace_back(r.name.c_str());
    EXPECT_EQ(manager->unclaimedCount(), 0u) << "a page made for the search was left behind";
    return names;
  }

  QuietReports quiet;
  std::unique_ptr<TFindParams> params;
};

TEST_F(FindTest, NamesContentsBothAndNeitherFindTheirPagesEachOnce) {
  ASSERT_NE(open(), nullptr);
  using V = std::vector<std::string>;
  EXPECT_EQ(find("jupiter", TFindOptions::Names), V{"Jupiter"});
  const V contents = find("Jupiter", TFindOptions::Contents);
  const std::set<std::string> inContents(contents.begin(), contents.end());
  EXPECT_EQ(contents.size(), inContents.size()) << "a page reported twice";
  for (const char* page : {"Jupiter", "Sun", "Asteroid belt", "The Solar System"})
    EXPECT_EQ(inContents.count(page), 1u) << page;
  // Name and contents both match on "Jupiter": it is reported once.
  const V both = find("Jupiter", TFindOptions::Names | TFindOptions::Contents);
  EXPECT_EQ(both.size(), contents.size());
  // A word only a text box holds; and one only a symbol holds, in its name.
  EXPECT_EQ(find("VOLCANO", TFindOptions::Contents | TFindOptions::WholeWord), V{"Mars"});
  EXPECT_EQ(find("Great Red Spot", TFindOptions::Contents | TFindOptions::CaseSensitive), V{"Jupiter"});
  EXPECT_EQ(find("great red spot", TFindOptions::Contents | TFindOptions::CaseSensitive), V{});
  EXPECT_EQ(find("Jupiter", 0), V{});
  // An empty text is no search at all.
  TFindParams empty;
  empty.book.ref(manager->currentDB());
  TopicGrep grep(*manager, empty, nullptr);
  grep.Setup();
  EXPECT_FALSE(empty.isInstantiated());
  EXPECT_EQ(grep.findMatches(), -1);
}

TEST_F(FindTest, TheDialogCountsMatchesAndItsCancelStopsTheSearch) {
  ASSERT_NE(open(), nullptr);
  CancellingWindow parent;
  ASSERT_TRUE(parent.Create());
  const std::vector<std::string> all = find("Jupiter", TFindOptions::Contents, &parent);
  ASSERT_FALSE(all.empty());

  params = std::make_unique<TFindParams>();
  params->findText = String("Jupiter");
  params->flags = TFindOptions::Contents;
  params->book.ref(manager->currentDB());
  TopicGrep grep(*manager, *params, &parent);
  parent.grep = &grep;
  grep.Setup();
  ASSERT_EQ(grep.findMatches(), 0);
  ASSERT_NE(grep.dialog(), nullptr);
  EXPECT_EQ(grep.dialog()->ResourceName(), "AbortFind");
  EXPECT_EQ(grep.dialog()->count(), static_cast<LONG>(all.size()));
  char text[64] = "";
  ::GetWindowText(::GetDlgItem(grep.dialog()->HWindow, TFindingDialog::IdCount), text, sizeof text);
  EXPECT_EQ(std::string(text), std::to_string(all.size()));
  ::GetWindowText(::GetDlgItem(grep.dialog()->HWindow, TFindingDialog::IdFindText), text, sizeof text);
  EXPECT_STREQ(text, "Jupiter");
  EXPECT_FALSE(grep.cancelled());

  // Cancel pressed while the search runs: it stops at the next page.
  params->results.clear();
  ::PostMessage(parent.HWindow, WM_COMMAND, 999, 0);
  ASSERT_EQ(grep.findMatches(), 0);
  EXPECT_TRUE(grep.cancelled());
  EXPECT_TRUE(params->results.empty());
  EXPECT_EQ(::GetWindowLong(::GetDlgItem(grep.dialog()->HWindow, IDCANCEL), GWL_STYLE) & WS_DISABLED, WS_DISABLED);
  EXPECT_EQ(manager->unclaimedCount(), 0u);
}

TEST_F(FindTest, APageOnShowIsSearchedInPlaceAndStaysAnUnreadablePageIsCounted) {
  const ULONG mars = [&] {
    TestNexil app;
    DBRef w;
    EXPECT_EQ(app.addDB(w, "", book.c_str(), 2, 0x20), 0);
    const ULONG id = w.db()->resolveName(String("Mars"));
    const ULONG moon = w.db()->resolveName(String("Moon"));
    w.db()->clearNodeStream(moon);
    std::unique_ptr<std::iostream> s = w.db()->getNodeStream(moon, 1);
    *s << "#CM&^# 161\r\n(B(a\"x\",1,1),(n\"Moon\"),,(C162,(r0,0,1,1),(r0,0,1,1),0,,(N162,00000001,(n1,\"Moon";
    s.reset();
    EXPECT_EQ(w.db()->commit(), 0);
    return id;
  }();
  ASSERT_NE(open(), nullptr);
  NodeRef ref(manager->currentDB(), mars);
  ASSERT_EQ(window->loadNode(nullptr, ref, 6, 0, nullptr, true), 0);
  ViewNode* shown = window->currentPage();

  EXPECT_EQ(find("volcano", TFindOptions::Contents), std::vector<std::string>{"Mars"});
  EXPECT_EQ(window->currentPage(), shown) << "the page on show was replaced";
  ASSERT_NE(shown->node(), nullptr);
  EXPECT_EQ(shown->node()->uid(), mars);
  EXPECT_EQ(params->unreadable, 1u) << "the damaged Moon page";
  // The damaged page is still found by its name.
  EXPECT_EQ(find("Moon", TFindOptions::Names | TFindOptions::WholeWord), std::vector<std::string>{"Moon"});

  // Selecting the first match on the page on show.
  SearchToken token;
  params->flags = TFindOptions::Contents;
  params->findText = String("Volcano");
  TopicGrep grep(*manager, *params, nullptr);
  grep.Setup();
  EXPECT_EQ(shown->firstMatch(params.get(), token), 0);
  EXPECT_EQ(token.textBox.position(), 34) << "one past the offset of \"volcano\"";
  EXPECT_EQ(shown->selectedCount(), 1);
}

}  // namespace
