// A tether: the wedge-shaped callout tail from an annotation (the start, on the
// annotation's edge) to what it comments on (the tip). Besides the line's two
// end points it has two base points on the annotation's edge, 7 units to each
// side of the start, which its relation places (see tether_relation.h).
//
// Drawn as the polygon start, base 1, tip, base 2 filled in the system's
// button-face colour, with base 1 -> tip -> base 2 drawn over it in black. Its
// rectangle is the box of the four points grown by 2 on every side.
#ifndef GRAPHICS_TETHER_H
#define GRAPHICS_TETHER_H

#include "graphics/line.h"

class Tether : public Line {
 public:
  static constexpr int Outset = 2;

  explicit Tether(GraphicWindow* parent = nullptr) : Line(parent) {}
  ~Tether() override;

  int rect(RECT& r) const override;
  void moveTo(int x, int y, HDC hdc) override;
  HRGN setRegion() const override;

  virtual void setBase(POINT base1, POINT base2);
  POINT base1() const { return base1_; }
  POINT base2() const { return base2_; }

 protected:
  void drawFigure(HDC hdc) override;

 private:
  POINT base1_ = {0, 0};
  POINT base2_ = {0, 0};
};

#endif  // GRAPHICS_TETHER_H
