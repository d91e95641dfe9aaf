// Galloping search for the end of a line that fits (see text_line_fitter.h).
#include "graphics/text_line_fitter.h"

#include <climits>

#include "platform/win/windows_gdi.h"

bool TextLineFitter::extent(const char* text, std::size_t length, SIZE& size) const {
  if (length > static_cast<std::size_t>(INT_MAX) ||
      !::GetTextExtentPoint32(hdc_, text, static_cast<int>(length), &size)) {
    failed_ = true;
    return false;
  }
  return true;
}

LONG TextLineFitter::width(const char* text, std::size_t length) const {
  SIZE s;
  return extent(text, length, s) ? s.cx : -1;
}

std::ptrdiff_t TextLineFitter::lastFitting(const char* text, const std::size_t* ends, std::size_t count,
                                           LONG limit, std::size_t base) const {
  auto fits = [&](std::size_t i) {
    const LONG w = width(text, ends[i] - base);
    return w >= 0 && w <= limit;
  };
  if (count == 0 || !fits(0)) return -1;
  // Gallop: ends[lo] fits; grow the step until ends[lo + step] does not.
  std::size_t lo = 0, step = 1;
  while (lo + step < count && fits(lo + step)) {
    lo += step;
    step *= 2;
  }
  std::size_t hi = lo + step < count ? lo + step : count;  // ends[hi] does not fit (or is past the end)
  while (hi - lo > 1) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (fits(mid)) lo = mid;
    else hi = mid;
  }
  return failed_ ? -1 : static_cast<std::ptrdiff_t>(lo);
}

std::size_t TextLineFitter::longestPrefix(const char* text, std::size_t length, LONG limit) const {
  if (length <= 1) return length;
  // The candidates are every prefix length 1..length: search them as break positions.
  std::size_t lo = 1, step = 1;
  auto fits = [&](std::size_t n) {
    const LONG w = width(text, n);
    return w >= 0 && w <= limit;
  };
  if (!fits(1)) return 1;
  while (lo + step <= length && fits(lo + step)) {
    lo += step;
    step *= 2;
  }
  std::size_t hi = lo + step <= length ? lo + step : length + 1;
  while (hi - lo > 1) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (fits(mid)) lo = mid;
    else hi = mid;
  }
  return lo;
}
