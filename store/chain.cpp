// Chain: sequential and random access to one record of the store, its growth and
// its release. See chain.h for the cursor model and how walks are bounded.
#include "store/chain.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "kit/error.h"
#include "store/free_list.h"
#include "store/low_level_store.h"

namespace {

LONG clampPosition(int64_t value) {
  if (value < 0) return 0;
  if (value > static_cast<int64_t>(LowLevelStore::MaxFileSize)) {
    return static_cast<LONG>(LowLevelStore::MaxFileSize);
  }
  return static_cast<LONG>(value);
}

}  // namespace

Chain::Chain(LowLevelStore* store, std::unique_ptr<Block> first)
    : store_(store), first_(std::move(first)), get_(first_), put_(first_) {
  resetIndex();
  takeReference();
}

Chain::Chain(LowLevelStore* store, ULONG handle, int raw) : store_(store) {
  if (handle != 0) {
    first_ = raw != 0 ? store->lowLevelLookup(handle) : store->lookupBlock(handle);
    get_ = put_ = first_;
  }
  resetIndex();
  // Taken last: a constructor that throws has no destructor to give it back.
  takeReference();
}

Chain::~Chain() {
  first_.reset();
  get_.reset();
  put_.reset();
  if (!storeAlive_.expired()) {
    if (holdsRecord_) store_->releaseRecord(heldHandle_);
    try {
      --(*store_);
    } catch (const ErrorMsgException&) {
      // A count that was never taken: nothing left to give back.
    }
  }
}

void Chain::takeReference() {
  ++(*store_);
  ++store_->chainOpenCount;
  storeAlive_ = store_->lifeToken();
}

void Chain::classInvarient(const char* file, int line) const {
  if (first_ == nullptr && (get_ != nullptr || put_ != nullptr)) {
    error(nullptr, 'E', "Internal error: Chain cursor without a first block at %s line %d",
          file != nullptr ? file : "?", line);
  }
}

ULONG Chain::handle() const { return first_ != nullptr ? first_->handle() : 0; }

ULONG Chain::walkLimit() const { return store_->blockCountLimit(); }

void Chain::resetFirst(std::unique_ptr<Block> first) {
  first_ = std::move(first);
  get_ = put_ = first_;
  getBase_ = putBase_ = 0;
  getOrdinal_ = putOrdinal_ = 0;
  resetIndex();
}

void Chain::dropAll() {
  first_.reset();
  get_.reset();
  put_.reset();
  getBase_ = putBase_ = 0;
  getOrdinal_ = putOrdinal_ = 0;
  index_.reset(nullptr);
}

// --- Position index -----------------------------------------------------------------

void Chain::resetIndex() {
  index_.reset(first_);
  if (first_ == nullptr) return;
  if (!holdsRecord_ || heldHandle_ != first_->handle()) {
    if (holdsRecord_) store_->releaseRecord(heldHandle_);
    store_->holdRecord(first_->handle());
    holdsRecord_ = true;
    heldHandle_ = first_->handle();
  }
  epoch_ = store_->recordEpoch(heldHandle_);
}

void Chain::cutIndexAfter(ULONG handle, LONG base) {
  if (first_ == nullptr) return;
  index_.cutAfter(handle, base);
  recordChanged();
}

void Chain::recordChanged() {
  if (first_ == nullptr) return;
  epoch_ = store_->bumpRecordEpoch(heldHandle_);
}

void Chain::syncWithRecord() {
  if (first_ == nullptr) return;
  const uint64_t clock = store_->epochClock();
  if (clock == clockSeen_) return;
  const ULONG handle = first_->handle();
  const uint64_t now = store_->recordEpoch(heldHandle_);
  if (now == epoch_) {
    clockSeen_ = clock;
    return;
  }
  std::shared_ptr<Block> fresh =
      first_->header().free_mark() ? store_->lowLevelLookup(handle) : store_->lookupBlock(handle);
  first_ = fresh;
  get_ = put_ = first_;
  getBase_ = putBase_ = 0;
  getOrdinal_ = putOrdinal_ = 0;
  resetIndex();
  epoch_ = now;
  clockSeen_ = clock;
}

void Chain::modelSeek(LONG pos, std::size_t& at, ULONG& steps) const {
  const ChainIndex::Entry& cursor = index_[at];
  const bool back = pos < cursor.base;
  if (back || static_cast<int64_t>(pos) >
                  static_cast<int64_t>(cursor.base) + cursor.block->header().length()) {
    const std::size_t to = index_.ordinalFor(pos);
    steps += static_cast<ULONG>(back ? to : to - at);
    at = to;
  }
}

bool Chain::chargeReadsByIndex(const std::pair<LONG, LONG>* spans, std::size_t count) {
  if (first_ == nullptr || get_ == nullptr || count == 0) return false;
  syncWithRecord();
  checkEpoch();
  const std::size_t known = index_.size();
  if (getOrdinal_ >= known || index_[getOrdinal_].block != get_) return false;
  const ChainIndex::Entry& last = index_[known - 1];
  const int64_t indexedEnd = static_cast<int64_t>(last.base) + last.block->header().length();
  for (std::size_t i = 0; i < count; ++i) {
    if (spans[i].first < 0 || spans[i].second < spans[i].first ||
        spans[i].second > indexedEnd) {
      return false;
    }
  }
  std::size_t at = getOrdinal_;
  ULONG steps = 0;
  // Each seek leaves its read position on the block it ends on, as seekg does.
  auto seek = [&](LONG pos) {
    modelSeek(pos, at, steps);
    index_[at].block->setReadPos(static_cast<ULONG>(pos - index_[at].base));
  };
  for (std::size_t i = 0; i < count; ++i) {
    seek(spans[i].first);
    seek(spans[i].second);
  }
  store_->chainStepCount += steps;
  const ChainIndex::Entry& end = index_[at];
  get_ = end.block;
  getBase_ = end.base;
  getOrdinal_ = static_cast<ULONG>(at);
  return true;
}

bool Chain::chargePlannedReads(ReadPlan& plan, uint64_t name, const ReadSeries& series,
                               LONG n) {
  const std::size_t count = series.count;
  if (first_ == nullptr || get_ == nullptr || count == 0 || n <= 0) return false;
  syncWithRecord();
  checkEpoch();
  const std::size_t known = index_.size();
  if (getOrdinal_ >= known || index_[getOrdinal_].block != get_) return false;
  const std::size_t lastOrdinal = known - 1;
  const ChainIndex::Entry& last = index_[lastOrdinal];
  const int64_t indexedEnd = static_cast<int64_t>(last.base) + last.block->header().length();
  auto covered = [&](std::size_t i) {
    return static_cast<int64_t>(series.at(i)) + n <= indexedEnd;
  };
  const bool holds = plan.generation == index_.generation() && plan.series == name &&
                     plan.lastOrdinal == lastOrdinal && plan.length == n && plan.size() > 0;
  // Reads the plan does not hold must lie where the index knows the blocks
  // (the plan's own were checked when they were added).
  for (std::size_t i = holds ? plan.size() : 0; i < count; ++i) {
    if (!covered(i)) return false;
  }
  const LONG start0 = static_cast<LONG>(series.at(0));
  if (holds && plan.starts[0] != start0) return false;  // not the series it names
  // Read 0, from the cursor, with the read positions it leaves.
  std::size_t at = getOrdinal_;
  ULONG steps = 0;
  modelSeek(start0, at, steps);
  index_[at].block->setReadPos(static_cast<ULONG>(start0 - index_[at].base));
  modelSeek(start0 + n, at, steps);
  index_[at].block->setReadPos(static_cast<ULONG>(start0 + n - index_[at].base));
  if (!holds || plan.ordinalAfter[0] != at) {
    plan.clear();
    plan.generation = index_.generation();
    plan.series = name;
    plan.lastOrdinal = lastOrdinal;
    plan.length = n;
    plan.starts.push_back(start0);
    plan.ordinalAfter.push_back(static_cast<uint32_t>(at));
    plan.stepsThrough.push_back(0);
    plan.lastBlockPos.push_back(-1);
  }
  // Model the reads beyond the plan and add them to it.
  for (std::size_t i = plan.size(); i < count; ++i) {
    const LONG start = static_cast<LONG>(series.at(i));
    std::size_t to = plan.ordinalAfter[i - 1];
    ULONG more = 0;
    LONG lastPos = plan.lastBlockPos[i - 1];
    for (const LONG pos : {start, start + n}) {
      modelSeek(pos, to, more);
      if (to == lastOrdinal) lastPos = pos - index_[to].base;
    }
    plan.starts.push_back(start);
    plan.ordinalAfter.push_back(static_cast<uint32_t>(to));
    plan.stepsThrough.push_back(plan.stepsThrough[i - 1] + more);
    plan.lastBlockPos.push_back(lastPos);
  }
  const std::size_t k = count - 1;
  store_->chainStepCount += steps + plan.stepsThrough[k];
  if (k > 0) {
    if (plan.lastBlockPos[k] >= 0) {
      index_[lastOrdinal].block->setReadPos(static_cast<ULONG>(plan.lastBlockPos[k]));
    }
    at = plan.ordinalAfter[k];
    index_[at].block->setReadPos(static_cast<ULONG>(plan.starts[k] + n - index_[at].base));
  }
  get_ = index_[at].block;
  getBase_ = index_[at].base;
  getOrdinal_ = static_cast<ULONG>(at);
  return true;
}

void Chain::checkEpoch() {
  if (first_ == nullptr) return;
  const uint64_t clock = store_->epochClock();
  if (clock == clockSeen_) return;
  const uint64_t now = store_->recordEpoch(heldHandle_);
  if (now != epoch_) {
    index_.keep(1);
    epoch_ = now;
  }
  clockSeen_ = clock;
}

// A step along the chain. The block reached must be in use, must not be the
// first block of this or any record, and must name `from` as its prev. Since a
// block has one prev, a walk from the first block can never reach a block twice
// (the first repeat would need an earlier one, down to the first block, which is
// refused): this is what bounds every walk over a chain read from a file.
std::shared_ptr<Block> Chain::followLink(const Block& from) {
  const ULONG at = from.header().next();
  if (at == 0) return nullptr;
  if (first_ != nullptr && at == first_->handle()) {
    store_->clear();
    throw LowLevelStore::BadChainException("Chain link leads back to the first block of the record");
  }
  std::shared_ptr<Block> block;
  if (put_ != nullptr && put_.get() != &from && put_->handle() == at) {
    block = put_;
  } else if (get_ != nullptr && get_.get() != &from && get_->handle() == at) {
    block = get_;
  } else {
    block = index_.blockOf(at);
    if (block == nullptr || block.get() == &from) block = store_->lookupBlock(at);
  }
  if (block->header().first_mark()) {
    store_->clear();
    throw LowLevelStore::BadChainException("Chain link leads to the first block of a record");
  }
  if (block->header().prev() != from.handle()) {
    store_->clear();
    throw LowLevelStore::BadChainException("Chain link does not match the block's back link");
  }
  return block;
}

Block* Chain::advance(std::shared_ptr<Block>& cursor, LONG& base, ULONG& ordinal) {
  std::shared_ptr<Block> next = followLink(*cursor);
  if (next == nullptr) return nullptr;
  index_.noteStep(*cursor, base, next);
  base = clampPosition(static_cast<int64_t>(base) + cursor->header().length());
  cursor = next;
  ++ordinal;
  return cursor.get();
}

Block* Chain::next_g() {
  if (get_ == nullptr) return nullptr;
  ++store_->chainStepCount;
  Block* next = advance(get_, getBase_, getOrdinal_);
  if (next != nullptr) next->setReadPos(0);
  return next;
}

Block* Chain::next_p() {
  if (put_ == nullptr) return nullptr;
  ++store_->chainStepCount;
  Block* next = advance(put_, putBase_, putOrdinal_);
  if (next != nullptr) next->setWritePos(0);
  return next;
}

Chain::GetCursor Chain::getCursor() const {
  GetCursor at;
  at.block = get_;
  at.base = getBase_;
  at.ordinal = getOrdinal_;
  at.readPos = get_ != nullptr ? get_->readPos() : 0;
  at.epoch = first_ != nullptr ? store_->recordEpoch(heldHandle_) : 0;
  return at;
}

void Chain::setGetCursor(const GetCursor& at) {
  if (first_ == nullptr || at.block == nullptr) return;
  if (at.epoch == epoch_ && store_->recordEpoch(heldHandle_) == epoch_) {
    get_ = at.block;
    getBase_ = at.base;
    getOrdinal_ = at.ordinal;
    get_->setReadPos(at.readPos);
    return;
  }
  try {
    seekg(clampPosition(static_cast<int64_t>(at.base) + at.readPos));
  } catch (const LowLevelStore::StoreException&) {
    store_->clear();
  }
}

int Chain::read(char* buffer, int n) {
  if (n <= 0 || get_ == nullptr) return 0;
  int done = 0;
  while (done < n) {
    done += get_->read(buffer + done, n - done);
    // Only step when there is a block to step to, so reading to the end of a
    // chain does not count as a move.
    if (done >= n || get_->header().next() == 0) break;
    next_g();
  }
  return done;
}

int Chain::write(const char* buffer, int n) {
  if (n <= 0) return 0;
  int done = 0;
  while (done < n) {
    if (put_ != nullptr) {
      const ULONG lengthBefore = put_->header().length();
      done += put_->write(buffer + done, n - done);
      // A longer block with blocks after it moves their bases.
      if (put_->header().length() != lengthBefore) {
        if (put_->header().next() != 0) {
          cutIndexAfter(put_->handle(), putBase_);
        } else {
          recordChanged();
        }
      }
      if (done >= n) break;
      if (put_->header().next() != 0) {
        next_p();
        continue;
      }
    }
    const ULONG remaining = static_cast<ULONG>(n - done);
    if (extend(std::max(remaining, growthStep())) == 0) next_p();
    if (put_ == nullptr) {
      store_->clear();
      throw LowLevelStore::BadChainException(
          "Chain::write: Failed to increment Cur_p after an extend");
    }
  }
  return done;
}

unsigned char Chain::operator[](LONG i) {
  if (i < 0 || first_ == nullptr) return 0xFF;
  try {
    seekg(i);
  } catch (const LowLevelStore::OutOfRangeException&) {
    return 0xFF;
  }
  char c = 0;
  return read(&c, 1) == 1 ? static_cast<unsigned char>(c) : 0xFF;
}

LONG Chain::tellg() const {
  if (get_ == nullptr) return -1;
  return clampPosition(static_cast<int64_t>(getBase_) + get_->readPos());
}

LONG Chain::tellp() const {
  if (put_ == nullptr) return -1;
  return clampPosition(static_cast<int64_t>(putBase_) + put_->writePos());
}

void Chain::placeCursor(std::shared_ptr<Block>& cursor, LONG& cursorBase, ULONG& ordinal,
                        LONG pos) {
  const bool back = cursor == nullptr || pos < cursorBase;
  if (!back &&
      static_cast<int64_t>(pos) <= static_cast<int64_t>(cursorBase) + cursor->header().length()) {
    return;
  }
  checkEpoch();
  if (index_.size() >= 2) {
    const std::size_t known = index_.ordinalFor(pos);
    const ChainIndex::Entry& entry = index_[known];
    if (back || entry.base > cursorBase) {
      cursor = entry.block;
      cursorBase = entry.base;
      ordinal = static_cast<ULONG>(known);
      return;
    }
  }
  if (back) {
    cursor = first_;
    cursorBase = 0;
    ordinal = 0;
  }
}

namespace {

// Charges a seek the steps of the walk the chain describes: from the first block
// (a position before the cursor's block) or from the cursor's block, to the
// block the cursor ends on, whichever way it got there. A step that fails part
// way counts as the walk's failing move did.
class SeekCharge {
 public:
  SeekCharge(ULONG& counter, const ULONG& ordinal, ULONG from)
      : counter_(counter), ordinal_(ordinal), from_(from) {}
  ~SeekCharge() {
    if (ordinal_ > from_) counter_ += ordinal_ - from_;
    if (stepping_) ++counter_;
  }
  SeekCharge(const SeekCharge&) = delete;
  SeekCharge& operator=(const SeekCharge&) = delete;
  // Around each step the seek takes itself.
  void stepping(bool on) { stepping_ = on; }

 private:
  ULONG& counter_;
  const ULONG& ordinal_;
  const ULONG from_;
  bool stepping_ = false;
};

}  // namespace

LONG Chain::seekg(LONG pos) {
  if (pos < 0 || (first_ == nullptr && pos > 0)) {
    store_->clear();
    throw LowLevelStore::OutOfRangeException("seekg beyond end of chain buffers");
  }
  if (first_ == nullptr) return pos;
  SeekCharge charge(store_->chainStepCount, getOrdinal_,
                    get_ == nullptr || pos < getBase_ ? 0 : getOrdinal_);
  syncWithRecord();
  placeCursor(get_, getBase_, getOrdinal_, pos);
  while (static_cast<int64_t>(pos) > static_cast<int64_t>(getBase_) + get_->header().length()) {
    if (get_->header().next() == 0) {
      store_->clear();
      throw LowLevelStore::OutOfRangeException("seekg beyond end of chain buffers");
    }
    charge.stepping(true);
    advance(get_, getBase_, getOrdinal_);
    charge.stepping(false);
  }
  get_->setReadPos(static_cast<ULONG>(pos - getBase_));
  return pos;
}

LONG Chain::seekp(LONG pos) {
  if (pos < 0) {
    store_->clear();
    throw LowLevelStore::OutOfRangeException("seekp before start of chain buffers");
  }
  if (first_ == nullptr) {
    store_->clear();
    throw LowLevelStore::BadChainException("Chain::extend: Can't find the end of the chain");
  }
  SeekCharge charge(store_->chainStepCount, putOrdinal_,
                    put_ == nullptr || pos < putBase_ ? 0 : putOrdinal_);
  syncWithRecord();
  placeCursor(put_, putBase_, putOrdinal_, pos);
  for (;;) {
    const int64_t base = putBase_;
    const BlockHeader& h = put_->header();
    if (h.next() != 0) {
      if (static_cast<int64_t>(pos) <= base + h.length()) break;
      charge.stepping(true);
      advance(put_, putBase_, putOrdinal_);
      charge.stepping(false);
      continue;
    }
    if (static_cast<int64_t>(pos) <= base + h.userSize()) break;
    // Beyond the capacity of the last block: grow, then look again (an in-place
    // growth covers pos, a linked block is stepped to on the next round).
    const int64_t needed = static_cast<int64_t>(pos) + 1 - (base + h.length());
    extend(std::max(static_cast<ULONG>(needed), growthStep()));
  }
  put_->setWritePos(static_cast<ULONG>(pos - putBase_));
  return pos;
}

LONG Chain::seekg(LONG offset, std::ios_base::seekdir dir) {
  int64_t target;
  if (dir == std::ios_base::beg) {
    target = offset;
  } else if (dir == std::ios_base::cur) {
    const LONG now = tellg();
    target = now == -1 ? -1 : static_cast<int64_t>(now) + offset;
  } else if (dir == std::ios_base::end) {
    target = static_cast<int64_t>(getUserSize()) + offset;
  } else {
    error(nullptr, 'F', "Chain::seekg: Bad seek direction parameter");
    return tellg();
  }
  if (target > static_cast<int64_t>(LowLevelStore::MaxFileSize)) {
    store_->clear();
    throw LowLevelStore::OutOfRangeException("seekg beyond end of chain buffers");
  }
  return seekg(clampPosition(target));
}

LONG Chain::seekp(LONG offset, std::ios_base::seekdir dir) {
  int64_t target;
  if (dir == std::ios_base::beg) {
    target = offset;
  } else if (dir == std::ios_base::cur) {
    const LONG now = tellp();
    target = now == -1 ? -1 : static_cast<int64_t>(now) + offset;
  } else if (dir == std::ios_base::end) {
    target = static_cast<int64_t>(getUserSize()) + offset;
  } else {
    // The same text as seekg's: callers know the report by it.
    error(nullptr, 'F', "Chain::seekg: Bad seek direction parameter");
    return tellp();
  }
  if (target > static_cast<int64_t>(LowLevelStore::MaxFileSize)) {
    store_->clear();
    throw LowLevelStore::BadStreamException("Store file size limit reached");
  }
  return seekp(clampPosition(target));
}

LONG Chain::getUserSize() {
  if (first_ == nullptr) return 0;
  std::shared_ptr<Block> block = first_;
  int64_t total = 0;
  if (store_->recordEpoch(heldHandle_) != epoch_) {
    // Another chain changed the record: every block held here may be stale, so
    // walk it afresh from its first block (the cursors stay where they are).
    block = store_->lowLevelLookup(first_->handle());
    const ULONG limit = walkLimit();
    for (ULONG steps = 0; block != nullptr; ++steps) {
      if (steps >= limit) {
        store_->clear();
        throw LowLevelStore::BadChainException("Chain is longer than the file can hold");
      }
      total += block->header().length();
      block = followLink(*block);
    }
    return clampPosition(total);
  }
  if (get_ != nullptr && (put_ == nullptr || getBase_ >= putBase_)) {
    block = get_;
    total = getBase_;
  } else if (put_ != nullptr) {
    block = put_;
    total = putBase_;
  }
  while (block != nullptr) {
    total += block->header().length();
    block = followLink(*block);
  }
  return clampPosition(total);
}

bool Chain::moveToLastBlock() {
  if (put_ == nullptr) {
    if (first_ == nullptr) return false;
    put_ = first_;
    putBase_ = 0;
    putOrdinal_ = 0;
  }
  while (put_->header().next() != 0) next_p();
  return true;
}

// Grows `last` by `gained` bytes in place: the old trailer and everything up to
// the new trailer become unused user bytes (spaces), then the header and the
// trailer are rewritten.
static void growInPlace(LowLevelStore* store, Block& last, ULONG gained) {
  const uint64_t newSize = static_cast<uint64_t>(last.header().size()) + gained;
  if (static_cast<uint64_t>(last.handle()) + newSize > LowLevelStore::MaxFileSize) {
    store->clear();
    throw LowLevelStore::BadStreamException("Store file size limit reached");
  }
  const ULONG oldTrailer = last.handle() + last.header().size() - BlockHeader::TrailerSize;
  Block::fillWithSpaces(store, oldTrailer, gained);
  last.header().setSize(static_cast<ULONG>(newSize));
  last.writeHeader();
}

int Chain::extend(ULONG n) {
  if (!moveToLastBlock()) {
    store_->clear();
    throw LowLevelStore::BadChainException("Chain::extend: Can't find the end of the chain");
  }
  Block& last = *put_;
  try {
    std::unique_ptr<Block> successor = last.getSuccessorBlock();
    if (successor != nullptr && successor->header().free_mark() && successor->getUserSize() >= n) {
      FreeList freeList(store_, store_->freeListPtr());
      ULONG gained;
      if (static_cast<int64_t>(successor->getUserSize()) -
              static_cast<int64_t>(last.getUserSize()) <
          static_cast<int64_t>(BlockHeader::MinUserSize)) {
        freeList.remove(*successor, BlockHeader::DefaultExtensionSize);
        gained = successor->header().size();
      } else {
        std::unique_ptr<Block> piece =
            freeList.nibbleOffFrontOfBlock(successor, n, BlockHeader::DefaultExtensionSize);
        gained = piece->header().size();
      }
      growInPlace(store_, last, gained);
      recordChanged();
      return 1;
    }
    if (successor == nullptr) {
      const ULONG end = last.handle() + last.header().size();
      // Fewer than four bytes after the block: it ends the file.
      bool bytesFollow = static_cast<uint64_t>(end) + 4 <= store_->fileSize();
      if (bytesFollow) {
        try {
          ULONG probe = 0;
          store_->seekg(end);
          store_->read(&probe);
        } catch (const LowLevelStore::StoreException&) {
          store_->clear();
          bytesFollow = false;
        }
      }
      if (!bytesFollow) {
        growInPlace(store_, last, std::max(n, BlockHeader::MinUserSize));
        recordChanged();
        return 1;
      }
      error(nullptr, 'W', "Bad Block detected at stream position %ld.", static_cast<long>(end));
    }
    std::unique_ptr<Block> added = store_->allocBlock(n, BlockHeader::DefaultExtensionSize);
    last.header().setNext(added->handle());
    last.writeHeader();
    added->header().setPrev(last.handle());
    added->header().setFirstMark(false);
    added->writeHeader();
    recordChanged();
    return 0;
  } catch (...) {
    store_->clear();
    throw;
  }
}

void Chain::free() {
  if (first_ == nullptr) return;
  syncWithRecord();
  // Collect the whole record first, so that a damaged chain is refused before
  // any of its blocks is released. The list is bounded by the number of blocks
  // the file can hold.
  std::vector<ULONG> handles;
  const ULONG limit = walkLimit();
  handles.push_back(first_->handle());
  for (std::shared_ptr<Block> block = followLink(*first_); block != nullptr;
       block = followLink(*block)) {
    if (handles.size() >= limit) {
      store_->clear();
      throw LowLevelStore::BadChainException("Chain is longer than the file can hold");
    }
    handles.push_back(block->handle());
  }
  store_->bumpRecordEpoch(heldHandle_);
  FreeList freeList(store_, store_->freeListPtr());
  for (ULONG at : handles) {
    std::unique_ptr<Block> block = store_->lookupBlock(at);
    freeList.merge(block);
  }
  dropAll();
}

ULONG Chain::growthStep() const {
  return std::min(getExtensionSize(), MaxGrowthStep);
}

ULONG Chain::getExtensionSize() const {
  return first_ != nullptr ? first_->header().extensionSize() : BlockHeader::DefaultExtensionSize;
}

void Chain::setExtensionSize(ULONG n) {
  if (first_ == nullptr) return;
  first_->header().setExtensionSize(std::max(n, BlockHeader::DefaultExtensionSize));
  // The extension size lives in the fourth field of a first block.
  if (!first_->header().free_mark()) first_->header().setFirstMark(true);
  first_->writeHeader();
}

bool Chain::truncate(LONG length) {
  if (first_ == nullptr || length < 0) return false;
  syncWithRecord();
  // Find the block that holds the new end. Each step is checked by followLink,
  // and the walk is bounded by the number of blocks the file can hold.
  const ULONG limit = walkLimit();
  ULONG steps = 0;
  std::shared_ptr<Block> keep = first_;
  int64_t base = 0;
  while (base + static_cast<int64_t>(keep->header().length()) < length) {
    base += keep->header().length();
    keep = followLink(*keep);
    if (keep == nullptr) return false;  // the record is not that long
    if (++steps >= limit) {
      store_->clear();
      throw LowLevelStore::BadChainException("Chain is longer than the file can hold");
    }
  }
  // Collect the blocks after it before anything changes, so that a damaged tail
  // is refused with the record intact.
  std::vector<ULONG> later;
  for (std::shared_ptr<Block> b = followLink(*keep); b != nullptr; b = followLink(*b)) {
    if (later.size() + steps >= limit) {
      store_->clear();
      throw LowLevelStore::BadChainException("Chain is longer than the file can hold");
    }
    later.push_back(b->handle());
  }
  const ULONG newLength = static_cast<ULONG>(length - base);
  const ULONG oldLength = keep->header().length();
  if (newLength == oldLength && later.empty()) return false;
  if (oldLength > newLength) {
    Block::fillWithSpaces(store_, keep->handle() + BlockHeader::FootPrintSize + newLength,
                          oldLength - newLength);
  }
  keep->header().setLength(newLength);
  keep->header().setNext(0);
  keep->writeHeader();
  if (!later.empty()) {
    FreeList freeList(store_, store_->freeListPtr());
    for (ULONG at : later) {
      std::unique_ptr<Block> block = store_->lookupBlock(at);
      freeList.merge(block);
    }
  }
  get_ = put_ = first_;
  getBase_ = putBase_ = 0;
  getOrdinal_ = putOrdinal_ = 0;
  first_->reset();
  cutIndexAfter(first_->handle(), 0);
  return true;
}
