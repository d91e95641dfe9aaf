// What every renderer decides the same way (see render_style.h).
#include "platform/render/render_style.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/win/windows_gdi.h"

namespace render_style {

uint32_t applyRop2(int rop, uint32_t d, uint32_t p) {
  uint32_t v = p;
  switch (rop) {
    case R2_BLACK: v = 0; break;
    case R2_NOTMERGEPEN: v = ~(d | p); break;
    case R2_MASKNOTPEN: v = d & ~p; break;
    case R2_NOTCOPYPEN: v = ~p; break;
    case R2_MASKPENNOT: v = p & ~d; break;
    case R2_NOT: v = ~d; break;
    case R2_XORPEN: v = d ^ p; break;
    case R2_NOTMASKPEN: v = ~(d & p); break;
    case R2_MASKPEN: v = d & p; break;
    case R2_NOTXORPEN: v = ~(d ^ p); break;
    case R2_NOP: v = d; break;
    case R2_MERGENOTPEN: v = d | ~p; break;
    case R2_COPYPEN: v = p; break;
    case R2_MERGEPENNOT: v = p | ~d; break;
    case R2_MERGEPEN: v = d | p; break;
    case R2_WHITE: v = 0xFFFFFF; break;
    default: v = p; break;
  }
  return v & 0xFFFFFFu;
}

bool isPlainPaint(int rop, COLORREF pen, COLORREF* colour) {
  switch (rop) {
    case R2_BLACK: *colour = 0; return true;
    case R2_WHITE: *colour = 0xFFFFFF; return true;
    case R2_NOTCOPYPEN: *colour = ~pen & 0xFFFFFF; return true;
    case R2_COPYPEN: *colour = pen & 0xFFFFFF; return true;
    default:
      // An operation outside the sixteen draws as copy, as SetROP2 never lets one in.
      if (rop < R2_BLACK || rop > R2_WHITE) {
        *colour = pen & 0xFFFFFF;
        return true;
      }
      return false;
  }
}

std::vector<Step> vectorSteps(int rop, COLORREF c) {
  const COLORREF p = c & 0xFFFFFF, notP = ~c & 0xFFFFFF, white = 0xFFFFFF;
  COLORREF plain = 0;
  if (isPlainPaint(rop, c, &plain)) return {{Blend::Normal, plain}};
  switch (rop) {
    case R2_NOP: return {};
    case R2_NOT: return {{Blend::Difference, white}};
    case R2_XORPEN: return {{Blend::Difference, p}};
    case R2_NOTXORPEN: return {{Blend::Difference, notP}};
    case R2_MASKPEN: return {{Blend::Multiply, p}};
    case R2_MASKNOTPEN: return {{Blend::Multiply, notP}};
    case R2_MERGEPEN: return {{Blend::Screen, p}};
    case R2_MERGENOTPEN: return {{Blend::Screen, notP}};
    case R2_MASKPENNOT: return {{Blend::Difference, white}, {Blend::Multiply, p}};
    case R2_MERGEPENNOT: return {{Blend::Difference, white}, {Blend::Screen, p}};
    case R2_NOTMERGEPEN: return {{Blend::Screen, p}, {Blend::Difference, white}};
    case R2_NOTMASKPEN: return {{Blend::Multiply, p}, {Blend::Difference, white}};
    default: return {{Blend::Normal, p}};
  }
}

bool vectorExact(int rop, COLORREF c) {
  COLORREF plain = 0;
  if (isPlainPaint(rop, c, &plain) || rop == R2_NOP || rop == R2_NOT) return true;
  // A blend with a channel of 0 or 255 is the bitwise operation on that channel.
  for (int shift : {0, 8, 16}) {
    const unsigned v = (c >> shift) & 0xFF;
    if (v != 0 && v != 0xFF) return false;
  }
  return true;
}

bool hasPen(const DrawCommand& c) {
  return c.op != DrawOp::FillRect && c.pen.style != PS_NULL;
}

bool hasBrush(const DrawCommand& c) {
  return c.op != DrawOp::Polyline && c.op != DrawOp::FocusRect && c.op != DrawOp::Text &&
         c.brush.style != BS_NULL;
}

BoxF outlineBox(const DrawCommand& c) {
  const RECT& r = c.rect;
  if (c.pen.style == PS_INSIDEFRAME) {
    double h = c.pen.width / 2.0;
    return {r.left + h, r.top + h, r.right - h, r.bottom - h};
  }
  return {r.left + 0.5, r.top + 0.5, r.right - 0.5, r.bottom - 0.5};
}

BoxF fillBox(const DrawCommand& c) {
  const RECT& r = c.rect;
  if (c.op == DrawOp::FillRect) return {double(r.left), double(r.top), double(r.right), double(r.bottom)};
  if (!hasPen(c)) return {double(r.left), double(r.top), r.right - 1.0, r.bottom - 1.0};
  // Inside the outline's stroke, so that a pixel is painted by one or the other.
  BoxF o = outlineBox(c);
  double h = c.pen.width / 2.0;
  return {o.l + h, o.t + h, o.r - h, o.b - h};
}

std::vector<double> dashes(int penStyle) {
  switch (penStyle) {
    case PS_DASH: return {18, 6};
    case PS_DOT: return {3, 3};
    case PS_DASHDOT: return {9, 6, 3, 6};
    case PS_DASHDOTDOT: return {9, 3, 3, 3, 3, 3};
    default: return {};
  }
}

uint32_t applyRop3(DWORD rop3, uint32_t d, uint32_t s, uint32_t p) {
  const unsigned code = (rop3 >> 16) & 0xFF;
  uint32_t r = 0;
  // Bit i of the code is the result where pattern, source and destination are
  // the bits of i (4, 2 and 1).
  for (unsigned i = 0; i < 8; ++i) {
    if (((code >> i) & 1) == 0) continue;
    r |= ((i & 4) != 0 ? p : ~p) & ((i & 2) != 0 ? s : ~s) & ((i & 1) != 0 ? d : ~d);
  }
  return r & 0xFFFFFFu;
}

ImageStep imageStep(DWORD rop3) {
  switch ((rop3 >> 16) & 0xFF) {
    case 0xCC: return {Blend::Normal, false, true};       // SRCCOPY
    case 0x33: return {Blend::Normal, true, true};        // NOTSRCCOPY
    case 0x66: return {Blend::Difference, false, false};  // SRCINVERT
    case 0x88: return {Blend::Multiply, false, false};    // SRCAND
    case 0xEE: return {Blend::Screen, false, false};      // SRCPAINT
    case 0xBB: return {Blend::Screen, true, false};       // MERGEPAINT
    default: return {Blend::Normal, false, false};
  }
}

bool isThinLine(const DrawCommand& c) {
  return (c.op == DrawOp::Polyline || c.op == DrawOp::Polygon) && c.pen.style != PS_NULL && c.pen.width <= 1;
}

bool roundPen(const DrawCommand& c) { return c.pen.width > 1; }

namespace {

// floor(a / b) for b > 0.
long long floorDiv(__int128 a, __int128 b) {
  __int128 q = a / b;
  if ((a % b) != 0 && a < 0) --q;
  return static_cast<long long>(q);
}

// ceil(a / b) for b > 0.
long long ceilDiv(__int128 a, __int128 b) { return -floorDiv(-a, b); }

// The pixels of one segment from a to b, b left out, inside `bound`; `dash`
// (the pixels drawn before this segment) decides which fall in a gap.
void segmentPixels(POINT a, POINT b, const RECT& bound, const std::vector<int>& pattern, long long dashAt,
                   std::vector<POINT>& out) {
  const long long dx = static_cast<long long>(b.x) - a.x, dy = static_cast<long long>(b.y) - a.y;
  const long long adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  // Windows' octants, numbered clockwise from the positive x axis (y grows
  // downwards): x is the major axis in 1, 4, 5 and 8; octants 3, 5, 6 and 8
  // break ties the other way (a bias of one).
  int octant;
  if (dy > 0) octant = dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3);
  else octant = dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7);
  const bool xMajor = octant == 1 || octant == 4 || octant == 5 || octant == 8;
  const int bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
  const long long major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
  if (major == 0) return;
  const long long majorStart = xMajor ? a.x : a.y, minorStart = xMajor ? a.y : a.x;
  const int majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1, minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
  // Only the steps whose major coordinate lies inside the bound.
  const long long lo = xMajor ? bound.left : bound.top, hi = (xMajor ? bound.right : bound.bottom) - 1LL;
  long long k0, k1;
  if (majorStep > 0) {
    k0 = lo - majorStart;
    k1 = hi - majorStart;
  } else {
    k0 = majorStart - hi;
    k1 = majorStart - lo;
  }
  k0 = std::max(k0, 0LL);
  k1 = std::min(k1, major - 1);
  long long total = 0;
  for (int d : pattern) total += d;
  for (long long k = k0; k <= k1; ++k) {
    if (total > 0) {
      long long at = (dashAt + k) % total;
      bool on = true;
      for (int d : pattern) {
        if (at < d) break;
        at -= d;
        on = !on;
      }
      if (!on) continue;
    }
    // The minor steps taken before step k: Bresenham's error term keeps
    // 2*minor - 2*major < err + bias <= 2*minor, which gives this count.
    const long long n = std::max(0LL, ceilDiv(static_cast<__int128>(2) * k * minor + bias - major,
                                              static_cast<__int128>(2) * major));
    const long long mj = majorStart + k * majorStep, mn = minorStart + n * minorStep;
    const long long x = xMajor ? mj : mn, y = xMajor ? mn : mj;
    if (x < bound.left || x >= bound.right || y < bound.top || y >= bound.bottom) continue;
    out.push_back({static_cast<LONG>(x), static_cast<LONG>(y)});
  }
}

}  // namespace

void thinLinePixels(const DrawCommand& c, const RECT& bound, std::vector<POINT>& out) {
  out.clear();
  if (c.points.size() < 2) return;
  std::vector<int> pattern;
  for (double d : dashes(c.pen.style)) pattern.push_back(static_cast<int>(d));
  const std::size_t n = c.points.size();
  const std::size_t segments = c.op == DrawOp::Polygon ? n : n - 1;
  long long dashAt = 0;
  for (std::size_t i = 0; i < segments; ++i) {
    const POINT a = c.points[i], b = c.points[(i + 1) % n];
    segmentPixels(a, b, bound, pattern, dashAt, out);
    const long long dx = static_cast<long long>(b.x) - a.x, dy = static_cast<long long>(b.y) - a.y;
    dashAt += std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy);
  }
}

std::vector<std::pair<double, double>> thinPolylinePath(const DrawCommand& c) {
  std::vector<std::pair<double, double>> path;
  for (const POINT& p : c.points) path.push_back({p.x + 0.5, p.y + 0.5});
  // Half a pixel back from each end along its segment.
  auto back = [](std::pair<double, double>& end, const std::pair<double, double>& towards) {
    double dx = end.first - towards.first, dy = end.second - towards.second;
    double len = std::sqrt(dx * dx + dy * dy);
    if (len <= 0) return;
    end.first -= 0.5 * dx / len;
    end.second -= 0.5 * dy / len;
  };
  if (path.size() >= 2) {
    // The first point moves away from the second (so its pixel is covered
    // whole), the last towards the one before it (so its pixel is left out).
    std::pair<double, double> first = path[0], second = path[1];
    std::pair<double, double> beyond = {2 * first.first - second.first, 2 * first.second - second.second};
    back(path[0], beyond);
    back(path.back(), path[path.size() - 2]);
  }
  return path;
}

std::vector<std::string> utf8Characters(const std::string& text) {
  // The code page's characters 0x80 to 0x9F; the rest equal their code points.
  static const unsigned short kHigh[32] = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  std::vector<std::string> out;
  out.reserve(text.size());
  for (unsigned char ch : text) {
    unsigned cp = ch;
    if (ch < 0x20) cp = 0x20;
    if (ch >= 0x80 && ch < 0xA0) cp = kHigh[ch - 0x80];
    std::string s;
    if (cp < 0x80) {
      s += static_cast<char>(cp);
    } else if (cp < 0x800) {
      s += static_cast<char>(0xC0 | (cp >> 6));
      s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      s += static_cast<char>(0xE0 | (cp >> 12));
      s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    out.push_back(s);
  }
  return out;
}

std::string hex(COLORREF c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return buf;
}

const char* fontFamily() { return "Liberation Sans"; }

}  // namespace render_style
