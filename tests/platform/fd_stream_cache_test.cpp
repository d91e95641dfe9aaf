// The descriptor stream's page cache: whatever mix of reads, writes, seeks and
// truncation, a stream with the cache must read what a plain file holds; the
// file must hold what was written once it was flushed; a failed write-back must
// be reported for good.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <vector>
#include <string>

#include "platform/io/fault_injection.h"
#include "platform/io/fd_stream.h"
#include "scratch_file_support.h"

namespace {

// Runs random operations on a cached stream and on a model of the file, and
// checks every read against the model and the file against the model after
// every flush.
void runAgainstModel(std::size_t pageSize, std::size_t pages, unsigned seed) {
  const std::string path = scratchPath("fdcache.bin");
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  std::string model;
  {
    FdStream s(fd, pageSize, pages);
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::size_t lastReadEnd = 0;
    for (int step = 0; step < 2000; ++step) {
      const int op = pick(0, 9);
      const std::size_t limit = model.size() + 40;
      if (op < 4) {
        // A write anywhere up to a little past the end (past it leaves zeros).
        const std::size_t at = static_cast<std::size_t>(pick(0, static_cast<int>(limit)));
        std::string bytes(static_cast<std::size_t>(pick(1, static_cast<int>(3 * pageSize))), '\0');
        for (char& c : bytes) c = static_cast<char>('a' + pick(0, 25));
        s.clear();
        s.seekp(static_cast<std::streamoff>(at));
        s.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(s.good()) << "seed " << seed << " step " << step;
        if (model.size() < at) model.resize(at, '\0');
        if (model.size() < at + bytes.size()) model.resize(at + bytes.size(), '\0');
        model.replace(at, bytes.size(), bytes);
      } else if (op < 8) {
        // A read anywhere, possibly past the end; or one a little after where
        // the last read ended, as a reader going through the file in order
        // does (the stream then reads the following pages with it).
        const std::size_t at = pick(0, 1) == 0
            ? static_cast<std::size_t>(pick(0, static_cast<int>(limit)))
            : lastReadEnd + static_cast<std::size_t>(pick(0, static_cast<int>(2 * pageSize)));
        const std::size_t n = static_cast<std::size_t>(pick(1, static_cast<int>(3 * pageSize)));
        std::string got(n, '\0');
        s.clear();
        s.seekg(static_cast<std::streamoff>(at));
        s.read(&got[0], static_cast<std::streamsize>(n));
        got.resize(static_cast<std::size_t>(s.gcount()));
        lastReadEnd = at + got.size();
        const std::string expected = at < model.size() ? model.substr(at, n) : std::string();
        ASSERT_EQ(expected, got) << "seed " << seed << " step " << step << " read " << n
                                 << " at " << at;
      } else if (op == 8) {
        // Cutting the file shorter.
        const std::size_t length = static_cast<std::size_t>(pick(0, static_cast<int>(model.size())));
        ASSERT_TRUE(s.fdbuf()->truncate(static_cast<std::streamoff>(length)));
        model.resize(length);
      } else {
        s.clear();  // a stream left failed by a read past the end would not flush
        s.flush();
        ASSERT_TRUE(s.good()) << "seed " << seed << " step " << step;
        ASSERT_EQ(model, fileContents(path)) << "seed " << seed << " step " << step;
      }
    }
    s.clear();
  }
  close(fd);
  EXPECT_EQ(model, fileContents(path)) << "seed " << seed << ": written by the destructor";
  unlink(path.c_str());
}

TEST(FdStreamCache, ReadsMatchAPlainFileUnderRandomReadsWritesAndTruncation) {
  // Pages of the smallest size and a few slots, so that pages collide, fall
  // short at the end of the file and are replaced all the time; sizes that are
  // powers of two and sizes that are not.
  const struct {
    std::size_t pageSize;
    std::size_t pages;
  } layouts[] = {{16, 1}, {16, 3}, {24, 5}, {64, 8}, {16, 40}, {4096, 64}};
  unsigned seed = 1;
  for (const auto& l : layouts) {
    for (int round = 0; round < 3; ++round) runAgainstModel(l.pageSize, l.pages, seed++);
  }
}

// A second descriptor sees the stream's writes only once they were written
// back: on sync, when their slot is wanted for another page, on truncate and
// when the stream goes. The stream's own answers (reads, length, end) know them
// all along.
TEST(FdStreamCache, DirtyPagesReachTheFileOnlyWhenWrittenBack) {
  const std::string path = scratchPath("fdcache-timing.bin");
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  {
    FdStream s(fd, 16, 4);  // pages 0 and 4 share slot 0
    s.write("0123456789", 10);
    s.seekp(20);
    s.write("xy", 2);
    FaultInjection::countOnly(FaultInjection::Write);
    EXPECT_EQ(22, s.fdbuf()->fileLength());
    s.seekg(0, std::ios::end);
    EXPECT_EQ(22, static_cast<int>(s.tellg()));
    std::string all(22, '?');
    s.seekg(0);
    s.read(&all[0], 22);
    const std::string expected = std::string("0123456789") + std::string(10, '\0') + "xy";
    EXPECT_EQ(expected, all);
    EXPECT_EQ(0u, FaultInjection::count()) << "length, end and reads wrote something";
    EXPECT_EQ("", fileContents(path)) << "written before a sync";

    // Both dirty pages go out in one write.
    EXPECT_EQ(0, s.fdbuf()->pubsync());
    EXPECT_EQ(1u, FaultInjection::count());
    EXPECT_EQ(expected, fileContents(path));

    // Page 4 takes slot 0 from a dirty page 0: page 0 is written, page 4 waits.
    s.seekp(3);
    s.write("A", 1);
    s.seekp(64);
    s.write("B", 1);
    EXPECT_EQ("012A456789" + expected.substr(10), fileContents(path));
    EXPECT_EQ(2u, FaultInjection::count());
    s.seekg(66);  // nothing there: the end is known without the file
    EXPECT_EQ(std::char_traits<char>::eof(), s.get());
    s.clear();
    s.seekg(3);
    EXPECT_EQ('A', s.get());  // page 0 read again from the file; page 4 goes out
    EXPECT_EQ(3u, FaultInjection::count());
    EXPECT_EQ(65u, fileContents(path).size());

    // Truncating writes everything first, then cuts.
    EXPECT_TRUE(s.fdbuf()->truncate(66));
    EXPECT_EQ(66u, fileContents(path).size());
    EXPECT_EQ('B', fileContents(path)[64]);
    s.seekp(65);
    s.write("C", 1);
    FaultInjection::disarm();
  }
  EXPECT_EQ('C', fileContents(path)[65]) << "not written when the stream went";
  close(fd);
  unlink(path.c_str());
}

// Reads of every size over a file whose pages are kept dirty, kept clean or not
// kept give the same bytes; one large read equals byte-by-byte reads.
TEST(FdStreamCache, LargeReadsEqualSmallReadsOverDirtyCleanAndMissingPages) {
  const std::string path = scratchPath("fdcache-large.bin");
  std::string model(10 * 4096 + 123, '\0');
  for (std::size_t i = 0; i < model.size(); ++i) model[i] = static_cast<char>(i * 7 % 253);
  {
    int w = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_EQ(static_cast<ssize_t>(model.size()), write(w, model.data(), model.size()));
    close(w);
  }
  int fd = open(path.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  FdStream s(fd, 4096, 8);
  // Dirty pages 1 and 9 (slot 1 twice: page 1 is written back), page 3 kept
  // clean, a dirty tail past the old end; the rest only in the file.
  const struct {
    std::size_t at;
    std::string bytes;
  } edits[] = {{4096 + 100, "dirty one"}, {3 * 4096 + 5, ""}, {9 * 4096 - 3, "across 8 and 9"},
               {model.size() - 2, "a new tail past the old end"}};
  for (const auto& e : edits) {
    s.seekg(static_cast<std::streamoff>(e.at));
    EXPECT_EQ(model[e.at], static_cast<char>(s.get()));
    if (e.bytes.empty()) continue;
    s.seekp(static_cast<std::streamoff>(e.at));
    s.write(e.bytes.data(), static_cast<std::streamsize>(e.bytes.size()));
    if (model.size() < e.at + e.bytes.size()) model.resize(e.at + e.bytes.size());
    model.replace(e.at, e.bytes.size(), e.bytes);
  }
  ASSERT_TRUE(s.good());
  // Kept pages at both ends of a read (5 and 7), the page between them only in
  // the file: the ends come from the cache, the middle from the file.
  for (std::size_t page : {std::size_t{5}, std::size_t{7}}) {
    s.seekg(static_cast<std::streamoff>(page * 4096 + 1));
    EXPECT_EQ(model[page * 4096 + 1], static_cast<char>(s.get()));
  }
  {
    const std::size_t from = 5 * 4096 + 10, n = 2 * 4096 + 10;
    std::string span(n, '?');
    s.seekg(static_cast<std::streamoff>(from));
    s.read(&span[0], static_cast<std::streamsize>(n));
    EXPECT_TRUE(model.substr(from, n) == span) << "kept ends, middle from the file";
  }
  for (std::size_t start : {std::size_t{0}, std::size_t{4095}, std::size_t{8192 + 17}}) {
    const std::size_t n = model.size() - start;
    std::string large(n + 50, '?');
    s.seekg(static_cast<std::streamoff>(start));
    s.read(&large[0], static_cast<std::streamsize>(large.size()));
    EXPECT_EQ(static_cast<std::streamsize>(n), s.gcount()) << "from " << start;
    large.resize(static_cast<std::size_t>(s.gcount()));
    EXPECT_TRUE(model.substr(start) == large) << "one read from " << start;
    s.clear();
    std::string small;
    s.seekg(static_cast<std::streamoff>(start));
    for (int c; (c = s.get()) != std::char_traits<char>::eof();) small += static_cast<char>(c);
    s.clear();
    EXPECT_TRUE(model.substr(start) == small) << "byte by byte from " << start;
  }
  EXPECT_EQ(0, s.fdbuf()->pubsync());
  EXPECT_TRUE(model == fileContents(path));
  close(fd);
  unlink(path.c_str());
}

// A write-back that fails, at a sync or when a slot is wanted, leaves the file
// as it was, and the stream says so from then on: writeFailed() and sync() -1.
// A flush the hook refuses counts as lost output too; a plain stream keeps its
// pending output for the next flush as before.
TEST(FdStreamCache, AFailedWriteBackIsReportedForGood) {
  const std::string path = scratchPath("fdcache-fail.bin");
  struct Case {
    const char* name;
    unsigned kind;       // what the hook fails
    bool evict;          // the failure comes from a wanted slot, not a sync
    std::size_t pages;   // 0: plain stream
    bool lostForGood;
  };
  const Case cases[] = {
      {"failed write at sync", FaultInjection::Write, false, 4, true},
      {"failed write at eviction", FaultInjection::Write, true, 4, true},
      {"refused flush", FaultInjection::Flush, false, 4, true},
      {"refused flush, plain stream", FaultInjection::Flush, false, 0, false},
  };
  for (const Case& c : cases) {
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    {
      FdStream s(fd, 16, c.pages);
      s.write("old", 3);
      ASSERT_EQ(0, s.fdbuf()->pubsync()) << c.name;
      s.seekp(0);
      s.write("NEW", 3);
      FaultInjection::failNth(1, c.kind);
      int rc = 0;
      if (c.evict) {
        s.seekp(64);  // page 4 takes slot 0 from the dirty page 0
        s.write("x", 1);
      } else {
        rc = s.fdbuf()->pubsync();
      }
      FaultInjection::disarm();
      EXPECT_EQ(c.evict ? 0 : -1, rc) << c.name;
      EXPECT_EQ("old", fileContents(path).substr(0, 3)) << c.name;
      EXPECT_EQ(c.lostForGood, s.fdbuf()->writeFailed()) << c.name;
      EXPECT_EQ(c.lostForGood ? -1 : 0, s.fdbuf()->pubsync()) << c.name << ": the next sync";
    }
    close(fd);
  }
  unlink(path.c_str());
}

// A descriptor open for writing only: no page can be read to be kept, so
// writes inside the file go straight to it, and reads fail as they would.
TEST(FdStreamCache, AWriteOnlyDescriptorWritesAroundTheCache) {
  const std::string path = scratchPath("fdcache-wronly.bin");
  {
    int w = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_EQ(40, write(w, std::string(40, '.').data(), 40));
    close(w);
  }
  int fd = open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  {
    FdStream s(fd, 16, 4);
    s.seekp(10);
    s.write("inside the file", 15);
    EXPECT_TRUE(s.good());
    EXPECT_EQ(std::string(10, '.') + "inside the file" + std::string(15, '.'), fileContents(path));
    s.seekp(40);
    s.write("past its end", 12);  // a page past the end needs no reading: kept
    EXPECT_EQ(52, s.fdbuf()->fileLength());
    s.seekg(0);
    EXPECT_EQ(std::char_traits<char>::eof(), s.get());
    s.clear();
    EXPECT_FALSE(s.fdbuf()->writeFailed());
  }
  EXPECT_EQ(std::string(10, '.') + "inside the file" + std::string(15, '.') + "past its end",
            fileContents(path));
  close(fd);
  unlink(path.c_str());
}

}  // namespace

namespace {

// The bytes a stream reads from `at` on, `n` of them.
std::string readAt(FdStream& s, std::streamoff at, std::size_t n) {
  std::string got(n, '\0');
  s.clear();
  s.seekg(at);
  s.read(&got[0], static_cast<std::streamsize>(n));
  got.resize(static_cast<std::size_t>(s.gcount()));
  return got;
}

}  // namespace

// A store closes and reopens its file at every commit; the pages its stream
// kept go on to the next stream only when they equal the file, and are taken
// only by a stream on that same file, unchanged since.
TEST(FdStreamCache, KeptPagesPassToTheNextStreamOnlyWhileTheyEqualTheFile) {
  const std::string path = scratchPath("fdcache-handover.bin");
  const std::string other = scratchPath("fdcache-handover-other.bin");
  const std::string bytes = std::string(100, 'a') + std::string(100, 'b');

  // Hands over the pages of a stream that wrote `bytes` to `path` and flushed.
  auto written = [&](bool flush) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    std::unique_ptr<FdStreamBuf::KeptPages> kept;
    {
      FdStream s(fd, 16, 8);
      s.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      if (flush) s.flush();
      kept = s.fdbuf()->handOverPages();
      if (kept) {
        // The giver goes on working from the file.
        EXPECT_EQ(bytes.substr(150, 20), readAt(s, 150, 20));
      }
    }
    close(fd);
    return kept;
  };
  EXPECT_EQ(nullptr, written(false)) << "pages not yet written back were handed over";

  {
    // The same file, untouched: the pages are taken, and a page changed after
    // taking it reaches the file (the new stream lists it as its own).
    std::unique_ptr<FdStreamBuf::KeptPages> kept = written(true);
    ASSERT_NE(nullptr, kept);
    const int fd = open(path.c_str(), O_RDWR);
    {
      FdStream s(fd, 16, 8);
      EXPECT_TRUE(s.fdbuf()->adoptPages(std::move(kept)));
      EXPECT_EQ(bytes.substr(180, 20), readAt(s, 180, 20));
      s.clear();
      s.seekp(185);
      s.write("Z", 1);
      s.flush();
      EXPECT_EQ('Z', fileContents(path)[185]);
    }
    close(fd);
  }

  // Files the pages do not belong to: another file, the file grown, the file
  // changed in place (its change time moved) and another page size.
  struct Case {
    const char* label;
    std::function<int()> open;  // the descriptor the taking stream is on
    std::size_t pageSize;
    std::string expected;       // what it must then read at 0 (10 bytes)
  };
  const std::vector<Case> cases = {
      {"another file", [&] {
         const int fd = ::open(other.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
         EXPECT_EQ(200, pwrite(fd, std::string(200, 'o').data(), 200, 0));
         return fd;
       }, 16, std::string(10, 'o')},
      {"grown", [&] {
         const int fd = ::open(path.c_str(), O_RDWR);
         EXPECT_EQ(11, pwrite(fd, "new bytes!!", 11, 200));
         EXPECT_EQ(5, pwrite(fd, "ccccc", 5, 0));
         return fd;
       }, 16, "cccccaaaaa"},
      {"changed in place", [&] {
         const int fd = ::open(path.c_str(), O_RDWR);
         EXPECT_EQ(5, pwrite(fd, "ddddd", 5, 0));
         // Same length: the change time tells (set apart from the handover's,
         // which may fall in the same clock tick).
         const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
         EXPECT_EQ(0, futimens(fd, times));
         return fd;
       }, 16, "dddddaaaaa"},
      {"another page size", [&] { return ::open(path.c_str(), O_RDWR); }, 32, std::string(10, 'a')},
  };
  for (const Case& c : cases) {
    std::unique_ptr<FdStreamBuf::KeptPages> kept = written(true);
    ASSERT_NE(nullptr, kept) << c.label;
    const int fd = c.open();
    ASSERT_GE(fd, 0) << c.label;
    {
      FdStream s(fd, c.pageSize, 8);
      EXPECT_FALSE(s.fdbuf()->adoptPages(std::move(kept))) << c.label;
      EXPECT_EQ(c.expected, readAt(s, 0, 10)) << c.label;
    }
    close(fd);
  }

  // A stream whose output was lost gives nothing away.
  {
    const int fd = open(path.c_str(), O_RDWR | O_TRUNC);
    FdStream s(fd, 16, 8);
    s.write(bytes.data(), 20);
    FaultInjection::failNth(1, FaultInjection::Write);
    s.flush();
    FaultInjection::disarm();
    s.clear();
    EXPECT_EQ(nullptr, s.fdbuf()->handOverPages());
    close(fd);
  }
  // Plain mode has no pages to give or take.
  {
    const int fd = open(path.c_str(), O_RDWR);
    FdStream s(fd, 16, 0);
    EXPECT_EQ(nullptr, s.fdbuf()->handOverPages());
    EXPECT_FALSE(s.fdbuf()->adoptPages(written(true)));
    close(fd);
  }
  unlink(path.c_str());
  unlink(other.c_str());
}

namespace {

// A peek copies the bytes as the stream knows them (changed pages included)
// from kept pages and from the file, leaves the stream where it was, and stops
// at the known end.
TEST(FdStreamCache, PeekAtReadsAsTheStreamKnowsTheFileWithoutMovingIt) {
  const std::string path = scratchPath("fdcache-peek");
  std::string model(10 * 64 + 17, '\0');
  for (std::size_t i = 0; i < model.size(); ++i) model[i] = static_cast<char>('A' + i % 23);
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    ASSERT_EQ(model.size(), std::fwrite(model.data(), 1, model.size(), f));
    std::fclose(f);
  }
  const int fd = ::open(path.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  {
    FdStream s(fd, 64, 4);  // 64-byte pages, 4 slots: most pages are not kept
    s.seekp(3 * 64 + 5);
    s.write("changed", 7);  // a dirty page, still in its put area
    model.replace(3 * 64 + 5, 7, "changed");
    s.seekg(6 * 64);
    char one;
    s.read(&one, 1);  // a clean kept page
    const std::streampos where = s.tellg();
    for (std::streamoff pos : {0, 63, 64 * 3, 64 * 3 + 10, 64 * 5 + 60, 64 * 9, 64 * 10}) {
      for (std::streamsize n : {1, 7, 64, 200, 700}) {
        std::string got(static_cast<std::size_t>(n), '?');
        const std::streamsize count = s.fdbuf()->peekAt(pos, &got[0], n);
        const std::size_t expected =
            std::min(static_cast<std::size_t>(n), model.size() - static_cast<std::size_t>(pos));
        ASSERT_EQ(static_cast<std::streamsize>(expected), count) << pos << "+" << n;
        EXPECT_EQ(model.substr(static_cast<std::size_t>(pos), expected), got.substr(0, expected))
            << pos << "+" << n;
      }
    }
    char none;
    EXPECT_EQ(0, s.fdbuf()->peekAt(static_cast<std::streamoff>(model.size()), &none, 1));
    EXPECT_EQ(-1, s.fdbuf()->peekAt(-1, &none, 1));
    EXPECT_EQ(where, s.tellg()) << "the stream did not move";
    s.read(&one, 1);
    EXPECT_EQ(model[6 * 64 + 1], one);
  }
  ::close(fd);
  EXPECT_EQ(model, fileContents(path));
  std::remove(path.c_str());

  FdStream plain(-1);
  char byte;
  EXPECT_EQ(-1, plain.fdbuf()->peekAt(0, &byte, 1)) << "plain mode does not peek";
}

}  // namespace
