// Text measurement from the built-in width table of the Arial-compatible face:
// advance widths, text extents and text metrics for a font of a given em height
// in device pixels. Each character's advance is its design width scaled to the em
// and rounded (halves up); a text's width is the sum of its characters' advances.
#ifndef PLATFORM_FONT_METRICS_H
#define PLATFORM_FONT_METRICS_H

#include "platform/win/windows_gdi.h"

class FontMetrics {
 public:
  // The em height of a font whose cell height (ascent + descent) is given.
  static int emFromCellHeight(int cellHeight);
  // Width of a character in design units of a 2048-unit em.
  static int designWidth(unsigned char c, bool bold);
  static int advance(unsigned char c, int em, bool bold);
  static int textWidth(const char* text, int length, int em, bool bold);
  static int ascent(int em);
  static int descent(int em);
  static TEXTMETRIC metrics(int em, int weight, bool italic, bool underline, bool strikeOut);
};

#endif  // PLATFORM_FONT_METRICS_H
