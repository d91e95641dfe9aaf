// The label wrap done the plain way, step by step as the text block describes
// it: measure the whole text, take the target width, and for every line start
// from the whole rest and move its end back blank by blank until it fits. It
// measures every candidate, so it costs the square of the text's length; the
// text block's layout must give exactly its lines. Shared by the tests and the
// benchmark (as the peer).
#ifndef TESTS_GRAPHICS_LABEL_WRAP_REFERENCE_H
#define TESTS_GRAPHICS_LABEL_WRAP_REFERENCE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/windows_gdi.h"

inline std::vector<std::string> referenceLabelWrap(HDC hdc, const std::string& text) {
  auto width = [&](std::size_t from, std::size_t to) {
    SIZE s = {0, 0};
    ::GetTextExtentPoint32(hdc, text.data() + from, static_cast<int>(to - from), &s);
    return s;
  };
  const std::size_t n = text.size();
  const SIZE whole = width(0, n);
  int64_t area = static_cast<int64_t>(whole.cx) * whole.cy;
  if (area < 1) area = 10;
  LONG target = static_cast<LONG>(std::sqrt(static_cast<double>(area)));
  std::size_t start = 0;
  for (std::size_t i = 0; i <= n; ++i) {
    if (i == n || text[i] == ' ') {
      target = std::max(target, width(start, i).cx);
      start = i + 1;
    }
  }
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < n) {
    std::size_t end = n;
    while (width(pos, end).cx > target) {
      std::size_t blank = end;
      while (blank > pos + 1 && text[blank - 1] != ' ') --blank;
      if (blank <= pos + 1) {  // no blank left: the whole rest
        end = n;
        break;
      }
      end = blank - 1;
    }
    lines.push_back(text.substr(pos, end - pos));
    pos = end;
    if (pos < n && text[pos] == ' ') ++pos;
  }
  return lines;
}

#endif  // TESTS_GRAPHICS_LABEL_WRAP_REFERENCE_H
