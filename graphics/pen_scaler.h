// The coordinate mapping of free-hand ink: a pen stroke keeps its points in its
// own coordinate space, the normal rectangle, and is shown in the scaled
// rectangle, which follows the annotation's box as the user moves and resizes
// it. A pen group maps its members' rectangles the same way.
//
// A point (x, y) of the normal rectangle n shows at
//   x' = (x - n.left) * (s.right - s.left) / (n.right - n.left) + s.left + 0.5
//   y' = (y - n.top) * (s.bottom - s.top) / (n.bottom - n.top) + s.top + 0.5
// truncated towards zero, so a stroke scaled into a box twice as wide has its x
// distances doubled, rounded to the nearest unit. Results outside the page's
// coordinate limit are held at the limit.
//
// Invariants (checked by invariantsHold):
// 1. Both rectangles are normal: left <= right, top <= bottom.
// 2. The normal rectangle has a width and a height of at least 1, so that the
//    mapping never divides by zero.
#ifndef GRAPHICS_PEN_SCALER_H
#define GRAPHICS_PEN_SCALER_H

#include "platform/windows_types.h"

class PenScaler {
 public:
  // An empty width or height is widened by 1, then the rectangle is normalised.
  void SetNormalRect(const RECT& r);
  // Normalised.
  void SetScaledRect(const RECT& r);
  const RECT& GetNormalRect() const { return normal_; }
  const RECT& GetScaledRect() const { return scaled_; }
  POINT ScalePoint(POINT p) const;
  // Both corners of `r` mapped (the result is normal when `r` is).
  RECT ScaleRect(const RECT& r) const;
  // Swaps edges so that left <= right and top <= bottom.
  static void Normalize(RECT& r);
  bool invariantsHold() const;

 private:
  RECT normal_ = {0, 0, 1, 1};
  RECT scaled_ = {0, 0, 1, 1};
};

#endif  // GRAPHICS_PEN_SCALER_H
