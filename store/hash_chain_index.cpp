// HashChainIndex: a hash stream's bucket chains kept in memory (see
// hash_chain_index.h for its invariants).
#include "store/hash_chain_index.h"

#include <atomic>
#include <cstring>

namespace {
const ULONG kLinkSize = 4;
}  // namespace

void HashChainIndex::setLayout(WORD buckets, WORD keySize, WORD entrySize, ULONG tableEnd) {
  bucketCount_ = buckets;
  keySize_ = keySize;
  entrySize_ = entrySize;
  tableEnd_ = tableEnd;
  dropAll();
}

void HashChainIndex::setBudget(std::size_t bytes) {
  budget_ = bytes;
  dropAll();
}

std::size_t HashChainIndex::entryCost() const {
  // The key and the entry in the bucket's vectors, and a node of the owner
  // table (counted as a hash node: key, value, next pointer and cached hash).
  return static_cast<std::size_t>(keySize_) + sizeof(Entry) + 4 * sizeof(void*);
}

uint64_t HashChainIndex::freshShape() {
  static std::atomic<uint64_t> next{1};
  return next++;
}

HashChainIndex::Bucket* HashChainIndex::indexed(ULONG b) {
  if (b >= buckets_.size() || buckets_[b].state != Bucket::Indexed) return nullptr;
  return &buckets_[b];
}

void HashChainIndex::append(ULONG b, ULONG pos, ULONG link, const char* key) {
  Bucket& index = buckets_[b];
  index.entries.push_back(Entry{pos, link});
  index.keys.insert(index.keys.end(), key, key + keySize_);
  if (pos >= tableEnd_) owner_.get(pos) = b;
  ++entryCount_;
}

void HashChainIndex::drop(ULONG b) {
  if (b >= buckets_.size()) return;
  Bucket& index = buckets_[b];
  for (const Entry& e : index.entries) {
    if (e.pos < tableEnd_) continue;
    const ULONG* owner = owner_.find(e.pos);
    if (owner != nullptr && *owner == b) owner_.erase(e.pos);
  }
  entryCount_ -= index.entries.size();
  index = Bucket();
}

void HashChainIndex::dropAll() {
  buckets_.clear();
  owner_.clear();
  entryCount_ = 0;
}

void HashChainIndex::dropOwnerOf(ULONG pos) {
  const ULONG* owner = owner_.find(pos);
  if (owner != nullptr) drop(ULONG{*owner});  // a copy: the drop changes the map
}

long HashChainIndex::find(const Bucket& index, const char* key) const {
  const std::size_t n = index.entries.size();
  const char* k = index.keys.data();
  if (keySize_ == 4) {
    // The ID table's case: compare whole words.
    uint32_t want;
    std::memcpy(&want, key, 4);
    for (std::size_t i = 0; i < n; ++i, k += 4) {
      uint32_t have;
      std::memcpy(&have, k, 4);
      if (have == want) return static_cast<long>(i);
    }
    return -1;
  }
  for (std::size_t i = 0; i < n; ++i, k += keySize_) {
    if (std::memcmp(k, key, keySize_) == 0) return static_cast<long>(i);
  }
  return -1;
}

ULONG HashChainIndex::linkOf(const char* entry) const {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(entry + entrySize_ - kLinkSize);
  return static_cast<ULONG>(u[0]) | (static_cast<ULONG>(u[1]) << 8) |
         (static_cast<ULONG>(u[2]) << 16) | (static_cast<ULONG>(u[3]) << 24);
}

bool HashChainIndex::agrees(const Bucket& index, std::size_t i, const char* entry) const {
  return linkOf(entry) == index.entries[i].link &&
         std::memcmp(entry, key(index, i), keySize_) == 0;
}

HashChainIndex::Bucket* HashChainIndex::followable(ULONG b, bool fromIndex) {
  return fromIndex ? indexed(b) : nullptr;
}

void HashChainIndex::noteSlotFilled(ULONG b, bool fromIndex, ULONG slot, const char* key) {
  Bucket* index = indexed(b);
  if (index == nullptr) return;
  if (fromIndex && index->entries.empty()) {
    append(b, slot, 0, key);
  } else {
    drop(b);
  }
}

void HashChainIndex::noteAppended(ULONG b, bool fromIndex, ULONG last, ULONG pos,
                                  const char* key) {
  if (!fromIndex) dropOwnerOf(last);
  Bucket* index = indexed(b);
  if (index == nullptr) return;
  // Extended only when the index still ends where the lookup did (taking a free
  // entry may have looked into this very bucket).
  const bool extends = fromIndex && !index->entries.empty() &&
                       index->entries.back().pos == last && fitsOneMore();
  if (extends) {
    index->entries.back().link = pos;
    append(b, pos, 0, key);
  } else {
    drop(b);
  }
}

void HashChainIndex::noteMovedIntoSlot(ULONG b, bool fromIndex, ULONG link,
                                       const char* chained) {
  Bucket* index = followable(b, fromIndex);
  if (index != nullptr && index->entries.size() >= 2 && index->entries[1].pos == link &&
      agrees(*index, 1, chained)) {
    owner_.erase(link);
    index->shape = freshShape();
    index->entries[0].link = index->entries[1].link;
    std::memcpy(index->keys.data(), key(*index, 1), keySize_);
    index->entries.erase(index->entries.begin() + 1);
    index->keys.erase(index->keys.begin() + keySize_, index->keys.begin() + 2 * keySize_);
    --entryCount_;
    return;
  }
  if (indexed(b) != nullptr) drop(b);
  dropOwnerOf(link);
}

void HashChainIndex::noteSlotEmptied(ULONG b, bool fromIndex) {
  Bucket* index = followable(b, fromIndex);
  if (index != nullptr && index->entries.size() == 1) {
    drop(b);
    buckets_[b].state = Bucket::Indexed;  // now an empty slot
  } else if (indexed(b) != nullptr) {
    drop(b);
  }
}

void HashChainIndex::noteUnlinked(ULONG b, bool fromIndex, long at, ULONG previous, ULONG pos) {
  Bucket* index = followable(b, fromIndex);
  if (index != nullptr && at > 0) {
    const std::size_t i = static_cast<std::size_t>(at);
    owner_.erase(pos);
    index->shape = freshShape();
    index->entries[i - 1].link = index->entries[i].link;
    index->entries.erase(index->entries.begin() + at);
    index->keys.erase(index->keys.begin() + static_cast<long>(i * keySize_),
                      index->keys.begin() + static_cast<long>((i + 1) * keySize_));
    --entryCount_;
    return;
  }
  if (indexed(b) != nullptr) drop(b);
  dropOwnerOf(previous);
  dropOwnerOf(pos);
}
