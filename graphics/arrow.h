// An arrow: a line with a filled head at its end point, the lines of a link
// box's relations (from the source symbol to the box, from the box to each
// destination).
//
// Head: with L the distance between the points, none when L * L < 0.3; its
// length k is 6, or trunc(L) when L < 6. The wings are the end point plus
// k times (cos, sin) of the direction toward the start turned by -0.32 and
// +0.32 radians (x from the angle theta, y from the angle phi, each computed
// from its own axis as the code below does); the head is the triangle end,
// wing 1, wing 2. Not drawn in fast paint. The rectangle is the points' box
// grown by 5, to hold the head.
#ifndef GRAPHICS_ARROW_H
#define GRAPHICS_ARROW_H

#include "graphics/line.h"

class Arrow : public Line {
 public:
  static constexpr int HeadLength = 6;
  static constexpr int Outset = 5;

  explicit Arrow(GraphicWindow* parent = nullptr, POINT start = {0, 0}, POINT end = {100, 100})
      : Line(parent, start, end) {}
  ~Arrow() override;

  int rect(RECT& r) const override;

  // The head's wings for an arrow from `start` to `end`; false when it has none.
  static bool headWings(POINT start, POINT end, POINT& wing1, POINT& wing2);

 protected:
  void drawFigure(HDC hdc) override;
};

#endif  // GRAPHICS_ARROW_H
