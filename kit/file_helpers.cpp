// The kit's file helpers: stream and file copies, newer-only and wildcard copies,
// backup names, default-path completion, search-and-replace in a file, sounds.
#include "kit/file_helpers.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <istream>
#include <memory>
#include <ostream>
#include <sys/stat.h>
#include <vector>

#include "platform/system/desktop.h"
#include "platform/io/fault_injection.h"
#include "platform/io/pending_copy.h"
#include "platform/io/share_open.h"
#include "platform/system/system.h"

namespace {

constexpr std::streamsize kCopyBlock = 128;  // copy(): block size

// A descriptor from _sopen, closed when the holder goes.
class ShareOpenFile {
 public:
  ShareOpenFile(const char* path, int flags, int share, int permission = _S_IREAD | _S_IWRITE)
      : fd_(_sopen(path, flags, share, permission)) {}
  ~ShareOpenFile() {
    if (fd_ >= 0) _close(fd_);
  }
  ShareOpenFile(const ShareOpenFile&) = delete;
  ShareOpenFile& operator=(const ShareOpenFile&) = delete;
  int fd() const { return fd_; }
  bool isOpen() const { return fd_ >= 0; }

 private:
  int fd_;
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool isSeparator(char c) { return c == '/' || c == '\\'; }

bool exists(const char* path) {
  struct stat info;
  return ::stat(path, &info) == 0;
}

// Copies `text` into a path buffer of kPathBufferSize bytes, cutting it to fit.
void toPathBuffer(char* out, const std::string& text) {
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(kPathBufferSize - 1));
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

// A path text read from a path buffer: at most kPathBufferSize - 1 characters.
std::string fromPathBuffer(const char* path) {
  if (path == nullptr) return std::string();
  const void* nul = std::memchr(path, '\0', kPathBufferSize);
  const std::size_t n = nul != nullptr ? static_cast<const char*>(nul) - path
                                       : static_cast<std::size_t>(kPathBufferSize - 1);
  return std::string(path, n);
}


bool sameLetter(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) ==
         std::tolower(static_cast<unsigned char>(b));
}

}  // namespace

PathParts splitPath(const char* path) {
  PathParts parts;
  if (path == nullptr) return parts;
  std::string rest(path);
  if (rest.size() >= 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0]))) {
    parts.drive = rest.substr(0, 2);
    rest.erase(0, 2);
  }
  const std::size_t lastSeparator = rest.find_last_of("/\\");
  if (lastSeparator != std::string::npos) {
    parts.directory = rest.substr(0, lastSeparator + 1);
    rest.erase(0, lastSeparator + 1);
  }
  const std::size_t dot = rest.rfind('.');
  if (dot != std::string::npos) {
    parts.extension = rest.substr(dot);
    rest.erase(dot);
  }
  parts.name = rest;
  return parts;
}

std::string mergePath(const PathParts& parts) {
  std::string path = parts.drive;
  path += parts.directory;
  if (!parts.directory.empty() && !isSeparator(parts.directory.back())) path += '/';
  path += parts.name;
  if (!parts.extension.empty()) {
    if (parts.extension[0] != '.') path += '.';
    path += parts.extension;
  }
  return path;
}

LONG copy(std::ostream* out, std::istream* in) {
  if (out == nullptr || in == nullptr) return 0;
  in->clear();
  in->seekg(0);
  int64_t total = 0;
  char block[kCopyBlock];
  // Ends when a read yields nothing: at the end of the stream or on its failure.
  for (;;) {
    in->read(block, kCopyBlock);
    const std::streamsize got = in->gcount();
    if (got <= 0) break;
    out->write(block, got);
    total += got;
  }
  out->flush();
  in->clear();
  in->seekg(0);
  in->clear();
  return total > INT32_MAX ? INT32_MAX : static_cast<LONG>(total);
}

std::shared_ptr<PendingCopy> startFileCopy(const char* dest, const char* src) {
  if (dest == nullptr || src == nullptr || ::access(src, R_OK) != 0) return nullptr;
  const int from = _sopen(src, _O_RDONLY | _O_BINARY, _SH_DENYNO);
  if (from < 0) return nullptr;
  // The destination is the caller's own new file: no share rules, so that the
  // caller's own opens of it are not refused while the copy lands.
  const int to = ::open(dest, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  struct stat info;
  if (to < 0 || ::fstat(from, &info) != 0 || !S_ISREG(info.st_mode)) {
    _close(from);
    if (to >= 0) ::close(to);
    return nullptr;
  }
  const int64_t length = static_cast<int64_t>(info.st_size);
  // The final length is set and its blocks reserved before the copy starts: a
  // stream opened on the destination meanwhile knows the file's length, and a
  // shortage of space is met here rather than half way. A file system that
  // cannot reserve (WebAssembly never can) leaves the blocks to the copy.
  bool ready = ::ftruncate(to, static_cast<off_t>(length)) == 0;
#ifndef __EMSCRIPTEN__
  if (ready && length > 0 && ::fallocate(to, 0, 0, static_cast<off_t>(length)) != 0) {
    ready = errno == EOPNOTSUPP || errno == ENOSYS;
  }
#endif
  if (!ready) {
    _close(from);
    ::close(to);
    return nullptr;
  }
  // Steps of this size, so that a cancelled copy stops soon.
  constexpr int64_t kStep = int64_t{4} << 20;
  // The failure hook counts on the caller's thread only: armed now, the copy is
  // made here and asks it (see PendingCopy::start); otherwise the copy runs on
  // its own thread and leaves the hook to what the caller does meanwhile.
  const bool askHook = FaultInjection::armed();
  return PendingCopy::start(from, to, [from, to, length, askHook](const std::atomic<bool>& stop) {
    int64_t done = 0;
    bool byKernel = true;
    bool sourceFailed = false;
    std::vector<char> block;
    while (done < length) {
      if (stop.load()) return false;
      const int64_t end = std::min(length, done + kStep);
      if (!copyFileSpan(from, to, done, end, byKernel, block, sourceFailed, askHook) || done < end) {
        return false;
      }
    }
    // As copyFile leaves it: the source's modification time.
    std::time_t modified = 0;
    return getFileTime(from, &modified) && setFileTime(to, modified);
  });
}

int copyFile(const char* dest, const char* src) {
  if (dest == nullptr || src == nullptr || ::access(src, R_OK) != 0) return -2;
  ShareOpenFile source(src, _O_RDONLY | _O_BINARY, _SH_DENYNO);
  if (!source.isOpen()) return -2;  // never create the destination for nothing
  // Not truncated on opening: another open that refuses writers must fail this
  // one before a byte changes, and copying a file onto itself must keep it.
  ShareOpenFile target(dest, _O_WRONLY | _O_CREAT | _O_BINARY, _SH_DENYWR,
                       _S_IREAD | _S_IWRITE);
  if (!target.isOpen()) return -3;

  int64_t copied = 0;
  bool readFailed = false;
  const bool ok = copyFileBytes(source.fd(), target.fd(), &copied, &readFailed);
  // A source that yielded fewer bytes than it holds was not read completely.
  struct stat info;
  const bool readWhole = ::fstat(source.fd(), &info) == 0 && S_ISREG(info.st_mode) &&
                         copied >= static_cast<int64_t>(info.st_size);
  int result = 0;
  if (!ok && !readFailed) {
    result = -3;
  } else if (!ok || !readWhole) {
    result = -4;
  } else if (::ftruncate(target.fd(), static_cast<off_t>(copied)) != 0) {
    // A destination that could not be cut to length is no copy.
    result = -3;
  }
  if (result != 0) return result;

  std::time_t modified = 0;
  if (!getFileTime(source.fd(), &modified)) return -6;
  if (!setFileTime(target.fd(), modified)) return -5;
  return 0;
}

int copyNewFile(const char* dest, const char* src) {
  if (dest == nullptr || src == nullptr) return -2;
  if (!exists(dest)) return copyFile(dest, src);
  std::time_t srcTime = 0;
  if (!getFileTime(src, &srcTime)) return -1;
  std::time_t destTime = 0;
  if (getFileTime(dest, &destTime) && std::difftime(srcTime, destTime) <= 0.0) return 1;
  return copyFile(dest, src);
}

int copyNewFileWild(const char* dest, const char* srcPattern) {
  if (dest == nullptr || srcPattern == nullptr) return 0;
  if (std::strlen(dest) > static_cast<std::size_t>(kPathBufferSize)) return 0;
  if (!hasWildcards(srcPattern)) return copyNewFile(dest, srcPattern) == 0 ? 1 : 0;

  const PathParts pattern = splitPath(srcPattern);
  const PathParts target = splitPath(dest);
  int copied = 0;
  // Bounded by the folder's listing.
  for (const std::string& found : findFiles(srcPattern)) {
    const PathParts foundParts = splitPath(found.c_str());
    PathParts from = pattern;
    from.name = foundParts.name;
    from.extension = foundParts.extension;
    PathParts to = target;
    to.name = foundParts.name;
    to.extension = foundParts.extension;
    if (copyNewFile(mergePath(to).c_str(), mergePath(from).c_str()) == 0) ++copied;
  }
  return copied;
}

void makeBackupName(char* out, const char* name, char mark) {
  if (out == nullptr) return;
  PathParts parts = splitPath(name);
  if (parts.extension.empty()) parts.extension = ".";
  parts.extension.insert(1, 1, mark);
  toPathBuffer(out, mergePath(parts));
}

void mergeWithDefaultPath(char* path, const char* defaultPath) {
  if (path == nullptr) return;
  PathParts parts = splitPath(fromPathBuffer(path).c_str());
  const PathParts fallback = splitPath(defaultPath);
  if (parts.drive.empty()) parts.drive = fallback.drive;
  if (parts.directory.empty()) parts.directory = fallback.directory;
  if (parts.name.empty()) parts.name = fallback.name;
  if (parts.extension.empty()) parts.extension = fallback.extension;
  toPathBuffer(path, mergePath(parts));
}

namespace {

// Copies `in` to `out`, replacing every case-blind occurrence of `find` by
// `replace`, leftmost first and never overlapping. The pending window holds at
// most find.size() bytes: the longest tail that may still start a match.
// Returns 0, -3 (writing failed) or -4 (reading failed).
int substitute(std::FILE* in, std::FILE* out, const std::string& find,
               const std::string& replace) {
  std::string pending;
  pending.reserve(find.size());
  auto isPrefix = [&find](const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i)
      if (!sameLetter(text[i], find[i])) return false;
    return true;
  };
  int c;
  // Ends at the end of the input (or its failure, reported below).
  while ((c = std::getc(in)) != EOF) {
    pending.push_back(static_cast<char>(c));
    while (!pending.empty()) {
      if (isPrefix(pending)) {
        if (pending.size() == find.size()) {
          std::fwrite(replace.data(), 1, replace.size(), out);
          pending.clear();
        }
        break;
      }
      // No match can start at the first pending byte: it goes out unchanged.
      std::fputc(pending[0], out);
      pending.erase(0, 1);
    }
  }
  std::fwrite(pending.data(), 1, pending.size(), out);
  if (std::ferror(in)) return -4;
  if (std::fflush(out) != 0 || std::ferror(out)) return -3;
  return 0;
}

}  // namespace

int subInFile(const char* file, const char* find, const char* replace) {
  if (file == nullptr || ::access(file, R_OK) != 0) return -2;

  // The backup name changes the character after the first '.' of the file name
  // (not of the folders, so "./notes.txt" stays beside the file).
  const std::string path(file);
  const std::size_t nameStart = path.find_last_of("/\\") == std::string::npos
                                    ? 0
                                    : path.find_last_of("/\\") + 1;
  const std::size_t dot = path.find('.', nameStart);
  if (dot == std::string::npos) return -5;
  std::string backup = path;
  if (dot + 1 < backup.size())
    backup[dot + 1] = '~';
  else
    backup += '~';

  // Checked before the file is touched: an empty search must not leave the
  // caller's file renamed away.
  if (find == nullptr || find[0] == '\0') return -7;
  const std::string search(find);
  const std::string replacement(replace != nullptr ? replace : "");

  std::remove(backup.c_str());
  if (std::rename(path.c_str(), backup.c_str()) != 0) return -6;

  int result = 0;
  {
    FilePtr in(std::fopen(backup.c_str(), "rb"));
    FilePtr out(std::fopen(path.c_str(), "wb"));
    if (in == nullptr) {
      result = -4;
    } else if (out == nullptr) {
      result = -3;
    } else {
      result = substitute(in.get(), out.get(), search, replacement);
      if (std::fclose(out.release()) != 0 && result == 0) result = -3;
    }
  }
  if (result != 0) {
    // Nothing half-written stays: the original comes back from its backup.
    std::remove(path.c_str());
    std::rename(backup.c_str(), path.c_str());
  }
  return result;
}

void playSound(const char* file) {
  if (file == nullptr) return;
  currentDesktop().playSound(file, SND_ASYNC | SND_NODEFAULT);
}
