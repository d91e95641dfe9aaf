// Colour values shared by the fill, line and text colours (see color.h).
#include "graphics/color.h"

Color::~Color() = default;

void Color::classInvarient(const char*, int) const {}

COLORREF Color::effective(short useColour, short inverted) const {
  if (useColour) return inverted ? inverse() : value_;
  return inverted ? 0x000000u : 0xFFFFFFu;
}

bool Color::isMetafile(HDC hdc) { return ::GetDeviceCaps(hdc, TECHNOLOGY) == DT_METAFILE; }
