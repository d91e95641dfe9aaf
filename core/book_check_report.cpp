// The integrity check's report as one JSON object (see book_check_report.h).
#include "core/book_check_report.h"

#include "kit/json_text.h"

#include <cstdio>
#include <sstream>


std::string BookCheckReport::json(const std::string& bookName) const {
  std::ostringstream o;
  o << "{\"book\":" << jsonString(bookName) << ",\"ok\":" << (ok() ? "true" : "false")
    << ",\"fileSize\":" << fileSize << ",\"blocks\":" << blocks << ",\"freeBlocks\":" << freeBlocks
    << ",\"records\":" << records << ",\"ids\":" << ids << ",\"pages\":" << pages
    << ",\"links\":" << links << ",\"unlisted\":" << unlisted << ",\"problems\":[";
  for (std::size_t i = 0; i < problems.size(); ++i) {
    if (i) o << ",";
    o << "{\"where\":" << jsonString(problems[i].where)
      << ",\"problem\":" << jsonString(problems[i].text)
      << ",\"minor\":" << (problems[i].minor ? "true" : "false") << "}";
  }
  o << "]}";
  return o.str();
}
