// The chain index of a HashStream: per bucket, the bucket's chain as it was last
// walked through the stream (each entry's position, link and key, in chain
// order), so that a lookup scans the chain in memory and reads only the entry it
// returns. The HashStream builds a bucket's index by the same bounded, validated
// walk it makes through the stream, and tells the index of every change it
// writes (the note* operations below), so that the index follows the table.
//
// Invariants (for every bucket whose state is Indexed):
//   1. entries[0] is the bucket slot, and entries[i + 1].pos == entries[i].link;
//      the keys are those of the entries read or written at those positions. An
//      empty slot has no entries.
//   2. The last entry's link is 0: the walk through the stream would stop there.
//      A chain that is damaged (a link out of place, or a loop: a position met
//      twice) is not indexed but left to the walk through the stream
//      (StreamOnly), which alone knows how far such a walk goes and what it
//      reads on the way.
//   3. Every overflow position of an indexed chain has its bucket as owner, and
//      no position is in two buckets' chains (a bucket whose chain runs into
//      another's is left to the walk through the stream: StreamOnly).
//   4. The entries held over all buckets cost at most the budget (entryCost()
//      each); a bucket whose chain would go beyond it is StreamOnly.
// A HashStream that cannot vouch for what it wrote (a failed write, an exception
// part way) drops the whole index. HashStream::checkChainIndex compares the
// index with the walk through the stream.
#ifndef STORE_HASH_CHAIN_INDEX_H
#define STORE_HASH_CHAIN_INDEX_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/windows_types.h"
#include "store/handle_map.h"

class HashChainIndex {
 public:
  struct Entry {
    ULONG pos;
    ULONG link;  // as read (or written): the next entry's position, 0 = end
  };
  struct Bucket {
    enum State : unsigned char { Unknown, Indexed, StreamOnly };
    State state = Unknown;
    // Changes whenever an entry's position changes other than by an entry added
    // at the end, and no two bucket records share one: a plan of the charged
    // walk (store/read_plan.h) made for one shape holds for its entries.
    uint64_t shape = freshShape();
    std::vector<Entry> entries;
    std::vector<char> keys;  // keySize bytes per entry, in the same order
  };

  static uint64_t freshShape();

  // The table's layout; forgets everything.
  void setLayout(WORD buckets, WORD keySize, WORD entrySize, ULONG tableEnd);
  // The memory budget in bytes; 0 turns the index off. Forgets everything.
  void setBudget(std::size_t bytes);
  bool enabled() const { return budget_ != 0; }
  std::size_t entryCount() const { return entryCount_; }
  // The cost of one entry: its key and record, and a node of the owner table.
  std::size_t entryCost() const;
  bool fitsOneMore() const { return (entryCount_ + 1) * entryCost() <= budget_; }

  // True once the per-bucket records exist (made by open()).
  bool isOpen() const { return !buckets_.empty(); }
  void open() { buckets_.resize(bucketCount_); }
  Bucket& bucket(ULONG b) { return buckets_[b]; }
  const Bucket& bucket(ULONG b) const { return buckets_[b]; }
  // The bucket's index when it is built and current, else null.
  Bucket* indexed(ULONG b);

  // Adds an entry at the end of the bucket's chain (while building it).
  void append(ULONG b, ULONG pos, ULONG link, const char* key);
  // The bucket that owns overflow position `pos` in its index, or null.
  const ULONG* ownerOf(ULONG pos) const { return owner_.find(pos); }
  // Forgets one bucket's index (built again when next needed) / all of it.
  void drop(ULONG b);
  void dropAll();
  // Forgets the index of the bucket whose chain holds `pos`, before something
  // that index does not account for is written there.
  void dropOwnerOf(ULONG pos);

  // The first entry of `index` whose key is `key`, or -1.
  long find(const Bucket& index, const char* key) const;
  const char* key(const Bucket& index, std::size_t i) const {
    return index.keys.data() + i * keySize_;
  }
  // True when `entry` (entry-size bytes just read) is what entries[i] holds.
  bool agrees(const Bucket& index, std::size_t i, const char* entry) const;

  // The table's changes. `fromIndex` tells whether the lookup before the change
  // was answered from the bucket's index (its positions are then the index's).
  // A record was written into the empty slot of bucket b.
  void noteSlotFilled(ULONG b, bool fromIndex, ULONG slot, const char* key);
  // A record was linked after `last`, the end of bucket b's chain, at `pos`.
  void noteAppended(ULONG b, bool fromIndex, ULONG last, ULONG pos, const char* key);
  // The slot's record was removed and the first chained entry (at `link`, whose
  // bytes are `chained`) moved into the slot.
  void noteMovedIntoSlot(ULONG b, bool fromIndex, ULONG link, const char* chained);
  // The slot's record was removed and the slot left empty.
  void noteSlotEmptied(ULONG b, bool fromIndex);
  // The chained entry `at` (position pos, after `previous`) was unlinked.
  void noteUnlinked(ULONG b, bool fromIndex, long at, ULONG previous, ULONG pos);

 private:
  // The bucket's index when the change's lookup came from it, else null.
  Bucket* followable(ULONG b, bool fromIndex);
  ULONG linkOf(const char* entry) const;

  WORD bucketCount_ = 0;
  WORD keySize_ = 0;
  WORD entrySize_ = 0;
  ULONG tableEnd_ = 0;
  std::size_t budget_ = std::size_t(32) << 20;
  std::size_t entryCount_ = 0;
  std::vector<Bucket> buckets_;
  HandleMap<ULONG> owner_;
};

#endif  // STORE_HASH_CHAIN_INDEX_H
