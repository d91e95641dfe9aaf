// The framework window class: creation, message dispatch to the Ev handlers and
// the helpers over the window (see t_window.h).
#include "platform/owl/t_window.h"

#include <algorithm>
#include <map>

#include "platform/owl/t_command_enabler.h"
#include "platform/owl/t_dc.h"
#include "platform/owl/t_scroller.h"
#include "platform/win/menu.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"

namespace {

// Windows made by Create know their object through this map.
std::map<HWND, TWindow*>& objects() {
  static std::map<HWND, TWindow*> map;
  return map;
}

// The object whose window is being created; it binds on the first message.
TWindow* g_creating = nullptr;

}  // namespace

TWindow::TWindow(TWindow* parent, const char* title, TModule*) : Parent(parent) {
  if (title != nullptr) Title = title;
  if (parent == nullptr) Attr.Style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
  if (parent != nullptr) parent->AddChild(this);
}

TWindow::TWindow(HWND hwnd) : HWindow(hwnd), alias_(true) {}

TWindow::~TWindow() {
  for (TWindow* c : children_) c->Parent = nullptr;
  children_.clear();
  if (Parent != nullptr) Parent->RemoveChild(this);
  if (HWindow != nullptr && !alias_) {
    HWND h = HWindow;
    if (::IsWindow(h)) ::DestroyWindow(h);
    objects().erase(h);
  } else if (HWindow != nullptr) {
    auto it = objects().find(HWindow);
    if (it != objects().end() && it->second == this) {
      // Give the subclassed window its own procedure back.
      ::SetWindowLongPtr(HWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefaultProc));
      objects().erase(it);
    }
  }
  delete Scroller;
}

void TWindow::AddChild(TWindow* child) { children_.push_back(child); }

void TWindow::SetParent(TWindow* parent) {
  if (parent == Parent) return;
  if (Parent != nullptr) Parent->RemoveChild(this);
  Parent = parent;
  if (parent != nullptr) parent->AddChild(this);
  if (HWindow != nullptr) ::SetParent(HWindow, parent != nullptr ? parent->HWindow : nullptr);
}

void TWindow::RemoveChild(TWindow* child) {
  children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
}

TWindow* TWindow::GetWindowPtr(HWND hwnd) {
  auto it = objects().find(hwnd);
  return it == objects().end() ? nullptr : it->second;
}

const char* TWindow::GetClassName() { return "TavixWindow"; }

void TWindow::GetWindowClass(WNDCLASS& wc) {
  wc = {};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = StdWndProc;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_WINDOW + 1));
  wc.lpszClassName = GetClassName();
}

bool TWindow::Create() {
  if (HWindow != nullptr) return true;
  const char* cls = GetClassName();
  WNDCLASS wc;
  if (!GetClassInfo(nullptr, cls, &wc)) {
    GetWindowClass(wc);
    wc.lpfnWndProc = StdWndProc;
    wc.lpszClassName = cls;
    RegisterClass(&wc);
    GetClassInfo(nullptr, cls, &wc);
  }
  HWND parent = Parent != nullptr ? Parent->HWindow : nullptr;
  if ((Attr.Style & WS_CHILD) != 0 && parent == nullptr) return false;
  HMENU id = reinterpret_cast<HMENU>(static_cast<uintptr_t>(static_cast<unsigned>(Attr.Id)));
  if (wc.lpfnWndProc != StdWndProc) {
    // A predefined class (a control): its own procedure makes the window, and
    // the object then subclasses it, keeping that procedure as the default.
    HWND h = CreateWindowEx(Attr.ExStyle, cls, Title.c_str(), Attr.Style, Attr.X, Attr.Y, Attr.W,
                            Attr.H, parent, id, nullptr, this);
    if (h == nullptr) return false;
    HWindow = h;
    objects()[h] = this;
    DefaultProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StdWndProc)));
    SetupWindow();
    return true;
  }
  TWindow* previous = g_creating;
  g_creating = this;
  HWND h = CreateWindowEx(Attr.ExStyle, cls, Title.c_str(), Attr.Style, Attr.X, Attr.Y, Attr.W,
                          Attr.H, parent, id, nullptr, this);
  g_creating = previous;
  return h != nullptr && HWindow == h;
}

void TWindow::CreateChildren() {
  // A child may be deleted while another is created; walk a copy and check.
  std::vector<TWindow*> copy = children_;
  for (TWindow* c : copy) {
    if (std::find(children_.begin(), children_.end(), c) != children_.end() && c->HWindow == nullptr &&
        c->AutoCreate) {
      c->Create();
    }
  }
}

void TWindow::SubclassWindow(HWND hwnd) {
  if (!::IsWindow(hwnd)) return;
  HWindow = hwnd;
  alias_ = true;
  objects()[hwnd] = this;
  DefaultProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StdWndProc)));
}

LRESULT TWindow::StdWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWindow* w = GetWindowPtr(hwnd);
  if (w == nullptr && g_creating != nullptr && g_creating->HWindow == nullptr) {
    w = g_creating;
    w->HWindow = hwnd;
    objects()[hwnd] = w;
  }
  if (w == nullptr) return ::DefWindowProc(hwnd, msg, wParam, lParam);
  UINT savedMsg = w->curMsg_;
  WPARAM savedW = w->curW_;
  LPARAM savedL = w->curL_;
  w->curMsg_ = msg;
  w->curW_ = wParam;
  w->curL_ = lParam;
  LRESULT r = w->WindowProc(msg, wParam, lParam);
  // A handler may have deleted the object (its destructor unbinds it).
  auto it = objects().find(hwnd);
  if (it == objects().end() || it->second != w) return r;
  if (msg == WM_NCDESTROY) {
    // The window is gone; the object lives on without it.
    objects().erase(it);
    w->HWindow = nullptr;
    return r;
  }
  w->curMsg_ = savedMsg;
  w->curW_ = savedW;
  w->curL_ = savedL;
  return r;
}

LRESULT TWindow::DefaultProcessing() { return DefWindowProc(curMsg_, curW_, curL_); }

LRESULT TWindow::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProc(DefaultProc, HWindow, msg, wParam, lParam);
}

LRESULT TWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  auto point = [lParam]() { return TPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); };
  const UINT keys = static_cast<UINT>(LOWORD(wParam));
  switch (msg) {
    case WM_CREATE:
      SetupWindow();
      return 0;
    case WM_PAINT: EvPaint(); return 0;
    case WM_ERASEBKGND: return EvEraseBkgnd(reinterpret_cast<HDC>(wParam)) ? 1 : 0;
    case WM_SIZE: {
      TSize s(LOWORD(static_cast<uintptr_t>(lParam)), HIWORD(static_cast<uintptr_t>(lParam)));
      EvSize(static_cast<UINT>(wParam), s);
      return 0;
    }
    case WM_MOVE: {
      TPoint p = point();
      EvMove(p);
      return 0;
    }
    case WM_LBUTTONDOWN: { TPoint p = point(); EvLButtonDown(keys, p); return 0; }
    case WM_LBUTTONUP: { TPoint p = point(); EvLButtonUp(keys, p); return 0; }
    case WM_LBUTTONDBLCLK: { TPoint p = point(); EvLButtonDblClk(keys, p); return 0; }
    case WM_RBUTTONDOWN: { TPoint p = point(); EvRButtonDown(keys, p); return 0; }
    case WM_RBUTTONUP: { TPoint p = point(); EvRButtonUp(keys, p); return 0; }
    case WM_RBUTTONDBLCLK: { TPoint p = point(); EvRButtonDblClk(keys, p); return 0; }
    case WM_MOUSEMOVE: { TPoint p = point(); EvMouseMove(keys, p); return 0; }
    case WM_CHAR:
      EvChar(static_cast<UINT>(wParam), static_cast<UINT>(lParam & 0xFFFF), static_cast<UINT>(HIWORD(static_cast<uintptr_t>(lParam))));
      return 0;
    case WM_KEYDOWN:
      EvKeyDown(static_cast<UINT>(wParam), static_cast<UINT>(lParam & 0xFFFF), static_cast<UINT>(HIWORD(static_cast<uintptr_t>(lParam))));
      return 0;
    case WM_KEYUP:
      EvKeyUp(static_cast<UINT>(wParam), static_cast<UINT>(lParam & 0xFFFF), static_cast<UINT>(HIWORD(static_cast<uintptr_t>(lParam))));
      return 0;
    case WM_COMMAND:
      if (lParam == 0 && !IsCommandEnabled(static_cast<UINT>(LOWORD(wParam)))) return 0;
      return EvCommand(static_cast<UINT>(LOWORD(wParam)), reinterpret_cast<HWND>(lParam),
                       static_cast<UINT>(HIWORD(wParam)));
    case WM_SETFOCUS: EvSetFocus(reinterpret_cast<HWND>(wParam)); return 0;
    case WM_KILLFOCUS: EvKillFocus(reinterpret_cast<HWND>(wParam)); return 0;
    case WM_ACTIVATE:
      EvActivate(static_cast<UINT>(LOWORD(wParam)), HIWORD(wParam) != 0, reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_CLOSE: EvClose(); return 0;
    case WM_DESTROY: EvDestroy(); return 0;
    case WM_TIMER: EvTimer(static_cast<UINT>(wParam)); return 0;
    case WM_HSCROLL:
      EvHScroll(static_cast<UINT>(LOWORD(wParam)), static_cast<UINT>(HIWORD(wParam)), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_VSCROLL:
      EvVScroll(static_cast<UINT>(LOWORD(wParam)), static_cast<UINT>(HIWORD(wParam)), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_SETCURSOR:
      return EvSetCursor(reinterpret_cast<HWND>(wParam), static_cast<UINT>(LOWORD(static_cast<uintptr_t>(lParam))),
                         static_cast<UINT>(HIWORD(static_cast<uintptr_t>(lParam))))
                 ? TRUE
                 : FALSE;
    case WM_SHOWWINDOW: EvShowWindow(wParam != 0, static_cast<UINT>(lParam)); return 0;
    case WM_NCPAINT: EvNCPaint(); return 0;
    case WM_INITMENUPOPUP:
      EvInitMenuPopup(reinterpret_cast<HMENU>(wParam), static_cast<UINT>(LOWORD(static_cast<uintptr_t>(lParam))),
                      HIWORD(static_cast<uintptr_t>(lParam)) != 0);
      return 0;
    default: return DefWindowProc(msg, wParam, lParam);
  }
}

// ---------------------------------------------------------------- default handlers

void TWindow::SetupWindow() {
  if (Scroller != nullptr) Scroller->SetSBarRange();
  CreateChildren();
}

void TWindow::CleanupWindow() {}
bool TWindow::CanClose() { return true; }

void TWindow::CloseWindow(int retVal) {
  if (CanClose()) Destroy(retVal);
}

void TWindow::Destroy(int) {
  if (HWindow != nullptr && ::IsWindow(HWindow)) {
    CleanupWindow();
    ::DestroyWindow(HWindow);
  }
}

void TWindow::Paint(TDC&, bool, TRect&) {}

void TWindow::EvPaint() {
  TPaintDC dc(HWindow);
  TRect area(dc.Ps.rcPaint);
  if (Scroller != nullptr) Scroller->BeginView(dc, area);
  Paint(dc, dc.Ps.fErase != 0, area);
  if (Scroller != nullptr) Scroller->EndView();
}

bool TWindow::EvEraseBkgnd(HDC hdc) {
  if (!hasBkgnd_) return DefaultProcessing() != 0;
  HBRUSH b = ::CreateSolidBrush(bkgnd_);
  TRect r = GetClientRect();
  ::FillRect(hdc, &r, b);
  ::DeleteObject(b);
  return true;
}

void TWindow::EvSize(UINT, TSize&) {
  if (Scroller != nullptr) Scroller->SetPageSize();
  DefaultProcessing();
}

void TWindow::EvMove(TPoint&) { DefaultProcessing(); }
void TWindow::EvLButtonDown(UINT, TPoint&) { DefaultProcessing(); }
void TWindow::EvLButtonUp(UINT, TPoint&) { DefaultProcessing(); }
void TWindow::EvLButtonDblClk(UINT, TPoint&) { DefaultProcessing(); }
void TWindow::EvRButtonDown(UINT, TPoint&) { DefaultProcessing(); }
void TWindow::EvRButtonUp(UINT, TPoint&) { DefaultProcessing(); }
void TWindow::EvRButtonDblClk(UINT, TPoint&) { DefaultProcessing(); }

void TWindow::EvMouseMove(UINT, TPoint&) {
  if (Scroller != nullptr && ::GetCapture() == HWindow) Scroller->AutoScroll();
  DefaultProcessing();
}

void TWindow::EvChar(UINT, UINT, UINT) { DefaultProcessing(); }
void TWindow::EvKeyDown(UINT, UINT, UINT) { DefaultProcessing(); }
void TWindow::EvKeyUp(UINT, UINT, UINT) { DefaultProcessing(); }

LRESULT TWindow::EvCommand(UINT, HWND, UINT) { return DefaultProcessing(); }

void TWindow::EvSetFocus(HWND) { DefaultProcessing(); }
void TWindow::EvKillFocus(HWND) { DefaultProcessing(); }
void TWindow::EvActivate(UINT, bool, HWND) { DefaultProcessing(); }

void TWindow::EvClose() {
  if (CanClose()) Destroy(0);
}

void TWindow::EvDestroy() { DefaultProcessing(); }
void TWindow::EvTimer(UINT) { DefaultProcessing(); }

void TWindow::EvHScroll(UINT scrollCode, UINT thumbPos, HWND hWndCtl) {
  if (Scroller != nullptr && hWndCtl == nullptr) {
    Scroller->HScroll(scrollCode, static_cast<int>(thumbPos));
  } else {
    DefaultProcessing();
  }
}

void TWindow::EvVScroll(UINT scrollCode, UINT thumbPos, HWND hWndCtl) {
  if (Scroller != nullptr && hWndCtl == nullptr) {
    Scroller->VScroll(scrollCode, static_cast<int>(thumbPos));
  } else {
    DefaultProcessing();
  }
}

bool TWindow::EvSetCursor(HWND hWndCursor, UINT, UINT) {
  if (cursor_ != nullptr && hWndCursor == HWindow) {
    ::SetCursor(cursor_);
    return true;
  }
  return DefaultProcessing() != 0;
}

bool TWindow::SetCursor(TModule* module, const char* name) {
  // The module stands for the program's resources: any module will do, as the
  // program has one set of cursor resources.
  HCURSOR c = ::LoadCursor(reinterpret_cast<HINSTANCE>(module), name);
  if (c == nullptr) return false;
  cursor_ = c;
  return true;
}

void TWindow::SetBkgndColor(COLORREF colour) {
  hasBkgnd_ = true;
  bkgnd_ = colour;
}
void TWindow::EvShowWindow(bool, UINT) { DefaultProcessing(); }
void TWindow::EvNCPaint() { DefaultProcessing(); }

void TWindow::EvCommandEnable(TCommandEnabler&) {}

bool TWindow::IsCommandEnabled(UINT id) {
  TCommandEnabler ce(id, HWindow);
  EvCommandEnable(ce);
  return ce.GetEnabled();
}

namespace {

// Menus nest at most this deep when their enablers run.
const int kMaxMenuDepth = 16;

void enableMenu(TWindow& w, HMENU menu, int depth) {
  int count = ::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    if ((state & MF_SEPARATOR) != 0) continue;
    if ((state & MF_POPUP) != 0) {
      if (depth < kMaxMenuDepth) enableMenu(w, ::GetSubMenu(menu, i), depth + 1);
      continue;
    }
    TMenuItemEnabler ce(menu, ::GetMenuItemID(menu, i), w.HWindow, i);
    w.EvCommandEnable(ce);
  }
}

}  // namespace

void TWindow::EvInitMenuPopup(HMENU popup, UINT, bool sysMenu) {
  if (!sysMenu && ::IsMenu(popup)) enableMenu(*this, popup, 0);
}

bool TWindow::IdleAction(long idleCount) {
  bool more = false;
  // A child may go while another does its idle work; walk a copy and check.
  std::vector<TWindow*> copy = children_;
  for (TWindow* c : copy) {
    if (std::find(children_.begin(), children_.end(), c) == children_.end()) continue;
    if (c->IdleAction(idleCount)) more = true;
  }
  return more;
}

bool TWindow::PreProcessMsg(MSG& msg) {
  if (Attr.AccelTable == nullptr || HWindow == nullptr) return false;
  if (accel_ == nullptr) accel_ = ::LoadAccelerators(::GetModuleHandle(nullptr), Attr.AccelTable);
  return accel_ != nullptr && ::TranslateAccelerator(HWindow, accel_, &msg) != 0;
}

// ---------------------------------------------------------------- helpers

bool TWindow::IsWindow() const { return HWindow != nullptr && ::IsWindow(HWindow); }
bool TWindow::IsWindowVisible() const { return ::IsWindowVisible(HWindow) != 0; }
bool TWindow::Show(int cmdShow) { return ::ShowWindow(HWindow, cmdShow) != 0; }

bool TWindow::MoveWindow(int x, int y, int w, int h, bool repaint) {
  if (HWindow == nullptr) {
    Attr.X = x;
    Attr.Y = y;
    Attr.W = w;
    Attr.H = h;
    return true;
  }
  return ::MoveWindow(HWindow, x, y, w, h, repaint) != 0;
}

bool TWindow::MoveWindow(const TRect& r, bool repaint) {
  return MoveWindow(r.left, r.top, r.Width(), r.Height(), repaint);
}

bool TWindow::SetWindowPos(HWND insertAfter, int x, int y, int w, int h, UINT flags) {
  return ::SetWindowPos(HWindow, insertAfter, x, y, w, h, flags) != 0;
}

TRect TWindow::GetClientRect() const {
  RECT r = {0, 0, 0, 0};
  ::GetClientRect(HWindow, &r);
  return TRect(r);
}

TRect TWindow::GetWindowRect() const {
  RECT r = {0, 0, 0, 0};
  ::GetWindowRect(HWindow, &r);
  return TRect(r);
}

void TWindow::ClientToScreen(TPoint& p) const { ::ClientToScreen(HWindow, &p); }
void TWindow::ScreenToClient(TPoint& p) const { ::ScreenToClient(HWindow, &p); }
void TWindow::Invalidate(bool erase) { ::InvalidateRect(HWindow, nullptr, erase); }
void TWindow::InvalidateRect(const TRect& r, bool erase) { ::InvalidateRect(HWindow, &r, erase); }
void TWindow::Validate() { ::ValidateRect(HWindow, nullptr); }
void TWindow::UpdateWindow() { ::UpdateWindow(HWindow); }
HWND TWindow::SetCapture() { return ::SetCapture(HWindow); }
void TWindow::ReleaseCapture() { ::ReleaseCapture(); }
HWND TWindow::SetFocus() { return ::SetFocus(HWindow); }

void TWindow::SetCaption(const char* title) {
  Title = title != nullptr ? title : "";
  if (HWindow != nullptr) ::SetWindowText(HWindow, Title.c_str());
}

int TWindow::GetWindowText(char* out, int size) const { return ::GetWindowText(HWindow, out, size); }
void TWindow::SetWindowText(const char* text) { ::SetWindowText(HWindow, text); }
UINT_PTR TWindow::SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(HWindow, id, elapse, nullptr); }
bool TWindow::KillTimer(UINT_PTR id) { return ::KillTimer(HWindow, id) != 0; }

LRESULT TWindow::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::SendMessage(HWindow, msg, wParam, lParam);
}

bool TWindow::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::PostMessage(HWindow, msg, wParam, lParam) != 0;
}

DWORD TWindow::GetStyle() const {
  return HWindow != nullptr ? static_cast<DWORD>(::GetWindowLong(HWindow, GWL_STYLE)) : Attr.Style;
}

void TWindow::SetStyle(DWORD style) {
  Attr.Style = style;
  if (HWindow != nullptr) ::SetWindowLong(HWindow, GWL_STYLE, static_cast<LONG>(style));
}

void TWindow::EnableWindow(bool enable) { ::EnableWindow(HWindow, enable); }

TWindow* TWindow::ChildWithId(int id) const {
  for (TWindow* c : children_)
    if (c->Attr.Id == id) return c;
  return nullptr;
}
