// A read/write standard stream over an open file descriptor: the stream the store
// keeps on its file and that the kit's file helpers copy through. The descriptor
// is not owned; whoever opened it closes it (after the stream is gone).
//
// The buffer serves reads and writes alternately: pending output is written
// before any read or seek, and a seek that lands inside the bytes already read
// moves only the read pointer. A failed read, write or seek sets the stream's
// failure state and never throws.
#ifndef PLATFORM_FD_STREAM_H
#define PLATFORM_FD_STREAM_H

#include <iostream>
#include <streambuf>
#include <vector>

#include "platform/truncatable.h"

class FdStreamBuf : public std::streambuf, public Truncatable {
 public:
  explicit FdStreamBuf(int fd, std::size_t bufferSize = 4096);
  ~FdStreamBuf() override;
  FdStreamBuf(const FdStreamBuf&) = delete;
  FdStreamBuf& operator=(const FdStreamBuf&) = delete;

  int fd() const { return fd_; }
  // Truncates (or extends) the file to `length` bytes after writing pending output.
  bool truncate(std::streamoff length);
  bool truncateAt(std::streamoff length) override { return truncate(length); }
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

  int fd_;
  std::vector<char> buffer_;
  // File offset of buffer_[0] while the get area holds data read from the file.
  std::streamoff bufferOffset_ = 0;
  // File offset at which the put area starts while it holds pending output.
  std::streamoff putOffset_ = 0;
  // The position while neither area is set.
  std::streamoff pos_ = 0;
  bool writeFailed_ = false;
};

class FdStream : public std::iostream {
 public:
  explicit FdStream(int fd, std::size_t bufferSize = 4096);
  FdStreamBuf* fdbuf() { return &buf_; }

 private:
  FdStreamBuf buf_;
};

#endif  // PLATFORM_FD_STREAM_H
