// The framework's scroller (see t_scroller.h).
#include "platform/owl/t_scroller.h"

#include <algorithm>

#include "platform/owl/t_dc.h"
#include "platform/owl/t_window.h"

TScroller::TScroller(TWindow* window, int xUnit, int yUnit, LONG xRange, LONG yRange)
    : Window(window), XUnit(std::max(1, xUnit)), YUnit(std::max(1, yUnit)),
      XRange(std::max<LONG>(0, xRange)), YRange(std::max<LONG>(0, yRange)) {}

TScroller::~TScroller() = default;

void TScroller::SetUnits(int xUnit, int yUnit) {
  XUnit = std::max(1, xUnit);
  YUnit = std::max(1, yUnit);
  SetPageSize();
}

void TScroller::SetRange(LONG xRange, LONG yRange) {
  XRange = std::max<LONG>(0, xRange);
  YRange = std::max<LONG>(0, yRange);
  SetSBarRange();
  ScrollTo(XPos, YPos);
}

void TScroller::SetPageSize() {
  if (Window == nullptr || Window->HWindow == nullptr) return;
  TRect c = Window->GetClientRect();
  XPage = std::max(1, c.Width() / XUnit);
  YPage = std::max(1, c.Height() / YUnit);
}

void TScroller::SetSBarRange() {
  if (Window == nullptr || Window->HWindow == nullptr) return;
  if (HasHSBar) {
    ::SetScrollRange(Window->HWindow, SB_HORZ, 0, XRange, FALSE);
    ::SetScrollPos(Window->HWindow, SB_HORZ, XPos, TRUE);
  }
  if (HasVSBar) {
    ::SetScrollRange(Window->HWindow, SB_VERT, 0, YRange, FALSE);
    ::SetScrollPos(Window->HWindow, SB_VERT, YPos, TRUE);
  }
}

void TScroller::BeginView(TDC& dc, TRect& rect) {
  if (!AutoOrg) return;
  LONG x = XScrollValue(), y = YScrollValue();
  dc.SetViewportOrg(TPoint(-x, -y));
  rect.Offset(x, y);
}

void TScroller::EndView() {}

namespace {

LONG step(UINT code, int thumbPos, LONG pos, int line, int page, LONG range) {
  switch (code) {
    case SB_LINEUP: return pos - line;
    case SB_LINEDOWN: return pos + line;
    case SB_PAGEUP: return pos - page;
    case SB_PAGEDOWN: return pos + page;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: return thumbPos;
    case SB_TOP: return 0;
    case SB_BOTTOM: return range;
    default: return pos;
  }
}

}  // namespace

void TScroller::HScroll(UINT scrollCode, int thumbPos) {
  if (scrollCode == SB_THUMBTRACK && !TrackMode) return;
  ScrollTo(step(scrollCode, thumbPos, XPos, XLine, XPage, XRange), YPos);
}

void TScroller::VScroll(UINT scrollCode, int thumbPos) {
  if (scrollCode == SB_THUMBTRACK && !TrackMode) return;
  ScrollTo(XPos, step(scrollCode, thumbPos, YPos, YLine, YPage, YRange));
}

void TScroller::ScrollTo(LONG x, LONG y) {
  LONG nx = std::max<LONG>(0, std::min(x, XRange));
  LONG ny = std::max<LONG>(0, std::min(y, YRange));
  if (nx == XPos && ny == YPos) return;
  XPos = nx;
  YPos = ny;
  if (Window == nullptr || Window->HWindow == nullptr) return;
  if (HasHSBar) ::SetScrollPos(Window->HWindow, SB_HORZ, XPos, TRUE);
  if (HasVSBar) ::SetScrollPos(Window->HWindow, SB_VERT, YPos, TRUE);
  ::ScrollWindow(Window->HWindow, 0, 0, nullptr, nullptr);
  ::UpdateWindow(Window->HWindow);
}

bool TScroller::AutoScroll() {
  if (!AutoMode || Window == nullptr || Window->HWindow == nullptr) return false;
  POINT p;
  ::GetCursorPos(&p);
  ::ScreenToClient(Window->HWindow, &p);
  TRect c = Window->GetClientRect();
  LONG dx = 0, dy = 0;
  if (p.x < c.left + AutoMargin) dx = -XLine;
  else if (p.x >= c.right - AutoMargin) dx = XLine;
  if (p.y < c.top + AutoMargin) dy = -YLine;
  else if (p.y >= c.bottom - AutoMargin) dy = YLine;
  LONG oldX = XPos, oldY = YPos;
  if (dx != 0 || dy != 0) ScrollBy(dx, dy);
  return oldX != XPos || oldY != YPos;
}

bool TScroller::IsVisibleRect(LONG x, LONG y, int xExt, int yExt) const {
  return x + xExt > XPos && y + yExt > YPos && x < XPos + XPage && y < YPos + YPage;
}
