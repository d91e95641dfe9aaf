// The fill colour of a graphic: selecting it creates a solid brush of the
// effective colour; deselecting puts the previous brush back and deletes it.
#ifndef GRAPHICS_FILL_COLOR_H
#define GRAPHICS_FILL_COLOR_H

#include "graphics/color.h"

class FillColor : public Color {
 public:
  explicit FillColor(COLORREF value = 0x606060) : Color(value) {}
  ~FillColor() override;
  FillColor(const FillColor& other) : Color(other) {}
  FillColor& operator=(const FillColor& other) {
    Color::operator=(other);
    return *this;
  }

  HGDIOBJ select(HDC hdc, int mode) override;
  void deselect(HDC hdc, HGDIOBJ previous) override;

 private:
  HBRUSH brush_ = nullptr;  // created by select, deleted by deselect
};

#endif  // GRAPHICS_FILL_COLOR_H
