// "tvx html" and "tvx render --format canvas": the example book's site (a page
// file and a canvas per page, every symbol a link to its page's file, the
// index listing every page), a book of hostile names and addresses written
// with safe file names, escaped text and only the allowed addresses linked,
// the folder's guards (a non-empty folder, a symbolic link in it), and the
// index without dot. The browser's view of the site and the canvases' schema
// are checked by tests/tools/site/ (node).
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "tool_test_support.h"

namespace {

class TvxHtmlTest : public ExampleBookTest {};

std::set<std::string> filesIn(const std::string& folder) {
  std::set<std::string> out;
  if (DIR* d = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") out.insert(name);
    }
    ::closedir(d);
  }
  return out;
}

// Every href="..." in `html`.
std::vector<std::string> hrefs(const std::string& html) {
  std::vector<std::string> out;
  for (std::size_t at = html.find("href=\""); at != std::string::npos; at = html.find("href=\"", at + 1)) {
    const std::size_t end = html.find('"', at + 6);
    out.push_back(html.substr(at + 6, end - at - 6));
  }
  return out;
}

// The names of the areas over a page's picture, in the order they are read.
std::vector<std::string> areaNames(const std::string& html) {
  std::vector<std::string> out;
  const std::size_t areas = html.find("<g class=\"areas\">");
  const std::size_t end = html.find("</svg>", areas);
  for (std::size_t at = html.find("aria-label=\"", areas); at < end; at = html.find("aria-label=\"", at + 1)) {
    out.push_back(html.substr(at + 12, html.find('"', at + 12) - at - 12));
  }
  return out;
}

TEST_F(TvxHtmlTest, TheExampleBookIsASiteOfLinkedPages) {
  const std::string site = dir.file("site");
  RunResult r = tvx({"html", book, site});
  ASSERT_EQ(0, r.status) << r.err;
  const std::set<std::string> files = filesIn(site);
  for (const char* f : {"index.html", "style.css", "search.js", "search-index.js", "1-the-solar-system.html",
                        "1-the-solar-system.canvas", "13-ceres.html", "13-ceres.canvas", "12-asteroid-belt.html"}) {
    EXPECT_EQ(1u, files.count(f)) << f;
  }
  // Every local link of every page lands on a file of the site.
  for (const std::string& f : files) {
    if (f.size() < 5 || f.compare(f.size() - 5, 5, ".html") != 0) continue;
    for (const std::string& h : hrefs(readFileBytes(site + "/" + f))) {
      if (h.rfind("https:", 0) == 0 || h.rfind("data:", 0) == 0) continue;
      const std::string file = h.substr(0, h.find('#'));
      EXPECT_EQ(1u, files.count(file)) << f << " links to " << h;
    }
  }
  const std::string ceres = readFileBytes(site + "/13-ceres.html");
  EXPECT_NE(ceres.find("<a href=\"12-asteroid-belt.html\" aria-label=\"Asteroid belt\">"), std::string::npos);
  EXPECT_NE(ceres.find("aria-label=\"Ceres part of Asteroid belt\""), std::string::npos);
  EXPECT_NE(ceres.find("<text "), std::string::npos) << "labels are drawn as text";
  // The page's own symbol first, then along its links, then the rest; texts last.
  EXPECT_EQ((std::vector<std::string>{"Mercury", "Mercury orbits Sun", "Sun", "Caloris Basin",
                                      "The smallest planet and the closest to the Sun; a year lasts 88 days."}),
            areaNames(readFileBytes(site + "/3-mercury.html")));
  const std::string index = readFileBytes(site + "/index.html");
  EXPECT_NE(index.find("Home page: <a href=\"1-the-solar-system.html\">The Solar System</a>"), std::string::npos);
  EXPECT_EQ(17u, countOf(index, "<tr><td><a href=")) << "every page is listed";
  const std::string canvas = readFileBytes(site + "/13-ceres.canvas");
  EXPECT_NE(canvas.find("\"text\":\"[Asteroid belt](<12-asteroid-belt.html>)\""), std::string::npos) << canvas;
  EXPECT_NE(canvas.find("\"fromNode\":\"s1\",\"fromSide\":\"right\",\"toNode\":\"s2\",\"toSide\":\"left\",\"toEnd\":\"arrow\""),
            std::string::npos) << canvas;
  EXPECT_NE(canvas.find("\"label\":\"part of\""), std::string::npos) << canvas;

  // tvx render writes the same canvas.
  const std::string one = dir.file("ceres.canvas");
  ASSERT_EQ(0, tvx({"render", book, "Ceres", "-o", one}).status);
  EXPECT_EQ(canvas, readFileBytes(one));
}

TEST_F(TvxHtmlTest, HostileNamesAndAddressesAreWrittenSafely) {
  const std::string evil = "<img src=x onerror=alert(1)>/../../\"evil\" \xff\xfe";
  ASSERT_EQ(0, tvx({"page", "rename", book, "Ceres", evil}).status);
  ASSERT_EQ(0, tvx({"attr", book, "13", "URL", "javascript:alert(1)"}).status);
  ASSERT_EQ(0, tvx({"attr", book, "Pluto", "URL", "https://example.org/?a=\"b\"&c=<d>"}).status);
  const std::string site = dir.file("site");
  RunResult r = tvx({"html", book, site});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"example.tvx", "site"})) << "nothing is written beside the site";
  const std::set<std::string> files = filesIn(site);
  EXPECT_EQ(1u, files.count("13-img-srcx-onerroralert1evil.html"));
  for (const std::string& f : files) {
    const std::string text = readFileBytes(site + "/" + f);
    EXPECT_EQ(std::string::npos, text.find("<img")) << f;
    EXPECT_EQ(std::string::npos, text.find("href=\"javascript:")) << f;
    EXPECT_EQ(std::string::npos, text.find("\xff")) << f << ": texts are UTF-8";
  }
  const std::string ceres = readFileBytes(site + "/13-img-srcx-onerroralert1evil.html");
  EXPECT_NE(ceres.find("&lt;img src=x onerror=alert(1)&gt;/../../&quot;evil&quot; \xC3\xBF\xC3\xBE"), std::string::npos);
  EXPECT_NE(ceres.find("alert(1)</span> (not linked)"), std::string::npos);
  // An address with quotes and brackets is neither linked raw nor breaks the markup.
  const std::string pluto = readFileBytes(site + "/14-pluto.html");
  EXPECT_EQ(std::string::npos, pluto.find("c=<d>"));

  // A symbol spanning the coordinates and a link naming symbols the page lacks.
  std::string body = readFileBytes(std::string(TVX_SOURCE_DIR) + "/examples/solar-system/pages/pluto.map");
  body.replace(body.find("14a,e6"), 6, "7fffffff,-7fffffff");
  body.replace(body.find("(i1,2)"), 6, "(i9,ffffff)");
  writeFileBytes(dir.file("hostile.map"), body);
  ASSERT_EQ(0, tvx({"put", book, "Pluto", dir.file("hostile.map")}).status);
  RunResult again = tvx({"html", "--force", book, site});
  EXPECT_EQ(0, again.status) << again.err;
  const std::string canvas = readFileBytes(site + "/14-pluto.canvas");
  EXPECT_NE(canvas.find("{\"id\":\"s1\",\"type\":\"text\",\"x\":"), std::string::npos) << canvas;
  EXPECT_NE(canvas.find("\"edges\":[]}"), std::string::npos) << "a link without its ends is no edge";
}

TEST_F(TvxHtmlTest, TheFolderIsGuarded) {
  const std::string site = dir.file("site");
  ASSERT_EQ(0, ::mkdir(site.c_str(), 0777));
  writeFileBytes(site + "/keep.txt", "mine");
  RunResult refused = tvx({"html", book, site});
  EXPECT_EQ(1, refused.status);
  EXPECT_NE(refused.err.find("the folder is not empty (--force writes into it all the same)"), std::string::npos)
      << refused.err;
  EXPECT_EQ((std::set<std::string>{"keep.txt"}), filesIn(site));
  EXPECT_EQ(0, tvx({"html", "--force", book, site}).status);
  EXPECT_EQ("mine", readFileBytes(site + "/keep.txt"));

  // A symbolic link where the site writes a file is not followed.
  writeFileBytes(dir.file("outside.txt"), "untouched");
  ::unlink((site + "/index.html").c_str());
  ASSERT_EQ(0, ::symlink(dir.file("outside.txt").c_str(), (site + "/index.html").c_str()));
  RunResult linked = tvx({"html", "--force", book, site});
  EXPECT_EQ(1, linked.status);
  EXPECT_NE(linked.err.find("cannot write index.html"), std::string::npos) << linked.err;
  EXPECT_EQ("untouched", readFileBytes(dir.file("outside.txt")));

  EXPECT_EQ(2, tvx({"html", book}).status);
  EXPECT_EQ(1, tvx({"html", book, dir.file("no/such/folder")}).status);
}

TEST_F(TvxHtmlTest, WithoutDotTheIndexHasNoPicture) {
  const std::string site = dir.file("site");
  RunResult r = runProgram("/usr/bin/env", {"PATH=" + dir.path(), TVX_BINARY, "html", book, site});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_NE(r.err.find("tvx: the index has no picture of the book: cannot start dot"), std::string::npos) << r.err;
  // The page's own symbol first, then along its links, then the rest; texts last.
  EXPECT_EQ((std::vector<std::string>{"Mercury", "Mercury orbits Sun", "Sun", "Caloris Basin",
                                      "The smallest planet and the closest to the Sun; a year lasts 88 days."}),
            areaNames(readFileBytes(site + "/3-mercury.html")));
  const std::string index = readFileBytes(site + "/index.html");
  EXPECT_EQ(std::string::npos, index.find("<svg"));
  EXPECT_NE(index.find("No picture of the book: cannot start dot"), std::string::npos);
  EXPECT_EQ(17u, countOf(index, "<tr><td><a href="));
}

TEST_F(TvxHtmlTest, APageThatDoesNotReadIsANoticeAndFailsTheRun) {
  const std::string folder = dir.file("export");
  ASSERT_EQ(0, tvx({"export", book, folder}).status);
  writeFileBytes(folder + "/pages/14.map", "#CM&^# 161\r\n\r\n(B (a\"x\",1,1),, (C162,(N162,");
  const std::string broken = dir.file("broken.tvx");
  ASSERT_EQ(0, tvx({"import", "--force", folder, broken}).status);
  const std::string site = dir.file("site");
  RunResult r = tvx({"html", broken, site});
  EXPECT_EQ(1, r.status);
  EXPECT_NE(r.err.find("page 14 'Pluto': the page does not read as map text"), std::string::npos) << r.err;
  EXPECT_NE(readFileBytes(site + "/14-pluto.html").find("This page could not be read"), std::string::npos);
  EXPECT_TRUE(fileExists(site + "/index.html")) << "the rest of the site is written";
}

}  // namespace
