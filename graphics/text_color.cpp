// The text colour (see text_color.h).
#include "graphics/text_color.h"

TextColor::~TextColor() = default;

COLORREF TextColor::effective(short useColour, short inverted) const {
  if (useColour) return inverted ? inverse() : color();
  return inverted ? 0xFFFFFFu : 0x000000u;
}

HGDIOBJ TextColor::select(HDC hdc, int mode) {
  previous_ = ::SetTextColor(hdc, effective((mode & UseColour) != 0, (mode & Inverted) != 0));
  return nullptr;
}

void TextColor::deselect(HDC hdc, HGDIOBJ) { ::SetTextColor(hdc, previous_); }
