// The shape gallery: a page window that shows every glyph shape as a person
// sees it, drawn by the shape classes themselves. One row per glyph: the short
// label in each decoration line mask, the colour sets, a long label in two of
// them, a drop shadow, and a selected, highlighted one with its handles and
// halo; a last row with the bevelled boxes, the null shape and the boxed and
// scrolled text blocks. Every shape's eight outline join points are marked
// with small red squares (3 x 3, centred on the point); captions name the rows
// and columns.
#ifndef TOOLS_GALLERY_SHAPE_GALLERY_H
#define TOOLS_GALLERY_SHAPE_GALLERY_H

#include <vector>

#include "graphics/graphic_window.h"
#include "graphics/shape.h"

class ShapeGallery : public GraphicWindow {
 public:
  static constexpr int kLabelColumn = 140;
  static constexpr int kCellW = 150;
  static constexpr int kCellH = 130;
  static constexpr int kHeader = 44;
  static constexpr int kColumns = 11;
  static constexpr int kRows = 11;
  static int pageWidth() { return kLabelColumn + kColumns * kCellW; }
  static int pageHeight() { return kHeader + kRows * kCellH; }

  explicit ShapeGallery(TWindow* parent);
  ~ShapeGallery() override;

  int isModified() override { return 0; }
  void setModified(int) override {}
  void SetupWindow() override;
  void Paint(TDC& dc, bool erase, TRect& area) override;

  // The shapes shown (owned by the window's graphic list), row by row.
  const std::vector<Shape*>& shapes() const { return shapes_; }

 private:
  // Adds a shape to the page, centred in its cell.
  void place(Shape* s, int column, int row);
  void captions(HDC hdc);
  void joinPointMarks(HDC hdc);

  HFONT font_;
  HFONT captionFont_;
  std::vector<Shape*> shapes_;
  std::vector<POINT> cells_;  // each shape's cell
};

#endif  // TOOLS_GALLERY_SHAPE_GALLERY_H
