// The free blocks of a store file as a doubly linked list (a Chain whose first
// block is the head named by the file header's freeList field), and the two
// policies built on it: allocation by first fit with splitting, and release with
// coalescing of physically adjacent free blocks.
//
// List invariants of a file made by this store:
//   1. Every block on the list has the free mark, length 0 and a user area of
//      spaces; the head alone also has the first mark and prev 0.
//   2. next links the list forward (0 ends it); every other block's prev names
//      the block before it on the list.
//   3. No two free blocks are physically adjacent (release coalesces them).
// Walks over the list check invariants 1 and 2 at every step, so a list that
// loops is refused at the first revisit; they are also bounded by the number of
// blocks the file can hold (file size / 54).
//
// A FreeList object lives for one operation and is always opened on a freshly
// read head.
#ifndef STORE_FREE_LIST_H
#define STORE_FREE_LIST_H

#include <memory>

#include "platform/windows_types.h"
#include "store/chain.h"

class FreeList : public Chain {
 public:
  // Wraps an already read head (null: an empty list).
  FreeList(LowLevelStore* store, std::unique_ptr<Block> head);
  // Reads the head at `headHandle` with lowLevelLookup (0: an empty list).
  FreeList(LowLevelStore* store, ULONG headHandle);

  void classInvarient(const char* file, int line) const override;

  // The first free block, in list order, whose total size >= `size`; none when
  // there is none.
  std::unique_ptr<Block> findFirstFit(ULONG size);
  // Takes space for a new record of `userSize` user bytes out of the list: the
  // whole first fit when less than 54 bytes would be left over, else its front
  // part. Returns the new first block (first mark, the given extension size), or
  // none when no free block is large enough.
  std::unique_ptr<Block> surrender(ULONG userSize, ULONG extensionSize);
  // Splits max(n, 50) bytes off the front of `freeBlock` and returns them as a
  // new block; the free block keeps the back part at its new handle. When the
  // remainder would be smaller than 54 bytes the whole block is unlinked and
  // returned instead (`freeBlock` is then left empty).
  std::unique_ptr<Block> nibbleOffFrontOfBlock(std::unique_ptr<Block>& freeBlock, ULONG n,
                                               ULONG extensionSize);
  // Unlinks `freeBlock` from the list and rewrites it with both marks clear,
  // next, prev and length 0 and the given extension size.
  void remove(Block& freeBlock, ULONG extensionSize);
  // Releases `block` into the list, coalescing with free physical neighbours; on
  // return `block` refers to the block that now holds the space.
  void merge(std::unique_ptr<Block>& block);
};

#endif  // STORE_FREE_LIST_H
