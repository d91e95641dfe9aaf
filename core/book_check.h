// The book's integrity check: a full structural check of a book file that reads
// the file itself, with its own bounded reader, and trusts nothing it reads. It
// belongs to the core as a database engine's integrity check belongs to the
// engine: `tvx check` prints it, the defragmenter runs it on the book it is about
// to rewrite and on the book it wrote, `tvx import` on the book it made, and the
// tests and the book fuzzing target call it to prove a book sound.
//
// What it checks, in order (a failure early on can make later checks skip what
// they cannot reach; each problem is reported once):
//
//   1. The file header: size, both signatures ("#MLS#" store, "#NXST#" book), the
//      store version (at most 32), the free-list head, the ID-table handle and the
//      next-ID counter, all inside the file.
//   2. The blocks tile the file from the end of the header to the end of the file:
//      every size at least 54 and inside the file, every trailer equal to its
//      size, no unknown mark bits, no length beyond the user area.
//   3. The free list, both ways: every block on it is free, first-marked only at
//      the head, linked back to its predecessor, empty and filled with spaces;
//      every free-marked block is on it; no two free blocks touch.
//   4. Records: every block in use belongs to exactly one chain that starts at a
//      first-marked block and is linked back block by block; no loops.
//   5. The ID table: the hash stream's header, every bucket chain and its free
//      list inside the table and free of loops, each ID in its own bucket, no ID
//      twice, every ID below the next-ID counter; the table is its bucket table
//      and whole entries, each overflow entry in one chain or on the free list.
//   6. Facets: each names the first block of a live record, no record is named
//      twice, and every record is named by a facet or is the ID table.
//   7. Entries: entry headers decode (name NUL type NUL decimal flags); link
//      records and link lists parse and resolve, and agree both ways; page bodies
//      and attribute lists parse as map text (core/map_text_check.h).
//
// Bounds: the file is read whole into memory once (at most MaxFileSize bytes);
// every walk is bounded by the number of blocks or table entries the file can
// hold, by a visited set, or by the lengths the book layout allows, so no input
// file can make the check crash, hang or allocate more than a small multiple of
// the file's own size. Problems beyond MaxProblems are counted, not listed.
//
// Minor problems lose no data and disappear when the book is rewritten: a
// record that no facet names and that holds nothing a page, link or entry
// holds, in a book whose ID table is sound (lost space); free blocks left
// unmerged or not blanked. They are reported like the others; the
// defragmenter accepts them. A record nothing names whose bytes read as an
// entry header, a page body (or begin as one), a link record, a link list or an
// attribute list, or any such record while the ID table is damaged, is a page
// or link whose ID is gone (core/record_content.h): a serious problem, since a
// rewrite through the table would drop it.
#ifndef CORE_BOOK_CHECK_H
#define CORE_BOOK_CHECK_H

#include <cstddef>
#include <string>

#include "core/book_check_report.h"
#include "platform/windows_types.h"

class BookCheck {
 public:
  // Files larger than this are not read (a book never grows beyond 2 GB).
  static const ULONG MaxFileSize = 0x7FFFFFFFu;
  static const std::size_t MaxProblems = 1000;

  // Checks the book file at `path`. A file that cannot be read gives one problem
  // about the file; nothing is thrown.
  static BookCheckReport checkFile(const std::string& path);
  // Checks a book held in memory (the whole file's bytes).
  static BookCheckReport checkBytes(const std::string& bytes);
};

#endif  // CORE_BOOK_CHECK_H
