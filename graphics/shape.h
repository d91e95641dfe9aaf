// A shape: the visual graphic that draws an outline figure with a line colour
// and a fill colour inside a stored rectangle, its drop shadow, its highlight
// halo and, while selected, its eight resize handles. The figure itself is left
// to each kind of shape (drawFigure); everything around it is drawn here.
//
// Handles are 8 units square: the corners sit inside the four corners, the
// mid-edge ones are centred on each edge (centre - 4 .. centre + 4). They are
// filled green with the line colour's pen; with NoResize all are hollow, with
// NoEdgeResize the mid-edge ones.
//
// A shape never moves above or left of the page origin: moveTo puts an edge
// that would come out below 1 at 0.
#ifndef GRAPHICS_SHAPE_H
#define GRAPHICS_SHAPE_H

#include "graphics/fill_color.h"
#include "graphics/line_color.h"
#include "graphics/visual_graphic.h"

class Shape : public VisualGraphic {
 public:
  static constexpr COLORREF HandleColour = 0x00FF00;
  static constexpr COLORREF HaloColour = 0x00FFFF;

  explicit Shape(GraphicWindow* parent = nullptr);
  // A shape that still has a window that is not suspended erases itself.
  ~Shape() override;

  int rect(RECT& r) const override;
  int rawRect(RECT& r) const override;
  int boundingRect(RECT& r) const override;
  void moveTo(int x, int y, HDC hdc) override;
  void setRect(RECT& r, HDC hdc) override;
  HRGN setRegion() const override;
  void draw(TDC& dc, int force) override;
  void erase(HDC hdc) override;
  int setColor(DWORD* fill, DWORD* line, DWORD* text) override;

  // The area inside the border; the stored rectangle here.
  virtual void innerRect(RECT& r) const;
  virtual void drawHalo(HDC hdc);
  virtual void drawInverted(HDC hdc);
  // The outline and fill with the pen and brush selected.
  virtual void drawFigure(HDC hdc) = 0;
  virtual void drawHandles(HDC hdc, int erase);
  virtual void setSize(int width, int height, HDC hdc);

  const LineColor& lineColor() const { return line_; }
  const FillColor& fillColor() const { return fill_; }

 protected:
  // The rectangle drawFigure draws: rect, moved by the shadow's offset or grown
  // by the halo while those are drawn.
  RECT figureRect() const;
  // The exclusive-or outline of fast paint (drawing it twice removes it).
  void drawOutline(HDC hdc);

 private:
  RECT rect_ = {0, 0, 0, 0};
  LineColor line_;
  FillColor fill_;
  POINT figureOffset_ = {0, 0};
  int figureInflate_ = 0;
};

#endif  // GRAPHICS_SHAPE_H
