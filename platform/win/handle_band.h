// A band of handle values for one kind of object: base, base + 4, ...,
// base + 4 * (count - 1). Values are handed out in turn and the turn wraps round
// to the start of the band, skipping values still in use, so handle numbers never
// run from one kind's band into another's, and a freed value comes back only
// after the band has gone round once. When every value is in use there is none
// to give, and the call that wanted one fails.
//
// The drawing layer's bands: objects (pens, brushes, fonts, regions, bitmaps,
// metafiles) 0x40000 to 0x7FFFC, device contexts 0x80000 to 0xBFFFC.
#ifndef PLATFORM_HANDLE_BAND_H
#define PLATFORM_HANDLE_BAND_H

#include <cstddef>
#include <cstdint>
#include <functional>

class HandleBand {
 public:
  HandleBand(uintptr_t base, std::size_t count) : base_(base), count_(count) {}
  // The next value not in use (as `inUse` says), or 0 when the band is full.
  uintptr_t next(const std::function<bool(uintptr_t)>& inUse);
  bool contains(uintptr_t value) const {
    return value >= base_ && value < base_ + 4 * count_ && (value - base_) % 4 == 0;
  }
  uintptr_t first() const { return base_; }
  uintptr_t last() const { return base_ + 4 * (count_ - 1); }

 private:
  uintptr_t base_;
  std::size_t count_;
  std::size_t cursor_ = 0;  // the slot to try next
};

#endif  // PLATFORM_HANDLE_BAND_H
