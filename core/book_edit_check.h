// The check an editor makes before it changes a book: quick, through the open
// store, of the structures an edit relies on to know what is its own. It is the
// cheap front of the book's integrity check (core/book_check.h): what it finds
// is a serious problem that check reports too, mostly in the same words; an
// editor that finds one runs the whole check, which decides and names the
// problems.
//
// What it checks:
//
//   1. The ID table (one walk of its entries): no facet names the ID table's own
//      record, no record is named by two facets, and no facet names space on
//      the free list (compared with the list's in-memory copy, check 2). An edit
//      frees and rewrites the records its IDs name, and takes space from the
//      free list: a record named twice is another page's data, and free space
//      that a facet names would become another page's record.
//   2. The free list: the store's own checked walk of it, the one that builds its
//      in-memory copy (store/free_index.h) and that the edit's first allocation
//      or release would make anyway: every block on it free, only the head
//      first-marked, each linked back to the one before. An edit takes space
//      from the list; a list through a live record would hand that record out.
//      (A list too long for the copy counts as suspect here; the whole check
//      then decides.)
//   3. The records of the entries an edit is about to change, block by block:
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
  // Check 2.
  static bool freeList(MiddleLevelStore& store, std::string* problem);
  // Check 3 for each of `ids` (an ID that does not exist is passed over).
  static bool entries(MiddleLevelStore& store, const std::vector<ULONG>& ids,
                      std::string* problem);
};

#endif  // CORE_BOOK_EDIT_CHECK_H
