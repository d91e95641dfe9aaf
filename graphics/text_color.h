// The text colour of a graphic's label. It holds no handle: selecting sets the
// device context's text colour and remembers the one it replaced, deselecting
// sets that back. Without colour text is black (white when inverted).
#ifndef GRAPHICS_TEXT_COLOR_H
#define GRAPHICS_TEXT_COLOR_H

#include "graphics/color.h"

class TextColor : public Color {
 public:
  explicit TextColor(COLORREF value = 0x000000) : Color(value) {}
  ~TextColor() override;
  TextColor(const TextColor& other) = default;
  TextColor& operator=(const TextColor& other) = default;

  COLORREF effective(short useColour, short inverted) const override;
  HGDIOBJ select(HDC hdc, int mode) override;
  void deselect(HDC hdc, HGDIOBJ previous) override;

 private:
  COLORREF previous_ = 0;
};

#endif  // GRAPHICS_TEXT_COLOR_H
