// Writes a display list as an SVG picture, one element per command, in order,
// with the surface size in pixels. Clips become clip paths; raster operations
// that invert replay with the "difference" blend inside an isolated group, so
// the picture matches the PNG and PDF drawn from the same list. Text is placed
// character by character at the advances of the width table.
#ifndef PLATFORM_RENDER_SVG_RENDERER_H
#define PLATFORM_RENDER_SVG_RENDERER_H

#include <string>

#include "platform/win/display_list.h"

class SvgRenderer {
 public:
  static std::string render(const DisplayList& list);
  // Writes the picture to `path`; false when the file could not be written.
  static bool writeFile(const DisplayList& list, const std::string& path);
};

#endif  // PLATFORM_RENDER_SVG_RENDERER_H
