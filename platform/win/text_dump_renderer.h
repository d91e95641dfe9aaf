// The text dump of a display list: one line per command, in order, with its
// geometry, pen, brush, raster operation and text, in device coordinates. Tests
// read it to check what was drawn; it is also the quickest way to look at a
// window without a picture.
//
// Line forms (colours as #RRGGBB):
//   rectangle (l,t)-(r,b) pen <style> <width> <colour> brush <style> [<colour>] rop <name>
//   roundrect (l,t)-(r,b) corner WxH pen ... brush ... rop ...
//   ellipse (l,t)-(r,b) pen ... brush ... rop ...
//   polygon [x,y x,y ...] alternate|winding pen ... brush ... rop ...
//   polyline [x,y x,y ...] pen ... rop ...
//   fillrect (l,t)-(r,b) brush ... rop ...
//   focusrect (l,t)-(r,b)
//   text (x,baseline) "<text>" font <face> <em>px <weight>[ italic][ underline] width <w> colour <c> [opaque <bk>]
//   image (l,t)-(r,b) from (sl,st)-(sr,sb)[ mirrored across][ mirrored down] of WxH bitmap <digest> rop <rop3>[ brush ...][ smooth]
//     (the digest names the bitmap's content: equal digests, equal pictures)
//   mapping mapmode <mode> | windoworg x,y | windowext x,y | viewportorg x,y | viewportext x,y | save | restore <n>
//     (metafiles only: the mapping calls the metafile replays on its target)
// A line ends with " clip (l,t)-(r,b)" when the clip is smaller than the surface,
// and with " clip (l,t)-(r,b) in N rectangles" when it is a region of N bands'
// rectangles inside that box (a filled region is a fillrect of its box so clipped).
#ifndef PLATFORM_TEXT_DUMP_RENDERER_H
#define PLATFORM_TEXT_DUMP_RENDERER_H

#include <string>

#include "platform/win/display_list.h"

class TextDumpRenderer {
 public:
  static std::string render(const DisplayList& list);
  static std::string line(const DrawCommand& c, int surfaceWidth, int surfaceHeight);
};

#endif  // PLATFORM_TEXT_DUMP_RENDERER_H
