// The line colour of a graphic: selecting it creates a pen of the effective
// colour in the pen style and width the graphic asks for; deselecting puts the
// previous pen back and deletes it. Without colour a line is black (white when
// inverted).
#ifndef GRAPHICS_LINE_COLOR_H
#define GRAPHICS_LINE_COLOR_H

#include "graphics/color.h"

class LineColor : public Color {
 public:
  explicit LineColor(COLORREF value = 0x000000) : Color(value) {}
  ~LineColor() override;
  LineColor(const LineColor& other) : Color(other), style_(other.style_), width_(other.width_) {}
  LineColor& operator=(const LineColor& other) {
    Color::operator=(other);
    style_ = other.style_;
    width_ = other.width_;
    return *this;
  }

  COLORREF effective(short useColour, short inverted) const override;
  HGDIOBJ select(HDC hdc, int mode) override;
  void deselect(HDC hdc, HGDIOBJ previous) override;
  // The pen that `select` creates: style (PS_...) and width.
  void setPen(int style, int width) {
    style_ = style;
    width_ = width;
  }

 private:
  int style_ = PS_INSIDEFRAME;
  int width_ = 1;
  HPEN pen_ = nullptr;  // created by select, deleted by deselect
};

#endif  // GRAPHICS_LINE_COLOR_H
