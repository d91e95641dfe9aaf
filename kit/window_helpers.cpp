// Window helpers: centring and the zoom animation (see window_helpers.h).
#include "kit/window_helpers.h"

#include "platform/owl/t_window.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

void centerWindow(TWindow* w) {
  if (w == nullptr || w->HWindow == nullptr) return;
  RECT desk, r;
  GetWindowRect(GetDesktopWindow(), &desk);
  GetWindowRect(w->HWindow, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  POINT p = {(desk.left + desk.right) / 2 - width / 2, (desk.top + desk.bottom) / 2 - height / 2};
  // A child window is positioned in its parent's client coordinates.
  HWND parent = GetParent(w->HWindow);
  if (parent != nullptr) ScreenToClient(parent, &p);
  SetWindowPos(w->HWindow, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

RECT stepRect(const RECT& from, const double step[4], UINT i) {
  return {static_cast<LONG>(from.left + i * step[0]), static_cast<LONG>(from.top + i * step[1]),
          static_cast<LONG>(from.right + i * step[2]), static_cast<LONG>(from.bottom + i * step[3])};
}

}  // namespace

void animateRect(RECT& from, RECT& to, UINT steps) {
  if (steps == 0) return;
  HDC dc = GetDC(nullptr);
  if (dc == nullptr) return;
  const int oldRop = SetROP2(dc, R2_NOT);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
  HPEN pen = CreatePen(PS_SOLID, 3, RGB(0, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  const double step[4] = {(static_cast<double>(to.left) - from.left) / steps,
                          (static_cast<double>(to.top) - from.top) / steps,
                          (static_cast<double>(to.right) - from.right) / steps,
                          (static_cast<double>(to.bottom) - from.bottom) / steps};
  auto draw = [dc](const RECT& r) { Rectangle(dc, r.left, r.top, r.right, r.bottom); };
  draw(from);
  for (UINT i = 1; i <= steps; ++i) {
    draw(stepRect(from, step, i));
    draw(stepRect(from, step, i - 1));
  }
  draw(stepRect(from, step, steps));
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  SetROP2(dc, oldRop);
  DeleteObject(pen);
  ReleaseDC(nullptr, dc);
}

void animateRect(RECT& from, TWindow* w, UINT steps) {
  if (w == nullptr || w->HWindow == nullptr) return;
  RECT to;
  GetWindowRect(w->HWindow, &to);
  animateRect(from, to, steps);
}
