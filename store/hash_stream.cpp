// The fixed-size-record hash table kept in a stream: header, bucket table,
// chained overflow entries and their free list (layout in hash_stream.h).
#include "store/hash_stream.h"

#include <cstring>
#include <vector>

namespace {

const size_t kSignatureBytes = 7;  // "#~HS&#" and its NUL
const size_t kMaxSignatureLine = 80;
const ULONG kLinkSize = 4;

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
  writeHeader();
}

HashStream::HashStream(std::unique_ptr<std::iostream> stream) : stream_(std::move(stream)) {
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
  stream_->clear();
  stream_->seekg(0, std::ios::end);
  std::streamoff end = stream_->tellg();
  stream_->clear();
  if (end > 0 && static_cast<uint64_t>(end) > streamEnd_) streamEnd_ = static_cast<uint64_t>(end);
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
  stream_->clear();
  stream_->seekg(pos);
  stream_->read(entry, entrySize_);
  bool ok = stream_->gcount() == static_cast<std::streamsize>(entrySize_);
  stream_->clear();
  return ok;
}

void HashStream::writeBytes(ULONG pos, const char* bytes, size_t n) {
  stream_->clear();
  stream_->seekp(pos);
  stream_->write(bytes, static_cast<std::streamsize>(n));
}

void HashStream::writeLink(ULONG pos, ULONG link) {
  char b[kLinkSize];
  putU32(b, link);
  writeBytes(pos + entrySize_ - kLinkSize, b, kLinkSize);
}

void HashStream::flush() {
  stream_->flush();
  stream_->clear();
}

ULONG HashStream::findPos(const char* key, int& found, bool& empty, char* entry,
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
  // once, so more steps than the stream has overflow entries means a loop.
  std::vector<char> candidate(entrySize_);
  ULONG steps = 0;
  for (ULONG link = next(entry); link != 0; link = next(entry)) {
    if (!validOverflowPos(link) || ++steps > overflowCapacity()) {
      if (damaged) *damaged = true;
      return pos;
    }
    if (!readEntry(link, candidate.data())) {
      if (damaged) *damaged = true;
      return pos;
    }
    previous = pos;
    pos = link;
    std::memcpy(entry, candidate.data(), entrySize_);
    if (match(entry, key)) {
      found = FoundInChain;
      return pos;
    }
  }
  return pos;
}

ULONG HashStream::takeFreeEntry() {
  ULONG head = updateFreeList();
  if (head == 0) return 0;
  std::vector<char> freeEntry(entrySize_);
  if (!validOverflowPos(head) || !readEntry(head, freeEntry.data())) {
    // A damaged head: forget the list (only recyclable space is lost).
    updateFreeList(0);
    return 0;
  }
  // A free entry keeps its old record bytes. If its key still leads to this
  // very position, the entry is in use and the list is damaged (a loop or a
  // cross-link): forget the list rather than overwrite a live record.
  std::vector<char> probe(entrySize_);
  int found;
  bool emptySlot;
  ULONG previous;
  ULONG livePos = findPos(freeEntry.data(), found, emptySlot, probe.data(), previous);
  if (found != NotFoundHere && livePos == head) {
    updateFreeList(0);
    return 0;
  }
  ULONG newHead = next(freeEntry.data());
  if (newHead != 0 && (newHead == head || !validOverflowPos(newHead))) newHead = 0;
  updateFreeList(newHead);
  return head;
}

void HashStream::putOnFreeList(ULONG pos) {
  ULONG head = updateFreeList();
  writeLink(pos, head);
  updateFreeList(pos);
}

void HashStream::insert(const char* record) {
  std::vector<char> entry(entrySize_);
  int found;
  bool emptySlot;
  ULONG previous;
  bool damaged;
  ULONG pos = findPos(record, found, emptySlot, entry.data(), previous, &damaged);
  const size_t recordSize = entrySize_ - kLinkSize;

  if (found != NotFoundHere) {
    // Replace in place; the link stays.
    writeBytes(pos, record, recordSize);
  } else if (emptySlot) {
    std::memcpy(entry.data(), record, recordSize);
    putU32(entry.data() + recordSize, 0);
    writeBytes(pos, entry.data(), entrySize_);
  } else {
    if (damaged) {
      stream_->clear();
      throw BadChainException("HashStream::insert::BadChain");
    }
    std::memcpy(entry.data(), record, recordSize);
    putU32(entry.data() + recordSize, 0);
    ULONG newPos = takeFreeEntry();
    if (newPos == 0) {
      // Append after the last whole entry (a stream with stray trailing bytes
      // still gets its new entry on an entry boundary).
      refreshStreamEnd();
      uint64_t end = streamEnd_ < tableEnd() ? tableEnd() : streamEnd_;
      uint64_t slack = (end - tableEnd()) % entrySize_;
      if (slack != 0) end += entrySize_ - slack;
      if (end + entrySize_ > 0xFFFFFFFFull) {
        stream_->clear();
        throw BadChainException("HashStream::insert::TableFull");
      }
      newPos = static_cast<ULONG>(end);
    }
    writeBytes(newPos, entry.data(), entrySize_);
    if (static_cast<uint64_t>(newPos) + entrySize_ > streamEnd_) {
      stream_->flush();
      if (*stream_) streamEnd_ = static_cast<uint64_t>(newPos) + entrySize_;
    }
    writeLink(pos, newPos);
  }
  flush();
}

std::unique_ptr<char[]> HashStream::find_noThrow(const char* key) {
  stream_->clear();
  std::unique_ptr<char[]> entry(new char[entrySize_]);
  int found;
  bool emptySlot;
  ULONG previous;
  findPos(key, found, emptySlot, entry.get(), previous);
  if (found == NotFoundHere) return nullptr;
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
  std::vector<char> entry(entrySize_);
  int found;
  bool emptySlot;
  ULONG previous;
  ULONG pos = findPos(key, found, emptySlot, entry.data(), previous);
  if (found == NotFoundHere) {
    stream_->clear();
    throw NotFound("HashStream::remove::NotFound");
  }
  ULONG link = next(entry.data());
  if (found == FoundInSlot) {
    std::vector<char> chained(entrySize_);
    if (link != 0 && validOverflowPos(link) && readEntry(link, chained.data())) {
      // Move the first chained entry (record and link) into the slot and
      // recycle its old position.
      writeBytes(pos, chained.data(), entrySize_);
      putOnFreeList(link);
    } else {
      // No chain (or a broken one, which is dropped with the record).
      writeLink(pos, EmptyLink);
    }
  } else {
    writeLink(previous, link);
    putOnFreeList(pos);
  }
  flush();
}

int HashStream::enumerate(EnumerateCallback callback, void* context) {
  stream_->clear();
  std::vector<char> entry(entrySize_);
  // Bound: a sound table holds at most buckets + overflow entries records; a
  // damaged one stops the walk when it has made that many visits.
  uint64_t visits = 0;
  for (ULONG b = 0; b < buckets_; ++b) {
    ULONG pos = headerLength_ + b * entrySize_;
    if (!readEntry(pos, entry.data()) || empty(entry.data())) continue;
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
          !readEntry(link, entry.data())) {
        break;
      }
    }
  }
  return 0;
}

ULONG HashStream::updateFreeList() {
  char b[kLinkSize];
  stream_->clear();
  stream_->seekg(headerLength_ - kLinkSize);
  stream_->read(b, kLinkSize);
  if (stream_->gcount() == static_cast<std::streamsize>(kLinkSize)) freeList_ = getU32(b);
  stream_->clear();
  return freeList_;
}

void HashStream::updateFreeList(ULONG head) {
  freeList_ = head;
  char b[kLinkSize];
  putU32(b, head);
  writeBytes(headerLength_ - kLinkSize, b, kLinkSize);  // the 4 bytes before the table
  flush();
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
  streamEnd_ = tableEnd();
  stream_->clear();
  stream_->seekp(headerLength_);
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

  // A layout that cannot hold a key and a link, or a bucket table that is not
  // wholly inside the stream, is not a table we can work on (and writing into a
  // missing table could grow the stream without limit).
  refreshStreamEnd();
  if (keySize_ == 0 || buckets_ == 0 || entrySize_ < kLinkSize + keySize_ ||
      streamEnd_ < tableEnd()) {
    stream_->clear();
    throw BadSignatureException("Read bad HashStream layout in header");
  }
}
