// A line: the visual graphic drawn between two points, the from point and the to
// point. Its rectangle is the box of the two points; setRect takes the from
// point from the rectangle's left and top and the to point from its right and
// bottom, which is how a relation places the line it owns. Arrows and tethers
// build on it.
#ifndef GRAPHICS_LINE_H
#define GRAPHICS_LINE_H

#include "graphics/line_color.h"
#include "graphics/visual_graphic.h"

class Line : public VisualGraphic {
 public:
  // Half the width of the band around the line that hits it.
  static constexpr int HitSlack = 3;

  explicit Line(GraphicWindow* parent = nullptr, POINT from = {0, 0}, POINT to = {0, 0});
  ~Line() override;

  int rect(RECT& r) const override;
  int rawRect(RECT& r) const override;
  int boundingRect(RECT& r) const override;
  void moveTo(int x, int y, HDC hdc) override;
  void setRect(RECT& r, HDC hdc) override;
  HRGN setRegion() const override;
  void draw(TDC& dc, int force) override;
  void erase(HDC hdc) override;
  int setColor(DWORD* fill, DWORD* line, DWORD* text) override;

  virtual void endPoints(POINT& from, POINT& to) const {
    from = from_;
    to = to_;
  }
  const LineColor& lineColor() const { return line_; }

 protected:
  // The figure: a two-point polyline with the pen selected.
  virtual void drawFigure(HDC hdc);

 private:
  POINT from_;
  POINT to_;
  LineColor line_;
};

#endif  // GRAPHICS_LINE_H
