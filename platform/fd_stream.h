// A read/write standard stream over an open file descriptor: the stream the store
// keeps on its file and that the kit's file helpers copy through. The descriptor
// is not owned; whoever opened it closes it (after the stream is gone).
//
// The buffer serves reads and writes alternately: pending output is written
// before any read or seek, and a seek that lands inside the bytes already read
// moves only the read pointer. A failed read, write or seek sets the stream's
// failure state and never throws.
//
// Read cache (optional, for a stream that is the only writer of its file, such
// as the store's): the last pages read are kept, one per slot of a direct-mapped
// table of `cachePages` pages of the buffer's size at page-aligned offsets, and a
// read inside a kept page costs no system call. Writes still reach the file
// exactly when they would without the cache (the cache is write-through); each
// write also updates the kept pages it overlaps, so they never differ from the
// file as this stream has written it. A page kept short (it held the end of the
// file) is dropped when a write starts beyond its end, and truncate drops every
// page. Writes made to the file through other descriptors are not seen.
#ifndef PLATFORM_FD_STREAM_H
#define PLATFORM_FD_STREAM_H

#include <iostream>
#include <memory>
#include <streambuf>
#include <vector>

#include "platform/truncatable.h"

class FdStreamBuf : public std::streambuf, public Truncatable {
 public:
  // cachePages 0: no read cache.
  explicit FdStreamBuf(int fd, std::size_t bufferSize = 4096, std::size_t cachePages = 0);
  ~FdStreamBuf() override;
  FdStreamBuf(const FdStreamBuf&) = delete;
  FdStreamBuf& operator=(const FdStreamBuf&) = delete;

  int fd() const { return fd_; }
  // Truncates (or extends) the file to `length` bytes after writing pending output.
  bool truncate(std::streamoff length);
  bool truncateAt(std::streamoff length) override { return truncate(length); }
  // The length of the file as this stream has written it (pending output
  // counted), or -1 when it cannot be told (a failed write of pending output
  // counts as that).
  std::streamoff fileLength();
  // True once any output failed to reach the file (and was dropped): the file
  // then differs from what was written through the stream. Never reset.
  bool writeFailed() const { return writeFailed_; }

 protected:
  int_type underflow() override;
  int_type overflow(int_type c) override;
  int sync() override;
  pos_type seekoff(off_type off, std::ios_base::seekdir dir,
                   std::ios_base::openmode which) override;
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;
  std::streamsize xsgetn(char* s, std::streamsize n) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;

 private:
  bool flushOutput();
  void dropInput();
  std::streamoff logicalPosition() const;

  // One page of the read cache: the file bytes [offset, offset + length) as this
  // stream last read or wrote them; offset -1 while the slot is empty.
  struct CachePage {
    std::streamoff offset = -1;
    std::size_t length = 0;
    std::unique_ptr<char[]> data;
  };
  // The kept page holding `pos`, read from the file when it is not kept; null
  // when the file has no byte at pos or the read failed.
  CachePage* cachedPage(std::streamoff pos);
  // Brings the kept pages up to date after [data, data + n) was written at offset.
  void updateCache(std::streamoff offset, const char* data, std::size_t n);
  void dropCache();
  // Writes all of [data, data + n) at offset and keeps the cache in step.
  bool writeThrough(const char* data, std::size_t n, std::streamoff offset);

  int fd_;
  std::vector<char> buffer_;
  // File offset of buffer_[0] while the get area holds data read from the file.
  std::streamoff bufferOffset_ = 0;
  // File offset at which the put area starts while it holds pending output.
  std::streamoff putOffset_ = 0;
  // The position while neither area is set.
  std::streamoff pos_ = 0;
  // The read cache (empty: none), indexed by page number modulo its size.
  std::vector<CachePage> cache_;
  // The slot of the kept page that holds the end of the file and is therefore
  // shorter than a page, or -1. Only that page can be short.
  std::ptrdiff_t shortSlot_ = -1;
  bool writeFailed_ = false;
};

class FdStream : public std::iostream {
 public:
  explicit FdStream(int fd, std::size_t bufferSize = 4096, std::size_t cachePages = 0);
  FdStreamBuf* fdbuf() { return &buf_; }

 private:
  FdStreamBuf buf_;
};

#endif  // PLATFORM_FD_STREAM_H
