// A record of the store: a singly linked sequence of blocks that together hold
// one growable byte string, named by the handle of its first block, which never
// moves while the record exists. A Chain is a cursor pair over such a record:
// sequential reading and writing with separate get and put cursors, random
// positioning, growth (in place at the end of the file, else by linking a new
// block) and release of every block to the free list.
//
// Logical positions: the get position is the get base (the sum of the lengths of
// the blocks before the current get block) plus that block's read position; the
// put position likewise. The logical length is the sum of the blocks' lengths.
//
// A chain holds a counted reference on its store for its whole life and adds one
// to the store's chainOpenCount when made. chainStepCount counts the walk this
// class describes: every move of a cursor to the next block adds one, a seek to
// a position before the cursor's block walks again from the first block, and a
// seek further on walks on from the cursor's block. A seek is charged exactly
// those steps however the cursor reaches its block (the difference of the two
// blocks' ordinals, see chain_index.h), so the fragmentation index built on the
// counters does not depend on what the chain remembers.
//
// A cursor that moves to a block this chain has not met yet reads its header
// from the file. The chain remembers the blocks its cursors have reached
// (ChainIndex, store/chain_index.h), so that a seek goes straight to the block
// holding a position. Another chain on the same record that changes its shape
// bumps the record's epoch in the store (see LowLevelStore::holdRecord), and an
// index made under an older epoch is dropped before use; seeks, cuts and
// releases then also read the first block again and start their cursors there,
// so a record changed by another chain is seen as it now is. The chain holds one
// object per block (cursors and steps take the index's object), so a header this
// chain changes is seen through every way it reaches the block.
//
// Walking a chain read from a file: every step to a following block checks that
// the block is in use, is not the first block of a record and names the block it
// came from as its prev; since each block has one prev, a link back into the same
// chain is refused at the first revisit, so every walk ends. The release of a
// record, which collects its blocks before freeing any, is further bounded by
// the number of blocks the file can hold (file size / 54).
#ifndef STORE_CHAIN_H
#define STORE_CHAIN_H

#include <cstdint>
#include <ios>
#include <memory>
#include <utility>
#include <vector>

#include "platform/windows_types.h"
#include "store/block.h"
#include "store/chain_index.h"
#include "store/read_plan.h"
#include "store/low_level_store.h"

class LowLevelStore;

class Chain {
 public:
  // Wraps an already made first block; both cursors start on it with bases 0.
  // REQUIRES: store is open; first may be null (an empty chain).
  Chain(LowLevelStore* store, std::unique_ptr<Block> first);
  // Reads the first block at `handle`: with raw 0 through lookupBlock (a freed
  // block is refused), otherwise through lowLevelLookup. Handle 0 gives an empty
  // chain.
  Chain(LowLevelStore* store, ULONG handle, int raw = 0);
  // Frees the block objects and releases the store reference. Never throws; if
  // the store has already been destroyed, the store is not touched.
  virtual ~Chain();
  Chain(const Chain&) = delete;
  Chain& operator=(const Chain&) = delete;

  virtual void classInvarient(const char* file, int line) const;

  // Handle of the first block, 0 for an empty chain.
  ULONG handle() const;

  // Copies up to n bytes from the get position onwards; returns the count (short
  // at the end of the chain).
  int read(char* buffer, int n);
  // Writes n bytes from the put position onwards, growing the chain as needed;
  // returns the count written.
  int write(const char* buffer, int n);
  // The byte at logical position i (moves the get cursor), or 0xFF at or beyond
  // the end.
  unsigned char operator[](LONG i);

  // Logical get / put position, -1 when there is no current get / put block.
  LONG tellg() const;
  LONG tellp() const;
  // Moves the get cursor to `pos`; OutOfRangeException "seekg beyond end of chain
  // buffers" when pos is beyond the logical length. Returns pos.
  LONG seekg(LONG pos);
  // Moves the put cursor to `pos`, extending the chain when pos lies beyond its
  // capacity. Returns pos.
  LONG seekp(LONG pos);
  // Relative forms: beg -> offset, cur -> tellg()/tellp() + offset (-1 stays -1),
  // end -> getUserSize() + offset; negative results become 0. Any other direction
  // is reported with kind 'F' and the position is left alone.
  LONG seekg(LONG offset, std::ios_base::seekdir dir);
  LONG seekp(LONG offset, std::ios_base::seekdir dir);

  // The logical length: from whichever current block is further along (or the
  // first block), the length of it and of every following block.
  LONG getUserSize();

  // Where the get cursor stands, so that it can be put back exactly after reads
  // made aside (see store/positioned_reads.h).
  struct GetCursor {
    std::shared_ptr<Block> block;
    LONG base = 0;
    ULONG ordinal = 0;
    ULONG readPos = 0;
    uint64_t epoch = 0;
  };
  GetCursor getCursor() const;
  // Puts the get cursor back where getCursor found it: the same block, base,
  // ordinal and read position, when the record is as it was then; otherwise
  // (the record changed) a seek to the position it stood at.
  void setGetCursor(const GetCursor& at);

  Block* cur_g() const { return get_.get(); }
  Block* cur_p() const { return put_.get(); }
  // Advance the get / put cursor to the next block of the chain; return it, or
  // none at the end. Each call adds one to the store's chainStepCount.
  Block* next_g();
  Block* next_p();

  // Grows the chain by at least n bytes. 1: the last block grew in place;
  // 0: a new block was linked.
  int extend(ULONG n);
  // Returns every block of the chain to the free list and leaves the chain empty.
  void free();
  // Cuts the record at logical position `length`: the block holding that
  // position keeps the bytes before it (the rest of its user area is filled with
  // spaces) and ends the chain; every later block returns to the free list. A
  // length at or beyond the end changes nothing. Both cursors go back to the
  // first block. Returns true when something was cut.
  bool truncate(LONG length);

  ULONG getExtensionSize() const;
  // Values below 32 become 32; the first block's header is rewritten.
  void setExtensionSize(ULONG n);

  // The most a chain grows beyond the bytes actually written, whatever extension
  // size its first block claims (a damaged file could otherwise make one small
  // write grow the file by gigabytes).
  static constexpr ULONG MaxGrowthStep = 16u << 20;

  // Charges, read after read, the reads of [start, end) spans from the get
  // cursor, exactly as a seekg to each start and then to its end would (the
  // store's step count, the cursor's block and read position afterwards), when
  // the position index knows every block they touch and the cursor's own;
  // false (nothing changed) otherwise, and the caller seeks them one by one.
  bool chargeReadsByIndex(const std::pair<LONG, LONG>* spans, std::size_t count);
  // The same for reads of n bytes at the positions of `series`, through `plan`
  // (store/read_plan.h), which the caller keeps under the series' name: read 0
  // is modelled from the cursor, the rest taken from the plan where it holds
  // and modelled (and added to it) where it does not. Leaves the cursor's
  // block, its read position and the last block's read position as the seeks
  // would; false (nothing changed) where chargeReadsByIndex would be.
  bool chargePlannedReads(ReadPlan& plan, uint64_t name, const ReadSeries& series, LONG n);

  LowLevelStore* store() const { return store_; }
  // What the chain remembers of the record's blocks (for checkers).
  const ChainIndex& positionIndex() const { return index_; }

 protected:
  Block* first() const { return first_.get(); }
  // Replaces the first block (and drops both cursors onto it).
  void resetFirst(std::unique_ptr<Block> first);
  // Drops every block object: the chain becomes empty.
  void dropAll();
  // The block that follows `from` in this chain (next_ link), read and checked as
  // a chain step; none when from's next is 0.
  std::shared_ptr<Block> followLink(const Block& from);
  // The largest number of blocks the store's file can hold: the bound of walks.
  ULONG walkLimit() const;
  // The growth quantum: the extension size, at most MaxGrowthStep.
  ULONG growthStep() const;

 private:
  void takeReference();
  std::shared_ptr<Block> blockAt(ULONG handle);
  // Starts the index again from the first block and counts this chain in on
  // the record.
  void resetIndex();
  // Forgets every index entry after the block at `base` with `handle` and tells
  // other chains on the record.
  void cutIndexAfter(ULONG handle, LONG base);
  // Drops the index when another chain changed the record since it was made.
  void checkEpoch();
  // Tells other chains on the record that this chain changed it.
  void recordChanged();
  // When another chain changed the record, every block object held here may be
  // stale: the first block is read again, both cursors go back to it and the
  // index is forgotten. Called where a cursor is about to be placed anew.
  void syncWithRecord();
  // Moves a cursor to the next block without counting the step; returns the new
  // block, or none at the end (the cursor then stays).
  Block* advance(std::shared_ptr<Block>& cursor, LONG& base, ULONG& ordinal);
  // Puts a cursor where a walk towards `pos` should go on from: onto the block
  // the index knows for pos when that is further along (or when going back),
  // back to the first block when going back without one, else unchanged.
  void placeCursor(std::shared_ptr<Block>& cursor, LONG& cursorBase, ULONG& ordinal, LONG pos);
  // The seek the charged reads model on the position index: stay on block `at`
  // when pos lies in it, else go to the first block whose end reaches pos,
  // adding to `steps` what the walk from the first block (going back) or from
  // block `at` (going on) takes. REQUIRES: the index covers pos.
  void modelSeek(LONG pos, std::size_t& at, ULONG& steps) const;
  // Moves the put cursor to the last block; false for an empty chain.
  bool moveToLastBlock();

  LowLevelStore* store_;
  // Whether the store object still exists (it is never touched otherwise).
  std::weak_ptr<const bool> storeAlive_;
  // The cursors may share a block object with the first block and with each
  // other, so that a length written through one is seen by the others.
  std::shared_ptr<Block> first_;
  std::shared_ptr<Block> get_;
  std::shared_ptr<Block> put_;
  LONG getBase_ = 0;
  LONG putBase_ = 0;
  // Ordinals of the cursors' blocks: the steps a walk from the first block
  // takes to reach them.
  ULONG getOrdinal_ = 0;
  ULONG putOrdinal_ = 0;
  ChainIndex index_;
  // The record this chain is counted in on (see LowLevelStore::holdRecord) and
  // the epoch its view of the record belongs to.
  bool holdsRecord_ = false;
  ULONG heldHandle_ = 0;
  uint64_t epoch_ = 0;
  // The store's epoch clock when epoch_ was last found to be the record's own
  // (checkEpoch, syncWithRecord); while the clock reads the same it still is.
  // Invariant: clockSeen_ == store_->epochClock() implies
  // epoch_ == store_->recordEpoch(heldHandle_).
  uint64_t clockSeen_ = ~uint64_t{0};
};

#endif  // STORE_CHAIN_H
