// web_text.cpp: texts made safe for web files (see web_text.h).
#include "tools/tvx/web_text.h"

#include <cctype>
#include <cstring>
#include <strings.h>

#include "graphics/node_gnode_ro.h"

namespace {

// The length of the UTF-8 sequence that starts at s[i], or 0 when it is not one.
std::size_t sequenceAt(const std::string& s, std::size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) return 1;
  std::size_t n = 0;
  unsigned min = 0;
  if ((c & 0xE0) == 0xC0) n = 2, min = 0x80;
  else if ((c & 0xF0) == 0xE0) n = 3, min = 0x800;
  else if ((c & 0xF8) == 0xF0) n = 4, min = 0x10000;
  else return 0;
  if (i + n > s.size()) return 0;
  unsigned v = c & (0x3F >> (n - 1));
  for (std::size_t k = 1; k < n; ++k) {
    const unsigned char d = static_cast<unsigned char>(s[i + k]);
    if ((d & 0xC0) != 0x80) return 0;
    v = (v << 6) | (d & 0x3F);
  }
  if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  return n;
}

bool validUtf8(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = sequenceAt(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

}  // namespace

std::string webText(const std::string& bytes, std::size_t limit) {
  std::string out;
  const bool utf8 = validUtf8(bytes);
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    std::string one;
    if (utf8) {
      const std::size_t n = sequenceAt(bytes, i);
      one = bytes.substr(i, n);
      i += n;
    } else {
      if (c < 0x80) one = std::string(1, static_cast<char>(c));
      else one = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
      ++i;
    }
    const unsigned char first = static_cast<unsigned char>(one[0]);
    if ((first < 0x20 && first != '\t' && first != '\n') || first == 0x7F) continue;
    // C1 controls (U+0080..U+009F) are not text either.
    if (one.size() == 2 && first == 0xC2 && static_cast<unsigned char>(one[1]) < 0xA0) continue;
    if (out.size() + one.size() > limit) break;
    out += one;
  }
  return out;
}

std::string htmlEscape(const std::string& bytes, std::size_t limit) {
  std::string out;
  for (char c : webText(bytes, limit)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

bool isSafeWebAddress(const std::string& url) {
  if (url.size() > 2048) return false;
  std::size_t scheme = 0;
  for (const char* s : {"http:", "https:", "mailto:"}) {
    const std::size_t n = std::strlen(s);
    if (url.size() > n && strncasecmp(url.c_str(), s, n) == 0) scheme = n;
  }
  if (scheme == 0) return false;
  for (unsigned char c : url) {
    if (c <= 0x20 || c >= 0x7F) return false;
  }
  return true;
}

std::string addressOfUrlAttribute(const std::string& value) { return NodeGNodeRO::addressOf(value); }

std::string markdownEscape(const std::string& bytes) {
  static const char kSpecial[] = "\\`*_[]<>#|~";
  std::string out;
  for (char c : webText(bytes)) {
    if (std::strchr(kSpecial, c) != nullptr && c != '\0') out += '\\';
    out += c;
  }
  return out;
}
