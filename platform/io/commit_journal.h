// Replacing a file's content in place, so that a crash or a kill at any
// moment leaves the old content or the new, never a mix, while the file keeps
// its inode, its hard and symbolic links, its owner and its mode. A book is
// committed this way: what its working copy changed is copied back into the
// book file itself.
//
// Only the byte ranges that may differ go: the spans the working copy's streams
// wrote since it last equalled the file (platform/io/written_ranges.h), or, for a
// source nobody watched, the whole of it. Before the file is touched, the old
// bytes of every range about to be overwritten or cut off are written to a
// journal beside it (its real path with ".commit~" added), with the file's old
// length, and synced; then the ranges are written over the file, its length is
// set and it is synced; removing the journal is the commit point. A journal
// found later belongs to a commit that was cut short: the file may be half
// written, and the journal puts the old bytes and the old length back
// (recover()). The share rules (platform/io/share_open.h) call recover() for every
// open, before anything of the file is read, so no reader ever sees a
// half-replaced file.
//
// Journal layout (all numbers little-endian; T is the journal's length less 48):
//
//   OFFSET   SIZE  DESCRIPTION
//   0        ...   the records, one after another, in file order; each:
//                    0   8  offset of a range of the file
//                    8   8  its length L
//                    16  L  the file's bytes there before the commit
//   T        8     "#CJRS#" and two NULs
//   T + 8    8     the file's length before the commit
//   T + 16   8     number of records
//   T + 24   8     checksum of the journal's bytes [0, T) (see Checksum in the
//                  .cpp: two running sums of its 64-bit words)
//   T + 32   8     device number of the file the journal belongs to
//   T + 40   8     inode number of that file
//
// A journal of an earlier layout, the file's whole old content followed by a
// 32-byte trailer ("#CJRN#" and two NULs, the content's length N, device,
// inode), is still recognised and applied the same way: its N bytes over the
// file from offset 0, then the file cut to N.
//
// Invariants:
// 1. A journal is whole when its trailer has one of the two magics and names
//    the file's device and inode, and (this layout) its records, walked from 0,
//    end exactly at T, in file order without overlap, each inside the old
//    length, with the count and checksum the trailer gives, and an old length
//    past the file's present end is the end of a last record that starts at or
//    before it (while a commit runs the file is never shorter than its old
//    length, except once it is cut at the end, and the bytes cut off make the
//    end of the last record), so that applying it lengthens the file by no
//    more bytes than the journal holds; (earlier layout) N is the journal's
//    length less 32. Only a whole journal is ever applied; a journal that is
//    not whole was cut short before the file was touched (the journal and its
//    name are synced before the first byte of the file changes) and is removed.
// 2. Every byte of the file that a commit writes or cuts off below the old
//    length lies in a record; bytes past the old length go when the file is cut
//    back to it. So applying a whole journal gives the old content exactly,
//    however much of the commit had reached the file.
// 3. While a commit runs, its process holds the file's commit and use locks
//    exclusively (platform/io/lock_slots.h): no other open can read the file or find
//    the journal, so a journal seen by anyone else is always a left-over one. A
//    commit applies a left-over journal before it writes its own.
#ifndef PLATFORM_COMMIT_JOURNAL_H
#define PLATFORM_COMMIT_JOURNAL_H

#include <string>

class WrittenRanges;

class CommitJournal {
 public:
  // How long an open waits for a running commit, and a commit for the file's
  // other users to close it (milliseconds; 10 seconds unless set).
  static int waitMilliseconds();
  static void setWaitMilliseconds(int ms);

  // The journal's name for the file `path`: its real path (symbolic links
  // followed) with ".commit~" added.
  static std::string journalPath(const char* path);

  // Replaces the content of the file `path`, which the caller holds open on
  // `heldFd` (from _sopen, with read access), by the content of the file
  // `sourcePath`. With `written`, the record of what was written to the source
  // since it last equalled the file, only those ranges are copied (the whole
  // source when the record is of another file, or its length then is not the
  // file's length now); on success a record of the source starts again, the
  // two files being equal. Waits, up to waitMilliseconds(), for other opens of
  // `path` to close. 0 on success. -1 on failure, with the reason in `why`: the
  // file then holds its old content (or, when even putting that back failed,
  // the journal that the next open or commit uses to put it back).
  static int replaceContent(int heldFd, const char* path, const char* sourcePath,
                            std::string* why, WrittenRanges* written = nullptr);

  // Finishes a commit of `path` that was cut short: a whole journal is applied
  // to the file, which is synced, and removed; a journal that is not whole is
  // removed. 0 when nothing was left or it is put right; -1 with errno when the
  // journal could not be applied (it is then kept, for the next try).
  // REQUIRES: no commit of `path` is running (the caller holds its use lock).
  static int recover(const char* path);

  // Called by _sopen on the descriptor that holds an open's share locks: waits
  // while a commit of the file runs, takes the open's use lock, and recovers a
  // commit that was cut short. False with errno (EBUSY when the wait ran out).
  static bool admit(int lockFd, const char* path);
};

#endif  // PLATFORM_COMMIT_JOURNAL_H
