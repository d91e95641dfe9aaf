// The fixed-size-record hash table kept in a stream: header, bucket table,
// chained overflow entries and their free list (layout in hash_stream.h).
#include "store/hash_stream.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>

namespace {

const size_t kSignatureBytes = 7;  // "#~HS&#" and its NUL
const size_t kMaxSignatureLine = 80;
const ULONG kLinkSize = 4;
// The most enumerate reads at once (and holds while it runs).
const uint64_t kMaxReadWindow = uint64_t(4) << 20;

ULONG getU32(const char* p) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<ULONG>(u[0]) | (static_cast<ULONG>(u[1]) << 8) |
         (static_cast<ULONG>(u[2]) << 16) | (static_cast<ULONG>(u[3]) << 24);
}

WORD getU16(const char* p) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<WORD>(u[0] | (u[1] << 8));
}

void putU32(char* p, ULONG v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void putU16(char* p, WORD v) {
  p[0] = static_cast<char>(v & 0xFF);
  p[1] = static_cast<char>((v >> 8) & 0xFF);
}

}  // namespace

const char HashStream::Signature[] = "#~HS&#";

HashStream::HashStream(std::unique_ptr<std::iostream> stream, WORD buckets, WORD keySize,
                       WORD recordSize)
    : buckets_(buckets), keySize_(keySize), freeList_(0), stream_(std::move(stream)) {
  if (buckets == 0 || keySize == 0 || keySize > recordSize ||
      recordSize > 0xFFFF - kLinkSize) {
    throw BadSignatureException("Bad HashStream layout requested");
  }
  entrySize_ = static_cast<WORD>(recordSize + kLinkSize);
  reads_ = dynamic_cast<PositionedReads*>(stream_->rdbuf());
  writeHeader();
}

HashStream::HashStream(std::unique_ptr<std::iostream> stream) : stream_(std::move(stream)) {
  reads_ = dynamic_cast<PositionedReads*>(stream_->rdbuf());
  readHeader();
}

HashStream::~HashStream() {
  if (stream_) stream_->flush();
}

void HashStream::classInvarient(const char*, int) const {}

ULONG HashStream::doHashFunction(const char* key) const {
  ULONG value;
  if (keySize_ >= 4) {
    value = getU32(key);
  } else if (keySize_ >= 2) {
    value = getU16(key);
  } else {
    // A single byte is sign-extended to 16 bits and then taken as unsigned.
    value = static_cast<WORD>(static_cast<int16_t>(static_cast<signed char>(key[0])));
  }
  return value % buckets_;
}

bool HashStream::empty(const char* entry) const {
  return next(entry) == EmptyLink;
}

ULONG HashStream::next(const char* entry) const {
  return getU32(entry + entrySize_ - kLinkSize);
}

bool HashStream::match(const char* entry, const char* key) const {
  return std::memcmp(entry, key, keySize_) == 0;
}

ULONG HashStream::tableEnd() const {
  return static_cast<ULONG>(headerLength_) + static_cast<ULONG>(buckets_) * entrySize_;
}

void HashStream::refreshStreamEnd() {
  std::streamoff end;
  stream_->clear();
  if (reads_ != nullptr) {
    end = reads_->deviceLength();
  } else {
    stream_->seekg(0, std::ios::end);
    end = stream_->tellg();
  }
  stream_->clear();
  if (end < 0) return;
  if (static_cast<uint64_t>(end) > streamEnd_) streamEnd_ = static_cast<uint64_t>(end);
  endKnown_ = true;
}

bool HashStream::validOverflowPos(ULONG pos) {
  if (pos < tableEnd() || (pos - tableEnd()) % entrySize_ != 0) return false;
  if (static_cast<uint64_t>(pos) + entrySize_ > streamEnd_) refreshStreamEnd();
  return static_cast<uint64_t>(pos) + entrySize_ <= streamEnd_;
}

ULONG HashStream::overflowCapacity() {
  if (streamEnd_ <= tableEnd()) return 0;
  return static_cast<ULONG>((streamEnd_ - tableEnd()) / entrySize_);
}

bool HashStream::readEntry(ULONG pos, char* entry) {
  if (buildWindow_ != nullptr) return readThrough(*buildWindow_, pos, entry);
  return readBytes(pos, entry, entrySize_) == entrySize_;
}

size_t HashStream::readBytes(ULONG pos, char* bytes, size_t n) {
  stream_->clear();
  std::streamsize got;
  if (reads_ != nullptr) {
    got = reads_->readAt(pos, bytes, static_cast<std::streamsize>(n));
  } else {
    stream_->seekg(pos);
    stream_->read(bytes, static_cast<std::streamsize>(n));
    got = stream_->gcount();
  }
  stream_->clear();
  return got > 0 ? static_cast<size_t>(got) : 0;
}

void HashStream::writeBytes(ULONG pos, const char* bytes, size_t n) {
  ++writes_;
  stream_->clear();
  stream_->seekp(pos);
  stream_->write(bytes, static_cast<std::streamsize>(n));
  if (!*stream_) writeFailed_ = true;
}

void HashStream::writeLink(ULONG pos, ULONG link) {
  char b[kLinkSize];
  putU32(b, link);
  writeBytes(pos + entrySize_ - kLinkSize, b, kLinkSize);
}

void HashStream::flush() {
  stream_->flush();
  if (!*stream_) writeFailed_ = true;
  stream_->clear();
}

// ---------------------------------------------------------------------------
// The chain index

class HashStream::Aside {
 public:
  explicit Aside(PositionedReads* reads) : reads_(reads) {
    if (reads_ != nullptr) reads_->beginAside();
  }
  ~Aside() {
    if (reads_ != nullptr) reads_->endAside();
  }
  Aside(const Aside&) = delete;
  Aside& operator=(const Aside&) = delete;

 private:
  PositionedReads* reads_;
};

class HashStream::WriteScope {
 public:
  explicit WriteScope(HashStream& table)
      : table_(table), exceptions_(std::uncaught_exceptions()) {
    table_.writeFailed_ = false;
  }
  ~WriteScope() {
    if (table_.writeFailed_ || std::uncaught_exceptions() > exceptions_) table_.dropAllIndexes();
    table_.writeFailed_ = false;
  }
  WriteScope(const WriteScope&) = delete;
  WriteScope& operator=(const WriteScope&) = delete;

 private:
  HashStream& table_;
  int exceptions_;
};

void HashStream::setIndexBudget(size_t bytes) {
  chains_.setBudget(bytes);
  dropAllIndexes();
}

void HashStream::layoutChanged() {
  chains_.setLayout(buckets_, keySize_, entrySize_, tableEnd());
  dropAllIndexes();
  opEntry_.assign(entrySize_, 0);
  moveEntry_.assign(entrySize_, 0);
  freeEntry_.assign(entrySize_, 0);
  probeEntry_.assign(entrySize_, 0);
  walkEntry_.assign(entrySize_, 0);
}

void HashStream::dropAllIndexes() {
  chains_.dropAll();
  freeListKnown_ = false;
  endKnown_ = false;
}

HashStream::BucketIndex* HashStream::indexOf(ULONG bucket) {
  if (bucket >= buckets_ || !chains_.enabled()) return nullptr;
  if (!chains_.isOpen()) {
    chains_.open();
    indexAllBuckets();
  }
  BucketIndex& index = chains_.bucket(bucket);
  if (index.state == BucketIndex::Indexed) return &index;
  if (index.state == BucketIndex::StreamOnly) return nullptr;
  return buildIndex(bucket, index) ? &index : nullptr;
}

void HashStream::indexAllBuckets() {
  if (!endKnown_) refreshStreamEnd();
  // A table larger than one window is indexed a bucket at a time, as lookups
  // come (a window refilled for every step of a chain would cost more).
  if (streamEnd_ > kMaxReadWindow) return;
  ReadWindow window;
  buildWindow_ = &window;
  struct Reset {
    HashStream* self;
    ~Reset() { self->buildWindow_ = nullptr; }
  } reset{this};
  for (ULONG b = 0; b < buckets_; ++b) {
    if (chains_.bucket(b).state == BucketIndex::Unknown) buildIndex(b, chains_.bucket(b));
  }
}

bool HashStream::buildIndex(ULONG bucket, BucketIndex& index) {
  char* e = walkEntry_.data();
  const ULONG slot = headerLength_ + bucket * entrySize_;
  if (!readEntry(slot, e)) return false;  // left to the walk through the stream
  index.state = BucketIndex::Indexed;
  if (empty(e)) return true;
  auto giveUp = [&](BucketIndex::State state) {
    chains_.drop(bucket);
    index.state = state;
    return false;
  };
  if (!chains_.fitsOneMore()) return giveUp(BucketIndex::StreamOnly);
  chains_.append(bucket, slot, next(e), e);
  // Bound: every entry taken is charged to the budget, and an overflow position
  // met a second time ends the walk, so it takes at most as many steps as the
  // budget allows and the stream has overflow entries.
  for (ULONG link = next(e); link != 0; link = next(e)) {
    // A link out of place, a loop (a position this chain already holds) or a
    // tail shared with another bucket: the walk through the stream answers.
    if (!validOverflowPos(link) || chains_.ownerOf(link) != nullptr) {
      return giveUp(BucketIndex::StreamOnly);
    }
    if (!chains_.fitsOneMore()) return giveUp(BucketIndex::StreamOnly);
    if (!readEntry(link, e)) return giveUp(BucketIndex::Unknown);
    chains_.append(bucket, link, next(e), e);
  }
  return true;
}

HashStream::Lookup HashStream::lookup(const char* key, char* entry, bool wantEntry) {
  const ULONG bucket = doHashFunction(key);
  Lookup r{};
  bool answered = false;
  if (chains_.enabled()) {
    // The index's own reads (building a bucket's index, the entry it returns)
    // are made aside; the walk they stand in for is charged below.
    Aside aside(reads_);
    answered = lookupIndexed(bucket, key, entry, wantEntry, r);
  }
  if (answered) {
    chargeWalk(r);
    return r;
  }
  r = Lookup{};
  r.bucket = bucket;
  r.at = -1;
  r.pos = walkStream(key, r.found, r.empty, entry, r.previous, &r.damaged);
  return r;
}

bool HashStream::lookupIndexed(ULONG bucket, const char* key, char* entry, bool wantEntry,
                               Lookup& r) {
  // Twice at most: an index that disagrees with the stream is built again once.
  for (int attempt = 0; attempt < 2; ++attempt) {
    r = Lookup{};
    r.bucket = bucket;
    r.at = -1;
    BucketIndex* index = indexOf(bucket);
    if (index == nullptr) return false;
    const long at = chains_.find(*index, key);
    const size_t n = index->entries.size();
    if (at >= 0) {
      r.pos = index->entries[at].pos;
      r.previous = at > 0 ? index->entries[at - 1].pos : 0;
      r.found = at == 0 ? FoundInSlot : FoundInChain;
      if (!readEntry(r.pos, entry) || !chains_.agrees(*index, static_cast<size_t>(at), entry)) {
        chains_.drop(r.bucket);
        continue;
      }
      r.at = at;
      r.visits = static_cast<size_t>(at) + 1;
      r.indexed = true;
      return true;
    }
    if (n == 0) {
      r.pos = headerLength_ + r.bucket * entrySize_;
      r.empty = true;
      if (wantEntry && (!readEntry(r.pos, entry) || !this->empty(entry))) {
        chains_.drop(r.bucket);
        continue;
      }
    } else {
      r.pos = index->entries[n - 1].pos;
      r.previous = n > 1 ? index->entries[n - 2].pos : 0;
      if (wantEntry && (!readEntry(r.pos, entry) || !chains_.agrees(*index, n - 1, entry))) {
        chains_.drop(r.bucket);
        continue;
      }
    }
    r.visits = n == 0 ? 1 : n;
    r.indexed = true;
    return true;
  }
  return false;
}

void HashStream::chargeWalk(const Lookup& r) {
  if (reads_ == nullptr) return;
  const BucketIndex* index = chains_.indexed(r.bucket);
  if (r.empty || index == nullptr) {
    reads_->chargeReadAt(r.pos, entrySize_);
    return;
  }
  const size_t n = std::min(r.visits, index->entries.size());
  if (n == 0) return;
  ReadSeries series;
  series.first = &index->entries.data()->pos;
  series.stride = sizeof(HashChainIndex::Entry);
  series.count = n;
  reads_->chargePlannedReadsAt(walkPlans_[r.bucket], index->shape, series, entrySize_);
}

ULONG HashStream::findPos(const char* key, int& found, bool& empty, char* entry,
                          ULONG& previous, bool* damaged) {
  Lookup r = lookup(key, entry, true);
  found = r.found;
  empty = r.empty;
  previous = r.previous;
  if (damaged) *damaged = r.damaged;
  return r.pos;
}

ULONG HashStream::walkStream(const char* key, int& found, bool& empty, char* entry,
                             ULONG& previous, bool* damaged) {
  found = NotFoundHere;
  empty = false;
  previous = 0;
  if (damaged) *damaged = false;

  ULONG pos = headerLength_ + doHashFunction(key) * entrySize_;
  if (!readEntry(pos, entry)) {
    // The header check guarantees a whole bucket table; a read that still
    // fails means the stream itself failed.
    if (damaged) *damaged = true;
    return pos;
  }
  if (this->empty(entry)) {
    empty = true;
    return pos;
  }
  if (match(entry, key)) {
    found = FoundInSlot;
    return pos;
  }
  // Follow the chain. Bound: a sound chain holds each overflow entry at most
  // once, so more steps than the stream has overflow entries means a loop. The
  // stream is measured first, so that the bound is its whole length and not
  // what earlier work happened to measure.
  if (next(entry) != 0 && !endKnown_) refreshStreamEnd();
  char* candidate = walkEntry_.data();
  ULONG steps = 0;
  for (ULONG link = next(entry); link != 0; link = next(entry)) {
    if (!validOverflowPos(link) || ++steps > overflowCapacity()) {
      if (damaged) *damaged = true;
      return pos;
    }
    if (!readEntry(link, candidate)) {
      if (damaged) *damaged = true;
      return pos;
    }
    previous = pos;
    pos = link;
    std::memcpy(entry, candidate, entrySize_);
    if (match(entry, key)) {
      found = FoundInChain;
      return pos;
    }
  }
  return pos;
}

ULONG HashStream::currentFreeList() {
  return freeListKnown_ ? freeList_ : updateFreeList();
}

ULONG HashStream::takeFreeEntry() {
  ULONG head = currentFreeList();
  if (head == 0) return 0;
  char* freeEntry = freeEntry_.data();
  if (!validOverflowPos(head) || !readEntry(head, freeEntry)) {
    // A damaged head: forget the list (only recyclable space is lost).
    updateFreeList(0);
    return 0;
  }
  // A free entry keeps its old record bytes. If its key still leads to this
  // very position, the entry is in use and the list is damaged (a loop or a
  // cross-link): forget the list rather than overwrite a live record.
  Lookup live = lookup(freeEntry, probeEntry_.data(), false);
  if (live.found != NotFoundHere && live.pos == head) {
    updateFreeList(0);
    return 0;
  }
  ULONG newHead = next(freeEntry);
  if (newHead != 0 && (newHead == head || !validOverflowPos(newHead))) newHead = 0;
  updateFreeList(newHead);
  return head;
}

void HashStream::putOnFreeList(ULONG pos) {
  ULONG head = currentFreeList();
  writeLink(pos, head);
  updateFreeList(pos);
}

void HashStream::insert(const char* record) {
  char* entry = opEntry_.data();
  const Lookup r = lookup(record, entry, false);
  const size_t recordSize = entrySize_ - kLinkSize;
  if (r.found == NotFoundHere && !r.empty && r.damaged) {
    stream_->clear();
    throw BadChainException("HashStream::insert::BadChain");
  }
  WriteScope scope(*this);

  if (r.found != NotFoundHere) {
    // Replace in place; the key and the link stay, and so does the index.
    writeBytes(r.pos, record, recordSize);
  } else if (r.empty) {
    std::memcpy(entry, record, recordSize);
    putU32(entry + recordSize, 0);
    writeBytes(r.pos, entry, entrySize_);
    chains_.noteSlotFilled(r.bucket, r.indexed, r.pos, record);
  } else {
    // At the end of the chain: in a recycled entry, else appended to the stream.
    std::memcpy(entry, record, recordSize);
    putU32(entry + recordSize, 0);
    ULONG newPos = takeFreeEntry();
    if (newPos == 0) {
      // Append after the last whole entry (a stream with stray trailing bytes
      // still gets its new entry on an entry boundary).
      if (!endKnown_) refreshStreamEnd();
      uint64_t end = streamEnd_ < tableEnd() ? tableEnd() : streamEnd_;
      uint64_t slack = (end - tableEnd()) % entrySize_;
      if (slack != 0) end += entrySize_ - slack;
      if (end + entrySize_ > 0xFFFFFFFFull) {
        stream_->clear();
        throw BadChainException("HashStream::insert::TableFull");
      }
      newPos = static_cast<ULONG>(end);
    }
    // A recycled position still in a chain (a damaged free list): that chain
    // changes under its index.
    chains_.dropOwnerOf(newPos);
    writeBytes(newPos, entry, entrySize_);
    if (static_cast<uint64_t>(newPos) + entrySize_ > streamEnd_) {
      stream_->flush();
      if (*stream_) {
        streamEnd_ = static_cast<uint64_t>(newPos) + entrySize_;
      } else {
        writeFailed_ = true;
      }
    }
    writeLink(r.pos, newPos);
    chains_.noteAppended(r.bucket, r.indexed, r.pos, newPos, record);
  }
  flush();
}

std::unique_ptr<char[]> HashStream::find_noThrow(const char* key) {
  stream_->clear();
  char* scratch = opEntry_.data();
  if (lookup(key, scratch, false).found == NotFoundHere) return nullptr;
  std::unique_ptr<char[]> entry(new char[entrySize_]);
  std::memcpy(entry.get(), scratch, entrySize_);
  return entry;
}

std::unique_ptr<char[]> HashStream::find(const char* key) {
  std::unique_ptr<char[]> entry = find_noThrow(key);
  if (!entry) {
    stream_->clear();
    throw NotFound("HashStream::find::NotFound");
  }
  return entry;
}

void HashStream::remove(const char* key) {
  stream_->clear();
  char* entry = opEntry_.data();
  const Lookup r = lookup(key, entry, false);
  if (r.found == NotFoundHere) {
    stream_->clear();
    throw NotFound("HashStream::remove::NotFound");
  }
  WriteScope scope(*this);
  const ULONG link = next(entry);
  if (r.found == FoundInSlot) {
    char* chained = moveEntry_.data();
    if (link != 0 && validOverflowPos(link) && readEntry(link, chained)) {
      // The first chained entry (record and link) moves into the slot, and its
      // old position goes on the free list.
      chains_.noteMovedIntoSlot(r.bucket, r.indexed, link, chained);
      writeBytes(r.pos, chained, entrySize_);
      putOnFreeList(link);
    } else {
      // No chain (or a broken one, which goes with the record): the slot empties.
      chains_.noteSlotEmptied(r.bucket, r.indexed);
      writeLink(r.pos, EmptyLink);
    }
  } else {
    // In a chain: the entry before it takes its link, and it goes on the free list.
    chains_.noteUnlinked(r.bucket, r.indexed, r.at, r.previous, r.pos);
    writeLink(r.previous, link);
    putOnFreeList(r.pos);
  }
  flush();
}

std::string HashStream::checkChainIndex() {
  if (!chains_.isOpen()) return "";
  char* e = walkEntry_.data();
  for (ULONG b = 0; b < buckets_; ++b) {
    const BucketIndex* index = chains_.indexed(b);
    if (index == nullptr) continue;
    const std::string at = "bucket " + std::to_string(b) + ": ";
    ULONG pos = headerLength_ + b * entrySize_;
    for (size_t i = 0;; ++i) {
      if (!readEntry(pos, e)) return at + "entry at " + std::to_string(pos) + " cannot be read";
      if (i == 0 && empty(e)) {
        if (!index->entries.empty()) return at + "the slot is empty, the index holds a chain";
        break;
      }
      if (i >= index->entries.size()) return at + "the walk goes on after the index ends";
      const HashChainIndex::Entry& held = index->entries[i];
      if (held.pos != pos || !chains_.agrees(*index, i, e)) {
        return at + "entry " + std::to_string(i) + " at " + std::to_string(pos) +
               " differs from the index";
      }
      if (i > 0) {
        const ULONG* owner = chains_.ownerOf(pos);
        if (owner == nullptr || *owner != b) return at + "an overflow entry without its owner";
      }
      const ULONG link = next(e);
      if (link == 0) {
        if (i + 1 != index->entries.size()) return at + "the index goes on after the walk ends";
        break;
      }
      if (i + 1 == index->entries.size()) return at + "the walk goes on after the index ends";
      pos = link;
    }
  }
  return "";
}

bool HashStream::readThrough(ReadWindow& window, ULONG pos, char* entry) {
  const uint64_t end = static_cast<uint64_t>(pos) + entrySize_;
  if (window.writes != writes_ || pos < window.start || end > window.start + window.filled) {
    // One read fills the window: from the start when the stream fits in it
    // (every later entry is then served from memory), else from pos.
    if (window.bytes.empty()) {
      window.bytes.resize(static_cast<size_t>(
          std::min<uint64_t>(kMaxReadWindow, std::max<uint64_t>(streamEnd_, entrySize_))));
    }
    window.start = streamEnd_ <= window.bytes.size() && end <= window.bytes.size() ? 0 : pos;
    window.writes = writes_;
    window.filled = readBytes(window.start, window.bytes.data(), window.bytes.size());
    if (end > window.start + window.filled) return false;
  }
  std::memcpy(entry, window.bytes.data() + (pos - window.start), entrySize_);
  return true;
}

int HashStream::enumerate(EnumerateCallback callback, void* context) {
  stream_->clear();
  if (!endKnown_) refreshStreamEnd();  // the read window is sized by it
  std::vector<char> entry(entrySize_);
  ReadWindow window;
  // Bound: a sound table holds at most buckets + overflow entries records; a
  // damaged one stops the walk when it has made that many visits.
  uint64_t visits = 0;
  for (ULONG b = 0; b < buckets_; ++b) {
    ULONG pos = headerLength_ + b * entrySize_;
    if (!readThrough(window, pos, entry.data()) || empty(entry.data())) continue;
    ULONG steps = 0;
    for (;;) {
      if (++visits > static_cast<uint64_t>(buckets_) + overflowCapacity()) {
        refreshStreamEnd();
        if (visits > static_cast<uint64_t>(buckets_) + overflowCapacity()) return 0;
      }
      int result = callback(entry.data(), context);
      if (result != 0) return result;
      ULONG link = next(entry.data());
      if (link == 0 || !validOverflowPos(link) || ++steps > overflowCapacity() ||
          !readThrough(window, link, entry.data())) {
        break;
      }
    }
  }
  return 0;
}

ULONG HashStream::updateFreeList() {
  char b[kLinkSize];
  freeListKnown_ = readBytes(headerLength_ - kLinkSize, b, kLinkSize) == kLinkSize;
  if (freeListKnown_) freeList_ = getU32(b);
  return freeList_;
}

void HashStream::updateFreeList(ULONG head) {
  freeList_ = head;
  char b[kLinkSize];
  putU32(b, head);
  const bool failedBefore = writeFailed_;
  writeFailed_ = false;
  writeBytes(headerLength_ - kLinkSize, b, kLinkSize);  // the 4 bytes before the table
  flush();
  freeListKnown_ = !writeFailed_;
  writeFailed_ = writeFailed_ || failedBefore;
}

void HashStream::writeHeader() {
  doWriteHeaderExtension();
  char header[kSignatureBytes + 4 + 2 + 2 + 2 + 4];
  std::memcpy(header, Signature, kSignatureBytes);
  char* p = header + kSignatureBytes;
  putU32(p, CurrentVersion);
  putU16(p + 4, entrySize_);
  putU16(p + 6, keySize_);
  putU16(p + 8, buckets_);
  putU32(p + 10, freeList_);
  version_ = CurrentVersion;
  ++writes_;
  stream_->clear();
  stream_->seekp(0);
  stream_->write(header, sizeof header);
  headerLength_ = static_cast<WORD>(sizeof header);

  // The whole bucket table at once, in runs of empty entries.
  std::vector<char> emptyEntry(entrySize_, 0);
  putU32(emptyEntry.data() + entrySize_ - kLinkSize, EmptyLink);
  const ULONG perRun = 64;
  std::vector<char> run;
  run.reserve(static_cast<size_t>(perRun) * entrySize_);
  for (ULONG i = 0; i < perRun; ++i) run.insert(run.end(), emptyEntry.begin(), emptyEntry.end());
  for (ULONG done = 0; done < buckets_;) {
    ULONG n = buckets_ - done < perRun ? buckets_ - done : perRun;
    stream_->write(run.data(), static_cast<std::streamsize>(n) * entrySize_);
    done += n;
  }
  stream_->flush();
  const bool written = static_cast<bool>(*stream_);
  streamEnd_ = tableEnd();
  stream_->clear();
  stream_->seekp(headerLength_);
  layoutChanged();
  // The stream may have been longer than the new table: measured at the first
  // append.
  endKnown_ = false;
  freeListKnown_ = written;
}

void HashStream::readHeader() {
  doReadHeaderExtension();
  stream_->clear();
  stream_->seekg(0);
  char line[kMaxSignatureLine];
  size_t n = 0;
  bool terminated = false;
  while (n < kMaxSignatureLine) {
    int c = stream_->get();
    if (c == std::char_traits<char>::eof()) break;
    if (c == 0) {
      terminated = true;
      break;
    }
    line[n++] = static_cast<char>(c);
  }
  if (!terminated || n + 1 != kSignatureBytes || std::memcmp(line, Signature, n) != 0) {
    stream_->clear();
    throw BadSignatureException("Read bad HashStream signature in header");
  }
  char fields[4 + 2 + 2 + 2 + 4];
  stream_->read(fields, sizeof fields);
  bool complete = stream_->gcount() == static_cast<std::streamsize>(sizeof fields);
  if (stream_->gcount() < 4) {
    stream_->clear();
    throw BadVersionException("Read bad HashStream version number in header");
  }
  version_ = getU32(fields);
  if (version_ > CurrentVersion) {
    stream_->clear();
    throw BadVersionException("File was created by a more recent software version");
  }
  if (!complete) {
    stream_->clear();
    throw BadSignatureException("Read bad HashStream layout in header");
  }
  entrySize_ = getU16(fields + 4);
  keySize_ = getU16(fields + 6);
  buckets_ = getU16(fields + 8);
  freeList_ = getU32(fields + 10);
  headerLength_ = static_cast<WORD>(kSignatureBytes + sizeof fields);
  stream_->clear();
  layoutChanged();

  // A layout that cannot hold a key and a link, or a bucket table that is not
  // wholly inside the stream, is not a table we can work on (and writing into a
  // missing table could grow the stream without limit). The table's last byte
  // is read to tell: measuring the whole stream would walk every block of a
  // long record, which a table opened only to be held (or looked into a few
  // times) never needs. The length is measured when a position past the table
  // is first met (see validOverflowPos and insert).
  bool tableInside = false;
  if (keySize_ != 0 && buckets_ != 0 && entrySize_ >= kLinkSize + keySize_) {
    char last = 0;
    stream_->clear();
    stream_->seekg(static_cast<std::streamoff>(tableEnd()) - 1);
    tableInside = stream_->good() && stream_->read(&last, 1).gcount() == 1;
    stream_->clear();
  }
  if (!tableInside) throw BadSignatureException("Read bad HashStream layout in header");
  streamEnd_ = tableEnd();
  endKnown_ = false;
  freeListKnown_ = true;
}
