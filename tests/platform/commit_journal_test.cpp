// Replacing a file's content behind a journal: the next open puts back the old
// content of a commit that was cut short, and only from a whole journal of that
// very file; a commit of the ranges its source wrote leaves exactly the source,
// and one cut short at any step leaves exactly the old content, every range of
// it; a commit waits for the file's other users and never replaces the content
// under them.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/io/commit_journal.h"
#include "platform/io/fault_injection.h"
#include "platform/io/share_open.h"
#include "platform/io/written_ranges.h"
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

// The old content: letters, so that every byte a commit writes (capitals, or
// zeros a cut left) differs from it.
std::string oldPattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i * 7 % 26);
  return s;
}

// A commit to try: the file's old content, and what its working copy does to a
// copy of it while the copy's writes are watched.
struct Write {
  uint64_t at;
  std::size_t n;
};
struct CommitCase {
  const char* name;
  std::size_t oldLength;
  int64_t cutTo;  // -1: none; else the working copy is first cut to this length
  std::vector<Write> writes;
  // Kept: the record of the working copy's writes; OtherFile: a record of
  // another file; BookChanged: the book's length changed after the copy was
  // made. For the last two nothing is recorded: all of the copy must go.
  enum Record { Kept, OtherFile, BookChanged } record;
};

struct Prepared {
  std::shared_ptr<WrittenRanges> record;
  std::string old;    // the book before the commit
  std::string fresh;  // the working copy: the book after it
};

Prepared prepare(const CommitCase& c, const std::string& path, const std::string& source,
                 const std::string& other) {
  Prepared p;
  p.old = oldPattern(c.oldLength);
  writeBytes(path, p.old);
  writeBytes(source, p.old);
  writeBytes(other, "x");
  p.record = WrittenRanges::watch((c.record == CommitCase::OtherFile ? other : source).c_str());
  WrittenRanges* told = c.record == CommitCase::Kept ? p.record.get() : nullptr;
  if (c.record == CommitCase::OtherFile) p.record->wrote(0, 1);  // the other file's own write
  p.fresh = p.old;
  const int fd = open(source.c_str(), O_RDWR);
  if (c.cutTo >= 0) {
    if (told) told->cut(static_cast<uint64_t>(c.cutTo));
    EXPECT_EQ(0, ftruncate(fd, c.cutTo));
    p.fresh.resize(static_cast<std::size_t>(c.cutTo));
  }
  for (std::size_t k = 0; k < c.writes.size(); ++k) {
    const Write& w = c.writes[k];
    const std::string bytes(w.n, static_cast<char>('A' + k));
    if (told) told->wrote(w.at, w.n);
    EXPECT_EQ(static_cast<ssize_t>(w.n), pwrite(fd, bytes.data(), w.n, static_cast<off_t>(w.at)));
    if (p.fresh.size() < w.at + w.n) p.fresh.resize(w.at + w.n, '\0');
    p.fresh.replace(w.at, w.n, bytes);
  }
  close(fd);
  if (c.record == CommitCase::BookChanged) {
    p.old += "a later addition";
    writeBytes(path, p.old);
  }
  return p;
}

const CommitCase kCommitCases[] = {
    {"three ranges, same length", 200000, -1, {{0, 10}, {70000, 5000}, {199990, 10}}, CommitCase::Kept},
    {"grows", 200000, -1, {{100, 50}, {150000, 1000}, {200000, 300000}}, CommitCase::Kept},
    {"shrinks", 200000, 120000, {{100, 50}, {60000, 2000}}, CommitCase::Kept},
    {"cut, then grown past the old end", 200000, 50000, {{150000, 100000}}, CommitCase::Kept},
    {"nothing written", 200000, -1, {}, CommitCase::Kept},
    {"a record of another file", 200000, -1, {{70000, 10}}, CommitCase::OtherFile},
    {"the book changed since the copy", 200000, -1, {{70000, 10}}, CommitCase::BookChanged},
};

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

TEST(CommitJournal, ACommitOfWrittenRangesCutShortAtAnyStepLeavesTheOldOrTheNewExactly) {
  const std::string path = scratchPath("ranges_book.bin");
  const std::string source = scratchPath("ranges_work.bin");
  const std::string other = scratchPath("ranges_other.bin");
  const std::string journal = CommitJournal::journalPath(path.c_str());
  for (const CommitCase& c : kCommitCases) {
    // Unhindered: the book becomes the working copy, and the record starts again.
    Prepared p = prepare(c, path, source, other);
    int held = _sopen(path.c_str(), _O_RDWR, _SH_DENYWR);
    ASSERT_GE(held, 0) << c.name;
    std::string why;
    FaultInjection::countOnly();
    EXPECT_EQ(0, CommitJournal::replaceContent(held, path.c_str(), source.c_str(), &why, p.record.get()))
        << c.name << ": " << why;
    const uint64_t steps = FaultInjection::count();
    FaultInjection::disarm();
    _close(held);
    EXPECT_TRUE(fileContents(path) == p.fresh) << c.name << ": the book is not its working copy";
    EXPECT_FALSE(exists(journal)) << c.name;
    if (c.record == CommitCase::Kept) {
      EXPECT_TRUE(p.record->spans().empty()) << c.name;
      EXPECT_EQ(p.fresh.size(), p.record->baseLength()) << c.name;
    } else if (c.record == CommitCase::OtherFile) {
      EXPECT_FALSE(p.record->spans().empty()) << c.name << ": another file's record was reset";
    }

    // Each step failing alone, and each step with everything after it failing
    // (the device gone: the commit cannot undo itself, the next open does).
    int halfWritten = 0;
    for (uint64_t n = 1; n <= steps; ++n) {
      for (bool sticky : {false, true}) {
        p = prepare(c, path, source, other);
        held = _sopen(path.c_str(), _O_RDWR, _SH_DENYWR);
        ASSERT_GE(held, 0) << c.name;
        FaultInjection::failNth(n, FaultInjection::AnyOperation, sticky);
        const int rc = CommitJournal::replaceContent(held, path.c_str(), source.c_str(), &why, p.record.get());
        FaultInjection::disarm();
        _close(held);
        if (exists(journal) && fileContents(path) != p.old) ++halfWritten;
        const int reader = _sopen(path.c_str(), _O_RDONLY, _SH_DENYNO);
        ASSERT_GE(reader, 0) << c.name;
        _close(reader);
        const std::string& expected = rc == 0 ? p.fresh : p.old;
        EXPECT_TRUE(fileContents(path) == expected)
            << c.name << ", step " << n << (sticky ? " and after" : " alone") << " failing: the book is "
            << "neither exactly " << (rc == 0 ? "the new" : "the old") << " content";
        EXPECT_FALSE(exists(journal)) << c.name << ", step " << n;
      }
    }
    // A commit that writes over the book must have been caught half way, so
    // that the journal had every range to put back.
    if (!c.writes.empty()) {
      EXPECT_GT(halfWritten, 0) << c.name;
    }
  }
  unlink(path.c_str());
  unlink(source.c_str());
  unlink(other.c_str());
}

TEST(CommitJournal, AJournalOfRangesIsAppliedOnlyWhenWholeAndOfThatFile) {
  const std::string path = scratchPath("damaged_book.bin");
  const std::string source = scratchPath("damaged_work.bin");
  const std::string other = scratchPath("damaged_other.bin");
  const std::string journal = CommitJournal::journalPath(path.c_str());
  const CommitCase& c = kCommitCases[0];
  // A commit caught after it wrote over part of the book, its journal left.
  std::string halfWritten, whole;
  Prepared p;
  for (uint64_t n = 1; n < 40 && whole.empty(); ++n) {
    p = prepare(c, path, source, other);
    const int held = _sopen(path.c_str(), _O_RDWR, _SH_DENYWR);
    ASSERT_GE(held, 0);
    std::string why;
    FaultInjection::failNth(n, FaultInjection::AnyOperation, true);
    CommitJournal::replaceContent(held, path.c_str(), source.c_str(), &why, p.record.get());
    FaultInjection::disarm();
    _close(held);
    halfWritten = fileContents(path);
    if (exists(journal) && halfWritten != p.old) whole = fileContents(journal);
  }
  ASSERT_FALSE(whole.empty()) << "no commit was caught half way";

  struct Variant {
    const char* name;
    std::size_t at;  // a byte of the journal changed (npos: none)
    bool cut;        // its last byte missing
    bool applied;
  };
  const std::size_t trailer = whole.size() - 48;
  const Variant variants[] = {
      {"whole", std::string::npos, false, true},
      {"cut short by a byte", std::string::npos, true, false},
      {"a byte of the old content changed", 16, false, false},
      {"a range's offset changed", 0, false, false},
      {"the number of records changed", trailer + 16, false, false},
      {"an old length a terabyte past the file", trailer + 8 + 5, false, false},
      {"the inode of another file", trailer + 40, false, false},
  };
  for (const Variant& v : variants) {
    std::string bytes = whole;
    if (v.at != std::string::npos) bytes[v.at] = static_cast<char>(bytes[v.at] ^ 1);
    if (v.cut) bytes.pop_back();
    writeBytes(path, halfWritten);
    writeBytes(journal, bytes);
    const int reader = _sopen(path.c_str(), _O_RDONLY, _SH_DENYNO);
    ASSERT_GE(reader, 0) << v.name;
    _close(reader);
    EXPECT_TRUE(fileContents(path) == (v.applied ? p.old : halfWritten))
        << v.name << ": expected the journal " << (v.applied ? "applied" : "ignored");
    EXPECT_FALSE(exists(journal)) << v.name;
  }
  unlink(path.c_str());
  unlink(source.c_str());
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
