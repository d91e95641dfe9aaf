// A bitmap: width x height pixels, kept as a picture. Its base is either pixels
// (from a DIB) or one colour, and what has been drawn on it since is a display
// list in its own pixel coordinates, replayed over the base by the renderers
// when they draw the bitmap. Pixels are 0x00RRGGBB, row by row from the top.
//
// BitBlt records an image command that holds a shared, unchangeable copy of the
// source as it is at that moment; a memory context that draws into a bitmap a
// recording still holds copies the bitmap first (see DeviceContext::add), so
// what was copied never changes afterwards.
#ifndef PLATFORM_BITMAP_H
#define PLATFORM_BITMAP_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/display_list.h"
#include "platform/win/windows_gdi.h"

struct Bitmap {
  // The largest bitmap: 16384 pixels a side, 2^26 pixels in all.
  static const int kMaxSide = 16384;
  static const long long kMaxPixels = 1LL << 26;
  // Images inside images (a bitmap copied into a bitmap ...) are drawn this deep at most.
  static const int kMaxNesting = 8;

  int width = 1;
  int height = 1;
  std::vector<uint32_t> pixels;  // empty: every pixel is `fill`
  uint32_t fill = 0;             // 0x00RRGGBB
  DisplayList drawing;           // drawn over the base, in the bitmap's pixels

  // A bitmap of one colour; null when the size is refused.
  static std::shared_ptr<Bitmap> make(int width, int height, uint32_t fill);
  // The bitmap's pixel at (x, y) as its base has it (black outside).
  uint32_t basePixel(int x, int y) const;
};

// Whether a size can be a bitmap.
bool bitmapSizeOk(long long width, long long height);

// Decodes a DIB (BI_RGB, 1, 4, 8, 16, 24 or 32 bits, either row order, colour
// table for 8 bits or fewer) into pixels top-down; false for what it cannot read.
bool decodeDib(const BITMAPINFO* info, const void* bits, UINT usage, int* width, int* height, bool* bottomUp,
               std::vector<uint32_t>& pixels);

// A digest of the bitmap's content (its size, its base and its drawing), for
// the text dump: two bitmaps with the same digest show the same picture.
uint32_t bitmapDigest(const Bitmap& b);

// The name of a ternary raster operation ("srccopy" ...), or "rop3 0xNN".
std::string rop3Name(DWORD rop);
// The binary raster operation (R2_...) a ternary one without a source amounts
// to, or 0 when it uses the source.
int rop2FromRop3(DWORD rop);

#endif  // PLATFORM_BITMAP_H
