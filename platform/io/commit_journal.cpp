// Replacing a file's content in place behind a journal; see commit_journal.h for
// the journal's layout and the locks a commit holds.
#include "platform/io/commit_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/io/fault_injection.h"
#include "platform/io/file_copy.h"
#include "platform/io/lock_slots.h"

using namespace lock_slots;

namespace {

std::atomic<int> g_waitMs{10000};

const char kTrailerMagic[8] = {'#', 'C', 'J', 'R', 'N', '#', '\0', '\0'};
constexpr std::size_t kTrailerSize = 32;

using Clock = std::chrono::steady_clock;

void putLE64(unsigned char* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint64_t getLE64(const unsigned char* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// A descriptor closed when the holder goes.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now; false when the close reports a failure (a write that never landed).
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

// 1 taken, 0 held by another open, -1 locks are not supported on this file.
int trySlot(int fd, Slot slot, short type) {
  struct flock fl = slotLock(slot, type);
  if (fcntl(fd, F_OFD_SETLK, &fl) == 0) return 1;
  if (errno == EAGAIN || errno == EACCES) return 0;
  return -1;
}

void releaseSlot(int fd, Slot slot) {
  struct flock fl = slotLock(slot, F_UNLCK);
  fcntl(fd, F_OFD_SETLK, &fl);
}

// Takes `slot` with `type`, retrying until `deadline`. True when taken or when
// the file has no locks at all.
bool lockUntil(int fd, Slot slot, short type, Clock::time_point deadline) {
  for (auto pause = std::chrono::milliseconds(1);; pause = std::min(pause * 2, std::chrono::milliseconds(20))) {
    const int got = trySlot(fd, slot, type);
    if (got != 0) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(pause);
  }
}

Clock::time_point deadlineFromNow() {
  return Clock::now() + std::chrono::milliseconds(g_waitMs.load());
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the names in the folder of `path` (a creation or a removal) durable.
bool syncFolderOf(const std::string& path) {
  Fd dir(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) return false;
  return FaultInjection::fsync(dir.get()) == 0;
}

std::string reason(const char* what, int err) {
  return std::string(what) + ": " + std::strerror(err);
}

// Reads the trailer of the journal open on `fd`; true when it is whole for a
// file with `st`'s device and inode, with the old length in `length`.
bool wholeJournal(int fd, const struct stat& file, uint64_t* length) {
  struct stat js;
  if (::fstat(fd, &js) != 0 || !S_ISREG(js.st_mode)) return false;
  if (js.st_size < static_cast<off_t>(kTrailerSize)) return false;
  unsigned char t[kTrailerSize];
  const off_t at = js.st_size - static_cast<off_t>(kTrailerSize);
  if (::pread(fd, t, sizeof t, at) != static_cast<ssize_t>(sizeof t)) return false;
  if (std::memcmp(t, kTrailerMagic, sizeof kTrailerMagic) != 0) return false;
  const uint64_t n = getLE64(t + 8);
  if (n != static_cast<uint64_t>(at)) return false;
  if (getLE64(t + 16) != static_cast<uint64_t>(file.st_dev) ||
      getLE64(t + 24) != static_cast<uint64_t>(file.st_ino)) {
    return false;
  }
  *length = n;
  return true;
}

// Copies all of `fromFd` onto `toFd`, cuts `toFd` to `length` and syncs it.
bool copyCutSync(int fromFd, int toFd, uint64_t length) {
  int64_t copied = 0;
  if (!copyFileBytes(fromFd, toFd, &copied)) return false;
  if (static_cast<uint64_t>(copied) < length) {
    errno = EIO;
    return false;
  }
  if (::ftruncate(toFd, static_cast<off_t>(length)) != 0) return false;
  return FaultInjection::fsync(toFd) == 0;
}

}  // namespace

int CommitJournal::waitMilliseconds() { return g_waitMs.load(); }

void CommitJournal::setWaitMilliseconds(int ms) { g_waitMs.store(ms < 0 ? 0 : ms); }

std::string CommitJournal::journalPath(const char* path) {
  if (path == nullptr) return std::string();
  char* real = ::realpath(path, nullptr);
  std::string base = real != nullptr ? std::string(real) : std::string(path);
  std::free(real);
  return base + ".commit~";
}

int CommitJournal::recover(const char* path) {
  const std::string journal = journalPath(path);
  Fd j(::open(journal.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (j.get() < 0) return errno == ENOENT ? 0 : -1;
  struct stat file;
  if (::stat(path, &file) != 0) return -1;
  uint64_t length = 0;
  if (!wholeJournal(j.get(), file, &length)) {
    // Cut short before the file was touched, or left by another file of this
    // name: the file is as it was.
    j.close();
    ::unlink(journal.c_str());
    syncFolderOf(journal);
    return 0;
  }
  Fd b(::open(path, O_WRONLY | O_CLOEXEC));
  if (b.get() < 0) return -1;
  if (!copyCutSync(j.get(), b.get(), length) || !b.close()) return -1;
  j.close();
  if (FaultInjection::unlink(journal.c_str()) != 0) return -1;
  syncFolderOf(journal);
  return 0;
}

int CommitJournal::replaceContent(int heldFd, const char* path, const char* sourcePath,
                                  std::string* why) {
  std::string ignored;
  if (why == nullptr) why = &ignored;
  // Announce the commit, so that no new user comes in, then wait for the users
  // there are to go.
  const Clock::time_point deadline = deadlineFromNow();
  if (!lockUntil(heldFd, kCommitting, F_WRLCK, deadline)) {
    *why = "another program is saving it";
    return -1;
  }
  if (!lockUntil(heldFd, kUsing, F_WRLCK, deadline)) {
    releaseSlot(heldFd, kCommitting);
    *why = "other programs have it open";
    return -1;
  }
  struct Unlock {
    int fd;
    ~Unlock() {
      struct flock fl = slotLock(kUsing, F_RDLCK);  // back to an ordinary user
      fcntl(fd, F_OFD_SETLK, &fl);
      releaseSlot(fd, kCommitting);
    }
  } unlock{heldFd};

  struct stat file;
  if (::fstat(heldFd, &file) != 0) {
    *why = reason("cannot read its size", errno);
    return -1;
  }
  Fd source(::open(sourcePath, O_RDONLY | O_CLOEXEC));
  struct stat ss;
  if (source.get() < 0 || ::fstat(source.get(), &ss) != 0) {
    *why = reason("cannot read its working copy", errno);
    return -1;
  }

  // 1. The old content, then the trailer that makes the journal whole.
  const std::string journal = journalPath(path);
  {
    Fd j(::open(journal.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW,
                file.st_mode & 0666));
    if (j.get() < 0) {
      *why = reason(("cannot make its journal '" + journal + "'").c_str(), errno);
      return -1;
    }
    unsigned char t[kTrailerSize];
    std::memcpy(t, kTrailerMagic, sizeof kTrailerMagic);
    putLE64(t + 8, static_cast<uint64_t>(file.st_size));
    putLE64(t + 16, static_cast<uint64_t>(file.st_dev));
    putLE64(t + 24, static_cast<uint64_t>(file.st_ino));
    int64_t copied = 0;
    bool ok = copyFileBytes(heldFd, j.get(), &copied) && copied == file.st_size;
    if (ok && FaultInjection::shouldFail(FaultInjection::Write)) ok = false;
    ok = ok && ::pwrite(j.get(), t, sizeof t, static_cast<off_t>(file.st_size)) ==
                   static_cast<ssize_t>(sizeof t);
    ok = ok && FaultInjection::fsync(j.get()) == 0;
    ok = j.close() && ok;
    ok = ok && syncFolderOf(journal);
    if (!ok) {
      const int err = errno != 0 ? errno : EIO;
      ::unlink(journal.c_str());
      *why = reason(("cannot write its journal '" + journal + "'").c_str(), err);
      return -1;
    }
  }

  // 2. The new content over the old.
  bool written = false;
  int err = 0;
  {
    Fd b(::open(path, O_WRONLY | O_CLOEXEC));
    written = b.get() >= 0 && copyCutSync(source.get(), b.get(), static_cast<uint64_t>(ss.st_size));
    if (!b.close()) written = false;
    if (!written) err = errno != 0 ? errno : EIO;
  }

  // 3. The commit point: the journal goes.
  if (written && FaultInjection::unlink(journal.c_str()) != 0) {
    written = false;
    err = errno;
  }
  if (!written) {
    *why = reason("cannot write it", err);
    // Put the old content back now; should that fail too, the journal stays
    // for the next open to do it.
    recover(path);
    return -1;
  }
  // A failed sync of the folder leaves the removal to the system's own time;
  // the new content is in place either way.
  syncFolderOf(journal);
  return 0;
}

bool CommitJournal::admit(int lockFd, const char* path) {
  const Clock::time_point deadline = deadlineFromNow();
  for (auto pause = std::chrono::milliseconds(1);; pause = std::min(pause * 2, std::chrono::milliseconds(20))) {
    const int got = trySlot(lockFd, kCommitting, F_RDLCK);
    if (got < 0) return true;  // a file without locks has no commits to wait for
    if (got == 1) {
      // No commit runs or can start until this open lets go of its use lock.
      const bool using_ = trySlot(lockFd, kUsing, F_RDLCK) != 0;
      releaseSlot(lockFd, kCommitting);
      if (!using_) {
        errno = EBUSY;
        return false;
      }
      break;
    }
    if (Clock::now() >= deadline) {
      errno = EBUSY;
      return false;
    }
    std::this_thread::sleep_for(pause);
  }
  if (recover(path) != 0) {
    const int err = errno;
    releaseSlot(lockFd, kUsing);
    errno = err;
    return false;
  }
  return true;
}
