// The ranges written to a watched file; see written_ranges.h.
#include "platform/io/written_ranges.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>

namespace {

// The grain a record coarsens to first: a page of the store's streams.
constexpr uint64_t kFirstCoarseGrain = 4096;

// Every record alive, by its file. Few at a time (one per book open for
// writing), so a list serves; `live` spares the lock when there are none.
struct Registry {
  std::mutex mutex;
  std::vector<std::weak_ptr<WrittenRanges>> records;
  std::atomic<int> live{0};
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: records may outlive statics
  return *r;
}

}  // namespace

WrittenRanges::WrittenRanges(unsigned long long device, unsigned long long inode, uint64_t length)
    : device_(device), inode_(inode), baseLength_(length), lowestLength_(length) {}

std::shared_ptr<WrittenRanges> WrittenRanges::watch(const char* path) {
  struct stat st;
  if (path == nullptr || ::stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  std::shared_ptr<WrittenRanges> record(new WrittenRanges(
      static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
      static_cast<uint64_t>(st.st_size)));
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.mutex);
  r.records.push_back(record);
  r.live.fetch_add(1);
  return record;
}

std::shared_ptr<WrittenRanges> WrittenRanges::find(unsigned long long device,
                                                   unsigned long long inode) {
  Registry& r = registry();
  if (r.live.load() == 0) return nullptr;
  std::lock_guard<std::mutex> hold(r.mutex);
  for (const std::weak_ptr<WrittenRanges>& entry : r.records) {
    std::shared_ptr<WrittenRanges> record = entry.lock();
    if (record && record->device_ == device && record->inode_ == inode) return record;
  }
  return nullptr;
}

bool WrittenRanges::anyWatched() { return registry().live.load() != 0; }

WrittenRanges::~WrittenRanges() {
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.mutex);
  // Entries of records gone (this one among them) leave the list.
  r.records.erase(std::remove_if(r.records.begin(), r.records.end(),
                                 [](const std::weak_ptr<WrittenRanges>& e) { return e.expired(); }),
                  r.records.end());
  r.live.fetch_sub(1);
}

void WrittenRanges::wrote(uint64_t offset, uint64_t length) {
  if (length == 0) return;
  std::lock_guard<std::mutex> hold(mutex_);
  add(offset, offset + length);
  if (spans_.size() > kMaxSpans) coarsen();
}

void WrittenRanges::cut(uint64_t length) {
  std::lock_guard<std::mutex> hold(mutex_);
  lowestLength_ = std::min(lowestLength_, length);
}

uint64_t WrittenRanges::baseLength() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return baseLength_;
}

uint64_t WrittenRanges::lowestLength() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return lowestLength_;
}

std::vector<WrittenRanges::Span> WrittenRanges::spans() const {
  std::lock_guard<std::mutex> hold(mutex_);
  std::vector<Span> out;
  out.reserve(spans_.size());
  for (const auto& s : spans_) out.push_back(Span{s.first, s.second - s.first});
  return out;
}

void WrittenRanges::restart(uint64_t length) {
  std::lock_guard<std::mutex> hold(mutex_);
  spans_.clear();
  grain_ = 1;
  baseLength_ = length;
  lowestLength_ = length;
}

void WrittenRanges::add(uint64_t from, uint64_t to) {
  from -= from % grain_;
  if (to % grain_ != 0) to += grain_ - to % grain_;
  // A span that starts at or before `from` and reaches it joins the new one.
  auto it = spans_.upper_bound(from);
  if (it != spans_.begin()) {
    auto before = std::prev(it);
    if (before->second >= from) {
      from = before->first;
      to = std::max(to, before->second);
      it = spans_.erase(before);
    }
  }
  // So does every span that starts inside it or right at its end; each pass
  // removes one.
  while (it != spans_.end() && it->first <= to) {
    to = std::max(to, it->second);
    it = spans_.erase(it);
  }
  spans_.emplace_hint(it, from, to);
}

void WrittenRanges::coarsen() {
  // Each pass at least halves the number of grains a span can start on; once
  // the grain passes the last span's end a single span is left.
  while (spans_.size() > kMaxSpans / 2) {
    grain_ = std::max(grain_ * 2, kFirstCoarseGrain);
    std::map<uint64_t, uint64_t> old;
    old.swap(spans_);
    for (const auto& s : old) add(s.first, s.second);
  }
}
