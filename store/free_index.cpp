// FreeIndex: the in-memory copy of the free list and its first-fit search (see
// free_index.h for the order numbers and size classes).
#include "store/free_index.h"

#include <algorithm>

#include "store/block.h"
#include "store/low_level_store.h"

int FreeIndex::classOf(ULONG size) {
  if (size < 4) return static_cast<int>(size);
  int top = 31;
  while ((size >> top) == 0) --top;
  // The two bits below the highest one pick the quarter of the power of two.
  const int quarter = static_cast<int>((size >> (top - 2)) & 3);
  const int c = top * 4 + quarter;
  return c < ClassCount ? c : ClassCount - 1;
}

void FreeIndex::markClass(int c) {
  const uint64_t bit = uint64_t{1} << (c & 63);
  if (classes_[c].empty()) {
    nonEmpty_[c >> 6] &= ~bit;
  } else {
    nonEmpty_[c >> 6] |= bit;
  }
}

int FreeIndex::nextClass(int c) const {
  while (c < ClassCount) {
    const uint64_t bits = nonEmpty_[c >> 6] >> (c & 63);
    if (bits != 0) return c + __builtin_ctzll(bits);
    c = (c | 63) + 1;
  }
  return ClassCount;
}

void FreeIndex::findHead() {
  head_ = 0;
  bool found = false;
  for (int c = nextClass(0); c < ClassCount; c = nextClass(c + 1)) {
    const Slot& first = *classes_[c].begin();
    if (!found || first.order < headOrder_) {
      found = true;
      headOrder_ = first.order;
      head_ = first.handle;
    }
  }
}

void FreeIndex::insert(ULONG handle, ULONG size, int64_t order) {
  erase(handle);
  byHandle_[handle] = Entry{size, order};
  const int c = classOf(size);
  classes_[c].insert(Slot{order, handle, size});
  markClass(c);
  if (head_ == 0 || order < headOrder_) {
    head_ = handle;
    headOrder_ = order;
  }
}

void FreeIndex::pushFront(ULONG handle, ULONG size) {
  if (byHandle_.empty()) front_ = back_ = 0;
  insert(handle, size, --front_);
}

void FreeIndex::pushBack(ULONG handle, ULONG size) {
  if (byHandle_.empty()) front_ = back_ = 0;
  insert(handle, size, ++back_);
}

void FreeIndex::erase(ULONG handle) {
  auto it = byHandle_.find(handle);
  if (it == byHandle_.end()) return;
  const Entry e = it->second;
  const int c = classOf(e.size);
  classes_[c].erase(Slot{e.order, handle, e.size});
  markClass(c);
  byHandle_.erase(it);
  if (handle == head_) findHead();
}

void FreeIndex::update(ULONG oldHandle, ULONG newHandle, ULONG size) {
  auto it = byHandle_.find(oldHandle);
  if (it == byHandle_.end()) return;
  const Entry e = it->second;
  const int from = classOf(e.size);
  const int to = classOf(size);
  if (from == to && (oldHandle == newHandle || byHandle_.count(newHandle) == 0)) {
    // Same class, same place in the list: changed where it stands.
    auto slot = classes_[from].find(Slot{e.order, oldHandle, e.size});
    if (slot != classes_[from].end()) {
      slot->handle = newHandle;
      slot->size = size;
      if (oldHandle != newHandle) byHandle_.erase(it);
      byHandle_[newHandle] = Entry{size, e.order};
      if (head_ == oldHandle) head_ = newHandle;
      return;
    }
  }
  erase(oldHandle);
  insert(newHandle, size, e.order);
}

ULONG FreeIndex::firstFit(ULONG size) const {
  const int own = classOf(size);
  bool found = false;
  int64_t bestOrder = 0;
  ULONG best = 0;
  // In the request's own class sizes vary: the first in list order that fits.
  for (const Slot& k : classes_[own]) {
    if (k.size >= size) {
      found = true;
      bestOrder = k.order;
      best = k.handle;
      break;
    }
  }
  // In every class above it, every block fits: only the first can win.
  for (int c = nextClass(own + 1); c < ClassCount; c = nextClass(c + 1)) {
    const Slot& k = *classes_[c].begin();
    if (!found || k.order < bestOrder) {
      found = true;
      bestOrder = k.order;
      best = k.handle;
    }
  }
  return best;
}

ULONG FreeIndex::head() const { return head_; }

ULONG FreeIndex::sizeOf(ULONG handle) const {
  auto it = byHandle_.find(handle);
  return it == byHandle_.end() ? 0 : it->second.size;
}

std::vector<std::pair<ULONG, ULONG>> FreeIndex::listed() const {
  std::vector<std::pair<int64_t, std::pair<ULONG, ULONG>>> all;
  all.reserve(byHandle_.size());
  for (const auto& b : byHandle_) all.emplace_back(b.second.order, std::make_pair(b.first, b.second.size));
  std::sort(all.begin(), all.end());
  std::vector<std::pair<ULONG, ULONG>> inOrder;
  inOrder.reserve(all.size());
  for (const auto& a : all) inOrder.push_back(a.second);
  return inOrder;
}

FreeIndexUpdate::~FreeIndexUpdate() {
  if (!done_) store_->dropFreeIndex();
}

void FreeIndexUpdate::pushedFront(ULONG handle, ULONG size) {
  if (FreeIndex* index = store_->builtFreeIndex()) {
    index->pushFront(handle, size);
    store_->noteFreeIndexGrowth();
  }
}

void FreeIndexUpdate::erased(ULONG handle) {
  if (FreeIndex* index = store_->builtFreeIndex()) index->erase(handle);
}

void FreeIndexUpdate::changed(ULONG oldHandle, ULONG newHandle, ULONG size) {
  if (FreeIndex* index = store_->builtFreeIndex()) index->update(oldHandle, newHandle, size);
}

bool firstFitFromCopy(LowLevelStore* store, ULONG head, ULONG size, std::unique_ptr<Block>* fit) {
  FreeIndex* index = store->freeIndex();
  if (index == nullptr) return false;
  if (index->head() == head) {
    const ULONG at = index->firstFit(size);
    if (at == 0) {
      fit->reset();
      return true;
    }
    try {
      std::unique_ptr<Block> block = store->lowLevelLookup(at);
      if (block->header().free_mark() && block->header().size() == index->sizeOf(at)) {
        *fit = std::move(block);
        return true;
      }
    } catch (const LowLevelStore::StoreException&) {
      store->clear();
    }
  }
  store->dropFreeIndex();
  return false;
}

std::string checkFreeIndex(LowLevelStore* store) {
  const FreeIndex* index = store->builtFreeIndex();
  if (index == nullptr) return "";
  const std::vector<std::pair<ULONG, ULONG>> copy = index->listed();
  std::size_t i = 0;
  const ULONG limit = store->blockCountLimit();
  for (ULONG at = store->freeListPtr(); at != 0; ++i) {
    if (i > limit) return "the file's list is longer than the file can hold";
    std::unique_ptr<Block> block = store->lowLevelLookup(at);
    const std::string where = "place " + std::to_string(i) + ": ";
    if (i >= copy.size()) return where + "the file's list goes on after the copy ends";
    if (copy[i].first != at || copy[i].second != block->header().size()) {
      return where + "the file holds " + std::to_string(at) + " of size " +
             std::to_string(block->header().size()) + ", the copy " +
             std::to_string(copy[i].first) + " of size " + std::to_string(copy[i].second);
    }
    at = block->header().next();
  }
  if (i != copy.size()) return "the copy goes on after the file's list ends";
  return "";
}
