// A buffered stream over a file descriptor, reading and writing with positioned
// calls (pread/pwrite/pwritev) so that the descriptor's own offset never matters.
//
// Invariants (both modes):
//   1. At most one of the get area and the put area is set at a time.
//   2. The logical position is bufferOffset_ + (gptr - eback) while the get area
//      is set, putOffset_ + (pptr - pbase) while the put area is set, else pos_.
// Plain mode:
//   3. Pending output is always written before the get area is filled, before a
//      seek leaves the buffered window, and on sync.
// Page-cache mode (P is the page size, page n covers [n*P, n*P + P)):
//   4. A kept page's bytes at offsets at or past fileLength_ are zeros, except
//      the bytes of an open put area, which join the file when it ends.
//   5. The file holds the stream's bytes of every page that is not kept dirty;
//      whatever the file lacks below fileLength_ (it may be shorter while dirty
//      pages past its end wait) reads as zeros, and it never reaches past
//      fileLength_.
//   6. Every dirty slot is listed in dirtySlots_, at most once (`listed`), so
//      the list never outgrows the table.
//   7. While the put area is set it lies in slot putSlot_, which holds the page
//      of putOffset_, and never crosses that page's end; while the get area is
//      set it covers the kept bytes of one page that lie inside the file.
#include "platform/io/fd_stream.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/io/fault_injection.h"
#include "platform/io/pending_copy.h"
#include "platform/io/written_ranges.h"

namespace {

// Dirty pages written together at most, when one of them is written back.
constexpr std::size_t kMaxRunPages = 64;

// Pages read together at most when a page must be read from the file.
constexpr std::size_t kReadAheadPages = 16;

// Whether each positioned call moves one buffer only. Emscripten's runtime puts
// every buffer of one preadv/pwritev call at the call's own offset (the second
// buffer over the first, not after it), so there the pieces go one per call;
// elsewhere one call moves them all.
#ifdef __EMSCRIPTEN__
constexpr bool kOneBufferPerCall = true;
#else
constexpr bool kOneBufferPerCall = false;
#endif

// Writes all of the `count` pieces at `offset` as one write (one per piece
// where kOneBufferPerCall), retrying short writes (each pass writes at least a
// byte or fails). False on failure.
bool writePieces(int fd, iovec* pieces, int count, off_t offset) {
  if (count > 0 && FaultInjection::shouldFail(FaultInjection::Write)) return false;
  while (count > 0) {
    ssize_t w = kOneBufferPerCall ? pwrite(fd, pieces->iov_base, pieces->iov_len, offset)
                                  : pwritev(fd, pieces, count, offset);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) return false;
    offset += w;
    std::size_t left = static_cast<std::size_t>(w);
    while (count > 0 && left >= pieces->iov_len) {
      left -= pieces->iov_len;
      ++pieces;
      --count;
    }
    if (count > 0) {
      pieces->iov_base = static_cast<char*>(pieces->iov_base) + left;
      pieces->iov_len -= left;
    }
  }
  return true;
}

// Writes all of [data, data+n) at `offset`, retrying short writes. False on failure.
bool writeAll(int fd, const char* data, std::size_t n, off_t offset) {
  iovec one{const_cast<char*>(data), n};
  return writePieces(fd, &one, n > 0 ? 1 : 0, offset);
}

// Reads up to n bytes at `offset`; returns the count (0 at the end), -1 on failure.
ssize_t readSome(int fd, char* data, std::size_t n, off_t offset) {
  for (;;) {
    ssize_t r = pread(fd, data, n, offset);
    if (r < 0 && errno == EINTR) continue;
    return r;
  }
}

// Reads up to n bytes at `offset`, as many as the file holds; the count, -1 on
// failure. Each pass reads at least a byte or stops, so it ends within n bytes.
ssize_t readUpTo(int fd, char* data, std::size_t n, off_t offset) {
  std::size_t have = 0;
  while (have < n) {
    const ssize_t r = readSome(fd, data + have, n - have, offset + static_cast<off_t>(have));
    if (r < 0) return -1;
    if (r == 0) break;
    have += static_cast<std::size_t>(r);
  }
  return static_cast<ssize_t>(have);
}

// Reads up to `n` bytes at `offset` into the pieces (which hold at least n),
// as many as the file holds; the count, -1 on failure. Each pass reads at least
// a byte or stops, so it ends within n bytes.
ssize_t readPiecesUpTo(int fd, iovec* pieces, std::size_t count, std::size_t n, off_t offset) {
  std::size_t have = 0;
  while (have < n && count > 0) {
    // Pieces wholly read are skipped; the one read in part is resumed past its bytes.
    std::size_t skip = have;
    std::size_t first = 0;
    while (first < count && skip >= pieces[first].iov_len) skip -= pieces[first++].iov_len;
    if (first == count) break;
    iovec rest[kReadAheadPages];
    std::size_t parts = 0;
    std::size_t left = n - have;
    for (std::size_t i = first; i < count && left > 0 && parts < kReadAheadPages; ++i) {
      char* base = static_cast<char*>(pieces[i].iov_base) + (i == first ? skip : 0);
      const std::size_t len = std::min(left, pieces[i].iov_len - (i == first ? skip : 0));
      rest[parts++] = iovec{base, len};
      left -= len;
    }
    const off_t at = offset + static_cast<off_t>(have);
    ssize_t r;
    do {
      // One piece (a page read on its own) needs no vector for the system to unpack.
      r = parts == 1 || kOneBufferPerCall ? pread(fd, rest[0].iov_base, rest[0].iov_len, at)
                                          : preadv(fd, rest, static_cast<int>(parts), at);
    } while (r < 0 && errno == EINTR);
    if (r < 0) return -1;
    if (r == 0) break;
    have += static_cast<std::size_t>(r);
  }
  return static_cast<ssize_t>(have);
}

}  // namespace

FdStreamBuf::FdStreamBuf(int fd, std::size_t bufferSize, std::size_t cachePages)
    : fd_(fd), pageBytes_(bufferSize < 16 ? 16 : bufferSize) {
  setg(nullptr, nullptr, nullptr);
  setp(nullptr, nullptr);
  struct stat st;
  if (cachePages > 0 && fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    cache_.resize(cachePages);
    fileLength_ = static_cast<std::streamoff>(st.st_size);
    landing_ = PendingCopy::find(static_cast<unsigned long long>(st.st_dev),
                                 static_cast<unsigned long long>(st.st_ino));
    written_ = WrittenRanges::find(static_cast<unsigned long long>(st.st_dev),
                                   static_cast<unsigned long long>(st.st_ino));
    slotsPowerOfTwo_ = (cachePages & (cachePages - 1)) == 0;
    if ((pageBytes_ & (pageBytes_ - 1)) == 0) {
      pageShift_ = 0;
      while ((std::size_t{1} << pageShift_) < pageBytes_) ++pageShift_;
    }
  } else {
    buffer_.resize(pageBytes_);
    if (fd >= 0 && WrittenRanges::anyWatched() && fstat(fd, &st) == 0) {
      written_ = WrittenRanges::find(static_cast<unsigned long long>(st.st_dev),
                                     static_cast<unsigned long long>(st.st_ino));
    }
  }
}

FdStreamBuf::~FdStreamBuf() {
  flushOutput();
  if (cached()) writeBackAll();
}

std::streamoff FdStreamBuf::logicalPosition() const {
  if (eback() != nullptr) return bufferOffset_ + (gptr() - eback());
  if (pbase() != nullptr) return putOffset_ + (pptr() - pbase());
  return pos_;
}

bool FdStreamBuf::flushOutput() {
  if (pbase() == nullptr) return true;
  const std::size_t n = static_cast<std::size_t>(pptr() - pbase());
  bool ok = true;
  if (cached()) {
    if (n > 0) {
      markDirty(putSlot_);
      fileLength_ = std::max(fileLength_, putOffset_ + static_cast<std::streamoff>(n));
    }
  } else {
    noteWrite(putOffset_, n);
    ok = n == 0 || writeAll(fd_, pbase(), n, static_cast<off_t>(putOffset_));
    if (!ok) writeFailed_ = true;
  }
  pos_ = putOffset_ + static_cast<std::streamoff>(n);
  setp(nullptr, nullptr);
  return ok;
}

void FdStreamBuf::dropInput() {
  if (eback() != nullptr) {
    pos_ = bufferOffset_ + (gptr() - eback());
    setg(nullptr, nullptr, nullptr);
  }
}

bool FdStreamBuf::readRefused() {
  if (!FaultInjection::shouldFail(FaultInjection::Read)) return false;
  ++readErrors_;
  return true;
}

FdStreamBuf::int_type FdStreamBuf::underflow() {
  if (readRefused()) return traits_type::eof();
  return refill();
}

FdStreamBuf::int_type FdStreamBuf::refill() {
  if (gptr() != nullptr && gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (!flushOutput()) return traits_type::eof();
  const std::streamoff pos = logicalPosition();
  setg(nullptr, nullptr, nullptr);
  pos_ = pos;
  if (cached()) {
    if (pos >= fileLength_) return traits_type::eof();  // known without asking the file
    const std::streamoff number = pageOf(pos);
    const std::ptrdiff_t slot = keepPage(number, true);
    if (slot < 0) {
      ++readErrors_;
      return traits_type::eof();
    }
    char* base = pageData(static_cast<std::size_t>(slot));
    bufferOffset_ = number * pageSize();
    setg(base, base + (pos - bufferOffset_), base + validLength(number));
    return traits_type::to_int_type(*gptr());
  }
  ssize_t n = readSome(fd_, buffer_.data(), buffer_.size(), static_cast<off_t>(pos));
  if (n < 0) ++readErrors_;
  if (n <= 0) return traits_type::eof();
  bufferOffset_ = pos;
  setg(buffer_.data(), buffer_.data(), buffer_.data() + n);
  return traits_type::to_int_type(*gptr());
}

FdStreamBuf::int_type FdStreamBuf::overflow(int_type c) {
  dropInput();
  if (pbase() != nullptr && pptr() == epptr()) {
    if (!flushOutput()) return traits_type::eof();
  }
  if (pbase() == nullptr) {
    if (!cached()) {
      putOffset_ = pos_;
      setp(buffer_.data(), buffer_.data() + buffer_.size());
    } else if (!startPutArea()) {
      if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
      const char ch = traits_type::to_char_type(c);
      return writeAround(&ch, 1) ? c : traits_type::eof();
    }
  }
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int FdStreamBuf::sync() {
  if (FaultInjection::shouldFail(FaultInjection::Flush)) {
    // Page-cache mode: the caller now believes its output is lost; so must the
    // stream, or a later write-back would make a file nobody vouched for.
    if (cached()) writeFailed_ = true;
    return -1;
  }
  if (!flushOutput()) return -1;
  if (!cached()) return 0;
  writeBackAll();
  return writeFailed_ ? -1 : 0;
}

FdStreamBuf::pos_type FdStreamBuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                           std::ios_base::openmode) {
  const pos_type failed(off_type(-1));
  std::streamoff base = 0;
  if (dir == std::ios_base::cur) {
    base = logicalPosition();
  } else if (dir == std::ios_base::end) {
    if (!flushOutput()) return failed;
    if (cached()) {
      base = fileLength_;
    } else {
      struct stat st;
      if (fstat(fd_, &st) != 0) return failed;
      base = st.st_size;
    }
  } else if (dir != std::ios_base::beg) {
    return failed;
  }
  const std::streamoff target = base + off;
  if (target < 0) return failed;
  if (dir == std::ios_base::cur && off == 0) return pos_type(target);

  // Inside the bytes already read: move only the read pointer.
  if (eback() != nullptr && target >= bufferOffset_ && target <= bufferOffset_ + (egptr() - eback())) {
    setg(eback(), eback() + (target - bufferOffset_), egptr());
    return pos_type(target);
  }
  if (!flushOutput()) return failed;
  setg(nullptr, nullptr, nullptr);
  pos_ = target;
  return pos_type(target);
}

FdStreamBuf::pos_type FdStreamBuf::seekpos(pos_type pos, std::ios_base::openmode which) {
  return seekoff(off_type(pos), std::ios_base::beg, which);
}

std::streamsize FdStreamBuf::xsgetn(char* s, std::streamsize n) {
  if (n > 0 && readRefused()) return 0;
  std::streamsize done = 0;
  while (done < n) {
    if (gptr() != nullptr && gptr() < egptr()) {
      std::streamsize chunk = std::min<std::streamsize>(n - done, egptr() - gptr());
      std::memcpy(s + done, gptr(), static_cast<std::size_t>(chunk));
      gbump(static_cast<int>(chunk));
      done += chunk;
      continue;
    }
    const std::streamsize left = n - done;
    if (left >= pageSize()) {
      // A large read goes straight to the caller's memory.
      if (!flushOutput()) break;
      const std::streamoff pos = logicalPosition();
      setg(nullptr, nullptr, nullptr);
      pos_ = pos;
      std::streamsize r = 0;
      if (cached()) {
        r = readLarge(s + done, left, pos);
      } else {
        r = readSome(fd_, s + done, static_cast<std::size_t>(left), static_cast<off_t>(pos));
      }
      if (r < 0) ++readErrors_;
      if (r <= 0) break;
      pos_ = pos + r;
      done += r;
      continue;
    }
    if (traits_type::eq_int_type(refill(), traits_type::eof())) break;
  }
  return done;
}

std::streamsize FdStreamBuf::xsputn(const char* s, std::streamsize n) {
  std::streamsize done = 0;
  while (done < n) {
    if (pbase() != nullptr && pptr() < epptr()) {
      std::streamsize chunk = std::min<std::streamsize>(n - done, epptr() - pptr());
      std::memcpy(pptr(), s + done, static_cast<std::size_t>(chunk));
      pbump(static_cast<int>(chunk));
      done += chunk;
      continue;
    }
    const std::streamsize left = n - done;
    if (cached()) {
      dropInput();
      flushOutput();  // page-cache mode: only marks the page dirty
      const std::streamoff inPage = pos_ - pageOf(pos_) * pageSize();
      if (inPage == 0 && left >= pageSize()) {
        // A whole page is overwritten: nothing of it needs reading.
        const std::size_t slot = static_cast<std::size_t>(keepPage(pageOf(pos_), false));
        std::memcpy(pageData(slot), s + done, pageBytes_);
        markDirty(slot);
        pos_ += pageSize();
        fileLength_ = std::max(fileLength_, pos_);
        done += pageSize();
        continue;
      }
      if (!startPutArea()) {
        const std::streamsize chunk = std::min<std::streamsize>(left, pageSize() - inPage);
        if (!writeAround(s + done, static_cast<std::size_t>(chunk))) break;
        done += chunk;
      }
      continue;
    }
    if (left >= static_cast<std::streamsize>(buffer_.size())) {
      // A large write goes straight to the file.
      dropInput();
      if (!flushOutput()) break;
      noteWrite(pos_, static_cast<std::size_t>(left));
      if (!writeAll(fd_, s + done, static_cast<std::size_t>(left), static_cast<off_t>(pos_))) {
        writeFailed_ = true;
        break;
      }
      pos_ += left;
      done += left;
      continue;
    }
    if (traits_type::eq_int_type(overflow(traits_type::to_int_type(s[done])), traits_type::eof()))
      break;
    ++done;
  }
  return done;
}

bool FdStreamBuf::truncate(std::streamoff length) {
  if (!flushOutput()) return false;
  dropInput();
  if (length >= 0 && written_) written_->cut(static_cast<uint64_t>(length));
  if (!cached()) return ftruncate(fd_, static_cast<off_t>(length)) == 0;
  // Everything reaches the file first: a refused truncation then leaves the
  // file whole and as the stream knows it.
  if (length < 0 || !writeBackAll() || !settle()) return false;
  if (ftruncate(fd_, static_cast<off_t>(length)) != 0) return false;
  if (length < fileLength_) {
    // Kept pages past the new end go; the page holding the end keeps zeros
    // after it. Bounded by the table.
    for (std::size_t slot = 0; slot < cache_.size(); ++slot) {
      CachePage& page = cache_[slot];
      if (page.number < 0) continue;
      const std::streamoff start = page.number * pageSize();
      if (start >= length) {
        page.number = -1;
      } else if (start + pageSize() > length) {
        std::memset(pageData(slot) + (length - start), 0,
                    static_cast<std::size_t>(start + pageSize() - length));
      }
    }
  }
  fileLength_ = length;
  return true;
}

std::streamoff FdStreamBuf::fileLength() {
  if (cached()) {
    flushOutput();  // only marks the put area's page dirty
    return fileLength_;
  }
  // Pending output first, so that the length counts it.
  if (pubsync() != 0) return -1;
  struct stat st;
  if (fstat(fd_, &st) != 0) return -1;
  return static_cast<std::streamoff>(st.st_size);
}

// --- page-cache mode ------------------------------------------------------------

std::size_t FdStreamBuf::validLength(std::streamoff number) const {
  const std::streamoff start = number * pageSize();
  if (fileLength_ <= start) return 0;
  return static_cast<std::size_t>(std::min(pageSize(), fileLength_ - start));
}

// The pool is mapped rather than allocated, and offered the system's large pages
// where it has them: its pages are touched one by one as the store first meets
// them, and on a machine where every fault of a small page is dear a few large
// faults cost a fraction of thousands of small ones. Where large pages are not
// to be had, the advice is ignored and the pool behaves as plain memory.
namespace {

// Pools given back by streams that have gone, kept for the next streams with a
// cache of the same size: a store reopens its file at every commit, and a book
// holds two stores (its working copy and the lock on the book file), so the new
// streams then take memory already touched instead of having the system clear
// fresh pages. A new table never reads a page's old bytes (every page is read
// from the file or wholly written before use). At most kSparePools are kept.
constexpr int kSparePools = 2;
struct SparePool {
  char* pool = nullptr;
  std::size_t bytes = 0;
};
// A stack: g_spares[0 .. g_spareCount) in the order given back.
std::mutex g_spareLock;
SparePool g_spares[kSparePools];
int g_spareCount = 0;

}  // namespace

std::unique_ptr<char, PoolRelease> FdStreamBuf::mapPool(std::size_t bytes) {
  {
    std::lock_guard<std::mutex> hold(g_spareLock);
    // The pool given back last goes first: a book lets go of its working store
    // before its lock store, and opens them the other way round, so each store
    // of a reopened book takes the pool its forerunner filled.
    for (int i = g_spareCount - 1; i >= 0; --i) {
      if (g_spares[i].bytes != bytes) continue;
      char* pool = g_spares[i].pool;
      for (int j = i; j + 1 < g_spareCount; ++j) g_spares[j] = g_spares[j + 1];
      g_spares[--g_spareCount] = SparePool();
      return std::unique_ptr<char, PoolRelease>(pool, PoolRelease(bytes));
    }
  }
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return std::unique_ptr<char, PoolRelease>(nullptr, PoolRelease(0));
#ifdef MADV_HUGEPAGE
  madvise(p, bytes, MADV_HUGEPAGE);
#endif
  return std::unique_ptr<char, PoolRelease>(static_cast<char*>(p), PoolRelease(bytes));
}

void PoolRelease::operator()(char* pool) const {
  if (pool == nullptr) return;
  {
    std::lock_guard<std::mutex> hold(g_spareLock);
    if (g_spareCount < kSparePools) {
      g_spares[g_spareCount].pool = pool;
      g_spares[g_spareCount].bytes = bytes;
      ++g_spareCount;
      return;
    }
  }
  munmap(pool, bytes);
}

namespace {

// The identity and state of the file open on `fd` as KeptPages records them.
bool describeFile(int fd, unsigned long long* device, unsigned long long* inode,
                  std::streamoff* length, long long times[4]) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *device = static_cast<unsigned long long>(st.st_dev);
  *inode = static_cast<unsigned long long>(st.st_ino);
  *length = static_cast<std::streamoff>(st.st_size);
  times[0] = static_cast<long long>(st.st_mtim.tv_sec);
  times[1] = static_cast<long long>(st.st_mtim.tv_nsec);
  times[2] = static_cast<long long>(st.st_ctim.tv_sec);
  times[3] = static_cast<long long>(st.st_ctim.tv_nsec);
  return true;
}

}  // namespace

std::unique_ptr<FdStreamBuf::KeptPages> FdStreamBuf::handOverPages() {
  if (!cached() || !pool_ || writeFailed_ || pbase() != nullptr) return nullptr;
  for (const CachePage& page : cache_) {
    if (page.dirty) return nullptr;
  }
  std::unique_ptr<KeptPages> kept(new KeptPages);
  long long times[4];
  std::streamoff length = 0;
  if (!describeFile(fd_, &kept->device, &kept->inode, &length, times) || length != fileLength_) {
    return nullptr;
  }
  kept->modified = times[0];
  kept->modifiedNanos = times[1];
  kept->changed = times[2];
  kept->changedNanos = times[3];
  kept->length = fileLength_;
  kept->pageBytes = pageBytes_;
  kept->lastReadEnd = lastReadEnd_;
  // This stream keeps a table of the same size with nothing in it.
  dropInput();
  kept->table.swap(cache_);
  cache_.assign(kept->table.size(), CachePage());
  dirtySlots_.clear();
  kept->pool = std::move(pool_);
  lastReadEnd_ = -1;
  return kept;
}

bool FdStreamBuf::adoptPages(std::unique_ptr<KeptPages> kept) {
  if (!kept || !cached() || pool_ || kept->pageBytes != pageBytes_ ||
      kept->table.size() != cache_.size() || eback() != nullptr || pbase() != nullptr) {
    return false;
  }
  unsigned long long device = 0, inode = 0;
  std::streamoff length = 0;
  long long times[4];
  if (!describeFile(fd_, &device, &inode, &length, times) || device != kept->device ||
      inode != kept->inode || length != kept->length || length != fileLength_ ||
      times[0] != kept->modified || times[1] != kept->modifiedNanos ||
      times[2] != kept->changed || times[3] != kept->changedNanos) {
    return false;
  }
  cache_.swap(kept->table);
  for (CachePage& page : cache_) page.listed = false;  // this stream's list is empty
  pool_ = std::move(kept->pool);
  lastReadEnd_ = kept->lastReadEnd;
  return true;
}

std::ptrdiff_t FdStreamBuf::keepPage(std::streamoff number, bool fill) {
  const std::size_t slot = slotOf(number);
  CachePage& page = cache_[slot];
  if (page.number == number) return static_cast<std::ptrdiff_t>(slot);
  // The table's size is the caller's choice, never the file's.
  if (!pool_) {
    pool_ = mapPool(cache_.size() * pageBytes_);
    if (!pool_) return -1;
  }
  // A failed write-back is recorded; the slot is taken all the same.
  if (page.dirty) writeBackRun(slot);
  page.number = -1;
  if (!fill) {
    page.number = number;
    return static_cast<std::ptrdiff_t>(slot);
  }
  // Read ahead: when this page follows closely on the last pages read from the
  // file, the reader is going through the file in order (a record's blocks, the
  // records laid out one after another), so the pages after it are read in the
  // same call when their slots can take them: inside the file, not holding a
  // dirty page (never evicted here) nor their own page already, and at most
  // kReadAheadPages in all (which also bounds the run by the table's size). A
  // reader that jumps about reads one page at a time and evicts nothing more.
  // Neither area is set (every caller ends both first), so no slot in the run is
  // in use.
  const bool inOrder = lastReadEnd_ >= 0 && number >= lastReadEnd_ &&
                       number < lastReadEnd_ + static_cast<std::streamoff>(kReadAheadPages);
  std::size_t run = 1;
  while (inOrder && run < kReadAheadPages && run < cache_.size() &&
         (number + static_cast<std::streamoff>(run)) * pageSize() < fileLength_) {
    const CachePage& next = cache_[slotOf(number + static_cast<std::streamoff>(run))];
    if (next.dirty || next.number == number + static_cast<std::streamoff>(run)) break;
    ++run;
  }
  iovec pieces[kReadAheadPages];
  for (std::size_t i = 0; i < run; ++i) {
    pieces[i].iov_base = pageData(slotOf(number + static_cast<std::streamoff>(i)));
    pieces[i].iov_len = pageBytes_;
  }
  // Never past the file's known end: the bytes there read as zeros (invariant 4).
  const std::streamoff start = number * pageSize();
  const std::size_t want = fileLength_ > start
      ? static_cast<std::size_t>(std::min<std::streamoff>(fileLength_ - start,
                                                          static_cast<std::streamoff>(run) * pageSize()))
      : 0;
  ssize_t got = 0;
  if (want > 0) {
    got = readPiecesUpTo(readFd(), pieces, run, want, static_cast<off_t>(start));
    if (got < 0) {
      // A read that failed part way may have changed any page of the run: none
      // of them holds what its slot says any more (all were clean, so nothing
      // is lost by forgetting them).
      for (std::size_t i = 0; i < run; ++i) cache_[slotOf(number + static_cast<std::streamoff>(i))].number = -1;
      return -1;
    }
  }
  lastReadEnd_ = number + static_cast<std::streamoff>(run);
  // What the file lacks below the known end reads as zeros (invariant 5).
  for (std::size_t i = 0; i < run; ++i) {
    const std::size_t from = i * pageBytes_;
    const std::size_t have = static_cast<std::size_t>(got) > from
        ? std::min(pageBytes_, static_cast<std::size_t>(got) - from) : 0;
    std::memset(static_cast<char*>(pieces[i].iov_base) + have, 0, pageBytes_ - have);
    cache_[slotOf(number + static_cast<std::streamoff>(i))].number =
        number + static_cast<std::streamoff>(i);
  }
  return static_cast<std::ptrdiff_t>(slot);
}

void FdStreamBuf::markDirty(std::size_t slot) {
  CachePage& page = cache_[slot];
  page.dirty = true;
  if (!page.listed) {
    page.listed = true;
    dirtySlots_.push_back(slot);
  }
}

bool FdStreamBuf::writeBackRun(std::size_t slot) {
  const std::streamoff first = cache_[slot].number;
  iovec pieces[kMaxRunPages];
  const std::size_t limit = std::min(kMaxRunPages, cache_.size());
  std::size_t count = 0;
  // Bounded by `limit` pages; stops at the first page not kept dirty.
  for (std::streamoff number = first; count < limit; ++number) {
    const std::size_t s = slotOf(number);
    CachePage& page = cache_[s];
    if (page.number != number || !page.dirty) break;
    page.dirty = false;
    const std::size_t length = validLength(number);
    if (length == 0) break;  // nothing of it lies in the file
    pieces[count].iov_base = pageData(s);
    pieces[count].iov_len = length;
    ++count;
    if (length < pageBytes_) break;  // the file's last page
  }
  if (count == 0) return true;
  if (written_) {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < count; ++i) bytes += pieces[i].iov_len;
    noteWrite(first * pageSize(), bytes);
  }
  if (!settle() ||
      !writePieces(fd_, pieces, static_cast<int>(count), static_cast<off_t>(first * pageSize()))) {
    writeFailed_ = true;
    return false;
  }
  return true;
}

bool FdStreamBuf::writeBackAll() {
  // In file order, so that neighbouring pages go out in one write.
  std::sort(dirtySlots_.begin(), dirtySlots_.end(),
            [this](std::size_t a, std::size_t b) { return cache_[a].number < cache_[b].number; });
  bool ok = true;
  // Bounded by the table: each slot is listed at most once (invariant 6).
  for (std::size_t slot : dirtySlots_) {
    cache_[slot].listed = false;
    if (cache_[slot].dirty && !writeBackRun(slot)) ok = false;
  }
  dirtySlots_.clear();
  return ok;
}

bool FdStreamBuf::startPutArea() {
  const std::streamoff number = pageOf(pos_);
  const std::ptrdiff_t slot = keepPage(number, true);
  if (slot < 0) return false;
  putSlot_ = static_cast<std::size_t>(slot);
  putOffset_ = pos_;
  char* data = pageData(putSlot_);
  setp(data + (pos_ - number * pageSize()), data + pageBytes_);
  return true;
}

bool FdStreamBuf::writeAround(const char* s, std::size_t n) {
  noteWrite(pos_, n);
  if (!settle() || !writeAll(fd_, s, n, static_cast<off_t>(pos_))) {
    writeFailed_ = true;
    return false;
  }
  pos_ += static_cast<std::streamoff>(n);
  fileLength_ = std::max(fileLength_, pos_);
  return true;
}

std::streamsize FdStreamBuf::readLarge(char* s, std::streamsize n, std::streamoff pos) {
  if (pos >= fileLength_) return 0;
  const std::streamoff count = std::min<std::streamoff>(n, fileLength_ - pos);
  const std::streamoff end = pos + count;
  const std::streamoff first = pageOf(pos);
  const std::streamoff last = pageOf(end - 1);
  // Pages are looked at only within the read, which is the caller's buffer.
  // Kept pages at either end (a block's header and trailer pages, just read)
  // are copied from the cache; only the pages between them come from the file.
  auto kept = [&](std::streamoff number) { return cache_[slotOf(number)].number == number; };
  std::streamoff lo = first;
  while (lo <= last && kept(lo)) ++lo;
  std::streamoff hi = last;
  while (hi >= lo && kept(hi)) --hi;
  if (lo <= hi) {
    const std::streamoff from = std::max(pos, lo * pageSize());
    const std::streamoff to = std::min(end, (hi + 1) * pageSize());
    const ssize_t r = readUpTo(readFd(), s + (from - pos), static_cast<std::size_t>(to - from),
                               static_cast<off_t>(from));
    if (r < 0) return -1;
    lastReadEnd_ = hi + 1;
    // What the file lacks below the known end reads as zeros (invariant 5).
    std::memset(s + (from - pos) + r, 0, static_cast<std::size_t>(to - from - r));
  }
  // The kept pages' bytes over it: all of them outside the part read from the
  // file, and the dirty ones inside it (the clean ones equal the file).
  for (std::streamoff number = first; number <= last; ++number) {
    const std::size_t slot = slotOf(number);
    const CachePage& page = cache_[slot];
    const bool readHere = number >= lo && number <= hi;
    if (page.number != number || (readHere && !page.dirty)) continue;
    const std::streamoff start = number * pageSize();
    const std::streamoff from = std::max(pos, start);
    const std::streamoff to = std::min(end, start + pageSize());
    std::memcpy(s + (from - pos), pageData(slot) + (from - start), static_cast<std::size_t>(to - from));
  }
  return static_cast<std::streamsize>(count);
}

std::streamsize FdStreamBuf::peekAt(std::streamoff pos, char* s, std::streamsize n) {
  if (!cached() || pos < 0 || n < 0) return -1;
  if (readRefused()) return -1;
  if (pos >= fileLength_) return 0;
  const std::streamoff end = pos + std::min<std::streamoff>(n, fileLength_ - pos);
  auto kept = [&](std::streamoff number) { return cache_[slotOf(number)].number == number; };
  // Bounded by the pages of the range: each pass takes one page, or a run of
  // pages not kept in one read.
  for (std::streamoff at = pos; at < end;) {
    std::streamoff number = pageOf(at);
    if (kept(number)) {
      // A put area writes into its page's own bytes: they are current.
      const std::streamoff to = std::min(end, (number + 1) * pageSize());
      std::memcpy(s + (at - pos), pageData(slotOf(number)) + (at - number * pageSize()),
                  static_cast<std::size_t>(to - at));
      at = to;
      continue;
    }
    while (number + 1 <= pageOf(end - 1) && !kept(number + 1)) ++number;
    const std::streamoff to = std::min(end, (number + 1) * pageSize());
    const ssize_t r = readUpTo(readFd(), s + (at - pos), static_cast<std::size_t>(to - at),
                               static_cast<off_t>(at));
    if (r < 0) {
      ++readErrors_;
      return -1;
    }
    std::memset(s + (at - pos) + r, 0, static_cast<std::size_t>(to - at - r));
    at = to;
  }
  return static_cast<std::streamsize>(end - pos);
}

void FdStreamBuf::noteWrite(std::streamoff offset, std::size_t n) {
  if (written_ && offset >= 0) written_->wrote(static_cast<uint64_t>(offset), n);
}

int FdStreamBuf::readFd() const { return landing_ ? landing_->readFd(fd_) : fd_; }

bool FdStreamBuf::settle() {
  if (!landing_) return true;
  if (!landing_->wait()) {
    writeFailed_ = true;  // the file is not what this stream has been reading
    return false;
  }
  landing_.reset();
  return true;
}

FdStream::FdStream(int fd, std::size_t bufferSize, std::size_t cachePages)
    : std::iostream(nullptr), buf_(fd, bufferSize, cachePages) {
  rdbuf(&buf_);
  if (fd < 0) setstate(std::ios_base::badbit);
}
