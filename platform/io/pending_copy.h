// A file whose bytes are still being copied into it from another file, on a
// thread of its own, while the caller already works with it.
//
// A book opened for writing is worked on in a copy of its file. Copying tens of
// megabytes takes milliseconds that the reader of the book would otherwise wait
// for at every open. The copy instead starts when the book opens and goes on
// beside the caller; until it is whole, the copy's bytes are read where they
// come from (the source holds exactly the bytes the copy will hold), and the
// first write to the copy waits for it to be whole.
//
// Who keeps to this: a descriptor stream in page-cache mode (platform/io/fd_stream.h)
// opened on the destination finds the copy by the destination's device and file
// number (find), reads through readFd() and waits() before it writes. Anyone else
// who reads the destination by its name waits() first.
//
// States: running -> whole (every byte landed) or failed (the work failed, or
// was cancelled). Once finished it never changes. While the failure hook
// (platform/io/fault_injection.h) is armed, the copy is made on the caller's thread
// before start() returns, so that the hook counts every operation in order on
// one thread.
//
// Invariants:
//   1. The source descriptor is used for reading only, and stays open for as long
//      as the object lives, so readFd() never names a closed descriptor.
//   2. readFd() names the destination only once the copy is whole.
//   3. The thread has ended before the descriptors are closed (the destructor
//      cancels, then joins).
#ifndef PLATFORM_PENDING_COPY_H
#define PLATFORM_PENDING_COPY_H

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class PendingCopy {
 public:
  // The copy itself: true when every byte landed. It should look at `stop` now
  // and then and give up (false) once it is set.
  using Work = std::function<bool(const std::atomic<bool>& stop)>;

  // Takes both descriptors (closed when the object goes) and runs `work`. Null
  // when the destination cannot be examined (both descriptors are then closed).
  static std::shared_ptr<PendingCopy> start(int sourceFd, int destFd, Work work);

  // The copy landing in the file with this device and file number that is not
  // whole (running, or failed: its destination is then not to be trusted);
  // null when there is none.
  static std::shared_ptr<PendingCopy> find(unsigned long long device, unsigned long long inode);

  ~PendingCopy();
  PendingCopy(const PendingCopy&) = delete;
  PendingCopy& operator=(const PendingCopy&) = delete;

  // Where the destination's bytes are to be read: `destFd` (the reader's own
  // descriptor on the destination) once the copy is whole, the source before.
  int readFd(int destFd) const {
    return state_.load(std::memory_order_acquire) == Whole ? destFd : sourceFd_;
  }

  // Waits for the copy to finish; true when it is whole.
  bool wait();
  // Asks the copy to stop and waits for it; a copy that had not finished ends
  // failed.
  void cancel();
  bool finished() const { return state_.load(std::memory_order_acquire) != Running; }

 private:
  enum State { Running, Whole, Failed };
  PendingCopy(int sourceFd, int destFd, unsigned long long device, unsigned long long inode);
  void finish(bool whole);

  const int sourceFd_;
  const int destFd_;
  const unsigned long long device_;
  const unsigned long long inode_;
  std::atomic<int> state_{Running};
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable finishedSignal_;
  std::thread thread_;
};

#endif  // PLATFORM_PENDING_COPY_H
