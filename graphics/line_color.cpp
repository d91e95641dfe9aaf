// The line colour's pen (see line_color.h).
#include "graphics/line_color.h"

LineColor::~LineColor() {
  if (pen_ != nullptr) ::DeleteObject(pen_);
}

COLORREF LineColor::effective(short useColour, short inverted) const {
  if (useColour) return inverted ? inverse() : color();
  return inverted ? 0xFFFFFFu : 0x000000u;
}

HGDIOBJ LineColor::select(HDC hdc, int mode) {
  if (pen_ != nullptr) ::DeleteObject(pen_);
  pen_ = ::CreatePen(style_, width_, effective((mode & UseColour) != 0, (mode & Inverted) != 0));
  return ::SelectObject(hdc, pen_);
}

void LineColor::deselect(HDC hdc, HGDIOBJ previous) {
  if (previous != nullptr && !isMetafile(hdc)) ::SelectObject(hdc, previous);
  if (pen_ != nullptr) {
    ::DeleteObject(pen_);
    pen_ = nullptr;
  }
}
