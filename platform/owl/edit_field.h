// The text, selection, line layout and scrolling of an edit field: what the
// "EDIT" control class (platform/owl/control_classes.cpp) keeps for each field
// and changes as a person types, clicks and moves with the keys. It knows
// nothing of windows: the control measures characters for it, tells it the
// size of the area the text is shown in, and draws what it says.
//
// Positions are byte offsets into the text, from 0 to its length. A line break
// is "\r\n" (as the field writes it) or a lone "\n" (as texts from elsewhere
// may hold it); the caret never stands inside "\r\n", and moving over or
// deleting a break takes the whole break.
//
// Layout (multi-line): each paragraph wraps at the width: words, each with the
// blanks after it, fill a line while they fit; a word wider than a whole line
// is cut at the last character that fits (at least one character a line, so
// that layout always ends). A single-line field is one line that scrolls
// sideways instead.
//
// Invariants (checked by the tests): 0 <= anchor, caret <= length; neither
// inside "\r\n"; the lines cover the text in order without gaps; 0 <= first
// visible line < line count; after every change made through the field the
// caret's line is visible (and in a single-line field the caret's x lies
// within the shown width).
#ifndef PLATFORM_EDIT_FIELD_H
#define PLATFORM_EDIT_FIELD_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class EditField {
 public:
  // The advance of one character in pixels.
  using Measure = std::function<int(unsigned char)>;

  struct Line {
    std::size_t start;  // first byte
    std::size_t end;    // end of the characters shown (before any break)
    std::size_t next;   // start of the next line (after the break)
  };

  EditField(bool multiline, Measure measure);
  // A new way to measure (the field's font changed); lays the text out again.
  void setMeasure(Measure measure);

  // ---- Text ----
  const std::string& text() const { return text_; }
  // Replaces the text (cut to the limit); the caret goes to the start.
  void setText(const std::string& text);
  // The most bytes the text may hold; 0 for no limit. Typing and replacing stop
  // at it; a text already longer is kept.
  void setLimit(std::size_t limit) { limit_ = limit; }
  std::size_t limit() const { return limit_; }
  bool multiline() const { return multiline_; }

  // ---- Selection ----
  std::size_t caret() const { return caret_; }
  std::size_t anchor() const { return anchor_; }
  std::size_t selStart() const { return caret_ < anchor_ ? caret_ : anchor_; }
  std::size_t selEnd() const { return caret_ < anchor_ ? anchor_ : caret_; }
  bool hasSelection() const { return caret_ != anchor_; }
  // As EM_SETSEL: start -1 drops the selection (the caret stays), end -1 is
  // the end of the text; the caret goes to `end`. Positions are clamped.
  void setSelection(long start, long end);
  // The selected bytes.
  std::string selectedText() const;

  // ---- Editing (each returns whether the text changed) ----
  // Puts `s` in place of the selection, as much of it as the limit allows (a
  // break is not split); the caret follows the inserted text. In a
  // single-line field the text is taken up to its first break.
  bool replaceSelection(const std::string& s);
  bool deleteForward();   // Delete: the selection, else the character after the caret
  bool deleteBackward();  // Backspace: the selection, else the character before

  // ---- Moving (with `extend` the anchor stays: Shift held) ----
  void moveLeft(bool extend, bool word);
  void moveRight(bool extend, bool word);
  void moveUp(bool extend);
  void moveDown(bool extend);
  void moveHome(bool extend, bool ofText);
  void moveEnd(bool extend, bool ofText);
  void pageUp(bool extend);
  void pageDown(bool extend);
  // Puts the caret at the character nearest a point of the shown area (pixels
  // from its top left corner). On a line that wraps, End and clicks past the
  // end stop before the line's last character, since the position after it is
  // the start of the next line.
  void moveToPoint(int x, int y, bool extend);
  // Selects the word at the caret (a double click).
  void selectWord();

  // ---- Layout and scrolling ----
  // The shown area: wrap width and height in pixels, and the line height.
  void setView(int width, int height, int lineHeight);
  const std::vector<Line>& lines() const { return lines_; }
  std::size_t lineOf(std::size_t pos) const;
  // x of a position in its line, in pixels from the line's start.
  int xOf(std::size_t pos) const;
  int firstVisibleLine() const { return firstLine_; }
  int visibleLines() const;
  int lineHeight() const { return lineHeight_; }
  // Sideways scroll of a single-line field, in pixels.
  int xScroll() const { return xScroll_; }
  // Scrolls by lines (negative: up), kept within the text; returns whether it moved.
  bool scrollLines(int count);
  void scrollToCaret();

  // ---- Finding ----
  // The first match of `pattern` at or after `from` (before it, going up),
  // compared with or without letter case, and as a whole word (not touching a
  // letter, digit or '_' on either side) when asked. Returns the position or
  // -1. An empty pattern matches nothing.
  long find(std::size_t from, const std::string& pattern, bool matchCase, bool wholeWord,
            bool up) const;
  // The same search in any text.
  static long findIn(const std::string& text, std::size_t from, const std::string& pattern,
                     bool matchCase, bool wholeWord, bool up);

 private:
  void relayout();
  void changed();
  std::size_t clampPos(std::size_t pos) const;
  std::size_t breakLengthAt(std::size_t pos) const;  // 0, 1 or 2
  std::size_t prevPos(std::size_t pos) const;
  std::size_t nextPos(std::size_t pos) const;
  void place(std::size_t pos, bool extend, bool keepGoal = false);
  std::size_t posAtX(std::size_t line, int x) const;
  int advance(unsigned char c) const;

  bool multiline_;
  Measure measure_;
  std::string text_;
  std::size_t limit_ = 0;
  std::size_t caret_ = 0;
  std::size_t anchor_ = 0;
  std::vector<Line> lines_;
  int width_ = 0;
  int height_ = 0;
  int lineHeight_ = 16;
  int firstLine_ = 0;
  int xScroll_ = 0;
  int goalX_ = -1;  // the x that up and down keep to, -1 for none
  mutable int widths_[256];  // advances measured so far, -1 for not yet
};

#endif  // PLATFORM_EDIT_FIELD_H
