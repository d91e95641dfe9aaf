// Definitions live in the file named after what they define: every call that
// windows_gdi.h or windows_user.h declares is defined in windows_gdi.cpp or
// windows_user.cpp, and in no other file of the window and drawing layer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
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

// The names of the calls a header declares: lines that start with a return
// type and the call's name, not inline.
std::vector<std::string> declaredCalls(const std::string& header) {
  const std::regex declaration(R"(^(?!inline)[A-Za-z][A-Za-z0-9_]*\*? \*?([A-Za-z][A-Za-z0-9]*)\()");
  std::vector<std::string> names;
  std::istringstream lines(header);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_search(line, m, declaration)) names.push_back(m[1]);
  }
  return names;
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
    const std::vector<std::string> names = declaredCalls(slurp(dir + h.header));
    ASSERT_GE(names.size(), h.atLeast) << "the calls of " << h.header;
    for (const std::string& name : names) {
      // A definition: the name at the start of a line's declarator, then a body.
      const std::regex definition("(^|\\n)[A-Za-z][A-Za-z0-9_]*\\*? \\*?" + name + "\\([^;{]*\\)\\s*\\{");
      std::string where;
      for (const auto& [file, text] : sources) {
        if (std::regex_search(text, definition)) where += (where.empty() ? "" : " ") + file;
      }
      EXPECT_EQ(where, h.home) << h.header << ": " << name << " expected in " << h.home << ", found in \""
                               << where << "\"";
    }
  }
}

}  // namespace
