// The normal-to-scaled mapping of pen annotations (see pen_scaler.h).
#include "graphics/pen_scaler.h"

#include <cmath>
#include <cstdint>
#include <utility>

#include "graphics/graphic.h"

namespace {

// One axis: v in [n0, n1] shown in [s0, s1]. Computed in double so that no
// product of 32-bit values can overflow; n1 > n0 by the invariants.
LONG scaleAxis(LONG v, LONG n0, LONG n1, LONG s0, LONG s1) {
  const double span = static_cast<double>(n1) - n0;
  const double out = (static_cast<double>(v) - n0) * (static_cast<double>(s1) - s0) / span + s0 + 0.5;
  const double limit = Graphic::kCoordinateLimit;
  if (!(out > -limit)) return -Graphic::kCoordinateLimit;
  if (!(out < limit)) return Graphic::kCoordinateLimit;
  return static_cast<LONG>(std::trunc(out));
}

// Widens [lo, hi] to at least one unit, downwards when upwards would overflow.
void widen(LONG& lo, LONG& hi) {
  if (lo != hi) return;
  if (hi < INT32_MAX) ++hi;
  else --lo;
}

}  // namespace

void PenScaler::Normalize(RECT& r) {
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
}

void PenScaler::SetNormalRect(const RECT& r) {
  normal_ = r;
  widen(normal_.left, normal_.right);
  widen(normal_.top, normal_.bottom);
  Normalize(normal_);
}

void PenScaler::SetScaledRect(const RECT& r) {
  scaled_ = r;
  Normalize(scaled_);
}

POINT PenScaler::ScalePoint(POINT p) const {
  return {scaleAxis(p.x, normal_.left, normal_.right, scaled_.left, scaled_.right),
          scaleAxis(p.y, normal_.top, normal_.bottom, scaled_.top, scaled_.bottom)};
}

RECT PenScaler::ScaleRect(const RECT& r) const {
  const POINT a = ScalePoint({r.left, r.top});
  const POINT b = ScalePoint({r.right, r.bottom});
  return {a.x, a.y, b.x, b.y};
}

bool PenScaler::invariantsHold() const {
  return normal_.left < normal_.right && normal_.top < normal_.bottom && scaled_.left <= scaled_.right &&
         scaled_.top <= scaled_.bottom;
}
