// The built-in advance widths and vertical metrics of the Arial-compatible face
// that the system asks for. Every build measures text from this one table, so a
// label wraps and a shape fits the same way everywhere; renderers draw the
// glyphs with a metric-compatible font.
//
// Widths are in design units of a 2048-unit em, for the characters 32 to 255 of
// the Windows Latin-1 code page (undefined positions have the width of a space;
// characters below 32 too). Vertical metrics of the face, in the same units:
// ascent 1854, descent 434, line gap 67, average character width 904.
#include "platform/win/font_metrics.h"

#include <algorithm>
#include <cmath>

namespace {

const int kEm = 2048;
const int kAscent = 1854;
const int kDescent = 434;
const int kLineGap = 67;
const int kAverageWidth = 904;
const int kMaxWidth = 2079;

const short kRegular[224] = {
        569,  569,  727, 1139, 1139, 1821, 1366,  391,  682,  682,  797, 1196,  569,  682,  569,  569,
       1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139,  569,  569, 1196, 1196, 1196, 1139,
       2079, 1366, 1366, 1479, 1479, 1366, 1251, 1593, 1479,  569, 1024, 1366, 1139, 1706, 1479, 1593,
       1366, 1593, 1479, 1366, 1251, 1479, 1366, 1933, 1366, 1366, 1251,  569,  569,  569,  961, 1139,
        682, 1139, 1139, 1024, 1139, 1139,  569, 1139, 1139,  455,  455, 1024,  455, 1706, 1139, 1139,
       1139, 1139,  682, 1024,  569, 1139, 1024, 1479, 1024, 1024, 1024,  684,  532,  684, 1196,  748,
       1139,  569,  455, 1139,  682, 2048, 1139, 1139,  682, 2048, 1366,  682, 2048,  569, 1251,  569,
        569,  455,  455,  682,  682,  717, 1139, 2048,  682, 2048, 1024,  682, 1933,  569, 1024, 1366,
        569,  682, 1139, 1139, 1139, 1139,  532, 1139,  682, 1509,  758, 1139, 1196,  682, 1509, 1131,
        819, 1124,  682,  682,  682, 1180, 1100,  569,  682,  682,  748, 1139, 1708, 1708, 1708, 1251,
       1366, 1366, 1366, 1366, 1366, 1366, 2048, 1479, 1366, 1366, 1366, 1366,  569,  569,  569,  569,
       1479, 1479, 1593, 1593, 1593, 1593, 1593, 1196, 1593, 1479, 1479, 1479, 1479, 1366, 1366, 1251,
       1139, 1139, 1139, 1139, 1139, 1139, 1821, 1024, 1139, 1139, 1139, 1139,  569,  569,  569,  569,
       1139, 1139, 1139, 1139, 1139, 1139, 1139, 1124, 1251, 1139, 1139, 1139, 1139, 1024, 1139, 1024,
};

const short kBold[224] = {
        569,  682,  971, 1139, 1139, 1821, 1479,  487,  682,  682,  797, 1196,  569,  682,  569,  569,
       1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139,  682,  682, 1196, 1196, 1196, 1251,
       1997, 1479, 1479, 1479, 1479, 1366, 1251, 1593, 1479,  569, 1139, 1479, 1251, 1706, 1479, 1593,
       1366, 1593, 1479, 1366, 1251, 1479, 1366, 1933, 1366, 1366, 1251,  682,  569,  682, 1196, 1139,
        682, 1139, 1251, 1139, 1251, 1139,  682, 1251, 1251,  569,  569, 1139,  569, 1821, 1251, 1251,
       1251, 1251,  797, 1139,  682, 1251, 1139, 1593, 1139, 1139, 1024,  797,  573,  797, 1196,  748,
       1139,  569,  569, 1139, 1024, 2048, 1139, 1139,  682, 2048, 1366,  682, 2048,  569, 1251,  569,
        569,  569,  569, 1024, 1024,  717, 1139, 2048,  682, 2048, 1139,  682, 1933,  569, 1024, 1366,
        569,  682, 1139, 1139, 1139, 1139,  573, 1139,  682, 1509,  758, 1139, 1196,  682, 1509, 1131,
        819, 1124,  682,  682,  682, 1180, 1139,  569,  682,  682,  748, 1139, 1708, 1708, 1708, 1251,
       1479, 1479, 1479, 1479, 1479, 1479, 2048, 1479, 1366, 1366, 1366, 1366,  569,  569,  569,  569,
       1479, 1479, 1593, 1593, 1593, 1593, 1593, 1196, 1593, 1479, 1479, 1479, 1479, 1366, 1366, 1251,
       1139, 1139, 1139, 1139, 1139, 1139, 1821, 1139, 1139, 1139, 1139, 1139,  569,  569,  569,  569,
       1251, 1251, 1251, 1251, 1251, 1251, 1251, 1124, 1251, 1251, 1251, 1251, 1251, 1139, 1251, 1139,
};

int scaled(long long units, int em) {
  // Design units to pixels, rounding halves up.
  return static_cast<int>((units * em * 2 + kEm) / (2 * kEm));
}

}  // namespace

int FontMetrics::emFromCellHeight(int cellHeight) {
  if (cellHeight <= 0) return 0;
  return static_cast<int>(std::lround(static_cast<double>(cellHeight) * kEm / (kAscent + kDescent)));
}

int FontMetrics::designWidth(unsigned char c, bool bold) {
  if (c < 32) c = 32;
  return (bold ? kBold : kRegular)[c - 32];
}

int FontMetrics::advance(unsigned char c, int em, bool bold) {
  return scaled(designWidth(c, bold), em);
}

int FontMetrics::textWidth(const char* text, int length, int em, bool bold) {
  int width = 0;
  for (int i = 0; i < length; ++i) width += advance(static_cast<unsigned char>(text[i]), em, bold);
  return width;
}

int FontMetrics::ascent(int em) { return scaled(kAscent, em); }
int FontMetrics::descent(int em) { return scaled(kDescent, em); }

TEXTMETRIC FontMetrics::metrics(int em, int weight, bool italic, bool underline, bool strikeOut) {
  TEXTMETRIC tm = {};
  tm.tmAscent = ascent(em);
  tm.tmDescent = descent(em);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = tm.tmHeight - em;
  tm.tmExternalLeading = scaled(kLineGap, em);
  tm.tmAveCharWidth = scaled(kAverageWidth, em);
  tm.tmMaxCharWidth = scaled(kMaxWidth, em);
  tm.tmWeight = weight;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 32;
  tm.tmLastChar = 255;
  tm.tmDefaultChar = 128;
  tm.tmBreakChar = 32;
  tm.tmItalic = italic ? 1 : 0;
  tm.tmUnderlined = underline ? 1 : 0;
  tm.tmStruckOut = strikeOut ? 1 : 0;
  tm.tmPitchAndFamily = 0x26;  // variable pitch, TrueType, swiss
  tm.tmCharSet = 0;
  return tm;
}
