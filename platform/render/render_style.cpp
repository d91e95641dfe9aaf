// What every renderer decides the same way (see render_style.h).
#include "platform/render/render_style.h"

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
