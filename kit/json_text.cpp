// A JSON string literal for any bytes (see json_text.h).
#include "kit/json_text.h"

#include <cstdio>

namespace {

// The length of the UTF-8 sequence starting at text[i], or 0 when there is none.
std::size_t utf8Length(const std::string& text, std::size_t i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  std::size_t n = 0;
  unsigned long cp = 0;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) { n = 2; cp = c & 0x1F; }
  else if ((c & 0xF0) == 0xE0) { n = 3; cp = c & 0x0F; }
  else if ((c & 0xF8) == 0xF0) { n = 4; cp = c & 0x07; }
  else return 0;
  if (i + n > text.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    const unsigned char cc = static_cast<unsigned char>(text[i + k]);
    if ((cc & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (cc & 0x3F);
  }
  // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
  static const unsigned long kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kLeast[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

bool isUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = utf8Length(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

}  // namespace

std::string jsonString(const std::string& text) {
  const bool utf8 = isUtf8(text);
  std::string out = "\"";
  char esc[8];
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && !utf8)) {
          std::snprintf(esc, sizeof esc, "\\u%04x", c);
          out += esc;
        } else {
          out += ch;
        }
    }
  }
  out += "\"";
  return out;
}
