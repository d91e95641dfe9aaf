// ChainIndex: the chain's position index and its checker (see chain_index.h).
#include "store/chain_index.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "store/low_level_store.h"

uint64_t ChainIndex::freshGeneration() {
  static std::atomic<uint64_t> next{1};
  return next++;
}

void ChainIndex::reset(const std::shared_ptr<Block>& first) {
  generation_ = freshGeneration();
  entries_.clear();
  if (!at_.empty()) at_.clear();
  if (first != nullptr) entries_.push_back(Entry{first->handle(), 0, first});
}

void ChainIndex::keep(std::size_t count) {
  if (entries_.size() > count) generation_ = freshGeneration();
  while (entries_.size() > count) {
    if (!at_.empty()) at_.erase(entries_.back().handle);
    entries_.pop_back();
  }
  if (entries_.size() <= ScanLimit) at_.clear();
}

std::shared_ptr<Block> ChainIndex::blockOf(ULONG handle) const {
  if (entries_.size() <= ScanLimit) {
    for (std::size_t i = entries_.size(); i-- > 0;) {
      if (entries_[i].handle == handle) return entries_[i].block;
    }
    return nullptr;
  }
  auto it = at_.find(handle);
  return it == at_.end() ? nullptr : entries_[it->second].block;
}

void ChainIndex::noteStep(const Block& from, LONG fromBase, const std::shared_ptr<Block>& to) {
  if (entries_.empty() || entries_.back().handle != from.handle() ||
      entries_.back().base != fromBase) {
    return;
  }
  const int64_t base = static_cast<int64_t>(fromBase) + from.header().length();
  if (base > static_cast<int64_t>(LowLevelStore::MaxFileSize)) return;
  if (entries_.size() >= MaxBlocks) return;
  // A checked walk never revisits a block (invariant 3); this only guards it.
  if (blockOf(to->handle()) != nullptr) return;
  entries_.push_back(Entry{to->handle(), static_cast<LONG>(base), to});
  if (entries_.size() > ScanLimit) {
    if (at_.empty()) {
      for (std::size_t i = 0; i < entries_.size(); ++i) at_[entries_[i].handle] = i;
    } else {
      at_[to->handle()] = entries_.size() - 1;
    }
  }
}

void ChainIndex::cutAfter(ULONG handle, LONG base) {
  // Blocks of length 0 share their base with the block after them: look for the
  // handle among all the entries at that base.
  std::size_t keepCount = 1;
  for (std::size_t i = entries_.size(); i-- > 0;) {
    if (entries_[i].base < base) break;
    if (entries_[i].base == base && entries_[i].handle == handle) {
      keepCount = i + 1;
      break;
    }
  }
  keep(keepCount);
}

std::size_t ChainIndex::ordinalFor(LONG pos) const {
  // The first entry i whose successor's base reaches pos ends at or after pos.
  auto after = std::lower_bound(entries_.begin() + 1, entries_.end(), pos,
                                [](const Entry& e, LONG p) { return e.base < p; });
  return static_cast<std::size_t>(after - entries_.begin()) - 1;
}

std::string ChainIndex::check(LowLevelStore* store) const {
  if (entries_.empty()) return "";
  std::unique_ptr<Block> block = store->lowLevelLookup(entries_[0].handle);
  int64_t base = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const std::string at = "ordinal " + std::to_string(i) + ": ";
    if (block == nullptr) return at + "the walk ended before it";
    if (block->handle() != entries_[i].handle) {
      return at + "walk meets block " + std::to_string(block->handle()) + ", index holds " +
             std::to_string(entries_[i].handle);
    }
    if (base != entries_[i].base) {
      return at + "walk base " + std::to_string(base) + ", index base " +
             std::to_string(entries_[i].base);
    }
    if (entries_[i].block->header().length() != block->header().length() ||
        entries_[i].block->header().next() != block->header().next()) {
      return at + "the block object differs from the header in the file";
    }
    base += block->header().length();
    const ULONG next = block->header().next();
    block = next != 0 ? store->lowLevelLookup(next) : nullptr;
  }
  return "";
}
