// A bevelled box with a ridge around it: the raised box's bevels, and inside
// them a second ring with light and shadow exchanged, so that the border looks
// like a bump between the frame and the face.
#ifndef GRAPHICS_THREE_D_BOX_BUMPED_H
#define GRAPHICS_THREE_D_BOX_BUMPED_H

#include "graphics/three_d_box_raised.h"

class ThreeDBoxBumped : public ThreeDBoxRaised {
 public:
  using ThreeDBoxRaised::ThreeDBoxRaised;

 protected:
  void drawBevels(HDC hdc, const RECT& r) override {
    ThreeDBoxRaised::drawBevels(hdc, r);
    // The inner half of the ring, sunk.
    bevelRing(hdc, r, 3, BevelWidth - 3, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
  }
};

#endif  // GRAPHICS_THREE_D_BOX_BUMPED_H
