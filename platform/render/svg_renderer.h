// Writes a display list as an SVG picture, one element per command, in order,
// with the surface size in pixels. Clips, and clip regions, become clip paths.
// Raster operations replay as the blends of render_style::vectorSteps inside an
// isolated group: exact for copy, black, white, the inverted pen, no operation
// and inversion, and for the exclusive-or, mask and merge operations when every
// channel of the colour is 0 or 255; with other colours those are approximated,
// and the picture says so in a comment before the element. (The PNG renderer
// is exact for all of them.) Text is placed
// character by character at the advances of the width table.
//
// A picture for a web page may carry areas laid over it: links and labelled
// regions, each a transparent rectangle on top of the drawing, written in the
// order given, which is the order a screen reader and the tab key walk them.
// With areas, the drawing itself is hidden from assistive technology (the areas
// name what it shows) and the picture is a group named by its title.
#ifndef PLATFORM_RENDER_SVG_RENDERER_H
#define PLATFORM_RENDER_SVG_RENDERER_H

#include <string>
#include <vector>

#include "platform/win/display_list.h"

// One area over the picture. Texts are UTF-8 and are escaped here; the
// address must already be checked by the caller.
struct SvgArea {
  RECT rect = {0, 0, 0, 0};
  std::string label;          // the accessible name, and the tooltip
  std::string href;           // a link's address; empty: a region
  std::string role = "note";  // a region's role
  bool external = false;      // opens in a new browsing context, without an opener
};

struct SvgDocument {
  std::string title;           // the picture's name (with areas)
  std::vector<SvgArea> areas;
  bool fragment = false;       // without the XML declaration, to be put inside HTML
};

class SvgRenderer {
 public:
  static std::string render(const DisplayList& list);
  static std::string render(const DisplayList& list, const SvgDocument& document);
  // Writes the picture to `path`; false when the file could not be written.
  static bool writeFile(const DisplayList& list, const std::string& path);
};

#endif  // PLATFORM_RENDER_SVG_RENDERER_H
