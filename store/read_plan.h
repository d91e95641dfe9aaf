// What a record's chain remembers of a series of reads it was charged for, so
// that the same series (or one that goes on from it) is charged again without
// modelling every seek: the ID table's lookups charge the walk through a
// bucket's chain (the slot and every chained entry up to the one returned) on
// every lookup, and a bucket's entries stay where they are between changes.
//
// Read i of the series reads [starts[i], starts[i] + n). For every i >= 1 the
// plan holds what the reads 1..i did, given that read 0 left the cursor on the
// block of ordinal ordinalAfter[0]:
//   - stepsThrough[i]: the chain steps reads 1..i are charged (stepsThrough[0]
//     is 0);
//   - ordinalAfter[i]: the ordinal of the cursor's block after read i;
//   - lastBlockPos[i]: the read position reads 1..i last left on the last block
//     the position index knew when the plan was made (lastOrdinal), -1 if none.
// The caller names the series (`series`): reads of a series with the same name
// start where the plan's did, as far as the plan goes (a series may grow at its
// end). Invariant: the plan holds only while the chain's position index has
// generation `generation` (every time the index forgets a block it takes a new
// generation, so the ordinal of every position it knew stays what it was) and
// still ends at lastOrdinal. Chain::chargePlannedReads checks both, and the
// starts, before it uses a plan, and makes it again otherwise; the hash stream
// counts test compares the counts with the walk through the stream.
#ifndef STORE_READ_PLAN_H
#define STORE_READ_PLAN_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/windows_types.h"

// The start positions of a series of reads, read in place from the caller's
// records: count positions, the first at `first`, each `stride` bytes after the
// one before.
struct ReadSeries {
  const ULONG* first = nullptr;
  std::size_t stride = sizeof(ULONG);
  std::size_t count = 0;
  ULONG at(std::size_t i) const {
    return *reinterpret_cast<const ULONG*>(reinterpret_cast<const char*>(first) + i * stride);
  }
};

struct ReadPlan {
  uint64_t generation = 0;  // 0: no plan
  // The caller's name for the starts: while it stays, starts[i] is still the
  // series' i-th position, and later positions may have been added.
  uint64_t series = 0;
  std::size_t lastOrdinal = 0;
  LONG length = 0;  // n, the bytes of each read
  std::vector<LONG> starts;
  std::vector<uint32_t> ordinalAfter;
  std::vector<ULONG> stepsThrough;
  std::vector<LONG> lastBlockPos;

  void clear() {
    generation = 0;
    starts.clear();
    ordinalAfter.clear();
    stepsThrough.clear();
    lastBlockPos.clear();
  }
  std::size_t size() const { return starts.size(); }
};

#endif  // STORE_READ_PLAN_H
