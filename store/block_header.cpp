// BlockHeader: reading, checking and writing the 18-byte header and 4-byte
// trailer of a block (layout in block_header.h).
#include "store/block_header.h"

#include <cstdint>

#include "store/low_level_store.h"

namespace {

ULONG getU32(const char* p) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<ULONG>(u[0]) | (static_cast<ULONG>(u[1]) << 8) |
         (static_cast<ULONG>(u[2]) << 16) | (static_cast<ULONG>(u[3]) << 24);
}

void putU32(char* p, ULONG v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Leaves the read pointer at the user area, as after a successful read, and the
// stream usable; failures on the way are of no further interest.
void resetAfterFailure(LowLevelStore* store, ULONG handle) {
  store->clear();
  try {
    store->seekg(handle + BlockHeader::FootPrintSize);
  } catch (const LowLevelStore::StoreException&) {
  }
  store->clear();
}

}  // namespace

BlockHeader::BlockHeader() = default;

BlockHeader::BlockHeader(LowLevelStore* store, ULONG handle) { read(store, handle); }

BlockHeader::BlockHeader(LowLevelStore* store, ULONG handle, ULONG size, ULONG length,
                         ULONG next, ULONG prev, bool first, bool free, ULONG extensionSize)
    : size_(size), length_(length), next_(next), prev_(prev), extensionSize_(extensionSize) {
  setFirstMark(first);
  setFreeMark(free);
  write(store, handle);
}

void BlockHeader::setFreeMark(bool on) {
  marks_ = static_cast<WORD>(on ? (marks_ | FreeMark) : (marks_ & ~FreeMark));
}

void BlockHeader::setFirstMark(bool on) {
  marks_ = static_cast<WORD>(on ? (marks_ | FirstMark) : (marks_ & ~FirstMark));
}

void BlockHeader::write(LowLevelStore* store, ULONG handle) {
  store->clear();
  try {
    ULONG fourth = prev_;
    if (first_mark()) fourth = free_mark() ? 0 : extensionSize_;
    // The header in one write, then the trailer.
    char bytes[FootPrintSize];
    putU32(bytes, size_);
    putU32(bytes + 4, length_);
    putU32(bytes + 8, next_);
    putU32(bytes + 12, fourth);
    bytes[16] = static_cast<char>(marks_ & 0xFF);
    bytes[17] = static_cast<char>((marks_ >> 8) & 0xFF);
    store->seekp(handle);
    store->write(bytes, static_cast<int>(FootPrintSize));
    store->seekp(handle + size_ - TrailerSize);
    store->write(size_);
  } catch (const LowLevelStore::StoreException&) {
    store->clear();
    throw LowLevelStore::BlockHeaderWriteException("BlockHeaderWriteException");
  }
}

void BlockHeader::read(LowLevelStore* store, ULONG handle) {
  ULONG size = 0, length = 0, next = 0, fourth = 0, trailer = 0;
  WORD marks = 0;
  try {
    // The header in one read.
    char bytes[FootPrintSize];
    store->seekg(handle);
    store->read(bytes, static_cast<int>(FootPrintSize));
    size = getU32(bytes);
    length = getU32(bytes + 4);
    next = getU32(bytes + 8);
    fourth = getU32(bytes + 12);
    marks = static_cast<WORD>(static_cast<unsigned char>(bytes[16]) |
                              (static_cast<unsigned char>(bytes[17]) << 8));
  } catch (const LowLevelStore::StoreException&) {
    resetAfterFailure(store, handle);
    throw LowLevelStore::BlockHeaderReadException("Header/Trailer read failure");
  }
  // A size below the smallest block would put the trailer inside the header (a
  // size of 4 even reads the size field back as its own trailer).
  if (size < MinBlockSize) {
    resetAfterFailure(store, handle);
    throw LowLevelStore::BadBlockException("Block size below the minimum block size");
  }
  // A block reaching past the largest possible file has no readable trailer.
  if (static_cast<uint64_t>(handle) + size > LowLevelStore::MaxFileSize) {
    resetAfterFailure(store, handle);
    throw LowLevelStore::BlockHeaderReadException("Header/Trailer read failure");
  }
  try {
    store->seekg(handle + size - TrailerSize);
    store->read(&trailer);
  } catch (const LowLevelStore::StoreException&) {
    resetAfterFailure(store, handle);
    throw LowLevelStore::BlockHeaderReadException("Header/Trailer read failure");
  }
  if (trailer != size) {
    resetAfterFailure(store, handle);
    throw LowLevelStore::BadBlockException("Mismatched header and trailer sizes");
  }
  if (length > size - OverheadSize) {
    resetAfterFailure(store, handle);
    throw LowLevelStore::BadBlockException("Block length exceeds its user size");
  }

  size_ = size;
  length_ = length;
  next_ = next;
  marks_ = marks;
  if (first_mark()) {
    extensionSize_ = fourth;
    prev_ = 0;
  } else {
    extensionSize_ = DefaultExtensionSize;
    prev_ = fourth;
  }
  try {
    store->seekg(handle + FootPrintSize);
  } catch (const LowLevelStore::StoreException&) {
    store->clear();
    throw LowLevelStore::BlockHeaderReadException("BlockHeaderReadException");
  }
}

void BlockHeader::updateLength(ULONG newLength, LowLevelStore* store, ULONG handle) {
  length_ = newLength;
  store->seekp(handle + 4);
  store->write(length_);
}
