// The common base of the page objects that stand for hypertext objects: idea
// symbols and the boxes that show links. A GNode is a sensitive graphic drawn by
// a labelled shape, its render, which it owns and may replace by a shape of
// another glyph (keeping geometry, colours, flags and label); it can carry one
// slave graphic (an annotation) in place of its label, which then follows its
// every move; its relations keep their lines attached to it.
//
// Invariants:
// 1. The render is a LabeledShape; it is missing only while a constructor that
//    could not make one runs (then the glyph falls back to the rectangle).
// 2. While a slave is attached the label text is empty: the slave shows the
//    content.
// 3. A graphic slave's centre is the render's centre after every move.
#ifndef GRAPHICS_G_NODE_H
#define GRAPHICS_G_NODE_H

#include "graphics/labeled_shape.h"
#include "graphics/sensitive_graphic.h"
#include "graphics/simple_master.h"

class GNode : public SensitiveGraphic, public SimpleMaster {
 public:
  // A shape of `glyph` whose top-left corner is (x, y) until it is first fitted
  // to its label `text`.
  GNode(GraphicWindow* parent, LONG id, const char* text, int glyph, int x, int y);
  ~GNode() override;

  // Takes over `shape` as the render: it gets the old render's label offsets,
  // rectangle, flags, parent, pen style, paint layer, colours and label, and
  // keeps its own line mask. Null changes nothing.
  virtual void setRender(LabeledShape* shape);
  // Replaces the render by a shape of `glyph` with `lineMask` (nothing changes
  // when it already is that glyph). 0 with a report when there is no window to
  // make a shape for; else 1.
  virtual int setShape(int glyph, DWORD lineMask, GraphicWindow* parent);
  virtual void setText(const char* text);
  virtual void innerRect(RECT& r) const;
  // The label's text colour; 0 without a render.
  virtual COLORREF textColor() const;
  int doSetMasterTo(SimpleSlave* slave, bool dying) override;

  // The render, or null.
  LabeledShape* shape() const { return static_cast<LabeledShape*>(Render.get()); }
  // The attached slave when it is a graphic, else null.
  Graphic* slaveGraphic() const;

  void draw(TDC& dc, int force) override;
  void erase(HDC hdc) override;
  void moveTo(int x, int y, HDC hdc) override;
  void setRect(RECT& r, HDC hdc) override;
  void compute(TDC& dc) override;
  void setAutoSize(HDC hdc) override;
  void invalidate() override;
  HRGN setRegion() const override;
  int setColor(DWORD* fill, DWORD* line, DWORD* text) override;
  void setParent(GraphicWindow* parent) override;
  void slaveSetFastPaint(int on, HDC hdc) override;
  void slaveSetSelected(int on, int keepOthers) override;

 private:
  // Centres the slave graphic on the render.
  void centreSlave(HDC hdc);
};

#endif  // GRAPHICS_G_NODE_H
