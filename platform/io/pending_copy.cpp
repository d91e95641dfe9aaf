// Copies that land in a file while it is already in use; see pending_copy.h.
#include "platform/io/pending_copy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/io/fault_injection.h"

namespace {

// Every copy alive, by its destination. Few at a time (one per book opening for
// writing), so a list serves; `live` spares the lock when there are none.
struct Registry {
  std::mutex mutex;
  std::vector<std::weak_ptr<PendingCopy>> copies;
  std::atomic<int> live{0};
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: copies may outlive statics
  return *r;
}

}  // namespace

PendingCopy::PendingCopy(int sourceFd, int destFd, unsigned long long device,
                         unsigned long long inode)
    : sourceFd_(sourceFd), destFd_(destFd), device_(device), inode_(inode) {}

std::shared_ptr<PendingCopy> PendingCopy::start(int sourceFd, int destFd, Work work) {
  struct stat st;
  if (sourceFd < 0 || destFd < 0 || fstat(destFd, &st) != 0) {
    if (sourceFd >= 0) close(sourceFd);
    if (destFd >= 0) close(destFd);
    return nullptr;
  }
  std::shared_ptr<PendingCopy> copy(new PendingCopy(sourceFd, destFd,
                                                    static_cast<unsigned long long>(st.st_dev),
                                                    static_cast<unsigned long long>(st.st_ino)));
  Registry& r = registry();
  {
    std::lock_guard<std::mutex> hold(r.mutex);
    r.copies.push_back(copy);
    r.live.fetch_add(1);
  }
  PendingCopy* self = copy.get();
  if (FaultInjection::armed()) {
    self->finish(work(self->stop_));
  } else {
    try {
      self->thread_ = std::thread([self, work]() { self->finish(work(self->stop_)); });
    } catch (...) {
      self->finish(work(self->stop_));  // no thread to be had: copy here
    }
  }
  return copy;
}

std::shared_ptr<PendingCopy> PendingCopy::find(unsigned long long device,
                                               unsigned long long inode) {
  Registry& r = registry();
  if (r.live.load() == 0) return nullptr;
  std::lock_guard<std::mutex> hold(r.mutex);
  for (const std::weak_ptr<PendingCopy>& entry : r.copies) {
    std::shared_ptr<PendingCopy> copy = entry.lock();
    if (copy && copy->device_ == device && copy->inode_ == inode &&
        copy->state_.load(std::memory_order_acquire) != Whole) {
      return copy;
    }
  }
  return nullptr;
}

void PendingCopy::finish(bool whole) {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    state_.store(whole && !stop_.load() ? Whole : Failed, std::memory_order_release);
  }
  finishedSignal_.notify_all();
}

bool PendingCopy::wait() {
  std::unique_lock<std::mutex> hold(mutex_);
  finishedSignal_.wait(hold, [this] { return state_.load() != Running; });
  return state_.load() == Whole;
}

void PendingCopy::cancel() {
  stop_.store(true);
  wait();
}

PendingCopy::~PendingCopy() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
  Registry& r = registry();
  {
    std::lock_guard<std::mutex> hold(r.mutex);
    // Entries of copies gone (this one among them) leave the list.
    r.copies.erase(std::remove_if(r.copies.begin(), r.copies.end(),
                                  [](const std::weak_ptr<PendingCopy>& e) { return e.expired(); }),
                   r.copies.end());
    r.live.fetch_sub(1);
  }
  close(sourceFd_);
  close(destFd_);
}
