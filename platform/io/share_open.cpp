// The share-aware open. Share modes are enforced with open-file-description locks
// on reserved byte offsets far beyond any real file size (the table of them is in
// platform/io/lock_slots.h): one per access right and one per denial.
//
// Under the gate lock, an open first checks (F_OFD_GETLK with a write lock,
// which reports any shared lock held by another open file) that nobody denies
// what it wants to do and that nobody already does what it wants to deny; then it
// takes shared locks on the offsets of its own rights and denials. The gate makes
// the check and the taking one step, so that two opens that would refuse each
// other never both succeed. The locks go away with the open file.
//
// Then the open is admitted as a user of the file's content
// (platform/io/commit_journal.h): it waits while a commit replaces the content, and
// puts right a commit that was cut short before anything of the file is read.
//
// Locks need a descriptor opened for reading, so a write-only open keeps a second,
// read-only descriptor on the same file for its locks; `_close` closes both.
#include "platform/io/share_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "platform/io/commit_journal.h"
#include "platform/io/lock_slots.h"

using namespace lock_slots;

namespace {

typedef Slot LockSlot;

// Descriptors of write-only opens mapped to the read-only descriptor holding their locks.
std::mutex& lockTableMutex() {
  static std::mutex m;
  return m;
}
std::map<int, int>& lockDescriptors() {
  static std::map<int, int> table;
  return table;
}

// True when another open file holds a lock on `slot`.
bool heldByOthers(int fd, LockSlot slot) {
  struct flock fl = slotLock(slot, F_WRLCK);
  if (fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;  // no lock support: no sharing rules
  return fl.l_type != F_UNLCK;
}

bool takeShared(int fd, LockSlot slot) {
  struct flock fl = slotLock(slot, F_RDLCK);
  return fcntl(fd, F_OFD_SETLK, &fl) == 0 || errno == EINVAL;
}

// Holds the gate (an exclusive lock) while it lives; a file without lock
// support has no gate and needs none.
class Gate {
 public:
  explicit Gate(int fd) : fd_(fd) {
    struct flock fl = slotLock(kGate, F_WRLCK);
    while (fcntl(fd_, F_OFD_SETLKW, &fl) != 0 && errno == EINTR) {
    }
  }
  ~Gate() {
    struct flock fl = slotLock(kGate, F_UNLCK);
    fcntl(fd_, F_OFD_SETLK, &fl);
  }
  Gate(const Gate&) = delete;
  Gate& operator=(const Gate&) = delete;

 private:
  int fd_;
};

// Applies the share rules of an open with `access` (0, 1, 2) and `share` on lockFd.
// Returns false with errno EACCES when another open refuses it.
bool applyShareMode(int lockFd, int access, int share) {
  Gate gate(lockFd);
  const bool reads = access == _O_RDONLY || access == _O_RDWR;
  const bool writes = access == _O_WRONLY || access == _O_RDWR;
  const bool denyRead = share == _SH_DENYRW || share == _SH_DENYRD;
  const bool denyWrite = share == _SH_DENYRW || share == _SH_DENYWR;

  if ((reads && heldByOthers(lockFd, kDeniesRead)) ||
      (writes && heldByOthers(lockFd, kDeniesWrite)) ||
      (denyRead && heldByOthers(lockFd, kReads)) ||
      (denyWrite && heldByOthers(lockFd, kWrites))) {
    errno = EACCES;
    return false;
  }
  if ((reads && !takeShared(lockFd, kReads)) || (writes && !takeShared(lockFd, kWrites)) ||
      (denyRead && !takeShared(lockFd, kDeniesRead)) ||
      (denyWrite && !takeShared(lockFd, kDeniesWrite))) {
    errno = EACCES;
    return false;
  }
  return true;
}

}  // namespace

int _sopen(const char* path, int oflag, int shflag, int pmode) {
  if (path == nullptr) {
    errno = EINVAL;
    return -1;
  }
  const int access = oflag & _O_ACCMODE;
  int flags = O_CLOEXEC;
  switch (access) {
    case _O_RDONLY: flags |= O_RDONLY; break;
    case _O_WRONLY: flags |= O_WRONLY; break;
    case _O_RDWR: flags |= O_RDWR; break;
    default: errno = EINVAL; return -1;
  }
  if (oflag & _O_CREAT) flags |= O_CREAT;
  if (oflag & _O_EXCL) flags |= O_EXCL;
  if (oflag & _O_APPEND) flags |= O_APPEND;
  mode_t mode = 0;
  if (pmode & _S_IREAD) mode |= S_IRUSR | S_IRGRP | S_IROTH;
  if (pmode & _S_IWRITE) mode |= S_IWUSR | S_IWGRP | S_IWOTH;

  // Truncation waits until the share rules have allowed the open, so that a refused
  // open never destroys another open's file. The open does not wait (a named pipe
  // given as a file name would block it), and only regular files are opened: a
  // book, a map text or a copy is never a device, a pipe or a folder.
  int fd = open(path, flags | O_NONBLOCK, mode);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int saved = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    close(fd);
    errno = saved;
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);

  int lockFd = fd;
  if (access == _O_WRONLY) {
    lockFd = open(path, O_RDONLY | O_CLOEXEC);
    if (lockFd < 0) lockFd = fd;  // an unreadable file: lock on the write descriptor
  }
  if (!applyShareMode(lockFd, access, shflag) || !CommitJournal::admit(lockFd, path)) {
    const int saved = errno;
    if (lockFd != fd) close(lockFd);
    close(fd);
    errno = saved;
    return -1;
  }
  if ((oflag & _O_TRUNC) && access != _O_RDONLY && ftruncate(fd, 0) != 0) {
    const int saved = errno;
    if (lockFd != fd) close(lockFd);
    close(fd);
    errno = saved;
    return -1;
  }
  if (lockFd != fd) {
    std::lock_guard<std::mutex> guard(lockTableMutex());
    lockDescriptors()[fd] = lockFd;
  }
  return fd;
}

int _close(int fd) {
  int lockFd = -1;
  {
    std::lock_guard<std::mutex> guard(lockTableMutex());
    auto it = lockDescriptors().find(fd);
    if (it != lockDescriptors().end()) {
      lockFd = it->second;
      lockDescriptors().erase(it);
    }
  }
  if (lockFd >= 0) close(lockFd);
  return close(fd);
}
