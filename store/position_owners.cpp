// The overflow positions' owners; see position_owners.h.
#include "store/position_owners.h"

#include <cstdint>

namespace {

constexpr std::size_t kFirstSize = 64;

}  // namespace

std::size_t PositionOwners::homeOf(ULONG pos) const {
  // Positions step by the entry size: a multiplicative hash spreads them.
  const uint32_t mixed = static_cast<uint32_t>(pos) * 2654435761u;
  return static_cast<std::size_t>(mixed ^ (mixed >> 15)) & (places_.size() - 1);
}

std::size_t PositionOwners::placeOf(ULONG pos) const {
  const std::size_t mask = places_.size() - 1;
  std::size_t at = homeOf(pos);
  // Ends: at most half the places are taken (invariant 2).
  while (places_[at].pos != 0 && places_[at].pos != pos) at = (at + 1) & mask;
  return at;
}

const ULONG* PositionOwners::find(ULONG pos) const {
  if (count_ == 0 || pos == 0) return nullptr;
  const Place& place = places_[placeOf(pos)];
  return place.pos == pos ? &place.bucket : nullptr;
}

void PositionOwners::set(ULONG pos, ULONG bucket) {
  if (pos == 0) return;
  if ((count_ + 1) * 2 > places_.size()) grow();
  Place& place = places_[placeOf(pos)];
  if (place.pos == 0) {
    place.pos = pos;
    ++count_;
  }
  place.bucket = bucket;
}

void PositionOwners::erase(ULONG pos) {
  if (count_ == 0 || pos == 0) return;
  const std::size_t mask = places_.size() - 1;
  std::size_t hole = placeOf(pos);
  if (places_[hole].pos == 0) return;
  places_[hole].pos = 0;
  --count_;
  // Later members of the run that could not sit at the hole's place move back
  // into it, so that none of them is cut off from its home (invariant 1).
  for (std::size_t at = (hole + 1) & mask; places_[at].pos != 0; at = (at + 1) & mask) {
    const std::size_t home = homeOf(places_[at].pos);
    // `at` may move to the hole unless its home lies cyclically in (hole, at].
    const bool homeBetween = hole <= at ? (home > hole && home <= at) : (home > hole || home <= at);
    if (homeBetween) continue;
    places_[hole] = places_[at];
    places_[at].pos = 0;
    hole = at;
  }
}

void PositionOwners::clear() {
  std::vector<Place>().swap(places_);
  count_ = 0;
}

void PositionOwners::grow() {
  std::vector<Place> old;
  old.swap(places_);
  places_.assign(old.empty() ? kFirstSize : old.size() * 2, Place{0, 0});
  for (const Place& place : old) {
    if (place.pos != 0) places_[placeOf(place.pos)] = place;
  }
}
