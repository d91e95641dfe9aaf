// The edit field's text, selection, layout and scrolling (see edit_field.h).
#include "platform/owl/edit_field.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace {

bool wordChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return std::isalnum(u) != 0 || c == '_' || u >= 0x80;
}

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char fold(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

EditField::EditField(bool multiline, Measure measure) : multiline_(multiline), measure_(std::move(measure)) {
  std::fill(std::begin(widths_), std::end(widths_), -1);
  relayout();
}

void EditField::setMeasure(Measure measure) {
  measure_ = std::move(measure);
  std::fill(std::begin(widths_), std::end(widths_), -1);
  changed();
}

int EditField::advance(unsigned char c) const {
  if (widths_[c] < 0) widths_[c] = measure_ ? std::max(0, std::min(measure_(c), 1 << 16)) : 8;
  return widths_[c];
}

// ---------------------------------------------------------------- text

void EditField::setText(const std::string& text) {
  text_ = limit_ > 0 && text.size() > limit_ ? text.substr(0, limit_) : text;
  caret_ = anchor_ = 0;
  firstLine_ = 0;
  xScroll_ = 0;
  goalX_ = -1;
  changed();
}

std::size_t EditField::breakLengthAt(std::size_t pos) const {
  if (pos >= text_.size()) return 0;
  if (text_[pos] == '\n') return 1;
  if (text_[pos] == '\r' && pos + 1 < text_.size() && text_[pos + 1] == '\n') return 2;
  return 0;
}

std::size_t EditField::clampPos(std::size_t pos) const {
  pos = std::min(pos, text_.size());
  // Never between the two characters of "\r\n".
  if (pos > 0 && pos < text_.size() && text_[pos - 1] == '\r' && text_[pos] == '\n') ++pos;
  return pos;
}

std::size_t EditField::prevPos(std::size_t pos) const {
  if (pos == 0) return 0;
  if (pos >= 2 && text_[pos - 1] == '\n' && text_[pos - 2] == '\r') return pos - 2;
  return pos - 1;
}

std::size_t EditField::nextPos(std::size_t pos) const {
  if (pos >= text_.size()) return text_.size();
  return pos + std::max<std::size_t>(1, breakLengthAt(pos));
}

void EditField::changed() {
  relayout();
  caret_ = clampPos(caret_);
  anchor_ = clampPos(anchor_);
  scrollToCaret();
}

// ---------------------------------------------------------------- selection

void EditField::setSelection(long start, long end) {
  if (start == -1) {
    anchor_ = caret_;
    return;
  }
  auto at = [this](long p) {
    if (p < 0) return text_.size();  // -1 (or any negative end): the end of the text
    return clampPos(static_cast<std::size_t>(p));
  };
  anchor_ = at(start);
  caret_ = at(end);
  goalX_ = -1;
}

std::string EditField::selectedText() const { return text_.substr(selStart(), selEnd() - selStart()); }

// ---------------------------------------------------------------- editing

bool EditField::replaceSelection(const std::string& s) {
  std::string ins = s;
  if (!multiline_) {
    std::size_t brk = ins.find_first_of("\r\n");
    if (brk != std::string::npos) ins.resize(brk);
  }
  const std::size_t s0 = selStart(), s1 = selEnd();
  const std::size_t rest = text_.size() - (s1 - s0);
  if (limit_ > 0) {
    std::size_t room = rest >= limit_ ? 0 : limit_ - rest;
    if (ins.size() > room) {
      ins.resize(room);
      // A break is not split.
      if (!ins.empty() && ins.back() == '\r' && s.size() > room && s[room] == '\n') ins.pop_back();
    }
  }
  if (ins.empty() && s0 == s1) return false;
  text_.replace(s0, s1 - s0, ins);
  caret_ = anchor_ = s0 + ins.size();
  goalX_ = -1;
  changed();
  return true;
}

bool EditField::deleteForward() {
  if (hasSelection()) return replaceSelection(std::string());
  if (caret_ >= text_.size()) return false;
  text_.erase(caret_, nextPos(caret_) - caret_);
  anchor_ = caret_;
  goalX_ = -1;
  changed();
  return true;
}

bool EditField::deleteBackward() {
  if (hasSelection()) return replaceSelection(std::string());
  if (caret_ == 0) return false;
  std::size_t p = prevPos(caret_);
  text_.erase(p, caret_ - p);
  caret_ = anchor_ = p;
  goalX_ = -1;
  changed();
  return true;
}

// ---------------------------------------------------------------- moving

void EditField::place(std::size_t pos, bool extend, bool keepGoal) {
  caret_ = clampPos(pos);
  if (!extend) anchor_ = caret_;
  if (!keepGoal) goalX_ = -1;
  scrollToCaret();
}

void EditField::moveLeft(bool extend, bool word) {
  if (hasSelection() && !extend && !word) {
    place(selStart(), false);
    return;
  }
  std::size_t p = caret_;
  if (!word) {
    p = prevPos(p);
  } else {
    while (p > 0 && blank(text_[p - 1])) --p;
    while (p > 0 && !blank(text_[p - 1])) --p;
  }
  place(p, extend);
}

void EditField::moveRight(bool extend, bool word) {
  if (hasSelection() && !extend && !word) {
    place(selEnd(), false);
    return;
  }
  std::size_t p = caret_;
  if (!word) {
    p = nextPos(p);
  } else {
    while (p < text_.size() && !blank(text_[p])) ++p;
    while (p < text_.size() && blank(text_[p])) ++p;
  }
  place(p, extend);
}

void EditField::moveUp(bool extend) {
  std::size_t line = lineOf(caret_);
  if (goalX_ < 0) goalX_ = xOf(caret_);
  if (line == 0) {
    place(caret_, extend, true);
    return;
  }
  place(posAtX(line - 1, goalX_), extend, true);
}

void EditField::moveDown(bool extend) {
  std::size_t line = lineOf(caret_);
  if (goalX_ < 0) goalX_ = xOf(caret_);
  if (line + 1 >= lines_.size()) {
    place(caret_, extend, true);
    return;
  }
  place(posAtX(line + 1, goalX_), extend, true);
}

void EditField::pageUp(bool extend) {
  if (goalX_ < 0) goalX_ = xOf(caret_);
  std::size_t line = lineOf(caret_);
  std::size_t page = static_cast<std::size_t>(visibleLines());
  std::size_t target = line > page ? line - page : 0;
  firstLine_ = std::max(0, firstLine_ - static_cast<int>(page));
  place(posAtX(target, goalX_), extend, true);
}

void EditField::pageDown(bool extend) {
  if (goalX_ < 0) goalX_ = xOf(caret_);
  std::size_t line = lineOf(caret_);
  std::size_t page = static_cast<std::size_t>(visibleLines());
  std::size_t target = std::min(line + page, lines_.size() - 1);
  firstLine_ = std::min(static_cast<int>(lines_.size()) - 1, firstLine_ + static_cast<int>(page));
  place(posAtX(target, goalX_), extend, true);
}

void EditField::moveHome(bool extend, bool ofText) {
  place(ofText ? 0 : lines_[lineOf(caret_)].start, extend);
}

void EditField::moveEnd(bool extend, bool ofText) {
  if (ofText) {
    place(text_.size(), extend);
    return;
  }
  const Line& l = lines_[lineOf(caret_)];
  bool wraps = l.end == l.next && l.next < text_.size();
  place(wraps && l.end > l.start ? l.end - 1 : l.end, extend);
}

void EditField::moveToPoint(int x, int y, bool extend) {
  long line = static_cast<long>(firstLine_) + (y >= 0 ? y / lineHeight_ : -1);
  line = std::max(0L, std::min(line, static_cast<long>(lines_.size()) - 1));
  place(posAtX(static_cast<std::size_t>(line), x + xScroll_), extend);
}

void EditField::selectWord() {
  std::size_t start = caret_, end = caret_;
  while (start > 0 && wordChar(text_[start - 1])) --start;
  while (end < text_.size() && wordChar(text_[end])) ++end;
  anchor_ = start;
  caret_ = end;
  goalX_ = -1;
  scrollToCaret();
}

// ---------------------------------------------------------------- layout

void EditField::relayout() {
  lines_.clear();
  const std::size_t n = text_.size();
  if (!multiline_) {
    lines_.push_back({0, n, n});
    return;
  }
  const int width = width_ > 0 ? width_ : INT_MAX;
  std::size_t pos = 0;
  // Each pass lays out one paragraph; every line takes at least one byte or
  // ends the text, so the walk ends.
  for (;;) {
    std::size_t lf = text_.find('\n', pos);
    std::size_t shownEnd = lf == std::string::npos ? n : (lf > pos && text_[lf - 1] == '\r' ? lf - 1 : lf);
    std::size_t after = lf == std::string::npos ? n : lf + 1;
    std::size_t s = pos;
    for (;;) {
      long w = 0;
      std::size_t i = s;
      std::size_t lastBreak = std::string::npos;
      while (i < shownEnd) {
        int a = advance(static_cast<unsigned char>(text_[i]));
        if (text_[i] == ' ' || text_[i] == '\t') {
          // Blanks after a word stay on its line, even past the width.
          w += a;
          ++i;
          lastBreak = i;
          continue;
        }
        if (w + a > width && i > s) break;
        w += a;
        ++i;
      }
      if (i >= shownEnd) {
        lines_.push_back({s, shownEnd, after});
        break;
      }
      std::size_t cut = lastBreak != std::string::npos && lastBreak > s ? lastBreak : i;
      lines_.push_back({s, cut, cut});
      s = cut;
    }
    if (lf == std::string::npos) break;
    pos = after;
    if (pos == n) {
      lines_.push_back({n, n, n});  // a text that ends with a break has an empty last line
      break;
    }
  }
}

void EditField::setView(int width, int height, int lineHeight) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  lineHeight_ = std::max(1, lineHeight);
  changed();
}

std::size_t EditField::lineOf(std::size_t pos) const {
  // The last line that starts at or before the position.
  auto it = std::upper_bound(lines_.begin(), lines_.end(), pos,
                             [](std::size_t p, const Line& l) { return p < l.start; });
  return it == lines_.begin() ? 0 : static_cast<std::size_t>(it - lines_.begin()) - 1;
}

int EditField::xOf(std::size_t pos) const {
  const Line& l = lines_[lineOf(pos)];
  long x = 0;
  for (std::size_t i = l.start; i < std::min(pos, l.end); ++i) x += advance(static_cast<unsigned char>(text_[i]));
  return static_cast<int>(std::min<long>(x, INT_MAX));
}

std::size_t EditField::posAtX(std::size_t line, int x) const {
  const Line& l = lines_[std::min(line, lines_.size() - 1)];
  long acc = 0;
  for (std::size_t i = l.start; i < l.end; ++i) {
    int a = advance(static_cast<unsigned char>(text_[i]));
    if (x < acc + a / 2 + (a % 2)) return i;
    acc += a;
  }
  bool wraps = l.end == l.next && l.next < text_.size();
  return wraps && l.end > l.start ? l.end - 1 : l.end;
}

int EditField::visibleLines() const {
  if (!multiline_) return 1;
  return std::max(1, height_ / lineHeight_);
}

bool EditField::scrollLines(int count) {
  long first = static_cast<long>(firstLine_) + count;
  first = std::max(0L, std::min(first, static_cast<long>(lines_.size()) - 1));
  bool moved = first != firstLine_;
  firstLine_ = static_cast<int>(first);
  return moved;
}

void EditField::scrollToCaret() {
  if (multiline_) {
    int line = static_cast<int>(lineOf(caret_));
    int vis = visibleLines();
    if (line < firstLine_) firstLine_ = line;
    if (line >= firstLine_ + vis) firstLine_ = line - vis + 1;
    firstLine_ = std::max(0, std::min(firstLine_, static_cast<int>(lines_.size()) - 1));
    return;
  }
  if (width_ <= 0) return;
  int x = xOf(caret_);
  if (x < xScroll_) xScroll_ = std::max(0, x - width_ / 4);
  if (x >= xScroll_ + width_) xScroll_ = x - width_ + 1 + width_ / 4;
}

// ---------------------------------------------------------------- finding

long EditField::find(std::size_t from, const std::string& pattern, bool matchCase, bool wholeWord,
                     bool up) const {
  return findIn(text_, from, pattern, matchCase, wholeWord, up);
}

long EditField::findIn(const std::string& text_, std::size_t from, const std::string& pattern,
                       bool matchCase, bool wholeWord, bool up) {
  const std::size_t n = text_.size(), m = pattern.size();
  if (m == 0 || m > n) return -1;
  from = std::min(from, n);
  auto same = [matchCase](char a, char b) { return matchCase ? a == b : fold(a) == fold(b); };
  // Knuth, Morris and Pratt: linear in the text and the pattern, whatever they hold.
  std::vector<std::size_t> fail(m, 0);
  for (std::size_t i = 1, k = 0; i < m; ++i) {
    while (k > 0 && !same(pattern[i], pattern[k])) k = fail[k - 1];
    if (same(pattern[i], pattern[k])) ++k;
    fail[i] = k;
  }
  auto whole = [&](std::size_t at) {
    return !wholeWord || ((at == 0 || !wordChar(text_[at - 1])) && (at + m == n || !wordChar(text_[at + m])));
  };
  long found = -1;
  std::size_t start = up ? 0 : from;
  for (std::size_t i = start, k = 0; i < n; ++i) {
    while (k > 0 && !same(text_[i], pattern[k])) k = fail[k - 1];
    if (same(text_[i], pattern[k])) ++k;
    if (k == m) {
      std::size_t at = i + 1 - m;
      k = fail[k - 1];
      if (!whole(at)) continue;
      if (!up) return static_cast<long>(at);
      if (at >= from) break;
      found = static_cast<long>(at);
    }
    if (up && i + 1 >= from + m) break;
  }
  return found;
}
