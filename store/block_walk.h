// A walk over the blocks of a store file that trusts nothing it reads: the
// salvage's way into a damaged book. It takes the file's bytes, tiles them into
// blocks from the end of the file header, steps over bytes that hold no block
// until the next place where one plausibly starts, and rebuilds the records
// from the blocks' links, keeping apart what reads whole and what does not.
//
// A block (store/block_header.h has the layout) is taken where the bytes hold
// one plausibly:
//
//   OFFSET  SIZE  FIELD     TAKEN WHEN
//   0       4     size      at least 54, inside the file
//   4       4     length    at most size - 22
//   8       4     next      (any value; a record's link is judged below)
//   12      4     prev / extension size
//   16      2     marks     no bits but free (1) and first (2)
//   size-4  4     trailer   equal to size; a trailer that differs is accepted
//                           only where the next block (or the end of the file)
//                           confirms the size
//
// Bytes where no block is taken form a gap; the walk looks for the next block
// one byte further each time, and only a block with a matching trailer ends a
// gap. A block is in use unless it carries the free mark and holds no bytes
// (a free block always has length 0): a free-marked block with a length is
// taken as in use, since its bytes may be a record's.
//
// Records: every first-marked block in use starts one; its chain follows each
// `next` to a block in use that is not first-marked, belongs to no record yet,
// and links back to the block before it (or whose back link names no block that
// links to it). A record is whole when its chain ends with next 0 and no block
// of it had to be trimmed; otherwise it is cut, at the block whose link failed.
// Blocks in use that no record reached form fragments: runs of blocks linked in
// the same way, each starting at a block no other fragment block links to.
//
// Bounds: each tiling step moves forward by a block's size (at least 54 bytes)
// or by one byte; each block joins at most one record or fragment; so the walk
// takes time and memory proportional to the file's size.
#ifndef STORE_BLOCK_WALK_H
#define STORE_BLOCK_WALK_H

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/windows_types.h"

class BlockWalk {
 public:
  struct Block {
    ULONG handle = 0;
    ULONG size = 0;
    ULONG length = 0;  // trimmed to the user area
    ULONG next = 0;
    ULONG fourth = 0;  // prev, or a first block's extension size
    WORD marks = 0;
    bool trailerBad = false;  // the trailer differed; the size was confirmed
    bool lengthBad = false;   // the length ran past the user area
    bool strayFree = false;   // free-marked but holding bytes
    bool free() const { return (marks & 1) != 0 && !strayFree; }
    bool first() const { return (marks & 2) != 0; }
  };
  // Bytes [at, at + size) of the file where no block was taken.
  struct Gap {
    ULONG at = 0;
    ULONG size = 0;
  };
  struct Record {
    ULONG first = 0;                  // handle of its first block
    std::vector<std::size_t> blocks;  // indexes into blocks(), in chain order
    bool fragment = false;            // starts inside another record's chain
    bool whole = false;
    ULONG cutAt = 0;                  // the block whose link failed (0 when whole)
    ULONG badNext = 0;                // that link's value
  };

  // REQUIRES: `file` outlives the walk. Blocks are looked for from `start`
  // (the end of the file header).
  BlockWalk(const std::string& file, ULONG start);

  const std::vector<Block>& blocks() const { return blocks_; }
  const std::vector<Gap>& gaps() const { return gaps_; }
  // Records first, then fragments, each in file order of its first block.
  const std::vector<Record>& records() const { return records_; }
  // The block starting at `handle`, or null.
  const Block* blockAt(ULONG handle) const;
  // The record (not fragment) whose first block is at `handle`, or null.
  const Record* recordAt(ULONG handle) const;
  // The user bytes of a record or fragment, block by block.
  std::string bytes(const Record& r) const;
  // The user bytes of a record's last block beyond its length: where the
  // record's data went on if its length was damaged.
  std::string slack(const Record& r) const;
  // The file's bytes of a gap.
  std::string bytes(const Gap& g) const { return file_.substr(g.at, g.size); }

 private:
  bool plausible(ULONG at, bool trailerMustMatch) const;
  void tile(ULONG start);
  void chain(std::size_t start, bool fragment);
  bool follows(const Block& cur, ULONG next) const;

  const std::string& file_;
  std::vector<Block> blocks_;
  std::vector<Gap> gaps_;
  std::vector<Record> records_;
  std::unordered_map<ULONG, std::size_t> index_;
  std::unordered_map<ULONG, std::size_t> recordIndex_;
  std::vector<bool> owned_;
};

#endif  // STORE_BLOCK_WALK_H
