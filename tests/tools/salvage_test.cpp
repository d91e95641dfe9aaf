// Repair on damaged books: blkpack and tvx defrag refuse a book whose ID table
// has lost IDs, listing its problems and leaving it as it was; tvx salvage and
// blkpack --salvage write a new book holding every page whose records are
// whole and keep what they cannot place in lost+found pages; and no repair
// command ends with fewer readable pages than the book had.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/record_content.h"
#include "store/middle_level_store.h"
#include "tests/tools/book_bytes.h"
#include "tests/tools/tool_test_support.h"

using namespace book_bytes;

namespace {

RunResult blkpack(const std::vector<std::string>& args) { return runProgram(BLKPACK_BINARY, args); }

void run(const std::vector<std::string>& args, const std::string& input = std::string()) {
  const RunResult r = tvx(args, input);
  ASSERT_EQ(r.status, 0) << "tvx " << args[0] << ": " << r.err;
}

std::string lastLine(const std::string& text) {
  std::istringstream in(text);
  std::string line, last;
  while (std::getline(in, line)) last = line;
  return last;
}

// A book of `pages` pages (IDs 0 ... pages-1, each with a body, every third
// with an attribute) and a link from each of the first `links` pages to the
// next (IDs pages ...), made in one run of tvx import. With more than 128 IDs
// some buckets of the ID table hold chains.
void makeBook(const ToolScratch& dir, const std::string& book, int pages, int links) {
  const std::string src = dir.file("src-" + std::to_string(pages));
  ASSERT_EQ(std::system(("mkdir -p '" + src + "/pages'").c_str()), 0);
  std::ostringstream m;
  m << "tvx-book 1\nsignature \"#NXST#\"\nversion 1568\nnext-id " << pages + links << "\nhome 0\n";
  for (int p = 0; p < pages; ++p) {
    writeFileBytes(src + "/pages/" + std::to_string(p) + ".map", sampleBody("page " + std::to_string(p)));
    m << "page " << p << "\n  kind " << (p == 0 ? 9 : 1) << "\n  name \"Page " << p
      << "\"\n  type \"Topic\"\n  flags 0\n  body \"pages/" << p << ".map\"\n";
    if (p % 3 == 0) m << "  attr \"URL\" \"https://example.org/" << p << "\"\n";
    if (p <= links) {
      m << "  linklist";
      if (p > 0) m << " \"<this>#$" << pages + p - 1 << "\"";
      if (p < links) m << " \"<this>#$" << pages + p << "\"";
      m << "\n";
    }
  }
  for (int l = 0; l < links; ++l)
    m << "link " << pages + l << "\n  type \"leads to\"\n  end 2 \"<this>#$" << l + 1 << ":Page " << l + 1
      << "\"\n  end 1 \"<this>#$" << l << ":Page " << l << "\"\n";
  writeFileBytes(src + "/book.manifest", m.str());
  run({"import", src, book});
}

// The pages a reader gets from a book through the store: ID -> entry header and
// body, for every page whose header decodes and whose body (if any) parses.
std::map<unsigned, std::string> readablePages(const std::string& book) {
  std::map<unsigned, std::string> out;
  MiddleLevelStore* s = nullptr;
  try {
    s = MiddleLevelStore::make(book.c_str(), 0, 0x40);
  } catch (...) {
    return out;
  }
  std::vector<std::pair<ULONG, ULONG>> ids;
  try {
    s->enumerateRecords(
        [](const ULONG* r, void* c) {
          static_cast<std::vector<std::pair<ULONG, ULONG>>*>(c)->emplace_back(r[0], r[1]);
          return 0;
        },
        &ids);
  } catch (...) {
  }
  auto facet = [&](ULONG id, int f, bool* ok) {
    try {
      if (s->getFacet_noThrow(id, f) == 0) return std::string();
      std::unique_ptr<StoreStream> st = s->find_noThrow(id, f);
      if (!st) {
        *ok = false;
        return std::string();
      }
      return std::string((std::istreambuf_iterator<char>(*st)), std::istreambuf_iterator<char>());
    } catch (...) {
      *ok = false;
      return std::string();
    }
  };
  for (const auto& e : ids) {
    if (!(e.second & 1)) continue;
    bool ok = true;
    const std::string header = facet(e.first, 0, &ok), body = facet(e.first, 1, &ok);
    if (ok && RecordContent::entryHeader(header, nullptr, nullptr, nullptr) &&
        (body.empty() || RecordContent::pageBody(body)))
      out[e.first] = header + "|" + body;
  }
  try {
    delete s;
  } catch (...) {
  }
  return out;
}

std::size_t tableAt(const std::string& b, std::size_t streamOffset) {
  return header(b).indexHandle + 18 + streamOffset;
}
void put16(std::string& b, std::size_t at, uint16_t v) {
  b.at(at) = static_cast<char>(v & 0xFF);
  b.at(at + 1) = static_cast<char>(v >> 8);
}

struct Damage {
  const char* name;
  std::function<void(std::string& b)> apply;
};

// The ID table damage of the issue: each loses IDs the table no longer reaches
// while every page's records stay whole. (The table of a book made by import
// is one block: it grows in place while every ID is made first.)
const std::vector<Damage>& tableDamages() {
  static const std::vector<Damage> d = {
      {"bucket count 128 changed to 1", [](std::string& b) { put16(b, tableAt(b, 15), 1); }},
      {"a bucket's chain cut", [](std::string& b) { put32(b, tableAt(b, 21 + 3 * 36 + 32), 0); }},
      {"entry count one short",
       [](std::string& b) {
         const std::size_t len = header(b).indexHandle + 4;
         put32(b, len, get32(b, len) - 36);
       }},
  };
  return d;
}

TEST(SalvageTest, TableDamageIsRefusedByDefragAndSalvagedWhole) {
  ToolScratch dir;
  const std::string good = dir.file("good.tvx");
  makeBook(dir, good, 140, 5);
  const std::string bytes = readFileBytes(good);
  ASSERT_EQ(tvx({"check", good}).status, 0);
  for (const Damage& d : tableDamages()) {
    SCOPED_TRACE(d.name);
    const std::string book = dir.file("damaged.tvx"), saved = dir.file("saved.tvx");
    std::string b = bytes;
    d.apply(b);
    writeFileBytes(book, b);
    std::remove(saved.c_str());
    for (const std::vector<std::string>& cmd :
         {std::vector<std::string>{BLKPACK_BINARY, book}, std::vector<std::string>{TVX_BINARY, "defrag", book}}) {
      const RunResult r = runProgram(cmd[0], std::vector<std::string>(cmd.begin() + 1, cmd.end()));
      EXPECT_EQ(r.status, 1) << r.out;
      EXPECT_NE(r.out.find(": record is named by no ID but holds an entry header ("), std::string::npos)
          << r.out;
      EXPECT_NE(r.err.find("it was not rewritten; \""), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(" NEW\" copies what it can read into a new book\n"), std::string::npos) << r.err;
      EXPECT_EQ(readFileBytes(book), b) << "the damaged book was changed";
    }
    const RunResult s = tvx({"salvage", book, saved});
    ASSERT_EQ(s.status, 0) << s.err;
    EXPECT_EQ(lastLine(s.out).rfind(saved + ": 145 IDs (140 pages, 5 links): ", 0), 0u) << s.out;
    EXPECT_NE(s.out.find("ID table: damaged ("), std::string::npos) << s.out;
    EXPECT_EQ(readFileBytes(book), b) << "the salvage changed the damaged book";
    for (unsigned id = 0; id < 145; ++id) {
      EXPECT_EQ(kindOf(saved, id), kindOf(good, id)) << "ID " << id;
      for (int f = 0; f < 4; ++f) EXPECT_EQ(facetOf(saved, id, f), facetOf(good, id, f)) << "ID " << id << " facet " << f;
    }
    const RunResult c = tvx({"check", saved});
    EXPECT_EQ(c.status, 0) << c.out;
  }
}

// The one-byte damage the issue found: 7 IDs, the bucket count 128 -> 1.
TEST(SalvageTest, OneByteBookGetsAllSevenIdsBack) {
  ToolScratch dir;
  const std::string good = dir.file("good.tvx"), book = dir.file("one.tvx"), saved = dir.file("all.tvx");
  makeBook(dir, good, 5, 2);
  std::string b = readFileBytes(good);
  put16(b, tableAt(b, 15), 1);
  writeFileBytes(book, b);
  EXPECT_EQ(readablePages(book).size(), 1u);
  const RunResult s = blkpack({"--salvage", book, saved});
  ASSERT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(lastLine(s.out), saved + ": 7 IDs (5 pages, 2 links): 1 through the ID table, 6 found by a walk "
                                     "over the blocks; 1 record kept in lost+found, from " + book);
  EXPECT_EQ(readablePages(saved).size(), 6u);  // five pages and the old table's lost+found page
  EXPECT_EQ(readablePages(good), [&] {
    auto pages = readablePages(saved);
    pages.erase(7);
    return pages;
  }());
}

// What no ID names is kept byte for byte: a page body in the lost+found page's
// body, anything else in its facet 4, with attributes saying where it was.
TEST(SalvageTest, UnreadableRecordsGoToLostAndFoundByteForByte) {
  ToolScratch dir;
  const std::string good = dir.file("good.tvx"), book = dir.file("lost.tvx"), saved = dir.file("kept.tvx");
  makeBook(dir, good, 3, 1);
  std::string b = readFileBytes(good);
  const uint32_t body1 = facetHandle(good, 1, 1), header2 = facetHandle(good, 2, 0);
  put32(b, facetFieldOffset(b, 1, 1), 0);  // page 1's body is named by nothing
  put32(b, facetFieldOffset(b, 2, 0), 0);  // nor page 2's entry header
  writeFileBytes(book, b);
  const RunResult s = tvx({"salvage", book, saved});
  ASSERT_EQ(s.status, 0) << s.err;
  // The lost+found pages take IDs above every other, in file order.
  const unsigned first = 4, second = 5;
  EXPECT_EQ(facetOf(saved, first, 0), std::string("lost+found 1\0lost+found\0" "0", 25));
  EXPECT_NE(s.out.find("lost+found 1 (ID 4): block " + std::to_string(std::min(body1, header2))),
            std::string::npos)
      << s.out;
  const unsigned bodyPage = body1 < header2 ? first : second, headerPage = body1 < header2 ? second : first;
  EXPECT_EQ(facetOf(saved, bodyPage, 1), facetOf(good, 1, 1));
  EXPECT_EQ(facetOf(saved, headerPage, 4), facetOf(good, 2, 0));
  EXPECT_EQ(facetOf(saved, headerPage, 3),
            "\n(V\"found\",\"block " + std::to_string(header2) + "\")\n(V\"bytes\",\"" +
                std::to_string(facetOf(good, 2, 0).size()) +
                "\")\n(V\"holds\",\"an entry header (\\\"Page 2\\\")\"))\n");
  EXPECT_EQ(facetOf(saved, 1, 1), "");
  // What the damage took from the pages stays missing, and the check says so.
  EXPECT_NE(s.out.find("new book: ID 2: page has no entry header\n"), std::string::npos) << s.out;
  EXPECT_EQ(tvx({"check", saved}).out, "ID 2: page has no entry header\n");
}

// The checker's damaged books and the table damage: whatever each repair
// command does, every page readable before is readable after, unchanged.
TEST(SalvageTest, NoRepairCommandEndsWithFewerReadablePages) {
  ToolScratch dir;
  const std::string small = dir.file("small.tvx"), big = dir.file("big.tvx");
  makeBook(dir, small, 4, 2);
  run({"page", "add", small, "Gone"});
  run({"page", "rm", small, "Gone"});  // free space
  makeBook(dir, big, 140, 3);
  const std::string smallBytes = readFileBytes(small), bigBytes = readFileBytes(big);
  const Header h = header(smallBytes);
  const std::vector<BlockAt> all = blocks(smallBytes);
  const uint32_t body0 = facetHandle(small, 0, 1), body1 = facetHandle(small, 1, 1),
                 header0 = facetHandle(small, 0, 0);
  ASSERT_NE(h.freeList, 0u);
  std::vector<std::pair<const std::string*, Damage>> cases = {
      {&smallBytes, {"truncated file", [](std::string& b) { b.resize(b.size() - 10); }}},
      {&smallBytes, {"changed trailer", [&](std::string& b) { put32(b, all[1].handle + all[1].size - 4, 1); }}},
      {&smallBytes, {"chain that loops", [&](std::string& b) { put32(b, body0 + 8, body0); }}},
      {&smallBytes, {"facet naming a free block", [&](std::string& b) { put32(b, facetFieldOffset(b, 0, 1), h.freeList); }}},
      {&smallBytes, {"record named twice", [&](std::string& b) { put32(b, facetFieldOffset(b, 1, 0), header0); }}},
      {&smallBytes, {"block marked free", [&](std::string& b) { b[body1 + 16] = static_cast<char>(b[body1 + 16] | 1); }}},
      {&smallBytes, {"body that does not parse", [&](std::string& b) { b[body0 + 18] = 'X'; }}},
      {&smallBytes, {"ID in the wrong bucket", [&](std::string& b) { put32(b, facetFieldOffset(b, 0, 0) - 8, 129); }}},
  };
  for (const Damage& d : tableDamages()) cases.push_back({&bigBytes, d});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.second.name);
    std::string b = *c.first;
    c.second.apply(b);
    const std::string damaged = dir.file("damaged.tvx");
    writeFileBytes(damaged, b);
    const std::map<unsigned, std::string> before = readablePages(damaged);
    struct Command {
      std::string program;
      std::vector<std::string> args;
      bool makesNew;
    };
    const std::string book = dir.file("book.tvx"), fresh = dir.file("new.tvx");
    const std::vector<Command> commands = {
        {BLKPACK_BINARY, {book}, false},
        {TVX_BINARY, {"defrag", book}, false},
        {TVX_BINARY, {"salvage", book, fresh}, true},
        {BLKPACK_BINARY, {"--salvage", book, fresh}, true},
    };
    for (const Command& cmd : commands) {
      SCOPED_TRACE(cmd.args[0]);
      writeFileBytes(book, b);
      std::remove(fresh.c_str());
      const RunResult r = runProgram(cmd.program, cmd.args);
      ASSERT_TRUE(r.status == 0 || r.status == 1) << r.err;
      if (cmd.makesNew) {
        EXPECT_EQ(r.status, 0) << r.err;
      }
      const std::map<unsigned, std::string> after = readablePages(cmd.makesNew ? fresh : book);
      for (const auto& page : before) {
        auto it = after.find(page.first);
        EXPECT_TRUE(it != after.end() && it->second == page.second)
            << "page " << page.first << " is no longer readable as it was";
      }
    }
  }
}

// Damage anywhere and every truncation: the salvage ends with a new book (or
// one error line), never a crash, and the new book opens.
TEST(SalvageTest, SurvivesRandomDamageAndTruncation) {
  ToolScratch dir;
  const std::string good = dir.file("good.tvx");
  makeBook(dir, good, 4, 2);
  const std::string bytes = readFileBytes(good);
  std::mt19937 rng(29);
  std::vector<std::string> images;
  for (int round = 0; round < 30; ++round) {
    std::string b = bytes;
    const int hits = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < hits; ++i) {
      const std::size_t at = rng() % b.size();
      if (rng() % 2)
        b[at] = static_cast<char>(rng());
      else if (at + 4 <= b.size())
        put32(b, at, static_cast<uint32_t>(rng() % (b.size() + 100)));
    }
    images.push_back(b);
  }
  for (std::size_t cut = 0; cut < bytes.size(); cut += 211) images.push_back(bytes.substr(0, cut));
  const std::string book = dir.file("random.tvx"), saved = dir.file("saved.tvx");
  for (std::size_t i = 0; i < images.size(); ++i) {
    SCOPED_TRACE("image " + std::to_string(i));
    writeFileBytes(book, images[i]);
    std::remove(saved.c_str());
    const RunResult r = tvx({"salvage", book, saved});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
    if (r.status == 0) {
      EXPECT_EQ(tvx({"ls", saved}).status, 0);
    }
  }
}

TEST(SalvageTest, CommandLine) {
  ToolScratch dir;
  const std::string book = dir.file("a.tvx"), taken = dir.file("b.tvx");
  run({"new", book});
  run({"new", taken});
  struct Case {
    std::string program;
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const std::vector<Case> cases = {
      {TVX_BINARY, {"salvage", book}, 2, "tvx: salvage: missing arguments (try \"tvx salvage --help\")\n"},
      {TVX_BINARY, {"salvage", book, taken}, 1, "tvx: " + taken + " already exists (salvage makes a new book)\n"},
      {TVX_BINARY, {"salvage", book, book}, 1, "tvx: " + book + " already exists (salvage makes a new book)\n"},
      {BLKPACK_BINARY, {"--salvage", book}, 2,
       "blkpack: --salvage expects a book file and a new one (try \"blkpack --help\")\n"},
      {BLKPACK_BINARY, {"--salvage", book, taken}, 1,
       "blkpack: " + taken + " already exists (salvage makes a new book)\n"},
      {BLKPACK_BINARY, {"--salvage", dir.file("absent.tvx"), dir.file("c.tvx")}, 1,
       "blkpack: cannot open " + dir.file("absent.tvx") + ": No such file or directory\n"},
  };
  for (const Case& c : cases) {
    const RunResult r = runProgram(c.program, c.args);
    EXPECT_EQ(r.status, c.status) << c.args[0];
    EXPECT_EQ(r.err, c.err);
  }
  EXPECT_FALSE(fileExists(dir.file("c.tvx")));
  EXPECT_EQ(tvx({"salvage", "--help"}).out.rfind("usage: tvx salvage BOOK NEW\n", 0), 0u);
}

}  // namespace
