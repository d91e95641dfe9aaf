// The record of a watched file's writes: whatever a descriptor stream does to
// the file (writes anywhere, truncation, growth, in both of its modes), every
// byte that differs from the content it was watched with lies in a recorded
// span or at or past the least length the file had; and however scattered the
// writes, the record stays within its bound and still covers them all.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/io/fd_stream.h"
#include "platform/io/written_ranges.h"
#include "scratch_file_support.h"

namespace {

// The offsets where `now` differs from `before` (bytes missing from one count)
// that neither lie in a span nor at or past `lowest`.
std::vector<std::size_t> uncovered(const std::string& before, const std::string& now,
                                   const std::vector<WrittenRanges::Span>& spans, uint64_t lowest) {
  std::vector<std::size_t> out;
  const std::size_t n = std::max(before.size(), now.size());
  for (std::size_t i = 0; i < n; ++i) {
    const bool same = i < before.size() && i < now.size() && before[i] == now[i];
    if (same || i >= lowest) continue;
    bool inSpan = false;
    for (const WrittenRanges::Span& s : spans) inSpan = inSpan || (i >= s.offset && i < s.offset + s.length);
    if (!inSpan) out.push_back(i);
  }
  return out;
}

TEST(WrittenRanges, EveryByteAStreamChangesIsCoveredInBothModes) {
  struct Mode {
    const char* name;
    std::size_t pageSize;
    std::size_t pages;  // 0: plain mode
  };
  const Mode modes[] = {{"page cache", 64, 8}, {"plain", 64, 0}};
  for (const Mode& m : modes) {
    for (unsigned seed = 1; seed <= 8; ++seed) {
      const std::string path = scratchPath("written_ranges.bin");
      std::string before(3000, '\0');
      for (std::size_t i = 0; i < before.size(); ++i) before[i] = static_cast<char>('a' + i % 26);
      writeBytes(path, before);
      std::shared_ptr<WrittenRanges> record = WrittenRanges::watch(path.c_str());
      ASSERT_NE(nullptr, record);
      EXPECT_EQ(before.size(), record->baseLength());
      const int fd = open(path.c_str(), O_RDWR);
      ASSERT_GE(fd, 0);
      {
        FdStream s(fd, m.pageSize, m.pages);
        std::mt19937 rng(seed);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        for (int step = 0; step < 60; ++step) {
          s.clear();
          if (pick(0, 9) < 8) {
            s.seekp(pick(0, 3400));
            const std::string bytes(static_cast<std::size_t>(pick(1, 200)), static_cast<char>('A' + step % 26));
            s.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
          } else {
            s.fdbuf()->truncate(pick(200, 3400));  // shorter or longer
          }
          if (pick(0, 4) == 0) s.flush();
        }
      }
      close(fd);
      const std::vector<std::size_t> missed =
          uncovered(before, fileContents(path), record->spans(), record->lowestLength());
      EXPECT_TRUE(missed.empty()) << m.name << ", seed " << seed << ": " << missed.size()
                                  << " changed bytes not recorded, the first at "
                                  << (missed.empty() ? 0 : missed[0]);
      record.reset();
      unlink(path.c_str());
    }
  }
}

TEST(WrittenRanges, ScatteredWritesStayBoundedCoveredAndInOrder) {
  const std::string path = scratchPath("written_scattered.bin");
  writeBytes(path, "x");
  std::shared_ptr<WrittenRanges> record = WrittenRanges::watch(path.c_str());
  ASSERT_NE(nullptr, record);
  std::vector<uint64_t> offsets;
  for (uint64_t i = 0; i < 3 * WrittenRanges::kMaxSpans; ++i) offsets.push_back(i * 7919 % 100000007);
  for (uint64_t at : offsets) record->wrote(at, 3);
  const std::vector<WrittenRanges::Span> spans = record->spans();
  EXPECT_LE(spans.size(), WrittenRanges::kMaxSpans);
  for (std::size_t i = 1; i < spans.size(); ++i) {
    EXPECT_GT(spans[i].offset, spans[i - 1].offset + spans[i - 1].length)
        << "spans " << i - 1 << " and " << i << " overlap or touch";
  }
  std::size_t missed = 0;
  for (uint64_t at : offsets) {
    // The last span starting at or before `at` must reach past its 3 bytes.
    auto it = std::upper_bound(spans.begin(), spans.end(), at,
                               [](uint64_t v, const WrittenRanges::Span& s) { return v < s.offset; });
    if (it == spans.begin() || std::prev(it)->offset + std::prev(it)->length < at + 3) ++missed;
  }
  EXPECT_EQ(0u, missed) << "writes not covered after the record coarsened";

  // A fresh start forgets them all and takes the new length.
  record->restart(42);
  EXPECT_TRUE(record->spans().empty());
  EXPECT_EQ(42u, record->baseLength());
  EXPECT_EQ(42u, record->lowestLength());
  unlink(path.c_str());
}

}  // namespace
