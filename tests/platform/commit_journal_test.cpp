// Replacing a file's content behind a journal: the next open puts back the old
// content of a commit that was cut short, and only from a whole journal of that
// very file; a commit waits for the file's other users and never replaces the
// content under them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/io/commit_journal.h"
#include "platform/io/share_open.h"
#include "scratch_file_support.h"

namespace {

std::string le64(uint64_t v) {
  std::string s(8, '\0');
  for (int i = 0; i < 8; ++i) s[i] = static_cast<char>(v >> (8 * i));
  return s;
}

// A journal of `old` for the file at `path` as a commit writes it.
std::string journalFor(const std::string& path, const std::string& old) {
  struct stat st;
  stat(path.c_str(), &st);
  return old + std::string("#CJRN#\0\0", 8) + le64(old.size()) +
         le64(static_cast<uint64_t>(st.st_dev)) + le64(static_cast<uint64_t>(st.st_ino));
}

TEST(CommitJournal, TheNextOpenUndoesACommitCutShortOnlyFromAWholeJournalOfThatFile) {
  struct Case {
    const char* name;
    bool whole;        // a trailer that names the file
    bool otherFile;    // the trailer names another inode
    bool cut;          // the trailer is missing its last byte
    const char* expected;
  };
  const Case cases[] = {
      {"whole journal", true, false, false, "the old content"},
      {"journal cut short", true, false, true, "half new"},
      {"no trailer", false, false, false, "half new"},
      {"journal of another file", true, true, false, "half new"},
  };
  const std::string path = scratchPath("journal_book.bin");
  const std::string other = scratchPath("journal_other.bin");
  for (const Case& c : cases) {
    writeBytes(path, "half new");
    writeBytes(other, "x");
    std::string journal = c.whole ? journalFor(c.otherFile ? other : path, "the old content")
                                  : std::string("the old content");
    if (c.cut) journal.pop_back();
    writeBytes(CommitJournal::journalPath(path.c_str()), journal);

    const int fd = _sopen(path.c_str(), _O_RDONLY, _SH_DENYNO);
    ASSERT_GE(fd, 0) << c.name;
    _close(fd);
    EXPECT_EQ(c.expected, fileContents(path)) << c.name;
    EXPECT_NE(0, access(CommitJournal::journalPath(path.c_str()).c_str(), F_OK))
        << c.name << ": the journal is still there";
  }
  unlink(path.c_str());
  unlink(other.c_str());
}

TEST(CommitJournal, ACommitWaitsForTheFilesOtherUsersAndGivesUpInTime) {
  const std::string path = scratchPath("journal_wait.bin");
  const std::string source = scratchPath("journal_source.bin");
  writeBytes(path, "old content, longer than the new");
  writeBytes(source, "new content");
  const int held = _sopen(path.c_str(), _O_RDWR, _SH_DENYWR);
  ASSERT_GE(held, 0);
  const int saved = CommitJournal::waitMilliseconds();

  // A reader that stays: the commit gives up and the content is the old.
  const int reader = _sopen(path.c_str(), _O_RDONLY, _SH_DENYNO);
  ASSERT_GE(reader, 0);
  CommitJournal::setWaitMilliseconds(100);
  std::string why;
  EXPECT_EQ(-1, CommitJournal::replaceContent(held, path.c_str(), source.c_str(), &why));
  EXPECT_EQ("other programs have it open", why);
  EXPECT_EQ("old content, longer than the new", fileContents(path));

  // A reader that goes after a while: the commit waits for it, then replaces
  // the whole content (a shorter one leaves nothing of the old behind).
  CommitJournal::setWaitMilliseconds(10000);
  std::thread leaving([reader] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    _close(reader);
  });
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(0, CommitJournal::replaceContent(held, path.c_str(), source.c_str(), &why)) << why;
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(100));
  leaving.join();
  EXPECT_EQ("new content", fileContents(path));
  EXPECT_NE(0, access(CommitJournal::journalPath(path.c_str()).c_str(), F_OK));

  // After the commit the holder is an ordinary user again: others may read.
  const int later = _sopen(path.c_str(), _O_RDONLY, _SH_DENYNO);
  EXPECT_GE(later, 0);
  if (later >= 0) _close(later);
  CommitJournal::setWaitMilliseconds(saved);
  _close(held);
  unlink(path.c_str());
  unlink(source.c_str());
}

TEST(ShareOpen, OfTwoOpensThatRefuseEachOtherOnlyOneEverSucceeds) {
  // Opens racing from two threads: both deny writing and both write.
  const std::string path = scratchPath("share_race.bin");
  writeBytes(path, "x");
  int bothIn = 0;
  for (int round = 0; round < 2000 && bothIn == 0; ++round) {
    int a = -1, b = -1;
    std::atomic<int> ready{0};
    auto openWhenBothReady = [&](int* fd) {
      ready.fetch_add(1);
      while (ready.load() < 2) {
      }
      *fd = _sopen(path.c_str(), _O_RDWR, _SH_DENYWR);
    };
    std::thread ta(openWhenBothReady, &a);
    std::thread tb(openWhenBothReady, &b);
    ta.join();
    tb.join();
    if (a >= 0 && b >= 0) bothIn = round + 1;
    if (a >= 0) _close(a);
    if (b >= 0) _close(b);
  }
  EXPECT_EQ(0, bothIn) << "both writers got in, in round " << bothIn;
  unlink(path.c_str());
}

}  // namespace
