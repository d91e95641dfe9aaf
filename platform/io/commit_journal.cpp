// Replacing a file's content in place behind a journal of the ranges that
// change; see commit_journal.h for the journal's layout and the locks a commit
// holds.
#include "platform/io/commit_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/io/fault_injection.h"
#include "platform/io/file_copy.h"
#include "platform/io/lock_slots.h"
#include "platform/io/space_reclaimer.h"
#include "platform/io/written_ranges.h"

using namespace lock_slots;

namespace {

std::atomic<int> g_waitMs{10000};

// This layout's trailer, and the earlier layout's (see commit_journal.h).
const char kSpanMagic[8] = {'#', 'C', 'J', 'R', 'S', '#', '\0', '\0'};
constexpr std::size_t kSpanTrailerSize = 48;
const char kWholeMagic[8] = {'#', 'C', 'J', 'R', 'N', '#', '\0', '\0'};
constexpr std::size_t kWholeTrailerSize = 32;
constexpr std::size_t kRecordHeaderSize = 16;

// Bytes moved through memory at once between the file and its journal.
constexpr std::size_t kChunk = std::size_t{1} << 20;

// After this many bytes written, the system is asked to start putting them on
// the disk while the next ones are copied, so that the sync that follows has
// little left to wait for.
constexpr uint64_t kWriteBackStep = uint64_t{4} << 20;

// Starts the disk writing [from, to) of the file open on `fd`. A refusal only
// means the later sync does all of the writing (as always in WebAssembly, which
// lacks the call). Changes no byte.
void startWriteBack(int fd, uint64_t from, uint64_t to) {
#ifndef __EMSCRIPTEN__
  if (to > from) {
    ::sync_file_range(fd, static_cast<off_t>(from), static_cast<off_t>(to - from),
                      SYNC_FILE_RANGE_WRITE);
  }
#else
  (void)fd, (void)from, (void)to;
#endif
}

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

// A byte range of the file: [offset, offset + length).
struct Range {
  uint64_t offset;
  uint64_t length;
  uint64_t end() const { return offset + length; }
};

// Sorts `ranges` and joins those that overlap or touch; empty ones go.
std::vector<Range> merged(std::vector<Range> ranges) {
  std::sort(ranges.begin(), ranges.end(),
            [](const Range& a, const Range& b) { return a.offset < b.offset; });
  std::vector<Range> out;
  for (const Range& r : ranges) {
    if (r.length == 0) continue;
    if (!out.empty() && r.offset <= out.back().end()) {
      out.back().length = std::max(out.back().end(), r.end()) - out.back().offset;
    } else {
      out.push_back(r);
    }
  }
  return out;
}

// The checksum of a journal's records: two running sums of its little-endian
// 64-bit words (the last one padded with zeros), the second summing the first,
// so that a missing, moved or torn block changes it. Fed in pieces of any size.
class Checksum {
 public:
  void add(const char* data, std::size_t n) {
    // A word begun by an earlier piece is finished first.
    if (held_ > 0) {
      const std::size_t take = std::min(n, sizeof tail_ - held_);
      std::memcpy(tail_ + held_, data, take);
      held_ += take;
      data += take;
      n -= take;
      if (held_ < sizeof tail_) return;
      addWord(getLE64(tail_));
      held_ = 0;
    }
    // Whole words; each pass takes one.
    while (n >= 8) {
      addWord(getLE64(reinterpret_cast<const unsigned char*>(data)));
      data += 8;
      n -= 8;
    }
    // Fewer than 8 bytes are left: they begin the next word.
    std::memcpy(tail_, data, n);
    held_ = n;
  }
  uint64_t value() const {
    uint64_t a = a_, b = b_;
    if (held_ > 0) {
      unsigned char last[8] = {0, 0, 0, 0, 0, 0, 0, 0};
      std::memcpy(last, tail_, held_);
      a += getLE64(last);
      b += a;
    }
    return a ^ ((b << 32) | (b >> 32));
  }

 private:
  void addWord(uint64_t w) {
    a_ += w;
    b_ += a_;
  }
  uint64_t a_ = 0, b_ = 0;
  unsigned char tail_[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  std::size_t held_ = 0;
};

// Writes all of [data, data + n) at `offset`, asking the failure hook first.
// False with errno on failure.
bool writeAt(int fd, const char* data, std::size_t n, uint64_t offset) {
  if (FaultInjection::shouldFail(FaultInjection::Write)) {
    errno = EIO;
    return false;
  }
  // Each pass writes at least a byte or fails.
  while (n > 0) {
    const ssize_t w = ::pwrite(fd, data, n, static_cast<off_t>(offset));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      if (w == 0) errno = EIO;
      return false;
    }
    data += w;
    n -= static_cast<std::size_t>(w);
    offset += static_cast<uint64_t>(w);
  }
  return true;
}

// Reads exactly n bytes at `offset`; false with errno (EIO when the file ends
// sooner).
bool readAt(int fd, char* data, std::size_t n, uint64_t offset) {
  // Each pass reads at least a byte or fails.
  while (n > 0) {
    const ssize_t r = ::pread(fd, data, n, static_cast<off_t>(offset));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      if (r == 0) errno = EIO;
      return false;
    }
    data += r;
    n -= static_cast<std::size_t>(r);
    offset += static_cast<uint64_t>(r);
  }
  return true;
}

// Appends to a journal through a buffer, summing what it writes.
class JournalWriter {
 public:
  explicit JournalWriter(int fd) : fd_(fd) { buffer_.reserve(kChunk); }
  bool putWord(uint64_t v) {
    unsigned char b[8];
    putLE64(b, v);
    return put(reinterpret_cast<const char*>(b), sizeof b);
  }
  bool put(const char* data, std::size_t n) {
    sum_.add(data, n);
    return putUnsummed(data, n);
  }
  // Bytes that are not part of the sum (the trailer).
  bool putUnsummed(const char* data, std::size_t n) {
    // Each pass fills the buffer or takes the rest.
    while (n > 0) {
      const std::size_t room = kChunk - buffer_.size();
      const std::size_t take = std::min(room, n);
      buffer_.insert(buffer_.end(), data, data + take);
      data += take;
      n -= take;
      if (buffer_.size() == kChunk && !flush()) return false;
    }
    return true;
  }
  bool flush() {
    if (buffer_.empty()) return true;
    if (!writeAt(fd_, buffer_.data(), buffer_.size(), written_)) return false;
    startWriteBack(fd_, written_, written_ + buffer_.size());
    written_ += buffer_.size();
    buffer_.clear();
    return true;
  }
  uint64_t sum() const { return sum_.value(); }

 private:
  int fd_;
  uint64_t written_ = 0;
  std::vector<char> buffer_;
  Checksum sum_;
};

// What a whole journal says, found by readJournal.
struct Journal {
  enum Layout { Spans, Whole } layout = Spans;
  uint64_t oldLength = 0;  // the file's length before the commit
  uint64_t records = 0;    // Spans: how many records precede the trailer
};

// Reads the journal open on `fd` and tells whether it is whole (invariant 1)
// for the file `file` describes. Bounded by the journal's length: each record
// walked takes at least its header's bytes of it.
bool readJournal(int fd, const struct stat& file, Journal* out) {
  struct stat js;
  if (::fstat(fd, &js) != 0 || !S_ISREG(js.st_mode)) return false;
  const uint64_t size = static_cast<uint64_t>(js.st_size);
  const uint64_t device = static_cast<uint64_t>(file.st_dev);
  const uint64_t inode = static_cast<uint64_t>(file.st_ino);
  unsigned char t[kSpanTrailerSize];
  if (size >= kSpanTrailerSize && readAt(fd, reinterpret_cast<char*>(t), kSpanTrailerSize,
                                         size - kSpanTrailerSize) &&
      std::memcmp(t, kSpanMagic, sizeof kSpanMagic) == 0) {
    const uint64_t at = size - kSpanTrailerSize;
    const uint64_t oldLength = getLE64(t + 8);
    const uint64_t records = getLE64(t + 16);
    if (getLE64(t + 32) != device || getLE64(t + 40) != inode) return false;
    if (records > at / kRecordHeaderSize) return false;
    Checksum sum;
    std::vector<char> block(kChunk);
    uint64_t pos = 0;
    uint64_t lastStart = 0;
    uint64_t lastEnd = 0;
    for (uint64_t i = 0; i < records; ++i) {
      unsigned char h[kRecordHeaderSize];
      if (at - pos < kRecordHeaderSize || !readAt(fd, reinterpret_cast<char*>(h), sizeof h, pos)) {
        return false;
      }
      sum.add(reinterpret_cast<const char*>(h), sizeof h);
      pos += kRecordHeaderSize;
      const uint64_t offset = getLE64(h);
      const uint64_t length = getLE64(h + 8);
      // In file order, inside the old length, inside the journal.
      if (offset < lastEnd || length > oldLength || offset > oldLength - length ||
          length > at - pos) {
        return false;
      }
      lastStart = offset;
      lastEnd = offset + length;
      // Bounded by the record's length: each pass sums a chunk.
      for (uint64_t done = 0; done < length;) {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(kChunk, length - done));
        if (!readAt(fd, block.data(), n, pos + done)) return false;
        sum.add(block.data(), n);
        done += n;
      }
      pos += length;
    }
    // While a commit runs the file is never shorter than its old length, but
    // once cut at the end, and the bytes cut off make the end of the last
    // record: a journal that would lengthen the file by more than it holds is
    // no journal of a commit.
    const uint64_t present = static_cast<uint64_t>(file.st_size);
    if (pos != at || sum.value() != getLE64(t + 24) || (oldLength > present && (lastEnd != oldLength || lastStart > present))) {
      return false;
    }
    out->layout = Journal::Spans;
    out->oldLength = oldLength;
    out->records = records;
    return true;
  }
  // The earlier layout: the whole old content, then its trailer.
  if (size < kWholeTrailerSize) return false;
  const uint64_t at = size - kWholeTrailerSize;
  if (!readAt(fd, reinterpret_cast<char*>(t), kWholeTrailerSize, at)) return false;
  if (std::memcmp(t, kWholeMagic, sizeof kWholeMagic) != 0 || getLE64(t + 8) != at ||
      getLE64(t + 16) != device || getLE64(t + 24) != inode) {
    return false;
  }
  out->layout = Journal::Whole;
  out->oldLength = at;
  return true;
}

// Puts the old bytes of the whole journal open on `jfd` back into the file open
// on `fd`, cuts it to its old length and syncs it. Bounded by the journal's
// records, which readJournal walked.
bool applyJournal(int jfd, int fd, const Journal& journal) {
  std::vector<char> block(kChunk);
  // Copies `length` journal bytes from `from` to the file's `to`, chunk by chunk.
  auto copyBack = [&](uint64_t from, uint64_t to, uint64_t length) {
    for (uint64_t done = 0; done < length;) {
      const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(kChunk, length - done));
      if (!readAt(jfd, block.data(), n, from + done) || !writeAt(fd, block.data(), n, to + done)) {
        return false;
      }
      done += n;
    }
    return true;
  };
  if (journal.layout == Journal::Whole) {
    if (!copyBack(0, 0, journal.oldLength)) return false;
  } else {
    uint64_t pos = 0;
    for (uint64_t i = 0; i < journal.records; ++i) {
      unsigned char h[kRecordHeaderSize];
      if (!readAt(jfd, reinterpret_cast<char*>(h), sizeof h, pos)) return false;
      const uint64_t length = getLE64(h + 8);
      if (!copyBack(pos + kRecordHeaderSize, getLE64(h), length)) return false;
      pos += kRecordHeaderSize + length;
    }
  }
  if (::ftruncate(fd, static_cast<off_t>(journal.oldLength)) != 0) return false;
  return FaultInjection::fsync(fd) == 0;
}

// The ranges of the file that the commit writes: the source's written spans
// (invariant 1 of platform/io/written_ranges.h) inside its length, or all of it
// when there is no record to trust.
std::vector<Range> changedRanges(const WrittenRanges* written, const struct stat& source,
                                 uint64_t oldLength, uint64_t newLength) {
  std::vector<Range> out;
  const bool trusted = written != nullptr &&
                       written->device() == static_cast<unsigned long long>(source.st_dev) &&
                       written->inode() == static_cast<unsigned long long>(source.st_ino) &&
                       written->baseLength() == oldLength;
  if (!trusted) {
    out.push_back(Range{0, newLength});
    return merged(out);
  }
  for (const WrittenRanges::Span& s : written->spans()) {
    if (s.offset >= newLength) break;
    out.push_back(Range{s.offset, std::min(s.offset + s.length, newLength) - s.offset});
  }
  const uint64_t lowest = written->lowestLength();
  if (lowest < newLength) out.push_back(Range{lowest, newLength - lowest});
  return merged(out);
}

// The ranges whose old bytes the journal keeps (invariant 2): what is written
// below the old length, and what a shorter new length cuts off.
std::vector<Range> savedRanges(const std::vector<Range>& changed, uint64_t oldLength,
                               uint64_t newLength) {
  std::vector<Range> out;
  for (const Range& r : changed) {
    if (r.offset >= oldLength) break;
    out.push_back(Range{r.offset, std::min(r.end(), oldLength) - r.offset});
  }
  if (newLength < oldLength) out.push_back(Range{newLength, oldLength - newLength});
  return merged(out);
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
  Journal found;
  if (!readJournal(j.get(), file, &found)) {
    // Cut short before the file was touched, or left by another file of this
    // name: the file is as it was.
    j.close();
    ::unlink(journal.c_str());
    syncFolderOf(journal);
    return 0;
  }
  Fd b(::open(path, O_WRONLY | O_CLOEXEC));
  if (b.get() < 0) return -1;
  if (!applyJournal(j.get(), b.get(), found) || !b.close()) return -1;
  j.close();
  if (FaultInjection::unlink(journal.c_str()) != 0) return -1;
  syncFolderOf(journal);
  return 0;
}

int CommitJournal::replaceContent(int heldFd, const char* path, const char* sourcePath,
                                  std::string* why, WrittenRanges* written) {
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

  // A journal that an earlier commit of ours failed to apply goes first: the
  // file must hold its old content before its old bytes are journaled again.
  if (recover(path) != 0) {
    *why = reason("cannot put back what an earlier save left half written", errno);
    return -1;
  }
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
  const uint64_t oldLength = static_cast<uint64_t>(file.st_size);
  const uint64_t newLength = static_cast<uint64_t>(ss.st_size);
  const std::vector<Range> changed = changedRanges(written, ss, oldLength, newLength);
  if (changed.empty() && newLength == oldLength) return 0;  // the file is the source already
  const std::vector<Range> saved = savedRanges(changed, oldLength, newLength);

  // 1. The old bytes of every range the commit changes, then the trailer that
  //    makes the journal whole; synced, with its name, before the file is touched.
  const std::string journal = journalPath(path);
  {
    Fd j(::open(journal.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW,
                file.st_mode & 0666));
    if (j.get() < 0) {
      *why = reason(("cannot make its journal '" + journal + "'").c_str(), errno);
      return -1;
    }
    JournalWriter out(j.get());
    std::vector<char> block(kChunk);
    bool ok = true;
    // Bounded by the saved ranges, each in chunks.
    for (const Range& r : saved) {
      ok = ok && out.putWord(r.offset) && out.putWord(r.length);
      for (uint64_t done = 0; ok && done < r.length;) {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(kChunk, r.length - done));
        ok = readAt(heldFd, block.data(), n, r.offset + done) && out.put(block.data(), n);
        done += n;
      }
    }
    unsigned char t[kSpanTrailerSize];
    std::memcpy(t, kSpanMagic, sizeof kSpanMagic);
    putLE64(t + 8, oldLength);
    putLE64(t + 16, saved.size());
    putLE64(t + 24, out.sum());
    putLE64(t + 32, static_cast<uint64_t>(file.st_dev));
    putLE64(t + 40, static_cast<uint64_t>(file.st_ino));
    ok = ok && out.putUnsummed(reinterpret_cast<const char*>(t), sizeof t) && out.flush();
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

  // 2. The changed ranges over the old, then the new length.
  bool landed = false;
  int err = 0;
  {
    Fd b(::open(path, O_WRONLY | O_CLOEXEC));
    landed = b.get() >= 0;
#ifndef __EMSCRIPTEN__
    // Blocks for the growth reserved at once rather than page by page as the
    // copy lands; the length stays until the end.
    if (landed && newLength > oldLength) {
      ::fallocate(b.get(), FALLOC_FL_KEEP_SIZE, static_cast<off_t>(oldLength),
                  static_cast<off_t>(newLength - oldLength));
    }
#endif
    bool byKernel = true;
    bool sourceFailed = false;
    std::vector<char> block;
    uint64_t unsent = 0;  // the file below this is on its way to the disk
    // In file order, each range in steps.
    for (const Range& r : changed) {
      for (uint64_t at = r.offset; landed && at < r.end();) {
        int64_t done = static_cast<int64_t>(at);
        const int64_t end = static_cast<int64_t>(std::min(r.end(), at + kWriteBackStep));
        landed = copyFileSpan(source.get(), b.get(), done, end, byKernel, block, sourceFailed);
        if (landed && done < end) {
          errno = EIO;  // the working copy is shorter than it was a moment ago
          landed = false;
        }
        at = static_cast<uint64_t>(end);
        if (landed && at - unsent >= kWriteBackStep) {
          startWriteBack(b.get(), unsent, at);
          unsent = at;
        }
      }
    }
    if (landed && newLength != oldLength) {
      landed = ::ftruncate(b.get(), static_cast<off_t>(newLength)) == 0;
    }
    landed = landed && FaultInjection::fsync(b.get()) == 0;
    if (!b.close()) landed = false;
    if (!landed) err = errno != 0 ? errno : EIO;
  }

  // 3. The commit point: the journal's name goes. Its space is freed off the
  //    caller's path (tens of megabytes take milliseconds to free).
  if (landed) {
    const int keep = SpaceReclaimer::hold(journal.c_str());
    if (FaultInjection::unlink(journal.c_str()) != 0) {
      landed = false;
      err = errno;
    }
    SpaceReclaimer::release(keep);
  }
  if (!landed) {
    *why = reason("cannot write it", err);
    // Put the old content back now; should that fail too, the journal stays
    // for the next open (or the next commit) to do it.
    recover(path);
    return -1;
  }
  // A failed sync of the folder leaves the removal to the system's own time;
  // the new content is in place either way.
  syncFolderOf(journal);
  // The two files are equal now: a record of the source starts again.
  if (written != nullptr && written->device() == static_cast<unsigned long long>(ss.st_dev) &&
      written->inode() == static_cast<unsigned long long>(ss.st_ino)) {
    written->restart(newLength);
  }
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
