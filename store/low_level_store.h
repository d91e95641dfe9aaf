// The low-level block store: one store file of variable-length records, each a
// chain of blocks named by the handle (file offset) of its first block. It makes
// a new store file or opens an existing one, allocates records (free list first,
// by first fit, else appended at the end of the file), frees them (coalescing
// free neighbours), looks them up by handle, and offers the failure-checked
// primitive reads and writes that every other store class uses.
//
// The file header layout is drawn in store/low_level_file_header.h, the block
// layout in store/block_header.h, chains in store/chain.h and the free list in
// store/free_list.h.
//
// Life cycle: closed (no stream) -> open by make -> commit closes and reopens the
// file with the same flags (the create bits dropped) -> closed by the destructor.
// While open the header object is present. Every chain or stream on the store
// holds a counted reference; destroying the store while any remain throws
// RefCountingResource::DelResWithRefs after the store has been torn down.
//
// Failures: every operation that throws first clears the stream's error state,
// so the store stays usable after a failed operation. A damaged or hostile file
// gives one of the exceptions below, never a crash, a hang or an allocation that
// the file alone can make huge.
#ifndef STORE_LOW_LEVEL_STORE_H
#define STORE_LOW_LEVEL_STORE_H

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <unordered_map>

#include "kit/error_msg_exception.h"
#include "kit/ref_counting_resource.h"
#include "platform/io/fd_stream.h"
#include "platform/windows_types.h"
#include "store/handle_map.h"

class Block;
class Chain;
class FreeIndex;
class LowLevelFileHeader;

class LowLevelStore : public RefCountingResource {
 public:
  // The store's exception family (each carries a message; see ErrorMsgException).
  class StoreException : public ErrorMsgException {
   public:
    explicit StoreException(const char* message = "") : ErrorMsgException(message) {}
  };
  TVX_DECLARE_EXCEPTION(BadStreamException, StoreException, "Bad stream");
  TVX_DECLARE_EXCEPTION(BadSizeException, BadStreamException, "Bad size");
  TVX_DECLARE_EXCEPTION(BadSignatureException, BadStreamException, "Bad magic cookie");
  TVX_DECLARE_EXCEPTION(BadVersionException, BadStreamException, "Bad version");
  TVX_DECLARE_EXCEPTION(BadFreeListPtrException, BadStreamException, "Bad free list pointer");
  TVX_DECLARE_EXCEPTION(BlockHeaderWriteException, BadStreamException,
                        "Block header write failed");
  TVX_DECLARE_EXCEPTION(BadBlockException, StoreException, "Bad block");
  TVX_DECLARE_EXCEPTION(BlockHeaderReadException, BadBlockException, "Block header read failed");
  TVX_DECLARE_EXCEPTION(BadHandleException, StoreException, "Bad handle");
  TVX_DECLARE_EXCEPTION(BadChainException, StoreException, "Bad Chain");
  TVX_DECLARE_EXCEPTION(OutOfRangeException, StoreException, "Out of range");

  // The store signature of a plain low-level store.
  static const char Signature[];  // "#LLS#"
  // Open flags of a new store: read-write, create, fail if it exists, binary.
  static constexpr int NewStoreFlags = 0x8502;
  // Handles and positions are 32-bit offsets that must also fit a LONG position:
  // the file never grows beyond this many bytes.
  static constexpr ULONG MaxFileSize = 0x7FFFFFFFu;

  // Creates a new store file (an existing file is never overwritten: the open
  // fails) and returns the open store. The caller owns the returned object and
  // destroys it with delete (a raw owning pointer, because the store's destructor
  // may throw, which a smart pointer's destructor would turn into termination).
  static LowLevelStore* make(const char* fileName, const char* signature, ULONG version,
                             int share);
  // Opens an existing store file with the given _sopen flags and share mode;
  // ownership as above.
  static LowLevelStore* make(const char* fileName, int flags, int share);
  // Runs `init` on a freshly made store; a failed init destroys the half-made
  // store and passes the exception on. The store classes' make operations use it.
  template <class S, class Init>
  static S* initOrDestroy(S* store, Init&& init) {
    try {
      init(store);
    } catch (...) {
      delete store;
      throw;
    }
    return store;
  }

  // Closes the file, frees header and name, then throws DelResWithRefs when
  // chains or streams on the store still exist.
  ~LowLevelStore() noexcept(false) override;

  virtual void classInvarient(const char* file, int line);
  virtual int openFlags() const { return flags_; }
  virtual int shareMode() const { return share_; }
  // Forces everything written so far to disk: wrapupStream then setupStream (the
  // header is read afresh). Throws BadStreamException "Write failed" when any
  // output of this store object ever failed to reach the file (writeLost()).
  virtual void commit();
  // New file: flags NewStoreFlags; setupStream; the create bits are then dropped
  // from the remembered flags; the header is made and written.
  virtual void init(const char* fileName, const char* signature, ULONG version, int share);
  // Existing file: the flags without text, append, fail-if-exists, truncate and
  // create, plus binary; setupStream reads and checks the header.
  virtual void init(const char* fileName, int flags, int share);

 protected:
  LowLevelStore();
  // The header object for reading an existing file / for a new file.
  virtual std::unique_ptr<LowLevelFileHeader> doMakeHeader();
  virtual std::unique_ptr<LowLevelFileHeader> doMakeHeader(const char* signature, ULONG version);

 public:
  // The store signature this layer writes and accepts ("#LLS#").
  virtual const char* storeSignature() const;
  // Resets the stream's error state.
  virtual void clear();
  // Opens the file with _sopen and attaches the stream; without the create flag
  // also makes and reads the header.
  virtual void setupStream();
  // Flushes, destroys the stream and closes the descriptor; a failing close is
  // reported with kind 'W'.
  virtual void wrapupStream();

  // The application signature and version from the header; the file name.
  const char* signature() const;
  ULONG version() const;
  const char* fileName() const { return fileName_.c_str(); }
  LowLevelFileHeader* header() const { return header_.get(); }
  // The stream on the file (null while closed).
  std::iostream* stream() const;
  int fd() const { return fd_; }

  // Failure-checked primitives at the current put / get position, little-endian.
  // Writes throw BadStreamException "Write failed"; reads "Read failed", or
  // "failed to read a 4 byte word" / "failed to read a 2 byte word" when fewer
  // bytes arrived.
  void write(ULONG value);
  void write(WORD value);
  void write(const char* buffer, int n);
  void read(ULONG* value);
  void read(WORD* value);
  // Reads exactly n bytes or throws "Read failed".
  void read(char* buffer, int n);
  // The bytes of a record that is one sound block in use, first of its chain
  // and at most SmallRecordBytes long from header to trailer (an entry header,
  // say): up to `size` of its user bytes copied into `buffer` from one read that
  // keeps no page and leaves the stream where it was. -1 when the record is not
  // such a block or cannot be read so; the caller then reads it the usual way,
  // which reports whatever is wrong with it. -2 when the read of the file failed.
  int readSmallRecord(ULONG handle, char* buffer, int size);
  static constexpr ULONG SmallRecordBytes = 512;
  // Positioning of the stream; a failure throws BadStreamException "Seek failed".
  void seekg(ULONG pos);
  void seekp(ULONG pos);
  // Current positions, -1 when unknown.
  LONG tellg();
  LONG tellp();
  // The length of the file in bytes, pending output included.
  ULONG fileSize();
  // The largest number of blocks the file can hold (file size / 54, at least 1):
  // the bound of every walk over chains and the free list.
  ULONG blockCountLimit();

  // The free-list head, re-read from the file header ("Free list pointer access
  // failure" on failure).
  ULONG freeListPtr();
  // Stores a new free-list head in the header object and in the file ("Free list
  // pointer update failure" on failure).
  void updateFreeListPtr(ULONG handle);

  // The block at `handle`, free or not. BadHandleException "Out-of-range handle
  // received as parameter to lookup, handle is in store header" below the header.
  std::unique_ptr<Block> lowLevelLookup(ULONG handle);
  // As lowLevelLookup, but a free block gives BadBlockException "Block has been
  // freed".
  std::unique_ptr<Block> lookupBlock(ULONG handle);
  // A new first block able to hold `userSize` bytes: from the free list by first
  // fit, else appended at the end of the file.
  std::unique_ptr<Block> allocBlock(ULONG userSize, ULONG extensionSize);
  // A new record: allocBlock wrapped in a Chain; its handle is Chain::handle().
  std::unique_ptr<Chain> alloc(ULONG userSize, ULONG extensionSize = 32);
  // A chain over the record at `handle` (freed records refused); none when the
  // chain has no block.
  std::unique_ptr<Chain> lookup(ULONG handle);
  // Returns every block of the record to the free list.
  void free(ULONG handle);
  void free(Chain& chain);
  // Merges one block into the free list; on return `block` refers to the block
  // that now holds the space.
  void freeBlock(std::unique_ptr<Block>& block);

  // The in-memory copy of the free list (see store/free_index.h), built from one
  // checked walk of the list the first time it is asked for; none when that walk
  // found the list damaged (the free-list operations then walk the file as they
  // always did).
  FreeIndex* freeIndex();
  // The copy only when it is already built (for keeping it in step).
  FreeIndex* builtFreeIndex() const { return freeIndex_.get(); }
  // Forgets the copy; the next freeIndex() builds it again.
  void dropFreeIndex();
  // Forgets the copy for good once it holds more than FreeIndex::MaxBlocks
  // blocks (the list is then walked in the file, as it always was).
  void noteFreeIndexGrowth();

  // True once output written through this store failed to reach its file: the
  // file no longer holds what the store wrote, so commit refuses it from then on.
  bool writeLost() const;
  // Reads of the file that failed on the stream now open (not reads that met
  // the end of the file); callers compare it before and after an operation.
  uint64_t readErrors() const;

  // Lets a chain know whether this store still exists (see Chain's destructor).
  std::weak_ptr<const bool> lifeToken() const { return lifeToken_; }

  // Record epochs: every chain on a record counts itself in on the record's
  // entry (by its first block's handle) while it is on it, and a chain that
  // changes the record (a block's length, which blocks it has) counts the
  // record's epoch up, so that other chains on it drop what they remember of its
  // blocks (see chain.h). The entry goes with the last chain on the record.
  void holdRecord(ULONG firstHandle) { ++recordEpochs_.get(firstHandle).holders; }
  void releaseRecord(ULONG firstHandle);
  // The record's epoch (0 for a record no chain is on).
  uint64_t recordEpoch(ULONG firstHandle) const {
    const RecordEpoch* entry = recordEpochs_.find(firstHandle);
    return entry != nullptr ? entry->epoch : 0;
  }
  // How many records chains are on (each record's entry counted once).
  std::size_t heldRecordCount() const { return recordEpochs_.size(); }
  // Counts the epoch of a record a chain is on up; the new epoch.
  uint64_t bumpRecordEpoch(ULONG firstHandle) {
    ++epochClock_;
    return ++recordEpochs_.get(firstHandle).epoch;
  }
  // Counts every epoch bump of every record. A chain that found its view current
  // at one reading of the clock knows, while the clock still reads the same, that
  // no record changed since: its seeks skip the look-up of its record's epoch.
  uint64_t epochClock() const { return epochClock_; }

  // Fragmentation counters, never stored in the file: moves of a chain cursor to
  // the next block, and Chain / FreeList objects made on this store.
  ULONG chainStepCount = 0;
  ULONG chainOpenCount = 0;
  // What a read that a cache answers without opening its record charges: the
  // chain the read would have opened and the steps it would have made, so that
  // the counters stay those of the walk however the bytes were found.
  void chargeRecordRead(ULONG steps) {
    ++chainOpenCount;
    chainStepCount += steps;
  }

 private:
  // Closes whatever is open and forgets name, flags and share (after a failed init).
  void abandon();

  std::unique_ptr<LowLevelFileHeader> header_;
  std::unique_ptr<FdStream> stream_;
  // Between the close and the reopen of a commit: the pages the closed stream
  // kept, for the new stream to take (see FdStreamBuf::handOverPages).
  std::unique_ptr<FdStreamBuf::KeptPages> keptPages_;
  int fd_ = -1;
  std::string fileName_;
  int flags_ = 0;
  int share_ = 0;
  std::shared_ptr<const bool> lifeToken_;
  // Set when a stream of this store lost output (see writeLost()).
  bool writeLost_ = false;
  std::unique_ptr<FreeIndex> freeIndex_;
  // Set when a walk to build the copy found the list damaged.
  bool freeIndexBroken_ = false;
  // The epochs of the records chains are on, with how many chains are on each.
  struct RecordEpoch {
    uint64_t epoch;
    ULONG holders;
  };
  HandleMap<RecordEpoch> recordEpochs_;
  uint64_t epochClock_ = 0;
};

#endif  // STORE_LOW_LEVEL_STORE_H
