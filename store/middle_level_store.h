// The middle-level store: a store of numbered objects on top of the
// handle-addressed low-level store. Each object has a 32-bit ID, a 32-bit word of
// flags free for the caller's use, and a fixed number of facets; a facet is empty
// or names one record of the store, read and written as a StoreStream. The book
// database keeps every page and link as such an object.
//
// The ID table is a HashStream kept in one record (the index record, named in
// the file header extension, store/middle_level_file_header.h). One table entry
// per ID (little-endian words):
//
//   OFFSET          SIZE   DESCRIPTION
//   0               4      ID (the hash key)
//   4               4      flags
//   8 + 4*f         4      facet f (0 <= f < facets): handle of its record, 0 = empty
//   8 + 4*facets    4      hash-stream link (see store/hash_stream.h)
//
// So the record size given to the hash stream is (facets + 2) * 4 with a 4-byte
// key, and an ID lives in bucket ID mod buckets. The index record is allocated at
// creation with user and extension size (facets + 3) * 4 * buckets + 2 * buckets,
// enough for the whole bucket table, so the table grows in large steps.
//
// IDs are handed out in increasing order from the next-ID field of the header
// (re-read before every use); a requested ID at or above the counter pushes the
// counter past it, one below leaves it alone; removed IDs are never handed out
// again by the counter.
//
// Invariants:
//   1. The ID table stream is open for the whole life of the store object and is
//      destroyed before the low-level store closes the file.
//   2. 1 <= facets <= MaxFacets; 64 <= buckets <= 4096 at creation.
//   3. Streams handed out (insert, find, find_noThrow, makeStream,
//      MLStoreHandle::getFacet) belong to the caller and must be destroyed
//      before the store.
//   4. A record is freed, or replaced by writeFacet, only when it starts at a
//      live first block and exactly one facet of the whole ID table names it. In a damaged file two facets may name one
//      record; freeing it for one of them would lose the other's data, so the
//      store refuses with RecordShared "Record <h> is also named by ID <id>
//      facet <f>" and changes nothing.
// Each operation first clears the store's stream error state, so one failed
// operation does not poison the next.
#ifndef STORE_MIDDLE_LEVEL_STORE_H
#define STORE_MIDDLE_LEVEL_STORE_H

#include <cstdint>
#include <iostream>
#include <memory>

#include "platform/windows_types.h"
#include "store/hash_stream.h"
#include "store/low_level_store.h"
#include "store/record_owners.h"
#include "store/store_stream.h"

class MiddleLevelFileHeader;
class MLStoreHandle;

class MiddleLevelStore : public LowLevelStore {
 public:
  TVX_DECLARE_EXCEPTION(NotFound, StoreException, "Not found");
  TVX_DECLARE_EXCEPTION(FacetNotFound, NotFound, "Facet not found");
  TVX_DECLARE_EXCEPTION(IDAlreadyExists, StoreException, "ID already exists");
  // A record that the ID table names more than once (a damaged file): it is
  // never freed, shortened or written over, since another ID still reads it.
  TVX_DECLARE_EXCEPTION(RecordShared, StoreException, "Record named by another ID");

  // The store signature of a middle-level store.
  static const char Signature[];  // "#MLS#"
  // Bucket counts are clamped to this range when a store is made.
  static const int MinBuckets = 64;
  static const int MaxBuckets = 4096;
  // The most facets an ID record can hold (its hash entry size is 16-bit).
  static const int MaxFacets = 16380;
  // The facet number that stands for the flags word in updateHashRec.
  static const int FlagsFacet = -1;

  // Enumeration callbacks; a non-zero result stops the enumeration. The stream
  // (null when the chosen facet is empty) is destroyed after the callback.
  typedef int (*StreamCallback)(std::iostream* stream, ULONG id, ULONG flags, void* context);
  typedef int (*HandleCallback)(MLStoreHandle& handle, void* context);

  // Creates a new store file with `facets` facets per ID (at least 1) and an ID
  // table of `buckets` buckets (clamped to 64 ... 4096). Ownership as for
  // LowLevelStore::make: the caller deletes the returned object (a raw owning
  // pointer because the destructor may throw).
  static MiddleLevelStore* make(const char* fileName, const char* signature, ULONG version,
                                int facets, int share, int buckets);
  // Opens an existing middle-level store; ownership as above.
  static MiddleLevelStore* make(const char* fileName, int flags, int share);

  ~MiddleLevelStore() noexcept(false) override;

  void classInvarient(const char* file, int line) override;
  using LowLevelStore::init;
  // Existing store: low-level open, then the ID table read from the index
  // record; the facet count follows from its entry size.
  void init(const char* fileName, int flags, int share) override;
  // The highest ID the counter has handed out so far (next-ID field - 1).
  virtual ULONG highestID();
  // New store (see make).
  virtual void init(const char* fileName, const char* signature, ULONG version, int facets,
                    int share, int buckets);
  const char* storeSignature() const override;

  int facets() const { return facets_; }
  HashStream* idTable() const { return table_.get(); }
  MiddleLevelFileHeader* mlHeader() const;

  // A new ID whose record is [ID, flags, 0 ...]. With a requested ID: that ID
  // (IDAlreadyExists "IDAlreadyExists" when it has a record). Without (null):
  // the next-ID field's value, the field then advanced by one.
  ULONG createID(ULONG flags, const ULONG* requestedID = nullptr);
  // A new ID as createID makes it without a requested ID, whose facet `facet`
  // names a new record holding the n bytes (user size at least `size`): the
  // record is written first and the ID's table entry names it from the start,
  // so the table is written once. On failure neither is left behind. A facet
  // out of range: FacetNotFound "MiddleLevelStore::getFacet::BadFacet".
  // `handle` (optional) receives the record's handle, `oneBlock` as writeFacet.
  ULONG createIDWithFacet(ULONG flags, int facet, const char* bytes, int n, ULONG size,
                          ULONG* handle = nullptr, bool* oneBlock = nullptr);
  // Word 1 of the ID's record; HashStream::NotFound "HashStream::find::NotFound"
  // for an unknown ID.
  ULONG getFlags(ULONG id);
  void setFlags(ULONG id, ULONG flags);

  // A copy of the ID's record (facets + 2 words); HashStream::NotFound
  // "HashStream::find::NotFound" for an unknown ID.
  std::unique_ptr<ULONG[]> getHashRec(ULONG id);
  // As getHashRec, but null for an unknown ID.
  std::unique_ptr<ULONG[]> getHashRec_noThrow(ULONG id);
  // The facet's handle (0 = empty). Unknown ID: HashStream::NotFound
  // "MiddleLevelStore::getFacet::NotFound"; a facet number out of range:
  // FacetNotFound "MiddleLevelStore::getFacet::BadFacet".
  ULONG getFacet(ULONG id, int facet);
  // As getFacet, but 0 for an unknown ID or a facet out of range.
  ULONG getFacet_noThrow(ULONG id, int facet);
  // Replaces one word of the ID's record (facet -1: the flags) in place.
  void updateHashRec(ULONG id, int facet, ULONG value);

  // A stream on the facet's record; when the facet is empty, a new record of
  // user size `size` (extension size 32) is made and named in the facet first.
  // Unknown ID and bad facet as getFacet; a record another facet names, or one
  // that is not a live first block, is refused as refuseForeign says (the stream
  // writes).
  std::unique_ptr<StoreStream> insert(ULONG id, int facet, ULONG size);
  // Makes the n bytes the whole content of the facet's record without making a
  // stream: written over the record when it is no longer than n bytes, else
  // into a fresh record (of user size at least `size`) that replaces it, so no
  // bytes of the old content remain after them. Returns the record's handle.
  // Unknown ID and bad facet as getFacet; a bad handle as makeStream.
  // `oneBlock` (optional) tells whether the record is now a single block (a read
  // of its start then makes no step).
  ULONG writeFacet(ULONG id, int facet, const char* bytes, int n, ULONG size,
                   bool* oneBlock = nullptr);
  // A stream on the facet's record. Empty facet: FacetNotFound
  // "MiddleLevelStore::find::FacetNotFound"; unknown ID as getFacet.
  std::unique_ptr<StoreStream> find(ULONG id, int facet);
  // As find, but null when the ID is unknown, the facet empty or out of range, or
  // the stream cannot be made.
  std::unique_ptr<StoreStream> find_noThrow(ULONG id, int facet);
  // True when the facet is empty, out of range, or the ID unknown.
  bool isFacetEmpty(ULONG id, int facet);
  // Frees the facet's record (if any) and empties the facet; unknown ID and bad
  // facet as getFacet; a record another facet names: RecordShared (invariant 4).
  void remove(ULONG id, int facet);
  // Frees every facet's record, last facet first, then removes the ID's entry;
  // HashStream::NotFound "HashStream::find::NotFound" for an unknown ID; a
  // record another facet names: RecordShared before anything is freed.
  void remove(ULONG id);

  // A new stream on the record at `handle`, after checking that the record exists
  // and is not freed (the low-level lookup exceptions otherwise). The ID table's
  // own record is refused with BadHandleException.
  std::unique_ptr<StoreStream> makeStream(ULONG handle);
  // Reads up to `size` bytes from the start of the record at `handle` without
  // making a stream: the handle is checked as makeStream checks it, and a
  // damaged record reads short as through a stream. Returns the count read.
  // `readFailed` (optional) tells whether the bytes were cut short by a failing
  // read of the file (rather than by the record's end or damage). Counted as a
  // read through a chain counts (LowLevelStore::chargeRecordRead).
  int readRecordStart(ULONG handle, char* buffer, int size, bool* readFailed = nullptr);

  // Visits every ID record in table order. A record is passed on unless mask != 0
  // and either `facet` is empty or (mask != all ones and flags & mask == 0). The
  // callback gets a stream on that facet's record (null when empty). An exception
  // inside one visit is swallowed and the enumeration goes on. Returns the
  // callback's stopping value, or 0.
  int enumerate(StreamCallback callback, void* context, int facet, ULONG mask);
  // The same selection by flags only; the callback gets a handle over the
  // record. A store exception inside a visit is reported with kind 'W' as
  // "Exception detected in store access: %s" and the enumeration goes on.
  int enumerate(HandleCallback callback, void* context, int facet, ULONG mask);
  // Every ID record in table order, as words (ID, flags, facet handles), with no
  // selection and nothing opened; exceptions from the callback pass through.
  // Returns the callback's stopping value, or 0.
  typedef int (*RecordCallback)(const ULONG* record, void* context);
  int enumerateRecords(RecordCallback callback, void* context);

  // Counts every change to the ID table made through this object (records
  // written or removed): what a cache built from an enumeration compares.
  uint64_t idTableChanges() const { return idTableChanges_; }

  // How many facets name each record (store/record_owners.h): built from one
  // walk of the table on first use, then kept in step with every facet word
  // this object changes. Store exceptions of the walk pass through.
  RecordOwners& owners();

 protected:
  MiddleLevelStore();
  std::unique_ptr<LowLevelFileHeader> doMakeHeader() override;
  std::unique_ptr<LowLevelFileHeader> doMakeHeader(const char* signature, ULONG version) override;

 private:
  // createID, with facet `facet` (when in range) naming the record at `handle`.
  ULONG createIDNaming(ULONG flags, const ULONG* requestedID, int facet, ULONG handle);
  // The 4-byte key of an ID.
  static void keyOf(ULONG id, char* key);
  // Writes a record of facets + 2 words into the ID table.
  void putHashRec(const ULONG* record);
  bool validFacet(int facet) const { return facet >= 0 && facet < facets_; }
  // makeStream's checks: the handle names a record other than the ID table, and
  // its first block.
  void checkFacetHandle(ULONG handle);
  void checkFirstBlock(const Chain* record);
  // Before a record of (id, facet) is freed or replaced (facet -1: every record
  // of the ID): each must be the live first block of a record (the low-level
  // lookup exceptions, or BadHandleException for a block inside a record), and
  // no other facet may name it (invariant 4: RecordShared; the ID naming one
  // record twice counts too), told by the count of owners (one walk of the
  // table the first time).
  void refuseForeign(ULONG id, int facet, const ULONG* record);
  // A facet word of the table changes from `from` to `to`.
  void noteFacetChange(ULONG from, ULONG to) {
    if (ownersBuilt_) owners_.change(from, to);
  }
  // The enumeration visitors (the selection is process-wide).
  static int visitForStream(const char* entry, void* store);
  static int visitForHandle(const char* entry, void* store);

  std::unique_ptr<HashStream> table_;
  WORD facets_ = 0;
  uint64_t idTableChanges_ = 0;
  RecordOwners owners_;
  bool ownersBuilt_ = false;
};

#endif  // STORE_MIDDLE_LEVEL_STORE_H
