// A test hook in the file operations: tests arm it so that the Nth write, flush,
// name removal or read from then on fails, as a full disk or a dying device would make
// it fail, and so prove that a failure at any point of saving leaves a sound book
// behind, and that a failed read is reported as the system reports it.
//
// The operations that take part: every write of the descriptor stream
// (platform/io/fd_stream.h) and its flushes, every write of a file copy
// (platform/io/file_copy.h), the syncs and name removals of a commit
// (platform/io/commit_journal.h); and every read asked of the descriptor stream
// (served from its kept pages or not). Each asks shouldFail() before it acts
// and, when told to, fails the way the operating system would (errno EIO),
// without touching the file. Reads are not among AnyOperation: a test of saving
// that fails "any operation" fails those that save.
//
// Disarmed (the default) the hook costs one test of a flag and counts nothing.
// There is one hook per process, counting on the caller's thread: while it is
// armed, work the system would do on a thread of its own (a book's working copy,
// platform/io/pending_copy.h) is done on the caller's thread instead.
#ifndef PLATFORM_FAULT_INJECTION_H
#define PLATFORM_FAULT_INJECTION_H

#include <cstdint>

class FaultInjection {
 public:
  enum Operation : unsigned { Write = 1, Flush = 2, Unlink = 4, AnyOperation = 7, Read = 8 };

  // Arms the hook: the nth operation (n >= 1) of the kinds in `mask`, counted
  // from now, fails. With `sticky`, that one and every later one fail (the
  // device is gone); otherwise only that one.
  static void failNth(uint64_t n, unsigned mask = AnyOperation, bool sticky = false);
  // Counts operations of the kinds in `mask` from now on without failing any
  // (to learn how many a piece of work performs).
  static void countOnly(unsigned mask = AnyOperation);
  // Stops counting and failing.
  static void disarm();
  // Operations of the armed kinds seen since arming; failures injected so far.
  static uint64_t count();
  static uint64_t failures();
  // True while armed (failing or counting).
  static bool armed();

  // Asked by each operation before it acts: true means fail it now.
  static bool shouldFail(Operation op);

  // The operating system's unlink and fsync through the hook: -1 with errno EIO
  // when the hook fails them.
  static int unlink(const char* path);
  static int fsync(int fd);
};

#endif  // PLATFORM_FAULT_INJECTION_H
