// Draws display lists with cairo: PNG pictures, PDF documents (one page per
// list) and raw pixels for tests. Figures are drawn without anti-aliasing, as
// the screen draws them, so that a figure inverted twice leaves every pixel as
// it was; text is drawn with the metric-compatible face at the advances of the
// width table.
#ifndef PLATFORM_RENDER_CAIRO_RENDERER_H
#define PLATFORM_RENDER_CAIRO_RENDERER_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/display_list.h"

class CairoRenderer {
 public:
  static bool writePng(const DisplayList& list, const std::string& path);
  // Each list is a page; `dpi` is the pixels per inch of the lists' surface.
  static bool writePdf(const std::vector<const DisplayList*>& pages, const std::string& path, int dpi = 96);
  // The picture as 0x00RRGGBB values, row by row; empty for an empty surface.
  static std::vector<uint32_t> renderPixels(const DisplayList& list);
};

#endif  // PLATFORM_RENDER_CAIRO_RENDERER_H
