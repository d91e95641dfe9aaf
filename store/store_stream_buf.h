// A standard stream buffer whose device is one record of the store (a Chain).
// Everything above the block level reads and writes records through it: page
// bodies, link lists, attributes and the middle-level store's ID table.
//
// Buffer layout (a 256-byte reserve buffer by default, or the caller's):
//
//   [ putback area | data area ........................................ ]
//     4 bytes when the buffer is longer than 8 bytes, else 1 byte
//
// Get area and put area share the data area and at most one of them holds data
// at a time. The get and put positions are separate, as in the record itself:
// reading moves only the get position and writing only the put position.
//
// Invariants:
//   1. While the get area holds bytes, the data area's first byte is the record
//      byte at bufferOrigin and the logical get position is
//      bufferOrigin + (gptr - data start); otherwise it is getPos.
//   2. While the put area holds pending bytes, they belong at bufferOrigin
//      onwards and the logical put position is bufferOrigin + (pptr - data
//      start); otherwise it is putPos, where the record's put cursor stands.
//   3. Switching from writing to reading flushes the pending bytes first;
//      switching from reading to writing drops the unread buffered bytes (the
//      get position stays where the reader was).
//
// An unbuffered object (setbuf with no buffer or a length below 2) reads through
// a one-character area and writes every character straight to the record.
//
// A write of at least a whole data area (after what the put area can still
// take) goes straight to the record in one chain operation, and a read of at
// least two data areas takes all but its last data area straight from the
// record, instead of passing through the buffer a data area at a time; the bytes
// in the record are the same either way, and the last bytes read stay in the
// buffer for putback.
//
// Positioned reads (store/positioned_reads.h) go to the record in one chain
// operation each, a seek of the record's get cursor and a read, apart from the
// buffer: the window, the get position and the get area are left as they are
// (the next refill seeks the record again when its cursor moved). Reads aside
// keep the record's get cursor and the store's chain counts, and put them back.
//
// Store exceptions inside underflow and overflow become end-of-file (a damaged
// record reads short); an out-of-range seek of the get position propagates from
// seekoff (the standard stream classes turn it into their bad state).
#ifndef STORE_STORE_STREAM_BUF_H
#define STORE_STORE_STREAM_BUF_H

#include <memory>
#include <streambuf>
#include <utility>
#include <vector>

#include "platform/io/truncatable.h"
#include "platform/windows_types.h"
#include "store/positioned_reads.h"

class Chain;
class LowLevelStore;

class StoreStreamBuf : public std::streambuf, public Truncatable, public PositionedReads {
 public:
  // The size of the buffer installed by default.
  static const int DefaultBufferSize = 256;

  // Opens the record at `handle` (a freed record is refused with
  // BadBlockException "Block has been freed") and installs a fresh 256-byte
  // buffer with empty get and put areas.
  StoreStreamBuf(LowLevelStore* store, ULONG handle);
  // Opens the record and installs the caller's buffer through setbuf (not owned;
  // it must outlive this object). A null buffer or a length below 2 makes the
  // object unbuffered.
  StoreStreamBuf(LowLevelStore* store, ULONG handle, char* buffer, int length);
  // Takes over a chain already open on a record (a record just allocated), with
  // a fresh 256-byte buffer. REQUIRES: record is not null.
  explicit StoreStreamBuf(std::unique_ptr<Chain> record);
  // Closes the record (flushing pending bytes).
  ~StoreStreamBuf() override;
  StoreStreamBuf(const StoreStreamBuf&) = delete;
  StoreStreamBuf& operator=(const StoreStreamBuf&) = delete;

  // Writes the pending put bytes to the record at its put cursor. 0 on success,
  // end-of-file when the write fell short (the pending bytes are then dropped).
  int flushp();
  // Flushes pending bytes and releases the record. Returns this object, or null
  // when no record was open or the flush failed. Afterwards every operation
  // reports end-of-file.
  StoreStreamBuf* close();
  // Flushes pending bytes and cuts the record at `length` (a longer length
  // changes nothing); positions beyond the new end move back to it.
  bool truncateAt(std::streamoff length) override;
  bool isOpen() const { return chain_ != nullptr; }

  // PositionedReads.
  std::streamsize readAt(std::streamoff pos, char* s, std::streamsize n) override;
  void chargeReadAt(std::streamoff pos, std::streamsize n) override;
  void chargeReadsAt(const std::streamoff* positions, std::size_t count,
                     std::streamsize n) override;
  void chargePlannedReadsAt(ReadPlan& plan, uint64_t name, const ReadSeries& series,
                            std::streamsize n) override;
  std::streamoff deviceLength() override;
  void beginAside() override;
  void endAside() override;
  // The record's chain (null once closed).
  const Chain* chain() const { return chain_.get(); }

  // Not supported: each reports "Call on an unimplemented StoreStreamBuf method"
  // with kind 'E' and does nothing else.
  void lock();
  void unlock();

  virtual void classInvarient(const char* file, int line) const;

  // The record's handle (0 once closed).
  ULONG handle() const;
  bool unbuffered() const { return unbuffered_; }

 protected:
  // Refused (null) when a buffer is already installed; otherwise installs
  // `buffer` (not owned), or makes the object unbuffered when it is null or
  // `length` is below 2. Returns this object.
  std::streambuf* setbuf(char* buffer, std::streamsize length) override;
  int_type underflow() override;
  // Returns the character (or a non-end-of-file value for end-of-file) on
  // success, end-of-file on failure.
  int_type overflow(int_type c = traits_type::eof()) override;
  // dir: beg, cur, end; which: in (get side), out (put side). Returns the new
  // position, or -1 when it cannot be computed or is negative.
  pos_type seekoff(off_type offset, std::ios_base::seekdir dir,
                   std::ios_base::openmode which) override;
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;
  std::streamsize xsgetn(char* s, std::streamsize n) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  // 0, or -1 when there is no record or the flush failed.
  int sync() override;

 private:
  void installBuffer(char* buffer, int length);
  char* dataStart() const { return dataStart_; }
  // The get area holds data when it reaches past the data start (a refill that
  // read nothing leaves it ending there).
  bool getAreaHasData() const { return egptr() > dataStart_; }
  bool putPending() const { return pptr() > pbase(); }
  // The logical get position (invariant 1).
  LONG logicalGetPos() const;
  // Forgets the get area, keeping the logical get position in getPos.
  void dropGetArea();
  void emptyPutArea();

  std::unique_ptr<Chain> chain_;
  // The reads of one chargeReadsAt, as [start, end) positions (kept to spare
  // an allocation per series).
  std::vector<std::pair<LONG, LONG>> spans_;
  // The default buffer, inside the object: a stream is made for every page read
  // or written, and a separate allocation for it would be one more per stream.
  char ownBuffer_[DefaultBufferSize];
  char* buffer_ = nullptr;
  int bufferLength_ = 0;
  int putback_ = 0;
  char* dataStart_ = nullptr;
  int dataLength_ = 0;
  bool bufferInstalled_ = false;
  bool unbuffered_ = false;
  char oneChar_ = 0;

  LONG bufferOrigin_ = 0;
  LONG putPos_ = 0;
  LONG getPos_ = 0;

  // While reads are made aside: how deep, and what endAside puts back.
  struct AsideMark;
  int asideDepth_ = 0;
  std::unique_ptr<AsideMark> aside_;
};

#endif  // STORE_STORE_STREAM_BUF_H
