// Claims on temporary working files, and the removal of those whose owner has
// gone (see work_file_claim.h).
#include "platform/io/work_file_claim.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <memory>

#include "platform/io/lock_slots.h"

using namespace lock_slots;

namespace {

struct flock slotLock(off_t start, off_t len, short type) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = kLockBase + start;
  fl.l_len = len;
  fl.l_pid = 0;
  return fl;
}

// True when some open file holds a lock on any reserved slot of the file open
// on `fd`, or when that cannot be told (a file system without such locks).
bool inUse(int fd) {
  struct flock fl = slotLock(0, kSlots, F_WRLCK);
  if (fcntl(fd, F_OFD_GETLK, &fl) != 0) return true;
  return fl.l_type != F_UNLCK;
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

}  // namespace

WorkFileClaim::WorkFileClaim(const char* path) {
  fd_ = open(path, O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return;
  struct flock fl = slotLock(kClaimed, 1, F_RDLCK);
  if (fcntl(fd_, F_OFD_SETLK, &fl) != 0) {
    close(fd_);
    fd_ = -1;
  }
}

WorkFileClaim::~WorkFileClaim() {
  if (fd_ >= 0) close(fd_);
}

bool WorkFileClaim::isTempName(const std::string& name, const char* prefix) {
  const std::string pre = std::string(prefix != nullptr ? prefix : "").substr(0, 3);
  const std::string suffix = ".tmp";
  if (name.size() < pre.size() + 1 + suffix.size() || name.compare(0, pre.size(), pre) != 0 ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return false;
  }
  const std::size_t digits = name.size() - pre.size() - suffix.size();
  if (digits > 4) return false;
  for (std::size_t i = 0; i < digits; ++i) {
    if (!isHexDigit(name[pre.size() + i])) return false;
  }
  return true;
}

int WorkFileClaim::removeAbandoned(const std::string& folder, const char* prefix) {
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.empty() ? "." : folder.c_str()));
  if (!dir) return 0;
  const std::string base = folder.empty() ? std::string("./")
                                          : (folder.back() == '/' ? folder : folder + "/");
  const time_t now = std::time(nullptr);
  int removed = 0;
  // Bounded by the folder's entries.
  for (struct dirent* e = readdir(dir.get()); e != nullptr; e = readdir(dir.get())) {
    const std::string name = e->d_name;
    if (!isTempName(name, prefix)) continue;
    const std::string path = base + name;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat st;
    const bool candidate = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == getuid() &&
                           now - st.st_mtime >= MinAbandonedSeconds && !inUse(fd);
    // Still the file that was looked at (not one made since under its name).
    struct stat named;
    if (candidate && lstat(path.c_str(), &named) == 0 && named.st_ino == st.st_ino &&
        named.st_dev == st.st_dev && unlink(path.c_str()) == 0) {
      ++removed;
    }
    close(fd);
  }
  return removed;
}
