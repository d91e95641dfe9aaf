// Replacing a file's whole content in place, so that a crash or a kill at any
// moment leaves the old content or the new, never a mix, while the file keeps
// its inode, its hard and symbolic links, its owner and its mode. A book is
// committed this way: its working copy is copied back into the book file itself.
//
// Before the file is touched, its old content is written to a journal beside it
// (its real path with ".commit~" added) and synced; then the new content is
// written over the file and synced; removing the journal is the commit point.
// A journal found later belongs to a commit that was cut short: the file may be
// half written, and the journal puts the old content back (recover()). The share
// rules (platform/io/share_open.h) call recover() for every open, before anything of
// the file is read, so no reader ever sees a half-replaced file.
//
// Journal layout (all numbers little-endian):
//
//   OFFSET   SIZE  DESCRIPTION
//   0        N     the file's bytes before the commit
//   N        8     "#CJRN#" and two NULs
//   N + 8    8     N
//   N + 16   8     device number of the file the journal belongs to
//   N + 24   8     inode number of that file
//
// Invariants:
// 1. A journal is whole when its last 32 bytes are a trailer whose N is the
//    journal's length less 32 and whose device and inode are the file's. Only a
//    whole journal is ever copied back; a journal that is not whole was cut short
//    before the file was touched and is removed.
// 2. While a commit runs, its process holds the file's commit and use locks
//    exclusively (platform/io/lock_slots.h): no other open can read the file or find
//    the journal, so a journal seen by anyone else is always a left-over one.
#ifndef PLATFORM_COMMIT_JOURNAL_H
#define PLATFORM_COMMIT_JOURNAL_H

#include <string>

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
  // `sourcePath`. Waits, up to waitMilliseconds(), for other opens of `path` to
  // close. 0 on success. -1 on failure, with the reason in `why`: the file then
  // holds its old content (or, when even putting that back failed, the journal
  // that the next open uses to put it back).
  static int replaceContent(int heldFd, const char* path, const char* sourcePath,
                            std::string* why);

  // Finishes a commit of `path` that was cut short: a whole journal is copied
  // back over the file and removed; a journal that is not whole is removed. 0
  // when nothing was left or it is put right; -1 with errno when the journal
  // could not be applied (the file and its journal are then as they were).
  // REQUIRES: no commit of `path` is running (the caller holds its use lock).
  static int recover(const char* path);

  // Called by _sopen on the descriptor that holds an open's share locks: waits
  // while a commit of the file runs, takes the open's use lock, and recovers a
  // commit that was cut short. False with errno (EBUSY when the wait ran out).
  static bool admit(int lockFd, const char* path);
};

#endif  // PLATFORM_COMMIT_JOURNAL_H
