// The stream buffer over one store record: refilling the get area from the
// record, flushing the put area to it, and positioning both sides (layout and
// invariants in store_stream_buf.h).
#include "store/store_stream_buf.h"

#include <algorithm>
#include <cstring>

#include "kit/error.h"
#include "kit/error_msg_exception.h"
#include "store/chain.h"
#include "store/low_level_store.h"

namespace {

const int kLargePutback = 4;
const int kSmallPutback = 1;
const int kLargeBufferThreshold = 8;
const std::streamoff kMaxPosition = 0x7FFFFFFF;

}  // namespace

struct StoreStreamBuf::AsideMark {
  bool held = false;
  Chain::GetCursor cursor;
  ULONG steps = 0;
  ULONG opens = 0;
};

StoreStreamBuf::StoreStreamBuf(LowLevelStore* store, ULONG handle)
    : chain_(std::make_unique<Chain>(store, handle, 0)) {
  installBuffer(ownBuffer_, DefaultBufferSize);
}

StoreStreamBuf::StoreStreamBuf(LowLevelStore* store, ULONG handle, char* buffer, int length)
    : chain_(std::make_unique<Chain>(store, handle, 0)) {
  setbuf(buffer, length);
}

StoreStreamBuf::StoreStreamBuf(std::unique_ptr<Chain> record) : chain_(std::move(record)) {
  installBuffer(ownBuffer_, DefaultBufferSize);
}

StoreStreamBuf::~StoreStreamBuf() { close(); }

void StoreStreamBuf::installBuffer(char* buffer, int length) {
  bufferInstalled_ = buffer != nullptr && length >= 2;
  if (bufferInstalled_) {
    unbuffered_ = false;
    buffer_ = buffer;
    bufferLength_ = length;
    putback_ = length > kLargeBufferThreshold ? kLargePutback : kSmallPutback;
  } else {
    // One character at a time through a one-character area.
    unbuffered_ = true;
    buffer_ = &oneChar_;
    bufferLength_ = 1;
    putback_ = 0;
  }
  dataStart_ = buffer_ + putback_;
  dataLength_ = bufferLength_ - putback_;
  setg(dataStart_, dataStart_, dataStart_);
  emptyPutArea();
}

std::streambuf* StoreStreamBuf::setbuf(char* buffer, std::streamsize length) {
  if (bufferInstalled_) return nullptr;
  // Leaving the unbuffered state: its one-character area may hold a byte.
  if (getAreaHasData()) dropGetArea();
  int n = length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(length < 0 ? 0 : length);
  installBuffer(buffer, n);
  return this;
}

void StoreStreamBuf::emptyPutArea() {
  if (unbuffered_) {
    setp(nullptr, nullptr);
  } else {
    setp(dataStart_, dataStart_);
  }
}

LONG StoreStreamBuf::logicalGetPos() const {
  if (getAreaHasData()) return bufferOrigin_ + static_cast<LONG>(gptr() - dataStart_);
  return getPos_;
}

void StoreStreamBuf::dropGetArea() {
  getPos_ = logicalGetPos();
  setg(dataStart_, dataStart_, dataStart_);
}

ULONG StoreStreamBuf::handle() const { return chain_ ? chain_->handle() : 0; }

void StoreStreamBuf::classInvarient(const char*, int) const {}

int StoreStreamBuf::flushp() {
  if (!chain_) return traits_type::eof();
  if (!putPending()) return 0;
  const int n = static_cast<int>(pptr() - pbase());
  const LONG target = bufferOrigin_ + static_cast<LONG>(pbase() - dataStart_);
  int written = 0;
  try {
    if (chain_->tellp() != target) chain_->seekp(target);
    written = chain_->write(pbase(), n);
  } catch (const ErrorMsgException&) {
    written = -1;
  }
  if (written != n) {
    // The bytes cannot be placed; drop them so that the failure is not repeated
    // by every later flush.
    emptyPutArea();
    LONG p = chain_->tellp();
    putPos_ = p >= 0 ? p : putPos_;
    return traits_type::eof();
  }
  putPos_ = target + n;
  emptyPutArea();
  return 0;
}

int StoreStreamBuf::sync() {
  if (!chain_) return -1;
  if (putPending() && flushp() != 0) return -1;
  return 0;
}

StoreStreamBuf::int_type StoreStreamBuf::underflow() {
  if (!chain_) return traits_type::eof();
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (putPending() && flushp() != 0) return traits_type::eof();
  emptyPutArea();  // reading: only the get area may hold data (invariant 3)

  // Continue from where the reader stands; keep the last bytes read for putback.
  const LONG pos = logicalGetPos();
  int keep = 0;
  if (getAreaHasData()) {
    keep = static_cast<int>(std::min<std::ptrdiff_t>(putback_, egptr() - eback()));
    std::memmove(dataStart_ - keep, egptr() - keep, static_cast<size_t>(keep));
  }
  setg(dataStart_, dataStart_, dataStart_);
  getPos_ = pos;
  int n = 0;
  try {
    if (pos >= 0 && chain_->tellg() != pos) chain_->seekg(pos);
    bufferOrigin_ = pos >= 0 ? pos : chain_->tellg();
    getPos_ = bufferOrigin_;
    n = chain_->read(dataStart_, dataLength_);
  } catch (const ErrorMsgException&) {
    // A damaged record reads short: the bytes copied before the failure (the
    // distance the record's get cursor moved) are still delivered; the next
    // refill meets the failure again and ends the record.
    const LONG at = chain_->tellg();
    n = at > bufferOrigin_ && at - bufferOrigin_ <= dataLength_ ? at - bufferOrigin_ : 0;
  }
  if (n <= 0) return traits_type::eof();
  setg(dataStart_ - keep, dataStart_, dataStart_ + n);
  return traits_type::to_int_type(*dataStart_);
}

StoreStreamBuf::int_type StoreStreamBuf::overflow(int_type c) {
  if (!chain_) return traits_type::eof();
  // Writing drops what is buffered for reading (invariant 3).
  if (getAreaHasData()) dropGetArea();

  if (unbuffered_) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    char ch = traits_type::to_char_type(c);
    try {
      if (chain_->tellp() != putPos_) chain_->seekp(putPos_);
      if (chain_->write(&ch, 1) != 1) return traits_type::eof();
    } catch (const ErrorMsgException&) {
      return traits_type::eof();
    }
    ++putPos_;
    return c;
  }

  if (putPending() && flushp() != 0) return traits_type::eof();
  bufferOrigin_ = putPos_;
  setp(dataStart_, dataStart_ + dataLength_);
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }
  return traits_type::not_eof(c);
}

StoreStreamBuf::pos_type StoreStreamBuf::seekoff(off_type offset, std::ios_base::seekdir dir,
                                                 std::ios_base::openmode which) {
  const pos_type failed(off_type(-1));
  if (!chain_) return failed;
  const bool getSide = (which & std::ios_base::in) != 0;
  const bool putSide = (which & std::ios_base::out) != 0;
  if (!getSide && !putSide) return failed;

  off_type endBase = 0;
  if (dir == std::ios_base::end) {
    // The end counts the bytes still waiting in the put area.
    if (putPending() && flushp() != 0) return failed;
    endBase = chain_->getUserSize();
  }
  off_type result = -1;

  if (getSide) {
    off_type target = -1;
    if (dir == std::ios_base::beg) {
      target = offset;
    } else if (dir == std::ios_base::end) {
      target = endBase + offset;
    } else {
      LONG base = logicalGetPos();
      if (base != -1) target = base + offset;
      // Asking where the reader stands (tellg) changes nothing.
      if (offset == 0 && base != -1 && !putSide) return pos_type(off_type(base));
    }
    if (target < 0 || target > kMaxPosition) return failed;
    const off_type windowStart = bufferOrigin_ - static_cast<off_type>(dataStart_ - eback());
    const off_type windowEnd = bufferOrigin_ + static_cast<off_type>(egptr() - dataStart_);
    if (getAreaHasData() && target >= windowStart && target <= windowEnd) {
      // Inside the buffered bytes: only the get pointer moves.
      setg(eback(), dataStart_ + (target - bufferOrigin_), egptr());
    } else {
      if (putPending() && flushp() != 0) return failed;
      emptyPutArea();
      dropGetArea();
      chain_->seekg(static_cast<LONG>(target));  // OutOfRangeException beyond the end
      bufferOrigin_ = static_cast<LONG>(target);
    }
    getPos_ = static_cast<LONG>(target);
    result = target;
  }

  if (putSide) {
    off_type target = -1;
    if (dir == std::ios_base::beg) {
      target = offset;
    } else if (dir == std::ios_base::end) {
      target = endBase + offset;
    } else {
      LONG base = putPending() ? bufferOrigin_ + static_cast<LONG>(pptr() - dataStart_) : putPos_;
      if (base != -1) target = base + offset;
      // Asking where the writer stands (tellp) changes nothing.
      if (offset == 0 && base != -1) return pos_type(off_type(base));
    }
    if (target < 0 || target > kMaxPosition) return failed;
    if (putPending() && flushp() != 0) return failed;
    chain_->seekp(static_cast<LONG>(target));
    putPos_ = static_cast<LONG>(target);
    result = target;
  }
  return pos_type(result);
}

StoreStreamBuf::pos_type StoreStreamBuf::seekpos(pos_type pos, std::ios_base::openmode which) {
  return seekoff(off_type(pos), std::ios_base::beg, which);
}

std::streamsize StoreStreamBuf::xsgetn(char* s, std::streamsize n) {
  if (n <= 0) return 0;
  // What the get area holds first.
  std::streamsize done = std::min<std::streamsize>(n, egptr() - gptr());
  if (done > 0) {
    std::memcpy(s, gptr(), static_cast<size_t>(done));
    gbump(static_cast<int>(done));
  }
  if (done == n) return done;
  if (!chain_ || unbuffered_ || n - done < 2 * static_cast<std::streamsize>(dataLength_)) {
    return done + std::streambuf::xsgetn(s + done, n - done);
  }
  // The rest is at least two data areas: all but the last data area straight
  // from the record; the last through the buffer, so that the bytes just read
  // stay there for putback as after any refill.
  if (putPending() && flushp() != 0) return done;
  emptyPutArea();
  const LONG pos = logicalGetPos();
  setg(dataStart_, dataStart_, dataStart_);
  getPos_ = pos;
  const std::streamsize want =
      std::min<std::streamsize>(n - done - dataLength_, kMaxPosition - pos);
  LONG got = 0;
  try {
    if (chain_->tellg() != pos) chain_->seekg(pos);
    got = chain_->read(s + done, static_cast<int>(want));
  } catch (const ErrorMsgException&) {
    // A damaged record reads short: deliver what was copied before the failure.
    const LONG at = chain_->tellg();
    got = at > pos && at - pos <= want ? at - pos : 0;
  }
  if (got < 0) got = 0;
  getPos_ = pos + got;
  bufferOrigin_ = getPos_;
  done += got;
  if (got < want) return done;  // the record ended (or failed) first
  return done + std::streambuf::xsgetn(s + done, n - done);
}

std::streamsize StoreStreamBuf::xsputn(const char* s, std::streamsize n) {
  if (n <= 0) return 0;
  // What still fits the put area goes there first.
  std::streamsize done = 0;
  if (pbase() != nullptr && pptr() < epptr()) {
    done = std::min<std::streamsize>(n, epptr() - pptr());
    std::memcpy(pptr(), s, static_cast<size_t>(done));
    pbump(static_cast<int>(done));
  }
  if (done == n) return done;
  if (!chain_ || unbuffered_ || n - done < dataLength_) {
    return done + std::streambuf::xsputn(s + done, n - done);
  }
  // The rest is at least a data area: the pending bytes, then the rest straight
  // to the record (writing drops what is buffered for reading, invariant 3).
  if (getAreaHasData()) dropGetArea();
  if (putPending() && flushp() != 0) return done;
  emptyPutArea();
  const std::streamsize want = std::min<std::streamsize>(n - done, kMaxPosition - putPos_);
  const LONG start = putPos_;
  LONG written = 0;
  try {
    if (chain_->tellp() != start) chain_->seekp(start);
    written = chain_->write(s + done, static_cast<int>(want));
  } catch (const ErrorMsgException&) {
    const LONG at = chain_->tellp();
    written = at > start && at - start <= want ? at - start : 0;
  }
  if (written < 0) written = 0;
  putPos_ = start + written;
  bufferOrigin_ = putPos_;
  return done + written;
}

StoreStreamBuf* StoreStreamBuf::close() {
  if (!chain_) return nullptr;
  bool flushed = !traits_type::eq_int_type(overflow(traits_type::eof()), traits_type::eof());
  chain_.reset();
  setg(dataStart_, dataStart_, dataStart_);
  emptyPutArea();
  bufferOrigin_ = putPos_ = getPos_ = 0;
  return flushed ? this : nullptr;
}

void StoreStreamBuf::lock() {
  error(nullptr, 'E', "Call on an unimplemented StoreStreamBuf method");
}

void StoreStreamBuf::unlock() {
  error(nullptr, 'E', "Call on an unimplemented StoreStreamBuf method");
}

bool StoreStreamBuf::truncateAt(std::streamoff length) {
  if (!chain_ || length < 0 || length > 0x7FFFFFFF) return false;
  if (sync() != 0) return false;
  dropGetArea();
  emptyPutArea();
  const LONG end = static_cast<LONG>(length);
  try {
    chain_->truncate(end);
  } catch (const ErrorMsgException&) {
    return false;
  }
  if (getPos_ > end) getPos_ = end;
  if (putPos_ > end) putPos_ = end;
  bufferOrigin_ = getPos_;
  try {
    chain_->seekg(getPos_);
    chain_->seekp(putPos_);
  } catch (const ErrorMsgException&) {
    return false;
  }
  return true;
}

// --- Positioned reads ----------------------------------------------------------------

std::streamsize StoreStreamBuf::readAt(std::streamoff pos, char* s, std::streamsize n) {
  if (!chain_ || pos < 0 || pos > kMaxPosition || n <= 0) return 0;
  if (putPending() && flushp() != 0) return 0;
  const LONG start = static_cast<LONG>(pos);
  const int want = static_cast<int>(std::min<std::streamoff>(n, kMaxPosition - pos));
  try {
    chain_->seekg(start);
  } catch (const ErrorMsgException&) {
    return 0;  // beyond the end, or a damaged link on the way
  }
  LONG got = 0;
  try {
    got = chain_->read(s, want);
  } catch (const ErrorMsgException&) {
    // A damaged record reads short: what was copied before the failure.
    const LONG at = chain_->tellg();
    got = at > start && at - start <= want ? at - start : 0;
  }
  return got > 0 ? got : 0;
}

void StoreStreamBuf::chargeReadAt(std::streamoff pos, std::streamsize n) {
  if (!chain_ || pos < 0 || pos > kMaxPosition || n <= 0) return;
  if (putPending() && flushp() != 0) return;
  const LONG start = static_cast<LONG>(pos);
  const LONG end = static_cast<LONG>(pos + std::min<std::streamoff>(n, kMaxPosition - pos));
  try {
    chain_->seekg(start);
  } catch (const ErrorMsgException&) {
    return;  // readAt reads nothing either
  }
  // The read's steps are those of a seek to its end: it steps from a block only
  // when bytes are still wanted and a block follows, and so does the seek.
  try {
    chain_->seekg(end);
  } catch (const LowLevelStore::OutOfRangeException&) {
    // The record ends first: the read stops at the end of its last block, where
    // the failed seek left the cursor.
    try {
      chain_->seekg(0, std::ios_base::end);
    } catch (const ErrorMsgException&) {
    }
  } catch (const ErrorMsgException&) {
    // A damaged link: the read's failing step was counted as the seek's.
  }
}

void StoreStreamBuf::chargeReadsAt(const std::streamoff* positions, std::size_t count,
                                   std::streamsize n) {
  if (!chain_ || count == 0 || n <= 0) return;
  if (putPending() && flushp() != 0) return;
  // The series is charged in one go when every read lies where the chain's
  // position index can tell its blocks; anything else takes the reads one by one.
  spans_.clear();
  for (std::size_t i = 0; i < count; ++i) {
    const std::streamoff pos = positions[i];
    if (pos < 0 || pos > kMaxPosition) {
      PositionedReads::chargeReadsAt(positions, count, n);
      return;
    }
    spans_.emplace_back(static_cast<LONG>(pos),
                        static_cast<LONG>(pos + std::min<std::streamoff>(n, kMaxPosition - pos)));
  }
  if (!chain_->chargeReadsByIndex(spans_.data(), spans_.size())) {
    PositionedReads::chargeReadsAt(positions, count, n);
  }
}

void StoreStreamBuf::chargePlannedReadsAt(ReadPlan& plan, uint64_t name, const ReadSeries& series,
                                          std::streamsize n) {
  if (!chain_ || series.count == 0 || n <= 0) return;
  if (putPending() && flushp() != 0) return;
  if (n > 0xFFFF || !chain_->chargePlannedReads(plan, name, series, static_cast<LONG>(n))) {
    PositionedReads::chargePlannedReadsAt(plan, name, series, n);
  }
}

std::streamoff StoreStreamBuf::deviceLength() {
  if (!chain_) return -1;
  if (putPending() && flushp() != 0) return -1;
  try {
    return chain_->getUserSize();
  } catch (const ErrorMsgException&) {
    return -1;
  }
}

void StoreStreamBuf::beginAside() {
  if (asideDepth_++ > 0 || !chain_) return;
  // Pending bytes are written as the first read would write them, and counted.
  if (putPending()) flushp();
  if (!aside_) aside_ = std::make_unique<AsideMark>();
  const LowLevelStore* store = chain_->store();
  aside_->held = true;
  aside_->cursor = chain_->getCursor();
  aside_->steps = store->chainStepCount;
  aside_->opens = store->chainOpenCount;
}

void StoreStreamBuf::endAside() {
  if (asideDepth_ == 0 || --asideDepth_ > 0) return;
  if (!chain_ || !aside_ || !aside_->held) return;
  chain_->setGetCursor(aside_->cursor);
  LowLevelStore* store = chain_->store();
  store->chainStepCount = aside_->steps;
  store->chainOpenCount = aside_->opens;
  aside_->held = false;
  aside_->cursor = Chain::GetCursor();
}
