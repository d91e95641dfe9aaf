// Fresh names beside a file, and flushing files and folders to disk (see
// durable_file.h).
#include "tools/blkpack/durable_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

std::string freshNameBeside(const std::string& path, const char* tag) {
  std::string pattern = path + "." + tag + "-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const int fd = ::mkstemp(buf.data());
  if (fd < 0) return std::string();
  ::close(fd);
  // The store makes its file exclusively: leave only the name.
  ::unlink(buf.data());
  return std::string(buf.data());
}

bool syncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

bool syncFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}
