// FreeIndex: the in-memory copy of the free list and its first-fit search (see
// free_index.h for the order numbers and size classes).
#include "store/free_index.h"

int FreeIndex::classOf(ULONG size) {
  if (size < 4) return static_cast<int>(size);
  int top = 31;
  while ((size >> top) == 0) --top;
  // The two bits below the highest one pick the quarter of the power of two.
  const int quarter = static_cast<int>((size >> (top - 2)) & 3);
  const int c = top * 4 + quarter;
  return c < ClassCount ? c : ClassCount - 1;
}

void FreeIndex::insert(ULONG handle, ULONG size, int64_t order) {
  erase(handle);
  byHandle_[handle] = Entry{size, order};
  classes_[classOf(size)].insert(Key(order, handle, size));
  order_.insert(std::make_pair(order, handle));
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
  classes_[classOf(e.size)].erase(Key(e.order, handle, e.size));
  order_.erase(std::make_pair(e.order, handle));
  byHandle_.erase(it);
}

void FreeIndex::update(ULONG oldHandle, ULONG newHandle, ULONG size) {
  auto it = byHandle_.find(oldHandle);
  if (it == byHandle_.end()) return;
  const int64_t order = it->second.order;
  erase(oldHandle);
  insert(newHandle, size, order);
}

ULONG FreeIndex::firstFit(ULONG size) const {
  const int own = classOf(size);
  bool found = false;
  int64_t bestOrder = 0;
  ULONG best = 0;
  // In the request's own class sizes vary: the first in list order that fits.
  for (const Key& k : classes_[own]) {
    if (std::get<2>(k) >= size) {
      found = true;
      bestOrder = std::get<0>(k);
      best = std::get<1>(k);
      break;
    }
  }
  // In every class above it, every block fits: only the first can win.
  for (int c = own + 1; c < ClassCount; ++c) {
    if (classes_[c].empty()) continue;
    const Key& k = *classes_[c].begin();
    if (!found || std::get<0>(k) < bestOrder) {
      found = true;
      bestOrder = std::get<0>(k);
      best = std::get<1>(k);
    }
  }
  return best;
}

ULONG FreeIndex::head() const { return order_.empty() ? 0 : order_.begin()->second; }

ULONG FreeIndex::sizeOf(ULONG handle) const {
  auto it = byHandle_.find(handle);
  return it == byHandle_.end() ? 0 : it->second.size;
}

std::vector<std::pair<ULONG, ULONG>> FreeIndex::listed() const {
  std::vector<std::pair<ULONG, ULONG>> all;
  all.reserve(order_.size());
  for (const auto& o : order_) all.emplace_back(o.second, sizeOf(o.second));
  return all;
}
