// The message record handed to graphics: the window it arrived at, the message
// number, the key-state word (or, for a command, the command number), the mouse
// position packed into 32 bits and the result, which a graphic that consumed the
// message sets to 0.
//
// Packed position layout (the window message's own):
//   bits  0..15  x, signed 16-bit
//   bits 16..31  y, signed 16-bit
// Packing clamps each coordinate to -32768..32767, so a point beyond the packed
// range lands on its edge instead of wrapping to the other side of the page.
#ifndef GRAPHICS_G_MESSAGE_H
#define GRAPHICS_G_MESSAGE_H

#include <cstdint>

#include "platform/windows_types.h"

struct GMessage {
  HWND window = nullptr;
  WORD message = 0;
  WORD keys = 0;      // 0x0001 left button, 0x0004 shift, 0x0008 control; or a command
  LONG position = 0;  // packed, device units of the window
  LONG result = 1;    // 0 once a graphic consumed the message
};

inline LONG packPoint(int64_t x, int64_t y) {
  auto clamp16 = [](int64_t v) -> uint32_t {
    if (v < INT16_MIN) v = INT16_MIN;
    if (v > INT16_MAX) v = INT16_MAX;
    return static_cast<uint16_t>(static_cast<int16_t>(v));
  };
  return static_cast<LONG>(clamp16(x) | (clamp16(y) << 16));
}
inline int pointX(LONG packed) { return static_cast<int16_t>(static_cast<uint32_t>(packed) & 0xFFFFu); }
inline int pointY(LONG packed) { return static_cast<int16_t>((static_cast<uint32_t>(packed) >> 16) & 0xFFFFu); }

#endif  // GRAPHICS_G_MESSAGE_H
