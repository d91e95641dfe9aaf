// Draws display lists with cairo: PNG pictures, PDF documents (one page per
// list) and raw pixels for tests. Figures are drawn without anti-aliasing, as
// the screen draws them, so that a figure inverted twice leaves every pixel as
// it was; text is drawn with the metric-compatible face at the advances of the
// width table.
//
// Images (BitBlt and its kin) are drawn from their bitmap's pixels, stretched by
// the nearest pixel (smoothly for HALFTONE), with the ternary raster operations
// exact in PNG pictures and blended in PDF (render_style::imageStep); images
// inside bitmaps are drawn Bitmap::kMaxNesting deep at most.
//
// Raster operations: PNG pictures and pixels are exact, each covered pixel
// becoming the operation of the colour and the pixel (render_style::applyRop2).
// A PDF page is vector graphics and cannot say that: it draws each operation as
// the blends of render_style::vectorSteps, which are exact for copy, black,
// white, the inverted pen, no operation and inversion, and for the other
// operations when the colour's channels are all 0 or 255; with other colours
// the exclusive-or, mask and merge operations come out approximately.
#ifndef PLATFORM_RENDER_CAIRO_RENDERER_H
#define PLATFORM_RENDER_CAIRO_RENDERER_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/bitmap.h"
#include "platform/win/display_list.h"

class CairoRenderer {
 public:
  static bool writePng(const DisplayList& list, const std::string& path);
  // Each list is a page; `dpi` is the pixels per inch of the lists' surface.
  static bool writePdf(const std::vector<const DisplayList*>& pages, const std::string& path, int dpi = 96);
  // The picture as 0x00RRGGBB values, row by row; empty for an empty surface.
  static std::vector<uint32_t> renderPixels(const DisplayList& list);
  // A bitmap's pixels (its base with its drawing over it), row by row.
  static std::vector<uint32_t> bitmapPixels(const Bitmap& bitmap);
  // The pixels an image command takes from its bitmap: its source rectangle,
  // mirrored as the command says (inverted when `invert`), black where the
  // rectangle leaves the bitmap; its size in *width and *height. Empty when
  // the rectangle is larger than a surface may be.
  static std::vector<uint32_t> imagePixels(const DrawCommand& image, bool invert, int* width, int* height);
  // Pixels (0x00RRGGBB) as a PNG file's bytes.
  static std::string encodePng(const std::vector<uint32_t>& pixels, int width, int height);
};

#endif  // PLATFORM_RENDER_CAIRO_RENDERER_H
