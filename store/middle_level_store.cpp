// The middle-level store: making and opening stores with an ID table, handing
// out IDs, reading and changing ID records, streams on facets, removal and
// enumeration (layout and invariants in middle_level_store.h).
#include "store/middle_level_store.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "kit/error.h"
#include "store/block.h"
#include "store/chain.h"
#include "store/middle_level_file_header.h"
#include "store/ml_store_handle.h"

namespace {

const ULONG kAllOnes = 0xFFFFFFFFu;
const ULONG kFacetExtensionSize = 32;

ULONG getU32(const char* p) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<ULONG>(u[0]) | (static_cast<ULONG>(u[1]) << 8) |
         (static_cast<ULONG>(u[2]) << 16) | (static_cast<ULONG>(u[3]) << 24);
}

void putU32(char* p, ULONG v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The enumeration's selection, shared by every store object of the process as
// the system has always kept it. Each enumeration saves the selection it finds
// and puts it back when it ends, so an enumeration started from inside a
// callback does not disturb the one that called it.
struct Selection {
  MiddleLevelStore* store = nullptr;
  MiddleLevelStore::StreamCallback streamCallback = nullptr;
  MiddleLevelStore::HandleCallback handleCallback = nullptr;
  void* context = nullptr;
  int facet = 0;
  ULONG mask = 0;
};
Selection g_selection;

class SelectionScope {
 public:
  explicit SelectionScope(const Selection& s) : saved_(g_selection) { g_selection = s; }
  ~SelectionScope() { g_selection = saved_; }
  SelectionScope(const SelectionScope&) = delete;
  SelectionScope& operator=(const SelectionScope&) = delete;

 private:
  Selection saved_;
};

int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

const char MiddleLevelStore::Signature[] = "#MLS#";

MiddleLevelStore::MiddleLevelStore() = default;

MiddleLevelStore::~MiddleLevelStore() noexcept(false) {
  // The ID table's stream holds a reference on this store: it goes first.
  table_.reset();
}

MiddleLevelStore* MiddleLevelStore::make(const char* fileName, const char* signature,
                                         ULONG version, int facets, int share, int buckets) {
  return initOrDestroy(new MiddleLevelStore(), [&](MiddleLevelStore* store) {
    store->init(fileName, signature, version, facets, share, buckets);
  });
}

MiddleLevelStore* MiddleLevelStore::make(const char* fileName, int flags, int share) {
  return initOrDestroy(new MiddleLevelStore(),
                       [&](MiddleLevelStore* store) { store->init(fileName, flags, share); });
}

void MiddleLevelStore::classInvarient(const char* file, int line) {
  LowLevelStore::classInvarient(file, line);
  if (table_) table_->classInvarient(file, line);
}

const char* MiddleLevelStore::storeSignature() const { return Signature; }

std::unique_ptr<LowLevelFileHeader> MiddleLevelStore::doMakeHeader() {
  return std::make_unique<MiddleLevelFileHeader>(this);
}

std::unique_ptr<LowLevelFileHeader> MiddleLevelStore::doMakeHeader(const char* signature,
                                                                   ULONG version) {
  return std::make_unique<MiddleLevelFileHeader>(this, signature, version);
}

MiddleLevelFileHeader* MiddleLevelStore::mlHeader() const {
  return static_cast<MiddleLevelFileHeader*>(header());
}

void MiddleLevelStore::init(const char* fileName, const char* signature, ULONG version,
                            int facets, int share, int buckets) {
  LowLevelStore::init(fileName, signature, version, share);
  const ULONG f = static_cast<ULONG>(clampInt(facets, 1, MaxFacets));
  const ULONG b = static_cast<ULONG>(clampInt(buckets, MinBuckets, MaxBuckets));
  // Room for the header and the whole bucket table at once, and growth in steps
  // of the same size.
  const ULONG indexSize = (f + 3) * 4 * b + 2 * b;
  ULONG handle;
  {
    std::unique_ptr<Chain> index = alloc(indexSize, indexSize);
    handle = index->handle();
  }
  table_ = std::make_unique<HashStream>(makeStream(handle), static_cast<WORD>(b), 4,
                                        static_cast<WORD>((f + 2) * 4));
  facets_ = static_cast<WORD>(f);
  mlHeader()->setIndexHandle(handle);
}

void MiddleLevelStore::init(const char* fileName, int flags, int share) {
  LowLevelStore::init(fileName, flags, share);
  table_ = std::make_unique<HashStream>(makeStream(mlHeader()->indexHandle()));
  // The ID table must hold ID records: a 4-byte key, the flags word and at
  // least one facet word.
  const WORD entry = table_->entrySize();
  if (table_->keySize() != 4 || entry < 16 || entry % 4 != 0 ||
      (entry - 4) / 4 - 2 > MaxFacets) {
    table_.reset();
    clear();
    throw HashStream::BadSignatureException("ID table has a bad record layout");
  }
  facets_ = static_cast<WORD>((entry - 4) / 4 - 2);
}

ULONG MiddleLevelStore::highestID() {
  clear();
  return mlHeader()->nextID() - 1;
}

void MiddleLevelStore::keyOf(ULONG id, char* key) { putU32(key, id); }

void MiddleLevelStore::putHashRec(const ULONG* record) {
  std::vector<char> bytes(static_cast<size_t>(facets_ + 2) * 4);
  for (int i = 0; i < facets_ + 2; ++i) putU32(bytes.data() + 4 * i, record[i]);
  ++idTableChanges_;
  table_->insert(bytes.data());
}

std::unique_ptr<ULONG[]> MiddleLevelStore::getHashRec_noThrow(ULONG id) {
  clear();
  char key[4];
  keyOf(id, key);
  std::unique_ptr<char[]> entry = table_->find_noThrow(key);
  if (!entry) return nullptr;
  std::unique_ptr<ULONG[]> record(new ULONG[facets_ + 2]);
  for (int i = 0; i < facets_ + 2; ++i) record[i] = getU32(entry.get() + 4 * i);
  return record;
}

std::unique_ptr<ULONG[]> MiddleLevelStore::getHashRec(ULONG id) {
  std::unique_ptr<ULONG[]> record = getHashRec_noThrow(id);
  if (!record) {
    clear();
    throw HashStream::NotFound("HashStream::find::NotFound");
  }
  return record;
}

ULONG MiddleLevelStore::createID(ULONG flags, const ULONG* requestedID) {
  return createIDNaming(flags, requestedID, -1, 0);
}

ULONG MiddleLevelStore::createIDWithFacet(ULONG flags, int facet, const char* bytes, int n,
                                          ULONG size, ULONG* recordHandle, bool* oneBlock) {
  clear();
  if (oneBlock != nullptr) *oneBlock = false;
  if (!validFacet(facet)) {
    clear();
    throw FacetNotFound("MiddleLevelStore::getFacet::BadFacet");
  }
  std::unique_ptr<Chain> record =
      alloc(std::max<ULONG>(size, static_cast<ULONG>(n)), kFacetExtensionSize);
  const ULONG handle = record->handle();
  try {
    record->write(bytes, n);
    if (oneBlock != nullptr) {
      *oneBlock = record->cur_p() != nullptr && record->cur_p()->handle() == handle &&
                  record->cur_p()->header().next() == 0;
    }
    record.reset();
    const ULONG id = createIDNaming(flags, nullptr, facet, handle);
    if (recordHandle != nullptr) *recordHandle = handle;
    return id;
  } catch (...) {
    record.reset();
    try {
      free(handle);  // no record is left behind that no ID names
    } catch (const ErrorMsgException&) {
      clear();
    }
    throw;
  }
}

ULONG MiddleLevelStore::createIDNaming(ULONG flags, const ULONG* requestedID, int facet,
                                       ULONG handle) {
  clear();
  MiddleLevelFileHeader* h = mlHeader();
  ULONG id;
  if (requestedID != nullptr) {
    id = *requestedID;
    if (getHashRec_noThrow(id)) {
      clear();
      throw IDAlreadyExists("IDAlreadyExists");
    }
    // The counter moves past a requested ID at or above it (the last ID of all
    // cannot be passed, and the counter is left alone then).
    if (h->nextID() <= id && id != kAllOnes) h->setNextID(id + 1);
  } else {
    id = h->nextID();
    h->setNextID(id + 1);
    // Only a damaged header (or a counter that has gone round) can name an ID
    // that exists; its record is never overwritten. The counter has moved on,
    // so the next call tries the following ID.
    if (getHashRec_noThrow(id)) {
      clear();
      throw IDAlreadyExists("IDAlreadyExists");
    }
  }
  std::vector<ULONG> record(static_cast<size_t>(facets_) + 2, 0);
  record[0] = id;
  record[1] = flags;
  if (validFacet(facet)) record[2 + static_cast<size_t>(facet)] = handle;
  putHashRec(record.data());
  if (validFacet(facet)) noteFacetChange(0, handle);
  return id;
}

ULONG MiddleLevelStore::getFlags(ULONG id) { return getHashRec(id)[1]; }

void MiddleLevelStore::setFlags(ULONG id, ULONG flags) { updateHashRec(id, FlagsFacet, flags); }

ULONG MiddleLevelStore::getFacet(ULONG id, int facet) {
  std::unique_ptr<ULONG[]> record = getHashRec_noThrow(id);
  if (!record) {
    clear();
    throw HashStream::NotFound("MiddleLevelStore::getFacet::NotFound");
  }
  if (!validFacet(facet)) {
    clear();
    throw FacetNotFound("MiddleLevelStore::getFacet::BadFacet");
  }
  return record[2 + facet];
}

ULONG MiddleLevelStore::getFacet_noThrow(ULONG id, int facet) {
  if (!validFacet(facet)) return 0;
  // Read from the table's entry itself: every page stream opened asks this.
  clear();
  char key[4];
  keyOf(id, key);
  std::unique_ptr<char[]> entry = table_->find_noThrow(key);
  return entry ? getU32(entry.get() + 4 * (2 + facet)) : 0;
}

void MiddleLevelStore::updateHashRec(ULONG id, int facet, ULONG value) {
  clear();
  if (facet != FlagsFacet && !validFacet(facet)) {
    throw FacetNotFound("MiddleLevelStore::getFacet::BadFacet");
  }
  std::unique_ptr<ULONG[]> record = getHashRec(id);
  const ULONG old = record[facet + 2];
  record[facet + 2] = value;
  putHashRec(record.get());
  if (facet != FlagsFacet) noteFacetChange(old, value);
}

void MiddleLevelStore::checkFacetHandle(ULONG handle) {
  clear();
  // Facet handles come from the file: one naming the ID table's own record
  // would let a caller write over or free the table.
  if (table_ && handle == mlHeader()->indexHandle()) {
    throw BadHandleException("Handle names the ID table");
  }
  if (handle == 0) {
    clear();
    throw BadHandleException(
        "Out-of-range handle received as parameter to lookup, handle is in store header");
  }
}

// A facet names a record by its first block; a block inside another record
// would hand out that record's tail as if it were a record of its own.
void MiddleLevelStore::checkFirstBlock(const Chain* record) {
  if (record == nullptr || record->cur_g() == nullptr || !record->cur_g()->header().first_mark()) {
    clear();
    throw BadHandleException("Handle names a block inside a record");
  }
}

std::unique_ptr<StoreStream> MiddleLevelStore::makeStream(ULONG handle) {
  checkFacetHandle(handle);
  std::unique_ptr<StoreStream> stream = std::make_unique<StoreStream>(this, handle);
  try {
    checkFirstBlock(stream->storeBuf()->chain());
  } catch (...) {
    stream.reset();
    throw;
  }
  return stream;
}

int MiddleLevelStore::readRecordStart(ULONG handle, char* buffer, int size, bool* readFailed) {
  if (readFailed != nullptr) *readFailed = false;
  checkFacetHandle(handle);
  // Walks over many small records (entry headers between the bodies) read each
  // in one go, without bringing in a page per record. Read without a chain, a
  // record is still counted as the chain read would count it: one open, and no
  // step within one block.
  const int small = readSmallRecord(handle, buffer, size);
  if (small >= 0 || small == -2) {
    chargeRecordRead(0);
    if (small >= 0) return small;
    clear();
    if (readFailed != nullptr) *readFailed = true;
    return 0;
  }
  const uint64_t errors = readErrors();
  // A read cut short: by a failing read of the file, or by a damaged record.
  auto cutShort = [&]() {
    clear();
    if (readFailed != nullptr) *readFailed = readErrors() != errors;
  };
  {
    // Most such records are one block: read it without making a chain.
    std::unique_ptr<Block> first = lookupBlock(handle);
    if (!first->header().first_mark()) {
      clear();
      throw BadHandleException("Handle names a block inside a record");
    }
    if (first->header().next() == 0 || static_cast<LONG>(first->header().length()) >= size) {
      chargeRecordRead(0);
      try {
        return first->read(buffer, size);
      } catch (const ErrorMsgException&) {
        cutShort();
        return 0;
      }
    }
  }
  Chain record(this, handle);
  checkFirstBlock(&record);
  try {
    return record.read(buffer, size);
  } catch (const ErrorMsgException&) {
    // A damaged record reads short, as through a stream: the bytes copied
    // before the failure (the distance the cursor moved) still count.
    cutShort();
    const LONG at = record.tellg();
    return at > 0 && at <= size ? at : 0;
  }
}

ULONG MiddleLevelStore::writeFacet(ULONG id, int facet, const char* bytes, int n, ULONG size,
                                   bool* oneBlock) {
  if (oneBlock != nullptr) *oneBlock = false;
  ULONG handle = getFacet(id, facet);
  if (handle != 0) {
    checkFacetHandle(handle);
    refuseForeign(id, facet, getHashRec(id).get());
    Chain record(this, handle);
    checkFirstBlock(&record);
    if (record.getUserSize() <= n) {
      record.seekp(0);
      record.write(bytes, n);
      if (oneBlock != nullptr) {
        *oneBlock = record.cur_p() != nullptr && record.cur_p()->handle() == handle &&
                    record.cur_p()->header().next() == 0;
      }
      return handle;
    }
  }
  if (handle != 0) remove(id, facet);
  {
    std::unique_ptr<Chain> record = alloc(std::max<ULONG>(size, static_cast<ULONG>(n)),
                                          kFacetExtensionSize);
    handle = record->handle();
    try {
      record->write(bytes, n);
      if (oneBlock != nullptr) *oneBlock = record->cur_p() != nullptr &&
                                           record->cur_p()->handle() == handle &&
                                           record->cur_p()->header().next() == 0;
    } catch (...) {
      record.reset();
      free(handle);
      throw;
    }
  }
  try {
    updateHashRec(id, facet, handle);
  } catch (...) {
    free(handle);
    throw;
  }
  return handle;
}

std::unique_ptr<StoreStream> MiddleLevelStore::insert(ULONG id, int facet, ULONG size) {
  std::unique_ptr<ULONG[]> entry = getHashRec_noThrow(id);
  if (!entry) {
    clear();
    throw HashStream::NotFound("MiddleLevelStore::getFacet::NotFound");
  }
  if (!validFacet(facet)) {
    clear();
    throw FacetNotFound("MiddleLevelStore::getFacet::BadFacet");
  }
  // A stream made here writes: never over a record another facet names.
  if (entry[2 + facet] != 0) {
    refuseForeign(id, facet, entry.get());
    return makeStream(entry[2 + facet]);
  }
  std::unique_ptr<Chain> record = alloc(size, kFacetExtensionSize);
  const ULONG handle = record->handle();
  try {
    entry[2 + facet] = handle;
    putHashRec(entry.get());
  } catch (...) {
    record.reset();
    free(handle);
    throw;
  }
  noteFacetChange(0, handle);
  // The stream takes the new record's chain rather than opening the record
  // again; it is counted as the open it saves.
  ++chainOpenCount;
  return std::make_unique<StoreStream>(std::move(record));
}

std::unique_ptr<StoreStream> MiddleLevelStore::find(ULONG id, int facet) {
  ULONG handle = getFacet(id, facet);
  if (handle == 0) {
    clear();
    throw FacetNotFound("MiddleLevelStore::find::FacetNotFound");
  }
  return makeStream(handle);
}

std::unique_ptr<StoreStream> MiddleLevelStore::find_noThrow(ULONG id, int facet) {
  ULONG handle = getFacet_noThrow(id, facet);
  if (handle == 0) return nullptr;
  try {
    return makeStream(handle);
  } catch (const ErrorMsgException&) {
    clear();
    return nullptr;
  }
}

bool MiddleLevelStore::isFacetEmpty(ULONG id, int facet) { return getFacet_noThrow(id, facet) == 0; }

void MiddleLevelStore::remove(ULONG id, int facet) {
  ULONG handle = getFacet(id, facet);
  if (handle != 0) {
    if (handle == mlHeader()->indexHandle()) throw BadHandleException("Handle names the ID table");
    std::unique_ptr<ULONG[]> record = getHashRec(id);
    refuseForeign(id, facet, record.get());
    free(handle);
  }
  updateHashRec(id, facet, 0);
}

void MiddleLevelStore::remove(ULONG id) {
  std::unique_ptr<ULONG[]> record = getHashRec(id);
  refuseForeign(id, -1, record.get());
  for (int f = facets_ - 1; f >= 0; --f) {
    ULONG handle = record[2 + f];
    if (handle == 0) continue;
    if (handle == mlHeader()->indexHandle()) throw BadHandleException("Handle names the ID table");
    free(handle);
    // Forget each record as soon as it is freed, so that a failure part way
    // never leaves the entry naming freed records.
    record[2 + f] = 0;
    putHashRec(record.get());
    noteFacetChange(handle, 0);
  }
  char key[4];
  keyOf(id, key);
  ++idTableChanges_;
  table_->remove(key);
}

RecordOwners& MiddleLevelStore::owners() {
  if (!ownersBuilt_) {
    owners_.clear();
    struct Walk {
      RecordOwners* owners;
      int facets;
    } walk{&owners_, facets_};
    enumerateRecords(
        [](const ULONG* record, void* w) {
          Walk* walk = static_cast<Walk*>(w);
          for (int f = 0; f < walk->facets; ++f) walk->owners->add(record[2 + f]);
          return 0;
        },
        &walk);
    ownersBuilt_ = true;
  }
  return owners_;
}

void MiddleLevelStore::refuseForeign(ULONG id, int facet, const ULONG* record) {
  std::vector<ULONG> handles;
  for (int f = 0; f < facets_; ++f) {
    const ULONG h = record[2 + f];
    if (h != 0 && (facet < 0 || f == facet)) handles.push_back(h);
  }
  if (handles.empty()) return;
  // Each must be the live first block of a record: a facet naming a block
  // inside another record would free that record's tail.
  for (ULONG h : handles) {
    if (h == mlHeader()->indexHandle()) {
      clear();
      throw BadHandleException("Handle names the ID table");
    }
    if (!lookupBlock(h)->header().first_mark()) {
      clear();
      throw BadHandleException("Handle names a block inside a record");
    }
  }
  clear();
  RecordOwners& named = owners();
  for (ULONG h : handles) {
    if (named.count(h) <= 1) continue;
    // Refused: one more walk, to name the other facet.
    struct Search {
      ULONG id, handle, otherId;
      int facet, facets, otherFacet;
    } search{id, h, id, facet, facets_, -1};
    enumerateRecords(
        [](const ULONG* record, void* p) {
          Search* s = static_cast<Search*>(p);
          for (int f = 0; f < s->facets; ++f) {
            if (record[2 + f] != s->handle) continue;
            if (record[0] == s->id && (s->facet < 0 ? s->otherFacet < 0 : f == s->facet)) {
              if (s->facet < 0) s->otherFacet = -2;  // its own first naming
              continue;
            }
            s->otherId = record[0];
            s->otherFacet = f;
            return 1;
          }
          return 0;
        },
        &search);
    clear();
    char text[128];
    std::snprintf(text, sizeof text, "Record %lu is also named by ID %lu facet %d",
                  static_cast<unsigned long>(h), static_cast<unsigned long>(search.otherId),
                  search.otherFacet);
    throw RecordShared(text);
  }
}

int MiddleLevelStore::visitForStream(const char* entry, void* storePtr) {
  MiddleLevelStore* store = static_cast<MiddleLevelStore*>(storePtr);
  const Selection& s = g_selection;
  const ULONG id = getU32(entry);
  const ULONG flags = getU32(entry + 4);
  const ULONG handle = store->validFacet(s.facet) ? getU32(entry + 8 + 4 * s.facet) : 0;
  if (s.mask != 0 && (handle == 0 || (s.mask != kAllOnes && (flags & s.mask) == 0))) return 0;
  try {
    std::unique_ptr<StoreStream> stream;
    if (handle != 0) stream = store->makeStream(handle);
    return s.streamCallback(stream.get(), id, flags, s.context);
  } catch (const ErrorMsgException&) {
    store->clear();
    return 0;
  }
}

int MiddleLevelStore::visitForHandle(const char* entry, void* storePtr) {
  MiddleLevelStore* store = static_cast<MiddleLevelStore*>(storePtr);
  const Selection& s = g_selection;
  const ULONG flags = getU32(entry + 4);
  if (s.mask != 0 && s.mask != kAllOnes && (flags & s.mask) == 0) return 0;
  std::vector<ULONG> record(static_cast<size_t>(store->facets_) + 2);
  for (size_t i = 0; i < record.size(); ++i) record[i] = getU32(entry + 4 * i);
  try {
    MLStoreHandle handle(store, record.data());
    return s.handleCallback(handle, s.context);
  } catch (const ErrorMsgException& e) {
    store->clear();
    error(nullptr, 'W', "Exception detected in store access: %s", e.message());
    return 0;
  }
}

int MiddleLevelStore::enumerate(StreamCallback callback, void* context, int facet, ULONG mask) {
  clear();
  Selection s;
  s.store = this;
  s.streamCallback = callback;
  s.context = context;
  s.facet = facet;
  s.mask = mask;
  SelectionScope scope(s);
  return table_->enumerate(visitForStream, this);
}

int MiddleLevelStore::enumerate(HandleCallback callback, void* context, int facet, ULONG mask) {
  clear();
  Selection s;
  s.store = this;
  s.handleCallback = callback;
  s.context = context;
  s.facet = facet;
  s.mask = mask;
  SelectionScope scope(s);
  return table_->enumerate(visitForHandle, this);
}

namespace {

struct RecordWalk {
  MiddleLevelStore::RecordCallback callback;
  void* context;
  std::vector<ULONG> words;
};

int visitRecord(const char* entry, void* walkPtr) {
  RecordWalk* walk = static_cast<RecordWalk*>(walkPtr);
  for (size_t i = 0; i < walk->words.size(); ++i) walk->words[i] = getU32(entry + 4 * i);
  return walk->callback(walk->words.data(), walk->context);
}

}  // namespace

int MiddleLevelStore::enumerateRecords(RecordCallback callback, void* context) {
  clear();
  RecordWalk walk{callback, context, std::vector<ULONG>(static_cast<size_t>(facets_) + 2)};
  return table_->enumerate(visitRecord, &walk);
}
