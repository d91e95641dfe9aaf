// Edits on damaged books: every editing command, run on each kind of damage the
// integrity check's own tests make, either refuses (exit 1, the book's bytes as
// they were) or leaves every page it was not asked to change reading back byte
// for byte as before; with --force as well, and a record that another ID names
// is never freed. Without --force, damage to the ID table or the free list, or
// to a page the command changes, is always refused.
#include <gtest/gtest.h>

#include <functional>
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

// Pages 0 "Alpha" (home, body, attribute), 1 "Beta" (body), 5 "Delta" (body);
// link 3 from Alpha to Beta; page 2 and link 4 were made and deleted, so the
// book has free blocks.
void makeBook(const std::string& book) {
  run({"new", book});
  run({"page", "add", book, "Alpha"});
  run({"page", "add", book, "Beta"});
  run({"page", "add", book, "Gamma"});
  run({"link", "add", book, "Alpha", "Beta"});
  run({"link", "add", book, "Beta", "Gamma"});
  run({"page", "add", book, "Delta"});
  run({"put", book, "Alpha", "-"}, sampleBody("alpha"));
  run({"put", book, "Beta", "-"}, sampleBody("beta"));
  run({"put", book, "Delta", "-"}, sampleBody("delta"));
  run({"attr", book, "Alpha", "URL", "https://example.org/alpha"});
  run({"home", book, "Alpha"});
  run({"page", "rm", book, "Gamma"});
}

const unsigned kPages[] = {0, 1, 5};

// What a reader gets of each page: entry header, body, link list, attributes.
std::vector<std::string> pageFacets(const std::string& book, unsigned id) {
  std::vector<std::string> out;
  for (int f : {0, 1, 2, 3}) out.push_back(facetOf(book, id, f));
  return out;
}

TEST(DamagedEditTest, EveryEditRefusesOrLeavesTheOtherPagesAsTheyWere) {
  ToolScratch dir;
  const std::string good = dir.file("good.tvx");
  makeBook(good);
  const std::string bytes = readFileBytes(good);
  const Header h = header(bytes);
  ASSERT_NE(h.freeList, 0u);
  const uint32_t alphaBody = facetHandle(good, 0, 1);
  const uint32_t alphaHeader = facetHandle(good, 0, 0);
  const uint32_t deltaBody = facetHandle(good, 5, 1);
  const std::string body = sampleBody("a new body, longer than the one it replaces");

  const int kWholeBook = -1;
  struct Damage {
    const char* name;
    int entry;  // the page whose records are damaged, or kWholeBook for the ID table or free list
    std::function<void(std::string& b)> apply;
  };
  const std::vector<Damage> damages = {
      // The case that was found: an unused facet naming another page's body.
      {"unused facet naming another page's body", kWholeBook,
       [&](std::string& b) { put32(b, facetFieldOffset(b, 5, 5), alphaBody); }},
      {"body named by two pages", kWholeBook, [&](std::string& b) { put32(b, facetFieldOffset(b, 5, 1), alphaBody); }},
      {"entry header named twice", kWholeBook, [&](std::string& b) { put32(b, facetFieldOffset(b, 1, 0), alphaHeader); }},
      {"facet naming a free block", kWholeBook, [&](std::string& b) { put32(b, facetFieldOffset(b, 5, 3), h.freeList); }},
      {"facet naming the middle of a block", 5,
       [&](std::string& b) { put32(b, facetFieldOffset(b, 5, 3), alphaBody + 2); }},
      {"chain running into another record", 5, [&](std::string& b) { put32(b, deltaBody + 8, alphaBody); }},
      {"chain that loops", 5, [&](std::string& b) { put32(b, deltaBody + 8, deltaBody); }},
      {"free list through a live record", kWholeBook, [&](std::string& b) { put32(b, h.freeList + 8, alphaBody); }},
  };
  struct Edit {
    std::vector<std::string> args;  // BOOK stands for the book's path
    std::vector<unsigned> changes;  // the pages it is asked to change (and checks)
  };
  const std::vector<Edit> edits = {
      {{"page", "add", "BOOK", "Epsilon"}, {}},
      {{"page", "rm", "BOOK", "Delta"}, {5}},
      {{"page", "rm", "BOOK", "Beta"}, {0, 1}},
      {{"page", "rename", "BOOK", "Delta", "D"}, {5}},
      {{"page", "retype", "BOOK", "Delta", "Topic"}, {5}},
      {{"put", "BOOK", "Delta", "-"}, {5}},
      {{"put", "BOOK", "Zeta", "-"}, {}},
      {{"attr", "BOOK", "Delta", "Note", "a value"}, {5}},
      {{"attr", "--rm", "BOOK", "Alpha", "URL"}, {0}},
      {{"link", "add", "BOOK", "Delta", "Beta"}, {1, 5}},
      {{"link", "rm", "BOOK", "3"}, {0, 1}},
      {{"home", "BOOK", "Delta"}, {5}},
  };
  const std::string book = dir.file("damaged.tvx");
  for (const Damage& d : damages) {
    std::string damaged = bytes;
    d.apply(damaged);
    writeFileBytes(book, damaged);
    ASSERT_EQ(tvx({"check", book}).status, 1) << d.name << ": the damage should be found";
    std::vector<std::vector<std::string>> before;
    for (unsigned p : kPages) before.push_back(pageFacets(book, p));
    for (const Edit& e : edits) {
      for (bool force : {false, true}) {
        std::vector<std::string> args;
        for (const std::string& a : e.args) args.push_back(a == "BOOK" ? book : a);
        if (force) args.insert(args.begin() + (args[0] == "page" || args[0] == "link" ? 2 : 1), "--force");
        SCOPED_TRACE(std::string(d.name) + ": tvx " + args[0] + " " + args[1] + " " + args[2]);
        writeFileBytes(book, damaged);
        const RunResult r = tvx(args, body);
        EXPECT_TRUE(r.status == 0 || r.status == 1) << r.status << "\n" << r.err;
        EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
        bool touched = d.entry == kWholeBook;
        for (unsigned c : e.changes) touched = touched || static_cast<int>(c) == d.entry;
        if (!force && touched) {
          // Refused, with the checker's words and the way out.
          EXPECT_EQ(r.status, 1) << r.out;
          EXPECT_EQ(r.err.rfind("tvx: cannot edit '" + book + "', it is damaged: ", 0), 0u) << r.err;
          EXPECT_NE(r.err.find("\"blkpack " + book + "\" rewrites a book once only minor problems "
                               "remain; --force edits it as it is\n"),
                    std::string::npos)
              << r.err;
        }
        if (r.status != 0) {
          EXPECT_EQ(readFileBytes(book), damaged) << "a refused edit changed the book";
          continue;
        }
        for (std::size_t i = 0; i < before.size(); ++i) {
          const unsigned p = kPages[i];
          bool asked = false;
          for (unsigned c : e.changes) asked = asked || c == p;
          if (asked) continue;
          // What could be read before reads the same (a facet the damage had made
          // unreadable holds no data to lose).
          const std::vector<std::string> after = pageFacets(book, p);
          for (std::size_t f = 0; f < after.size(); ++f) {
            if (before[i][f] != "<error>") {
              EXPECT_EQ(after[f], before[i][f]) << "page " << p << " facet " << f;
            }
          }
        }
      }
    }
  }
}

// The refusal names the checker's first problems, and further ones by count.
TEST(DamagedEditTest, RefusalListsTheFirstProblems) {
  ToolScratch dir;
  const std::string book = dir.file("shared.tvx");
  makeBook(book);
  std::string b = readFileBytes(book);
  const uint32_t alphaBody = facetHandle(book, 0, 1);
  for (int f : {4, 5}) put32(b, facetFieldOffset(b, 5, f), alphaBody);
  for (int f : {4, 5}) put32(b, facetFieldOffset(b, 1, f), alphaBody);
  writeFileBytes(book, b);
  const RunResult r = tvx({"page", "rm", book, "1"});
  EXPECT_EQ(r.status, 1);
  const std::string a = std::to_string(alphaBody);
  EXPECT_EQ(r.err,
            "tvx: cannot edit '" + book + "', it is damaged: ID 1: facet 4 names record " + a +
                ", also named by ID 0 facet 1\n"
                "tvx: cannot edit '" + book + "', it is damaged: ID 1: facet 5 names record " + a +
                ", also named by ID 0 facet 1\n"
                "tvx: cannot edit '" + book + "', it is damaged: ID 5: facet 4 names record " + a +
                ", also named by ID 0 facet 1\n"
                "tvx: ... and 1 further problem: \"tvx check " + book + "\" lists them all\n"
                "tvx: \"blkpack " + book + "\" rewrites a book once only minor problems remain; "
                "--force edits it as it is\n");
  // With --force the edit goes on, and the store refuses to free the shared body.
  const RunResult forced = tvx({"page", "rm", "--force", book, "1"});
  EXPECT_EQ(forced.status, 1);
  EXPECT_NE(forced.err.find("Record named by another ID: Record " + a + " is also named by ID "),
            std::string::npos)
      << forced.err;
  EXPECT_EQ(readFileBytes(book), b);
}

}  // namespace
