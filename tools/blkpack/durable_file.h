// Files written beside a book and given its name only once they are whole:
// a fresh name in the book's folder, and flushing a file and its folder to
// disk so that a link that follows survives a crash. "tvx import" makes its
// new books this way, and the defragmenter its packed copy.
#ifndef TOOLS_BLKPACK_DURABLE_FILE_H
#define TOOLS_BLKPACK_DURABLE_FILE_H

#include <unistd.h>

#include <string>

// A new, unused file name in the folder of `path` ("<path>.<tag>-XXXXXX"); the
// file is not left behind. Empty when none could be found.
std::string freshNameBeside(const std::string& path, const char* tag);
// Removes the file `name` when it goes out of scope (a new book not yet given
// its name is never left behind; once linked under its name, only this name goes).
struct RemovedOnExit {
  std::string name;
  ~RemovedOnExit() { ::unlink(name.c_str()); }
};
// Flushes a file, or the folder holding `path`, to disk. False on failure.
bool syncFile(const std::string& path);
bool syncFolderOf(const std::string& path);

#endif  // TOOLS_BLKPACK_DURABLE_FILE_H
