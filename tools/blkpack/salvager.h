// The salvage, for a book that the defragmenter refuses and that nothing better
// can mend: it writes a new book holding every page, link and attribute it can
// read from the damaged one, and keeps every byte it cannot read, so that the
// salvage itself loses nothing. `tvx salvage BOOK NEW` and `blkpack --salvage
// BOOK NEW` both run it. The damaged book is only read.
//
// Steps:
//   1. Read the damaged file whole (at most 2 GB) and its header as far as it
//      reads; a damaged header gives the book's usual signature and version.
//   2. Walk its blocks without trusting them (store/block_walk.h): records that
//      read whole, records cut short, fragments, bytes that are no block.
//   3. The ID table: the record the header names, or else a record that begins
//      with the table's signature. When its walk is sound (each bucket's chain
//      inside the table, each ID in its own bucket, each entry in one chain or
//      on the free list), its entries are the book's IDs. Otherwise the IDs are
//      looked for: the entries still reached from their buckets first, then
//      every place in the table's bytes (and past its length in its last
//      block), in records of no known kind, in fragments and in gaps where 36
//      bytes read as an entry, an ID whose kind
//      is a page or link, whose facet 0 names a record holding an entry header
//      and whose other facets are empty or name records (entries on the table's
//      free list, deleted IDs, come last). An ID is taken once, and a record
//      found this way belongs to the first ID that names it.
//   4. Each ID's facets are copied from the records they name. A record cut
//      short is copied only when its bytes still read whole as what its facet
//      holds; a record two facets name is copied to both.
//   5. Every record no ID took (other than the sound ID table and records that
//      hold nothing), every record cut short that was not copied, every
//      fragment and every gap goes into a page of its own named "lost+found N"
//      (N counting from 1 in file order; type "lost+found"): its bytes byte for
//      byte in facet 4 (a page body that reads whole: in facet 1, so it shows
//      as the page), and attributes "found" (where it was), "bytes" (how many)
//      and "holds" (what it reads as, core/record_content.h).
//   6. Write the new book beside NEW under a fresh name (IDs, kinds and the
//      next-ID counter kept; lost+found pages take IDs above every other), read
//      it back and compare, and give it the name NEW only if nothing has it.
//
// Bounds: the walk is linear in the file (store/block_walk.h); the entry search
// looks at each byte once; what is kept in memory is a small multiple of the
// file's size; the lines of the report are capped at MaxLines.
#ifndef TOOLS_BLKPACK_SALVAGER_H
#define TOOLS_BLKPACK_SALVAGER_H

#include <string>
#include <vector>

#include "platform/windows_types.h"

struct SalvageResult {
  ULONG ids = 0;        // IDs recovered (lost+found pages not counted)
  ULONG pages = 0;
  ULONG links = 0;
  ULONG fromTable = 0;  // found through a sound ID table
  ULONG fromWalk = 0;   // found by the walk
  ULONG lostFound = 0;  // lost+found pages made
  // What was found where, one line each (at most MaxLines, then a count).
  std::vector<std::string> lines;
  // "7 IDs (5 pages, 2 links): 1 through the ID table, 6 found by a walk over
  // the blocks; 2 records kept in lost+found"
  std::string summary() const;
};

class Salvager {
 public:
  static const std::size_t MaxLines = 1000;
  // The name and type of the pages that keep what could not be read.
  static const char LostFound[];  // "lost+found"

  // Salvages `book` into the new book `newBook`, which must not exist. True on
  // success; false with one line in `why` (nothing is then left behind).
  static bool run(const std::string& book, const std::string& newBook, SalvageResult* result,
                  std::string* why);
};

#endif  // TOOLS_BLKPACK_SALVAGER_H
