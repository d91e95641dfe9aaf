// The hexagon's points and join points (see labeled_hexagon.h).
#include "graphics/labeled_hexagon.h"

void LabeledHexagon::points(LONG l, LONG t, LONG r, LONG b, std::vector<POINT>& out) const {
  const LONG d = xInset(l, t, r, b);
  const LONG cy = (t + b) >> 1;
  out = {{l + 1, cy}, {l + d, t + 1}, {r - d, t + 1}, {r - 1, cy}, {r - d, b - 1}, {l + d, b - 1}};
}

void LabeledHexagon::getJoinPoint(joinPoint jp, POINT& p) const {
  RECT q;
  rect(q);
  const LONG l = q.left, r = q.right, d = xInset(q.left, q.top, q.right, q.bottom);
  const LONG leftX[3] = {l + d, l, l + d}, rightX[3] = {r - d, r, r - d};
  rowJoinPoint("LabledHexagon", jp, p, leftX, rightX);
}
