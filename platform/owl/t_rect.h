// The framework's rectangle: RECT with constructors and the operations the
// system's classes call (size, containment, offset, inflate, union and
// intersection). Like RECT, it covers left..right-1 and top..bottom-1.
#ifndef PLATFORM_T_RECT_H
#define PLATFORM_T_RECT_H

#include <algorithm>

#include "platform/owl/t_point.h"

class TRect : public RECT {
 public:
  TRect() : RECT{0, 0, 0, 0} {}
  TRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
  TRect(const RECT& r) : RECT(r) {}  // NOLINT: converts as the framework does
  TRect(const TPoint& topLeft, const TPoint& bottomRight)
      : RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}
  TRect(const TPoint& origin, const TSize& extent)
      : RECT{origin.x, origin.y, origin.x + extent.cx, origin.y + extent.cy} {}

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  TSize Size() const { return TSize(Width(), Height()); }
  TPoint TopLeft() const { return TPoint(left, top); }
  TPoint BottomRight() const { return TPoint(right, bottom); }
  bool IsEmpty() const { return left >= right || top >= bottom; }
  bool IsNull() const { return left == 0 && right == 0 && top == 0 && bottom == 0; }
  bool Contains(const TPoint& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  bool Contains(const TRect& r) const {
    return r.left >= left && r.right <= right && r.top >= top && r.bottom <= bottom;
  }
  bool Touches(const TRect& r) const {
    return r.left < right && r.right > left && r.top < bottom && r.bottom > top;
  }
  void Set(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
  TRect& Offset(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; return *this; }
  TRect OffsetBy(int dx, int dy) const { TRect r(*this); return r.Offset(dx, dy); }
  TRect& Inflate(int dx, int dy) { left -= dx; right += dx; top -= dy; bottom += dy; return *this; }
  TRect InflatedBy(int dx, int dy) const { TRect r(*this); return r.Inflate(dx, dy); }
  TRect& Normalize() {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    return *this;
  }
  TRect Normalized() const { TRect r(*this); return r.Normalize(); }
  // The union of two rectangles; an empty one adds nothing.
  TRect& operator|=(const TRect& o) {
    if (o.IsEmpty()) return *this;
    if (IsEmpty()) return *this = o;
    left = std::min(left, o.left); top = std::min(top, o.top);
    right = std::max(right, o.right); bottom = std::max(bottom, o.bottom);
    return *this;
  }
  TRect operator|(const TRect& o) const { TRect r(*this); return r |= o; }
  // The intersection; empty (all zero) when they do not overlap.
  TRect& operator&=(const TRect& o) {
    TRect r(std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom));
    return *this = r.IsEmpty() ? TRect() : r;
  }
  TRect operator&(const TRect& o) const { TRect r(*this); return r &= o; }
  bool operator==(const TRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const TRect& o) const { return !(*this == o); }
};

#endif  // PLATFORM_T_RECT_H
