// Saving books from the command line as people do it: several edits of one
// book started at once, an edit that waits for another writer, a disk that
// fills up under `new`, `import` and `defrag`, and a book reached through links
// or kept private. No edit is lost, a failure says so and leaves nothing behind,
// and the book file stays the file it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "store/middle_level_store.h"
#include "tool_test_support.h"

namespace {

// Runs tvx with files limited to `kilobytes` (the writes beyond fail as on a
// full disk).
RunResult tvxOnFullDisk(const std::vector<std::string>& args, int kilobytes,
                        const std::string& input = std::string()) {
  std::vector<std::string> shell = {"-c",
                                    "trap '' XFSZ; ulimit -f " + std::to_string(kilobytes) +
                                        "; exec \"$0\" \"$@\"",
                                    TVX_BINARY};
  shell.insert(shell.end(), args.begin(), args.end());
  return runProgram("/bin/bash", shell, input);
}

std::vector<std::string> folderNames(const std::string& dir) {
  RunResult r = runProgram("/bin/ls", {"-A", dir});
  std::vector<std::string> names;
  std::string line;
  for (char c : r.out) {
    if (c == '\n') {
      names.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  return names;
}

TEST(TvxSaving, EditsStartedAtOnceAreAllSavedOneAfterAnother) {
  ToolScratch dir;
  const std::string book = dir.file("shared.tvx");
  ASSERT_EQ(0, tvx({"new", book}).status);
  const int writers = 4;
  for (int round = 0; round < 3; ++round) {
    std::vector<std::thread> runs;
    std::vector<RunResult> results(writers);
    for (int w = 0; w < writers; ++w) {
      runs.emplace_back([&, w] {
        results[w] = tvx({"page", "add", book, "R" + std::to_string(round) + "W" + std::to_string(w)});
      });
    }
    for (std::thread& t : runs) t.join();
    const std::string listing = tvx({"ls", book}).out;
    for (int w = 0; w < writers; ++w) {
      const std::string name = "R" + std::to_string(round) + "W" + std::to_string(w);
      EXPECT_EQ(0, results[w].status) << name << ": " << results[w].err;
      EXPECT_NE(std::string::npos, listing.find(name)) << name << " is missing:\n" << listing;
    }
  }
  EXPECT_EQ(0, tvx({"check", book}).status);
}

TEST(TvxSaving, AnEditWaitsForAnotherWriterAndGivesUpWhenToldTo) {
  ToolScratch dir;
  const std::string book = dir.file("held.tvx");
  ASSERT_EQ(0, tvx({"new", book}).status);
  auto* holder = MiddleLevelStore::make(book.c_str(), 2, 0x20);  // read-write, deny write
  ASSERT_EQ(0, setenv("TVX_LOCK_WAIT", "0", 1));
  RunResult refused = tvx({"page", "add", book, "Now"});
  EXPECT_EQ(1, refused.status);
  EXPECT_EQ("tvx: cannot write book '" + book + "': another program holds it open for writing\n",
            refused.err.substr(refused.err.rfind("tvx: cannot")));
  ASSERT_EQ(0, unsetenv("TVX_LOCK_WAIT"));
  std::thread letGo([holder] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    delete holder;
  });
  RunResult waited = tvx({"page", "add", book, "Later"});
  letGo.join();
  EXPECT_EQ(0, waited.status) << waited.err;
  const std::string listing = tvx({"ls", book}).out;
  EXPECT_NE(std::string::npos, listing.find("Later"));
  EXPECT_EQ(std::string::npos, listing.find("Now"));
}

TEST(TvxSaving, AFullDiskIsAFailureThatLeavesNothingHalfMade) {
  ToolScratch dir;
  // new: nothing at the name, so trying again works.
  const std::string book = dir.file("plants.tvx");
  RunResult r = tvxOnFullDisk({"new", book}, 0);
  EXPECT_EQ(1, r.status) << r.err;
  EXPECT_FALSE(fileExists(book));
  EXPECT_EQ(std::vector<std::string>{}, folderNames(dir.path()));
  EXPECT_EQ(0, tvx({"new", book}).status);

  // import: a book too large for the room left is not made, even with --force.
  const std::string big = dir.file("big.tvx");
  const std::string exported = dir.file("exported");
  for (int i = 0; i < 40; ++i) {
    ASSERT_EQ(0, tvx({"page", "add", book, "P" + std::to_string(i)}).status);
    ASSERT_EQ(0, tvx({"put", book, "P" + std::to_string(i), "-"}, sampleBody(std::string(2000, 'a' + i % 26))).status);
  }
  ASSERT_EQ(0, tvx({"export", book, exported}).status);
  r = tvxOnFullDisk({"import", "--force", exported, big}, 40);
  EXPECT_NE(0, r.status) << r.out;
  EXPECT_EQ(std::string::npos, r.out.find("imported")) << r.out;
  EXPECT_FALSE(fileExists(big));

  // An edit that cannot be saved fails and leaves the book as it was.
  const std::string before = readFileBytes(book);
  r = tvxOnFullDisk({"put", book, "P1", "-"}, 40, sampleBody("changed"));
  EXPECT_EQ(1, r.status);
  // Not "another program holds it": the working copy could not be made, and why.
  EXPECT_NE(std::string::npos, r.err.find("': its working copy '")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("' could not be made: File too large\n")) << r.err;
  EXPECT_EQ(before, readFileBytes(book));
  EXPECT_FALSE(fileExists(book + ".commit~"));
  EXPECT_EQ(0, tvx({"check", book}).status);
}

TEST(TvxSaving, EditsAndDefragKeepTheBookFileItsLinksAndItsMode) {
  ToolScratch dir;
  const std::string book = dir.file("private.tvx");
  const std::string hard = dir.file("second-name.tvx");
  const std::string sym = dir.file("link.tvx");
  ASSERT_EQ(0, tvx({"new", book}).status);
  ASSERT_EQ(0, chmod(book.c_str(), 0600));
  ASSERT_EQ(0, link(book.c_str(), hard.c_str()));
  ASSERT_EQ(0, symlink("private.tvx", sym.c_str()));
  struct stat before;
  ASSERT_EQ(0, stat(book.c_str(), &before));
  for (const std::vector<std::string>& edit :
       {std::vector<std::string>{"page", "add", sym, "Through the link"},
        std::vector<std::string>{"page", "add", hard, "Through the second name"},
        std::vector<std::string>{"defrag", sym}}) {
    RunResult r = tvx(edit);
    ASSERT_EQ(0, r.status) << edit[0] << ": " << r.err;
    struct stat after, link;
    ASSERT_EQ(0, stat(book.c_str(), &after));
    ASSERT_EQ(0, lstat(sym.c_str(), &link));
    EXPECT_TRUE(S_ISLNK(link.st_mode)) << edit[0] << ": the link became a file";
    EXPECT_EQ(before.st_ino, after.st_ino) << edit[0];
    EXPECT_EQ(2u, static_cast<unsigned>(after.st_nlink)) << edit[0];
    EXPECT_EQ(0600u, after.st_mode & 0777u) << edit[0];
  }
  const std::string listing = tvx({"ls", book}).out;
  EXPECT_NE(std::string::npos, listing.find("Through the link"));
  EXPECT_NE(std::string::npos, listing.find("Through the second name"));
  EXPECT_EQ((std::vector<std::string>{"link.tvx", "private.tvx", "second-name.tvx"}),
            folderNames(dir.path()));
}

}  // namespace
