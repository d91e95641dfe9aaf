// An in-memory copy of the store's free list, kept beside the file so that
// first-fit allocation does not read every free block's header from the file.
//
// It holds each free block's handle and size and the blocks' order on the list.
// The list only ever gains blocks at its head (a release that does not join a
// free neighbour); a block that grows, shrinks or moves its handle forward (when
// space is split off its front) keeps its place. So the order is kept as a
// number per block: a block put at the head gets a number smaller than any
// other, and list order is ascending number order.
//
// First fit ("the first block in list order whose size is at least n") is
// answered from size classes: 128 classes, four per power of two, each an
// ordered set of blocks by order number, with a bit per class that holds any. Every block of a class above
// n's class fits, so only the first of each such class is a candidate; in n's
// own class the blocks are tried in list order until one fits. The answer is the
// candidate with the smallest order number, exactly the block a walk of the list
// from its head would stop at.
//
// The copy is built by the store from one checked walk of the file's list, and
// kept in step by the free-list operations, which drop it (LowLevelStore::
// dropFreeIndex) whenever an operation fails part way. Memory: one entry per free
// block, at most MaxBlocks of them.
#ifndef STORE_FREE_INDEX_H
#define STORE_FREE_INDEX_H

#include <cstdint>
#include <memory>
#include <string>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/windows_types.h"

class FreeIndex {
 public:
  static constexpr int ClassCount = 128;
  // The most blocks the store keeps a copy for (some 150 bytes each): a longer
  // list, which only a huge or hostile file has, is walked in the file instead.
  static constexpr std::size_t MaxBlocks = 1u << 20;

  FreeIndex() = default;
  FreeIndex(const FreeIndex&) = delete;
  FreeIndex& operator=(const FreeIndex&) = delete;

  // Adds a block at the head of the list / after every block (while building
  // from a walk). A handle already present is replaced.
  void pushFront(ULONG handle, ULONG size);
  void pushBack(ULONG handle, ULONG size);
  // Takes a block off the list; unknown handles are ignored.
  void erase(ULONG handle);
  // A block on the list changed its handle and size in place.
  void update(ULONG oldHandle, ULONG newHandle, ULONG size);

  // The first block in list order whose size is at least `size`, 0 when none.
  ULONG firstFit(ULONG size) const;
  // The first block of the list, 0 when the list is empty.
  ULONG head() const;
  // The size recorded for `handle`, 0 when it is not on the list.
  ULONG sizeOf(ULONG handle) const;
  std::size_t count() const { return byHandle_.size(); }
  // Every block as (handle, size), in list order.
  std::vector<std::pair<ULONG, ULONG>> listed() const;

  // The class of a block size: four classes per power of two.
  static int classOf(ULONG size);

 private:
  struct Entry {
    ULONG size;
    int64_t order;
  };
  // A block in its class, ordered by order number alone (order numbers are
  // unique); handle and size change in place when a block keeps its class.
  struct Slot {
    int64_t order;
    mutable ULONG handle;
    mutable ULONG size;
    bool operator<(const Slot& other) const { return order < other.order; }
  };
  void insert(ULONG handle, ULONG size, int64_t order);
  void markClass(int c);
  // The first class at or after `c` that holds a block; ClassCount when none.
  int nextClass(int c) const;
  // Finds the head again (after the head was taken off).
  void findHead();

  std::unordered_map<ULONG, Entry> byHandle_;
  std::set<Slot> classes_[ClassCount];
  // Bit c: classes_[c] holds a block.
  uint64_t nonEmpty_[ClassCount / 64] = {0, 0};
  ULONG head_ = 0;
  int64_t headOrder_ = 0;
  int64_t front_ = 0;
  int64_t back_ = 0;
};

class Block;
class LowLevelStore;

// What a free-list operation does to the store's copy, kept in step as the
// operation goes: made before the operation changes the list, it drops the copy
// unless done() is reached (the operation failed part way and the copy may no
// longer match the file). Each change is applied only when the copy is built.
class FreeIndexUpdate {
 public:
  explicit FreeIndexUpdate(LowLevelStore* store) : store_(store) {}
  ~FreeIndexUpdate();
  FreeIndexUpdate(const FreeIndexUpdate&) = delete;
  FreeIndexUpdate& operator=(const FreeIndexUpdate&) = delete;

  // A block put at the head of the list.
  void pushedFront(ULONG handle, ULONG size);
  // A block taken off the list.
  void erased(ULONG handle);
  // A block on the list changed its handle and size where it stands.
  void changed(ULONG oldHandle, ULONG newHandle, ULONG size);
  void done() { done_ = true; }

 private:
  LowLevelStore* store_;
  bool done_ = false;
};

// First fit answered from the copy: true when the copy answered, with `fit` the
// block it names (read from the file, and checked to be free and of the size
// the copy records) or null when no block is large enough. False when there is
// no copy or it disagrees with the file (it is then dropped): the caller walks
// the list. `head` is the list head as the file header holds it now.
bool firstFitFromCopy(LowLevelStore* store, ULONG head, ULONG size, std::unique_ptr<Block>* fit);

// Checker: compares the store's copy (when built) with a walk of the free list
// in the file: the same blocks, sizes and order. "" when they agree.
std::string checkFreeIndex(LowLevelStore* store);

#endif  // STORE_FREE_INDEX_H
