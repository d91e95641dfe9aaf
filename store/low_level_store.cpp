// LowLevelStore: opening and closing the store file, the failure-checked
// primitives, and record allocation, lookup and release on top of blocks, chains
// and the free list.
#include "store/low_level_store.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <iterator>

#include "kit/error.h"
#include "platform/io/fd_stream.h"
#include "platform/io/share_open.h"
#include "store/block.h"
#include "store/block_header.h"
#include "store/chain.h"
#include "store/free_index.h"
#include "store/free_list.h"
#include "store/low_level_file_header.h"

const char LowLevelStore::Signature[] = "#LLS#";

namespace {

// Longest application signature a header can hold (see low_level_file_header.h).
const std::size_t kMaxSignatureLength = 78;

// The descriptor stream's buffer (and cache page) size, and how many pages it
// keeps: at most 16 MB, and never more than the part of the file met, since
// memory for a page is first touched when the page is kept. A larger table
// would hold all of a larger book, but fresh memory is dear (the system clears
// every page of it) and a book being built meets all of its pages once.
const std::size_t kStreamBufferSize = 4096;
#ifdef __EMSCRIPTEN__
// In the browser the pool comes out of the program's one heap, and is cleared
// whole when mapped rather than page by page as touched: 16 MB per store (a
// book holds two, and two given-back pools are kept) would take most of a
// heap. 1 MB holds the books a page streams in.
const std::size_t kBrowserStreamCachePages = 256;
const std::size_t kStreamCachePages = kBrowserStreamCachePages;
#else
const std::size_t kStreamCachePages = 4096;
#endif

}  // namespace

LowLevelStore::LowLevelStore() : lifeToken_(std::make_shared<const bool>(true)) {}

LowLevelStore* LowLevelStore::make(const char* fileName, const char* signature, ULONG version,
                                   int share) {
  return initOrDestroy(new LowLevelStore(), [&](LowLevelStore* store) {
    store->init(fileName, signature, version, share);
  });
}

LowLevelStore* LowLevelStore::make(const char* fileName, int flags, int share) {
  return initOrDestroy(new LowLevelStore(),
                       [&](LowLevelStore* store) { store->init(fileName, flags, share); });
}

FreeIndex* LowLevelStore::freeIndex() {
  if (freeIndex_ != nullptr || freeIndexBroken_) return freeIndex_.get();
  // One walk of the whole list with the checks every list walk makes (free mark,
  // no second head, back links), bounded by the blocks the file can hold.
  std::unique_ptr<FreeIndex> index(new FreeIndex());
  try {
    const ULONG head = freeListPtr();
    if (head != 0) {
      std::unique_ptr<Block> block = lowLevelLookup(head);
      if (!block->header().free_mark()) throw BadFreeListPtrException();
      const ULONG limit = blockCountLimit();
      for (ULONG steps = 0;; ++steps) {
        // A list longer than the copy may hold is walked in the file instead.
        if (index->count() >= FreeIndex::MaxBlocks) throw BadChainException();
        index->pushBack(block->handle(), block->header().size());
        const ULONG next = block->header().next();
        if (next == 0) break;
        if (steps >= limit || next == head) throw BadChainException();
        std::unique_ptr<Block> following = lowLevelLookup(next);
        const BlockHeader& h = following->header();
        if (!h.free_mark() || h.first_mark() || h.prev() != block->handle()) {
          throw BadChainException();
        }
        block = std::move(following);
      }
    }
  } catch (const StoreException&) {
    clear();
    freeIndexBroken_ = true;
    return nullptr;
  }
  freeIndex_ = std::move(index);
  return freeIndex_.get();
}

void LowLevelStore::dropFreeIndex() { freeIndex_.reset(); }

void LowLevelStore::noteFreeIndexGrowth() {
  if (freeIndex_ != nullptr && freeIndex_->count() > FreeIndex::MaxBlocks) {
    freeIndex_.reset();
    freeIndexBroken_ = true;
  }
}

void LowLevelStore::releaseRecord(ULONG firstHandle) {
  RecordEpoch* entry = recordEpochs_.find(firstHandle);
  if (entry != nullptr && --entry->holders == 0) recordEpochs_.erase(firstHandle);
}

LowLevelStore::~LowLevelStore() noexcept(false) {
  // From here on chains that outlive the store leave it alone.
  lifeToken_.reset();
  wrapupStream();
  header_.reset();
  fileName_.clear();
  checkNoReferences();
}

void LowLevelStore::classInvarient(const char* file, int line) {
  const bool open = stream_ != nullptr;
  const bool sound = open == (fd_ >= 0) && (!open || header_ != nullptr);
  if (!sound) {
    error(nullptr, 'E', "Internal error: inconsistent LowLevelStore at %s line %d",
          file != nullptr ? file : "?", line);
  }
}

bool LowLevelStore::writeLost() const {
  return writeLost_ || (stream_ != nullptr && stream_->fdbuf()->writeFailed());
}

uint64_t LowLevelStore::readErrors() const {
  return stream_ != nullptr ? stream_->fdbuf()->readErrors() : 0;
}

void LowLevelStore::commit() {
  // The pages the stream keeps equal the file once it is written back; the
  // reopened stream takes them when the file is still the one they came from.
  std::unique_ptr<FdStreamBuf::KeptPages> kept;
  if (stream_ != nullptr) {
    stream_->clear();
    if (!stream_->flush().fail()) kept = stream_->fdbuf()->handOverPages();
    stream_->clear();
  }
  // Output lost on the way (a full disk) is known before the file is read
  // again, so that it is reported as lost output, not as whatever the reread of
  // an incomplete file would find.
  const bool lost = writeLost();
  wrapupStream();
  keptPages_ = std::move(kept);
  try {
    setupStream();
  } catch (...) {
    keptPages_.reset();
    if (lost) throw BadStreamException("Write failed");
    throw;
  }
  keptPages_.reset();
  // Output that never reached the file left it unlike what was written through
  // this store: it must not be taken as a whole, committed state.
  if (writeLost()) throw BadStreamException("Write failed");
}

void LowLevelStore::init(const char* fileName, const char* signature, ULONG version, int share) {
  const char* sig = signature != nullptr ? signature : "";
  // A longer signature could not be read back; refuse it before the file exists.
  if (std::strlen(sig) > kMaxSignatureLength) {
    throw BadSignatureException("Application signature too long");
  }
  try {
    fileName_ = fileName != nullptr ? fileName : "";
    flags_ = NewStoreFlags;
    share_ = share;
    setupStream();
    flags_ &= ~(_O_CREAT | _O_EXCL);
    header_ = doMakeHeader(sig, version);
    seekp(0);
    header_->create();
  } catch (...) {
    abandon();
    throw;
  }
}

void LowLevelStore::init(const char* fileName, int flags, int share) {
  try {
    fileName_ = fileName != nullptr ? fileName : "";
    flags_ = (flags & ~(_O_TEXT | _O_APPEND | _O_EXCL | _O_TRUNC | _O_CREAT)) | _O_BINARY;
    share_ = share;
    setupStream();
  } catch (...) {
    abandon();
    throw;
  }
}

void LowLevelStore::abandon() {
  if (stream_ != nullptr) stream_->clear();
  stream_.reset();
  if (fd_ >= 0) _close(fd_);
  fd_ = -1;
  header_.reset();
  fileName_.clear();
  flags_ = 0;
  share_ = 0;
}

std::unique_ptr<LowLevelFileHeader> LowLevelStore::doMakeHeader() {
  return std::unique_ptr<LowLevelFileHeader>(new LowLevelFileHeader(this));
}

std::unique_ptr<LowLevelFileHeader> LowLevelStore::doMakeHeader(const char* signature,
                                                                ULONG version) {
  return std::unique_ptr<LowLevelFileHeader>(new LowLevelFileHeader(this, signature, version));
}

const char* LowLevelStore::storeSignature() const { return Signature; }

void LowLevelStore::clear() {
  if (stream_ != nullptr) stream_->clear();
}

void LowLevelStore::setupStream() {
  const int access = flags_ & _O_ACCMODE;
  int permission = _S_IREAD;
  if (access == _O_RDWR) {
    permission = _S_IREAD | _S_IWRITE;
  } else if (access == _O_WRONLY) {
    permission = _S_IWRITE;
  }
  fd_ = _sopen(fileName_.c_str(), flags_, share_, permission);
  if (fd_ < 0) {
    const int failure = errno;
    fd_ = -1;
    throw BadStreamException(std::strerror(failure));
  }
  // The store is the only writer of its file: keep the pages it reads, so that
  // re-reading a block header when a cursor moves costs no system call.
  stream_.reset(new FdStream(fd_, kStreamBufferSize, kStreamCachePages));
  if (keptPages_ != nullptr) stream_->fdbuf()->adoptPages(std::move(keptPages_));
  if (!*stream_) {
    stream_.reset();
    _close(fd_);
    fd_ = -1;
    flags_ = 0;
    share_ = 0;
    throw BadStreamException("Could not initialize store file");
  }
  if ((flags_ & _O_CREAT) == 0) {
    header_ = doMakeHeader();
    header_->read();
  }
}

void LowLevelStore::wrapupStream() {
  if (stream_ != nullptr) {
    // A stream left failed would skip the flush and lose pending output.
    stream_->clear();
    stream_->flush();
    stream_->clear();
    stream_->seekp(0, std::ios_base::end);
    stream_->clear();
    stream_->seekp(0);
    stream_->clear();
    if (stream_->fdbuf()->writeFailed()) writeLost_ = true;
    stream_.reset();
  }
  if (fd_ >= 0) {
    if (_close(fd_) != 0) {
      const int failure = errno;
      error(nullptr, 'W', "Cannot close FHandle: %s", std::strerror(failure));
    }
  }
  // -1, not 0: descriptor 0 is a real file (standard input).
  fd_ = -1;
}

const char* LowLevelStore::signature() const {
  return header_ != nullptr ? header_->signature() : "";
}

ULONG LowLevelStore::version() const { return header_ != nullptr ? header_->version() : 0; }

std::iostream* LowLevelStore::stream() const { return stream_.get(); }

// --- Failure-checked primitives -------------------------------------------------

void LowLevelStore::write(ULONG value) {
  char bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  write(bytes, 4);
}

void LowLevelStore::write(WORD value) {
  char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
  write(bytes, 2);
}

// The primitives work on the descriptor stream's buffer directly: a failure is
// what the buffer reports (a short count or a failed seek), and the stream's own
// state, which they would otherwise set and clear again at every call, is left
// alone.

void LowLevelStore::write(const char* buffer, int n) {
  if (n <= 0) return;
  if (stream_ == nullptr) throw BadStreamException("Write failed");
  if (stream_->fdbuf()->sputn(buffer, n) != n) {
    clear();
    throw BadStreamException("Write failed");
  }
}

void LowLevelStore::read(ULONG* value) {
  unsigned char bytes[4];
  read(reinterpret_cast<char*>(bytes), 4);
  *value = static_cast<ULONG>(bytes[0]) | (static_cast<ULONG>(bytes[1]) << 8) |
           (static_cast<ULONG>(bytes[2]) << 16) | (static_cast<ULONG>(bytes[3]) << 24);
}

void LowLevelStore::read(WORD* value) {
  unsigned char bytes[2];
  read(reinterpret_cast<char*>(bytes), 2);
  *value = static_cast<WORD>(bytes[0] | (bytes[1] << 8));
}

void LowLevelStore::read(char* buffer, int n) {
  if (n <= 0) return;
  if (stream_ == nullptr) throw BadStreamException("Read failed");
  // A short read is a failed read, as a stream's read reports it.
  if (stream_->fdbuf()->sgetn(buffer, n) != n) {
    clear();
    throw BadStreamException("Read failed");
  }
}

int LowLevelStore::readSmallRecord(ULONG handle, char* buffer, int size) {
  if (stream_ == nullptr || header_ == nullptr || handle < header_->size() || size <= 0) return -1;
  char bytes[SmallRecordBytes];
  const uint64_t errors = readErrors();
  const std::streamsize got =
      stream_->fdbuf()->peekAt(static_cast<std::streamoff>(handle), bytes, sizeof bytes);
  if (got < 0 && readErrors() != errors) return -2;
  if (got < static_cast<std::streamsize>(BlockHeader::FootPrintSize)) return -1;
  auto u32 = [&bytes](std::size_t at) {
    const unsigned char* u = reinterpret_cast<const unsigned char*>(bytes + at);
    return static_cast<ULONG>(u[0]) | (static_cast<ULONG>(u[1]) << 8) |
           (static_cast<ULONG>(u[2]) << 16) | (static_cast<ULONG>(u[3]) << 24);
  };
  const ULONG blockSize = u32(0);
  const ULONG length = u32(4);
  const ULONG next = u32(8);
  const WORD marks = static_cast<WORD>(static_cast<unsigned char>(bytes[16]) |
                                       (static_cast<unsigned char>(bytes[17]) << 8));
  // What BlockHeader::read and a lookup of a record's first block accept, for a
  // block lying wholly in the bytes read; anything else goes the usual way.
  const bool sound = blockSize >= BlockHeader::MinBlockSize &&
                     static_cast<std::streamsize>(blockSize) <= got &&
                     static_cast<uint64_t>(handle) + blockSize <= MaxFileSize &&
                     u32(blockSize - BlockHeader::TrailerSize) == blockSize &&
                     length <= blockSize - BlockHeader::OverheadSize &&
                     (marks & BlockHeader::FreeMark) == 0 && (marks & BlockHeader::FirstMark) != 0;
  if (!sound) return -1;
  const ULONG wanted = static_cast<ULONG>(size);
  if (next != 0 && length < wanted) return -1;  // the rest lies in following blocks
  const ULONG count = std::min(length, wanted);
  std::memcpy(buffer, bytes + BlockHeader::FootPrintSize, count);
  return static_cast<int>(count);
}

void LowLevelStore::seekg(ULONG pos) {
  if (stream_ == nullptr) throw BadStreamException("Seek failed");
  const std::streampos to(static_cast<std::streamoff>(pos));
  if (stream_->fdbuf()->pubseekpos(to, std::ios_base::in) != to) {
    clear();
    throw BadStreamException("Seek failed");
  }
}

void LowLevelStore::seekp(ULONG pos) {
  if (stream_ == nullptr) throw BadStreamException("Seek failed");
  const std::streampos to(static_cast<std::streamoff>(pos));
  if (stream_->fdbuf()->pubseekpos(to, std::ios_base::out) != to) {
    clear();
    throw BadStreamException("Seek failed");
  }
}

LONG LowLevelStore::tellg() {
  if (stream_ == nullptr) return -1;
  const std::streamoff pos = stream_->fdbuf()->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
  return pos < 0 || pos > static_cast<std::streamoff>(MaxFileSize) ? -1 : static_cast<LONG>(pos);
}

LONG LowLevelStore::tellp() {
  if (stream_ == nullptr) return -1;
  const std::streamoff pos = stream_->fdbuf()->pubseekoff(0, std::ios_base::cur, std::ios_base::out);
  return pos < 0 || pos > static_cast<std::streamoff>(MaxFileSize) ? -1 : static_cast<LONG>(pos);
}

ULONG LowLevelStore::fileSize() {
  if (stream_ == nullptr || fd_ < 0) throw BadStreamException("Read failed");
  const std::streamoff length = stream_->fdbuf()->fileLength();
  if (length < 0) {
    clear();
    throw BadStreamException("Write failed");
  }
  if (length > static_cast<std::streamoff>(MaxFileSize)) return MaxFileSize;
  return static_cast<ULONG>(length);
}

ULONG LowLevelStore::blockCountLimit() {
  const ULONG limit = fileSize() / BlockHeader::MinBlockSize;
  return limit > 0 ? limit : 1;
}

// --- Free-list head ---------------------------------------------------------------

ULONG LowLevelStore::freeListPtr() {
  ULONG head = 0;
  try {
    if (header_ == nullptr || header_->freeListPos() == 0) throw BadStreamException();
    seekg(header_->freeListPos());
    read(&head);
  } catch (const StoreException&) {
    clear();
    throw BadStreamException("Free list pointer access failure");
  }
  header_->setFreeList(head);
  return head;
}

void LowLevelStore::updateFreeListPtr(ULONG handle) {
  try {
    if (header_ == nullptr || header_->freeListPos() == 0) throw BadStreamException();
    header_->setFreeList(handle);
    seekp(header_->freeListPos());
    write(handle);
  } catch (const StoreException&) {
    clear();
    throw BadStreamException("Free list pointer update failure");
  }
}

// --- Records -------------------------------------------------------------------------

std::unique_ptr<Block> LowLevelStore::lowLevelLookup(ULONG handle) {
  if (header_ == nullptr || handle < header_->size()) {
    clear();
    throw BadHandleException(
        "Out-of-range handle received as parameter to lookup, handle is in store header");
  }
  try {
    return std::unique_ptr<Block>(new Block(this, handle));
  } catch (...) {
    clear();
    throw;
  }
}

std::unique_ptr<Block> LowLevelStore::lookupBlock(ULONG handle) {
  std::unique_ptr<Block> block = lowLevelLookup(handle);
  if (block->header().free_mark()) {
    clear();
    throw BadBlockException("Block has been freed");
  }
  return block;
}

std::unique_ptr<Block> LowLevelStore::allocBlock(ULONG userSize, ULONG extensionSize) {
  std::unique_ptr<Block> block;
  const ULONG head = freeListPtr();
  if (head != 0) {
    try {
      FreeList freeList(this, head);
      block = freeList.surrender(userSize, extensionSize);
    } catch (const StoreException&) {
      // A damaged free list only costs the reuse of its space.
      clear();
      block.reset();
    }
  }
  if (block == nullptr) {
    const ULONG end = fileSize();
    const ULONG size = Block::computeSizeFromUserSize(userSize);
    if (userSize > MaxFileSize || static_cast<uint64_t>(end) + size > MaxFileSize) {
      clear();
      throw BadStreamException("Store file size limit reached");
    }
    block.reset(new Block(this, end, size, extensionSize));
  }
  return block;
}

std::unique_ptr<Chain> LowLevelStore::alloc(ULONG userSize, ULONG extensionSize) {
  std::unique_ptr<Chain> chain(new Chain(this, allocBlock(userSize, extensionSize)));
  if (chain->cur_p() == nullptr) {
    clear();
    throw BadStreamException("Allocation failed");
  }
  return chain;
}

std::unique_ptr<Chain> LowLevelStore::lookup(ULONG handle) {
  std::unique_ptr<Chain> chain(new Chain(this, handle, 0));
  if (chain->handle() == 0) return nullptr;
  return chain;
}

void LowLevelStore::free(ULONG handle) {
  std::unique_ptr<Chain> chain = lookup(handle);
  if (chain != nullptr) free(*chain);
}

void LowLevelStore::free(Chain& chain) { chain.free(); }

void LowLevelStore::freeBlock(std::unique_ptr<Block>& block) {
  std::unique_ptr<FreeList> freeList;
  try {
    freeList.reset(new FreeList(this, freeListPtr()));
  } catch (const StoreException&) {
    clear();
    throw BadStreamException("Store header read failed");
  }
  freeList->merge(block);
}
