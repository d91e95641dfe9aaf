// Writes a display list as an SVG picture, one element per command, in order,
// with the surface size in pixels. Clips, and clip regions, become clip paths.
// Raster operations replay as the blends of render_style::vectorSteps inside an
// isolated group: exact for copy, black, white, the inverted pen, no operation
// and inversion, and for the exclusive-or, mask and merge operations when every
// channel of the colour is 0 or 255; with other colours those are approximated,
// and the picture says so in a comment before the element. (The PNG renderer
// is exact for all of them.) Text is placed
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
