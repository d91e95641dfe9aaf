// The parallelogram's points and join points (see labeled_parallelogram.h).
#include "graphics/labeled_parallelogram.h"

void LabeledParallelogram::points(LONG l, LONG t, LONG r, LONG b, std::vector<POINT>& out) const {
  const LONG d = xInset(l, t, r, b);
  out = {{l + 1, b - 1}, {l + d, t + 1}, {r - 1, t + 1}, {r - d, b - 1}};
}

void LabeledParallelogram::getJoinPoint(joinPoint jp, POINT& p) const {
  RECT q;
  rect(q);
  const LONG l = q.left, r = q.right, d = xInset(q.left, q.top, q.right, q.bottom);
  const LONG leftX[3] = {l + d, l + d / 2, l}, rightX[3] = {r, r - d / 2, r - d};
  rowJoinPoint("LabledParallelogram", jp, p, leftX, rightX);
}
