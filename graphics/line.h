// A line: the visual graphic drawn from a start point to an end point, in its
// line colour. Relations place the lines they own through setRect, which takes
// the start from the rectangle's left and top and the end from its right and
// bottom. Arrows and tethers build on it.
//
// Geometry: the rectangle is the box of the two points grown by Outset (1) on
// every side, and it is also the region that hits the line. moveTo moves the
// start point to the given point (coordinates below 1 become 0) and the end by
// the same distance. A line made without points runs from (0, 0) to (100,
// 100); a new line is Computed.
#ifndef GRAPHICS_LINE_H
#define GRAPHICS_LINE_H

#include "graphics/line_color.h"
#include "graphics/visual_graphic.h"

class Line : public VisualGraphic {
 public:
  static constexpr int Outset = 1;

  explicit Line(GraphicWindow* parent = nullptr, POINT start = {0, 0}, POINT end = {100, 100});
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

  virtual void startPoint(POINT& p) const { p = start_; }
  virtual void endPoint(POINT& p) const { p = end_; }
  // Stores new end points when any differs: erased before and drawn after
  // through `hdc` when the line is visible.
  virtual void setEndpoints(int x1, int y1, int x2, int y2, HDC hdc);

  void endPoints(POINT& start, POINT& end) const {
    start = start_;
    end = end_;
  }
  const LineColor& lineColor() const { return line_; }

 protected:
  // The figure from start to end, with the pen (and a brush of the same colour
  // for what a descendant adds) selected.
  virtual void drawFigure(HDC hdc);
  // The box of the two points grown by `outset`.
  void pointsBox(RECT& r, int outset) const;
  static bool isMetafile(HDC hdc);

 private:
  POINT start_;
  POINT end_;
  LineColor line_;
};

#endif  // GRAPHICS_LINE_H
