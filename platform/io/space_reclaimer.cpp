// Removes names at once and closes the last descriptor on a thread of its own,
// so that freeing a large file's pages and extents does not hold up the caller.
#include "platform/io/space_reclaimer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

int SpaceReclaimer::hold(const char* path) {
  if (path == nullptr) return -1;
  int fd;
  do {
    fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

void SpaceReclaimer::release(int fd) {
  if (fd < 0) return;
  try {
    std::thread([fd] { ::close(fd); }).detach();
  } catch (const std::system_error&) {
    ::close(fd);  // no thread to be had: free it here
  }
}

int SpaceReclaimer::removeFile(const char* path) {
  const int fd = hold(path);
  if (::unlink(path) != 0) {
    const int why = errno;
    if (fd >= 0) ::close(fd);
    errno = why;
    return -1;
  }
  release(fd);
  return 0;
}
