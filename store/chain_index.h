// The position index of one Chain: the blocks its cursors have reached from the
// first block, in chain order, so that a seek can go straight to the block that
// holds a position instead of walking from the first block again.
//
// Entry i is the block a walk from the first block reaches after i steps (its
// ordinal), with the block's handle, its logical base and the block object the
// chain uses for it. The ordinal is what keeps the store's step count honest: a
// cursor placed through the index is charged the steps the walk would have made,
// which is the difference of the two ordinals (see Chain::seekg).
//
// Invariants (as the record was when each entry was made):
//   1. Entry 0 is the first block of the record, at base 0.
//   2. Entry i > 0 is the block named by the next link of entry i - 1, its prev
//      names entry i - 1, and its base is base(i - 1) + length(i - 1).
//   3. No block appears twice.
// An entry is only ever added for a checked step from the last entry (so the
// index never holds more blocks than a walk can reach), the index is cut after a
// block whose length changes while blocks follow it, and it holds at most
// MaxBlocks entries (a seek beyond the last one walks on from there).
// check() compares the index with the plain walk of the record in the file.
#ifndef STORE_CHAIN_INDEX_H
#define STORE_CHAIN_INDEX_H

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/windows_types.h"
#include "store/block.h"

class LowLevelStore;

class ChainIndex {
 public:
  struct Entry {
    ULONG handle;
    LONG base;
    std::shared_ptr<Block> block;
  };
  // The most blocks the index holds (a record of more is a huge or hostile one).
  static constexpr std::size_t MaxBlocks = 1u << 20;

  // Changes whenever the index forgets a block (reset, keep, cutAfter), and no
  // two indexes share one: while it stays, the ordinal of every position the
  // index covered stays what it was (see store/read_plan.h).
  uint64_t generation() const { return generation_; }
  // Forgets everything and starts again from the first block (none: empty).
  void reset(const std::shared_ptr<Block>& first);
  std::size_t size() const { return entries_.size(); }
  const Entry& operator[](std::size_t ordinal) const { return entries_[ordinal]; }

  // Records that `to` follows `from`, which stands at `fromBase`, when `from` is
  // the last block the index knows (otherwise nothing changes).
  void noteStep(const Block& from, LONG fromBase, const std::shared_ptr<Block>& to);
  // Keeps the first `count` entries.
  void keep(std::size_t count);
  // Forgets every entry after the block at `base` with `handle` (all but the
  // first when it is not found).
  void cutAfter(ULONG handle, LONG base);
  // The block object held for `handle`, if any.
  std::shared_ptr<Block> blockOf(ULONG handle) const;
  // The ordinal of the block that holds logical position `pos`: the first entry
  // whose end reaches pos, else the last entry. REQUIRES: size() >= 1.
  std::size_t ordinalFor(LONG pos) const;

  // Walks the record from its first block through `store` (reading every header
  // from the file) and compares each entry with the block the walk meets at that
  // ordinal. Returns "" when they agree, else the first difference.
  std::string check(LowLevelStore* store) const;

 private:
  // Above this many entries a table finds an entry by handle; below, a scan.
  static constexpr std::size_t ScanLimit = 16;
  // A number no other index has had (see generation()).
  static uint64_t freshGeneration();
  std::vector<Entry> entries_;
  uint64_t generation_ = freshGeneration();
  std::unordered_map<ULONG, std::size_t> at_;
};

#endif  // STORE_CHAIN_INDEX_H
