// The check an editor makes before it changes a book: quick, through the open
// store, of the structures an edit relies on to know what is its own. It is the
// cheap front of the book's integrity check (core/book_check.h): what it finds
// is a serious problem that check reports too, in the same words, so that an
// editor can refuse a damaged book, and then show the whole check's findings.
//
// What it checks:
//
//   1. The ID table (one walk of its entries): no facet names the ID table's own
//      record and no record is named by two facets. An edit frees and rewrites
//      the records its IDs name; a record named twice is another page's data.
//   2. The records of the entries an edit is about to change, block by block:
//      each facet names the live first block of a record, and each following
//      block is in use, not the first block of a record, and linked back to the
//      block before it (the walk bounded by the blocks the file can hold).
//
// Neither reads a record's content, and neither changes what the store counts
// (the chain-step and chain-open counts behind the fragmentation index): the
// blocks are looked up, never walked through a chain.
#ifndef CORE_BOOK_EDIT_CHECK_H
#define CORE_BOOK_EDIT_CHECK_H

#include <string>
#include <vector>

#include "platform/windows_types.h"

class MiddleLevelStore;

class BookEditCheck {
 public:
  // Check 1. True when sound; else false with the first problem found as the
  // integrity check prints it ("ID 10: facet 5 names record 10138, also named
  // by ID 2 facet 1"). A table that cannot be read is a problem too.
  static bool idTable(MiddleLevelStore& store, std::string* problem);
  // Check 2 for each of `ids` (an ID that does not exist is passed over).
  static bool entries(MiddleLevelStore& store, const std::vector<ULONG>& ids,
                      std::string* problem);
};

#endif  // CORE_BOOK_EDIT_CHECK_H
