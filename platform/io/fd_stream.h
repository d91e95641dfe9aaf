// A read/write standard stream over an open file descriptor: the stream the store
// keeps on its file and that the kit's file helpers read and write through. The
// descriptor is not owned; whoever opened it closes it (after the stream is gone).
//
// A failed read, write or seek sets the stream's failure state and never throws.
//
// Plain mode (cachePages 0): one buffer serves reads and writes alternately;
// pending output is written before any read or seek, and a seek that lands inside
// the bytes already read moves only the read pointer.
//
// Page-cache mode (cachePages > 0), for a stream that is the only writer of its
// file, as the store's is (its share locks keep every other writer out): the file
// is seen through a direct-mapped table of `cachePages` pages of `bufferSize`
// bytes at page-aligned offsets (page n lives in slot n % cachePages). Reads and
// writes work on the kept pages; a write only marks its pages dirty, and a dirty
// page reaches the file when
//   - its slot is wanted for another page (it is written together with the kept
//     dirty pages that follow it in the file, in one call),
//   - sync() / pubsync() / flush() is asked for,
//   - truncate() is asked for, and
//   - the stream is destroyed.
// So at most `cachePages` pages are ever dirty. A read of at least a page that is
// not wholly kept goes straight into the caller's memory with one read of the
// file, the dirty kept pages it overlaps laid over it; it fills no slot.
// The stream knows its file's length (fstat once, at construction; raised by
// writes past it, set by truncate), so fileLength() and a seek to the end cost no
// system call. Writes made to the file through other descriptors are not seen,
// and other descriptors see this stream's writes only once they reached the file.
// A page-cache stream opened on a file that a copy is still landing in
// (platform/io/pending_copy.h) reads the copy's source until the copy is whole, and
// waits for it before its first write reaches the file; a copy that fails makes
// that write fail. A stream opened on a file whose writes are watched
// (platform/io/written_ranges.h) tells the record of each write and truncation
// before it reaches the file.
//
// Failures: every write that reaches the file goes through the failure hook
// (platform/io/fault_injection.h) first. Once any write of this stream failed (its
// bytes are then not in the file), writeFailed() is true for good; in page-cache
// mode a flush refused by the hook counts as such a failure too (the caller was
// told that its output did not reach the file), and sync() reports -1 from then
// on, so that a commit built on this stream refuses to go on. Every read asked of
// the stream (sgetn, a refill, peekAt) asks the hook too; a failed read reads
// nothing and is counted in readErrors().
#ifndef PLATFORM_FD_STREAM_H
#define PLATFORM_FD_STREAM_H

#include <cstddef>
#include <cstdint>
#include <iostream>
#include <memory>
#include <streambuf>
#include <vector>

#include "platform/io/truncatable.h"

class PendingCopy;
class WrittenRanges;

// Gives a cached stream's page memory back to the system.
struct PoolRelease {
  PoolRelease() : bytes(0) {}
  explicit PoolRelease(std::size_t n) : bytes(n) {}
  std::size_t bytes;
  void operator()(char* pool) const;
};

class FdStreamBuf : public std::streambuf, public Truncatable {
 public:
  // cachePages 0: plain mode. In page-cache mode the descriptor must be a
  // regular file that fstat can describe; otherwise the stream falls back to
  // plain mode.
  explicit FdStreamBuf(int fd, std::size_t bufferSize = 4096, std::size_t cachePages = 0);
  // Writes what is still pending (failures are recorded in writeFailed()).
  ~FdStreamBuf() override;
  FdStreamBuf(const FdStreamBuf&) = delete;
  FdStreamBuf& operator=(const FdStreamBuf&) = delete;

  int fd() const { return fd_; }
  bool cached() const { return !cache_.empty(); }
  // Writes everything pending, then truncates (or extends) the file to `length`
  // bytes. False when a write or the truncation failed.
  bool truncate(std::streamoff length);
  bool truncateAt(std::streamoff length) override { return truncate(length); }
  // The length of the file as this stream has written it (pending output
  // counted), or -1 when it cannot be told. Plain mode writes pending output and
  // asks fstat (a failed write counts as "cannot be told"); page-cache mode
  // answers from what it knows and writes nothing.
  std::streamoff fileLength();

  // Page-cache mode: copies the file's bytes [pos, pos + n), as this stream
  // knows them, into `s` without keeping the pages it reads and without moving
  // the stream: kept pages (changed ones included) come from the table, each run
  // of the others from the file in one read. For a reader of a few bytes here
  // and there, which would otherwise bring in a page for each. The count copied
  // (less at the file's end; bytes the file lacks below its known end read as
  // zeros), -1 when the file could not be read or in plain mode.
  std::streamsize peekAt(std::streamoff pos, char* s, std::streamsize n);
  // True once any output failed to reach the file (and was dropped): the file
  // then differs from what was written through the stream. Never reset.
  bool writeFailed() const { return writeFailed_; }
  // Reads asked of this stream that failed (the file could not be read, or the
  // failure hook failed them), as opposed to reads that met the end of the file.
  uint64_t readErrors() const { return readErrors_; }

  // The kept pages of a page-cache stream, handed on to the next stream opened
  // on the same file (a store closes and reopens its file at every commit). Only
  // a stream whose pages all equal the file gives them away, and a stream takes
  // them only when its file is the very file they came from, unchanged since
  // (same device, file, length and change times).
  class KeptPages;
  // After everything was written back: the kept pages, leaving this stream with
  // none (it goes on working, reading from the file). Null in plain mode, while
  // output is pending or dirty, or once a write failed.
  std::unique_ptr<KeptPages> handOverPages();
  // Takes pages handed over by another stream, before this one kept any of its
  // own. False, dropping them, when they do not fit (another file, a changed
  // file, another page or table size, or plain mode).
  bool adoptPages(std::unique_ptr<KeptPages> pages);

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
  // Ends the put area: plain mode writes it, page-cache mode marks its page
  // dirty and raises the known length. False when a write failed.
  bool flushOutput();
  void dropInput();
  std::streamoff logicalPosition() const;

  // --- page-cache mode ---
  // One slot of the table: which page it holds (-1: none) and whether the page
  // differs from the file. Its bytes are pool_[slot * pageSize, + pageSize).
  struct CachePage {
    std::streamoff number = -1;
    bool dirty = false;
    bool listed = false;  // in dirtySlots_
  };
  std::streamoff pageSize() const { return static_cast<std::streamoff>(pageBytes_); }
  char* pageData(std::size_t slot) { return pool_.get() + slot * pageBytes_; }
  // The page holding `pos` and the slot of page `number`; a shift and a mask
  // when the sizes are powers of two (the store's are), as every read asks.
  std::streamoff pageOf(std::streamoff pos) const {
    return pageShift_ >= 0 ? pos >> pageShift_ : pos / pageSize();
  }
  std::size_t slotOf(std::streamoff number) const {
    return slotsPowerOfTwo_ ? static_cast<std::size_t>(number) & (cache_.size() - 1)
                            : static_cast<std::size_t>(number % static_cast<std::streamoff>(cache_.size()));
  }
  // Bytes of page `number` that lie inside the file (0 .. pageSize).
  std::size_t validLength(std::streamoff number) const;
  // The slot holding page `number`, made to hold it when it does not (writing
  // back the page it held). With `fill` the page's bytes are read from the file
  // (zeros past the file's end); without, the caller overwrites all of them.
  // -1 when the read failed.
  std::ptrdiff_t keepPage(std::streamoff number, bool fill);
  static std::unique_ptr<char, PoolRelease> mapPool(std::size_t bytes);
  void markDirty(std::size_t slot);
  // Writes the dirty page in `slot` and the kept dirty pages that follow it in
  // the file with one positioned write. False on failure (recorded).
  bool writeBackRun(std::size_t slot);
  // Writes every dirty page, in file order. False on failure (recorded).
  bool writeBackAll();
  // Starts a put area inside the page holding pos_. False when it cannot be read.
  bool startPutArea();
  // Writes [s, s + n) at pos_ straight to the file (when its page cannot be
  // read); the page is not kept, so nothing else needs to change.
  bool writeAround(const char* s, std::size_t n);
  // A read of at least a page at `pos`; the count read (0 at the end), -1 on failure.
  std::streamsize readLarge(char* s, std::streamsize n, std::streamoff pos);
  // underflow without asking the failure hook (for reads that already asked).
  int_type refill();
  // Asks the failure hook about one read; true (and counted) when it fails.
  bool readRefused();
  // The descriptor the file's bytes are read from: the source of a copy still
  // landing in the file (platform/io/pending_copy.h), else the file's own.
  int readFd() const;
  // Before anything is written to the file: waits for a copy landing in it to be
  // whole. False (and the write counts as failed) when it never will be.
  bool settle();
  // Before [offset, offset + n) is written to the file: tells the record of the
  // file's writes, when it is watched (platform/io/written_ranges.h).
  void noteWrite(std::streamoff offset, std::size_t n);

  int fd_;
  // The buffer's size, which is also the page size (at least 16).
  std::size_t pageBytes_;
  // Plain mode: the read or write buffer. Page-cache mode: empty.
  std::vector<char> buffer_;
  // File offset of eback() while the get area holds data.
  std::streamoff bufferOffset_ = 0;
  // File offset at which the put area starts while it holds pending output.
  std::streamoff putOffset_ = 0;
  // The position while neither area is set.
  std::streamoff pos_ = 0;
  bool writeFailed_ = false;
  uint64_t readErrors_ = 0;

  // Page-cache mode (cache_ empty: plain mode).
  std::vector<CachePage> cache_;
  // The pages' bytes, cachePages * pageSize, mapped at the first page kept (see
  // PagePool in fd_stream.cpp).
  std::unique_ptr<char, PoolRelease> pool_;
  // Slots that turned dirty since the last writeBackAll (each listed once).
  std::vector<std::size_t> dirtySlots_;
  // The slot of the page the put area lies in.
  std::size_t putSlot_ = 0;
  // The file's length as this stream has written it.
  std::streamoff fileLength_ = 0;
  // The page after the last pages read from the file (-1: none yet); a page read
  // soon after it is read with the pages that follow (see keepPage).
  std::streamoff lastReadEnd_ = -1;
  // log2 of the page size, or -1 when it is no power of two.
  int pageShift_ = -1;
  bool slotsPowerOfTwo_ = false;
  // A copy still landing in the file when this stream was opened on it, until it
  // is whole; the file's bytes are read from its source meanwhile.
  std::shared_ptr<PendingCopy> landing_;
  // The record of this file's writes, when someone watches them.
  std::shared_ptr<WrittenRanges> written_;
};

class FdStreamBuf::KeptPages {
 private:
  friend class FdStreamBuf;
  std::vector<CachePage> table;
  std::unique_ptr<char, PoolRelease> pool;
  std::size_t pageBytes = 0;
  std::streamoff length = 0;
  // The file's identity and state when the pages were handed over (stat fields).
  unsigned long long device = 0, inode = 0;
  long long modified = 0, modifiedNanos = 0, changed = 0, changedNanos = 0;
  std::streamoff lastReadEnd = -1;
};

class FdStream : public std::iostream {
 public:
  explicit FdStream(int fd, std::size_t bufferSize = 4096, std::size_t cachePages = 0);
  FdStreamBuf* fdbuf() { return &buf_; }

 private:
  FdStreamBuf buf_;
};

#endif  // PLATFORM_FD_STREAM_H
