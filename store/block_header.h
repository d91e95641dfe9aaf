// The fixed-format header and trailer that frame every block of a store file,
// free or in use, and the operations that read and write them in place.
//
// Block layout (integers little-endian, no padding):
//
//   OFFSET     SIZE      DESCRIPTION
//   0          4         size: total bytes of the block (header, user area, trailer)
//   4          4         length: user bytes in use (logical end of the data here)
//   8          4         next: handle of the next block of the same chain (in use)
//                        or of the next free block (free); 0 = none
//   12         4         fourth field: for a first block of a chain (first mark,
//                        no free mark) the chain's extension size; for the head
//                        of the free list (first and free marks) 0; otherwise
//                        prev, the handle of the preceding block of the chain or
//                        of the free list
//   16         2         marks: bit 0 (1) free, bit 1 (2) first; other bits 0
//   18         size-22   user area; only the first `length` bytes are meaningful
//   size-4     4         trailer: a copy of size
//
// Invariants of a block made by this store:
//   1. size >= 54 (32 user bytes at least) and the trailer equals size.
//   2. length <= size - 22; a free block has length 0 and a user area of spaces.
//   3. The block physically before handle H starts at H - (the 4 bytes at H - 4).
// A header that breaks 1 or 2 is refused on reading with a BadBlockException, so
// no caller ever sees a block that overlaps its neighbours or claims more user
// bytes than it holds.
#ifndef STORE_BLOCK_HEADER_H
#define STORE_BLOCK_HEADER_H

#include "platform/windows_types.h"

class LowLevelStore;

class BlockHeader {
 public:
  // Bytes of the header part in front of the user area.
  static constexpr ULONG FootPrintSize = 18;
  // Bytes of the trailer after the user area.
  static constexpr ULONG TrailerSize = 4;
  // Header and trailer together.
  static constexpr ULONG OverheadSize = FootPrintSize + TrailerSize;
  // The least user capacity any block is given, and so the smallest block.
  static constexpr ULONG MinUserSize = 32;
  static constexpr ULONG MinBlockSize = MinUserSize + OverheadSize;  // 54
  // Extension size of a chain whose first block does not say otherwise.
  static constexpr ULONG DefaultExtensionSize = 32;
  // Bits of the marks field.
  static constexpr WORD FreeMark = 1;
  static constexpr WORD FirstMark = 2;

  // An empty header (all zero, default extension size); fill it with read().
  BlockHeader();
  // Reads the header at `handle` (see read()).
  BlockHeader(LowLevelStore* store, ULONG handle);
  // Builds a header from the values given and immediately writes it (and the
  // trailer) at `handle`.
  BlockHeader(LowLevelStore* store, ULONG handle, ULONG size, ULONG length, ULONG next,
              ULONG prev, bool first, bool free, ULONG extensionSize);

  // Writes header and trailer at `handle`; BlockHeaderWriteException on failure.
  void write(LowLevelStore* store, ULONG handle);
  // Reads and checks header and trailer at `handle`, leaving the store's read
  // position at the start of the user area. Throws BlockHeaderReadException
  // ("Header/Trailer read failure") when the bytes cannot be read and
  // BadBlockException ("Mismatched header and trailer sizes", or a text naming
  // the broken invariant) when they do not describe a sound block.
  void read(LowLevelStore* store, ULONG handle);
  // Stores a new length and rewrites only the 4 bytes at handle + 4.
  void updateLength(ULONG newLength, LowLevelStore* store, ULONG handle);

  ULONG size() const { return size_; }
  ULONG length() const { return length_; }
  ULONG next() const { return next_; }
  ULONG prev() const { return prev_; }
  ULONG extensionSize() const { return extensionSize_; }
  WORD marks() const { return marks_; }
  // User capacity: size - 22 (0 for a header that has not been filled).
  ULONG userSize() const { return size_ >= OverheadSize ? size_ - OverheadSize : 0; }
  bool free_mark() const { return (marks_ & FreeMark) != 0; }
  bool first_mark() const { return (marks_ & FirstMark) != 0; }

  void setSize(ULONG size) { size_ = size; }
  void setLength(ULONG length) { length_ = length; }
  void setNext(ULONG next) { next_ = next; }
  void setPrev(ULONG prev) { prev_ = prev; }
  void setExtensionSize(ULONG extensionSize) { extensionSize_ = extensionSize; }
  void setFreeMark(bool on);
  void setFirstMark(bool on);

 private:
  ULONG size_ = 0;
  ULONG length_ = 0;
  ULONG next_ = 0;
  ULONG prev_ = 0;
  ULONG extensionSize_ = DefaultExtensionSize;
  WORD marks_ = 0;
};

#endif  // STORE_BLOCK_HEADER_H
