// blkpack and tvx defrag: a fragmented book comes out with every record in one
// block and no free space, every page, link, attribute and body unchanged
// (export before and after compare equal), no larger, and sound; a book held
// open by another program, or a damaged one, is refused and left as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

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

// Every file of a folder, by path relative to it, with its bytes.
std::map<std::string, std::string> folder(const std::string& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
    if (e.is_regular_file())
      out[std::filesystem::relative(e.path(), dir).string()] = readFileBytes(e.path().string());
  return out;
}

std::vector<std::string> namesIn(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

// The top of the source tree, as the build gives it (a compiler cache may
// have made __FILE__ relative).
std::string sourceRoot() { return TVX_SOURCE_DIR "/"; }

std::string bodyOfSize(const std::string& author, std::size_t extra) {
  return sampleBody(author + std::string(extra, 'x'));
}

// A book whose records are spread over many blocks: bodies rewritten longer in
// turns, so each grows by linking blocks behind the others; attributes,
// links, and a deleted page that leaves free space.
void makeFragmentedBook(const std::string& book) {
  run({"new", book});
  const std::vector<std::string> pages = {"Roots", "Stems", "Leaves", "Flowers", "Seeds", "Fruit"};
  for (const std::string& p : pages) run({"page", "add", "--type", "Organ", book, p});
  for (std::size_t round = 1; round <= 4; ++round)
    for (const std::string& p : pages) run({"put", book, p, "-"}, bodyOfSize(p, round * 60));
  run({"link", "add", "--type", "feeds", book, "Roots", "Stems"});
  run({"link", "add", "--type", "carries", book, "Stems", "Leaves"});
  run({"link", "add", book, "Flowers", "Seeds"});
  run({"link", "add", book, "Seeds", "Fruit"});
  run({"attr", book, "Roots", "URL", "https://example.org/roots"});
  run({"attr", book, "Leaves", "Colour", "green"});
  run({"home", book, "Roots"});
  // Page bodies grown in turns, as a page window saving longer and longer
  // texts would: each growth links another block behind the other records.
  // (Blank lines after a page's map text are read as nothing.)
  MiddleLevelStore* store = MiddleLevelStore::make(book.c_str(), 2, 0x20);
  for (int round = 0; round < 3; ++round) {
    for (unsigned id = 0; id < 5; ++id) {
      std::unique_ptr<StoreStream> body = store->find(id, 1);
      body->seekp(0, std::ios::end);
      const std::string blank(1500 + 100 * id, '\n');
      body->write(blank.data(), static_cast<std::streamsize>(blank.size()));
    }
  }
  delete store;
  run({"page", "rm", book, "Fruit"});
}

TEST(BlkpackTest, PackedBookKeepsEverythingInOneBlockPerRecord) {
  ToolScratch dir;
  const std::string book = dir.file("plants.tvx");
  makeFragmentedBook(book);
  const std::string before = readFileBytes(book);
  bool chained = false, freeSpace = false;
  for (const BlockAt& b : blocks(before)) {
    chained = chained || (b.next != 0 && !(b.marks & 1));
    freeSpace = freeSpace || (b.marks & 1);
  }
  ASSERT_TRUE(chained) << "the test book should have records of several blocks";
  ASSERT_TRUE(freeSpace) << "the test book should have free blocks";
  run({"export", book, dir.file("before")});

  const RunResult r = blkpack({book});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string after = readFileBytes(book);
  EXPECT_EQ(r.out, book + ": 8 IDs, 23 records, " + std::to_string(before.size()) + " -> " +
                       std::to_string(after.size()) + " bytes\n");
  EXPECT_EQ(r.err, "");
  EXPECT_LE(after.size(), before.size());
  for (const BlockAt& b : blocks(after)) {
    EXPECT_EQ(b.next, 0u) << "block " << b.handle << " continues a record";
    EXPECT_EQ(b.marks & 1, 0) << "block " << b.handle << " is free";
  }
  EXPECT_EQ(header(after).freeList, 0u);
  EXPECT_EQ(header(after).nextId, header(before).nextId);

  const RunResult check = tvx({"check", book});
  EXPECT_EQ(check.status, 0) << check.out;
  run({"export", book, dir.file("after")});
  EXPECT_EQ(folder(dir.file("before")), folder(dir.file("after")));
  const RunResult info = tvx({"info", book});
  EXPECT_NE(info.out.find("fragmentation index 1.00\n"), std::string::npos) << info.out;
  // Nothing is left beside the book.
  EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"after", "before", "plants.tvx"}));
}

TEST(BlkpackTest, DefragIsTheSameProgramAndPackingTwiceChangesNothing) {
  ToolScratch dir;
  const std::string a = dir.file("a.tvx"), b = dir.file("b.tvx");
  makeFragmentedBook(a);
  writeFileBytes(b, readFileBytes(a));
  ASSERT_EQ(blkpack({a}).status, 0);
  const RunResult d = tvx({"defrag", b});
  ASSERT_EQ(d.status, 0) << d.err;
  EXPECT_EQ(readFileBytes(a), readFileBytes(b));
  const std::string packed = readFileBytes(a);
  ASSERT_EQ(blkpack({a}).status, 0);
  EXPECT_EQ(readFileBytes(a), packed);
}

TEST(BlkpackTest, ExampleBookPacksWithoutChange) {
  ToolScratch dir;
  const std::string book = dir.file("solar.tvx");
  run({"import", sourceRoot() + "examples/solar-system", book});
  const std::string before = readFileBytes(book);
  run({"export", book, dir.file("before")});
  ASSERT_EQ(blkpack({book}).status, 0);
  EXPECT_LE(readFileBytes(book).size(), before.size());
  run({"export", book, dir.file("after")});
  EXPECT_EQ(folder(dir.file("before")), folder(dir.file("after")));
}

TEST(BlkpackTest, RefusesBookHeldOpenByAnotherProgram) {
  ToolScratch dir;
  const std::string book = dir.file("held.tvx");
  makeFragmentedBook(book);
  const std::string before = readFileBytes(book);
  // The book database holds a book it works on open with share mode 0x20.
  MiddleLevelStore* holder = MiddleLevelStore::make(book.c_str(), 2, 0x20);
  const RunResult r = blkpack({book});
  const RunResult d = tvx({"defrag", book});
  delete holder;
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "blkpack: cannot open " + book +
                       " for exclusive use (Bad stream: Permission denied); is another program "
                       "holding it open?\n");
  EXPECT_EQ(d.status, 1);
  EXPECT_EQ(d.err, "tvx: cannot open " + book +
                       " for exclusive use (Bad stream: Permission denied); is another program "
                       "holding it open?\n");
  EXPECT_EQ(readFileBytes(book), before);
  EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"held.tvx"}));
}

// Space that no facet names any more loses nothing: the book is packed and the
// space is gone.
TEST(BlkpackTest, LostSpaceIsDroppedNotRefused) {
  ToolScratch dir;
  const std::string book = dir.file("lost.tvx");
  makeFragmentedBook(book);
  run({"export", book, dir.file("before")});
  MiddleLevelStore* store = MiddleLevelStore::make(book.c_str(), 2, 0x20);
  store->insert(2, 5, 100).reset();  // a record in facet 5 ...
  const uint32_t orphan = store->getFacet(2, 5);
  store->updateHashRec(2, 5, 0);     // ... that nothing names any more
  delete store;
  const RunResult c = tvx({"check", book});
  EXPECT_EQ(c.status, 1);
  EXPECT_EQ(c.out, "block " + std::to_string(orphan) + ": record is named by no ID (lost space)\n");
  const RunResult r = blkpack({book});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(tvx({"check", book}).status, 0);
  run({"export", book, dir.file("after")});
  EXPECT_EQ(folder(dir.file("before")), folder(dir.file("after")));
}

TEST(BlkpackTest, RefusesDamagedBookAndLeavesIt) {
  ToolScratch dir;
  const std::string book = dir.file("damaged.tvx");
  makeFragmentedBook(book);
  std::string bytes = readFileBytes(book);
  const BlockAt first = blocks(bytes).front();
  put32(bytes, first.handle + first.size - 4, 99);
  writeFileBytes(book, bytes);
  const RunResult r = blkpack({book});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "blkpack: " + book + " has problems (1, first: block " +
                       std::to_string(first.handle) + ": trailer 99 does not match the block size " +
                       std::to_string(first.size) + "); run \"tvx check\" on it; it was not rewritten; "
                       "\"blkpack --salvage " + book + " NEW\" copies what it can read into a new book\n");
  EXPECT_EQ(r.out, "block " + std::to_string(first.handle) + ": trailer 99 does not match the block size " +
                       std::to_string(first.size) + "\n");
  EXPECT_EQ(readFileBytes(book), bytes);
  EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"damaged.tvx"}));
}

TEST(BlkpackTest, CommandLine) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{}, 2, "blkpack: expected one book file (try \"blkpack --help\")\n"},
      {{"a.tvx", "b.tvx"}, 2, "blkpack: expected one book file (try \"blkpack --help\")\n"},
      {{"--quick"}, 2, "blkpack: expected one book file (try \"blkpack --help\")\n"},
  };
  for (const Case& c : cases) {
    const RunResult r = blkpack(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
  }
  EXPECT_EQ(blkpack({"--help"}).out.rfind("usage: blkpack BOOK\n", 0), 0u);
  EXPECT_EQ(blkpack({"--version"}).out, "blkpack " TVX_VERSION "\n");
  const RunResult missing = blkpack({"/nonexistent/book.tvx"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err.rfind("blkpack: cannot open /nonexistent/book.tvx for exclusive use", 0), 0u)
      << missing.err;
}

}  // namespace
