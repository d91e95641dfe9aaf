// The distrustful block walk (see block_walk.h for what is taken as a block and
// how records are rebuilt). Every field is read through bounds-checked
// little-endian accessors.
#include "store/block_walk.h"

#include "store/byte_order.h"

namespace {

const ULONG BlockOverhead = 22;  // 18 header + 4 trailer
const ULONG BlockUserStart = 18;
const ULONG MinBlockSize = 54;
const WORD KnownMarks = 3;

using byte_order::u32;
using byte_order::u16;

}  // namespace

BlockWalk::BlockWalk(const std::string& file, ULONG start) : file_(file) {
  tile(start);
  owned_.assign(blocks_.size(), false);
  for (std::size_t i = 0; i < blocks_.size(); ++i)
    if (!blocks_[i].free() && blocks_[i].first()) chain(i, false);
  // Fragments: first from blocks that nothing left links to, then whatever is
  // left (blocks that link in a circle).
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
      const Block& b = blocks_[i];
      if (owned_[i] || b.free() || b.first()) continue;
      if (pass == 0) {
        const Block* before = blockAt(b.fourth);
        if (before != nullptr && before->next == b.handle && !before->free() && !before->first() &&
            !owned_[index_.at(before->handle)])
          continue;
      }
      chain(i, true);
    }
  }
}

bool BlockWalk::plausible(ULONG at, bool trailerMustMatch) const {
  const std::size_t fileSize = file_.size();
  if (at > fileSize || fileSize - at < BlockOverhead) return false;
  const ULONG size = u32(file_, at);
  if (size < MinBlockSize || size > fileSize - at) return false;
  if ((u16(file_, at + 16) & ~KnownMarks) != 0) return false;
  if (u32(file_, at + 4) > size - BlockOverhead) return false;
  if (u32(file_, at + size - 4) == size) return true;
  if (trailerMustMatch) return false;
  // The size is confirmed by what follows it.
  const std::size_t after = static_cast<std::size_t>(at) + size;
  return after == fileSize || plausible(static_cast<ULONG>(after), true);
}

void BlockWalk::tile(ULONG start) {
  const std::size_t fileSize = file_.size();
  std::size_t pos = start;
  // Bounded: each turn moves forward by a block (at least 54 bytes) or, inside
  // a gap, by one byte.
  while (pos < fileSize) {
    if (!plausible(static_cast<ULONG>(pos), false)) {
      std::size_t q = pos + 1;
      while (q < fileSize && !plausible(static_cast<ULONG>(q), true)) ++q;
      gaps_.push_back(Gap{static_cast<ULONG>(pos), static_cast<ULONG>(q - pos)});
      pos = q;
      continue;
    }
    Block b;
    b.handle = static_cast<ULONG>(pos);
    b.size = u32(file_, pos);
    b.length = u32(file_, pos + 4);
    b.next = u32(file_, pos + 8);
    b.fourth = u32(file_, pos + 12);
    b.marks = u16(file_, pos + 16);
    b.trailerBad = u32(file_, pos + b.size - 4) != b.size;
    if (b.length > b.size - BlockOverhead) {
      b.length = b.size - BlockOverhead;
      b.lengthBad = true;
    }
    b.strayFree = (b.marks & 1) != 0 && b.length > 0;
    index_[b.handle] = blocks_.size();
    blocks_.push_back(b);
    pos += b.size;
  }
}

const BlockWalk::Block* BlockWalk::blockAt(ULONG handle) const {
  auto it = index_.find(handle);
  return it == index_.end() ? nullptr : &blocks_[it->second];
}

const BlockWalk::Record* BlockWalk::recordAt(ULONG handle) const {
  auto it = recordIndex_.find(handle);
  return it == recordIndex_.end() ? nullptr : &records_[it->second];
}

// Whether the chain may go on from `cur` to the block at `next`.
bool BlockWalk::follows(const Block& cur, ULONG next) const {
  auto it = index_.find(next);
  if (it == index_.end() || owned_[it->second]) return false;
  const Block& n = blocks_[it->second];
  if (n.free() || n.first()) return false;
  if (n.fourth == cur.handle) return true;
  // A back link that names another block linking here belongs to that block.
  const Block* other = blockAt(n.fourth);
  return other == nullptr || other->next != n.handle;
}

void BlockWalk::chain(std::size_t start, bool fragment) {
  Record r;
  r.first = blocks_[start].handle;
  r.fragment = fragment;
  r.blocks.push_back(start);
  owned_[start] = true;
  bool trimmed = blocks_[start].lengthBad;
  std::size_t cur = start;
  // Bounded: every block joins one record at most (owned_).
  while (blocks_[cur].next != 0 && follows(blocks_[cur], blocks_[cur].next)) {
    cur = index_.at(blocks_[cur].next);
    owned_[cur] = true;
    r.blocks.push_back(cur);
    trimmed = trimmed || blocks_[cur].lengthBad;
  }
  if (blocks_[cur].next != 0) {
    r.cutAt = blocks_[cur].handle;
    r.badNext = blocks_[cur].next;
  }
  r.whole = !fragment && r.cutAt == 0 && !trimmed;
  if (!fragment) recordIndex_[r.first] = records_.size();
  records_.push_back(std::move(r));
}

std::string BlockWalk::bytes(const Record& r) const {
  std::string out;
  for (std::size_t i : r.blocks) {
    const Block& b = blocks_[i];
    out.append(file_, b.handle + BlockUserStart, b.length);
  }
  return out;
}

std::string BlockWalk::slack(const Record& r) const {
  if (r.blocks.empty()) return std::string();
  const Block& b = blocks_[r.blocks.back()];
  return file_.substr(b.handle + BlockUserStart + b.length, b.size - BlockOverhead - b.length);
}
