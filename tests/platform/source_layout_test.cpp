// Definitions live in the file named after what they define: every call that
// windows_gdi.h or windows_user.h declares is defined in windows_gdi.cpp or
// windows_user.cpp, and in no other file of the window and drawing layer.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string slurp(const std::string& path) {
  std::ifstream f(path);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

bool isWord(const std::string& s) {
  if (s.empty() || std::isalpha(static_cast<unsigned char>(s[0])) == 0) return false;
  for (char c : s)
    if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '_') return false;
  return true;
}

// The call a line starts to declare or define ("HDC GetDC(", "BOOL* Name(",
// "int *Name("): a return type, one blank, the name and an opening parenthesis;
// "" for any other line (inline helpers, macros, comments, continuations).
std::string declaredName(const std::string& line) {
  if (line.rfind("inline", 0) == 0) return "";
  const std::size_t paren = line.find('(');
  if (paren == std::string::npos) return "";
  const std::string head = line.substr(0, paren);
  const std::size_t blank = head.find(' ');
  if (blank == std::string::npos || head.find(' ', blank + 1) != std::string::npos) return "";
  std::string type = head.substr(0, blank), name = head.substr(blank + 1);
  if (!type.empty() && type.back() == '*') type.pop_back();
  if (!name.empty() && name[0] == '*') name.erase(0, 1);
  return isWord(type) && isWord(name) ? name : "";
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// Whether `text` defines `name`: a line that starts its declarator, whose
// parameter list is followed by a body rather than a semicolon.
bool defines(const std::string& text, const std::string& name) {
  std::size_t at = 0;
  for (const std::string& line : lines(text)) {
    const std::size_t here = at;
    at += line.size() + 1;
    if (declaredName(line) != name) continue;
    const std::size_t end = text.find_first_of(";{", here + line.find('('));
    if (end == std::string::npos || text[end] != '{') continue;
    std::size_t before = end;
    while (before > here && std::isspace(static_cast<unsigned char>(text[before - 1])) != 0) --before;
    if (before > here && text[before - 1] == ')') return true;
  }
  return false;
}

TEST(SourceLayoutTest, WindowsCallsAreDefinedInTheFileNamedAfterTheirHeader) {
  const std::string dir = std::string(TVX_SOURCE_DIR) + "/platform/win/";
  std::map<std::string, std::string> sources;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() == ".cpp") sources[entry.path().filename().string()] = slurp(entry.path().string());
  }
  ASSERT_GT(sources.size(), 10u) << "cannot read the sources in " << dir;
  const struct {
    const char* header;
    const char* home;
    std::size_t atLeast;
  } headers[] = {{"windows_gdi.h", "windows_gdi.cpp", 80}, {"windows_user.h", "windows_user.cpp", 80}};
  for (const auto& h : headers) {
    std::vector<std::string> names;
    for (const std::string& line : lines(slurp(dir + h.header))) {
      const std::string name = declaredName(line);
      if (!name.empty()) names.push_back(name);
    }
    ASSERT_GE(names.size(), h.atLeast) << "the calls of " << h.header;
    for (const std::string& name : names) {
      std::string where;
      for (const auto& [file, text] : sources) {
        if (defines(text, name)) where += (where.empty() ? "" : " ") + file;
      }
      EXPECT_EQ(where, h.home) << h.header << ": " << name << " expected in " << h.home << ", found in \""
                               << where << "\"";
    }
  }
}

}  // namespace
