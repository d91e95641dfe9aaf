// Copying a regular file's bytes from one open descriptor to another: the
// kernel copies when it can (no bytes pass through the process), and where it
// refuses (the two files lie on different file systems, the call is unknown or
// unsupported there, or both are one file) the bytes pass through memory. Every
// write asks the failure hook (platform/io/fault_injection.h) first, so that tests
// can make any one of them fail as a full disk would.
#ifndef PLATFORM_FILE_COPY_H
#define PLATFORM_FILE_COPY_H

#include <cstdint>
#include <vector>

// Copies the bytes of the regular file open on `fromFd`, from its start up to the
// length it has when the copy begins, onto the file open on `toFd` from its start.
// Positioned calls: neither descriptor's offset is used or moved. The destination
// is not cut; bytes of it past the copy's end stay. True when the copy reached
// the source's end; `copied` receives the bytes copied, and `readFailed` whether
// it was the source that failed (a source that is not a regular file counts as
// that). A failure inside the kernel's copy counts as the destination's.
// With a `writeBackStep` (bytes, above 0), the copy goes in steps of that size and
// the system is asked to start writing each finished step to the disk while the
// next is copied, so that a sync of the destination that follows has little left
// to wait for. It changes no byte of the result.
bool copyFileBytes(int fromFd, int toFd, int64_t* copied = nullptr, bool* readFailed = nullptr,
                   int64_t writeBackStep = 0);

// One step of a copy: the bytes [done, end) of `fromFd` onto the same offsets of
// `toFd`, advancing `done`: by the kernel while `byKernel` (cleared, for good,
// when the kernel refuses), else through `block`. True when it reached `end` or
// the source ended sooner (then done < end); false on a failure, with
// `sourceFailed` set when it was the source's. Each write asks the failure hook
// first when `askHook`.
bool copyFileSpan(int fromFd, int toFd, int64_t& done, int64_t end, bool& byKernel,
                  std::vector<char>& block, bool& sourceFailed, bool askHook = true);

#endif  // PLATFORM_FILE_COPY_H
