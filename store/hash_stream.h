// A hash table of fixed-size records kept in any random-access read/write stream.
// The middle-level store keeps its ID table in one, on a stream over one store
// record. A record's key is its first keySize bytes; records are replaced in
// place, chained on collision, and removed overflow entries are recycled through
// a free list kept in the stream itself.
//
// Stream layout (integers little-endian):
//
//   OFFSET        SIZE                 DESCRIPTION
//   0             7                    signature "#~HS&#" and its NUL
//   7             4                    version, written as 32
//   11            2                    entry size = record size + 4
//   13            2                    key size (leading record bytes forming the key)
//   15            2                    bucket count
//   17            4                    free-list head: position of the first recycled
//                                      entry, 0 = none
//   21            buckets*entry size   bucket table, one entry per bucket
//   after table   entry size each      overflow entries, appended as needed
//
// Entry layout: the record (entry size - 4 bytes, key first), then a 4-byte link:
// the stream position of the next entry of the same bucket, 0 = end of chain.
// The link 0xFFFFFFFF marks an empty bucket slot.
//
// Invariants:
//   1. The header length is the stream position after the header (21 with this
//      signature); the bucket table starts there and the free-list head sits in
//      the 4 bytes just before it.
//   2. Only bucket slots are ever empty. An overflow entry is either in exactly
//      one bucket chain or on the free list (where its link is the next free
//      entry, 0 = end).
//   3. Every link other than 0 and 0xFFFFFFFF names an overflow entry: a position
//      at or after the end of the bucket table, on an entry boundary, with a whole
//      entry inside the stream.
//   4. 1 <= key size <= entry size - 4, and buckets >= 1.
//
// The stream may come from a damaged or hostile file. The header is checked on
// reading (layout and a bucket table wholly inside the stream). A link that breaks
// invariant 3 ends the walk that meets it, and every chain walk takes at most as
// many steps as the stream has overflow entries, so a loop cannot hang a lookup.
// Lookups in a damaged chain report the key as absent; an insert that would have
// to extend a damaged chain throws BadChainException rather than write into it.
//
// Chain index. A walk through the stream costs a seek and a read per chain
// entry, so the object keeps each bucket's chain as it was last walked
// (HashChainIndex, store/hash_chain_index.h): built the first time the bucket is
// looked up, by the same bounded, validated walk, and told of every change this
// object writes. A lookup then scans it in memory and reads only the entry it
// returns. Its answers are those of the walk through the stream:
//   - a damaged chain (a link out of place, a loop: a position met twice), a
//     read failure, a position already in another bucket's chain (chains that
//     share a tail) or a chain over the memory budget leaves the bucket to the
//     walk through the stream;
//   - an entry read at an indexed position must still carry the indexed key and
//     link; if it does not (the stream was changed behind this object's back),
//     the bucket's index is dropped and the chain walked again (other changes
//     made behind its back are not seen: this object is the stream's writer);
//   - an entry written where another bucket's chain runs (a damaged free list
//     handing out a position still in a chain) drops that bucket's index;
//   - a failed or interrupted write drops the whole index (and the cached
//     free-list head and stream end), since the stream then holds bytes this
//     object cannot know.
// checkChainIndex() compares the index with the walk through the stream.
//
// Counts. A stream over a store record counts the chain steps and opens its reads
// cost (the fragmentation index is built on them), and an index must not change
// them. So every read of this object goes to the stream at its position in one
// read of the device (PositionedReads, store/positioned_reads.h), apart from the
// stream's read window: what the walk through the stream costs is then a
// function of the positions it reads, in order, and of where the record's
// cursor stood. A lookup answered from the index makes its own reads (building
// a bucket's index, reading the entry it returns) aside, which puts the cursor
// and the counts back, and is then charged the walk's reads one by one, the
// slot and every chained entry up to the one returned (chargeReadAt: the seeks
// of the record's cursor, without the bytes), which also leaves the cursor where
// the walk would. A lookup the index cannot answer is the walk itself. Measuring
// the stream's length is not a read and counts nothing. The reads stand for the
// walk because they are the walk's own: one read per entry, at the entry's
// position; the window would have made the cost of each read depend on the
// reads before it, which the index does not make.
// Memory: the index holds at most the budget's worth of entries (setIndexBudget,
// 32 MiB by default); a bucket whose chain would go beyond it is walked through
// the stream. Besides, a fixed record per bucket (at most 65535), and while
// enumerate runs, a read window of at most 4 MiB.
#ifndef STORE_HASH_STREAM_H
#define STORE_HASH_STREAM_H

#include <cstddef>
#include <iostream>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "kit/error_msg_exception.h"
#include "platform/windows_types.h"
#include "store/hash_chain_index.h"
#include "store/positioned_reads.h"

class HashStream {
 public:
  class HashStreamException : public ErrorMsgException {
   public:
    explicit HashStreamException(const char* message = "") : ErrorMsgException(message) {}
  };
  TVX_DECLARE_EXCEPTION(NotFound, HashStreamException, "Key not found");
  TVX_DECLARE_EXCEPTION(BadSignatureException, HashStreamException, "Bad file signature");
  TVX_DECLARE_EXCEPTION(BadVersionException, HashStreamException, "Bad version number");
  // A chain that has to be extended is damaged (a link out of place or a loop).
  TVX_DECLARE_EXCEPTION(BadChainException, HashStreamException, "Bad hash chain");

  // The link value of an empty bucket slot.
  static const ULONG EmptyLink = 0xFFFFFFFFu;
  static const ULONG CurrentVersion = 32;
  static const char Signature[];  // "#~HS&#"

  // Callback of enumerate: one whole entry (record and link); non-zero stops.
  typedef int (*EnumerateCallback)(const char* entry, void* context);

  // Writes a new header and an empty bucket table at the start of `stream`.
  // REQUIRES: buckets >= 1, 1 <= keySize <= recordSize <= 65531 (otherwise
  // BadSignatureException "Bad HashStream layout requested").
  HashStream(std::unique_ptr<std::iostream> stream, WORD buckets, WORD keySize,
             WORD recordSize);
  // Reads and checks the header of an existing table.
  explicit HashStream(std::unique_ptr<std::iostream> stream);
  // Flushes and destroys the stream.
  virtual ~HashStream();
  HashStream(const HashStream&) = delete;
  HashStream& operator=(const HashStream&) = delete;

  virtual void classInvarient(const char* file, int line) const;
  // The bucket of `key` (keySize bytes).
  virtual ULONG doHashFunction(const char* key) const;

  // Adds `record` (entry size - 4 bytes, key first), or replaces the record with
  // the same key in place.
  void insert(const char* record);
  // A copy of the entry (entry-size bytes) whose key is `key`; NotFound
  // "HashStream::find::NotFound" when absent.
  std::unique_ptr<char[]> find(const char* key);
  // As find, but null when absent.
  std::unique_ptr<char[]> find_noThrow(const char* key);
  // Removes the record; NotFound "HashStream::remove::NotFound" when absent.
  void remove(const char* key);
  // Calls back for every record: bucket 0 first, within a bucket the slot record
  // and then its chain in link order. A non-zero result stops the walk; it is
  // returned (0 when the walk completed).
  int enumerate(EnumerateCallback callback, void* context);

  bool empty(const char* entry) const;
  ULONG next(const char* entry) const;
  bool match(const char* entry, const char* key) const;

  // Where findPos found the key.
  enum { NotFoundHere = 0, FoundInSlot = 1, FoundInChain = 2 };
  // The lookup primitive. Returns the position of the slot (when it is empty or
  // holds the key), of the matching chained entry, or of the last entry of the
  // chain when nothing matched. `found` is one of the values above, `empty` is
  // set for an empty slot, `entry` (entry-size bytes) receives the entry at the
  // returned position and `previous` the position of the entry before it in the
  // chain (0 for the slot). `damaged` (optional) is set when the walk stopped at
  // a broken link or a loop instead of at the end of the chain (when the key is
  // absent from a chain with a loop, the returned position is then some entry of
  // that chain).
  ULONG findPos(const char* key, int& found, bool& empty, char* entry, ULONG& previous,
                bool* damaged = nullptr);

  void readHeader();
  void writeHeader();
  // Re-reads the free-list head from the stream.
  ULONG updateFreeList();
  // Writes a new free-list head and flushes.
  void updateFreeList(ULONG head);

  WORD buckets() const { return buckets_; }
  WORD keySize() const { return keySize_; }
  WORD entrySize() const { return entrySize_; }
  WORD headerLength() const { return headerLength_; }
  ULONG version() const { return version_; }
  ULONG freeListHead() const { return freeList_; }
  std::iostream& stream() { return *stream_; }

  // The chain index's memory budget in bytes (see above); 0 turns the index off,
  // so that every lookup walks the stream. Setting it drops the index.
  void setIndexBudget(size_t bytes);
  // The entries the chain index holds now, over all buckets.
  size_t indexedEntries() const { return chains_.entryCount(); }
  // Checker: walks every indexed bucket's chain through the stream and compares
  // it with the index (positions, links, keys, owners). "" when they agree, else
  // the first difference.
  std::string checkChainIndex();

 protected:
  // Hooks called at the start of writeHeader and readHeader.
  virtual void doWriteHeaderExtension() {}
  virtual void doReadHeaderExtension() {}

 private:
  typedef HashChainIndex::Bucket BucketIndex;
  // Around each writing operation: a write that failed, or an exception out of
  // the operation, drops the whole index.
  class WriteScope;
  // Around the index's own reads in a lookup: made aside (see above).
  class Aside;
  // What a lookup found (the outputs of findPos) and where, in the index.
  struct Lookup {
    ULONG bucket;
    ULONG pos;
    ULONG previous;
    int found;
    bool empty;
    bool damaged;
    bool indexed;  // the answer came from the bucket's index
    long at;       // when indexed and found: the entry's place in the index
    size_t visits; // when indexed: the entries the walk reads (slot first)
  };

  // The lookup behind findPos. `entry` receives the entry at the returned
  // position when the key was found, or always when `wantEntry` is set.
  Lookup lookup(const char* key, char* entry, bool wantEntry);
  // The answer from the bucket's index, into r; false when the bucket is left
  // to the walk through the stream.
  bool lookupIndexed(ULONG bucket, const char* key, char* entry, bool wantEntry, Lookup& r);
  // Charges the stream the reads of the walk an indexed answer stands for.
  void chargeWalk(const Lookup& r);
  // The walk through the stream (the answer without the index).
  ULONG walkStream(const char* key, int& found, bool& empty, char* entry, ULONG& previous,
                   bool* damaged);
  // The bucket's index, built when needed; null when the bucket is left to the
  // walk through the stream.
  BucketIndex* indexOf(ULONG bucket);
  bool buildIndex(ULONG bucket, BucketIndex& index);
  // Builds the index of every bucket not yet indexed in one pass, when the whole
  // table fits in one read window: the first lookup in a table just opened would
  // otherwise read its entries one by one, bucket after bucket.
  void indexAllBuckets();
  // Forgets the whole index, the cached free-list head and the known stream end.
  void dropAllIndexes();
  // The free-list head, read only when the cached one may not be current.
  ULONG currentFreeList();
  // Sizes the scratch entries and forgets the index after the layout was set.
  void layoutChanged();

  ULONG tableEnd() const;
  // True when `pos` may name an overflow entry (invariant 3); refreshes the
  // known stream end when pos lies beyond it.
  bool validOverflowPos(ULONG pos);
  // The number of overflow entries the stream holds: the bound of every walk.
  ULONG overflowCapacity();
  void refreshStreamEnd();
  bool readEntry(ULONG pos, char* entry);
  // Up to n bytes at pos in one read (positioned when the stream allows);
  // returns the count read.
  size_t readBytes(ULONG pos, char* bytes, size_t n);
  // enumerate's reads: a window of the stream filled by one read serves the
  // entries inside it while this object has written nothing since.
  struct ReadWindow {
    std::vector<char> bytes;
    size_t filled = 0;
    ULONG start = 0;
    uint64_t writes = 0;
  };
  bool readThrough(ReadWindow& window, ULONG pos, char* entry);
  // While indexAllBuckets runs: the window every entry is read through.
  ReadWindow* buildWindow_ = nullptr;
  void writeBytes(ULONG pos, const char* bytes, size_t n);
  void writeLink(ULONG pos, ULONG link);
  // Takes a recycled entry off the free list; 0 when there is none usable.
  ULONG takeFreeEntry();
  void putOnFreeList(ULONG pos);
  void flush();

  WORD buckets_ = 0;
  WORD keySize_ = 0;
  WORD entrySize_ = 0;
  ULONG freeList_ = 0;
  ULONG version_ = CurrentVersion;
  WORD headerLength_ = 0;
  std::unique_ptr<std::iostream> stream_;
  // The stream's positioned reads, when its buffer has them (not owned: it is
  // the stream's).
  PositionedReads* reads_ = nullptr;
  // Per bucket walked, the plan of its charged walk (store/read_plan.h); each
  // holds no more reads than the bucket's indexed chain, which the index's
  // budget bounds.
  std::unordered_map<ULONG, ReadPlan> walkPlans_;
  // The stream length as last measured (only ever grows while the table is
  // open); refreshed when a position beyond it is met. A table just opened
  // knows only that its bucket table lies inside the stream: until measured,
  // streamEnd_ is the bucket table's end, a lower bound.
  uint64_t streamEnd_ = 0;
  // streamEnd_ is the stream's length (measured, then grown only by this
  // object's own appends), so an append need not measure it again.
  bool endKnown_ = false;
  // freeList_ is what the stream holds (read or written by this object).
  bool freeListKnown_ = false;
  // Set by a write or flush that left the stream failed.
  bool writeFailed_ = false;
  // Writes made through this object so far (a read window older than the last
  // write is refilled).
  uint64_t writes_ = 0;

  HashChainIndex chains_;

  // Scratch entries, so that operations allocate nothing per call.
  std::vector<char> opEntry_;    // insert and remove
  std::vector<char> moveEntry_;  // remove: the chained entry moved into the slot
  std::vector<char> freeEntry_;  // takeFreeEntry: the recycled entry
  std::vector<char> probeEntry_; // takeFreeEntry: the liveness probe
  std::vector<char> walkEntry_;  // walkStream and buildIndex
};

#endif  // STORE_HASH_STREAM_H
