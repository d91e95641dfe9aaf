// The visual graphic's window, flags word and pen style (see visual_graphic.h).
#include "graphics/visual_graphic.h"

#include "graphics/color.h"
#include "graphics/graphic_window.h"

VisualGraphic::~VisualGraphic() = default;

void VisualGraphic::setParent(GraphicWindow* parent) {
  parent_ = parent;
  geometryChanged();
}

void VisualGraphic::assignState(DWORD value) {
  // The window-bound edges change where the rectangle is.
  if ((value ^ flags_) & WindowEdgeMask) geometryChanged();
  flags_ = value;
}

void VisualGraphic::setDotted(int on) {
  Graphic::setDotted(on);
  setPenStyle(on ? PS_DOT : PS_INSIDEFRAME);
}

int VisualGraphic::colourSelectMode() const {
  return (parent_ == nullptr || parent_->colorMode()) ? Color::UseColour : 0;
}
