// The poster board's pen: a press over no graphic draws a stroke, which goes
// to the pen grouper (see poster_board_node.h).
#include <algorithm>

#include "graphics/pen_stroke.h"
#include "graphics/poster_board_node.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

bool isMouseInput(UINT msg) { return msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST; }
bool isKeyInput(UINT msg) { return msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_CHAR; }

}  // namespace

bool PosterBoardNode::penClickWanted(UINT, const TPoint&) {
  if (HWindow == nullptr || modificationLocked()) return false;
  // A press beside a name being typed in only ends the typing.
  if (nameEditSymbol() != nullptr) {
    wrapUpNameEdits();
    return false;
  }
  return true;
}

void PosterBoardNode::penClickSetup() {
  strokeStartTime_ = tickCount();
  strokeColour_ = penColour_;
  strokeWidth_ = penWidth_;
  strokePoints_.clear();
  penDC_ = getClientHDC();
  strokePen_ = ::CreatePen(PS_SOLID, std::clamp(strokeWidth_, 0, PenStroke::MaxDrawnWidth), strokeColour_);
  oldPen_ = penDC_ != nullptr ? ::SelectObject(penDC_, strokePen_) : nullptr;
}

void PosterBoardNode::doPenClick(const TPoint& p) {
  POINT last = p;
  deviceToLogical(last);
  strokePoints_.push_back(last);
  if (penDC_ != nullptr) ::MoveToEx(penDC_, last.x, last.y, nullptr);
  ::SetCapture(HWindow);
  MSG m;
  while (strokePoints_.size() < static_cast<std::size_t>(MaxPenPoints)) {
    if ((::GetKeyState(VK_LBUTTON) & 0x8000) == 0) {
      // The button went up where this window did not hear it.
      ::PeekMessage(&m, HWindow, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE);
      break;
    }
    if (!::GetMessage(&m, nullptr, 0, 0)) {
      // The program is ending: the stroke ends here and the quit goes on.
      ::PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (m.message == WM_LBUTTONUP) break;
    if (m.message == WM_LBUTTONDOWN || m.message == WM_LBUTTONDBLCLK) {
      // A new press ends the stroke and is heard after it.
      ::PostMessage(m.hwnd, m.message, m.wParam, m.lParam);
      break;
    }
    if (m.message == WM_MOUSEMOVE) {
      if (m.hwnd != HWindow) continue;
      POINT q = {GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)};
      deviceToLogical(q);
      if (q.x == last.x && q.y == last.y) continue;
      if (penDC_ != nullptr) ::LineTo(penDC_, q.x, q.y);
      strokePoints_.push_back(q);
      last = q;
      continue;
    }
    // The stroke owns the mouse and the keys until it ends.
    if (!isMouseInput(m.message) && !isKeyInput(m.message)) ::DispatchMessage(&m);
  }
  ::ReleaseCapture();
}

void PosterBoardNode::penClickWrapup() {
  if (penDC_ != nullptr) {
    ::SelectObject(penDC_, oldPen_);
    releaseClientHDC();
  }
  if (strokePen_ != nullptr) ::DeleteObject(strokePen_);
  penDC_ = nullptr;
  strokePen_ = nullptr;
  oldPen_ = nullptr;
  if (strokePoints_.empty()) return;
  // The box is taken around the points recorded, before a click's second point.
  RECT bounds = {strokePoints_[0].x, strokePoints_[0].y, strokePoints_[0].x, strokePoints_[0].y};
  for (const POINT& q : strokePoints_) {
    bounds.left = std::min(bounds.left, q.x);
    bounds.top = std::min(bounds.top, q.y);
    bounds.right = std::max(bounds.right, q.x);
    bounds.bottom = std::max(bounds.bottom, q.y);
  }
  if (strokePoints_.size() == 1) strokePoints_.push_back({strokePoints_[0].x + 1, strokePoints_[0].y + 1});
  const RECT box = PenThing::boxAround(bounds);
  auto* stroke = new PenStroke(this, newObjectId(), box.left, box.top, box.right, box.bottom, strokePoints_.data(),
                               static_cast<ULONG>(strokePoints_.size()), strokeColour_, strokeWidth_);
  addAnnotation(stroke);
  setModified(1);
  if (groupingOn_) {
    handedStrokes_[stroke] = stroke;
    penGrouper_->AddPenStroke(stroke, strokeStartTime_);
  }
}
