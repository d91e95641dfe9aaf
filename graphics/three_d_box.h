// A bevelled box, for boxes that should look like a raised panel. The plain one
// draws a black frame and, 5 units inside it, a face in the system's button
// face colour (white without colour); ThreeDBoxRaised and ThreeDBoxBumped add
// bevels in between. Its inner rectangle is 6 units inside the frame. In fast
// paint, and in the shadow and halo drawn around it, it is a plain rectangle.
#ifndef GRAPHICS_THREE_D_BOX_H
#define GRAPHICS_THREE_D_BOX_H

#include "graphics/shape.h"

class ThreeDBox : public Shape {
 public:
  static constexpr int FaceInset = 5;
  static constexpr int BevelWidth = 6;

  explicit ThreeDBox(GraphicWindow* parent = nullptr) : Shape(parent) {}
  ThreeDBox(GraphicWindow* parent, RECT r) : Shape(parent) { setRect(r, nullptr); }
  void innerRect(RECT& r) const override;
  void drawFigure(HDC hdc) override;

 protected:
  // The bevels between the frame and the face (none here).
  virtual void drawBevels(HDC, const RECT&) {}
  // Four filled bevels `inset` to `inset + width` inside r, without a pen: top
  // and left in `light`, right and bottom in `dark`.
  static void bevelRing(HDC hdc, const RECT& r, int inset, int width, COLORREF light, COLORREF dark);
  // Whether colours are drawn (the window's colour mode).
  bool inColour() const;
};

#endif  // GRAPHICS_THREE_D_BOX_H
