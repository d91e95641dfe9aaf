// Small file helpers shared by the libraries: copying streams and files (keeping
// the source's modification time), copying only when newer, wildcard copies,
// backup names, completing a path from a default path, a search-and-replace inside
// a text file, and playing a sound file. Integer results, never exceptions.
//
// Paths: both '/' and '\' separate folders and only a leading "X:" is a drive, so
// texts written on Windows still split sensibly. A path splits into
//   drive      "C:" or empty
//   directory  everything up to and including the last separator
//   name       the rest up to its last '.'
//   extension  from that '.' on (empty when the rest has no '.')
// Every `out` or in-place path parameter is a path buffer of kPathBufferSize
// (260) bytes; results longer than 259 characters are cut to fit.
#ifndef KIT_FILE_HELPERS_H
#define KIT_FILE_HELPERS_H

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

#include "platform/io/file_copy.h"
#include "platform/windows_types.h"

class PendingCopy;

constexpr int kPathBufferSize = 260;

// Copies all of `in` (from its start) to `out`; flushes `out` and leaves `in` at
// its start with a clear state. Returns the number of bytes copied (saturating at
// the largest LONG), 0 when either stream is missing.
LONG copy(std::ostream* out, std::istream* in);

// copyFileBytes (the bytes of one open file onto another) lives in
// platform/io/file_copy.h, included above.

// Copies the file `src` to `dest` (created when missing, and cut to the source's
// length so that no stale bytes of an older, longer file remain) and gives it the
// source's modification time. Results:
//    0  copied
//   -2  the source cannot be read
//   -3  the destination cannot be opened, or writing it failed
//   -4  reading the source failed
//   -5  the source's modification time could not be applied to the destination
//   -6  the source's modification time could not be read
int copyFile(const char* dest, const char* src);

// copyFile's work on a thread of its own (platform/io/pending_copy.h): `dest`
// (created when missing) is given the source's length and its blocks are
// reserved before this returns, then the bytes land while the caller goes on; a
// descriptor stream in page-cache mode opened on `dest` meanwhile reads the
// source and waits for the copy before it writes. When the copy is whole, `dest`
// holds the source's bytes as they were when it started, and its modification
// time. Null when the copy cannot start (the source cannot be read, `dest`
// cannot be opened, or the space cannot be had); `dest` then has no meaning.
std::shared_ptr<PendingCopy> startFileCopy(const char* dest, const char* src);

// copyFile when `dest` is missing or older than `src`; 1 when `dest` is already up
// to date; -1 when `dest` exists but `src` cannot be examined.
int copyNewFile(const char* dest, const char* src);

// With wildcards in `srcPattern`, copyNewFile of each matching file into the
// folder of `dest` (its drive and directory, keeping each file's own name);
// without, copyNewFile(dest, srcPattern). Returns how many copies returned 0
// (0 at once when `dest` is longer than 260 characters).
int copyNewFileWild(const char* dest, const char* srcPattern);

// `out` receives `name` with `mark` inserted after the dot of its extension
// ("book.tvx" with '~' gives "book.~tvx"; a name without extension gets "." and
// the mark).
void makeBackupName(char* out, const char* name, char mark);

// Completes `path` in place: each of its parts that is missing (drive, directory,
// name, extension) is taken from `defaultPath`.
void mergeWithDefaultPath(char* path, const char* defaultPath);

// Replaces every occurrence of `find` (compared without regard to letter case,
// left to right, never overlapping) by `replace` in the text file `file`. The
// original is kept under the backup name: the file name with the character after
// its first '.' replaced by '~' ("notes.txt" -> "notes.~xt"; "~" is appended when
// the name ends with the dot). Results:
//    0  done
//   -2  the file cannot be read
//   -3  the new file cannot be written
//   -4  reading the backup failed
//   -5  the file name has no '.'
//   -6  the file could not be renamed to its backup name
//   -7  the search text is empty (checked before anything is touched)
// On -3 and -4 the original file is put back from its backup.
int subInFile(const char* file, const char* find, const char* replace);

// Plays a sound file asynchronously, without the default sound when it is missing.
void playSound(const char* file);

// The path split into its parts (see above), and merged again. Merging puts a
// '/' after a directory that lacks a final separator and a '.' before an
// extension that lacks one.
struct PathParts {
  std::string drive;
  std::string directory;
  std::string name;
  std::string extension;
};
PathParts splitPath(const char* path);
std::string mergePath(const PathParts& parts);

#endif  // KIT_FILE_HELPERS_H
