// "tvx render": every page of the example book drawn in every format, the JSON
// of a page listing one graphic per record of its body, a page that does not
// read refused with its message and no file, a page of hostile values drawn
// with its reports, and the command line's checks.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tool_test_support.h"

namespace {

class TvxRenderTest : public ExampleBookTest {};

// The picture's size as each format states it: the SVG's width and height,
// the PNG's header, the PDF's media box (in points, 3/4 of a pixel).
struct Size {
  double w = -1, h = -1;
};
Size svgSize(const std::string& svg) {
  Size s;
  std::sscanf(svg.c_str() + std::min(svg.size(), svg.find("<svg")), "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%lf\" height=\"%lf\"", &s.w, &s.h);
  return s;
}
Size pngSize(const std::string& png) {
  Size s;
  if (png.size() < 24) return s;
  auto be = [&](std::size_t at) {
    return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
           (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
  };
  s.w = be(16);
  s.h = be(20);
  return s;
}
Size pdfSize(const std::string& pdf) {
  Size s;
  const std::size_t at = pdf.find("/MediaBox [");
  if (at == std::string::npos) return s;
  double x0 = 0, y0 = 0;
  if (std::sscanf(pdf.c_str() + at, "/MediaBox [ %lf %lf %lf %lf", &x0, &y0, &s.w, &s.h) == 4) {
    s.w = s.w * 4 / 3;
    s.h = s.h * 4 / 3;
  }
  return s;
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
  // The three pictures of a page agree on its size.
  std::size_t lineStart = 0;
  while (lineStart < r.out.size()) {
    const std::size_t end = r.out.find('\n', lineStart);
    const std::string path = r.out.substr(lineStart, end - lineStart);
    lineStart = end == std::string::npos ? r.out.size() : end + 1;
    if (path.size() < 4 || path.compare(path.size() - 4, 4, ".svg") != 0) continue;
    const std::string base = path.substr(0, path.size() - 4);
    const Size a = svgSize(readFileBytes(path)), b = pngSize(readFileBytes(base + ".png")),
               c = pdfSize(readFileBytes(base + ".pdf"));
    EXPECT_GT(a.w, 0) << path;
    EXPECT_EQ(a.w, b.w) << path;
    EXPECT_EQ(a.h, b.h) << path;
    EXPECT_NEAR(a.w, c.w, 0.01) << path;
    EXPECT_NEAR(a.h, c.h, 0.01) << path;
  }
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
    const std::size_t symbols = countOf(body, "\n   (n"), links = countOf(body, "\n   (l");
    EXPECT_EQ(countOf(text, "{\"kind\":\"idea\"") + countOf(text, "{\"kind\":\"placeholder\""), symbols) << name;
    EXPECT_EQ(countOf(text, "{\"kind\":\"link\""), links) << name;
    EXPECT_EQ(countOf(text, "{\"kind\":\"arrow\""), 2 * links) << name << ": one arrow in, one out of each box";
    EXPECT_EQ(countOf(text, "{\"kind\":\"text\""), countOf(body, "\n    (t\"")) << name;
    EXPECT_EQ(countOf(text, "{\"kind\":\"pen stroke\""), countOf(body, "\n    (p\"")) << name;
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

TEST_F(TvxRenderTest, PrintMakesThePdfThroughThePrintout) {
  const std::string pdf = dir.file("printed.pdf");
  RunResult r = tvx({"render", "--print", book, "Pluto", "-o", pdf});
  ASSERT_EQ(0, r.status) << r.err;
  const std::string bytes = readFileBytes(pdf);
  EXPECT_EQ(bytes.compare(0, 5, "%PDF-"), 0);
  EXPECT_NE(bytes.find("595.2"), std::string::npos) << "a printed page is A4";
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
