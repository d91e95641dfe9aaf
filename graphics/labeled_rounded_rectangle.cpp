// The rounded rectangle's outline, region and join points (see
// labeled_rounded_rectangle.h).
#include "graphics/labeled_rounded_rectangle.h"

void LabeledRoundedRectangle::drawShapeOutline(HDC hdc, const RECT& r) {
  const LONG e = cornerSize(r.bottom - r.top);
  ::RoundRect(hdc, r.left, r.top, r.right, r.bottom, e, e);
}

HRGN LabeledRoundedRectangle::setRegion() const {
  RECT r;
  rect(r);
  const LONG e = cornerSize(r.bottom - r.top);
  return ::CreateRoundRectRgn(r.left, r.top, r.right, r.bottom, e, e);
}

void LabeledRoundedRectangle::getJoinPoint(joinPoint jp, POINT& p) const {
  RECT r;
  rect(r);
  const LONG k = static_cast<LONG>(0.146 * cornerSize(r.bottom - r.top));
  const LONG leftX[3] = {r.left + k, r.left, r.left + k}, rightX[3] = {r.right - k, r.right, r.right - k};
  const LONG topY[3] = {r.top + k, r.top, r.top + k}, bottomY[3] = {r.bottom - k, r.bottom, r.bottom - k};
  refinedJoinPoint("LabledRoundedRectangle", jp, r, p, leftX, rightX, topY, bottomY);
}
