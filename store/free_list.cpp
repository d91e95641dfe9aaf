// FreeList: first-fit allocation with splitting and release with coalescing over
// the doubly linked list of free blocks (invariants in free_list.h). Every
// operation reads the list head afresh from the file header and checks the
// neighbours it is about to relink before it changes anything. The store's copy
// of the list (free_index.h) answers first fit and is told of every change
// through a FreeIndexUpdate.
#include "store/free_list.h"

#include <algorithm>
#include <cstdint>

#include "store/free_index.h"
#include "store/low_level_file_header.h"
#include "store/low_level_store.h"

namespace {

void refuse(LowLevelStore* store, const char* text) {
  store->clear();
  throw LowLevelStore::BadChainException(text);
}

const char kNotOnList[] = "Free list link leads to a block that is not on the list";

}  // namespace

FreeList::FreeList(LowLevelStore* store, std::unique_ptr<Block> head)
    : Chain(store, std::move(head)) {}

FreeList::FreeList(LowLevelStore* store, ULONG headHandle) : Chain(store, headHandle, 1) {
  if (first() != nullptr && !first()->header().free_mark()) {
    store->clear();
    throw LowLevelStore::BadFreeListPtrException("Free list head is not a free block");
  }
}

void FreeList::classInvarient(const char* file, int line) const {
  Chain::classInvarient(file, line);
}

// Walks from the head along next. Each step checks that the block reached is
// free, is not a head and names the block it came from as prev, so a list that
// loops is refused at its first revisit; the walk is also bounded by the number
// of blocks the file can hold.
std::unique_ptr<Block> FreeList::findFirstFit(ULONG size) {
  LowLevelStore* s = store();
  const ULONG head = s->freeListPtr();
  // The store's copy of the list answers without reading it (free_index.h).
  std::unique_ptr<Block> fit;
  if (firstFitFromCopy(s, head, size, &fit)) return fit;
  if (head == 0) return nullptr;
  std::unique_ptr<Block> block = s->lowLevelLookup(head);
  if (!block->header().free_mark()) {
    s->clear();
    throw LowLevelStore::BadFreeListPtrException("Free list head is not a free block");
  }
  const ULONG limit = walkLimit();
  for (ULONG steps = 0;; ++steps) {
    if (block->header().size() >= size) return block;
    const ULONG next = block->header().next();
    if (next == 0) return nullptr;
    if (steps >= limit || next == head) refuse(s, "Free list loops");
    std::unique_ptr<Block> following = s->lowLevelLookup(next);
    const BlockHeader& h = following->header();
    if (!h.free_mark() || h.first_mark() || h.prev() != block->handle()) refuse(s, kNotOnList);
    block = std::move(following);
  }
}

std::unique_ptr<Block> FreeList::surrender(ULONG userSize, ULONG extensionSize) {
  const ULONG needed = Block::computeSizeFromUserSize(userSize);
  std::unique_ptr<Block> fit = findFirstFit(needed);
  if (fit == nullptr) return nullptr;
  if (static_cast<uint64_t>(needed) + BlockHeader::MinBlockSize > fit->header().size()) {
    // Too little would be left over for a block of its own: take it whole, and
    // store it as the proper first block of a record.
    remove(*fit, extensionSize);
    fit->header().setFirstMark(true);
    fit->writeHeader();
    fit->reset();
    return fit;
  }
  return nibbleOffFrontOfBlock(fit, needed, extensionSize);
}

std::unique_ptr<Block> FreeList::nibbleOffFrontOfBlock(std::unique_ptr<Block>& freeBlock, ULONG n,
                                                       ULONG extensionSize) {
  LowLevelStore* s = store();
  Block& f = *freeBlock;
  n = std::max(n, BlockHeader::FootPrintSize + BlockHeader::MinUserSize);
  if (static_cast<uint64_t>(n) + BlockHeader::MinBlockSize > f.header().size()) {
    remove(f, extensionSize);
    return std::move(freeBlock);
  }
  const ULONG oldHandle = f.handle();
  const ULONG newHandle = oldHandle + n;
  const bool isHead = oldHandle == s->freeListPtr();
  FreeIndexUpdate copy(s);

  // The neighbours on the list, checked before anything is rewritten.
  std::unique_ptr<Block> previous;
  std::unique_ptr<Block> following;
  if (!isHead) {
    previous = s->lowLevelLookup(f.header().prev());
    if (!previous->header().free_mark() || previous->header().next() != oldHandle) {
      refuse(s, kNotOnList);
    }
  }
  if (f.header().next() != 0) {
    following = s->lowLevelLookup(f.header().next());
    if (!following->header().free_mark() || following->header().prev() != oldHandle) {
      refuse(s, kNotOnList);
    }
  }

  // The free block keeps the back part.
  f.header().setSize(f.header().size() - n);
  f.header().setLength(0);
  f.setHandle(newHandle);
  f.writeHeader();
  if (isHead) {
    s->updateFreeListPtr(newHandle);
    resetFirst(std::unique_ptr<Block>(new Block(f)));
  } else {
    previous->header().setNext(newHandle);
    previous->writeHeader();
  }
  if (following != nullptr) {
    following->header().setPrev(newHandle);
    following->writeHeader();
  }
  copy.changed(oldHandle, newHandle, f.header().size());
  copy.done();
  return std::unique_ptr<Block>(new Block(s, oldHandle, n, extensionSize));
}

void FreeList::remove(Block& freeBlock, ULONG extensionSize) {
  LowLevelStore* s = store();
  BlockHeader& h = freeBlock.header();
  const bool isHead = freeBlock.handle() == s->freeListPtr();
  FreeIndexUpdate copy(s);

  std::unique_ptr<Block> previous;
  std::unique_ptr<Block> following;
  if (h.next() != 0) {
    following = s->lowLevelLookup(h.next());
    if (!following->header().free_mark() || following->header().prev() != freeBlock.handle()) {
      refuse(s, kNotOnList);
    }
  }
  if (!isHead) {
    previous = s->lowLevelLookup(h.prev());
    if (!previous->header().free_mark() || previous->header().next() != freeBlock.handle()) {
      refuse(s, kNotOnList);
    }
  }

  if (following != nullptr) {
    following->header().setPrev(isHead ? 0 : h.prev());
    if (isHead) following->header().setFirstMark(true);
    following->writeHeader();
  }
  if (isHead) {
    s->updateFreeListPtr(h.next());
    resetFirst(std::move(following));
  } else {
    previous->header().setNext(h.next());
    previous->writeHeader();
  }

  h.setFreeMark(false);
  h.setFirstMark(false);
  h.setExtensionSize(extensionSize);
  h.setPrev(0);
  h.setNext(0);
  h.setLength(0);
  freeBlock.writeHeader();
  freeBlock.reset();
  copy.erased(freeBlock.handle());
  copy.done();
}

void FreeList::merge(std::unique_ptr<Block>& block) {
  LowLevelStore* s = store();
  // The copy of the list is built before the list first changes (while it is
  // as short as the file left it), so that it is kept in step from then on
  // instead of being built later from a long walk.
  s->freeIndex();
  Block* b = block.get();
  BlockHeader& h = b->header();
  FreeIndexUpdate copy(s);
  // Only the released block, and the frames between it and free neighbours it
  // joins, hold bytes other than spaces: the rest of a free block already is.
  ULONG fillFrom = b->handle();
  ULONG fillTo = b->handle() + h.size();
  if (s->freeListPtr() == 0) {
    h.setFreeMark(true);
    h.setFirstMark(true);
    h.setNext(0);
    h.setPrev(0);
    h.setLength(0);
    s->updateFreeListPtr(b->handle());
    copy.pushedFront(b->handle(), h.size());
  } else {
    h.setNext(0);
    h.setPrev(0);
    // A bad physical predecessor is refused before anything changes.
    std::unique_ptr<Block> predecessor = b->getPredecessorBlock();
    std::unique_ptr<Block> successor = b->getSuccessorBlock();
    if (successor != nullptr && successor->header().free_mark()) {
      const ULONG oldSize = h.size();
      h.setSize(oldSize + successor->header().size());
      try {
        remove(*successor, BlockHeader::DefaultExtensionSize);
      } catch (...) {
        h.setSize(oldSize);
        throw;
      }
      fillTo += BlockHeader::FootPrintSize;
    }
    if (predecessor != nullptr && predecessor->header().free_mark()) {
      // Read again: unlinking the successor may have rewritten its list links.
      predecessor = s->lowLevelLookup(predecessor->handle());
      predecessor->header().setSize(predecessor->header().size() + h.size());
      fillFrom -= BlockHeader::TrailerSize;
      copy.changed(predecessor->handle(), predecessor->handle(), predecessor->header().size());
      block = std::move(predecessor);
      b = block.get();
    } else {
      const ULONG oldHead = s->freeListPtr();
      if (oldHead != 0) {
        std::unique_ptr<Block> head = s->lowLevelLookup(oldHead);
        head->header().setPrev(b->handle());
        head->header().setFirstMark(false);
        head->writeHeader();
      }
      s->updateFreeListPtr(b->handle());
      h.setLength(0);
      h.setNext(oldHead);
      h.setPrev(0);
      h.setFreeMark(true);
      h.setFirstMark(true);
      copy.pushedFront(b->handle(), h.size());
    }
  }
  Block::fillWithSpaces(s, fillFrom, fillTo - fillFrom);
  b->writeHeader();
  b->reset();
  if (b->handle() == s->header()->freeList()) {
    resetFirst(std::unique_ptr<Block>(new Block(*b)));
  }
  copy.done();
}
