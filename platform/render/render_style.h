// What every renderer decides the same way: where a figure's outline and fill
// lie in pixel space, the dash pattern of a pen style, how a raster operation
// is replayed, and the text of a command as UTF-8. Renderers differ only in the
// file they write.
//
// Outlines are stroked on a path through pixel centres: the box (l, t, r, b)
// gives the path (l + 0.5, t + 0.5) - (r - 0.5, b - 0.5), and an inside-frame
// pen of width w the path inset by w / 2 from the box, so that it stays inside.
// A figure without a pen fills (l, t) - (r - 1, b - 1); with a pen, the fill
// stops where the outline's stroke begins. Polygon and polyline
// points are moved by half a pixel onto pixel centres.
#ifndef PLATFORM_RENDER_RENDER_STYLE_H
#define PLATFORM_RENDER_RENDER_STYLE_H

#include <string>
#include <vector>

#include "platform/win/display_list.h"

struct BoxF {
  double l, t, r, b;
};

namespace render_style {

// How a raster operation replays.
enum class Blend { Normal, Difference, Skip };
struct Paint {
  Blend blend;
  COLORREF colour;  // the colour to draw (for Difference, the colour to subtract)
};
// The paint of a figure's pen or brush colour `c` under raster operation `rop`.
Paint paintFor(int rop, COLORREF c);

// The path of a figure's outline, and the box its fill covers.
BoxF outlineBox(const DrawCommand& c);
BoxF fillBox(const DrawCommand& c);
bool hasPen(const DrawCommand& c);
bool hasBrush(const DrawCommand& c);
// The dash lengths of a pen style (empty for solid).
std::vector<double> dashes(int penStyle);
// The command's text (Windows Latin-1 code page) as UTF-8, one string per character.
std::vector<std::string> utf8Characters(const std::string& text);
// "#RRGGBB".
std::string hex(COLORREF c);
// The font family renderers ask for: metric-compatible with the width table.
const char* fontFamily();

}  // namespace render_style

#endif  // PLATFORM_RENDER_RENDER_STYLE_H
