// The window manager: window tree, queue, timers, input, capture and focus
// (see window_manager.h).
#include "platform/win/window_manager.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>

#include "platform/win/windows_gdi.h"

namespace {

inline uintptr_t key(HWND h) { return reinterpret_cast<uintptr_t>(h); }

RECT unionOf(const RECT& a, const RECT& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

bool emptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool isMouseMessage(UINT m) { return m >= WM_MOUSEFIRST && m <= WM_MOUSELAST; }

}  // namespace

WindowManager& WindowManager::instance() {
  static WindowManager manager;
  return manager;
}

WindowManager::WindowManager() { reset(); }

void WindowManager::reset(int screenWidth, int screenHeight) {
  windows_.clear();
  queue_.clear();
  timers_.clear();
  inputSource_ = nullptr;
  focus_ = capture_ = active_ = nullptr;
  caret_ = Caret();
  quitPosted_ = false;
  keys_ = 0;
  lastDownMsg_ = 0;
  lastDownWindow_ = nullptr;
  screenWidth_ = std::max(1, screenWidth);
  screenHeight_ = std::max(1, screenHeight);
  screenList_ = DisplayList(screenWidth_, screenHeight_);
  screenList_.setBackground(GetSysColor(COLOR_BACKGROUND));

  auto desk = std::make_unique<Window>();
  desk->handle = reinterpret_cast<HWND>(nextHandle_);
  nextHandle_ += 4;
  desk->className = "#32769";
  desk->style = WS_VISIBLE | WS_CLIPCHILDREN;
  desk->rect = {0, 0, screenWidth_, screenHeight_};
  desk->proc = DefWindowProc;
  desk->list = DisplayList(screenWidth_, screenHeight_);
  desk->list.setBackground(GetSysColor(COLOR_BACKGROUND));
  desktop_ = desk->handle;
  windows_[key(desktop_)] = std::move(desk);
}

// ---------------------------------------------------------------- classes

bool WindowManager::registerClass(const WNDCLASS& wc) {
  if (wc.lpszClassName == nullptr || wc.lpszClassName[0] == '\0') return false;
  std::string name(wc.lpszClassName);
  if (classes_.count(name) != 0) return false;  // already registered
  WNDCLASS copy = wc;
  // Class menus are not kept: the system's windows make their menus themselves.
  classNames_[name] = name;
  copy.lpszClassName = classNames_[name].c_str();
  copy.lpszMenuName = nullptr;
  classes_[name] = copy;
  return true;
}

const WNDCLASS* WindowManager::findClass(const std::string& name) const {
  auto it = classes_.find(name);
  return it == classes_.end() ? nullptr : &it->second;
}

// ---------------------------------------------------------------- windows

WindowManager::Window* WindowManager::find(HWND hwnd) {
  auto it = windows_.find(key(hwnd));
  return it == windows_.end() ? nullptr : it->second.get();
}

const WindowManager::Window* WindowManager::find(HWND hwnd) const {
  auto it = windows_.find(key(hwnd));
  return it == windows_.end() ? nullptr : it->second.get();
}

HWND WindowManager::create(DWORD exStyle, const char* className, const char* name, DWORD style,
                           int x, int y, int w, int h, HWND parent, HMENU menuOrId, void* param) {
  if (className == nullptr) return nullptr;
  const WNDCLASS* cls = findClass(className);
  if (cls == nullptr) return nullptr;
  if ((style & WS_CHILD) != 0 && find(parent) == nullptr) return nullptr;
  // Pop-up and overlapped windows are top-level whatever owns them.
  if ((style & WS_CHILD) == 0) parent = desktop_;
  if (x == CW_USEDEFAULT) x = y = 0;
  if (w == CW_USEDEFAULT) {
    w = screenWidth_ * 3 / 4;
    h = screenHeight_ * 3 / 4;
  }
  auto win = std::make_unique<Window>();
  win->handle = reinterpret_cast<HWND>(nextHandle_);
  nextHandle_ += 4;
  win->parent = parent;
  win->className = className;
  win->text = name != nullptr ? name : "";
  win->style = style & ~WS_VISIBLE;
  win->exStyle = exStyle;
  win->rect = {x, y, x + std::max(0, w), y + std::max(0, h)};
  win->proc = cls->lpfnWndProc != nullptr ? cls->lpfnWndProc : DefWindowProc;
  win->classStyle = cls->style;
  win->background = cls->hbrBackground;
  win->cursor = cls->hCursor;
  win->id = (style & WS_CHILD) != 0 ? static_cast<LONG>(reinterpret_cast<uintptr_t>(menuOrId)) : 0;
  win->hbar.visible = (style & WS_HSCROLL) != 0;
  win->vbar.visible = (style & WS_VSCROLL) != 0;
  if (win->hbar.visible) win->hbar.maxPos = 100;
  if (win->vbar.visible) win->vbar.maxPos = 100;
  HWND hwnd = win->handle;
  windows_[key(hwnd)] = std::move(win);
  find(parent)->children.push_back(hwnd);
  RECT client = clientRect(hwnd);
  find(hwnd)->list = DisplayList(client.right, client.bottom);

  CREATESTRUCT cs = {param, nullptr, menuOrId, parent, h, w, y, x, static_cast<LONG>(style),
                     name, className, exStyle};
  if (send(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    destroy(hwnd);
    return nullptr;
  }
  if (find(hwnd) == nullptr) return nullptr;
  send(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  if (find(hwnd) != nullptr && (style & WS_VISIBLE) != 0) show(hwnd, SW_SHOW);
  return find(hwnd) != nullptr ? hwnd : nullptr;
}

bool WindowManager::destroy(HWND hwnd) {
  Window* w = find(hwnd);
  if (w == nullptr || hwnd == desktop_ || w->destroying) return false;
  if ((w->style & WS_VISIBLE) != 0) {
    RECT r = w->rect;
    w->style &= ~WS_VISIBLE;
    invalidate(w->parent, &r, true);
  }
  destroyTree(hwnd);
  return true;
}

void WindowManager::destroyTree(HWND hwnd) {
  Window* w = find(hwnd);
  if (w == nullptr) return;
  w->destroying = true;
  send(hwnd, WM_DESTROY, 0, 0);
  // Children go after their parent has heard WM_DESTROY; the list may change
  // while they go, so take them one at a time.
  for (;;) {
    w = find(hwnd);
    if (w == nullptr || w->children.empty()) break;
    HWND child = w->children.back();
    if (find(child) == nullptr || find(child)->destroying) {
      w->children.pop_back();
      continue;
    }
    destroyTree(child);
  }
  if (capture_ == hwnd) capture_ = nullptr;
  if (focus_ == hwnd) focus_ = nullptr;
  if (caret_.owner == hwnd) caret_ = Caret();
  if (active_ == hwnd) active_ = nullptr;
  if (lastDownWindow_ == hwnd) lastDownWindow_ = nullptr;
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                               [hwnd](const Timer& t) { return t.hwnd == hwnd; }),
                timers_.end());
  queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                              [hwnd](const MSG& m) { return m.hwnd == hwnd; }),
               queue_.end());
  send(hwnd, WM_NCDESTROY, 0, 0);
  w = find(hwnd);
  if (w == nullptr) return;
  if (Window* p = find(w->parent)) {
    p->children.erase(std::remove(p->children.begin(), p->children.end(), hwnd),
                      p->children.end());
  }
  windows_.erase(key(hwnd));
}

bool WindowManager::isVisible(HWND hwnd) const {
  // Bounded by the depth of the tree: every step goes to a parent, and parents
  // were created before their children.
  for (const Window* w = find(hwnd); w != nullptr; w = find(w->parent)) {
    if ((w->style & WS_VISIBLE) == 0) return false;
    if (w->handle == desktop_) return true;
  }
  return false;
}

RECT WindowManager::nonClientInsets(const Window& w) const {
  RECT in = {0, 0, 0, 0};
  int frame = 0;
  if ((w.style & WS_THICKFRAME) != 0) {
    frame = GetSystemMetrics(SM_CXFRAME);
  } else if ((w.style & WS_DLGFRAME) != 0) {
    frame = GetSystemMetrics(SM_CXDLGFRAME);
  } else if ((w.style & WS_BORDER) != 0) {
    frame = GetSystemMetrics(SM_CXBORDER);
  }
  in = {frame, frame, frame, frame};
  if ((w.style & WS_CAPTION) == WS_CAPTION) in.top += GetSystemMetrics(SM_CYCAPTION);
  if (w.vbar.visible) in.right += GetSystemMetrics(SM_CXVSCROLL);
  if (w.hbar.visible) in.bottom += GetSystemMetrics(SM_CYHSCROLL);
  return in;
}

RECT WindowManager::clientRect(HWND hwnd) const {
  const Window* w = find(hwnd);
  if (w == nullptr) return {0, 0, 0, 0};
  RECT in = nonClientInsets(*w);
  int width = (w->rect.right - w->rect.left) - in.left - in.right;
  int height = (w->rect.bottom - w->rect.top) - in.top - in.bottom;
  return {0, 0, std::max(0, width), std::max(0, height)};
}

POINT WindowManager::clientOrigin(HWND hwnd) const {
  POINT p = {0, 0};
  // Bounded by the depth of the tree (see isVisible).
  for (const Window* w = find(hwnd); w != nullptr && w->handle != desktop_; w = find(w->parent)) {
    RECT in = nonClientInsets(*w);
    p.x += w->rect.left + in.left;
    p.y += w->rect.top + in.top;
  }
  return p;
}

RECT WindowManager::windowRectOnScreen(HWND hwnd) const {
  const Window* w = find(hwnd);
  if (w == nullptr) return {0, 0, 0, 0};
  if (hwnd == desktop_) return w->rect;
  POINT o = clientOrigin(w->parent);
  if (w->parent == desktop_) o = {0, 0};
  return {w->rect.left + o.x, w->rect.top + o.y, w->rect.right + o.x, w->rect.bottom + o.y};
}

bool WindowManager::framed(const Window& w) const {
  return w.handle != desktop_ && (w.style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) != 0;
}

void WindowManager::sendSizeIfChanged(HWND hwnd, const RECT& oldClient, int kind) {
  RECT c = clientRect(hwnd);
  // A change of state is told even when the client area keeps its size.
  if (kind == SIZE_RESTORED && c.right == oldClient.right && c.bottom == oldClient.bottom) return;
  if (Window* w = find(hwnd)) {
    w->list.setSize(c.right, c.bottom);
    w->ncPending = framed(*w);
  }
  invalidate(hwnd, nullptr, true);
  send(hwnd, WM_SIZE, static_cast<WPARAM>(kind), MAKELPARAM(c.right, c.bottom));
}

void WindowManager::changeState(HWND hwnd, int cmd) {
  Window* w = find(hwnd);
  if (w == nullptr) return;
  const bool minimise = cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED || cmd == SW_SHOWMINNOACTIVE;
  const bool maximise = cmd == SW_SHOWMAXIMIZED;
  const bool restore = cmd == SW_RESTORE || cmd == SW_SHOWNORMAL;
  const DWORD state = w->style & (WS_MINIMIZE | WS_MAXIMIZE);
  if (!minimise && !maximise && !(restore && state != 0)) return;
  if ((minimise && (state & WS_MINIMIZE) != 0) || (maximise && (state & WS_MAXIMIZE) != 0)) return;
  RECT oldClient = clientRect(hwnd);
  RECT oldRect = w->rect;
  if (state == 0) w->restoreRect = w->rect;
  w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
  int kind = SIZE_RESTORED;
  if (minimise) {
    // A strip as high as a caption and its frame, where the window was.
    w->style |= WS_MINIMIZE;
    int height = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
    w->rect = {w->restoreRect.left, w->restoreRect.top, w->restoreRect.left + 160,
               w->restoreRect.top + height};
    kind = SIZE_MINIMIZED;
  } else if (maximise) {
    w->style |= WS_MAXIMIZE;
    RECT area = w->parent == desktop_ ? RECT{0, 0, screenWidth_, screenHeight_} : clientRect(w->parent);
    w->rect = area;
    kind = SIZE_MAXIMIZED;
  } else {
    w->rect = w->restoreRect;
  }
  if ((w->style & WS_VISIBLE) != 0) invalidate(w->parent, &oldRect, true);
  if (oldRect.left != w->rect.left || oldRect.top != w->rect.top) {
    send(hwnd, WM_MOVE, 0, MAKELPARAM(clientOrigin(hwnd).x, clientOrigin(hwnd).y));
  }
  if (find(hwnd) != nullptr) sendSizeIfChanged(hwnd, oldClient, kind);
}

bool WindowManager::setPosition(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy,
                                UINT flags) {
  Window* w = find(hwnd);
  if (w == nullptr || hwnd == desktop_) return false;
  RECT oldRect = w->rect;
  RECT oldClient = clientRect(hwnd);
  if ((flags & SWP_NOMOVE) == 0) {
    int width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
    w->rect = {x, y, x + width, y + height};
  }
  if ((flags & SWP_NOSIZE) == 0) {
    w->rect.right = w->rect.left + std::max(0, cx);
    w->rect.bottom = w->rect.top + std::max(0, cy);
  }
  if ((flags & SWP_NOZORDER) == 0) {
    if (Window* p = find(w->parent)) {
      auto& c = p->children;
      c.erase(std::remove(c.begin(), c.end(), hwnd), c.end());
      if (insertAfter == HWND_BOTTOM) {
        c.insert(c.begin(), hwnd);
      } else {
        auto at = std::find(c.begin(), c.end(), insertAfter);
        c.insert(insertAfter == HWND_TOP || at == c.end() ? c.end() : at, hwnd);
      }
    }
  }
  bool moved = oldRect.left != w->rect.left || oldRect.top != w->rect.top ||
               oldRect.right != w->rect.right || oldRect.bottom != w->rect.bottom;
  if (moved && (flags & SWP_NOREDRAW) == 0 && (w->style & WS_VISIBLE) != 0) {
    invalidate(w->parent, &oldRect, true);
  }
  if (oldRect.left != w->rect.left || oldRect.top != w->rect.top) {
    send(hwnd, WM_MOVE, 0, MAKELPARAM(clientOrigin(hwnd).x, clientOrigin(hwnd).y));
  }
  if (find(hwnd) != nullptr) sendSizeIfChanged(hwnd, oldClient);
  if ((flags & SWP_SHOWWINDOW) != 0) show(hwnd, SW_SHOWNA);
  if ((flags & SWP_HIDEWINDOW) != 0) show(hwnd, SW_HIDE);
  return find(hwnd) != nullptr;
}

bool WindowManager::show(HWND hwnd, int cmd) {
  Window* w = find(hwnd);
  if (w == nullptr || hwnd == desktop_) return false;
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  bool visible = cmd != SW_HIDE;
  if (visible) changeState(hwnd, cmd);
  w = find(hwnd);
  if (w == nullptr) return wasVisible;
  if (visible == wasVisible) return wasVisible;
  send(hwnd, WM_SHOWWINDOW, visible ? 1 : 0, 0);
  w = find(hwnd);
  if (w == nullptr) return wasVisible;
  if (visible) {
    w->style |= WS_VISIBLE;
    w->ncPending = framed(*w);
    invalidate(hwnd, nullptr, true);
    // Children are painted with their parent.
    std::vector<HWND> stack(w->children.begin(), w->children.end());
    // Bounded by the number of windows: each is pushed once, from its parent.
    while (!stack.empty()) {
      HWND c = stack.back();
      stack.pop_back();
      if (Window* cw = find(c)) {
        if ((cw->style & WS_VISIBLE) != 0) invalidate(c, nullptr, true);
        stack.insert(stack.end(), cw->children.begin(), cw->children.end());
      }
    }
    if (w->parent == desktop_ && cmd != SW_SHOWNA && cmd != SW_HIDE &&
        (w->style & WS_CHILD) == 0) {
      setActive(hwnd, WA_ACTIVE);
    }
  } else {
    RECT r = w->rect;
    w->style &= ~WS_VISIBLE;
    invalidate(w->parent, &r, true);
    if (focus_ == hwnd || IsChild(hwnd, focus_)) setFocus(nullptr);
    if (capture_ == hwnd) releaseCapture();
  }
  return wasVisible;
}

HWND WindowManager::deepestAt(HWND parent, POINT screen) const {
  const Window* p = find(parent);
  if (p == nullptr) return nullptr;
  // Topmost child first; bounded by the depth of the tree.
  for (auto it = p->children.rbegin(); it != p->children.rend(); ++it) {
    const Window* c = find(*it);
    if (c == nullptr || (c->style & WS_VISIBLE) == 0) continue;
    RECT r = windowRectOnScreen(*it);
    if (screen.x >= r.left && screen.x < r.right && screen.y >= r.top && screen.y < r.bottom) {
      HWND inner = deepestAt(*it, screen);
      return inner != nullptr ? inner : *it;
    }
  }
  return nullptr;
}

HWND WindowManager::windowFromPoint(POINT screen) const {
  HWND h = deepestAt(desktop_, screen);
  return h != nullptr ? h : desktop_;
}

// ---------------------------------------------------------------- messages

LRESULT WindowManager::send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = find(hwnd);
  if (w == nullptr || w->proc == nullptr) return 0;
  return w->proc(hwnd, msg, wParam, lParam);
}

bool WindowManager::post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd != nullptr && find(hwnd) == nullptr) return false;
  MSG m = {hwnd, msg, wParam, lParam, now(), cursor_};
  queue_.push_back(m);
  return true;
}

void WindowManager::postQuit(int exitCode) {
  quitPosted_ = true;
  quitCode_ = exitCode;
}

bool WindowManager::matches(HWND filter, HWND target) const {
  if (filter == nullptr) return true;
  return target == filter || IsChild(filter, target);
}

DWORD WindowManager::now() const {
  static const auto start = std::chrono::steady_clock::now();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  return static_cast<DWORD>(ms.count()) + clockOffset_;
}

bool WindowManager::next(MSG* out, HWND hwnd, UINT minMsg, UINT maxMsg, bool remove, bool wait) {
  auto inRange = [&](UINT m) { return (minMsg == 0 && maxMsg == 0) || (m >= minMsg && m <= maxMsg); };
  // Each pass either returns or consumes one scripted input or one clock step;
  // the input source and the timers bound the number of passes.
  for (;;) {
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
      if (matches(hwnd, it->hwnd) && inRange(it->message)) {
        *out = *it;
        if (remove) queue_.erase(it);
        return true;
      }
    }
    if (quitPosted_ && hwnd == nullptr) {
      *out = {nullptr, WM_QUIT, static_cast<WPARAM>(quitCode_), 0, now(), cursor_};
      if (remove) quitPosted_ = false;
      return !wait;
    }
    if (inRange(WM_NCPAINT)) {
      // A frame is painted before the window's client area.
      for (auto& entry : windows_) {
        Window& w = *entry.second;
        if (w.ncPending && matches(hwnd, w.handle) && isVisible(w.handle)) {
          *out = {w.handle, WM_NCPAINT, 1, 0, now(), cursor_};
          if (remove) w.ncPending = false;
          return true;
        }
      }
    }
    if (inRange(WM_PAINT)) {
      // Parents before children, in creation order.
      for (auto& entry : windows_) {
        Window& w = *entry.second;
        if (w.hasUpdate && w.handle != desktop_ && matches(hwnd, w.handle) && isVisible(w.handle)) {
          *out = {w.handle, WM_PAINT, 0, 0, now(), cursor_};
          return true;
        }
      }
    }
    if (inRange(WM_TIMER)) {
      DWORD t = now();
      for (Timer& timer : timers_) {
        if (matches(hwnd, timer.hwnd) && static_cast<int32_t>(t - timer.due) >= 0) {
          *out = {timer.hwnd, WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.proc), t, cursor_};
          if (remove) timer.due = t + timer.elapse;
          return true;
        }
      }
    }
    if (inputSource_ && inputSource_()) continue;
    if (!wait) return false;
    if (!timers_.empty()) {
      // Nothing else can happen before the next timer is due: move the clock there.
      DWORD t = now();
      int32_t soonest = INT32_MAX;
      for (const Timer& timer : timers_) soonest = std::min(soonest, static_cast<int32_t>(timer.due - t));
      if (soonest > 0) advanceClock(static_cast<DWORD>(soonest));
      continue;
    }
    *out = {nullptr, WM_QUIT, 0, 0, now(), cursor_};
    return false;
  }
}

LRESULT WindowManager::dispatch(const MSG& msg) {
  if (msg.message == WM_TIMER && msg.lParam != 0) {
    reinterpret_cast<TIMERPROC>(msg.lParam)(msg.hwnd, WM_TIMER, msg.wParam, msg.time);
    return 0;
  }
  if (find(msg.hwnd) == nullptr) return 0;
  if (isMouseMessage(msg.message) && capture_ == nullptr) {
    send(msg.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(msg.hwnd), MAKELPARAM(1, msg.message));
  }
  if (msg.message == WM_PAINT) preparePaint(msg.hwnd);
  LRESULT r = send(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  if (msg.message == WM_PAINT) {
    // A window procedure that ignored the paint must not be asked again forever.
    if (Window* w = find(msg.hwnd)) w->hasUpdate = false;
  }
  return r;
}

int WindowManager::runUntilIdle(int limit) {
  std::function<bool()> source = std::move(inputSource_);
  inputSource_ = nullptr;
  int count = 0;
  MSG m;
  while (count < limit && next(&m, nullptr, 0, 0, true, false)) {
    if (m.message == WM_QUIT) break;
    dispatch(m);
    ++count;
  }
  if (!inputSource_) inputSource_ = std::move(source);
  return count;
}

// ---------------------------------------------------------------- input

void WindowManager::injectMouse(UINT msg, POINT screen, UINT keys) {
  cursor_ = screen;
  UINT buttons = keys_ & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON);
  switch (msg) {
    case WM_LBUTTONDOWN: buttons |= MK_LBUTTON; break;
    case WM_LBUTTONUP: buttons &= ~MK_LBUTTON; break;
    case WM_RBUTTONDOWN: buttons |= MK_RBUTTON; break;
    case WM_RBUTTONUP: buttons &= ~MK_RBUTTON; break;
    case WM_MBUTTONDOWN: buttons |= MK_MBUTTON; break;
    case WM_MBUTTONUP: buttons &= ~MK_MBUTTON; break;
    default: break;
  }
  keys_ = buttons | (keys & (MK_SHIFT | MK_CONTROL));
  HWND target = capture_ != nullptr ? capture_ : windowFromPoint(screen);
  if (target == nullptr || target == desktop_) return;
  Window* w = find(target);
  if (w == nullptr) return;
  // A disabled window, or one inside a disabled window, gets no mouse input
  // (bounded by the depth of the tree).
  for (const Window* a = w; a != nullptr && a->handle != desktop_; a = find(a->parent)) {
    if ((a->style & WS_DISABLED) != 0 && capture_ == nullptr) return;
  }
  if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN) {
    if (capture_ == nullptr) notifyParents(target, msg, screen);
    // Clicking a window activates its top-level window.
    HWND top = target;
    while (find(top) != nullptr && find(top)->parent != desktop_) top = find(top)->parent;
    if (top != active_ && find(top) != nullptr) setActive(top, WA_CLICKACTIVE);
    DWORD t = now();
    bool dbl = lastDownMsg_ == msg && lastDownWindow_ == target &&
               t - lastDownTime_ <= GetDoubleClickTime() &&
               std::abs(screen.x - lastDownPos_.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
               std::abs(screen.y - lastDownPos_.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2 &&
               (w->classStyle & CS_DBLCLKS) != 0;
    if (dbl) {
      msg += 2;  // WM_xBUTTONDOWN + 2 is WM_xBUTTONDBLCLK
      lastDownMsg_ = 0;
    } else {
      lastDownMsg_ = msg;
      lastDownWindow_ = target;
      lastDownTime_ = t;
      lastDownPos_ = screen;
    }
  }
  POINT origin = clientOrigin(target);
  post(target, msg, keys_, MAKELPARAM(screen.x - origin.x, screen.y - origin.y));
}

void WindowManager::notifyParents(HWND child, UINT downMsg, POINT screen) {
  // From the clicked window up to its top-level window; each parent hears of
  // the press before the window under the mouse does (bounded by the depth
  // of the tree, and by windows destroyed in between).
  for (int depth = 0; depth < 1000; ++depth) {
    const Window* c = find(child);
    if (c == nullptr || (c->style & WS_CHILD) == 0 || (c->exStyle & WS_EX_NOPARENTNOTIFY) != 0) return;
    const HWND parent = c->parent;
    if (parent == nullptr || parent == desktop_ || find(parent) == nullptr) return;
    const POINT origin = clientOrigin(parent);
    send(parent, WM_PARENTNOTIFY, MAKEWPARAM(downMsg, 0), MAKELPARAM(screen.x - origin.x, screen.y - origin.y));
    child = parent;
  }
}

void WindowManager::injectKey(UINT virtualKey, char ch, UINT modifiers) {
  keys_ = (keys_ & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) |
          (modifiers & (MK_SHIFT | MK_CONTROL | MK_ALT));
  HWND target = focus_ != nullptr ? focus_ : active_;
  if (target == nullptr) return;
  post(target, WM_KEYDOWN, virtualKey, 1);
  if (ch != 0) post(target, WM_CHAR, static_cast<unsigned char>(ch), 1);
  post(target, WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001u));
}

// ---------------------------------------------------------------- focus and capture

HWND WindowManager::setFocus(HWND hwnd) {
  if (hwnd != nullptr && find(hwnd) == nullptr) return nullptr;
  HWND old = focus_;
  if (old == hwnd) return old;
  focus_ = hwnd;
  if (old != nullptr) send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (hwnd != nullptr && focus_ == hwnd) send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND WindowManager::setCapture(HWND hwnd) {
  HWND old = capture_;
  if (hwnd != nullptr && find(hwnd) == nullptr) return old;
  capture_ = hwnd;
  if (old != nullptr && old != hwnd) send(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

bool WindowManager::releaseCapture() {
  HWND old = capture_;
  capture_ = nullptr;
  if (old != nullptr) send(old, WM_CAPTURECHANGED, 0, 0);
  return true;
}

HWND WindowManager::setActive(HWND hwnd, int how) {
  HWND old = active_;
  if (old == hwnd || (hwnd != nullptr && find(hwnd) == nullptr)) return old;
  active_ = hwnd;
  // Both frames show the change of activation.
  for (HWND h : {old, hwnd}) {
    if (Window* w = find(h)) w->ncPending = framed(*w);
  }
  if (old != nullptr) send(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
  if (hwnd != nullptr && active_ == hwnd) {
    send(hwnd, WM_ACTIVATE, static_cast<WPARAM>(how), reinterpret_cast<LPARAM>(old));
  }
  return old;
}

// ---------------------------------------------------------------- timers

UINT_PTR WindowManager::setTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  if (hwnd != nullptr && find(hwnd) == nullptr) return 0;
  if (elapse == 0) elapse = 1;
  if (hwnd == nullptr) {
    // A timer without a window gets an identifier of its own.
    static UINT_PTR nextId = 0x7000;
    id = ++nextId;
  }
  DWORD due = now() + elapse;
  for (Timer& t : timers_) {
    if (t.hwnd == hwnd && t.id == id) {
      t = {hwnd, id, elapse, proc, due};
      return hwnd != nullptr ? 1 : id;
    }
  }
  timers_.push_back({hwnd, id, elapse, proc, due});
  return hwnd != nullptr ? 1 : id;
}

bool WindowManager::killTimer(HWND hwnd, UINT_PTR id) {
  auto it = std::find_if(timers_.begin(), timers_.end(),
                         [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == timers_.end()) return false;
  timers_.erase(it);
  queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                              [&](const MSG& m) {
                                return m.hwnd == hwnd && m.message == WM_TIMER && m.wParam == id;
                              }),
               queue_.end());
  return true;
}

// ---------------------------------------------------------------- update areas

bool WindowManager::invalidate(HWND hwnd, const RECT* rect, bool erase) {
  if (hwnd == nullptr) hwnd = desktop_;
  Window* w = find(hwnd);
  if (w == nullptr) return false;
  RECT client = clientRect(hwnd);
  if (hwnd == desktop_) client = {0, 0, screenWidth_, screenHeight_};
  RECT r = rect != nullptr ? *rect : client;
  r = {std::max(r.left, client.left), std::max(r.top, client.top),
       std::min(r.right, client.right), std::min(r.bottom, client.bottom)};
  if (emptyRect(r)) return true;
  w->update = w->hasUpdate ? unionOf(w->update, r) : r;
  w->hasUpdate = true;
  w->eraseUpdate = w->eraseUpdate || erase;
  // Children lying under the area are exposed too.
  for (HWND c : std::vector<HWND>(w->children)) {
    Window* cw = find(c);
    if (cw == nullptr || (cw->style & WS_VISIBLE) == 0) continue;
    RECT cr = cw->rect;
    RECT overlap = {std::max(cr.left, r.left), std::max(cr.top, r.top),
                    std::min(cr.right, r.right), std::min(cr.bottom, r.bottom)};
    if (emptyRect(overlap)) continue;
    RECT cin = nonClientInsets(*cw);
    RECT local = {overlap.left - cr.left - cin.left, overlap.top - cr.top - cin.top,
                  overlap.right - cr.left - cin.left, overlap.bottom - cr.top - cin.top};
    invalidate(c, &local, erase);
  }
  return true;
}

void WindowManager::preparePaint(HWND hwnd) {
  Window* w = find(hwnd);
  if (w == nullptr || !w->hasUpdate) return;
  RECT client = clientRect(hwnd);
  if (w->list.size() > kRepaintWholeAt) {
    w->update = client;
    w->eraseUpdate = true;
  }
  const RECT& u = w->update;
  if (w->eraseUpdate && u.left <= client.left && u.top <= client.top && u.right >= client.right &&
      u.bottom >= client.bottom) {
    w->list.clear();
  }
}

bool WindowManager::validate(HWND hwnd, const RECT* rect) {
  Window* w = find(hwnd);
  if (w == nullptr) return false;
  if (rect == nullptr || (rect->left <= w->update.left && rect->top <= w->update.top &&
                          rect->right >= w->update.right && rect->bottom >= w->update.bottom)) {
    w->hasUpdate = false;
    w->eraseUpdate = false;
    w->update = {0, 0, 0, 0};
  }
  return true;
}

// ---------------------------------------------------------------- scroll bars

WindowManager::ScrollBar* WindowManager::scrollBar(HWND hwnd, int bar) {
  Window* w = find(hwnd);
  if (w == nullptr) return nullptr;
  if (bar == SB_HORZ) return &w->hbar;
  if (bar == SB_VERT) return &w->vbar;
  return nullptr;
}

void WindowManager::showScrollBar(HWND hwnd, int bar, bool show) {
  Window* w = find(hwnd);
  if (w == nullptr) return;
  RECT oldClient = clientRect(hwnd);
  if (bar == SB_HORZ || bar == SB_BOTH) {
    w->hbar.visible = show;
    w->style = show ? (w->style | WS_HSCROLL) : (w->style & ~WS_HSCROLL);
  }
  if (bar == SB_VERT || bar == SB_BOTH) {
    w->vbar.visible = show;
    w->style = show ? (w->style | WS_VSCROLL) : (w->style & ~WS_VSCROLL);
  }
  sendSizeIfChanged(hwnd, oldClient);
}

HCURSOR WindowManager::setCursor(HCURSOR c) {
  HCURSOR old = currentCursor_;
  currentCursor_ = c;
  return old;
}
