// A buffered stream over a file descriptor, reading and writing with positioned
// calls (pread/pwrite) so that the descriptor's own offset never matters.
//
// Invariants:
//   1. At most one of the get area and the put area holds data at a time.
//   2. The logical position is bufferOffset_ + (gptr - eback) while the get area
//      is set, putOffset_ + (pptr - pbase) while the put area is set, else pos_.
//   3. Pending output is always written before the get area is filled, before a
//      seek leaves the buffered window, and on sync.
#include "platform/fd_stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/fault_injection.h"

namespace {

// Writes all of [data, data+n) at `offset`, retrying short writes. False on failure.
bool writeAll(int fd, const char* data, std::size_t n, off_t offset) {
  if (n > 0 && FaultInjection::shouldFail(FaultInjection::Write)) return false;
  while (n > 0) {
    ssize_t w = pwrite(fd, data, n, offset);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) return false;
    data += w;
    n -= static_cast<std::size_t>(w);
    offset += w;
  }
  return true;
}

// Reads up to n bytes at `offset`; returns the count (0 at the end), -1 on failure.
ssize_t readSome(int fd, char* data, std::size_t n, off_t offset) {
  for (;;) {
    ssize_t r = pread(fd, data, n, offset);
    if (r < 0 && errno == EINTR) continue;
    return r;
  }
}

}  // namespace

FdStreamBuf::FdStreamBuf(int fd, std::size_t bufferSize, std::size_t cachePages)
    : fd_(fd), buffer_(bufferSize < 16 ? 16 : bufferSize), cache_(cachePages) {
  setg(nullptr, nullptr, nullptr);
  setp(nullptr, nullptr);
}

FdStreamBuf::~FdStreamBuf() { flushOutput(); }

std::streamoff FdStreamBuf::logicalPosition() const {
  if (eback() != nullptr) return bufferOffset_ + (gptr() - eback());
  if (pbase() != nullptr) return putOffset_ + (pptr() - pbase());
  return pos_;
}

bool FdStreamBuf::flushOutput() {
  if (pbase() == nullptr) return true;
  const std::size_t n = static_cast<std::size_t>(pptr() - pbase());
  const bool ok = n == 0 || writeThrough(pbase(), n, putOffset_);
  if (!ok) writeFailed_ = true;
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

FdStreamBuf::int_type FdStreamBuf::underflow() {
  if (gptr() != nullptr && gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (!flushOutput()) return traits_type::eof();
  const std::streamoff pos = logicalPosition();
  setg(nullptr, nullptr, nullptr);
  pos_ = pos;
  if (!cache_.empty()) {
    CachePage* page = cachedPage(pos);
    if (page == nullptr) return traits_type::eof();
    bufferOffset_ = page->offset;
    char* base = page->data.get();
    setg(base, base + (pos - page->offset), base + page->length);
    return traits_type::to_int_type(*gptr());
  }
  ssize_t n = readSome(fd_, buffer_.data(), buffer_.size(), static_cast<off_t>(pos));
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
    putOffset_ = pos_;
    setp(buffer_.data(), buffer_.data() + buffer_.size());
  }
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int FdStreamBuf::sync() {
  if (FaultInjection::shouldFail(FaultInjection::Flush)) return -1;
  return flushOutput() ? 0 : -1;
}

FdStreamBuf::pos_type FdStreamBuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                           std::ios_base::openmode) {
  const pos_type failed(off_type(-1));
  std::streamoff base = 0;
  if (dir == std::ios_base::cur) {
    base = logicalPosition();
  } else if (dir == std::ios_base::end) {
    if (!flushOutput()) return failed;
    struct stat st;
    if (fstat(fd_, &st) != 0) return failed;
    base = st.st_size;
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
    if (left >= static_cast<std::streamsize>(buffer_.size())) {
      // A large read goes straight to the caller's memory.
      if (!flushOutput()) break;
      const std::streamoff pos = logicalPosition();
      setg(nullptr, nullptr, nullptr);
      ssize_t r = readSome(fd_, s + done, static_cast<std::size_t>(left), static_cast<off_t>(pos));
      if (r <= 0) {
        pos_ = pos;
        break;
      }
      pos_ = pos + r;
      done += r;
      continue;
    }
    if (traits_type::eq_int_type(underflow(), traits_type::eof())) break;
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
    if (left >= static_cast<std::streamsize>(buffer_.size())) {
      // A large write goes straight to the file.
      dropInput();
      if (!flushOutput()) break;
      if (!writeThrough(s + done, static_cast<std::size_t>(left), pos_)) {
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
  dropCache();
  return ftruncate(fd_, static_cast<off_t>(length)) == 0;
}

FdStreamBuf::CachePage* FdStreamBuf::cachedPage(std::streamoff pos) {
  const std::streamoff pageSize = static_cast<std::streamoff>(buffer_.size());
  const std::streamoff number = pos / pageSize;
  const std::size_t slot = static_cast<std::size_t>(number) % cache_.size();
  CachePage& page = cache_[slot];
  const std::streamoff offset = number * pageSize;
  if (page.offset != offset) {
    if (!page.data) page.data.reset(new char[buffer_.size()]);
    page.offset = -1;
    if (shortSlot_ == static_cast<std::ptrdiff_t>(slot)) shortSlot_ = -1;
    ssize_t n = readSome(fd_, page.data.get(), buffer_.size(), static_cast<off_t>(offset));
    // A read at the end of the file keeps an empty page: the end is known too.
    if (n < 0) return nullptr;
    page.offset = offset;
    page.length = static_cast<std::size_t>(n);
    if (page.length < buffer_.size()) {
      // Only the page holding the end of the file can be short; one kept from
      // before is stale.
      if (shortSlot_ >= 0) cache_[static_cast<std::size_t>(shortSlot_)].offset = -1;
      shortSlot_ = static_cast<std::ptrdiff_t>(slot);
    }
  }
  // A short page ends where the file ends.
  if (pos >= page.offset + static_cast<std::streamoff>(page.length)) return nullptr;
  return &page;
}

void FdStreamBuf::updateCache(std::streamoff offset, const char* data, std::size_t n) {
  if (cache_.empty() || n == 0) return;
  const std::streamoff pageSize = static_cast<std::streamoff>(buffer_.size());
  const std::streamoff end = offset + static_cast<std::streamoff>(n);
  // The short page first: a write starting past its end leaves bytes between
  // that it does not know (zeros in the file).
  if (shortSlot_ >= 0) {
    CachePage& page = cache_[static_cast<std::size_t>(shortSlot_)];
    if (page.offset >= 0 && offset > page.offset + static_cast<std::streamoff>(page.length)) {
      page.offset = -1;
    }
    if (page.offset < 0) shortSlot_ = -1;
  }
  // Then every kept page the write covers. Bounded by the pages of the write.
  for (std::streamoff number = offset / pageSize; number * pageSize < end; ++number) {
    const std::size_t slot = static_cast<std::size_t>(number) % cache_.size();
    CachePage& page = cache_[slot];
    if (page.offset != number * pageSize) continue;
    const std::streamoff keptEnd = page.offset + static_cast<std::streamoff>(page.length);
    const std::streamoff pageEnd = page.offset + pageSize;
    const std::streamoff from = std::max(offset, page.offset);
    const std::streamoff to = std::min(end, pageEnd);
    if (from > keptEnd) {
      page.offset = -1;  // (handled above; a page is short only at the end)
      continue;
    }
    std::memcpy(page.data.get() + (from - page.offset), data + (from - offset),
                static_cast<std::size_t>(to - from));
    if (to > keptEnd) page.length = static_cast<std::size_t>(to - page.offset);
    if (shortSlot_ == static_cast<std::ptrdiff_t>(slot) && page.length == buffer_.size()) {
      shortSlot_ = -1;
    }
  }
}

bool FdStreamBuf::writeThrough(const char* data, std::size_t n, std::streamoff offset) {
  const bool ok = writeAll(fd_, data, n, static_cast<off_t>(offset));
  if (ok) {
    updateCache(offset, data, n);
  } else {
    dropCache();  // what reached the file is unknown
  }
  return ok;
}

void FdStreamBuf::dropCache() {
  for (CachePage& page : cache_) page.offset = -1;
  shortSlot_ = -1;
}

FdStream::FdStream(int fd, std::size_t bufferSize, std::size_t cachePages)
    : std::iostream(nullptr), buf_(fd, bufferSize, cachePages) {
  rdbuf(&buf_);
  if (fd < 0) setstate(std::ios_base::badbit);
}

std::streamoff FdStreamBuf::fileLength() {
  // Pending output first, so that the length counts it.
  if (pubsync() != 0) return -1;
  struct stat st;
  if (fstat(fd_, &st) != 0) return -1;
  return static_cast<std::streamoff>(st.st_size);
}
