// The Windows-shaped window-manager calls, each a thin function over the
// WindowManager, with the default window procedure, the paint contexts, system
// metrics, system colours and their brushes, and the standard cursors.
#include "platform/win/windows_user.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/win/device_context.h"
#include "platform/win/gdi_object_table.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"

namespace {

WindowManager& wm() { return WindowManager::instance(); }

// Standard cursors are handles with their identifier as the value. Cursor
// resources get handles from 0x10000 up, one per name for the life of the
// process; `present` says whether the resource is there now.
struct CursorResource {
  std::string name;  // as first supplied
  uintptr_t handle;
  bool present;
};

std::string foldCase(const char* s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::map<std::string, CursorResource>& cursorResources() {
  static std::map<std::string, CursorResource> table = [] {
    std::map<std::string, CursorResource> t;
    const char* const builtIn[] = {"Hand_Cursor",   "Menu_Cursor",   "LinkTo_Cursor", "Expand_Cursor",
                                   "Edit_Cursor",   "Goto_Cursor",   "Select_Cursor", "Play_Cursor",
                                   "Pen_Cursor",    "Eraser_Cursor"};
    uintptr_t next = 0x10000;
    for (const char* n : builtIn) {
      t[foldCase(n)] = {n, next, true};
      next += 4;
    }
    return t;
  }();
  return table;
}

}  // namespace

// ---------------------------------------------------------------- classes

BOOL RegisterClass(const WNDCLASS* wc) { return wc != nullptr && wm().registerClass(*wc); }

BOOL GetClassInfo(HINSTANCE, const char* className, WNDCLASS* out) {
  if (className == nullptr) return FALSE;
  const WNDCLASS* c = wm().findClass(className);
  if (c == nullptr) return FALSE;
  if (out != nullptr) *out = *c;
  return TRUE;
}

// ---------------------------------------------------------------- windows

HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU menuOrId,
                    HINSTANCE, void* param) {
  return wm().create(exStyle, className, windowName, style, x, y, width, height, parent,
                     menuOrId, param);
}

HWND CreateWindow(const char* className, const char* windowName, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance,
                  void* param) {
  return CreateWindowEx(0, className, windowName, style, x, y, width, height, parent, menuOrId,
                        instance, param);
}

BOOL DestroyWindow(HWND hwnd) { return wm().destroy(hwnd); }
BOOL IsWindow(HWND hwnd) { return hwnd != nullptr && wm().find(hwnd) != nullptr; }
BOOL IsWindowVisible(HWND hwnd) { return wm().isVisible(hwnd); }

BOOL IsChild(HWND parent, HWND hwnd) {
  const WindowManager::Window* w = wm().find(hwnd);
  if (w == nullptr || parent == nullptr) return FALSE;
  // Bounded by the depth of the tree.
  for (w = wm().find(w->parent); w != nullptr; w = wm().find(w->parent)) {
    if (w->handle == parent) return TRUE;
    if (w->handle == wm().desktop()) break;
  }
  return FALSE;
}

BOOL ShowWindow(HWND hwnd, int cmdShow) { return wm().show(hwnd, cmdShow); }

BOOL IsIconic(HWND hwnd) {
  const WindowManager::Window* w = wm().find(hwnd);
  return w != nullptr && (w->style & WS_MINIMIZE) != 0;
}

BOOL IsZoomed(HWND hwnd) {
  const WindowManager::Window* w = wm().find(hwnd);
  return w != nullptr && (w->style & WS_MAXIMIZE) != 0;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return wm().setPosition(hwnd, nullptr, x, y, width, height,
                          SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return wm().setPosition(hwnd, insertAfter, x, y, cx, cy, flags);
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  if (!IsWindow(hwnd) || rect == nullptr) return FALSE;
  *rect = wm().windowRectOnScreen(hwnd);
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  if (!IsWindow(hwnd) || rect == nullptr) return FALSE;
  *rect = hwnd == wm().desktop() ? RECT{0, 0, wm().screenWidth(), wm().screenHeight()}
                                 : wm().clientRect(hwnd);
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* p) {
  if (!IsWindow(hwnd) || p == nullptr) return FALSE;
  POINT o = wm().clientOrigin(hwnd);
  p->x += o.x;
  p->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* p) {
  if (!IsWindow(hwnd) || p == nullptr) return FALSE;
  POINT o = wm().clientOrigin(hwnd);
  p->x -= o.x;
  p->y -= o.y;
  return TRUE;
}

HWND GetParent(HWND hwnd) {
  const WindowManager::Window* w = wm().find(hwnd);
  if (w == nullptr || w->parent == wm().desktop() || (w->style & WS_CHILD) == 0) return nullptr;
  return w->parent;
}

HWND SetParent(HWND hwnd, HWND newParent) {
  WindowManager::Window* w = wm().find(hwnd);
  if (w == nullptr || hwnd == wm().desktop()) return nullptr;
  if (newParent == nullptr) newParent = wm().desktop();
  WindowManager::Window* np = wm().find(newParent);
  if (np == nullptr || newParent == hwnd || IsChild(hwnd, newParent)) return nullptr;
  HWND old = w->parent;
  if (WindowManager::Window* op = wm().find(old)) {
    op->children.erase(std::remove(op->children.begin(), op->children.end(), hwnd),
                       op->children.end());
  }
  w->parent = newParent;
  np->children.push_back(hwnd);
  return old;
}

HWND GetDesktopWindow() { return wm().desktop(); }
HWND WindowFromPoint(POINT screenPoint) { return wm().windowFromPoint(screenPoint); }

BOOL SetWindowText(HWND hwnd, const char* text) {
  if (!IsWindow(hwnd)) return FALSE;
  return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text != nullptr ? text : "")) != 0;
}

int GetWindowText(HWND hwnd, char* out, int size) {
  if (!IsWindow(hwnd) || out == nullptr || size <= 0) return 0;
  return static_cast<int>(SendMessage(hwnd, WM_GETTEXT, static_cast<WPARAM>(size),
                                      reinterpret_cast<LPARAM>(out)));
}

int GetWindowTextLength(HWND hwnd) {
  return static_cast<int>(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

LONG GetWindowLong(HWND hwnd, int index) {
  const WindowManager::Window* w = wm().find(hwnd);
  if (w == nullptr) return 0;
  switch (index) {
    case GWL_STYLE: return static_cast<LONG>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG>(w->exStyle);
    case GWL_ID: return w->id;
    default: return static_cast<LONG>(GetWindowLongPtr(hwnd, index));
  }
}

LONG SetWindowLong(HWND hwnd, int index, LONG value) {
  WindowManager::Window* w = wm().find(hwnd);
  if (w == nullptr) return 0;
  LONG old = 0;
  switch (index) {
    case GWL_STYLE: {
      old = static_cast<LONG>(w->style);
      w->style = static_cast<DWORD>(value);
      w->hbar.visible = (w->style & WS_HSCROLL) != 0;
      w->vbar.visible = (w->style & WS_VSCROLL) != 0;
      return old;
    }
    case GWL_EXSTYLE: old = static_cast<LONG>(w->exStyle); w->exStyle = static_cast<DWORD>(value); return old;
    case GWL_ID: old = w->id; w->id = value; return old;
    default: return static_cast<LONG>(SetWindowLongPtr(hwnd, index, value));
  }
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  const WindowManager::Window* w = wm().find(hwnd);
  if (w == nullptr) return 0;
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_USERDATA: return w->userData;
    case GWL_STYLE: return static_cast<LONG_PTR>(w->style);
    case GWL_ID: return w->id;
    default: return 0;
  }
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  WindowManager::Window* w = wm().find(hwnd);
  if (w == nullptr) return 0;
  LONG_PTR old = 0;
  switch (index) {
    case GWLP_WNDPROC:
      // Subclassing: the caller keeps the old procedure and passes unhandled
      // messages on with CallWindowProc.
      if (value == 0) return 0;
      old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_USERDATA: old = w->userData; w->userData = value; return old;
    default: return SetWindowLong(hwnd, index, static_cast<LONG>(value));
  }
}

int GetClassName(HWND hwnd, char* out, int size) {
  const WindowManager::Window* w = wm().find(hwnd);
  if (w == nullptr || out == nullptr || size <= 0) return 0;
  int n = std::min<int>(size - 1, static_cast<int>(w->className.size()));
  std::memcpy(out, w->className.data(), static_cast<std::size_t>(n));
  out[n] = '\0';
  return n;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  WindowManager::Window* w = wm().find(hwnd);
  if (w == nullptr) return FALSE;
  BOOL wasDisabled = (w->style & WS_DISABLED) != 0;
  w->style = enable ? (w->style & ~WS_DISABLED) : (w->style | WS_DISABLED);
  if (wasDisabled == (enable != 0)) {
    SendMessage(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
    InvalidateRect(hwnd, nullptr, TRUE);
  }
  return wasDisabled;
}

HWND GetDlgItem(HWND dialog, int id) {
  const WindowManager::Window* d = wm().find(dialog);
  if (d == nullptr) return nullptr;
  for (HWND c : d->children) {
    const WindowManager::Window* cw = wm().find(c);
    if (cw != nullptr && cw->id == id) return c;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  const WindowManager::Window* w = wm().find(hwnd);
  return w != nullptr ? static_cast<int>(w->id) : 0;
}

HWND GetWindow(HWND hwnd, UINT relation) {
  const WindowManager::Window* w = wm().find(hwnd);
  if (w == nullptr) return nullptr;
  if (relation == GW_CHILD) return w->children.empty() ? nullptr : w->children.back();
  const WindowManager::Window* p = wm().find(w->parent);
  if (p == nullptr) return nullptr;
  auto it = std::find(p->children.begin(), p->children.end(), hwnd);
  if (it == p->children.end()) return nullptr;
  // The children are kept bottom first; "next" goes down the Z order.
  if (relation == GW_HWNDNEXT) return it == p->children.begin() ? nullptr : *(it - 1);
  if (relation == GW_HWNDPREV) return (it + 1) == p->children.end() ? nullptr : *(it + 1);
  return nullptr;
}

// ---------------------------------------------------------------- modules

HINSTANCE GetModuleHandle(const char* name) {
  // One module: the program, at the address programs were traditionally loaded.
  return name == nullptr ? reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000)) : nullptr;
}

// ---------------------------------------------------------------- accelerators

namespace {

const int kMaxAccelerators = 4096;

// Tables by handle; resources by folded name, each with the handle of its table
// once loaded.
std::map<uintptr_t, std::vector<ACCEL>>& acceleratorTables() {
  static std::map<uintptr_t, std::vector<ACCEL>> tables;
  return tables;
}

struct AcceleratorResource {
  std::vector<ACCEL> entries;
  uintptr_t table = 0;
};

std::map<std::string, AcceleratorResource>& acceleratorResources() {
  static std::map<std::string, AcceleratorResource> resources;
  return resources;
}

}  // namespace

HACCEL CreateAcceleratorTable(const ACCEL* entries, int count) {
  static uintptr_t next = 0xA0000;
  if (entries == nullptr || count <= 0 || count > kMaxAccelerators) return nullptr;
  uintptr_t h = next;
  next += 4;
  acceleratorTables()[h] = std::vector<ACCEL>(entries, entries + count);
  return reinterpret_cast<HACCEL>(h);
}

BOOL DestroyAcceleratorTable(HACCEL table) {
  uintptr_t h = reinterpret_cast<uintptr_t>(table);
  for (auto& r : acceleratorResources()) {
    if (r.second.table == h) return FALSE;  // a loaded resource lives with the program
  }
  return acceleratorTables().erase(h) != 0;
}

bool supplyAcceleratorResource(const char* name, const ACCEL* entries, int count) {
  if (name == nullptr || name[0] == '\0' || entries == nullptr || count <= 0 ||
      count > kMaxAccelerators) {
    return false;
  }
  AcceleratorResource& r = acceleratorResources()[foldCase(name)];
  r.entries.assign(entries, entries + count);
  if (r.table != 0) acceleratorTables()[r.table] = r.entries;
  return true;
}

HACCEL LoadAccelerators(HINSTANCE instance, const char* name) {
  if (instance == nullptr || name == nullptr || reinterpret_cast<uintptr_t>(name) < 0x10000) return nullptr;
  auto it = acceleratorResources().find(foldCase(name));
  if (it == acceleratorResources().end()) return nullptr;
  if (it->second.table == 0) {
    HACCEL h = CreateAcceleratorTable(it->second.entries.data(), static_cast<int>(it->second.entries.size()));
    it->second.table = reinterpret_cast<uintptr_t>(h);
  }
  return reinterpret_cast<HACCEL>(it->second.table);
}

int TranslateAccelerator(HWND hwnd, HACCEL table, MSG* msg) {
  if (msg == nullptr || !IsWindow(hwnd)) return FALSE;
  auto it = acceleratorTables().find(reinterpret_cast<uintptr_t>(table));
  if (it == acceleratorTables().end()) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_CHAR) return FALSE;
  UINT held = 0;
  if (GetKeyState(VK_SHIFT) < 0) held |= FSHIFT;
  if (GetKeyState(VK_CONTROL) < 0) held |= FCONTROL;
  if (GetKeyState(VK_MENU) < 0) held |= FALT;
  for (const ACCEL& a : it->second) {
    bool virtualKey = (a.fVirt & FVIRTKEY) != 0;
    bool match = virtualKey ? msg->message == WM_KEYDOWN && msg->wParam == a.key &&
                                  (a.fVirt & (FSHIFT | FCONTROL | FALT)) == held
                            : msg->message == WM_CHAR && msg->wParam == a.key;
    if (match) {
      SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
      return TRUE;
    }
  }
  return FALSE;
}

// ---------------------------------------------------------------- procedures

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowManager::Window* w = wm().find(hwnd);
  if (w == nullptr) return 0;
  switch (msg) {
    case WM_SETTEXT:
      w->text = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
      return TRUE;
    case WM_GETTEXT: {
      if (wParam == 0 || lParam == 0) return 0;
      char* out = reinterpret_cast<char*>(lParam);
      std::size_t n = std::min<std::size_t>(wParam - 1, w->text.size());
      std::memcpy(out, w->text.data(), n);
      out[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_ERASEBKGND: {
      HBRUSH b = w->background;
      if (b == nullptr) return 0;
      RECT r = wm().clientRect(hwnd);
      FillRect(reinterpret_cast<HDC>(wParam), &r, b);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SETCURSOR: {
      // A child that does not set its own cursor lets its parent choose.
      HWND parent = GetParent(hwnd);
      if (parent != nullptr && SendMessage(parent, WM_SETCURSOR, wParam, lParam) != 0) return TRUE;
      if (w->cursor != nullptr) SetCursor(w->cursor);
      return FALSE;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && (w->style & WS_CHILD) == 0) SetFocus(hwnd);
      return 0;
    default: return 0;
  }
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (proc == nullptr) return 0;
  return proc(hwnd, msg, wParam, lParam);
}

// ---------------------------------------------------------------- messages

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return wm().send(hwnd, msg, wParam, lParam);
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return wm().post(hwnd, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) { wm().postQuit(exitCode); }

BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (msg == nullptr) return -1;
  return wm().next(msg, hwnd, filterMin, filterMax, true, true) ? TRUE : FALSE;
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (msg == nullptr) return FALSE;
  return wm().next(msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0, false);
}

BOOL TranslateMessage(const MSG*) { return FALSE; }  // characters are queued with their keys
LRESULT DispatchMessage(const MSG* msg) { return msg != nullptr ? wm().dispatch(*msg) : 0; }

// ---------------------------------------------------------------- focus and capture

HWND SetFocus(HWND hwnd) { return wm().setFocus(hwnd); }
HWND GetFocus() { return wm().focus(); }
HWND SetCapture(HWND hwnd) { return wm().setCapture(hwnd); }
BOOL ReleaseCapture() { return wm().releaseCapture(); }
HWND GetCapture() { return wm().capture(); }

int16_t GetKeyState(int virtualKey) {
  UINT keys = wm().keyState();
  UINT bit = 0;
  switch (virtualKey) {
    case VK_LBUTTON: bit = MK_LBUTTON; break;
    case VK_RBUTTON: bit = MK_RBUTTON; break;
    case VK_SHIFT: bit = MK_SHIFT; break;
    case VK_CONTROL: bit = MK_CONTROL; break;
    case VK_MENU: bit = MK_ALT; break;
    default: return 0;
  }
  return (keys & bit) != 0 ? static_cast<int16_t>(0x8000) : 0;
}

BOOL GetCursorPos(POINT* p) {
  if (p == nullptr) return FALSE;
  *p = wm().cursorPos();
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  wm().setCursorPos({x, y});
  return TRUE;
}

// ---------------------------------------------------------------- caret

BOOL CreateCaret(HWND hwnd, HGDIOBJ, int width, int height) {
  if (!IsWindow(hwnd)) return FALSE;
  WindowManager::Caret& c = wm().caret();
  c = WindowManager::Caret();
  c.owner = hwnd;
  c.width = std::max(1, width);
  c.height = std::max(1, height);
  return TRUE;
}

BOOL DestroyCaret() {
  wm().caret() = WindowManager::Caret();
  return TRUE;
}

BOOL SetCaretPos(int x, int y) {
  WindowManager::Caret& c = wm().caret();
  if (c.owner == nullptr) return FALSE;
  c.pos = {x, y};
  return TRUE;
}

BOOL GetCaretPos(POINT* p) {
  const WindowManager::Caret& c = wm().caret();
  if (p == nullptr || c.owner == nullptr) return FALSE;
  *p = c.pos;
  return TRUE;
}

BOOL ShowCaret(HWND hwnd) {
  WindowManager::Caret& c = wm().caret();
  if (c.owner == nullptr || (hwnd != nullptr && hwnd != c.owner) || c.hidden == 0) return FALSE;
  --c.hidden;
  return TRUE;
}

// ---------------------------------------------------------------- timers

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  return wm().setTimer(hwnd, id, elapse, proc);
}
BOOL KillTimer(HWND hwnd, UINT_PTR id) { return wm().killTimer(hwnd, id); }
UINT GetDoubleClickTime() { return 500; }

// ---------------------------------------------------------------- painting

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  return wm().invalidate(hwnd, rect, erase != 0);
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) { return wm().validate(hwnd, rect); }

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL) {
  const WindowManager::Window* w = wm().find(hwnd);
  if (w == nullptr) return FALSE;
  if (rect != nullptr) *rect = w->hasUpdate ? w->update : RECT{0, 0, 0, 0};
  return w->hasUpdate;
}

BOOL UpdateWindow(HWND hwnd) {
  const WindowManager::Window* w = wm().find(hwnd);
  if (w == nullptr) return FALSE;
  if (w->hasUpdate && wm().isVisible(hwnd)) {
    wm().preparePaint(hwnd);
    SendMessage(hwnd, WM_PAINT, 0, 0);
    if (WindowManager::Window* again = wm().find(hwnd)) again->hasUpdate = false;
  }
  return TRUE;
}

// A paint context is a window context clipped to the update area, which it validates.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  WindowManager::Window* w = wm().find(hwnd);
  if (w == nullptr || ps == nullptr) return nullptr;
  RECT area = w->hasUpdate ? w->update : RECT{0, 0, 0, 0};
  bool erase = w->eraseUpdate;
  wm().validate(hwnd, nullptr);
  HDC hdc = windowDeviceContext(hwnd, DeviceContext::Kind::Paint, &area);
  ps->hdc = hdc;
  ps->rcPaint = area;
  ps->fErase = FALSE;
  if (erase && hdc != nullptr) ps->fErase = SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) == 0;
  return hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* ps) {
  if (ps == nullptr) return FALSE;
  return unregisterDeviceContext(ps->hdc);
}

// ---------------------------------------------------------------- scroll bars

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL) {
  WindowManager::ScrollBar* b = wm().scrollBar(hwnd, bar);
  if (b == nullptr) return 0;
  int old = b->pos;
  b->pos = std::max(b->minPos, std::min(pos, b->maxPos));
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  WindowManager::ScrollBar* b = wm().scrollBar(hwnd, bar);
  return b != nullptr ? b->pos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL) {
  WindowManager::ScrollBar* b = wm().scrollBar(hwnd, bar);
  if (b == nullptr) return FALSE;
  b->minPos = minPos;
  b->maxPos = std::max(minPos, maxPos);
  b->pos = std::max(b->minPos, std::min(b->pos, b->maxPos));
  // An empty range hides the bar, a real one shows it, as on Windows.
  wm().showScrollBar(hwnd, bar, maxPos > minPos);
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos) {
  WindowManager::ScrollBar* b = wm().scrollBar(hwnd, bar);
  if (b == nullptr) return FALSE;
  if (minPos != nullptr) *minPos = b->minPos;
  if (maxPos != nullptr) *maxPos = b->maxPos;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  if (!IsWindow(hwnd)) return FALSE;
  wm().showScrollBar(hwnd, bar, show != 0);
  return TRUE;
}

BOOL ScrollWindow(HWND hwnd, int, int, const RECT*, const RECT*) {
  // The whole client area is painted again at its new position.
  return InvalidateRect(hwnd, nullptr, TRUE);
}

// ---------------------------------------------------------------- cursors

HCURSOR LoadCursor(HINSTANCE instance, const char* name) {
  uintptr_t id = reinterpret_cast<uintptr_t>(name);
  if (id < 0x10000) {
    // Standard cursors by number; the program's resources are known by name.
    if (instance != nullptr) return nullptr;
    return cursorName(reinterpret_cast<HCURSOR>(id))[0] != '\0' ? reinterpret_cast<HCURSOR>(id)
                                                                 : nullptr;
  }
  if (instance == nullptr) return nullptr;  // no standard cursor has a name
  auto it = cursorResources().find(foldCase(name));
  if (it == cursorResources().end() || !it->second.present) return nullptr;
  return reinterpret_cast<HCURSOR>(it->second.handle);
}

HCURSOR supplyCursorResource(const char* name) {
  if (name == nullptr || name[0] == '\0') return nullptr;
  auto& table = cursorResources();
  auto it = table.find(foldCase(name));
  if (it == table.end()) {
    uintptr_t next = 0x10000;
    for (const auto& e : table) next = std::max(next, e.second.handle + 4);
    it = table.emplace(foldCase(name), CursorResource{name, next, true}).first;
  }
  it->second.present = true;
  return reinterpret_cast<HCURSOR>(it->second.handle);
}

bool withdrawCursorResource(const char* name) {
  if (name == nullptr) return false;
  auto it = cursorResources().find(foldCase(name));
  if (it == cursorResources().end() || !it->second.present) return false;
  it->second.present = false;
  return true;
}

HCURSOR SetCursor(HCURSOR cursor) { return wm().setCursor(cursor); }

HCURSOR GetCursor() { return wm().cursor(); }

const char* cursorName(HCURSOR cursor) {
  switch (reinterpret_cast<uintptr_t>(cursor)) {
    case 32512: return "arrow";
    case 32513: return "ibeam";
    case 32514: return "wait";
    case 32515: return "cross";
    case 32516: return "uparrow";
    case 32642: return "sizenwse";
    case 32643: return "sizenesw";
    case 32644: return "sizewe";
    case 32645: return "sizens";
    case 32646: return "sizeall";
    default: break;
  }
  const uintptr_t h = reinterpret_cast<uintptr_t>(cursor);
  for (const auto& e : cursorResources()) {
    if (e.second.handle == h) return e.second.name.c_str();
  }
  return "";
}

// ---------------------------------------------------------------- metrics and colours

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: return wm().screenWidth();
    case SM_CYSCREEN: return wm().screenHeight();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return 16;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CYMENU: return 19;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    default: return 0;
  }
}

DWORD GetSysColor(int index) {
  // The classic Windows colour scheme.
  static const COLORREF kColors[] = {
      RGB(192, 192, 192),  // scroll bar
      RGB(0, 128, 128),    // desktop
      RGB(0, 0, 128),      // active caption
      RGB(128, 128, 128),  // inactive caption
      RGB(192, 192, 192),  // menu
      RGB(255, 255, 255),  // window
      RGB(0, 0, 0),        // window frame
      RGB(0, 0, 0),        // menu text
      RGB(0, 0, 0),        // window text
      RGB(255, 255, 255),  // caption text
      RGB(192, 192, 192),  // active border
      RGB(192, 192, 192),  // inactive border
      RGB(128, 128, 128),  // application workspace
      RGB(0, 0, 128),      // highlight
      RGB(255, 255, 255),  // highlight text
      RGB(192, 192, 192),  // button face
      RGB(128, 128, 128),  // button shadow
      RGB(128, 128, 128),  // gray text
      RGB(0, 0, 0),        // button text
      RGB(192, 192, 192),  // inactive caption text
      RGB(255, 255, 255),  // button highlight
  };
  if (index < 0 || index >= static_cast<int>(sizeof kColors / sizeof kColors[0])) return 0;
  return kColors[index];
}

// The system colour brushes are stock objects of the drawing objects' table.
HBRUSH GetSysColorBrush(int index) { return GdiObjectTable::instance().sysColorBrush(index); }
