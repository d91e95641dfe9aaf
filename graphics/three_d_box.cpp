// The bevelled box's frame, face and bevel rings (see three_d_box.h).
#include "graphics/three_d_box.h"

#include "graphics/graphic_window.h"

void ThreeDBox::innerRect(RECT& r) const {
  rect(r);
  ::InflateRect(&r, -BevelWidth, -BevelWidth);
}

bool ThreeDBox::inColour() const {
  GraphicWindow* w = getParent();
  return w == nullptr || w->colorMode();
}

void ThreeDBox::drawFigure(HDC hdc) {
  const RECT f = figureRect();
  RECT r;
  rect(r);
  // Fast paint, the shadow and the halo: only the outline, with what is selected.
  if ((state() & FastPaint) || !::EqualRect(&f, &r)) {
    ::Rectangle(hdc, f.left, f.top, f.right, f.bottom);
    return;
  }
  HPEN black = ::CreatePen(PS_SOLID, 1, 0x000000);
  HGDIOBJ oldPen = ::SelectObject(hdc, black);
  HGDIOBJ oldBrush = ::SelectObject(hdc, ::GetStockObject(HOLLOW_BRUSH));
  ::Rectangle(hdc, r.left, r.top, r.right, r.bottom);
  ::SelectObject(hdc, oldBrush);
  ::SelectObject(hdc, oldPen);
  ::DeleteObject(black);
  drawBevels(hdc, r);
  HBRUSH face = ::CreateSolidBrush(inColour() ? ::GetSysColor(COLOR_BTNFACE) : 0xFFFFFF);
  RECT in = r;
  ::InflateRect(&in, -FaceInset, -FaceInset);
  if (in.left < in.right && in.top < in.bottom) ::FillRect(hdc, &in, face);
  ::DeleteObject(face);
}

void ThreeDBox::bevelRing(HDC hdc, const RECT& r, int inset, int width, COLORREF light, COLORREF dark) {
  const LONG l = r.left + inset, t = r.top + inset, rr = r.right - inset, b = r.bottom - inset;
  const LONG l2 = l + width, t2 = t + width, r2 = rr - width, b2 = b - width;
  if (l2 > r2 || t2 > b2) return;
  const POINT top[4] = {{l, t}, {rr, t}, {r2, t2}, {l2, t2}};
  const POINT left[4] = {{l, t}, {l2, t2}, {l2, b2}, {l, b}};
  const POINT right[4] = {{rr, t}, {rr, b}, {r2, b2}, {r2, t2}};
  const POINT bottom[4] = {{l, b}, {l2, b2}, {r2, b2}, {rr, b}};
  HGDIOBJ oldPen = ::SelectObject(hdc, ::GetStockObject(NULL_PEN));
  HBRUSH lightBrush = ::CreateSolidBrush(light), darkBrush = ::CreateSolidBrush(dark);
  HGDIOBJ oldBrush = ::SelectObject(hdc, lightBrush);
  ::Polygon(hdc, top, 4);
  ::Polygon(hdc, left, 4);
  ::SelectObject(hdc, darkBrush);
  ::Polygon(hdc, right, 4);
  ::Polygon(hdc, bottom, 4);
  ::SelectObject(hdc, oldBrush);
  ::SelectObject(hdc, oldPen);
  ::DeleteObject(lightBrush);
  ::DeleteObject(darkBrush);
}
