// The claim a live process holds on a temporary file of the system's own kind
// ("TVX" followed by hexadecimal digits and ".tmp", made by GetTempFileName):
// the working copy of a book opened for writing. The names carry no process
// number, so ownership is told by a lock: the owner holds a shared
// open-file-description lock on the claim slot (platform/io/lock_slots.h) from the
// moment the file is made until it is removed, and the kernel drops the lock
// when the owner dies, however it dies. Whoever makes such a file (a book's
// working copy, a book spooled from a stream) claims it at once.
//
// A file that nobody claims, that no open holds through the share rules (any
// lock on a reserved slot), and that has not changed for MinAbandonedSeconds is
// a dead editor's leftover: removeAbandoned() removes such files. The age rule
// covers the instant between a file's making and its claim.
//
// Invariant: a file that a live process claims or holds open through _sopen is
// never removed by removeAbandoned().
#ifndef PLATFORM_WORK_FILE_CLAIM_H
#define PLATFORM_WORK_FILE_CLAIM_H

#include <string>

class WorkFileClaim {
 public:
  // How long a file must have been left unchanged before it counts as abandoned.
  static const int MinAbandonedSeconds = 5;

  // Claims the file at `path` (which exists) for the life of the object; a
  // file that cannot be opened or locked is left unclaimed (held() false).
  explicit WorkFileClaim(const char* path);
  ~WorkFileClaim();
  WorkFileClaim(const WorkFileClaim&) = delete;
  WorkFileClaim& operator=(const WorkFileClaim&) = delete;
  bool held() const { return fd_ >= 0; }

  // True when the name has the form `prefix` + 1 to 4 hexadecimal digits +
  // ".tmp" (the prefix matched as GetTempFileName uses it: its first three
  // characters).
  static bool isTempName(const std::string& name, const char* prefix);
  // Removes from `folder` the files with such names that the current user owns
  // and that are abandoned (above). Returns the number removed. Bounded by the
  // folder's entries; failures are passed over.
  static int removeAbandoned(const std::string& folder, const char* prefix);

 private:
  int fd_ = -1;
};

#endif  // PLATFORM_WORK_FILE_CLAIM_H
