// Handle bands (see handle_band.h).
#include "platform/win/handle_band.h"

uintptr_t HandleBand::next(const std::function<bool(uintptr_t)>& inUse) {
  for (std::size_t tried = 0; tried < count_; ++tried) {
    const uintptr_t value = base_ + 4 * cursor_;
    cursor_ = (cursor_ + 1) % count_;
    if (!inUse(value)) return value;
  }
  return 0;
}
