// What the polygon shapes share (see labeled_polygon.h).
#include "graphics/labeled_polygon.h"

void LabeledPolygon::drawShapeOutline(HDC hdc, const RECT& r) {
  std::vector<POINT> p;
  points(r.left, r.top, r.right, r.bottom, p);
  ::Polygon(hdc, p.data(), static_cast<int>(p.size()));
}

HRGN LabeledPolygon::setRegion() const {
  RECT r;
  rect(r);
  std::vector<POINT> p;
  points(r.left, r.top, r.right, r.bottom, p);
  return ::CreatePolygonRgn(p.data(), static_cast<int>(p.size()), ALTERNATE);
}

void LabeledPolygon::sizeToLabel(int W, int H, LONG& width, LONG& height, LONG& offsetX, LONG& offsetY) const {
  const DWORD m = lineMask();
  const int s = std::max(W / 4, minimumSlant());
  const int gt = (m & TopSide) ? lineGap(H) : 0, gb = (m & BottomSide) ? lineGap(H) : 0;
  offsetX = s + 2;
  width = W + 2 * (s + 2);
  offsetY = gt + 2;
  height = H + gt + gb + 4;
}

void LabeledPolygon::innerRect(RECT& out) const {
  RECT r;
  rect(r);
  const LONG dx = xInset(r.left, r.top, r.right, r.bottom), dy = yInset(r.left, r.top, r.right, r.bottom);
  const LONG w = r.right - r.left, h = r.bottom - r.top;
  const DWORD m = lineMask();
  auto side = [](LONG inset, bool line, LONG size) -> LONG {
    if (inset != 0) return inset + 1;
    return line ? lineGap(size) : 1;
  };
  RECT in = {r.left + side(dx, (m & LeftSide) != 0, w), r.top + side(dy, (m & TopSide) != 0, h),
             r.right - side(dx, (m & RightSide) != 0, w), r.bottom - side(dy, (m & BottomSide) != 0, h)};
  out = (in.left > in.right || in.top > in.bottom) ? r : in;
}

void LabeledPolygon::rowJoinPoint(const char* owner, joinPoint jp, POINT& p, const LONG leftX[3],
                                  const LONG rightX[3]) const {
  RECT r;
  rect(r);
  const LONG topY[3] = {r.top, r.top, r.top}, bottomY[3] = {r.bottom, r.bottom, r.bottom};
  refinedJoinPoint(owner, jp, r, p, leftX, rightX, topY, bottomY);
}
