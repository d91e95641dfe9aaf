// tvx on the example book that the build assembles: every command of the tool
// reads it, edits a copy of it, and leaves a copy that still checks sound.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool_test_support.h"

namespace {

class TvxExampleTest : public ExampleBookTest {
 protected:

  std::string ok(const std::vector<std::string>& args, const std::string& input = std::string()) {
    RunResult r = tvx(args, input);
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("", r.err);
    return r.out;
  }

  void expectSound() {
    RunResult r = tvx({"check", book});
    EXPECT_EQ(0, r.status) << r.out << r.err;
  }
};

TEST_F(TvxExampleTest, ReadingCommandsDescribeTheExample) {
  const std::string info = ok({"info", book});
  EXPECT_NE(std::string::npos, info.find("signature           #NXST#\n")) << info;
  EXPECT_NE(std::string::npos, info.find("free blocks         0\n")) << info;
  EXPECT_NE(std::string::npos, info.find("fragmentation index 1.00\n")) << info;

  const std::string json = ok({"ls", "--json", book});
  const std::size_t linksAt = json.find("\"links\":[");
  ASSERT_NE(std::string::npos, linksAt) << json;
  const std::string pages = json.substr(0, linksAt);
  const std::string links = json.substr(linksAt);
  EXPECT_GE(countOf(pages, "\"kind\":"), 15u) << "fifteen pages or more";
  EXPECT_EQ(1u, countOf(pages, "\"home\":true"));
  EXPECT_GE(countOf(links, "\"dir\":2"), 1u);
  EXPECT_EQ(countOf(links, "\"dir\":2"), countOf(links, "\"dir\":1")) << "each link has a source and a destination";

  const std::string home = ok({"home", book});
  ASSERT_FALSE(home.empty());
  const std::string homeId = home.substr(0, home.find(' '));
  const std::string body = ok({"cat", book, homeId});
  EXPECT_EQ(0u, body.find("#CM&^# ")) << body.substr(0, 40);
  EXPECT_EQ("https://science.nasa.gov/earth/\n", ok({"attr", book, "Earth", "URL"}));
}

TEST_F(TvxExampleTest, EveryBodyGoesOutAndBackInUnchanged) {
  const std::string json = ok({"ls", "--json", book});
  std::vector<std::string> ids;
  for (std::size_t at = json.find("{\"id\":"); at != std::string::npos && at < json.find("\"links\":[");
       at = json.find("{\"id\":", at + 1)) {
    ids.push_back(json.substr(at + 6, json.find(',', at) - at - 6));
  }
  ASSERT_GE(ids.size(), 15u);
  for (const std::string& id : ids) {
    const std::string body = ok({"cat", book, id});
    if (body.empty()) continue;
    ok({"put", book, id, "-"}, body);
    EXPECT_EQ(body, ok({"cat", book, id})) << "page " << id;
  }
  EXPECT_EQ(json, ok({"ls", "--json", book}));
  expectSound();
}

TEST_F(TvxExampleTest, EditsKeepTheExampleSound) {
  ok({"page", "add", "--type", "Planet", book, "Planet Nine"});
  expectSound();
  const std::string link = ok({"link", "add", "--type", "orbits", book, "Planet Nine", "Sun"});
  expectSound();
  ok({"attr", book, "Planet Nine", "URL", "https://example.org/planet-nine"});
  ok({"page", "rename", book, "Planet Nine", "Planet X"});
  ok({"page", "retype", book, "Planet X", "Dwarf planet"});
  expectSound();
  ok({"link", "rm", book, link.substr(0, link.size() - 1)});
  expectSound();
  ok({"page", "rm", book, "Pluto"});  // takes its links with it
  expectSound();
  ok({"home", book, "Sun"});
  const std::string home = ok({"home", book});
  EXPECT_NE(std::string::npos, home.find(" Sun\n")) << home;
  expectSound();
}

}  // namespace
