// Text boxes: menus item by item with their check marks, the style commands,
// sounds, scrolling while an arrow is held, editing, tethers from saved ids,
// records read and written back (hostile ones included), and the text box of
// every page of the example book.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "book_page_support.h"
#include "graphics/node_gnode.h"
#include "graphics/tether_relation.h"
#include "graphics/text_box.h"
#include "maptext/km_records.h"
#include "plugin/search_token.h"
#include "plugin/t_find_params.h"

namespace {

std::string menuOf(HeadlessHost& host, SensitiveGraphic& g) {
  HMENU m = g.createPopup();
  host.desktop().answerMenu(0);
  host.desktop().trackPopupMenu(nullptr, m, 0, 0);
  ::DestroyMenu(m);
  return host.desktop().eventsOf(ScriptedDesktop::Kind::Menu).back().text;
}

void command(Graphic& g, int cmd) {
  GMessage m;
  m.message = WM_COMMAND;
  m.keys = static_cast<WORD>(cmd);
  g.handleMessage(m);
}

KM_Annotation record(LONG id, LONG x, LONG y, LONG x2, LONG y2, ULONG flags, const char* text) {
  KM_Annotation r{};
  r.id = id;
  r.x = x, r.y = y, r.x2 = x2, r.y2 = y2;
  r.flags = flags;
  r.extra = KM_ABSENT;
  r.kind = 't';
  r.data = const_cast<char*>(text);
  r.dataSize = static_cast<ULONG>(std::char_traits<char>::length(text) + 1);
  return r;
}


// The first text box record of squeezed map text, or "".
std::string textRecord(const std::string& s) {
  const std::size_t body = s.find("(t\"");
  if (body == std::string::npos) return "";
  const std::size_t from = s.rfind("(a", body), to = s.find("\"),", body);
  return to == std::string::npos ? "" : s.substr(from, to + 3 - from);
}

TextBox* textBoxOf(const GraphicWindow& w) {
  for (SensitiveGraphic* g : w.sensitiveGraphics())
    if (auto* t = dynamic_cast<TextBox*>(g)) return t;
  return nullptr;
}

const char* const kAllSides = "{*&All sides|*&Left|*&Top|*&Right|*&Bottom}";

TEST_F(PageTest, ANewTextBoxHasItsDefaultBoxMenuAndSounds) {
  for (int soundsOn : {0, 1}) {
    host->desktop().clear();
    page->soundsOn = soundsOn;
    page->modified = 0;
    auto* box = new TextBox(page.get(), 7, 30, 40);
    page->addSNode(box);
    EXPECT_EQ(rectText([&] { RECT r; box->rawRect(r); return r; }()), "(30,40)-(230,120)");
    EXPECT_EQ(box->shape()->fillColor().color(), Annotation::BoxGrey);
    EXPECT_STREQ(box->text(), "");
    EXPECT_EQ(page->modified, 1);
    // Not a page window of a book: editing cannot start, so the item is grayed.
    EXPECT_EQ(menuOf(*host, *box),
              "Push to &Back|*&Show Box|&Delete\tDel|&Maximize{&All sides|&Left|&Top|&Right|&Bottom}|"
              "(Un)&Tether to\tShift+Left|-|[&Edit Text]");
    box->eraseGraphic();
    const std::vector<std::string> played = sounds();
    const std::vector<std::string> expected =
        soundsOn ? std::vector<std::string>{"NXNEWANO.WAV", "NXDELANO.WAV"} : std::vector<std::string>{};
    EXPECT_EQ(played, expected);
  }
}

TEST_F(PageTest, ShowBoxAndMaximizeToggleTheirBitsAndTheChecks) {
  auto* box = new TextBox(page.get(), 1, 30, 40, 130, 100, "note");
  page->addSNode(box);
  box->setState(Graphic::LeftToWindow);
  command(*box, Annotation::CmMaximizeAll);  // only the left bit: all four
  EXPECT_EQ(box->state() & Annotation::StretchMask, Annotation::StretchMask);
  EXPECT_NE(menuOf(*host, *box).find(kAllSides), std::string::npos);
  RECT r;
  box->rect(r);
  EXPECT_EQ(rectText(r), "(0,0)-(400,300)") << "the client area";
  box->rawRect(r);
  EXPECT_EQ(rectText(r), "(30,40)-(130,100)") << "the stored box stays";
  command(*box, Annotation::CmMaximizeAll);  // all four: none
  EXPECT_EQ(box->state() & Annotation::StretchMask, 0u);
  command(*box, Annotation::CmMaximizeTop);
  command(*box, Annotation::CmMaximizeBottom);
  command(*box, Annotation::CmShowBox);
  EXPECT_EQ(box->state() & (Annotation::StretchMask | Graphic::BoxHidden),
            DWORD{Graphic::TopToWindow | Graphic::BottomToWindow | Graphic::BoxHidden});
  const std::string menu = menuOf(*host, *box);
  EXPECT_NE(menu.find("|&Show Box|"), std::string::npos) << menu;
  EXPECT_NE(menu.find("{&All sides|&Left|*&Top|&Right|*&Bottom}"), std::string::npos) << menu;
  GMessage del;
  del.keys = Annotation::CmDelete;
  box->handleMessage(del);
  EXPECT_EQ(del.result, 1) << "deletion is the window's";
}

TEST_F(PageTest, HoldingTheMouseOnAnArrowScrollsAboutFiveLinesASecond) {
  std::string text;
  for (int i = 0; i < 60; ++i) text += "line " + std::to_string(i) + "\n";
  auto* box = new TextBox(page.get(), 1, 20, 20, 220, 120, text.c_str());
  page->addSNode(box);
  box->invalidate();
  host->run();
  RECT b;
  box->textBlock()->rect(b);
  const POINT down = {b.right - 8, b.bottom - 4};
  ASSERT_EQ(box->zoneAt(down), TextBox::Zone::Arrow);
  // Held for 1020 ms of message time (moves 20 ms apart), staying on the arrow.
  host->press(hwnd(), down);
  for (int i = 0; i < 50; ++i) host->move(hwnd(), {down.x + (i % 2), down.y}, MK_LBUTTON);
  host->release(hwnd(), down);
  host->run();
  const int lines = box->textBlock()->firstVisibleLine();
  EXPECT_GE(lines, 4);
  EXPECT_LE(lines, 6);
  EXPECT_EQ(page->captureGraphic(), nullptr);
  EXPECT_FALSE(box->isSelected()) << "the release ended the scrolling, not a click";
  // A press whose release never comes still ends when nothing more can arrive.
  box->textBlock()->rect(b);
  host->press(hwnd(), {b.right - 8, b.top + 4});
  host->run();
  host->run();
  EXPECT_EQ(box->textBlock()->firstVisibleLine(), lines - 1);
}

TEST_F(PageTest, RecordsGiveBoxesHostileOnesTooAndWriteThemBack) {
  const std::string longText(300000, 'w');
  struct Case {
    KM_Annotation in;
    const char* box;
    DWORD styleBits;  // of SavedFlagsMask
  };
  const Case cases[] = {
      {record(0x7FFFFFFF, 10, 10, 110, 60, 0x80000000u, "kept defaults"), "(10,10)-(110,60)", Graphic::Computed},
      {record(-5, 300, 200, -40, -30, 0xFFFFFFFFu, "reversed"), "(-40,-30)-(300,200)", Annotation::SavedFlagsMask},
      {record(KM_ABSENT, KM_ABSENT, 50, KM_ABSENT, KM_ABSENT, 0x2000, longText.c_str()), "(0,50)-(200,130)",
       Graphic::BoxHidden},
  };
  for (const Case& c : cases) {
    KM_Annotation in = c.in;
    TextBox* box = TextBox::make(page.get(), in, nullptr);
    ASSERT_NE(box, nullptr);
    RECT r;
    box->rawRect(r);
    EXPECT_EQ(rectText(r), c.box);
    EXPECT_EQ(box->state() & Annotation::SavedFlagsMask, c.styleBits & ~DWORD{Graphic::Hidden});
    EXPECT_STREQ(box->text(), static_cast<const char*>(c.in.data));
    EXPECT_TRUE(box->invariantsHold());
  }
  picture();  // every box is drawn, the long text's only as far as it shows
  std::stringstream out;
  KMEsrap w(&out, "test");
  for (SensitiveGraphic* g : page->sensitiveGraphics()) static_cast<TextBox*>(g)->saveOn(w);
  w.close();
  const std::string written = squeezed(out.str());
  EXPECT_NE(written.find("(a7fffffff,,a,a,6e,3c,4,,,(t\"kept defaults\"),)"), std::string::npos) << written;
  EXPECT_NE(written.find("\"" + longText + "\""), std::string::npos);
  EXPECT_EQ(page->modified, 0) << "reading records changes nothing";
}

TEST_F(BookPageTest, EveryPageShowsItsTextBoxAndWritesItsRecordBack) {
  const char* const names[] = {"The Solar System", "Sun", "Mercury", "Venus", "Earth", "Moon", "Mars",
                               "Asteroid belt", "Ceres", "Jupiter", "Saturn", "Uranus", "Neptune",
                               "Kuiper belt", "Pluto", "Comets"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    page.reset();
    book.ref(nullptr);
    app.books.clear();
    ASSERT_TRUE(show(name, false));
    TextBox* box = textBoxOf(*page);
    ASSERT_NE(box, nullptr);
    const std::string stored = textRecord(squeezed(body));
    ASSERT_FALSE(stored.empty());
    EXPECT_NE(stored.find(std::string("(t\"") + box->text() + "\")"), std::string::npos);
    EXPECT_FALSE(box->boxHidden());
    EXPECT_EQ(textRecord(squeezed(writtenSections())), stored);
    EXPECT_EQ(page->isModified(), 0);
  }
  EXPECT_TRUE(recorder.reports.empty()) << recorder.reports.front();
}

TEST_F(BookPageTest, TethersComeBackFromSavedIdsAndSkipWhatNamesNothing) {
  ASSERT_TRUE(show("Earth"));
  TextBox* box = textBoxOf(*page);
  ASSERT_NE(box, nullptr);
  NodeGNode* sun = symbol("Sun");
  NodeGNode* moon = symbol("Moon");
  const LONG ids[] = {sun->id(), 0x7FFFFFFF, KM_ABSENT, sun->id(), -1, moon->id(), box->id()};
  EXPECT_EQ(box->linkTo(ids, -3), 0);
  EXPECT_EQ(box->linkTo(ids, 7), 2);
  EXPECT_EQ(box->linkTo(ids, 7), 0) << "no second tether to a symbol";
  EXPECT_TRUE(box->invariantsHold());
  RECT r;
  std::vector<LONG> saved;
  box->getSaveDetails(r, saved);
  EXPECT_EQ(saved, (std::vector<LONG>{sun->id(), moon->id()}));

  // The record written carries the ids; read again it tethers the same symbols.
  const std::string written = writtenSections();
  EXPECT_NE(written.find(",0,2 3,,"), std::string::npos) << written;
  KM_Annotation again = record(99, 10, 10, 100, 100, 0, "again");
  LONG values[] = {sun->id(), moon->id()};
  again.values = values;
  again.valueCount = 2;
  TextBox* copy = TextBox::make(page.get(), again, nullptr);
  EXPECT_NE(copy->tetherTo(sun), nullptr);
  EXPECT_NE(copy->tetherTo(moon), nullptr);
  sun->eraseGraphic();
  EXPECT_EQ(copy->tetherTo(moon)->to(), moon);
  copy->getSaveDetails(r, saved);
  EXPECT_EQ(saved, std::vector<LONG>{moon->id()}) << "a tether goes with its symbol";

  // "(Un)&Tether to": the next click on a symbol ties the box to it, or unties it.
  NodeGNode* earth = symbol("Earth");
  earth->rect(r);
  for (bool tied : {true, false}) {
    host->click(page->HWindow, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    command(*copy, Annotation::CmTether);
    EXPECT_EQ(copy->tetherTo(earth) != nullptr, tied);
  }
}

TEST_F(BookPageTest, EditingStartsOnlyOnAWritablePage) {
  for (bool writable : {false, true}) {
    SCOPED_TRACE(writable ? "writable" : "read-only");
    page.reset();
    book.ref(nullptr);
    app.books.clear();
    ASSERT_TRUE(show("Moon", writable));
    TextBox* box = textBoxOf(*page);
    RECT r;
    box->rect(r);
    const POINT inside = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    host->doubleClick(page->HWindow, inside);
    host->run();
    EXPECT_EQ(box->isEditing(), writable);
    if (!writable) continue;
    EXPECT_NE(menuOf(*host, *box).find("|-|quit &Editing Text"), std::string::npos);
    box->textBlock()->editControl()->SetText("Edited");
    box->textBlock()->editControl()->SendMessage(EM_SETMODIFY, 1);
    box->setToNormalState();
    EXPECT_FALSE(box->isEditing());
    EXPECT_STREQ(box->text(), "Edited");
    EXPECT_EQ(page->isModified(), 1);
  }
}

TEST_F(BookPageTest, FindNextWalksTheMatchesOfAnEditedBoxAndEndsTheEditingItBegan) {
  ASSERT_TRUE(show("Moon", true));
  TextBox* box = textBoxOf(*page);
  ASSERT_NE(box, nullptr);
  TFindParams find;
  find.pattern = String("cat");  // lower-cased: the find ignores case
  find.matchFn = &TFindParams::substringIgnoringCase;
  SearchToken token;
  int from = 0, to = 0;
  const std::string text = "cat, Cat; bobcat cat";

  // Editing before the first match: each next match is selected in turn, and
  // after the last the box is still being edited.
  box->startEditing();
  ASSERT_TRUE(box->isEditing());
  box->textBlock()->editControl()->SetText(text.c_str());
  box->textBlock()->editControl()->SendMessage(EM_SETMODIFY, 1);
  box->setToNormalState();
  ASSERT_STREQ(box->text(), text.c_str());
  box->startEditing();
  ASSERT_EQ(box->firstMatch(&find, token), 0);
  EXPECT_EQ(token.textBox.position(), 1);
  std::vector<LONG> starts;
  while (box->nextMatch(&find, token) == 0) {
    box->textBlock()->editControl()->GetSelection(from, to);
    EXPECT_EQ(to - from, 3);
    starts.push_back(from);
  }
  EXPECT_EQ(starts, (std::vector<LONG>{5, 13, 17}));
  EXPECT_TRUE(box->isEditing());

  // As a whole word, bobcat is passed over.
  find.flags = TFindOptions::WholeWord;
  ASSERT_EQ(box->firstMatch(&find, token), 0);
  starts.clear();
  while (box->nextMatch(&find, token) == 0) starts.push_back(token.textBox.position() - 1);
  EXPECT_EQ(starts, (std::vector<LONG>{5, 17}));

  // Not being edited: nothing to go on with. Editing begun after the first
  // match ends with the last one.
  box->setToNormalState();
  ASSERT_EQ(box->firstMatch(&find, token), 0);
  EXPECT_EQ(box->nextMatch(&find, token), 1);
  box->startEditing();
  while (box->nextMatch(&find, token) == 0) {
  }
  EXPECT_FALSE(box->isEditing());
}

}  // namespace
