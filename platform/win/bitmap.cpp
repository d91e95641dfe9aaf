// Bitmaps, DIB decoding and ternary raster operation names (see bitmap.h).
#include "platform/win/bitmap.h"

#include <cstdio>
#include <cstring>

#include "platform/win/text_dump_renderer.h"

bool bitmapSizeOk(long long width, long long height) {
  return width > 0 && height > 0 && width <= Bitmap::kMaxSide && height <= Bitmap::kMaxSide &&
         width * height <= Bitmap::kMaxPixels;
}

std::shared_ptr<Bitmap> Bitmap::make(int width, int height, uint32_t fill) {
  if (!bitmapSizeOk(width, height)) return nullptr;
  auto b = std::make_shared<Bitmap>();
  b->width = width;
  b->height = height;
  b->fill = fill & 0xFFFFFFu;
  b->drawing.setSize(width, height);
  b->drawing.setBackground(RGB((fill >> 16) & 0xFF, (fill >> 8) & 0xFF, fill & 0xFF));
  return b;
}

uint32_t Bitmap::basePixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  if (pixels.empty()) return fill;
  return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
}

bool decodeDib(const BITMAPINFO* info, const void* bits, UINT usage, int* width, int* height, bool* bottomUp,
               std::vector<uint32_t>& pixels) {
  if (info == nullptr || bits == nullptr || usage != DIB_RGB_COLORS) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biCompression != BI_RGB || h.biPlanes != 1) return false;
  const long long w = h.biWidth, ht = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
  const int bpp = h.biBitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (!bitmapSizeOk(w, ht)) return false;
  // The colour table follows the header (its own size, as biSize says).
  const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const unsigned char*>(info) + h.biSize);
  const long long entries = bpp <= 8 ? (h.biClrUsed != 0 ? h.biClrUsed : (1LL << bpp)) : 0;
  if (entries > 256) return false;
  const std::size_t stride = static_cast<std::size_t>(((w * bpp + 31) / 32) * 4);
  const unsigned char* data = static_cast<const unsigned char*>(bits);
  pixels.assign(static_cast<std::size_t>(w * ht), 0);
  auto colour = [](unsigned r, unsigned g, unsigned b) { return (r << 16) | (g << 8) | b; };
  for (long long row = 0; row < ht; ++row) {
    // Rows are stored bottom-up unless the height is negative.
    const long long y = h.biHeight > 0 ? ht - 1 - row : row;
    const unsigned char* src = data + static_cast<std::size_t>(row) * stride;
    uint32_t* dst = pixels.data() + static_cast<std::size_t>(y * w);
    for (long long x = 0; x < w; ++x) {
      uint32_t v = 0;
      switch (bpp) {
        case 32:
        case 24: {
          const unsigned char* p = src + x * (bpp / 8);
          v = colour(p[2], p[1], p[0]);
          break;
        }
        case 16: {
          unsigned p = src[x * 2] | (static_cast<unsigned>(src[x * 2 + 1]) << 8);
          unsigned r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
          v = colour((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
          break;
        }
        default: {
          const long long bit = x * bpp;
          unsigned index = (src[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
          if (index < entries) v = colour(table[index].rgbRed, table[index].rgbGreen, table[index].rgbBlue);
          break;
        }
      }
      dst[x] = v;
    }
  }
  *width = static_cast<int>(w);
  *height = static_cast<int>(ht);
  *bottomUp = h.biHeight > 0;
  return true;
}

uint32_t bitmapDigest(const Bitmap& b) {
  // FNV-1a over the size, the base and the drawing's text dump.
  uint32_t hash = 2166136261u;
  auto mix = [&hash](uint32_t v) {
    for (int i = 0; i < 4; ++i) {
      hash ^= (v >> (8 * i)) & 0xFF;
      hash *= 16777619u;
    }
  };
  mix(static_cast<uint32_t>(b.width));
  mix(static_cast<uint32_t>(b.height));
  if (b.pixels.empty()) {
    mix(b.fill);
  } else {
    for (uint32_t p : b.pixels) mix(p);
  }
  for (unsigned char ch : TextDumpRenderer::render(b.drawing)) mix(ch);
  return hash;
}

std::string rop3Name(DWORD rop) {
  struct Name {
    DWORD rop;
    const char* name;
  };
  static const Name kNames[] = {{SRCCOPY, "srccopy"},       {SRCPAINT, "srcpaint"},   {SRCAND, "srcand"},
                                {SRCINVERT, "srcinvert"},   {SRCERASE, "srcerase"},   {NOTSRCCOPY, "notsrccopy"},
                                {NOTSRCERASE, "notsrcerase"}, {MERGECOPY, "mergecopy"}, {MERGEPAINT, "mergepaint"},
                                {PATCOPY, "patcopy"},       {PATPAINT, "patpaint"},   {PATINVERT, "patinvert"},
                                {DSTINVERT, "dstinvert"},   {BLACKNESS, "blackness"}, {WHITENESS, "whiteness"}};
  const unsigned code = (rop >> 16) & 0xFF;
  for (const Name& n : kNames)
    if (((n.rop >> 16) & 0xFF) == code) return n.name;
  char buf[16];
  std::snprintf(buf, sizeof buf, "rop3 0x%02X", code);
  return buf;
}

int rop2FromRop3(DWORD rop) {
  const unsigned code = (rop >> 16) & 0xFF;
  // The source's bit (2) must not matter: the table repeats with it set.
  if (((code >> 2) & 0x33) != (code & 0x33)) return 0;
  // ROP2 truth table: bit (P << 1 | D) of (R2 - 1); ROP3: bit (P << 2 | S << 1 | D).
  int f = 0;
  for (int p = 0; p < 2; ++p)
    for (int d = 0; d < 2; ++d)
      if ((code >> (p * 4 + d)) & 1) f |= 1 << (p * 2 + d);
  return f + 1;
}
