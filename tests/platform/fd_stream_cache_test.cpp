// The descriptor stream's read cache: whatever mix of reads, writes, seeks and
// truncation, a stream with the cache must read what a plain file holds, and the
// file must hold what was written, at the same moments as without the cache.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <string>

#include "platform/fd_stream.h"
#include "platform/system.h"

namespace {

std::string scratchPath(const char* name) {
  char dir[260];
  GetTempPath(sizeof dir, dir);
  std::string path = std::string(dir) + name;
  unlink(path.c_str());
  return path;
}

std::string fileContents(const std::string& path) {
  std::string out;
  int fd = open(path.c_str(), O_RDONLY);
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  close(fd);
  return out;
}

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
        // A read anywhere, possibly past the end.
        const std::size_t at = static_cast<std::size_t>(pick(0, static_cast<int>(limit)));
        const std::size_t n = static_cast<std::size_t>(pick(1, static_cast<int>(3 * pageSize)));
        std::string got(n, '\0');
        s.clear();
        s.seekg(static_cast<std::streamoff>(at));
        s.read(&got[0], static_cast<std::streamsize>(n));
        got.resize(static_cast<std::size_t>(s.gcount()));
        const std::string expected = at < model.size() ? model.substr(at, n) : std::string();
        ASSERT_EQ(expected, got) << "seed " << seed << " step " << step << " read " << n
                                 << " at " << at;
      } else if (op == 8) {
        // Cutting the file shorter.
        const std::size_t length = static_cast<std::size_t>(pick(0, static_cast<int>(model.size())));
        ASSERT_TRUE(s.fdbuf()->truncate(static_cast<std::streamoff>(length)));
        model.resize(length);
      } else {
        s.flush();
        ASSERT_EQ(model, fileContents(path)) << "seed " << seed << " step " << step;
      }
    }
    s.flush();
  }
  close(fd);
  EXPECT_EQ(model, fileContents(path)) << "seed " << seed;
  unlink(path.c_str());
}

TEST(FdStreamCache, ReadsMatchAPlainFileUnderRandomReadsWritesAndTruncation) {
  // Pages of the smallest size and a few slots, so that pages collide, fall
  // short at the end of the file and are replaced all the time.
  const struct {
    std::size_t pageSize;
    std::size_t pages;
  } layouts[] = {{16, 1}, {16, 3}, {64, 8}, {4096, 64}};
  unsigned seed = 1;
  for (const auto& l : layouts) {
    for (int round = 0; round < 3; ++round) runAgainstModel(l.pageSize, l.pages, seed++);
  }
}

TEST(FdStreamCache, WritesReachTheFileWhenTheyWouldWithoutTheCache) {
  const std::string path = scratchPath("fdcache-timing.bin");
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  {
    FdStream s(fd, 16, 4);
    s.write("0123456789", 10);
    s.seekp(4);  // leaving the written bytes: they are written out
    EXPECT_EQ("0123456789", fileContents(path));
    char c = 0;
    s.seekg(2);
    s.get(c);
    EXPECT_EQ('2', c);
    s.seekp(20);
    s.write("xy", 2);
    s.seekg(0);  // a read after a write: the write is out first
    EXPECT_EQ(std::string("0123456789") + std::string(10, '\0') + "xy", fileContents(path));
    std::string all(22, '\0');
    s.read(&all[0], 22);
    EXPECT_EQ(fileContents(path), all) << "the kept short page learnt of the bytes past its end";
  }
  close(fd);
  unlink(path.c_str());
}

}  // namespace
