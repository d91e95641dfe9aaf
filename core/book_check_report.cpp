// The integrity check's report as one JSON object (see book_check_report.h).
#include "core/book_check_report.h"

#include <cstdio>
#include <sstream>

namespace {

// Text quoted for JSON (with the quotes): quotes, backslashes and control
// characters escaped, every other byte as it is.
std::string jsonQuote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

}  // namespace

std::string BookCheckReport::json(const std::string& bookName) const {
  std::ostringstream o;
  o << "{\"book\":" << jsonQuote(bookName) << ",\"ok\":" << (ok() ? "true" : "false")
    << ",\"fileSize\":" << fileSize << ",\"blocks\":" << blocks << ",\"freeBlocks\":" << freeBlocks
    << ",\"records\":" << records << ",\"ids\":" << ids << ",\"pages\":" << pages
    << ",\"links\":" << links << ",\"unlisted\":" << unlisted << ",\"problems\":[";
  for (std::size_t i = 0; i < problems.size(); ++i) {
    if (i) o << ",";
    o << "{\"where\":" << jsonQuote(problems[i].where)
      << ",\"problem\":" << jsonQuote(problems[i].text)
      << ",\"minor\":" << (problems[i].minor ? "true" : "false") << "}";
  }
  o << "]}";
  return o.str();
}
