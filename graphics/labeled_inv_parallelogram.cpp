// The inverted parallelogram's points and join points (see labeled_inv_parallelogram.h).
#include "graphics/labeled_inv_parallelogram.h"

void LabeledInvParallelogram::points(LONG l, LONG t, LONG r, LONG b, std::vector<POINT>& out) const {
  const LONG d = xInset(l, t, r, b);
  out = {{l + d, b - 1}, {l + 1, t + 1}, {r - d, t + 1}, {r - 1, b - 1}};
}

void LabeledInvParallelogram::getJoinPoint(joinPoint jp, POINT& p) const {
  RECT q;
  rect(q);
  const LONG l = q.left, r = q.right, d = xInset(q.left, q.top, q.right, q.bottom);
  const LONG leftX[3] = {l, l + d / 2, l + d}, rightX[3] = {r - d, r - d / 2, r};
  rowJoinPoint("LabledInvParallelogram", jp, p, leftX, rightX);
}
