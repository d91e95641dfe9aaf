// Giving a large file's disk space and cached pages back to the system without
// making the caller wait for it.
//
// Removing the last name of a file that nobody holds open makes the system free
// every cached page and every extent of it there and then: for a book of tens of
// megabytes that is milliseconds spent inside the call that closes the book. The
// name is what callers and other programs see, so it goes at once; the freeing
// happens when the last descriptor on the file closes, and that descriptor is
// closed on a short-lived thread of its own. Should the process end first, the
// system closes it and frees the file all the same: nothing is left on disk.
#ifndef PLATFORM_SPACE_RECLAIMER_H
#define PLATFORM_SPACE_RECLAIMER_H

class SpaceReclaimer {
 public:
  // Removes the name `path` as std::remove does (0, or -1 with errno), and lets
  // the file's space be freed off the caller's path.
  static int removeFile(const char* path);

  // A descriptor on the file at `path`, opened only to keep the file's space
  // while its last name goes (by a rename over it, say); -1 when it cannot be
  // opened, and the freeing then happens inside that call as usual.
  static int hold(const char* path);

  // Closes a descriptor from hold() off the caller's path; -1 is ignored.
  static void release(int fd);
};

#endif  // PLATFORM_SPACE_RECLAIMER_H
