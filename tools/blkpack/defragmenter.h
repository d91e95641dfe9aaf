// The defragmenter, a small library that `blkpack BOOK` and `tvx defrag BOOK`
// both link: it rewrites a book into a fresh store in which every record is one
// block and no free block is left, keeping every ID, kind, flag and byte of
// every facet, and the order of the ID table; checks the result; and replaces
// the book atomically.
//
// Steps:
//   1. Open the book for reading and writing with share mode 0x10 (exclusive):
//      a book that another program holds open is refused, as the book database
//      tests before it offers to defragment. The book stays open that way until
//      the end, so nobody else can change it meanwhile.
//   2. Check the book (core/book_check.h); a damaged book is refused, so
//      that rewriting never hides or spreads damage, with its problems listed
//      and the salvage (tools/blkpack/salvager.h) named as what to do. Minor
//      problems (space that holds nothing, free space left unmerged) are
//      accepted: the rewrite drops them. A record no ID names that holds a
//      page's, link's or entry's data is not minor: the rewrite, which goes
//      through the ID table, would drop it.
//   3. Make a new store beside the book (same signatures, version, facets and
//      bucket count). Create every ID first, in the old table's order (the ID
//      table, the first record, then grows in place as the last block of the
//      file), then copy every facet into a record sized to hold it in one block.
//      The next-ID counter is carried over.
//   4. Close the new store, read it back and compare every ID, kind and facet
//      with the old book, and check it.
//   5. Copy the new file into the book file itself behind a journal
//      (platform/io/commit_journal.h), so that the book keeps its inode, its links
//      and its mode, and a crash at any moment leaves the old book or the new.
// The new file is removed at the end; any failure leaves the book as it was.
#ifndef TOOLS_BLKPACK_DEFRAGMENTER_H
#define TOOLS_BLKPACK_DEFRAGMENTER_H

#include <string>
#include <vector>

#include "platform/windows_types.h"

struct DefragResult {
  ULONG oldSize = 0;
  ULONG newSize = 0;
  ULONG ids = 0;
  ULONG records = 0;
  // A damaged book that was refused: every problem the check listed, one line
  // each, for the programs to print before their error line.
  std::vector<std::string> problems;
  // The line both programs print: "5 IDs, 12 records, 10933 -> 6538 bytes".
  std::string summary() const;
};

class Defragmenter {
 public:
  // `progName` starts every progress line ("blkpack", "tvx defrag"); a
  // progress bar is drawn on standard error only when it is a terminal and the
  // book has at least ProgressThreshold IDs.
  static const ULONG ProgressThreshold = 200;

  // Rewrites the book at `path`. True on success; false with one line in `why`.
  static bool run(const std::string& path, const char* progName, DefragResult* result,
                  std::string* why);
};

#endif  // TOOLS_BLKPACK_DEFRAGMENTER_H
