// The edit field as a person uses it: typing, the editing and moving keys,
// selection by keys and mouse, word wrap, scrolling, the selection and
// replacement messages, the clipboard, the text limit and finding text; and the
// field's invariants under a long run of random edits.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/owl/control_classes.h"
#include "platform/owl/edit_field.h"
#include "platform/owl/t_control.h"
#include "platform/owl/t_window.h"
#include "platform/render/headless_host.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

class Box : public TWindow {
 public:
  Box() : TWindow(nullptr, "box") {
    Attr.W = 400;
    Attr.H = 300;
  }
  LRESULT EvCommand(UINT, HWND, UINT code) override {
    if (code == EN_CHANGE) ++changes;
    return 0;
  }
  int changes = 0;
};

// Pixel width of a text in the field's font.
int widthOf(HWND h, const std::string& s) {
  HDC dc = GetDC(h);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SIZE size = {0, 0};
  GetTextExtentPoint32(dc, s.c_str(), static_cast<int>(s.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(h, dc);
  return size.cx;
}

int lineHeight(HWND h) {
  HDC dc = GetDC(h);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(h, dc);
  return tm.tmHeight;
}

class EditFieldTest : public ::testing::Test {
 protected:
  // A multi-line field 120 x 60 (text area 112 x 54 inside border and margins).
  void make(bool multiline, int width = 120, int height = 60, UINT limit = 0) {
    edit = new TEdit(&box, 101, "", 10, 10, width, height, limit, multiline);
    ASSERT_TRUE(box.Create());
    edit->SetFocus();
    host.run();
  }
  void TearDown() override { delete edit; }
  void type(const std::string& s) {
    host.type(s);
    host.run();
  }
  void key(UINT vk, UINT modifiers = 0, int times = 1) {
    for (int i = 0; i < times; ++i) WindowManager::instance().injectKey(vk, 0, modifiers);
    host.run();
  }
  std::pair<int, int> sel() const {
    int s = 0, e = 0;
    edit->GetSelection(s, e);
    return {s, e};
  }
  std::string line(int n) const {
    char buf[512];
    WORD size = sizeof buf - 1;
    std::memcpy(buf, &size, sizeof size);
    LRESULT got = ::SendMessage(edit->HWindow, EM_GETLINE, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(buf));
    return std::string(buf, static_cast<std::size_t>(got));
  }

  HeadlessHost host;
  Box box;
  TEdit* edit = nullptr;
};

TEST_F(EditFieldTest, TypingAndTheEditingKeys) {
  make(true, 300, 100);
  struct Step {
    const char* what;
    std::function<void()> act;
    std::string text;
    std::pair<int, int> selection;
  };
  const std::vector<Step> steps = {
      {"typed", [&] { type("ab\ncd"); }, "ab\r\ncd", {6, 6}},
      {"Left twice", [&] { key(VK_LEFT, 0, 2); }, "ab\r\ncd", {4, 4}},
      {"Left over a break", [&] { key(VK_LEFT); }, "ab\r\ncd", {2, 2}},
      {"Delete takes the break whole", [&] { key(VK_DELETE); }, "abcd", {2, 2}},
      {"Return", [&] { type("\n"); }, "ab\r\ncd", {4, 4}},
      {"Backspace takes the break whole", [&] { type("\b"); }, "abcd", {2, 2}},
      {"Shift+Right twice", [&] { key(VK_RIGHT, MK_SHIFT, 2); }, "abcd", {2, 4}},
      {"typing replaces the selection", [&] { type("X"); }, "abX", {3, 3}},
      {"Ctrl+Home", [&] { key(VK_HOME, MK_CONTROL); }, "abX", {0, 0}},
      {"Shift+End", [&] { key(VK_END, MK_SHIFT); }, "abX", {0, 3}},
      {"Left ends the selection at its start", [&] { key(VK_LEFT); }, "abX", {0, 0}},
      {"Backspace at the start", [&] { type("\b"); }, "abX", {0, 0}},
      {"Ctrl+End, Delete at the end", [&] { key(VK_END, MK_CONTROL); key(VK_DELETE); }, "abX", {3, 3}},
      {"Ctrl+Left goes by words", [&] { type(" one two"); key(VK_LEFT, MK_CONTROL); }, "abX one two", {8, 8}},
      {"Ctrl+Shift+Left extends by a word", [&] { key(VK_LEFT, MK_CONTROL | MK_SHIFT); }, "abX one two", {4, 8}},
      {"Delete takes the selection", [&] { key(VK_DELETE); }, "abX two", {4, 4}},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(s.text, edit->GetText()) << s.what;
    EXPECT_EQ(s.selection, sel()) << s.what;
  }
  EXPECT_TRUE(edit->IsModified());
  EXPECT_EQ(18, box.changes) << "EN_CHANGE for each change the person made";
}

TEST_F(EditFieldTest, UpAndDownKeepTheirColumnAndHomeAndEndTheirLine) {
  make(true, 300, 100);
  edit->SetText("one\r\ntwo three\r\nx");
  EXPECT_FALSE(edit->IsModified()) << "text set by the program";
  struct Step {
    UINT key;
    UINT modifiers;
    int caret;
  };
  const Step steps[] = {{VK_DOWN, 0, 5},  {VK_DOWN, 0, 16}, {VK_UP, 0, 5},  {VK_END, 0, 14},
                        {VK_DOWN, 0, 17}, {VK_UP, 0, 14},   {VK_HOME, 0, 5}, {VK_UP, 0, 0},
                        {VK_UP, 0, 0},    {VK_END, MK_CONTROL, 17}};
  for (const Step& s : steps) {
    key(s.key, s.modifiers);
    EXPECT_EQ(std::make_pair(s.caret, s.caret), sel()) << "key " << s.key;
  }
}

TEST_F(EditFieldTest, WordsWrapGreedilyAndAWordWiderThanTheLineIsCut) {
  make(true);
  const int width = 120 - 2 - 6;
  const std::string words = "alpha beta gamma delta epsilon zeta eta theta";
  const std::string longWord(60, 'w');
  edit->SetText((words + " " + longWord).c_str());
  int lines = edit->GetNumLines();
  ASSERT_GT(lines, 3);
  std::string joined;
  for (int i = 0; i < lines; ++i) {
    std::string l = line(i);
    joined += l;
    std::string shown = l.substr(0, l.find_last_not_of(' ') + 1);
    EXPECT_GE(width, widthOf(edit->HWindow, shown)) << "line " << i << " '" << l << "' fits";
    if (i + 1 < lines) {
      // Greedy: the next line's first word (or character, for a cut word) did not fit.
      std::string next = line(i + 1);
      std::string firstWord = l.back() == ' ' ? next.substr(0, next.find(' ')) : next.substr(0, 1);
      EXPECT_LT(width, widthOf(edit->HWindow, l + firstWord)) << "line " << i << " is full";
    }
  }
  EXPECT_EQ(words + " " + longWord, joined) << "the lines cover the text in order";
}

TEST_F(EditFieldTest, TheCaretsLineStaysInViewAndScrollingIsBounded) {
  make(true);
  const int visible = (60 - 2 - 4) / lineHeight(edit->HWindow);
  type("1\n2\n3\n4\n5\n6\n7\n8\n9\n10");
  EXPECT_EQ(10, edit->GetNumLines());
  EXPECT_EQ(10 - visible, ::SendMessage(edit->HWindow, EM_GETFIRSTVISIBLELINE, 0, 0)) << "typing at the end";
  key(VK_HOME, MK_CONTROL);
  EXPECT_EQ(0, ::SendMessage(edit->HWindow, EM_GETFIRSTVISIBLELINE, 0, 0)) << "Ctrl+Home";
  key(VK_NEXT);
  EXPECT_EQ(visible, ::SendMessage(edit->HWindow, EM_GETFIRSTVISIBLELINE, 0, 0)) << "Page Down";
  EXPECT_EQ(visible, edit->GetLineFromPos(-1)) << "the caret went down a page";
  edit->Scroll(100);
  EXPECT_EQ(9, ::SendMessage(edit->HWindow, EM_GETFIRSTVISIBLELINE, 0, 0)) << "scrolled past the end";
  edit->Scroll(-100);
  EXPECT_EQ(0, ::SendMessage(edit->HWindow, EM_GETFIRSTVISIBLELINE, 0, 0)) << "scrolled past the start";
  EXPECT_EQ(MAKELPARAM(1, TRUE), ::SendMessage(edit->HWindow, EM_SCROLL, SB_LINEDOWN, 0));
  EXPECT_EQ(9, edit->GetLineIndex(3));
  EXPECT_EQ(-1, edit->GetLineIndex(10));
  EXPECT_EQ(2, ::SendMessage(edit->HWindow, EM_LINELENGTH, 28, 0)) << "the line of \"10\"";
}

TEST_F(EditFieldTest, SelectionAndReplacementMessages) {
  make(true, 300, 100);
  edit->SetText("ab\r\ncdef");
  struct Case {
    int start;
    int end;
    std::pair<int, int> expected;
    const char* what;
  };
  const Case cases[] = {
      {1, 5, {1, 5}, "a range"},        {5, 1, {1, 5}, "given backwards"},
      {0, -1, {0, 8}, "all"},           {6, 600, {6, 8}, "past the end"},
      {3, 3, {4, 4}, "inside a break"}, {-1, 0, {4, 4}, "dropped: the caret stays"},
  };
  for (const Case& c : cases) {
    edit->SetSelection(c.start, c.end);
    EXPECT_EQ(c.expected, sel()) << c.what;
  }
  edit->SetSelection(4, 6);
  edit->Insert("XYZ");
  EXPECT_EQ("ab\r\nXYZef", edit->GetText());
  EXPECT_EQ(std::make_pair(7, 7), sel()) << "the caret follows the inserted text";
  EXPECT_TRUE(edit->IsModified());
  edit->SetSelection(0, 2);
  edit->DeleteSelection();
  EXPECT_EQ("\r\nXYZef", edit->GetText());
}

TEST_F(EditFieldTest, MouseClicksDragsAndDoubleClicks) {
  make(true, 300, 100);
  type("hello world");
  HWND h = edit->HWindow;
  const int y = 2 + lineHeight(h) / 2;
  host.click(h, {3 + widthOf(h, "hel"), y});
  host.run();
  EXPECT_EQ(std::make_pair(3, 3), sel()) << "a click places the caret";
  host.drag(h, {3 + 1, y}, {3 + widthOf(h, "hello") + 1, y});
  host.run();
  EXPECT_EQ(std::make_pair(0, 5), sel()) << "a drag selects";
  host.doubleClick(h, {3 + widthOf(h, "hello wo"), y});
  host.run();
  EXPECT_EQ(std::make_pair(6, 11), sel()) << "a double click selects the word";
  host.click(h, {250, y + 5 * lineHeight(h)});
  host.run();
  EXPECT_EQ(std::make_pair(11, 11), sel()) << "below and past the text: its end";
}

TEST_F(EditFieldTest, LimitClipboardReadOnlyAndCaret) {
  make(true, 300, 100, 9);  // room for 8 bytes
  type("abcdefghij");
  EXPECT_EQ("abcdefgh", edit->GetText()) << "typing stops at the limit";
  edit->SetText("abcdefg");
  key(VK_END, MK_CONTROL);
  type("\n");
  EXPECT_EQ("abcdefg", edit->GetText()) << "a break needs two bytes of room";
  ::SendMessage(edit->HWindow, EM_LIMITTEXT, 0, 0);
  edit->SetSelection(0, 3);
  WindowManager::instance().injectKey('C', 0x03, MK_CONTROL);
  host.run();
  key(VK_END, MK_CONTROL);
  WindowManager::instance().injectKey('V', 0x16, MK_CONTROL);
  host.run();
  EXPECT_EQ("abcdefgabc", edit->GetText()) << "copied and pasted";
  edit->SetSelection(0, 1);
  key(VK_DELETE, MK_SHIFT);
  key(VK_INSERT, MK_SHIFT);
  key(VK_INSERT, MK_SHIFT);
  EXPECT_EQ("aabcdefgabc", edit->GetText()) << "cut, then pasted twice";

  POINT before = {0, 0}, after = {0, 0};
  key(VK_HOME, MK_CONTROL);
  ASSERT_TRUE(GetCaretPos(&before));
  key(VK_RIGHT, 0, 3);
  ASSERT_TRUE(GetCaretPos(&after));
  EXPECT_EQ(before.x + widthOf(edit->HWindow, "aab"), after.x) << "the caret follows the keys";

  ::SendMessage(edit->HWindow, EM_SETREADONLY, TRUE, 0);
  type("zz");
  key(VK_DELETE);
  EXPECT_EQ("aabcdefgabc", edit->GetText()) << "read-only";
  SetFocus(box.HWindow);
  EXPECT_FALSE(GetCaretPos(&after)) << "the caret goes with the focus";
}

TEST_F(EditFieldTest, ASingleLineFieldScrollsSidewaysAndTakesNoBreaks) {
  make(false, 60, 20);
  type("a long line of text that does not fit\nmore");
  EXPECT_EQ("a long line of text that does not fitmore", edit->GetText());
  EXPECT_EQ(1, edit->GetNumLines());
  POINT caret;
  ASSERT_TRUE(GetCaretPos(&caret));
  EXPECT_LE(3, caret.x);
  EXPECT_GT(3 + 60 - 2 - 6, caret.x) << "the caret stays in the shown width";
  key(VK_HOME);
  ASSERT_TRUE(GetCaretPos(&caret));
  EXPECT_EQ(3, caret.x) << "back at the start";
}

TEST_F(EditFieldTest, SearchFindsAndSelects) {
  make(true, 300, 100);
  edit->SetText("The cat scattered the Cats; cat.");
  struct Case {
    int from;
    const char* pattern;
    bool matchCase;
    bool wholeWord;
    bool up;
    int expected;
  };
  const Case cases[] = {
      {0, "cat", true, false, false, 4},   {5, "cat", true, false, false, 9},
      {5, "cat", true, true, false, 28},   {10, "cat", false, false, false, 22},
      {10, "cat", false, true, false, 28}, {28, "cat", false, false, true, 22},
      {28, "cat", false, true, true, 4},   {0, "dog", false, false, false, -1},
      {0, "", false, false, false, -1},    {31, "cat.", false, false, true, 28},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, edit->Search(c.from, c.pattern, c.matchCase, c.wholeWord, c.up))
        << c.pattern << " from " << c.from;
    if (c.expected >= 0) {
      int len = static_cast<int>(std::strlen(c.pattern));
      EXPECT_EQ(std::make_pair(c.expected, c.expected + len), sel()) << "the match is selected";
    }
  }
  edit->SetSelection(4, 7);
  EXPECT_EQ(9, edit->Search(-1, "cat", true)) << "continues after the selection";
  EXPECT_EQ(4, edit->Search(-1, "cat", true, false, true)) << "going up, before it";
}

// The field's invariants after each of many random edits, moves and clicks.
TEST(EditFieldModel, InvariantsHoldUnderRandomEditing) {
  EditField f(true, [](unsigned char c) { return c == ' ' ? 4 : 7; });
  f.setView(60, 40, 10);
  f.setLimit(300);
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  const char* pieces[] = {"a", " ", "\r\n", "\n", "word ", "longwordlongword", "\r", "xy"};
  for (int i = 0; i < 5000; ++i) {
    bool ext = next(2) == 1;
    switch (next(12)) {
      case 0: case 1: case 2: f.replaceSelection(pieces[next(8)]); break;
      case 3: f.deleteForward(); break;
      case 4: f.deleteBackward(); break;
      case 5: f.moveLeft(ext, next(2) == 1); break;
      case 6: f.moveRight(ext, next(2) == 1); break;
      case 7: f.moveUp(ext); break;
      case 8: f.moveDown(ext); break;
      case 9: f.moveToPoint(static_cast<int>(next(80)) - 10, static_cast<int>(next(60)) - 10, ext); break;
      case 10: next(2) ? f.moveEnd(ext, next(2) == 1) : f.moveHome(ext, next(2) == 1); break;
      default: f.setSelection(static_cast<long>(next(400)) - 1, static_cast<long>(next(400)) - 1); f.scrollToCaret(); break;
    }
    const std::string& t = f.text();
    ASSERT_GE(300u, t.size()) << "step " << i;
    for (std::size_t p : {f.caret(), f.anchor()}) {
      ASSERT_GE(t.size(), p) << "step " << i;
      ASSERT_FALSE(p > 0 && p < t.size() && t[p - 1] == '\r' && t[p] == '\n') << "inside a break, step " << i;
    }
    const auto& lines = f.lines();
    ASSERT_FALSE(lines.empty());
    ASSERT_EQ(0u, lines.front().start);
    for (std::size_t k = 0; k < lines.size(); ++k) {
      ASSERT_LE(lines[k].start, lines[k].end) << "step " << i;
      ASSERT_LE(lines[k].end, lines[k].next) << "step " << i;
      if (k + 1 < lines.size()) {
        ASSERT_EQ(lines[k].next, lines[k + 1].start) << "step " << i;
      }
    }
    ASSERT_EQ(t.size(), lines.back().next) << "step " << i;
    int caretLine = static_cast<int>(f.lineOf(f.caret()));
    ASSERT_LE(f.firstVisibleLine(), caretLine) << "step " << i;
    ASSERT_GT(f.firstVisibleLine() + f.visibleLines(), caretLine) << "step " << i;
  }
}

}  // namespace
