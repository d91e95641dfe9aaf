// Checking a packed device-independent bitmap (layout in packed_dib.h).
#include "platform/ole/packed_dib.h"

#include <cstring>

#include "platform/win/bitmap.h"

namespace {

DWORD le32(const uint8_t* p) { return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24; }
WORD le16(const uint8_t* p) { return static_cast<WORD>(p[0] | p[1] << 8); }

}  // namespace

bool PackedDib::parse(const uint8_t* data, std::size_t size) {
  bits_ = nullptr;
  if (data == nullptr || size < 40) return false;
  const DWORD headerSize = le32(data);
  if (headerSize < 40 || headerSize > size) return false;
  const LONG w = static_cast<LONG>(le32(data + 4));
  const LONG h = static_cast<LONG>(le32(data + 8));
  const WORD bpp = le16(data + 14);
  const DWORD compression = le32(data + 16);
  DWORD colours = le32(data + 32);
  if (compression != BI_RGB) return false;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (w <= 0 || h == 0 || h == INT32_MIN) return false;
  const long long rows = h < 0 ? -static_cast<long long>(h) : h;
  if (!bitmapSizeOk(w, rows)) return false;
  if (bpp <= 8) {
    if (colours == 0) colours = 1u << bpp;
    if (colours > (1u << bpp)) colours = 1u << bpp;
  } else {
    colours = 0;  // no table is read for these
  }
  const unsigned long long tableEnd = headerSize + 4ull * colours;
  const unsigned long long stride = ((static_cast<unsigned long long>(w) * bpp + 31) / 32) * 4;
  if (tableEnd > size || stride * static_cast<unsigned long long>(rows) > size - tableEnd) return false;
  // The header as 40 bytes, then a full table of 256 entries (unused ones black).
  info_.assign((40 + 4 * 256) / 4, 0);
  auto* bytes = reinterpret_cast<uint8_t*>(info_.data());
  std::memcpy(bytes, data, 40);
  std::memcpy(bytes + 40, data + headerSize, 4 * colours);
  BITMAPINFOHEADER hdr;
  std::memcpy(&hdr, bytes, sizeof hdr);
  hdr.biSize = 40;
  hdr.biClrUsed = colours;
  std::memcpy(bytes, &hdr, sizeof hdr);
  bits_ = data + tableEnd;
  width_ = w;
  height_ = static_cast<int>(rows);
  return true;
}
