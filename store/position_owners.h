// The hash stream's map from an overflow entry's position to the bucket whose
// chain index holds it: one table of (position, bucket) pairs with open
// addressing, so that indexing a table of many thousands of entries makes no
// allocation per entry, and letting the index go frees one block.
//
// Positions are the keys; 0 is never one (an overflow entry lies past the
// stream's header and bucket table), and marks a free place.
//
// Invariants (checked by tests against a model map):
//   1. Every key is in the run of occupied places that starts at its home place
//      (its hash, masked), so a search stops at the first free place.
//   2. The table's size is 0 or a power of two, and at most half of it is
//      occupied: every search meets a free place.
//   3. size() is the number of occupied places.
#ifndef STORE_POSITION_OWNERS_H
#define STORE_POSITION_OWNERS_H

#include <cstddef>
#include <vector>

#include "platform/windows_types.h"

class PositionOwners {
 public:
  // The bucket that owns `pos`, or null when none does.
  const ULONG* find(ULONG pos) const;
  // Makes `bucket` the owner of `pos` (pos != 0).
  void set(ULONG pos, ULONG bucket);
  // Forgets `pos`; nothing when it has no owner.
  void erase(ULONG pos);
  void clear();
  std::size_t size() const { return count_; }

 private:
  struct Place {
    ULONG pos;  // 0: free
    ULONG bucket;
  };
  std::size_t homeOf(ULONG pos) const;
  // The place holding `pos`, or the free place where it would go.
  std::size_t placeOf(ULONG pos) const;
  void grow();

  std::vector<Place> places_;
  std::size_t count_ = 0;
};

#endif  // STORE_POSITION_OWNERS_H
