// "tvx render": every page of the example book drawn in every format, the JSON
// of a page listing one graphic per record of its body, a page that does not
// read refused with its message and no file, a page of hostile values drawn
// with its reports, and the command line's checks.
#include <gtest/gtest.h>

#include <dirent.h>

#include <string>
#include <vector>

#include "tool_test_support.h"

namespace {

class TvxRenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string bytes = readFileBytes(EXAMPLE_BOOK);
    ASSERT_FALSE(bytes.empty()) << "no example book at " << EXAMPLE_BOOK;
    book = dir.file("example.tvx");
    writeFileBytes(book, bytes);
  }

  ToolScratch dir;
  std::string book;
};

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

std::vector<std::string> examplePages() {
  std::vector<std::string> out;
  const std::string folder = std::string(TVX_SOURCE_DIR) + "/examples/solar-system/pages";
  if (DIR* d = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".map") == 0 && name != "types.map") {
        out.push_back(folder + "/" + name);
      }
    }
    ::closedir(d);
  }
  return out;
}

TEST_F(TvxRenderTest, EveryPageIsDrawnAsSvgPngAndPdf) {
  const std::string out = dir.file("pages");
  RunResult r = tvx({"render", "--all", "-o", out, book});
  ASSERT_EQ(0, r.status) << r.err;
  std::size_t svg = 0, png = 0, pdf = 0;
  std::size_t start = 0;
  while (start < r.out.size()) {
    const std::size_t end = r.out.find('\n', start);
    const std::string path = r.out.substr(start, end - start);
    start = end == std::string::npos ? r.out.size() : end + 1;
    const std::string bytes = readFileBytes(path);
    ASSERT_FALSE(bytes.empty()) << path;
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".svg") == 0) {
      ++svg;
      EXPECT_NE(bytes.find("<svg"), std::string::npos) << path;
    } else if (path.size() > 4 && path.compare(path.size() - 4, 4, ".png") == 0) {
      ++png;
      EXPECT_EQ(bytes.compare(0, 4, "\x89PNG"), 0) << path;
    } else {
      ++pdf;
      EXPECT_EQ(bytes.compare(0, 4, "%PDF"), 0) << path;
    }
  }
  EXPECT_EQ(svg, examplePages().size());
  EXPECT_EQ(png, svg);
  EXPECT_EQ(pdf, svg);
}

TEST_F(TvxRenderTest, TheJsonListsOneGraphicPerRecord) {
  const std::vector<std::string> pages = examplePages();
  ASSERT_FALSE(pages.empty());
  for (const std::string& file : pages) {
    const std::string body = readFileBytes(file);
    const std::size_t nameAt = body.find("(n\"") + 3;
    const std::string name = body.substr(nameAt, body.find('"', nameAt) - nameAt);
    const std::string json = dir.file("page.json");
    RunResult r = tvx({"render", book, name, "-o", json});
    ASSERT_EQ(0, r.status) << name << ": " << r.err;
    const std::string text = readFileBytes(json);
    const std::size_t symbols = count(body, "\n   (n"), links = count(body, "\n   (l");
    EXPECT_EQ(count(text, "{\"kind\":\"idea\"") + count(text, "{\"kind\":\"placeholder\""), symbols) << name;
    EXPECT_EQ(count(text, "{\"kind\":\"link\""), links) << name;
    EXPECT_EQ(count(text, "{\"kind\":\"arrow\""), 2 * links) << name << ": one arrow in, one out of each box";
    EXPECT_EQ(count(text, "{\"kind\":\"text\""), count(body, "\n    (t\"")) << name;
  }
}

TEST_F(TvxRenderTest, APageThatDoesNotReadGivesItsMessageAndNoFile) {
  const std::string folder = dir.file("export");
  ASSERT_EQ(0, tvx({"export", book, folder}).status);
  writeFileBytes(folder + "/pages/14.map", "#CM&^# 161\r\n\r\n(B (a\"x\",1,1),, (C162,(N162,");
  const std::string broken = dir.file("broken.tvx");
  ASSERT_EQ(0, tvx({"import", "--force", folder, broken}).status);
  const std::string png = dir.file("pluto.png");
  RunResult r = tvx({"render", broken, "Pluto", "-o", png});
  EXPECT_EQ(1, r.status);
  EXPECT_NE(r.err.find("does not read as map text"), std::string::npos) << r.err;
  EXPECT_FALSE(fileExists(png));
}

TEST_F(TvxRenderTest, HostileValuesAreDrawnWithTheirReports) {
  std::string body = readFileBytes(std::string(TVX_SOURCE_DIR) + "/examples/solar-system/pages/pluto.map");
  // A symbol at the far edge of the coordinates, and a link naming symbols
  // the page does not have.
  body.replace(body.find("14a,e6"), 6, "7fffffff,-7fffffff");
  body.replace(body.find("(i1,2)"), 6, "(i9,ffffff)");
  writeFileBytes(dir.file("hostile.map"), body);
  ASSERT_EQ(0, tvx({"put", book, "Pluto", dir.file("hostile.map")}).status);
  RunResult r = tvx({"render", book, "Pluto", "-o", dir.file("hostile.png")});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(r.err.find("No source found for link ID 4"), std::string::npos) << r.err;
  EXPECT_TRUE(fileExists(dir.file("hostile.png")));
}

TEST_F(TvxRenderTest, TheCommandLineIsChecked) {
  struct Case {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"render", "--zoom", "5", "B"}, 2},
      {{"render", "--size", "10x10", "B"}, 2},
      {{"render", "--format", "gif", "B"}, 2},
      {{"render", "--all", "B"}, 2},
      {{"render", "B", "-o", "x.bmp"}, 2},
  };
  for (Case& c : cases) {
    for (std::string& a : c.args)
      if (a == "B") a = book;
    EXPECT_EQ(tvx(c.args).status, c.status) << c.args[1];
  }
  RunResult missing = tvx({"render", book, "No such page", "-o", dir.file("x.png")});
  EXPECT_EQ(1, missing.status);
  EXPECT_NE(missing.err.find("no page 'No such page'"), std::string::npos) << missing.err;
}

}  // namespace
