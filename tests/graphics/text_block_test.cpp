// Text blocks: the label wrap (near-square blocks, blanks, the empty label,
// words longer than a line segment holds, the same lines as the plain step by
// step wrap at every zoom), the boxed text's lines and scroll arrows, and
// typing a text in place.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "graphics/boxed_text_block.h"
#include "graphics/graphic_text_block.h"
#include "graphics/scrolled_boxed_text_block.h"
#include "label_wrap_reference.h"
#include "page_test_support.h"
#include "platform/win/text_dump_renderer.h"

namespace {

class TextBlockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hdc = ::CreateCompatibleDC(nullptr);
    ::SelectObject(hdc, ::GetStockObject(SYSTEM_FONT));  // what a block without a window uses
  }
  void TearDown() override { ::DeleteDC(hdc); }
  LONG widthOf(const std::string& s) {
    SIZE z;
    ::GetTextExtentPoint32(hdc, s.data(), static_cast<int>(s.size()), &z);
    return z.cx;
  }
  std::vector<std::string> lines(GraphicTextBlock& b) {
    std::vector<std::string> out;
    for (int i = 0; i < b.lineCount(); ++i) out.push_back(b.line(i));
    return out;
  }
  HDC hdc = nullptr;
};

std::string words(int count, unsigned seed) {
  std::mt19937 rng(seed);
  const char* pool[] = {"a", "map", "of", "ideas", "Jupiter", "moons", "orbit", "the", "Sun", "z", "concept", "links"};
  std::string s;
  for (int i = 0; i < count; ++i) s += std::string(i ? " " : "") + pool[rng() % 12];
  return s;
}

TEST_F(TextBlockTest, WrappingSizesAndBlanks) {
  const LONG cy = 16;  // the system font's line
  struct Case {
    std::string text;
    std::vector<std::string> lines;
    std::string readBack;
  } cases[] = {
      {"Jupiter", {"Jupiter"}, "Jupiter"},
      {"", {}, ""},
      {"   ", {}, ""},
      {"  two words   ", {"  two", "words"}, "  two words"},
      {"The Sun and its planets", {"The", "Sun", "and its", "planets"}, "The Sun and its planets"},
  };
  for (const Case& c : cases) {
    GraphicTextBlock b(nullptr, c.text.c_str());
    RECT r = {30, 40, 30, 40};
    b.Shape::setRect(r, nullptr);
    TDC dc(hdc);
    b.compute(dc);
    EXPECT_EQ(lines(b), c.lines) << "'" << c.text << "'";
    EXPECT_EQ(b.text(), c.readBack);
    LONG widest = cy / 2;
    for (const std::string& l : c.lines) widest = std::max(widest, widthOf(l));
    EXPECT_EQ(b.width(hdc), widest) << "'" << c.text << "': the widest line, at least half a line height";
    EXPECT_EQ(b.height(hdc), cy * std::max<LONG>(1, static_cast<LONG>(c.lines.size())));
    b.rawRect(r);
    EXPECT_EQ(rectText(r), rectText({30, 40, 30 + widest, 40 + b.height(hdc)})) << "the top-left stays";
  }
}

TEST_F(TextBlockTest, ManyWordsMakeANearSquareBlockOfLinesNoWiderThanTheTarget) {
  for (int count : {12, 40, 150}) {
    const std::string text = words(count, static_cast<unsigned>(count));
    GraphicTextBlock b(nullptr, text.c_str());
    const int w = b.width(hdc), h = b.height(hdc);
    const LONG target = static_cast<LONG>(std::sqrt(static_cast<double>(widthOf(text)) * 16));
    for (const std::string& l : lines(b)) {
      if (l.find(' ') != std::string::npos) {
        EXPECT_LE(widthOf(l), target) << "'" << l << "'";
      }
    }
    EXPECT_GT(b.lineCount(), 1);
    EXPECT_LT(std::abs(w - h), std::max(w, h) / 2 + 16) << count << " words: " << w << " x " << h;
    EXPECT_EQ(b.text(), text);
  }
}

TEST_F(TextBlockTest, WordsLongerThanASegmentComeBackWhole) {
  const std::string longWord(600, 'm');
  struct Case {
    std::string text;
    std::vector<std::size_t> lengths;
    std::vector<bool> continued;
  } cases[] = {
      {std::string(255, 'x'), {255}, {false}},
      {std::string(256, 'x'), {255, 1}, {false, true}},
      {longWord, {255, 255, 90}, {false, true, true}},
      {"moons " + longWord + " orbit", {5, 255, 255, 90, 5}, {false, false, true, true, false}},
  };
  for (const Case& c : cases) {
    GraphicTextBlock b(nullptr, c.text.c_str());
    TDC dc(hdc);
    b.compute(dc);
    std::vector<std::size_t> lengths;
    std::vector<bool> continued;
    for (int i = 0; i < b.lineCount(); ++i) {
      lengths.push_back(b.line(i).size());
      continued.push_back(b.isContinuation(i));
    }
    EXPECT_EQ(lengths, c.lengths) << c.text.size() << " characters";
    EXPECT_EQ(continued, c.continued);
    EXPECT_EQ(b.text(), c.text) << "read back whole";
    b.compute(dc);  // laid out again from the read-back text
    EXPECT_EQ(b.text(), c.text);
  }
}

TEST_F(TextBlockTest, SameLinesAsThePlainWrapAtEveryZoom) {
  struct Zoom {
    int window, viewport;
  } zooms[] = {{1, 1}, {100, 150}, {100, 75}, {100, 33}};
  for (const Zoom& z : zooms) {
    ::SetMapMode(hdc, MM_ANISOTROPIC);
    ::SetWindowExtEx(hdc, z.window, z.window, nullptr);
    ::SetViewportExtEx(hdc, z.viewport, z.viewport, nullptr);
    for (unsigned seed = 1; seed <= 30; ++seed) {
      std::string text = words(static_cast<int>(seed * 7 % 90 + 1), seed);
      if (seed % 5 == 0) text = "  " + text;            // leading blanks
      if (seed % 7 == 0) text.insert(text.size() / 2, " ");  // a double blank
      GraphicTextBlock b(nullptr, text.c_str());
      TDC dc(hdc);
      b.compute(dc);
      EXPECT_EQ(lines(b), referenceLabelWrap(hdc, text)) << "zoom " << z.viewport << "/" << z.window << ": " << text;
      EXPECT_EQ(b.text(), text);
    }
  }
}

TEST_F(TextBlockTest, AFailedMeasurementIsReportedAndKeepsTheLayout) {
  ReportRecorder recorder;
  GraphicTextBlock b(nullptr, "Moons of Jupiter and Saturn");
  TDC dc(hdc);
  b.compute(dc);
  const std::vector<std::string> before = lines(b);
  const int w = b.width(hdc), h = b.height(hdc);
  TDC gone(reinterpret_cast<HDC>(static_cast<uintptr_t>(0x5A5A5A)));  // a context that no longer exists
  b.compute(gone);
  EXPECT_EQ(recorder.reports, std::vector<std::string>{"E: Internal error... GraphicTextBlock::compute: "
                                                       "GetTextExtent call failed, error: 0"});
  EXPECT_EQ(lines(b), before);
  EXPECT_EQ(b.width(hdc), w);
  EXPECT_EQ(b.height(hdc), h);
  EXPECT_EQ(b.text(), "Moons of Jupiter and Saturn");
}

TEST_F(TextBlockTest, BoxedTextLines) {
  struct Case {
    std::string text;
    int width;
    std::vector<std::string> lines;
    bool reachedEnd;
  } cases[] = {
      {"The Sun and its planets", 80, {"The Sun", "and its", "planets"}, true},
      {"one\r\ntwo\n\nthree", 200, {"one", "two", "", "three"}, true},
      {"Supercalifragilistic", 60, {"Supercal", "ifragilisti", "c"}, true},  // cut where it stops fitting
      {"a b c d e f g h i j k l m n o p", 30, {"a b", "c d", "e f g"}, false},
      {"  indented\n  again", 200, {"  indented", "  again"}, true},
  };
  for (const Case& c : cases) {
    BoxedTextBlock b(nullptr, c.text.c_str(), 0, 0, c.width + 12, 100);
    std::vector<BoxedTextBlock::LineSpan> spans;
    bool ended = false;
    b.layoutLines(hdc, c.width, 3 + (c.reachedEnd ? 5 : 0), spans, &ended);
    std::vector<std::string> got;
    for (const auto& s : spans) {
      got.push_back(c.text.substr(s.start, s.length));
      EXPECT_TRUE(widthOf(got.back()) <= c.width || got.back().size() == 1) << got.back();
      const std::size_t after = s.start + s.length;
      if (after < c.text.size() && c.text[after] != ' ' && c.text[after] != '\r' && c.text[after] != '\n') {
        EXPECT_GT(widthOf(c.text.substr(s.start, s.length + 1)), c.width) << got.back() << ": cut at the last that fits";
      }
    }
    EXPECT_EQ(got, c.lines);
    EXPECT_EQ(ended, c.reachedEnd);
  }
}

class BoxedPageTest : public PageTest {
 protected:
  // The text commands of the window's picture as "text@x,y".
  std::vector<std::string> texts() {
    std::vector<std::string> out;
    const DisplayList list = host->picture(hwnd());
    for (const DrawCommand& c : list.commands()) {
      if (c.op == DrawOp::Text) out.push_back(c.text + "@" + std::to_string(c.rect.left) + "," + std::to_string(c.rect.top));
    }
    return out;
  }
  std::vector<std::string> drawn(ScrolledBoxedTextBlock& b) {
    HDC h = page->getClientHDC();
    TDC dc(h);
    b.draw(dc, 1);
    page->releaseClientHDC();
    return texts();
  }
};

TEST_F(BoxedPageTest, ScrollingShowsTheArrowsAndHitsThem) {
  // The page's 13-point font: lines 15 apart; a box 50 high shows three of them.
  ScrolledBoxedTextBlock b(page.get(), "one two three four five six seven", 10, 10, 60, 50);
  struct Step {
    bool down;
    int lines;
    std::vector<std::string> shown;
    DWORD arrows;
    int first;
  } steps[] = {
      {true, 0, {"one two@16,12", "three@16,27", "four five@16,42"}, 0x2, 0},
      {true, 1, {"three@16,12", "four five@16,27", "six@16,42"}, 0x3, 1},
      {false, 5, {"one two@16,12", "three@16,27", "four five@16,42"}, 0x2, 0},  // not above the first
      {true, 70000, {}, 0x1, 65535},                                             // nor past 65535
      {false, 65533, {"four five@16,12", "six@16,27", "seven@16,42"}, 0x1, 2},
  };
  for (const Step& s : steps) {
    if (s.down) b.scrollDown(s.lines);
    else b.scrollUp(s.lines);
    EXPECT_EQ(b.firstVisibleLine(), s.first);
    const std::size_t before = texts().size();
    const std::vector<std::string> t = drawn(b);
    EXPECT_EQ(std::vector<std::string>(t.begin() + static_cast<std::ptrdiff_t>(before), t.end()), s.shown);
    EXPECT_EQ(b.arrowState(), s.arrows) << "first line " << s.first;
  }
  // The box is (10,10)-(70,60): the arrows' reference x is 59, the up arrow's
  // y 12 and the down arrow's 58.
  struct Hit {
    int x, y;
    DWORD expected;
  } hits[] = {{59, 12, 1}, {55, 8, 1}, {71, 20, 1}, {54, 12, 0}, {72, 12, 0}, {59, 7, 0}, {59, 21, 0},
              {59, 58, 0}};  // the down arrow is not shown
  for (const Hit& h : hits) EXPECT_EQ(b.arrowHit(h.x, h.y), h.expected) << h.x << "," << h.y;
  b.scrollUp(2);
  drawn(b);
  for (const Hit& h : {Hit{59, 58, 2}, Hit{55, 50, 2}, Hit{71, 62, 2}, Hit{59, 49, 0}, Hit{59, 63, 0}, Hit{59, 12, 0}})
    EXPECT_EQ(b.arrowHit(h.x, h.y), h.expected) << h.x << "," << h.y;
}

TEST_F(BoxedPageTest, EditingInPlace) {
  BoxedTextBlock b(page.get(), "Moons", 20, 30, 120, 60);
  b.startEdit();
  ASSERT_NE(b.editControl(), nullptr);
  RECT where = b.editControl()->GetWindowRect();
  ::ScreenToClient(hwnd(), reinterpret_cast<POINT*>(&where));
  ::ScreenToClient(hwnd(), reinterpret_cast<POINT*>(&where) + 1);
  EXPECT_EQ(rectText(where), rectText({20, 30, 140, 90})) << "exactly over the block";
  EXPECT_EQ(b.editControl()->GetText(), "Moons");
  EXPECT_EQ(b.endEdit(), 0) << "nothing typed";
  EXPECT_EQ(page->modified, 0);
  EXPECT_EQ(b.editControl(), nullptr);

  b.startEdit();
  host->key(VK_END);
  host->type(" of Jupiter");
  host->run();
  EXPECT_EQ(b.endEdit(), 1);
  EXPECT_EQ(b.text(), "Moons of Jupiter");
  EXPECT_EQ(page->modified, 1);
  EXPECT_EQ(b.endEdit(), 0) << "no field any more";
}

}  // namespace
