// Finds where a line of text ends when it must fit a width, by measuring the
// text through a device context (GetTextExtentPoint32 with the font selected
// there, in the context's logical units).
//
// A measured width only grows as a text grows (every advance is at least 0 and
// the conversion to logical units keeps the order), so the last break position
// whose prefix fits is found by galloping over the candidates from the start
// and then halving the last step: each probe measures at most about twice the
// line that is finally taken, and a line of L characters among k candidates
// costs O(L log k) instead of the O(L k) of trying every candidate in turn.
//
// REQUIRES: the context stays valid, with the same font and mapping, for as
// long as the fitter is used.
#ifndef GRAPHICS_TEXT_LINE_FITTER_H
#define GRAPHICS_TEXT_LINE_FITTER_H

#include <cstddef>

#include "platform/windows_types.h"

class TextLineFitter {
 public:
  explicit TextLineFitter(HDC hdc) : hdc_(hdc) {}

  // The width of text[0, length); -1 when the context cannot measure it.
  LONG width(const char* text, std::size_t length) const;
  // The width and height of text[0, length); false when it cannot be measured.
  bool extent(const char* text, std::size_t length, SIZE& size) const;
  // Among the break positions ends[0..count) (ascending positions in a text
  // whose character `base` is text[0]; each above base), the index of the last
  // one whose prefix text[0, ends[i] - base) is at most `limit` wide; -1 when
  // not even the first fits or a measurement fails (see failed()).
  std::ptrdiff_t lastFitting(const char* text, const std::size_t* ends, std::size_t count, LONG limit,
                             std::size_t base = 0) const;
  // The longest prefix of text[0, length) at most `limit` wide, but at least
  // one character (so that a caller cutting a text into lines always goes on).
  std::size_t longestPrefix(const char* text, std::size_t length, LONG limit) const;
  // Whether any measurement failed so far.
  bool failed() const { return failed_; }

 private:
  HDC hdc_;
  mutable bool failed_ = false;
};

#endif  // GRAPHICS_TEXT_LINE_FITTER_H
