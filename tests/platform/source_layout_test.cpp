// Definitions live in the file named after what they define: every call that
// windows_gdi.h declares is defined in windows_gdi.cpp, and in no other file of
// the drawing layer.
#include <gtest/gtest.h>

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

TEST(SourceLayoutTest, WindowsGdiCallsAreDefinedInWindowsGdiCpp) {
  const std::string dir = std::string(TVX_SOURCE_DIR) + "/platform/win/";
  const std::string header = slurp(dir + "windows_gdi.h");
  ASSERT_FALSE(header.empty()) << "cannot read " << dir << "windows_gdi.h";
  // A declaration: a line that starts with a return type and the call's name, not inline.
  const std::regex declaration(R"(^(?!inline)[A-Za-z][A-Za-z0-9_]*\*? \*?([A-Z][A-Za-z0-9]*)\()");
  std::vector<std::string> names;
  std::istringstream lines(header);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_search(line, m, declaration)) names.push_back(m[1]);
  }
  ASSERT_GT(names.size(), 100u) << "the header's calls";
  const std::vector<std::string> files = {"windows_gdi.cpp", "device_context.cpp", "gdi_object_table.cpp",
                                          "region.cpp", "bitmap.cpp", "display_list.cpp"};
  std::map<std::string, std::string> sources;
  for (const std::string& f : files) sources[f] = slurp(dir + f);
  for (const std::string& name : names) {
    // A definition: the name at the start of a line's declarator, then a body.
    const std::regex definition("(^|\\n)[A-Za-z][A-Za-z0-9_]*\\*? \\*?" + name + "\\([^;{]*\\)\\s*\\{");
    std::string where;
    for (const std::string& f : files) {
      if (std::regex_search(sources[f], definition)) where += (where.empty() ? "" : " ") + f;
    }
    EXPECT_EQ(where, "windows_gdi.cpp") << name;
  }
}

}  // namespace
