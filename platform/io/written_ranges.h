// The byte ranges of a file that were written since it last equalled another
// file: what a commit must copy from a book's working file back into the book
// (platform/io/commit_journal.h), instead of the whole of it.
//
// A book opened for writing is worked on in a copy of its file. Whoever made the
// copy watches it (watch) once the copy's length is set; from then on every
// descriptor stream opened on that file (platform/io/fd_stream.h), found by its
// device and file number, tells the record about each write before the write is
// made (wrote) and about each change of length (cut). The copy itself lands
// through other calls and is not recorded: its bytes are the book's.
//
// Invariants:
//   1. Every byte of the file that may differ from the other file lies in a span
//      (spans()), or at or past lowestLength(): the least length the file had
//      since the record started, below which a cut and a later growth leave
//      zeros. Spans may cover more than was written, never less.
//   2. The spans are sorted, disjoint and not adjacent, and there are at most
//      kMaxSpans of them: past that, every span is widened to a coarser grain
//      (doubling until they fit in half as many), so the record's memory stays
//      bounded however scattered the writes.
//   3. A write is recorded before it reaches the file, so that a write that
//      failed half way is still covered.
// The record is safe to use from several threads.
#ifndef PLATFORM_WRITTEN_RANGES_H
#define PLATFORM_WRITTEN_RANGES_H

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

class WrittenRanges {
 public:
  static constexpr std::size_t kMaxSpans = 4096;

  struct Span {
    uint64_t offset;
    uint64_t length;
  };

  // Starts recording the writes to the file at `path`, whose content now equals
  // the other file's. Null when the file cannot be examined. The record lives
  // as long as the caller keeps it.
  static std::shared_ptr<WrittenRanges> watch(const char* path);
  // The record of the file with this device and file number; null when nobody
  // watches it.
  static std::shared_ptr<WrittenRanges> find(unsigned long long device, unsigned long long inode);
  // Whether any file is watched at all (no lock taken).
  static bool anyWatched();

  ~WrittenRanges();
  WrittenRanges(const WrittenRanges&) = delete;
  WrittenRanges& operator=(const WrittenRanges&) = delete;

  unsigned long long device() const { return device_; }
  unsigned long long inode() const { return inode_; }

  // The bytes [offset, offset + length) are about to be written.
  void wrote(uint64_t offset, uint64_t length);
  // The file's length is about to become `length`.
  void cut(uint64_t length);

  // The length both files had when they were last equal.
  uint64_t baseLength() const;
  // The least length the file had since then (invariant 1).
  uint64_t lowestLength() const;
  // The spans, in file order (invariant 2).
  std::vector<Span> spans() const;

  // Both files are equal again, with `length` bytes: nothing is written since.
  void restart(uint64_t length);

 private:
  WrittenRanges(unsigned long long device, unsigned long long inode, uint64_t length);
  // Adds [from, to) rounded out to the grain, merging with its neighbours.
  void add(uint64_t from, uint64_t to);
  // Widens every span to twice the grain until at most kMaxSpans / 2 are left.
  void coarsen();

  const unsigned long long device_;
  const unsigned long long inode_;
  mutable std::mutex mutex_;
  uint64_t baseLength_;
  uint64_t lowestLength_;
  // Span start -> span end (exclusive).
  std::map<uint64_t, uint64_t> spans_;
  // Spans start and end on multiples of this (1: byte exact).
  uint64_t grain_ = 1;
};

#endif  // PLATFORM_WRITTEN_RANGES_H
