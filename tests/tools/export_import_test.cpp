// tvx export and tvx import: a book goes to a folder and back without losing a
// byte (every ID's kind and facets come back the same, and export, import and
// export again give identical folders); bad manifests and refused targets are
// reported with their line and leave nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/tools/book_bytes.h"
#include "tests/tools/tool_test_support.h"

using namespace book_bytes;

namespace {

void run(const std::vector<std::string>& args, const std::string& input = std::string()) {
  const RunResult r = tvx(args, input);
  ASSERT_EQ(r.status, 0) << "tvx " << args[0] << ": " << r.err;
}

std::map<std::string, std::string> folder(const std::string& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
    if (e.is_regular_file())
      out[std::filesystem::relative(e.path(), dir).string()] = readFileBytes(e.path().string());
  return out;
}

// The top of the source tree, as the build gives it (a compiler cache may
// have made __FILE__ relative).
std::string sourceRoot() { return TVX_SOURCE_DIR "/"; }

// Every ID's kind and the bytes of its six facets, for IDs below the book's
// next-ID counter.
std::map<unsigned, std::vector<std::string>> contents(const std::string& book) {
  std::map<unsigned, std::vector<std::string>> out;
  const uint32_t next = header(readFileBytes(book)).nextId;
  for (unsigned id = 0; id < next; ++id) {
    const unsigned kind = kindOf(book, id);
    if (kind == 0) continue;
    std::vector<std::string>& row = out[id];
    row.push_back(std::to_string(kind));
    for (int f = 0; f < 6; ++f) row.push_back(facetOf(book, id, f));
  }
  return out;
}

// A book written by the tool with texts that need quoting, attributes rewritten
// shorter (their record keeps stale bytes, so it must travel byte for byte),
// links and a deleted page.
void makeBook(const std::string& book) {
  run({"new", book});
  run({"page", "add", "--type", "Say \"hi\"", book, "Quote \" and \\ backslash"});
  run({"page", "add", "--type", "Topic", book, "Line\nbreak and tab\t"});
  run({"page", "add", book, "Blüte"});
  run({"page", "add", book, "Gone"});
  run({"link", "add", "--type", "leads to", book, "0", "1"});
  run({"link", "add", book, "1", "2"});
  run({"link", "add", book, "2", "3"});
  run({"put", book, "0", "-"}, sampleBody("first"));
  run({"put", book, "2", "-"}, sampleBody("third"));
  run({"attr", book, "0", "URL", "https://example.org/a"});
  run({"attr", book, "0", "Long", "a value long enough to leave bytes behind"});
  run({"attr", book, "0", "--rm", "Long"});
  run({"attr", book, "2", "Colour", "blue"});
  run({"home", book, "1"});
  run({"page", "rm", book, "Gone"});
}

TEST(ExportImportTest, RoundTripKeepsEveryIdKindAndFacet) {
  ToolScratch dir;
  const std::string book = dir.file("a.tvx"), again = dir.file("b.tvx");
  makeBook(book);
  const RunResult e1 = tvx({"export", book, dir.file("one")});
  ASSERT_EQ(e1.status, 0) << e1.err;
  EXPECT_EQ(e1.out, "exported 5 entries of " + book + " to " + dir.file("one") + "\n");
  const RunResult i = tvx({"import", dir.file("one"), again});
  ASSERT_EQ(i.status, 0) << i.err << i.out;
  EXPECT_EQ(i.out, "imported 5 entries from " + dir.file("one") + " into " + again + "\n");
  run({"export", again, dir.file("two")});
  EXPECT_EQ(folder(dir.file("one")), folder(dir.file("two")));
  EXPECT_EQ(contents(book), contents(again));
  EXPECT_EQ(header(readFileBytes(book)).nextId, header(readFileBytes(again)).nextId);
  EXPECT_EQ(tvx({"check", again}).status, 0);
  // The shortened attribute list keeps nothing of the longer one, so it travels as
  // text rather than as raw bytes.
  EXPECT_FALSE(fileExists(dir.file("one/raw/0-3.bin")));
}

TEST(ExportImportTest, ExampleBookAssemblesSoundAndTheSameEveryTime) {
  ToolScratch dir;
  const std::string book = dir.file("solar.tvx"), again = dir.file("again.tvx");
  run({"import", sourceRoot() + "examples/solar-system", book});
  const RunResult c = tvx({"check", book});
  EXPECT_EQ(c.status, 0) << c.out;
  EXPECT_EQ(c.out, book + ": ok (87 blocks, 0 free, 18 pages, 16 links)\n");
  EXPECT_EQ(kindOf(book, 0), 4u);  // the type page
  EXPECT_EQ(kindOf(book, 1), 9u);  // the home page
  EXPECT_NE(facetOf(book, 1, 3).find("(V\"URL\",\"https://science.nasa.gov/solar-system/\")"),
            std::string::npos)
      << facetOf(book, 1, 3);
  run({"export", book, dir.file("out")});
  run({"import", dir.file("out"), again});
  EXPECT_EQ(readFileBytes(book), readFileBytes(again));
}

TEST(ExportImportTest, QuotedTextsComeBackByteForByte) {
  ToolScratch dir;
  std::string every;
  for (int c = 1; c < 256; ++c) every += static_cast<char>(c);
  const std::vector<std::string> names = {"", "plain", "\"quoted\"", "back\\slash", "new\nline",
                                          "tab\tand\rreturn", "\x01\x1f\x7f", "Blüte", every};
  for (std::size_t n = 0; n < names.size(); ++n) {
    SCOPED_TRACE(n);
    const std::string src = dir.file("src" + std::to_string(n));
    std::filesystem::create_directory(src);
    // Written by hand: the manifest's own quoting is what is under test.
    std::string q = "\"";
    for (unsigned char c : names[n]) {
      if (c == '"' || c == '\\') {
        q += '\\';
        q += static_cast<char>(c);
      } else if (c < 0x20 || c == 0x7F) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02x", c);
        q += buf;
      } else {
        q += static_cast<char>(c);
      }
    }
    q += "\"";
    writeFileBytes(src + "/book.manifest",
                   "tvx-book 1\npage 4\n  name " + q + "\n  type " + q + "\n  attr " + q + " " + q + "\n");
    const std::string book = dir.file("q" + std::to_string(n) + ".tvx");
    const RunResult r = tvx({"import", src, book});
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_EQ(facetOf(book, 4, 0), names[n] + std::string(1, '\0') + names[n] + std::string(1, '\0') + "0");
    const std::string out = dir.file("out" + std::to_string(n));
    run({"export", book, out});
    const std::string again = dir.file("again" + std::to_string(n) + ".tvx");
    run({"import", out, again});
    EXPECT_EQ(contents(book), contents(again));
  }
}

TEST(ExportImportTest, BadManifestsAreReportedWithTheirLine) {
  ToolScratch dir;
  const std::string src = dir.file("src"), book = dir.file("bad.tvx");
  std::filesystem::create_directory(src);
  const std::string m = src + "/book.manifest";
  struct Case {
    std::string manifest;
    std::string err;
  };
  const std::vector<Case> cases = {
      {"# nothing\n", "tvx: " + m + ": the manifest is empty\n"},
      {"tvx-book 2\n", "tvx: " + m + ": line 1: manifest format 2 is not known\n"},
      {"page 1\n", "tvx: " + m + ": line 1: the manifest must start with \"tvx-book 1\"\n"},
      {"tvx-book 1\nfoo 1\n", "tvx: " + m + ": line 2: unknown keyword \"foo\"\n"},
      {"tvx-book 1\nname \"x\"\n", "tvx: " + m + ": line 2: \"name\" before the first page or link\n"},
      {"tvx-book 1\npage 1\npage 1\n", "tvx: " + m + ": line 3: ID 1 is given twice\n"},
      {"tvx-book 1\npage 1\n  name \"open\n", "tvx: " + m + ": line 3: unterminated quoted text\n"},
      {"tvx-book 1\npage 1\n  name \"a\\qb\"\n", "tvx: " + m + ": line 3: unknown escape \\q\n"},
      {"tvx-book 1\npage 1\n  flags 4294967296\n", "tvx: " + m + ": line 3: flags needs one number\n"},
      {"tvx-book 1\npage 1\n  end 2 \"<this>#$1\"\n",
       "tvx: " + m + ": line 3: end needs a direction and a quoted page reference on a link\n"},
      {"tvx-book 1\nlink 1\n  body \"pages/1.map\"\n",
       "tvx: " + m + ": line 3: body needs one quoted file name on a page\n"},
      {"tvx-book 1\npage 1\n  raw 6 \"x\"\n",
       "tvx: " + m + ": line 3: raw needs a facet (0 to 5) and a quoted file name\n"},
      {"tvx-book 1\nhome 3\npage 1\n", "tvx: " + m + ": home names ID 3, which is not in the manifest\n"},
      {"tvx-book 1\npage 1\n  body \"../secret.map\"\n",
       "tvx: " + m + ": body \"../secret.map\" of ID 1 is not a file inside the folder\n"},
      {"tvx-book 1\npage 1\n  body \"pages/none.map\"\n",
       "tvx: cannot read " + src + "/pages/none.map: No such file or directory\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.manifest);
    writeFileBytes(m, c.manifest);
    const RunResult r = tvx({"import", src, book});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.err);
    EXPECT_FALSE(fileExists(book));
  }
}

TEST(ExportImportTest, InconsistentBookIsMadeOnlyWhenForced) {
  ToolScratch dir;
  const std::string src = dir.file("src"), book = dir.file("b.tvx");
  std::filesystem::create_directory(src);
  writeFileBytes(src + "/book.manifest",
                 "tvx-book 1\npage 1\n  name \"A\"\n  linklist \"<this>#$7\"\n");
  RunResult r = tvx({"import", src, book});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "ID 1: link list names link 7, which does not exist\n");
  EXPECT_EQ(r.err, "tvx: " + src +
                       ": the book would have 1 problem; not made (use --force to make it anyway)\n");
  EXPECT_FALSE(fileExists(book));
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"src"});

  r = tvx({"import", "--force", src, book});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(tvx({"check", book}).status, 1);
}

TEST(ExportImportTest, TargetsThatAreRefused) {
  ToolScratch dir;
  const std::string book = dir.file("a.tvx");
  run({"new", book});
  run({"page", "add", book, "A"});
  const std::string before = readFileBytes(book);
  run({"export", book, dir.file("out")});
  RunResult r = tvx({"export", book, dir.file("out")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "tvx: " + dir.file("out") + " is not an empty folder (export writes a new one)\n");
  std::filesystem::create_directory(dir.file("other"));
  writeFileBytes(dir.file("other/notes.txt"), "mine");
  r = tvx({"export", book, dir.file("other")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "tvx: " + dir.file("other") + " is not an empty folder (export writes a new one)\n");
  EXPECT_EQ(folder(dir.file("other")).size(), 1u);
  std::filesystem::create_directory(dir.file("empty"));
  EXPECT_EQ(tvx({"export", book, dir.file("empty")}).status, 0);
  r = tvx({"import", dir.file("out"), book});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "tvx: " + book + " already exists (import makes a new book)\n");
  EXPECT_EQ(readFileBytes(book), before);
  r = tvx({"export", book});
  EXPECT_EQ(r.status, 2);
  r = tvx({"import", dir.file("out")});
  EXPECT_EQ(r.status, 2);
}

}  // namespace
