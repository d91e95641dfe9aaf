// A map keyed by a store position, handle or ID (32 bits), kept in one table
// with open addressing: the hash stream's owner of each overflow entry it has
// indexed, the store's epoch of each record a chain is on, the book's entry
// headers by ID. Such maps take and drop thousands of keys as a book is read; a
// node per key would cost an allocation each way and a cache miss per lookup.
// An erased key's value is let go at once.
//
// Key 0 (the file header's offset, never a record's) is kept beside the table,
// so that any key a hostile file names can be held.
//
// Invariants (checked by tests against a model map):
//   1. Every key in the table is in the run of occupied places that starts at its
//      home place (its hash, masked), so a search stops at the first free place.
//   2. The table's size is 0 or a power of two, and at most half of it is
//      occupied: every search meets a free place.
//   3. size() counts the keys held, key 0 included.
#ifndef STORE_HANDLE_MAP_H
#define STORE_HANDLE_MAP_H

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/windows_types.h"

template <typename Value>
class HandleMap {
 public:
  // The value held for `key`, or null.
  const Value* find(ULONG key) const {
    if (key == 0) return hasZero_ ? &zero_ : nullptr;
    if (used_ == 0) return nullptr;
    const Place& place = places_[placeOf(key)];
    return place.key == key ? &place.value : nullptr;
  }
  Value* find(ULONG key) {
    return const_cast<Value*>(static_cast<const HandleMap*>(this)->find(key));
  }
  // The value held for `key`, made (value-initialised) when there is none. The
  // reference lasts until the next change of the map.
  Value& get(ULONG key) {
    if (key == 0) {
      if (!hasZero_) zero_ = Value();
      hasZero_ = true;
      return zero_;
    }
    if ((used_ + 1) * 2 > places_.size()) grow();
    Place& place = places_[placeOf(key)];
    if (place.key == 0) {
      place.key = key;
      place.value = Value();
      ++used_;
    }
    return place.value;
  }
  // Forgets `key`; nothing when it is not held.
  void erase(ULONG key) {
    if (key == 0) {
      hasZero_ = false;
      zero_ = Value();
      return;
    }
    if (used_ == 0) return;
    const std::size_t mask = places_.size() - 1;
    std::size_t hole = placeOf(key);
    if (places_[hole].key == 0) return;
    places_[hole].key = 0;
    places_[hole].value = Value();  // nothing it held outlives the erase
    --used_;
    // Later members of the run that may not stay behind the hole move into it,
    // so that none is cut off from its home (invariant 1). Ends at a free place.
    for (std::size_t at = (hole + 1) & mask; places_[at].key != 0; at = (at + 1) & mask) {
      const std::size_t home = homeOf(places_[at].key);
      // It stays when its home lies cyclically in (hole, at].
      const bool stays = hole <= at ? (home > hole && home <= at) : (home > hole || home <= at);
      if (stays) continue;
      places_[hole] = std::move(places_[at]);
      places_[at].key = 0;
      places_[at].value = Value();
      hole = at;
    }
  }
  void clear() {
    std::vector<Place>().swap(places_);
    used_ = 0;
    hasZero_ = false;
    zero_ = Value();
  }
  std::size_t size() const { return used_ + (hasZero_ ? 1 : 0); }

 private:
  struct Place {
    ULONG key = 0;  // 0: free
    Value value{};
  };
  static constexpr std::size_t kFirstSize = 64;

  std::size_t homeOf(ULONG key) const {
    // Keys step by an entry or block size: a multiplicative hash spreads them.
    const uint32_t mixed = static_cast<uint32_t>(key) * 2654435761u;
    return static_cast<std::size_t>(mixed ^ (mixed >> 15)) & (places_.size() - 1);
  }
  // The place holding `key`, or the free place where it would go.
  std::size_t placeOf(ULONG key) const {
    const std::size_t mask = places_.size() - 1;
    std::size_t at = homeOf(key);
    // Ends: at most half the places are taken (invariant 2).
    while (places_[at].key != 0 && places_[at].key != key) at = (at + 1) & mask;
    return at;
  }
  void grow() {
    std::vector<Place> old;
    old.swap(places_);
    places_.resize(old.empty() ? kFirstSize : old.size() * 2);
    for (Place& place : old) {
      if (place.key != 0) places_[placeOf(place.key)] = std::move(place);
    }
  }

  std::vector<Place> places_;
  std::size_t used_ = 0;  // occupied places
  bool hasZero_ = false;
  Value zero_{};
};

#endif  // STORE_HANDLE_MAP_H
