// How many facets of the ID table name each record: the middle-level store's
// answer to "is this record only mine?" before it frees or replaces one, without
// a walk of the whole table for every release. It is built from one walk of the
// table the first time it is asked, and kept in step from then on by the store,
// which tells it of every facet word it changes.
//
// Invariant (checked by tests against a plain walk of the table): while built,
// count(h) is the number of facet words in the ID table equal to h, for every
// h != 0, as far as the table is changed through the store object that owns
// this copy (the book's share rules let only one writer open a file).
//
// Bounded: one entry per record named, so at most the table's facet words.
#ifndef STORE_RECORD_OWNERS_H
#define STORE_RECORD_OWNERS_H

#include <cstdint>
#include <unordered_map>

#include "platform/windows_types.h"

class RecordOwners {
 public:
  // The number of facets naming `handle` (0 for 0).
  ULONG count(ULONG handle) const;
  // A facet word changed from `from` to `to` (either may be 0).
  void change(ULONG from, ULONG to);
  // A facet word that the walk that builds the copy found.
  void add(ULONG handle) { change(0, handle); }
  void clear() { counts_.clear(); }

 private:
  std::unordered_map<ULONG, ULONG> counts_;
};

#endif  // STORE_RECORD_OWNERS_H
