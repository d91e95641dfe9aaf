// page_file_name.cpp: file names of pages (see page_file_name.h).
#include "tools/tvx/page_file_name.h"

#include <cctype>

std::string pageFileWord(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (out.size() >= 60) break;
    if (c < 0x80 && (std::isalnum(c) || c == '-' || c == '_')) out += static_cast<char>(std::tolower(c));
    else if (c == ' ' && !out.empty() && out.back() != '-') out += '-';
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out;
}

std::string pageFileBase(unsigned long id, const std::string& name) {
  const std::string word = pageFileWord(name);
  return std::to_string(id) + (word.empty() ? "" : "-" + word);
}
