// A labelled shape: a shape with a text block as its label, which sizes the
// figure around it (fitToLabel), the label's offsets from the shape's top-left
// corner, and decoration lines chosen by a line mask. The ten glyph shapes that
// idea symbols are drawn with are labelled shapes (see labeled_shape_db.h).
//
// Line mask:
//   0x01 TopSpoke     vertical line at the centre, outer top to inner top
//   0x02 BottomSpoke  likewise from the outer bottom up to the inner bottom
//   0x04 LeftSpoke    horizontal line at the middle, outer left to inner left
//   0x08 RightSpoke   likewise from the outer right to the inner right
//   0x10 TopLine      along the inner rectangle's top edge
//   0x20 BottomLine   along its bottom edge
//   0x40 LeftLine     along its left edge
//   0x80 RightLine    along its right edge
// The pairs 0x11, 0x22, 0x44 and 0x88 say that a side has something on it.
//
// Fitting: with W and H the label's size and G(x) = max(trunc(x / 8), 8) the
// gap a decoration line takes, each shape gives its size and label offsets
// (sizeToLabel). A shape that has a size keeps its centre; one whose centre is
// still its top or left edge (a new, empty one) keeps its top-left corner and
// grows right and down. With FixedSize the size stays and only the offsets
// are recomputed, centring the label (fixedLabelOffset).
//
// Drawing: the figure as every shape draws it, its outline (drawShapeOutline)
// followed by the decoration lines, and then, unless in fast paint, the label
// at its offsets. Where the mask is the same on both sides the offsets centre
// the label; where it is not they keep the label clear of the lines.
#ifndef GRAPHICS_LABELED_SHAPE_H
#define GRAPHICS_LABELED_SHAPE_H

#include <algorithm>

#include "graphics/graphic_text_block.h"
#include "graphics/shape.h"

class LabeledShape : public Shape {
 public:
  enum LineMaskBits : DWORD {
    TopSpoke = 0x01,
    BottomSpoke = 0x02,
    LeftSpoke = 0x04,
    RightSpoke = 0x08,
    TopLine = 0x10,
    BottomLine = 0x20,
    LeftLine = 0x40,
    RightLine = 0x80,
  };
  static constexpr DWORD TopSide = 0x11, BottomSide = 0x22, LeftSide = 0x44, RightSide = 0x88;
  static constexpr DWORD LineMaskBitsAll = 0xFF;

  LabeledShape(GraphicWindow* parent, const char* text = nullptr, DWORD lineMask = 0);
  ~LabeledShape() override;

  // The glyph number this shape is drawn for (0..9).
  virtual int glyphNumber() const = 0;

  virtual void fitToLabel(HDC hdc);
  // Fits the figure around a box W x H in place of the label (a symbol that
  // carries an annotation inside it).
  virtual void fitToSize(int W, int H);
  virtual void setFixedSize(HDC hdc, int on);
  // The label, at its offsets, unless in fast paint.
  virtual void drawLabelled(TDC& dc, int force, int);
  // Draws the decoration lines of `mask` (0: of the stored mask, which a
  // non-zero mask replaces first) with the current pen.
  virtual void drawLines(HDC hdc, DWORD mask);
  virtual void drawEdgeLines(HDC hdc, const RECT& r, const RECT& inner);
  virtual void drawSpokes(HDC hdc, const RECT& r, const RECT& inner);
  virtual void setText(const char* text);
  // Refits the shape for the window's graphics font, which the label uses.
  virtual void setFont(HFONT font);
  virtual DWORD lineMask() const { return lineMask_; }
  virtual void setLineMask(DWORD mask);
  virtual const TextColor& textColor() const { return label_.textColor(); }

  void setParent(GraphicWindow* parent) override;
  void compute(TDC& dc) override;
  void draw(TDC& dc, int force) override;
  int setColor(DWORD* fill, DWORD* line, DWORD* text) override;
  // The outline, then the decoration lines.
  void drawFigure(HDC hdc) override;

  const GraphicTextBlock& label() const { return label_; }
  GraphicTextBlock& label() { return label_; }
  POINT labelOffset() const { return {labelOffsetX_, labelOffsetY_}; }
  void setLabelOffset(POINT offset) {
    labelOffsetX_ = offset.x;
    labelOffsetY_ = offset.y;
  }

  // G(x): the gap a decoration line takes from a size x.
  static int lineGap(int x) { return std::max(static_cast<int>(x * 0.125), 8); }
  static double sqrt2();

 protected:
  // The outline and fill of the figure in `r`.
  virtual void drawShapeOutline(HDC hdc, const RECT& r) = 0;
  // Size and label offsets for a label W x H when the size is not fixed.
  virtual void sizeToLabel(int W, int H, LONG& width, LONG& height, LONG& offsetX, LONG& offsetY) const = 0;
  // Label offsets inside a fixed size w x h: centred.
  virtual void fixedLabelOffset(int W, int H, LONG w, LONG h, LONG& offsetX, LONG& offsetY) const;

  // What the rectangle and the rounded rectangle share: fitting with line
  // gaps, the inner rectangle inset by a fraction of the size on each side
  // with something on it, and fixed offsets shifted by half the gaps.
  void boxSizeToLabel(int W, int H, LONG& width, LONG& height, LONG& offsetX, LONG& offsetY) const;
  void boxInnerRect(RECT& r) const;
  void boxFixedLabelOffset(int W, int H, LONG w, LONG h, LONG& offsetX, LONG& offsetY) const;
  // A two-point line from (x1, y1) to (x2, y2).
  static void line(HDC hdc, LONG x1, LONG y1, LONG x2, LONG y2);
  // A join point whose x depends on the row and whose y on the column: the
  // plain rectangle's, with leftX/rightX[row] (row 0 top, 1 middle, 2 bottom)
  // for the left and right columns and topY/bottomY[column] (0 left, 1 centre,
  // 2 right) for the top and bottom rows. Without a bit of one group, that
  // coordinate stays and `owner`'s message is reported, as for a rectangle.
  static void refinedJoinPoint(const char* owner, int jp, const RECT& r, POINT& p, const LONG leftX[3],
                               const LONG rightX[3], const LONG topY[3], const LONG bottomY[3]);

 private:
  GraphicTextBlock label_;
  LONG labelOffsetX_ = 0;
  LONG labelOffsetY_ = 0;
  // Recomputes the size after the label, font or mask changed, through the
  // window's context; the next paint does it without one.
  void refit();

  DWORD lineMask_;
};

#endif  // GRAPHICS_LABELED_SHAPE_H
