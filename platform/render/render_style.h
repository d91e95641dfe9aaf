// What every renderer decides the same way: where a figure's outline and fill
// lie in pixel space, the dash pattern of a pen style, how a raster operation
// is replayed, and the text of a command as UTF-8. Renderers differ only in the
// file they write.
//
// Raster operations are Windows' binary ones: the new pixel is a bitwise
// function of the pen (or brush) colour P and the pixel D already there
// (applyRop2). The PNG renderer and renderPixels compute exactly that for
// every pixel a figure covers. Vector pictures (SVG, PDF) have only blend
// modes, so there each operation is one or two blends (vectorSteps): copy,
// black, white, the inverted pen, no operation and R2_NOT are exact; the
// exclusive-or, mask and merge operations are exact when every channel of the
// colour is 0 or 255 (vectorExact) and otherwise an approximation: exclusive-or
// as a difference, mask as multiply, merge as screen.
//
// Outlines are stroked on a path through pixel centres: the box (l, t, r, b)
// gives the path (l + 0.5, t + 0.5) - (r - 0.5, b - 0.5), and an inside-frame
// pen of width w the path inset by w / 2 from the box, so that it stays inside.
// A figure without a pen fills (l, t) - (r - 1, b - 1); with a pen, the fill
// stops where the outline's stroke begins. Polygon and polyline
// points are moved by half a pixel onto pixel centres.
//
// Lines as Windows draws them. A one-pixel pen (a cosmetic pen: width 0 or 1)
// sets the pixels of Windows' line algorithm, a Bresenham walk along the
// longer axis whose ties go the way Windows sends them (thinLinePixels), and
// every segment leaves out its last pixel: a polyline sets each vertex once,
// so two inverted segments meeting at a corner leave no hole, and a closed
// outline sets each corner once. Dashes and dots follow the pixels, 18 on 6
// off for dashes and 3 on 3 off for dots, continuing from one segment to the
// next. The PNG renderer sets exactly those pixels; vector pictures stroke a
// polyline from half a pixel before its first point to half a pixel before its
// last (thinPolylinePath), which covers the same pixels on straight lines.
// A wider pen (a geometric pen) has round ends and round joins (roundPen).
#ifndef PLATFORM_RENDER_RENDER_STYLE_H
#define PLATFORM_RENDER_RENDER_STYLE_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/display_list.h"

struct BoxF {
  double l, t, r, b;
};

namespace render_style {

// The pixel a raster operation gives for pen colour `pen` over pixel `dst`
// (both 0x00RRGGBB or both COLORREF: the operation is bitwise).
uint32_t applyRop2(int rop, uint32_t dst, uint32_t pen);
// Whether the operation only ever sets one colour (copy, black, white, the
// inverted pen), which every renderer draws as it is; the colour it sets.
bool isPlainPaint(int rop, COLORREF pen, COLORREF* colour);

// How a vector renderer replays an operation: blends applied in turn.
enum class Blend { Normal, Difference, Multiply, Screen };
struct Step {
  Blend blend;
  COLORREF colour;  // the colour blended with the destination
};
// No steps for R2_NOP.
std::vector<Step> vectorSteps(int rop, COLORREF c);
// Whether those steps give exactly what Windows gives.
bool vectorExact(int rop, COLORREF c);

// Images take Windows' ternary raster operations: the new pixel is the
// operation's truth table applied bit by bit to pattern (the brush colour),
// source and destination (applyRop3), exactly so in the PNG renderer. A vector
// picture draws SRCCOPY and NOTSRCCOPY exactly, SRCINVERT as a difference,
// SRCAND as multiply, SRCPAINT and MERGEPAINT as screen (exact where the
// image's channels are 0 or 255), and any other operation as SRCCOPY.
uint32_t applyRop3(DWORD rop3, uint32_t dst, uint32_t src, uint32_t pattern);
struct ImageStep {
  Blend blend;
  bool invertSource;
  bool exact;  // whatever the image's colours
};
ImageStep imageStep(DWORD rop3);
// The path of a figure's outline, and the box its fill covers.
BoxF outlineBox(const DrawCommand& c);
BoxF fillBox(const DrawCommand& c);
bool hasPen(const DrawCommand& c);
bool hasBrush(const DrawCommand& c);
// The dash lengths of a pen style (empty for solid).
std::vector<double> dashes(int penStyle);
// Whether the command's outline is a one-pixel line (a polyline, or a polygon's outline).
bool isThinLine(const DrawCommand& c);
// Whether the pen is wide enough for round ends and joins.
bool roundPen(const DrawCommand& c);
// The pixels a one-pixel pen sets for a polyline or a polygon's outline, in the
// order drawn (a pixel twice where the line crosses itself), those in a dash
// pattern's gaps left out; only pixels inside `bound`, so that a line however
// long costs no more than the pixels it can show.
void thinLinePixels(const DrawCommand& c, const RECT& bound, std::vector<POINT>& out);
// The path a vector picture strokes (with flat ends) for a one-pixel polyline.
std::vector<std::pair<double, double>> thinPolylinePath(const DrawCommand& c);
// The command's text (Windows Latin-1 code page) as UTF-8, one string per character.
std::vector<std::string> utf8Characters(const std::string& text);
// "#RRGGBB".
std::string hex(COLORREF c);
// The font family renderers ask for: metric-compatible with the width table.
const char* fontFamily();

}  // namespace render_style

#endif  // PLATFORM_RENDER_RENDER_STYLE_H
