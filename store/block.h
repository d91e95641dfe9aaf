// One block of a store file in memory: its header, its handle and a read and a
// write position inside its user area. Reads and writes of user bytes go straight
// to the file through the store's failure-checked primitives; nothing but the
// header is cached. The byte layout of a block is drawn in store/block_header.h.
#ifndef STORE_BLOCK_H
#define STORE_BLOCK_H

#include <memory>

#include "platform/windows_types.h"
#include "store/block_header.h"

class LowLevelStore;

class Block {
 public:
  // Reads the existing block at `handle` (BlockHeader::read's exceptions).
  Block(LowLevelStore* store, ULONG handle);
  // Makes a new block at `handle`: fills all `size` bytes with spaces, then writes
  // header and trailer with the first mark, no free mark, next 0, length 0 and the
  // given extension size.
  // REQUIRES: size >= BlockHeader::OverheadSize.
  Block(LowLevelStore* store, ULONG handle, ULONG size, ULONG extensionSize);

  // Reports through the error function when the in-memory block breaks the
  // layout invariants (a state no file can cause: headers are checked on reading).
  void classInvarient(const char* file, int line) const;

  // Copies min(n, length - read position) user bytes from the read position into
  // `buffer`, advances the read position and returns the count copied.
  int read(char* buffer, int n);
  // Copies min(n, user size - write position) bytes to the write position,
  // advances it, raises length on disk at once when the write position passes it,
  // and returns the count written.
  int write(const char* buffer, int n);
  // The user byte at index i, or 0xFF when i >= length.
  unsigned char operator[](ULONG i);

  ULONG handle() const { return handle_; }
  void setHandle(ULONG handle) { handle_ = handle; }
  // User capacity: size - 22.
  ULONG getUserSize() const { return header_.userSize(); }
  // Total block size for a user size: max(userSize, 32) + 22.
  // REQUIRES: userSize <= LowLevelStore::MaxFileSize.
  static ULONG computeSizeFromUserSize(ULONG userSize);
  // Writes `count` spaces from file position `pos` (in pieces of bounded size).
  static void fillWithSpaces(LowLevelStore* store, ULONG pos, ULONG count);

  // The physically preceding block, or none when this block starts right after
  // the file header. A bad predecessor is reported and its exception rethrown.
  std::unique_ptr<Block> getPredecessorBlock();
  // The block at handle + size, or none when there is none (past the end of the
  // file, or anything there that cannot be read as a block).
  std::unique_ptr<Block> getSuccessorBlock();

  BlockHeader& header() { return header_; }
  const BlockHeader& header() const { return header_; }
  // Rewrites this block's header and trailer from the in-memory header.
  void writeHeader();

  ULONG readPos() const { return readPos_; }
  ULONG writePos() const { return writePos_; }
  void setReadPos(ULONG pos) { readPos_ = pos; }
  void setWritePos(ULONG pos) { writePos_ = pos; }
  // Both positions back to 0.
  void reset() { readPos_ = writePos_ = 0; }

  LowLevelStore* store() const { return store_; }

 private:
  BlockHeader header_;
  LowLevelStore* store_;
  ULONG handle_;
  ULONG readPos_ = 0;
  ULONG writePos_ = 0;
};

#endif  // STORE_BLOCK_H
