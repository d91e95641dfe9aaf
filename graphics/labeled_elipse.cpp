// The labelled ellipse's fit, inner rectangle, region and join points (see
// labeled_elipse.h).
#include "graphics/labeled_elipse.h"

void LabeledElipse::drawShapeOutline(HDC hdc, const RECT& r) { ::Ellipse(hdc, r.left, r.top, r.right, r.bottom); }

HRGN LabeledElipse::setRegion() const {
  RECT r;
  rect(r);
  return ::CreateEllipticRgn(r.left, r.top, r.right, r.bottom);
}

void LabeledElipse::sizeToLabel(int W, int H, LONG& width, LONG& height, LONG& offsetX, LONG& offsetY) const {
  const DWORD m = lineMask();
  const int pl = (m & LeftLine) ? 3 : 1, pr = (m & RightLine) ? 3 : 1;
  const int pt = (m & TopLine) ? 2 : 1, pb = (m & BottomLine) ? 2 : 1;
  width = static_cast<LONG>((W + pl + pr) * sqrt2());
  height = static_cast<LONG>((H + pt + pb) * sqrt2());
  const double margin = 0.5 * (1.0 - 1.0 / sqrt2());
  offsetX = static_cast<LONG>(width * margin + pl);
  offsetY = static_cast<LONG>(height * margin + pt);
}

void LabeledElipse::innerRect(RECT& r) const {
  RECT o;
  rect(o);
  const LONG cx = (o.left + o.right) >> 1, cy = (o.top + o.bottom) >> 1;
  const LONG hw = static_cast<LONG>((o.right - o.left) / 2.0 / sqrt2());
  const LONG hh = static_cast<LONG>((o.bottom - o.top) / 2.0 / sqrt2());
  r = {cx - hw, cy - hh, cx + hw, cy + hh};
}

void LabeledElipse::getJoinPoint(joinPoint jp, POINT& p) const {
  RECT r;
  rect(r);
  const LONG kx = static_cast<LONG>(0.146 * (r.right - r.left)), ky = static_cast<LONG>(0.146 * (r.bottom - r.top));
  const LONG leftX[3] = {r.left + kx, r.left, r.left + kx}, rightX[3] = {r.right - kx, r.right, r.right - kx};
  const LONG topY[3] = {r.top + ky, r.top, r.top + ky}, bottomY[3] = {r.bottom - ky, r.bottom, r.bottom - ky};
  refinedJoinPoint("Graphic", jp, r, p, leftX, rightX, topY, bottomY);
}
