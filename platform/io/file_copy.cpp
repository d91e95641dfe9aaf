// Copying a file's bytes between two open descriptors, by the kernel where it
// can and through memory where it refuses; see file_copy.h.
#include "platform/io/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/io/fault_injection.h"

namespace {

// copyFileBytes: the most the kernel is asked to copy at once, and the block
// that passes through memory where the kernel refuses.
constexpr int64_t kKernelCopyChunk = int64_t{1} << 30;
constexpr std::size_t kMemoryCopyBlock = 64 * 1024;

// Writes all of [data, data + n) at `offset`, retrying short writes; asks the
// failure hook first (unless told not to). False on failure.
bool writeAllAt(int fd, const char* data, std::size_t n, off_t offset, bool askHook = true) {
  if (askHook && FaultInjection::shouldFail(FaultInjection::Write)) {
    errno = EIO;
    return false;
  }
  // Each pass writes at least a byte or fails.
  while (n > 0) {
    const ssize_t w = ::pwrite(fd, data, n, offset);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    data += w;
    n -= static_cast<std::size_t>(w);
    offset += w;
  }
  return true;
}

// True for the refusals after which the bytes can still pass through memory.
bool kernelCopyRefused(int error) {
  return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP;
}

// The kernel's copy between descriptors. WebAssembly has none: there it refuses
// as a kernel without the call does, and the bytes pass through memory.
ssize_t kernelCopy(int fromFd, loff_t* in, int toFd, loff_t* out, std::size_t n) {
#ifdef __EMSCRIPTEN__
  (void)fromFd, (void)in, (void)toFd, (void)out, (void)n;
  errno = ENOSYS;
  return -1;
#else
  return ::copy_file_range(fromFd, in, toFd, out, n, 0);
#endif
}

}  // namespace

bool copyFileSpan(int fromFd, int toFd, int64_t& done, int64_t end, bool& byKernel,
                  std::vector<char>& block, bool& sourceFailed, bool askHook) {
  // Each pass copies at least a byte, or switches to memory (once), or ends.
  while (done < end) {
    const int64_t want = std::min(end - done, kKernelCopyChunk);
    if (byKernel) {
      if (askHook && FaultInjection::shouldFail(FaultInjection::Write)) {
        errno = EIO;
        return false;
      }
      ssize_t n;
      do {
        loff_t in = done;
        loff_t out = done;
        n = kernelCopy(fromFd, &in, toFd, &out, static_cast<std::size_t>(want));
      } while (n < 0 && errno == EINTR);
      if (n > 0) {
        done += n;
        continue;
      }
      if (n == 0) return true;  // the source ended sooner (it was cut meanwhile)
      if (!kernelCopyRefused(errno)) return false;
      byKernel = false;
      block.resize(kMemoryCopyBlock);
    }
    const std::size_t chunk = static_cast<std::size_t>(std::min<int64_t>(want, kMemoryCopyBlock));
    ssize_t r;
    do {
      r = ::pread(fromFd, block.data(), chunk, static_cast<off_t>(done));
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
      sourceFailed = true;
      return false;
    }
    if (r == 0) return true;
    if (!writeAllAt(toFd, block.data(), static_cast<std::size_t>(r), static_cast<off_t>(done),
                    askHook)) {
      return false;
    }
    done += r;
  }
  return true;
}


bool copyFileBytes(int fromFd, int toFd, int64_t* copied, bool* readFailed,
                   int64_t writeBackStep) {
  int64_t done = 0;
  int64_t sentToDisk = 0;  // bytes below this are already on their way to the disk
  bool sourceFailed = false;
  auto finish = [&](bool ok) {
    if (copied != nullptr) *copied = done;
    if (readFailed != nullptr) *readFailed = sourceFailed;
    return ok;
  };
  struct stat info;
  if (fromFd < 0 || ::fstat(fromFd, &info) != 0 || !S_ISREG(info.st_mode)) {
    sourceFailed = true;
    return finish(false);
  }
  if (toFd < 0) return finish(false);
  const int64_t length = static_cast<int64_t>(info.st_size);
  // Reserving the destination's blocks first spares the file system reserving
  // them page by page as the copy lands (a quarter of a kernel copy's time on a
  // large file). The length is kept; where it cannot be done, the copy goes on
  // without it and meets any shortage of space itself (as always in
  // WebAssembly, which cannot reserve).
#ifndef __EMSCRIPTEN__
  if (length > 0) ::fallocate(toFd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(length));
#endif
  bool byKernel = true;
  std::vector<char> block;  // only when the bytes pass through memory
  // Bounded by the source's length when the copy began: each step ends at its
  // end, or the copy ends.
  while (done < length) {
    if (writeBackStep > 0 && done - sentToDisk >= writeBackStep) {
      // Start the disk writing what is copied so far while the copy goes on; a
      // refusal only means the later sync does all of the writing (as it does
      // always in WebAssembly, which lacks the call).
#ifndef __EMSCRIPTEN__
      ::sync_file_range(toFd, sentToDisk, done - sentToDisk, SYNC_FILE_RANGE_WRITE);
#endif
      sentToDisk = done;
    }
    const int64_t end = writeBackStep > 0 ? std::min(length, done + writeBackStep) : length;
    if (!copyFileSpan(fromFd, toFd, done, end, byKernel, block, sourceFailed)) return finish(false);
    if (done < end) break;  // the source ended sooner
  }
  return finish(true);
}
