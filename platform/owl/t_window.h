// The window base class of the framework the system's classes derive from. A
// TWindow is an object with a window behind it: Create makes the window (with the
// attributes in Attr and a window class registered under GetClassName), runs
// SetupWindow while the window is being created, and from then on every message
// reaches WindowProc, which hands the usual ones to the Ev... handlers below and
// everything else to the default processing (the procedure the window had before
// it was subclassed, or DefWindowProc).
//
// Child window objects are not owned by their parent: the parent creates the
// windows of the children it knows when it is created, and forgets them (sets
// their Parent to null) when it goes; whoever made a child object deletes it.
// Destroying the object destroys its window; a window destroyed first leaves
// the object with a null HWindow.
//
// An alias (TWindow(HWND)) wraps a window made elsewhere, such as the browser's
// window: it never destroys it.
//
// Commands: a command from a menu or an accelerator (WM_COMMAND without a
// control) is carried out only when the window's EvCommandEnable leaves it
// enabled, and a popup menu's items are enabled and checked through
// EvCommandEnable before it is tracked (WM_INITMENUPOPUP), so that one answer
// (a page that is locked against changes, say) governs both. Commands from
// controls are not asked about: a disabled control sends none.
//
// Keys: the application's message loop offers each message to PreProcessMsg of
// its window and that window's ancestors, which turn the keys of their
// accelerator table (Attr.AccelTable, a resource name) into commands.
//
// Idle: when no message is waiting the application calls IdleAction of its
// main window, which by default asks its children; true means "call me again".
#ifndef PLATFORM_T_WINDOW_H
#define PLATFORM_T_WINDOW_H

#include <string>
#include <vector>

#include "platform/owl/t_rect.h"
#include "platform/windows_types.h"
#include "platform/win/windows_user.h"

class TCommandEnabler;
class TDC;
class TScroller;
class TModule;

class TWindow {
 public:
  struct TWindowAttr {
    DWORD Style = WS_CHILD | WS_VISIBLE;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int W = 0;
    int H = 0;
    int Id = 0;
    // The accelerator resource the window's keys are looked up in, or null.
    const char* AccelTable = nullptr;
  };

  TWindow() = default;
  explicit TWindow(TWindow* parent, const char* title = nullptr, TModule* module = nullptr);
  // An alias for a window made elsewhere; not destroyed with the object.
  explicit TWindow(HWND hwnd);
  virtual ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  HWND GetHandle() const { return HWindow; }
  operator HWND() const { return HWindow; }  // NOLINT: the framework converts implicitly

  // ---- Life cycle ----
  virtual bool Create();
  virtual void SetupWindow();
  virtual void CleanupWindow();
  virtual bool CanClose();
  // Ends the window: asks CanClose (through EvClose) for top-level windows.
  virtual void CloseWindow(int retVal = 0);
  virtual void Destroy(int retVal = 0);

  // ---- Window class ----
  virtual const char* GetClassName();
  virtual void GetWindowClass(WNDCLASS& wc);

  // ---- Messages ----
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultProcessing();
  LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

  virtual void Paint(TDC& dc, bool erase, TRect& rect);
  virtual void EvPaint();
  virtual bool EvEraseBkgnd(HDC hdc);
  virtual void EvSize(UINT sizeType, TSize& size);
  virtual void EvMove(TPoint& clientOrigin);
  virtual void EvLButtonDown(UINT modKeys, TPoint& point);
  virtual void EvLButtonUp(UINT modKeys, TPoint& point);
  virtual void EvLButtonDblClk(UINT modKeys, TPoint& point);
  virtual void EvRButtonDown(UINT modKeys, TPoint& point);
  virtual void EvRButtonUp(UINT modKeys, TPoint& point);
  virtual void EvRButtonDblClk(UINT modKeys, TPoint& point);
  virtual void EvMouseMove(UINT modKeys, TPoint& point);
  virtual void EvChar(UINT key, UINT repeatCount, UINT flags);
  virtual void EvKeyDown(UINT key, UINT repeatCount, UINT flags);
  virtual void EvKeyUp(UINT key, UINT repeatCount, UINT flags);
  virtual LRESULT EvCommand(UINT id, HWND hWndCtl, UINT notifyCode);
  virtual void EvSetFocus(HWND hWndLostFocus);
  virtual void EvKillFocus(HWND hWndGetFocus);
  virtual void EvActivate(UINT active, bool minimized, HWND hWndOther);
  virtual void EvClose();
  virtual void EvDestroy();
  virtual void EvTimer(UINT timerId);
  virtual void EvHScroll(UINT scrollCode, UINT thumbPos, HWND hWndCtl);
  virtual void EvVScroll(UINT scrollCode, UINT thumbPos, HWND hWndCtl);
  virtual bool EvSetCursor(HWND hWndCursor, UINT hitTest, UINT mouseMsg);
  virtual void EvShowWindow(bool show, UINT status);
  virtual void EvNCPaint();
  // Asked whether a command is enabled and checked (see above); the default
  // leaves it enabled and unchecked.
  virtual void EvCommandEnable(TCommandEnabler& enabler);
  // Runs the enablers of every command item of `popup` and its submenus.
  virtual void EvInitMenuPopup(HMENU popup, UINT index, bool sysMenu);
  // Whether a command would be carried out now (EvCommandEnable's answer).
  bool IsCommandEnabled(UINT id);
  // Idle work: `idleCount` is 0 on the first call after a message and counts
  // up; returns true when the window wants to be called again. The default
  // asks every child and returns true when any of them wants more.
  virtual bool IdleAction(long idleCount);
  // Translates the keys of the window's accelerator table; true when the
  // message became a command and is not to be dispatched.
  virtual bool PreProcessMsg(MSG& msg);

  // ---- Helpers over the window ----
  bool IsWindow() const;
  bool IsWindowVisible() const;
  bool Show(int cmdShow);
  bool MoveWindow(int x, int y, int w, int h, bool repaint = false);
  bool MoveWindow(const TRect& r, bool repaint = false);
  bool SetWindowPos(HWND insertAfter, int x, int y, int w, int h, UINT flags);
  TRect GetClientRect() const;
  void GetClientRect(TRect& r) const { r = GetClientRect(); }
  TRect GetWindowRect() const;
  void GetWindowRect(TRect& r) const { r = GetWindowRect(); }
  void ClientToScreen(TPoint& p) const;
  void ScreenToClient(TPoint& p) const;
  void Invalidate(bool erase = true);
  void InvalidateRect(const TRect& r, bool erase = true);
  void Validate();
  void UpdateWindow();
  HWND SetCapture();
  void ReleaseCapture();
  HWND SetFocus();
  void SetCaption(const char* title);
  const char* GetCaption() const { return Title.c_str(); }
  int GetWindowText(char* out, int size) const;
  void SetWindowText(const char* text);
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse);
  bool KillTimer(UINT_PTR id);
  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  bool PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  DWORD GetStyle() const;
  void SetStyle(DWORD style);
  void EnableWindow(bool enable);
  // Scroll bars of the window.
  int SetScrollPos(int bar, int pos, bool redraw = true) { return ::SetScrollPos(HWindow, bar, pos, redraw); }
  int GetScrollPos(int bar) const { return ::GetScrollPos(HWindow, bar); }
  void SetScrollRange(int bar, int minPos, int maxPos, bool redraw = true) {
    ::SetScrollRange(HWindow, bar, minPos, maxPos, redraw);
  }
  void ShowScrollBar(int bar, bool show = true) { ::ShowScrollBar(HWindow, bar, show); }
  // The cursor shown over the window when the class gives none of its own
  // choosing: a standard cursor by identifier (IDC_ARROW ...) with no module,
  // or a cursor resource by name with the program's module. Returns false when
  // there is no such cursor.
  bool SetCursor(TModule* module, const char* name);
  // The colour the window's background is erased with.
  void SetBkgndColor(COLORREF colour);
  int GetId() const { return Attr.Id; }
  HWND GetParentH() const { return Parent != nullptr ? Parent->HWindow : ::GetParent(HWindow); }
  TWindow* GetParentO() const { return Parent; }
  // Makes `parent` this window's parent (its window too, once both exist).
  void SetParent(TWindow* parent);
  TWindow* ChildWithId(int id) const;
  const std::vector<TWindow*>& Children() const { return children_; }
  // The framework object of a window made by Create, or null.
  static TWindow* GetWindowPtr(HWND hwnd);
  // Subclasses a window made elsewhere so that its messages reach this object
  // first; unhandled ones go to the window's own procedure.
  void SubclassWindow(HWND hwnd);

  // The window's handle, null until the window is created.
  HWND HWindow = nullptr;
  TWindow* Parent = nullptr;
  TWindowAttr Attr;
  std::string Title;
  // Whether the parent creates this window's window when it is created itself
  // (dialogs wait for Execute or Create).
  bool AutoCreate = true;
  // The window's scroller. Owned by the window: deleted with it. It is a raw
  // pointer because the framework hands it in (Scroller = new TScroller(...)).
  TScroller* Scroller = nullptr;

 protected:
  void CreateChildren();
  // The procedure messages go to when this object does not handle them.
  WNDPROC DefaultProc = ::DefWindowProc;

 private:
  static LRESULT StdWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void AddChild(TWindow* child);
  void RemoveChild(TWindow* child);

  std::vector<TWindow*> children_;  // not owned
  HCURSOR cursor_ = nullptr;
  bool hasBkgnd_ = false;
  COLORREF bkgnd_ = 0;
  bool alias_ = false;
  HACCEL accel_ = nullptr;  // loaded from Attr.AccelTable on the first key
  // The message being handled, for DefaultProcessing.
  UINT curMsg_ = 0;
  WPARAM curW_ = 0;
  LPARAM curL_ = 0;
};

#endif  // PLATFORM_T_WINDOW_H
