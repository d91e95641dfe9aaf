// The drawing half of the hierarchy: a visual graphic owns its geometry, its
// flags word and its pen style, lives in a window (not owned; null while
// detached) and draws itself. Shapes, lines, arrows and text blocks are visual
// graphics; behavioural graphics own one as their render.
#ifndef GRAPHICS_VISUAL_GRAPHIC_H
#define GRAPHICS_VISUAL_GRAPHIC_H

#include "graphics/graphic.h"

class VisualGraphic : public Graphic {
 public:
  explicit VisualGraphic(GraphicWindow* parent = nullptr) : parent_(parent) {}
  ~VisualGraphic() override;

  void destroy() override { delete this; }
  GraphicWindow* getParent() const override { return parent_; }
  void setParent(GraphicWindow* parent) override;
  void setState(DWORD bits) override { assignState(flags_ | bits); }
  void clearState(DWORD bits) override { assignState(flags_ & ~bits); }
  DWORD state() const override { return flags_; }
  void assignState(DWORD value) override;
  void setDotted(int on) override;

  virtual int penStyle() const { return penStyle_; }
  virtual void setPenStyle(int style) { penStyle_ = style; }

 protected:
  // How colours are selected: in colour unless the window draws without it
  // (colour is assumed without a window).
  int colourSelectMode() const;

 private:
  GraphicWindow* parent_;
  int penStyle_ = PS_INSIDEFRAME;
  DWORD flags_ = 0;
};

#endif  // GRAPHICS_VISUAL_GRAPHIC_H
