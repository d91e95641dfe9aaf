// Selection, dragging, resizing, the rubber band and hit testing of a graphic
// the user handles with the mouse (see sensitive_graphic.h).
#include "graphics/sensitive_graphic.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "graphics/graphic_window.h"
#include "kit/file_helpers.h"
#include "platform/owl/t_scroller.h"

namespace {

bool isMidEdge(int handle) { return (handle & Graphic::JoinCentre) != 0 || (handle & Graphic::JoinMiddle) != 0; }

// The rubber rectangle of a resize, drawn inverted on the whole display.
void drawRubberRect(GraphicWindow* w, const RECT& logical) {
  RECT s = logical;
  w->logicalToDevice(s);
  POINT tl = {s.left, s.top}, br = {s.right, s.bottom};
  ::ClientToScreen(w->HWindow, &tl);
  ::ClientToScreen(w->HWindow, &br);
  TScreenDC dc;
  if (!dc.IsValid()) return;
  dc.SetROP2(R2_NOT);
  dc.SelectStockObject(HOLLOW_BRUSH);
  dc.SelectStockObject(BLACK_PEN);
  dc.Rectangle(tl.x, tl.y, br.x, br.y);
  dc.RestoreObjects();
}

bool isMouseInput(UINT msg) { return msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST; }
bool isKeyInput(UINT msg) { return msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_CHAR; }

}  // namespace

SensitiveGraphic::~SensitiveGraphic() {
  if (GraphicWindow* w = getParent()) {
    if (w->captureGraphic() == this) w->releaseMouse(this);
  }
}

void SensitiveGraphic::playIfSounds(const char* file) const {
  GraphicWindow* w = getParent();
  if (w != nullptr && w->sounds()) playSound(file);
}

POINT SensitiveGraphic::logicalPoint(const GMessage& msg) const {
  GraphicWindow* w = getParent();
  LONG p = w != nullptr ? w->deviceToLogical(msg.position) : msg.position;
  return {pointX(p), pointY(p)};
}

void SensitiveGraphic::releaseMouse() {
  if (GraphicWindow* w = getParent()) w->releaseMouse(this);
}

void SensitiveGraphic::hitBounds(RECT& r) const {
  rect(r);
  TRect n = TRect(r).Normalized();
  r = n;
  r.right += 1;
  r.bottom += 1;
}

int SensitiveGraphic::hitHandle(int x, int y) {
  RECT r;
  rect(r);
  const int H = HandleSize, half = HandleSize / 2;
  const int64_t cx = (static_cast<int64_t>(r.left) + r.right) >> 1;
  const int64_t cy = (static_cast<int64_t>(r.top) + r.bottom) >> 1;
  int h = 0;
  if (x >= r.left && x <= r.right) {
    if (x <= static_cast<int64_t>(r.left) + H) h = JoinLeft;
    else if (x >= cx - half && x <= cx + half) h = JoinCentre;
    else if (x >= static_cast<int64_t>(r.right) - H) h = JoinRight;
  }
  if (h == 0) return 0;
  int v = 0;
  if (y >= r.top && y <= r.bottom) {
    if (y <= static_cast<int64_t>(r.top) + H) v = JoinTop;
    else if (y >= cy - half && y <= cy + half) v = JoinMiddle;
    else if (y >= static_cast<int64_t>(r.bottom) - H) v = JoinBottom;
  }
  if (v == 0) return 0;
  h |= v;
  if (h == (JoinCentre | JoinMiddle)) return 0;
  playIfSounds("NXHITHND.WAV");
  return h;
}

bool SensitiveGraphic::hitTest(LONG point) {
  if (!isHidden()) {
    RECT r;
    rect(r);
    POINT p = {pointX(point), pointY(point)};
    if (::PtInRect(&r, p)) {
      HRGN region = setRegion();
      const bool in = region != nullptr && ::PtInRegion(region, p.x, p.y) != 0;
      if (region != nullptr) ::DeleteObject(region);
      if (in) {
        playIfSounds("NXHIT.WAV");
        return true;
      }
    }
  }
  if (isSelected()) return hitHandle(pointX(point), pointY(point)) != 0;
  return false;
}

HCURSOR SensitiveGraphic::getCursor(POINT p) {
  const DWORD s = state();
  if (!isSelected() || (s & NoResize)) return ::LoadCursor(nullptr, IDC_UPARROW);
  const int h = hitHandle(p.x, p.y);
  if (h == 0 || ((s & NoEdgeResize) && isMidEdge(h))) return ::LoadCursor(nullptr, IDC_UPARROW);
  switch (h) {
    case JoinLeft | JoinTop:
    case JoinRight | JoinBottom: return ::LoadCursor(nullptr, IDC_SIZENWSE);
    case JoinRight | JoinTop:
    case JoinLeft | JoinBottom: return ::LoadCursor(nullptr, IDC_SIZENESW);
    case JoinCentre | JoinTop:
    case JoinCentre | JoinBottom: return ::LoadCursor(nullptr, IDC_SIZENS);
    default: return ::LoadCursor(nullptr, IDC_SIZEWE);
  }
}

void SensitiveGraphic::updateCursor(int x, int y) { ::SetCursor(getCursor({x, y})); }

void SensitiveGraphic::WMLButtonDown(GMessage& msg) {
  GraphicWindow* w = getParent();
  if (w == nullptr) return;
  const POINT p = logicalPoint(msg);
  if (isSelected()) {
    const int h = hitHandle(p.x, p.y);
    if (h != 0 && resize(static_cast<joinPoint>(h)) == 0) {
      msg.result = 0;
      return;
    }
    w->startGroupDrag(1);
  }
  w->toggleGroupOutline();
  w->captureMouse(this);
  RECT raw;
  rawRect(raw);
  dragOffset_ = {raw.left - p.x, raw.top - p.y};
  start_ = {raw.left, raw.top};
  setState(MouseDown);
  msg.result = 0;
}

void SensitiveGraphic::WMMouseMove(GMessage& msg) {
  GraphicWindow* w = getParent();
  const POINT p = logicalPoint(msg);
  if (w == nullptr || (msg.keys & MK_LBUTTON) == 0 || (state() & MouseDown) == 0) {
    updateCursor(p.x, p.y);
    return;
  }
  if ((state() & Moved) == 0) {
    setState(Moved);
    msg.result = 0;
    return;
  }
  playIfSounds("NXMOVING.WAV");
  HDC hdc = w->getClientHDC();
  if ((state() & Dragging) == 0) {
    setFastPaint(1, hdc);
    boundingRect(repaintArea_);
    setState(Busy | Dragging);
  }
  RECT before;
  rawRect(before);
  int x = static_cast<int>(clampCoordinate(static_cast<int64_t>(p.x) + dragOffset_.x +
                                           (static_cast<int64_t>(before.right) - before.left) / 2));
  int y = static_cast<int>(clampCoordinate(static_cast<int64_t>(p.y) + dragOffset_.y +
                                           (static_cast<int64_t>(before.bottom) - before.top) / 2));
  w->snapToGrid(x, y);
  w->toggleGroupOutline();
  moveTo(x, y, hdc);
  RECT after;
  rawRect(after);
  POINT a = {before.left, before.top}, b = {after.left, after.top};
  w->logicalToDevice(a);
  w->logicalToDevice(b);
  w->moveGroupOutline({b.x - a.x, b.y - a.y});
  w->toggleGroupOutline();
  if (hdc != nullptr) w->releaseClientHDC();
  msg.result = 0;
}

void SensitiveGraphic::WMLButtonUp(GMessage& msg) {
  GraphicWindow* w = getParent();
  if (w == nullptr) return;
  if (state() & MouseDown) {
    releaseMouse();
    w->toggleGroupOutline();
    w->endGroupDrag();
    clearState(MouseDown);
  }
  clearState(Moved);
  const bool control = (msg.keys & MK_CONTROL) != 0;
  msg.result = 0;
  if ((state() & Dragging) == 0) {
    if (isSelected()) {
      setSelected(0, control);
      playIfSounds("NXDESEL.WAV");
    } else {
      setSelected(1, control);
      playIfSounds("NXSELECT.WAV");
    }
    return;
  }
  clearState(Dragging);
  HDC hdc = w->getClientHDC();
  setFastPaint(0, hdc);
  invalidate();
  clearState(Busy);
  if (w->HWindow != nullptr) {
    RECT area = repaintArea_;
    w->logicalToDevice(area);
    TRect d = TRect(area).Normalized().Inflate(1, 1);
    ::InvalidateRect(w->HWindow, &d, TRUE);
  }
  playIfSounds("NXDROP.WAV");
  RECT now;
  rawRect(now);
  const int dx = now.left - start_.x, dy = now.top - start_.y;
  moveRelationsBy(dx, dy, hdc);
  if (std::abs(dx) > 2 || std::abs(dy) > 2) w->setModified(1);
  if (isSelected()) {
    setState(Busy);
    // A copy: moving a graphic never changes the list, but a relation's follow may.
    const std::vector<SensitiveGraphic*> all = w->sensitiveGraphics();
    for (SensitiveGraphic* g : all) {
      if (g == this || !g->isSelected() || (g->state() & Busy)) continue;
      g->moveBy(dx, dy, hdc);
      if (hdc != nullptr) {
        TDC dc(hdc);
        g->compute(dc);
        g->draw(dc, 0);
      }
    }
    clearState(Busy);
  }
  if (hdc != nullptr) w->releaseClientHDC();
  if (w->zoom() < 1) w->Invalidate(true);
  w->updateScrollBars(1);
}

void SensitiveGraphic::cancelDrag() {
  clearState(MouseDown | Dragging | Moved);
  GraphicWindow* w = getParent();
  HDC hdc = w != nullptr ? w->getClientHDC() : nullptr;
  setFastPaint(0, hdc);
  if (hdc != nullptr) w->releaseClientHDC();
}

void SensitiveGraphic::WMLButtonDblClk(GMessage&) {}
void SensitiveGraphic::WMRButtonDown(GMessage&) {}
void SensitiveGraphic::WMRButtonUp(GMessage& msg) { popupAt(msg); }
void SensitiveGraphic::WMRButtonDblClk(GMessage&) {}
void SensitiveGraphic::WMMouseEnter(GMessage&) {}
void SensitiveGraphic::WMMouseExit(GMessage&) {}

void SensitiveGraphic::popupAt(GMessage& msg) {
  GraphicWindow* w = getParent();
  if (w == nullptr) return;
  POINT p = {pointX(msg.position), pointY(msg.position)};
  if (w->HWindow != nullptr) ::ClientToScreen(w->HWindow, &p);
  trackPopup(p.x, p.y, TPM_RIGHTBUTTON);
  msg.result = 0;
}

void SensitiveGraphic::trackPopup(int x, int y, int flag) {
  GraphicWindow* w = getParent();
  if (w == nullptr) return;
  HMENU menu = createPopup();
  if (menu == nullptr) return;
  w->trackPopup(this, menu, x, y, flag);
  ::DestroyMenu(menu);
}

int SensitiveGraphic::resize(joinPoint handle) {
  GraphicWindow* w = getParent();
  const DWORD s = state();
  if (w == nullptr || (s & NoResize) || ((s & NoEdgeResize) && isMidEdge(handle))) return 1;
  if (w->HWindow == nullptr) return 1;
  RECT r;
  rect(r);
  w->captureMouse(this);
  drawRubberRect(w, r);
  const double startRatio =
      r.bottom != r.top ? static_cast<double>(r.right - r.left) / static_cast<double>(r.bottom - r.top) : 1.0;
  const bool corner = !isMidEdge(handle);
  MSG m;
  for (;;) {
    if (!::GetMessage(&m, nullptr, 0, 0)) {
      // The program is ending: the resize ends here and the quit goes on.
      ::PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (m.message == WM_LBUTTONUP) break;
    if (m.message == WM_MOUSEMOVE) {
      LONG lp = w->deviceToLogical(packPoint(GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)));
      int x = pointX(lp), y = pointY(lp);
      w->snapToGrid(x, y);
      RECT n = r;
      if (handle & JoinLeft) n.left = x;
      if (handle & JoinRight) n.right = x;
      if (handle & JoinTop) n.top = y;
      if (handle & JoinBottom) n.bottom = y;
      const UINT keys = static_cast<UINT>(LOWORD(m.wParam));
      if (corner && (keys & (MK_CONTROL | MK_SHIFT))) {
        const double target = (keys & MK_SHIFT) ? 1.0 : startRatio;
        const int64_t width = static_cast<int64_t>(n.right) - n.left;
        const int64_t height = static_cast<int64_t>(n.bottom) - n.top;
        if (height != 0 && target > 0 && static_cast<double>(width) / static_cast<double>(height) > target) {
          const LONG newHeight = static_cast<LONG>(static_cast<double>(width) / target);
          if (handle & JoinTop) n.top = n.bottom - newHeight;
          else n.bottom = n.top + newHeight;
        } else {
          const LONG newWidth = static_cast<LONG>(static_cast<double>(height) * target);
          if (handle & JoinLeft) n.left = n.right - newWidth;
          else n.right = n.left + newWidth;
        }
      }
      // Every edge that moves keeps at least the handle size from its opposite.
      bool ok = true;
      if ((handle & (JoinLeft | JoinRight)) && static_cast<int64_t>(n.right) - n.left < HandleSize) ok = false;
      if ((handle & (JoinTop | JoinBottom)) && static_cast<int64_t>(n.bottom) - n.top < HandleSize) ok = false;
      if (ok && !TRect(n).operator==(TRect(r))) {
        drawRubberRect(w, r);
        r = n;
        drawRubberRect(w, r);
        playIfSounds("NXRESIZE.WAV");
        w->setModified(1);
      }
      continue;
    }
    // The loop owns the mouse and the keys until the release.
    if (isMouseInput(m.message) || isKeyInput(m.message)) continue;
    ::DispatchMessage(&m);
  }
  drawRubberRect(w, r);
  w->releaseMouse(this);
  if (r.left < 0) r.left = 0;
  if (r.top < 0) r.top = 0;
  HDC hdc = w->getClientHDC();
  setRect(r, hdc);
  setState(FixedSize);
  if (hdc != nullptr) {
    TDC dc(hdc);
    compute(dc);
    draw(dc, 0);
    w->releaseClientHDC();
  }
  invalidate();
  return 0;
}

SensitiveGraphic* SensitiveGraphic::rubberBand() {
  GraphicWindow* w = getParent();
  if (w == nullptr || w->HWindow == nullptr) return nullptr;
  RECT r;
  rect(r);
  POINT start = {(r.left + r.right) >> 1, (r.top + r.bottom) >> 1};
  w->logicalToDevice(start);
  w->captureMouse(this);
  TClientDC dc(w->HWindow);
  dc.SetROP2(R2_NOT);
  dc.SelectStockObject(BLACK_PEN);
  POINT end = start;
  auto line = [&] {
    dc.MoveTo(start.x, start.y);
    dc.LineTo(end.x, end.y);
  };
  line();
  DWORD lastScroll = 0;
  bool scrolledBefore = false;
  MSG m;
  bool released = false;
  for (;;) {
    if (!::GetMessage(&m, nullptr, 0, 0)) {
      ::PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (m.message == WM_LBUTTONUP) {
      released = true;
      break;
    }
    if (m.message == WM_MOUSEMOVE) {
      line();
      end = {GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)};
      if ((!scrolledBefore || m.time - lastScroll >= AutoScrollPeriod) && w->Scroller != nullptr) {
        lastScroll = m.time;
        scrolledBefore = true;
        const LONG bx = w->Scroller->XPos, by = w->Scroller->YPos;
        if (w->Scroller->AutoScroll()) {
          start.x += (bx - w->Scroller->XPos) * w->Scroller->XUnit;
          start.y += (by - w->Scroller->YPos) * w->Scroller->YUnit;
        }
      }
      line();
      playIfSounds("NXELAST.WAV");
      continue;
    }
    if (isMouseInput(m.message) || isKeyInput(m.message)) continue;
    ::DispatchMessage(&m);
  }
  line();
  dc.RestoreObjects();
  w->releaseMouse(this);
  if (!released) return nullptr;
  GMessage at;
  at.window = w->HWindow;
  at.message = WM_LBUTTONUP;
  at.keys = static_cast<WORD>(LOWORD(m.wParam));
  at.position = packPoint(GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam));
  return w->graphicAt(at);
}
