// tvx check: passes on every book the tool writes, and finds each kind of damage
// with one clear line naming the block or ID, exit status 1 and a summary on
// standard error; never crashes on a damaged or foreign file.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "store/middle_level_store.h"
#include "tests/tools/book_bytes.h"
#include "tests/tools/tool_test_support.h"

using namespace book_bytes;

namespace {

void run(const std::vector<std::string>& args, const std::string& input = std::string()) {
  const RunResult r = tvx(args, input);
  ASSERT_EQ(r.status, 0) << "tvx " << args[0] << ": " << r.err;
}

// A book made with the tool's own commands: pages 0 "Alpha" (home, with a body
// and attributes) and 1 "Beta" (with a body), link 3 from Alpha to Beta; page 2
// "Gamma" and its link 4 were made and deleted again, so the book has free
// blocks.
void makeBook(const std::string& book) {
  run({"new", book});
  run({"page", "add", "--type", "Topic", book, "Alpha"});
  run({"page", "add", book, "Beta"});
  run({"page", "add", book, "Gamma"});
  run({"link", "add", "--type", "leads to", book, "Alpha", "Beta"});
  run({"link", "add", book, "Beta", "Gamma"});
  run({"put", book, "Alpha", "-"}, sampleBody("alpha"));
  run({"put", book, "Beta", "-"}, sampleBody("beta"));
  run({"attr", book, "Alpha", "URL", "https://example.org/alpha"});
  run({"home", book, "Alpha"});
  run({"page", "rm", book, "Gamma"});
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

bool hasLine(const std::string& text, const std::string& line) {
  for (const std::string& l : lines(text))
    if (l == line) return true;
  return false;
}

// A run of check that shows no sign of a crash or a sanitizer report.
void expectCleanRun(const RunResult& r, const std::string& book) {
  EXPECT_TRUE(r.status == 0 || r.status == 1) << "status " << r.status << "\n" << r.err;
  EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
  if (r.status == 1) {
    EXPECT_EQ(r.err.rfind("tvx: " + book + ": ", 0), 0u) << r.err;
  }
}

TEST(CheckTest, PassesAfterEveryCommandThatWritesABook) {
  ToolScratch dir;
  const std::string book = dir.file("steps.tvx");
  const std::vector<std::vector<std::string>> steps = {
      {"new", book},
      {"page", "add", "--type", "Topic", book, "One"},
      {"page", "add", book, "Two"},
      {"page", "add", book, "Three"},
      {"link", "add", "--type", "supports", book, "One", "Two"},
      {"link", "add", book, "Two", "Three"},
      {"link", "add", book, "One", "Three"},
      {"put", book, "One", "-"},
      {"put", book, "One", "-"},
      {"attr", book, "One", "URL", "https://example.org/"},
      {"attr", book, "One", "Note", "a longer value than the URL has"},
      {"attr", book, "One", "--rm", "Note"},
      {"page", "rename", book, "Two", "Second"},
      {"page", "retype", book, "Second", "Topic"},
      {"home", book, "One"},
      {"link", "rm", book, "5"},
      {"page", "rm", book, "Three"},
  };
  for (const auto& step : steps) {
    const RunResult r = tvx(step, sampleBody("someone with a longer name"));
    ASSERT_EQ(r.status, 0) << step[0] << ": " << r.err;
    const RunResult c = tvx({"check", book});
    EXPECT_EQ(c.status, 0) << "after " << step[0] << " " << step[1] << ":\n" << c.out;
    EXPECT_EQ(c.err, "");
  }
  const RunResult c = tvx({"check", book});
  EXPECT_EQ(lines(c.out).back().rfind(book + ": ok (", 0), 0u) << c.out;
}

TEST(CheckTest, FindsEachKindOfDamageWithOneClearLine) {
  ToolScratch dir;
  const std::string good = dir.file("good.tvx");
  makeBook(good);
  ASSERT_EQ(tvx({"check", good}).status, 0);
  const std::string bytes = readFileBytes(good);
  const Header h = header(bytes);
  const std::vector<BlockAt> all = blocks(bytes);
  ASSERT_FALSE(all.empty());
  ASSERT_NE(h.freeList, 0u) << "the book should have free space";
  const uint32_t alphaBody = facetHandle(good, 0, 1);
  ASSERT_NE(alphaBody, 0u);

  struct Case {
    const char* name;
    std::function<void(std::string& b, const std::string& path)> damage;
    std::string line;  // one line the report must hold, word for word
  };
  const BlockAt first = all.front(), last = all.back();
  const std::vector<Case> cases = {
      {"truncated file", [](std::string& b, const std::string&) { b.resize(b.size() - 10); },
       "block " + std::to_string(last.handle) + ": size " + std::to_string(last.size) +
           " runs past the end of the file, " + std::to_string(last.size - 10) +
           " bytes remain (truncated file?)"},
      {"changed trailer",
       [&](std::string& b, const std::string&) { put32(b, first.handle + first.size - 4, first.size + 8); },
       "block " + std::to_string(first.handle) + ": trailer " + std::to_string(first.size + 8) +
           " does not match the block size " + std::to_string(first.size)},
      {"chain that loops",
       [&](std::string& b, const std::string&) { put32(b, alphaBody + 8, alphaBody); },
       "block " + std::to_string(alphaBody) + ": record loops back to block " +
           std::to_string(alphaBody)},
      {"facet naming a free block",
       [&](std::string& b, const std::string&) { put32(b, facetFieldOffset(b, 0, 1), h.freeList); },
       "ID 0: facet 1 names free block " + std::to_string(h.freeList)},
      {"link list naming a deleted link",
       [](std::string&, const std::string& path) {
         MiddleLevelStore* s = MiddleLevelStore::make(path.c_str(), 2, 0x20);
         s->remove(3);
         delete s;
       },
       "ID 0: link list names link 3, which does not exist"},
      {"next ID counter behind the IDs",
       [&](std::string& b, const std::string&) {
         std::size_t at = 4;
         at += std::strlen(b.c_str() + at) + 1 + 4;
         at += std::strlen(b.c_str() + at) + 1 + 4;
         put32(b, at + 8, 1);
       },
       "ID 1: not below the next-ID counter 1"},
      {"page body that does not parse",
       [&](std::string& b, const std::string&) { b[alphaBody + 18] = 'X'; },
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string book = dir.file(std::string("damaged-") + std::to_string(&c - &cases[0]) + ".tvx");
    std::string b = bytes;
    writeFileBytes(book, b);
    c.damage(b, book);
    if (b != bytes) writeFileBytes(book, b);
    const RunResult r = tvx({"check", book});
    EXPECT_EQ(r.status, 1) << r.out;
    expectCleanRun(r, book);
    if (!c.line.empty()) {
      EXPECT_TRUE(hasLine(r.out, c.line)) << "expected line:\n" << c.line << "\ngot:\n" << r.out;
    }
    const std::size_t count = lines(r.out).size();
    EXPECT_EQ(r.err, "tvx: " + book + ": " + std::to_string(count) +
                         (count == 1 ? " problem found\n" : " problems found\n"));
  }
}

// Damage to the free list, the ID table and entries that the library itself
// would often read past without noticing.
TEST(CheckTest, FindsQuieterDamage) {
  ToolScratch dir;
  const std::string good = dir.file("good.tvx");
  makeBook(good);
  const std::string bytes = readFileBytes(good);
  const Header h = header(bytes);
  const uint32_t header0 = facetHandle(good, 0, 0), header1 = facetHandle(good, 1, 0);
  const uint32_t header0Length = get32(bytes, header0 + 4);
  const uint32_t body1 = facetHandle(good, 1, 1);
  const std::string free = std::to_string(h.freeList);
  struct Case {
    const char* name;
    std::function<void(std::string& b)> damage;
    std::string line;
  };
  const std::vector<Case> cases = {
      {"free block holding data", [&](std::string& b) { b[h.freeList + 30] = 'X'; },
       "block " + free + ": free block is not filled with spaces (byte 30)"},
      {"free list that loops", [&](std::string& b) { put32(b, h.freeList + 8, h.freeList); },
       "free list: loops back to block " + free},
      {"block marked free off the list",
       [&](std::string& b) { b[body1 + 16] = static_cast<char>(b[body1 + 16] | 1); },
       "block " + std::to_string(body1) + ": marked free but not on the free list"},
      {"record named twice", [&](std::string& b) { put32(b, facetFieldOffset(b, 1, 0), header0); },
       "ID 1: facet 0 names record " + std::to_string(header0) + ", also named by ID 0 facet 0"},
      // The header nobody names any more is page 1's: lost data, not lost space.
      {"record named by nobody", [&](std::string& b) { put32(b, facetFieldOffset(b, 1, 0), header0); },
       "block " + std::to_string(header1) +
           ": record is named by no ID but holds an entry header (\"Beta\") (lost data)"},
      {"ID in the wrong bucket", [&](std::string& b) { put32(b, facetFieldOffset(b, 0, 0) - 8, 129); },
       "ID table: ID 129 sits in bucket 0, expected bucket 1"},
      {"entry header that does not decode",
       [&](std::string& b) { b[header0 + 18 + header0Length - 1] = 'x'; },
       "ID 0: entry header does not decode: flags are not an unsigned 32-bit decimal number"},
      {"facet naming the middle of a block",
       [&](std::string& b) { put32(b, facetFieldOffset(b, 1, 1), body1 + 2); },
       "ID 1: facet 1 names " + std::to_string(body1 + 2) + ", which is not the start of a block"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string book = dir.file("quiet.tvx");
    std::string b = bytes;
    c.damage(b);
    writeFileBytes(book, b);
    const RunResult r = tvx({"check", book});
    EXPECT_EQ(r.status, 1);
    expectCleanRun(r, book);
    EXPECT_TRUE(hasLine(r.out, c.line)) << "expected line:\n" << c.line << "\ngot:\n" << r.out;
  }
}

TEST(CheckTest, BodyThatDoesNotParseIsNamedWithTheParsersText) {
  ToolScratch dir;
  const std::string book = dir.file("body.tvx");
  makeBook(book);
  std::string b = readFileBytes(book);
  const uint32_t body = facetHandle(book, 1, 1);
  b[body + 18] = 'X';  // the signature line's first byte
  writeFileBytes(book, b);
  const RunResult r = tvx({"check", book});
  EXPECT_EQ(r.status, 1);
  ASSERT_EQ(lines(r.out).size(), 1u) << r.out;
  EXPECT_EQ(r.out.rfind("ID 1: page body does not parse: Bad signature (-2) found EOF at offset 6 "
                       "before \" 161\\r\\n(B(a\"beta\",1,1\"\n",
                       0),
            0u)
      << r.out;
}

TEST(CheckTest, JsonReportHoldsEveryProblem) {
  ToolScratch dir;
  const std::string book = dir.file("json.tvx");
  makeBook(book);
  RunResult r = tvx({"check", "--json", book});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\"ok\":true"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"problems\":[]"), std::string::npos) << r.out;

  std::string b = readFileBytes(book);
  const BlockAt first = blocks(b).front();
  put32(b, first.handle + first.size - 4, 1);
  writeFileBytes(book, b);
  r = tvx({"check", "--json", book});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.rfind("{\"book\":\"" + book + "\",\"ok\":false,", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\"problems\":[{\"where\":\"block " + std::to_string(first.handle) +
                       "\",\"problem\":\"trailer 1 does not match the block size " +
                       std::to_string(first.size) + "\",\"minor\":false}]}"),
            std::string::npos)
      << r.out;
}

TEST(CheckTest, ForeignAndEmptyFilesAreProblemsNotCrashes) {
  ToolScratch dir;
  struct Case {
    const char* name;
    std::string bytes;
    std::string firstLine;
  };
  const std::vector<Case> cases = {
      {"empty", "", "header: file is too short for a store header (0 bytes)"},
      {"text", "hello, world\n", "header: application signature is not a NUL-terminated text of at most 78 characters"},
      {"low-level store", std::string("\x1c\0\0\0#NXST#\0\x20\x06\0\0#LLS#\0\x20\0\0\0\0\0\0\0", 28),
       "header: store signature is \"#LLS#\", not \"#MLS#\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string book = dir.file(std::string(c.name) + ".tvx");
    writeFileBytes(book, c.bytes);
    const RunResult r = tvx({"check", book});
    EXPECT_EQ(r.status, 1);
    expectCleanRun(r, book);
    ASSERT_FALSE(lines(r.out).empty());
    EXPECT_EQ(lines(r.out)[0], c.firstLine);
  }
  const RunResult missing = tvx({"check", dir.file("absent.tvx")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "file: cannot be opened: " + dir.file("absent.tvx") + "\n");
}

// Damage at random places never makes the check crash, hang or read outside
// the file: every run ends with status 0 or 1 and its summary line.
TEST(CheckTest, SurvivesRandomDamageAndEveryTruncation) {
  ToolScratch dir;
  const std::string good = dir.file("good.tvx");
  makeBook(good);
  const std::string bytes = readFileBytes(good);
  std::mt19937 rng(7);
  const std::string book = dir.file("random.tvx");
  for (int round = 0; round < 40; ++round) {
    std::string b = bytes;
    const int hits = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < hits; ++i) {
      const std::size_t at = rng() % b.size();
      if (rng() % 2)
        b[at] = static_cast<char>(rng());
      else if (at + 4 <= b.size())
        put32(b, at, static_cast<uint32_t>(rng() % (b.size() + 100)));
    }
    writeFileBytes(book, b);
    expectCleanRun(tvx({"check", book}), book);
  }
  for (std::size_t cut = 0; cut < bytes.size(); cut += 97) {
    writeFileBytes(book, bytes.substr(0, cut));
    const RunResult r = tvx({"check", book});
    EXPECT_EQ(r.status, 1) << "cut at " << cut;
    expectCleanRun(r, book);
  }
}

TEST(CheckTest, CommandLine) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"check"}, 2, "tvx: check: no book given (try \"tvx check --help\")\n"},
      {{"check", "a", "b"}, 2, "tvx: check: too many arguments (try \"tvx check --help\")\n"},
      {{"check", "--fast", "a"}, 2, "tvx: check: unknown option \"--fast\" (try \"tvx check --help\")\n"},
  };
  for (const Case& c : cases) {
    const RunResult r = tvx(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
  }
  const RunResult help = tvx({"check", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: tvx check [--json] BOOK\n", 0), 0u);
}

}  // namespace
