// A device-independent bitmap packed into bytes (as presentations and
// metafile records carry it), checked before it is drawn: the header, the
// colour table and every row must lie within the bytes given. The header and
// colour table are copied into an aligned BITMAPINFO; the rows stay where they are.
//
// Layout:
//   OFFSET  SIZE       DESCRIPTION
//   0       4          header size H (40, or a longer header whose first 40 bytes
//                      are the same)
//   4       36         the rest of BITMAPINFOHEADER: width, height (> 0 bottom up,
//                      < 0 top down), planes, bits per pixel (1, 4, 8, 16, 24, 32),
//                      compression (0: none; others are refused), image size,
//                      resolution, colours used, colours important
//   H       4*C        colour table: C = colours used, or 2^bits for 8 bits or
//                      fewer when that is 0 (at most 256)
//   H+4*C   stride*|h| rows, each padded to 4 bytes
#ifndef PLATFORM_OLE_PACKED_DIB_H
#define PLATFORM_OLE_PACKED_DIB_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win/windows_gdi.h"

class PackedDib {
 public:
  // False when the bytes do not hold a whole bitmap of the kinds above.
  bool parse(const uint8_t* data, std::size_t size);
  const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(info_.data()); }
  const uint8_t* bits() const { return bits_; }
  int width() const { return width_; }
  int height() const { return height_; }  // always positive

 private:
  std::vector<uint32_t> info_;
  const uint8_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

#endif  // PLATFORM_OLE_PACKED_DIB_H
