// A stream buffer whose device can be read at a position in one read of the
// device, apart from the buffer's read window, and whose device counts what its
// reads cost (a record of the store: the chain steps and opens behind the
// fragmentation index). The hash stream reads every entry of its table this way,
// so that what a lookup costs depends only on the positions it reads, and its
// chain index uses the rest of this interface to keep the counts of the walk it
// saves:
//   - chargeReadAt does to the device's cursor and counts what readAt does,
//     without the bytes;
//   - reads made between beginAside and endAside (the index's own upkeep) leave
//     no trace: endAside puts the device's cursor and counts back where
//     beginAside found them.
// So a lookup answered from the index is charged, read for read, the walk it
// stood in for, and leaves the device as that walk would.
#ifndef STORE_POSITIONED_READS_H
#define STORE_POSITIONED_READS_H

#include <cstddef>
#include <ios>

#include "store/read_plan.h"

class PositionedReads {
 public:
  virtual ~PositionedReads() = default;
  // Writes what is pending, then reads up to n bytes at device position pos in
  // one read of the device. The buffer's window and the stream's get position
  // are neither used nor changed. Returns the count read (short at the end or on
  // a damaged device).
  virtual std::streamsize readAt(std::streamoff pos, char* s, std::streamsize n) = 0;
  // Moves the device's cursor and adds to its counts exactly what readAt(pos,
  // s, n) would, without copying the bytes.
  virtual void chargeReadAt(std::streamoff pos, std::streamsize n) = 0;
  // chargeReadAt of each position in turn, n bytes each (a device may charge
  // the whole series at once, with the same counts and the same cursor after).
  virtual void chargeReadsAt(const std::streamoff* positions, std::size_t count,
                             std::streamsize n) {
    for (std::size_t i = 0; i < count; ++i) chargeReadAt(positions[i], n);
  }
  // chargeReadAt of n bytes at each position of `series` in turn, with a plan
  // the caller keeps for the series under the name `name` (store/read_plan.h),
  // which the device may use and update to charge a series it met before
  // without modelling each read again.
  virtual void chargePlannedReadsAt(ReadPlan& plan, uint64_t name, const ReadSeries& series,
                                    std::streamsize n) {
    (void)plan;
    (void)name;
    for (std::size_t i = 0; i < series.count; ++i) chargeReadAt(series.at(i), n);
  }
  // Writes what is pending and returns the device's length, -1 when it cannot
  // be told. Counts nothing and moves no cursor.
  virtual std::streamoff deviceLength() = 0;
  // Reads aside: pending bytes are written first (as any read would), and
  // endAside puts the cursor and the counts back. Pairs nest; the outermost one
  // counts.
  virtual void beginAside() = 0;
  virtual void endAside() = 0;
};

#endif  // STORE_POSITIONED_READS_H
