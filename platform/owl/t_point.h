// The framework's point and size: POINT and SIZE with constructors, arithmetic
// and comparison, as the system's window classes use them.
#ifndef PLATFORM_T_POINT_H
#define PLATFORM_T_POINT_H

#include "platform/windows_types.h"

class TPoint : public POINT {
 public:
  TPoint() : POINT{0, 0} {}
  TPoint(int px, int py) : POINT{px, py} {}
  TPoint(const POINT& p) : POINT(p) {}  // NOLINT: converts as the framework does
  TPoint operator+(const TPoint& o) const { return TPoint(x + o.x, y + o.y); }
  TPoint operator-(const TPoint& o) const { return TPoint(x - o.x, y - o.y); }
  TPoint& operator+=(const TPoint& o) { x += o.x; y += o.y; return *this; }
  TPoint& operator-=(const TPoint& o) { x -= o.x; y -= o.y; return *this; }
  bool operator==(const TPoint& o) const { return x == o.x && y == o.y; }
  bool operator!=(const TPoint& o) const { return !(*this == o); }
  TPoint OffsetBy(int dx, int dy) const { return TPoint(x + dx, y + dy); }
};

class TSize : public SIZE {
 public:
  TSize() : SIZE{0, 0} {}
  TSize(int w, int h) : SIZE{w, h} {}
  TSize(const SIZE& s) : SIZE(s) {}  // NOLINT
  bool operator==(const TSize& o) const { return cx == o.cx && cy == o.cy; }
  bool operator!=(const TSize& o) const { return !(*this == o); }
};

#endif  // PLATFORM_T_POINT_H
