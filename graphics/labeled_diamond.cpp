// The diamond's fit, points and join points (see labeled_diamond.h).
#include "graphics/labeled_diamond.h"

void LabeledDiamond::points(LONG l, LONG t, LONG r, LONG b, std::vector<POINT>& out) const {
  const LONG cx = (l + r) >> 1, cy = (t + b) >> 1;
  out = {{l + 1, cy}, {cx, t + 1}, {r - 1, cy}, {cx, b - 1}};
}

void LabeledDiamond::sizeToLabel(int W, int H, LONG& width, LONG& height, LONG& offsetX, LONG& offsetY) const {
  offsetX = W / 2 + 2;
  width = W + 2 * (W / 2 + 2);
  offsetY = H / 2 + 2;
  height = H + 2 * (H / 2 + 2);
}

void LabeledDiamond::getJoinPoint(joinPoint jp, POINT& p) const {
  RECT q;
  rect(q);
  const LONG l = q.left, t = q.top, r = q.right, b = q.bottom;
  const LONG dx = (r - l) / 4, dy = (b - t) / 4;
  const LONG leftX[3] = {l + dx, l, l + dx}, rightX[3] = {r - dx, r, r - dx};
  const LONG topY[3] = {t + dy, t, t + dy}, bottomY[3] = {b - dy, b, b - dy};
  refinedJoinPoint("LabledDiamond", jp, q, p, leftX, rightX, topY, bottomY);
}
