// The fill colour's brush (see fill_color.h).
#include "graphics/fill_color.h"

FillColor::~FillColor() {
  if (brush_ != nullptr) ::DeleteObject(brush_);
}

HGDIOBJ FillColor::select(HDC hdc, int mode) {
  if (brush_ != nullptr) ::DeleteObject(brush_);
  brush_ = ::CreateSolidBrush(effective((mode & UseColour) != 0, (mode & Inverted) != 0));
  return ::SelectObject(hdc, brush_);
}

void FillColor::deselect(HDC hdc, HGDIOBJ previous) {
  if (previous != nullptr && !isMetafile(hdc)) ::SelectObject(hdc, previous);
  if (brush_ != nullptr) {
    ::DeleteObject(brush_);
    brush_ = nullptr;
  }
}
