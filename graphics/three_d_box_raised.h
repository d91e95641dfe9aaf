// A bevelled box that stands out: inside its frame a ring of bevels 6 units
// wide, lit at the top and left (the system's button highlight colour) and in
// shadow at the right and bottom (button shadow), around the face.
#ifndef GRAPHICS_THREE_D_BOX_RAISED_H
#define GRAPHICS_THREE_D_BOX_RAISED_H

#include "graphics/three_d_box.h"

class ThreeDBoxRaised : public ThreeDBox {
 public:
  using ThreeDBox::ThreeDBox;

 protected:
  void drawBevels(HDC hdc, const RECT& r) override {
    bevelRing(hdc, r, 1, BevelWidth - 1, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNSHADOW));
  }
};

#endif  // GRAPHICS_THREE_D_BOX_RAISED_H
