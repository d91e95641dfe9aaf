// The window-manager calls and constants the system's window classes use: window
// classes and styles, creating, showing, moving and destroying windows, the
// message queue (post, send, peek, get, dispatch), mouse capture and focus,
// timers, invalidation and painting, scroll bars, cursors, system metrics and
// system colours. They are implemented over the process-wide WindowManager
// (platform/win/window_manager.h), which keeps the window tree and the queue.
//
// Positions packed into an LPARAM hold x in the low 16 bits and y in the high
// 16 bits, each a signed 16-bit value.
#ifndef PLATFORM_WINDOWS_USER_H
#define PLATFORM_WINDOWS_USER_H

#include <cstdint>

#include "platform/windows_types.h"

typedef intptr_t LONG_PTR;
typedef uintptr_t UINT_PTR;
typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void (*TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

// ---- Packing ----
inline LPARAM MAKELPARAM(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<int32_t>(
      (static_cast<uint32_t>(static_cast<uint16_t>(lo))) |
      (static_cast<uint32_t>(static_cast<uint16_t>(hi)) << 16)));
}
inline WPARAM MAKEWPARAM(int lo, int hi) {
  return static_cast<WPARAM>((static_cast<uint32_t>(static_cast<uint16_t>(lo))) |
                             (static_cast<uint32_t>(static_cast<uint16_t>(hi)) << 16));
}
inline int LOWORD(uintptr_t v) { return static_cast<int>(v & 0xFFFFu); }
inline int HIWORD(uintptr_t v) { return static_cast<int>((v >> 16) & 0xFFFFu); }
inline int GET_X_LPARAM(LPARAM lp) { return static_cast<int16_t>(static_cast<uint16_t>(lp & 0xFFFF)); }
inline int GET_Y_LPARAM(LPARAM lp) {
  return static_cast<int16_t>(static_cast<uint16_t>((static_cast<uintptr_t>(lp) >> 16) & 0xFFFF));
}

// ---- Messages ----
#define WM_NULL 0x0000u
#define WM_CREATE 0x0001u
#define WM_DESTROY 0x0002u
#define WM_MOVE 0x0003u
#define WM_SIZE 0x0005u
#define WM_ACTIVATE 0x0006u
#define WM_SETFOCUS 0x0007u
#define WM_KILLFOCUS 0x0008u
#define WM_ENABLE 0x000Au
#define WM_SETTEXT 0x000Cu
#define WM_GETTEXT 0x000Du
#define WM_GETTEXTLENGTH 0x000Eu
#define WM_PAINT 0x000Fu
#define WM_CLOSE 0x0010u
#define WM_QUIT 0x0012u
#define WM_ERASEBKGND 0x0014u
#define WM_SHOWWINDOW 0x0018u
#define WM_SETCURSOR 0x0020u
#define WM_NCDESTROY 0x0082u
// Sent to a window with a frame when the frame needs painting (shown, resized,
// activated or deactivated, minimised or restored), before its WM_PAINT. The
// default processing does nothing, as the composer draws the standard frame; a
// window that draws more on its frame does it here (GetWindowDC).
#define WM_NCPAINT 0x0085u
#define WM_KEYDOWN 0x0100u
#define WM_KEYUP 0x0101u
#define WM_CHAR 0x0102u
#define WM_INITDIALOG 0x0110u
#define WM_COMMAND 0x0111u
#define WM_INITMENUPOPUP 0x0117u  // wParam: the popup menu, before it is tracked
#define WM_TIMER 0x0113u
#define WM_HSCROLL 0x0114u
#define WM_VSCROLL 0x0115u
#define WM_MOUSEFIRST 0x0200u
#define WM_MOUSEMOVE 0x0200u
#define WM_LBUTTONDOWN 0x0201u
#define WM_LBUTTONUP 0x0202u
#define WM_LBUTTONDBLCLK 0x0203u
#define WM_RBUTTONDOWN 0x0204u
#define WM_RBUTTONUP 0x0205u
#define WM_RBUTTONDBLCLK 0x0206u
#define WM_MBUTTONDOWN 0x0207u
#define WM_MBUTTONUP 0x0208u
#define WM_MBUTTONDBLCLK 0x0209u
#define WM_PARENTNOTIFY 0x0210u
#define WM_MOUSELAST 0x0209u
#define WM_CAPTURECHANGED 0x0215u
#define WM_USER 0x0400u

// Key-state bits of mouse messages.
#define MK_LBUTTON 0x0001u
#define MK_RBUTTON 0x0002u
#define MK_SHIFT 0x0004u
#define MK_CONTROL 0x0008u
#define MK_MBUTTON 0x0010u
// Not a Windows key-state bit: the Alt key held with a scripted key press.
#define MK_ALT 0x0100u

// Virtual keys the system looks at.
#define VK_BACK 0x08u
#define VK_TAB 0x09u
#define VK_RETURN 0x0Du
#define VK_SHIFT 0x10u
#define VK_CONTROL 0x11u
#define VK_MENU 0x12u
#define VK_ESCAPE 0x1Bu
#define VK_PRIOR 0x21u
#define VK_NEXT 0x22u
#define VK_END 0x23u
#define VK_HOME 0x24u
#define VK_LEFT 0x25u
#define VK_UP 0x26u
#define VK_RIGHT 0x27u
#define VK_DOWN 0x28u
#define VK_INSERT 0x2Du
#define VK_DELETE 0x2Eu
#define VK_F1 0x70u
#define VK_LBUTTON 0x01u
#define VK_RBUTTON 0x02u

// WM_SIZE kinds, WM_ACTIVATE states.
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2

// Scroll bar requests and bars.
#define SB_LINEUP 0
#define SB_LINEDOWN 1
#define SB_PAGEUP 2
#define SB_PAGEDOWN 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define SB_TOP 6
#define SB_BOTTOM 7
#define SB_ENDSCROLL 8
#define SB_HORZ 0
#define SB_VERT 1
#define SB_CTL 2
#define SB_BOTH 3

// ---- Styles ----
#define WS_OVERLAPPED 0x00000000u
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_EX_NOPARENTNOTIFY 0x00000004u
#define WS_VISIBLE 0x10000000u
#define WS_MINIMIZE 0x20000000u
#define WS_DISABLED 0x08000000u
#define WS_CLIPSIBLINGS 0x04000000u
#define WS_CLIPCHILDREN 0x02000000u
#define WS_MAXIMIZE 0x01000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_DLGFRAME 0x00400000u
#define WS_VSCROLL 0x00200000u
#define WS_HSCROLL 0x00100000u
#define WS_SYSMENU 0x00080000u
#define WS_THICKFRAME 0x00040000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u
#define WS_OVERLAPPEDWINDOW (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME)

#define CS_VREDRAW 0x0001u
#define CS_HREDRAW 0x0002u
#define CS_DBLCLKS 0x0008u
#define CS_OWNDC 0x0020u
#define CS_PARENTDC 0x0080u

#define CW_USEDEFAULT (static_cast<int>(0x80000000u))

// Button, static and edit styles, notifications and messages.
#define BS_PUSHBUTTON 0x0000u
#define BS_DEFPUSHBUTTON 0x0001u
#define BS_CHECKBOX 0x0002u
#define BS_AUTOCHECKBOX 0x0003u
#define BS_TYPEMASK 0x000Fu
#define BN_CLICKED 0
#define BM_GETCHECK 0x00F0u
#define BM_SETCHECK 0x00F1u
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define SS_LEFT 0x0000u
#define SS_CENTER 0x0001u
#define ES_MULTILINE 0x0004u
#define ES_AUTOVSCROLL 0x0040u
#define ES_AUTOHSCROLL 0x0080u
#define ES_READONLY 0x0800u
#define ES_WANTRETURN 0x1000u
#define EN_SETFOCUS 0x0100u
#define EN_KILLFOCUS 0x0200u
#define EN_CHANGE 0x0300u
#define EM_GETSEL 0x00B0u
#define EM_SETSEL 0x00B1u
#define EM_SCROLL 0x00B5u
#define EM_LINESCROLL 0x00B6u
#define EM_SCROLLCARET 0x00B7u
#define EM_GETMODIFY 0x00B8u
#define EM_SETMODIFY 0x00B9u
#define EM_GETLINECOUNT 0x00BAu
#define EM_LINEINDEX 0x00BBu
#define EM_LINELENGTH 0x00C1u
#define EM_REPLACESEL 0x00C2u
#define EM_GETLINE 0x00C4u
#define EM_LIMITTEXT 0x00C5u
#define EM_LINEFROMCHAR 0x00C9u
#define EM_GETFIRSTVISIBLELINE 0x00CEu
#define EM_SETREADONLY 0x00CFu
#define WM_SETFONT 0x0030u
#define WM_GETFONT 0x0031u
#define WM_CUT 0x0300u
#define WM_COPY 0x0301u
#define WM_PASTE 0x0302u
#define WM_CLEAR 0x0303u
#define LB_ADDSTRING 0x0180u
#define LB_RESETCONTENT 0x0184u
#define LB_SETCURSEL 0x0186u
#define LB_GETCURSEL 0x0188u
#define LB_GETTEXT 0x0189u
#define LB_GETTEXTLEN 0x018Au
#define LB_GETCOUNT 0x018Bu
#define LB_ERR (-1)
#define CB_GETCURSEL 0x0147u
#define CB_ADDSTRING 0x0143u
#define CB_RESETCONTENT 0x014Bu
#define CB_SETCURSEL 0x014Eu
#define CB_GETCOUNT 0x0146u
#define CB_GETLBTEXT 0x0148u
#define CB_GETLBTEXTLEN 0x0149u
#define CB_LIMITTEXT 0x0141u
#define CB_ERR (-1)

// ---- Window positions ----
#define SWP_NOSIZE 0x0001u
#define SWP_NOMOVE 0x0002u
#define SWP_NOZORDER 0x0004u
#define SWP_NOREDRAW 0x0008u
#define SWP_NOACTIVATE 0x0010u
#define SWP_SHOWWINDOW 0x0040u
#define SWP_HIDEWINDOW 0x0080u
#define HWND_TOP (reinterpret_cast<HWND>(static_cast<uintptr_t>(0)))
#define HWND_BOTTOM (reinterpret_cast<HWND>(static_cast<uintptr_t>(1)))

#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9

// Window longs.
#define GWL_WNDPROC (-4)
#define GWLP_WNDPROC (-4)
#define GWL_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_USERDATA (-21)

// ---- Messages in the queue ----
struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;  // screen position of the mouse when the message was made
};

#define PM_NOREMOVE 0x0000u
#define PM_REMOVE 0x0001u

struct CREATESTRUCT {
  void* lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  const char* lpszName;
  const char* lpszClass;
  DWORD dwExStyle;
};

struct WNDCLASS {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  const char* lpszMenuName;
  const char* lpszClassName;
};

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
};

// ---- System metrics and colours ----
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXVSCROLL 2
#define SM_CYHSCROLL 3
#define SM_CYCAPTION 4
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXDLGFRAME 7
#define SM_CYDLGFRAME 8
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXCURSOR 13
#define SM_CYCURSOR 14
#define SM_CYMENU 15
#define SM_CXFRAME 32
#define SM_CYFRAME 33
#define SM_CXDOUBLECLK 36
#define SM_CYDOUBLECLK 37
#define SM_CXDRAG 68
#define SM_CYDRAG 69

#define COLOR_SCROLLBAR 0
#define COLOR_BACKGROUND 1
#define COLOR_ACTIVECAPTION 2
#define COLOR_INACTIVECAPTION 3
#define COLOR_MENU 4
#define COLOR_WINDOW 5
#define COLOR_WINDOWFRAME 6
#define COLOR_MENUTEXT 7
#define COLOR_WINDOWTEXT 8
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_INACTIVEBORDER 11
#define COLOR_APPWORKSPACE 12
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_BTNSHADOW 16
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20

// ---- Cursors (the standard ones, by identifier) ----
#define IDC_ARROW (reinterpret_cast<const char*>(static_cast<uintptr_t>(32512)))
#define IDC_IBEAM (reinterpret_cast<const char*>(static_cast<uintptr_t>(32513)))
#define IDC_WAIT (reinterpret_cast<const char*>(static_cast<uintptr_t>(32514)))
#define IDC_CROSS (reinterpret_cast<const char*>(static_cast<uintptr_t>(32515)))
#define IDC_UPARROW (reinterpret_cast<const char*>(static_cast<uintptr_t>(32516)))
#define IDC_SIZENWSE (reinterpret_cast<const char*>(static_cast<uintptr_t>(32642)))
#define IDC_SIZENESW (reinterpret_cast<const char*>(static_cast<uintptr_t>(32643)))
#define IDC_SIZEWE (reinterpret_cast<const char*>(static_cast<uintptr_t>(32644)))
#define IDC_SIZENS (reinterpret_cast<const char*>(static_cast<uintptr_t>(32645)))
#define IDC_SIZEALL (reinterpret_cast<const char*>(static_cast<uintptr_t>(32646)))

// ---- Window classes ----
BOOL RegisterClass(const WNDCLASS* wc);
BOOL GetClassInfo(HINSTANCE instance, const char* className, WNDCLASS* out);

// ---- Windows ----
HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU menuOrId,
                    HINSTANCE instance, void* param);
HWND CreateWindow(const char* className, const char* windowName, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance,
                  void* param);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);
BOOL ShowWindow(HWND hwnd, int cmdShow);
BOOL IsIconic(HWND hwnd);  // minimised
BOOL IsZoomed(HWND hwnd);  // maximised
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL GetWindowRect(HWND hwnd, RECT* rect);  // screen coordinates
BOOL GetClientRect(HWND hwnd, RECT* rect);  // (0, 0, width, height)
BOOL ClientToScreen(HWND hwnd, POINT* p);
BOOL ScreenToClient(HWND hwnd, POINT* p);
HWND GetParent(HWND hwnd);
HWND SetParent(HWND hwnd, HWND newParent);
HWND GetDesktopWindow();
HWND WindowFromPoint(POINT screenPoint);
BOOL SetWindowText(HWND hwnd, const char* text);
int GetWindowText(HWND hwnd, char* out, int size);
int GetWindowTextLength(HWND hwnd);
LONG GetWindowLong(HWND hwnd, int index);
LONG SetWindowLong(HWND hwnd, int index, LONG value);
LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);
int GetClassName(HWND hwnd, char* out, int size);
BOOL EnableWindow(HWND hwnd, BOOL enable);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND hwnd);
HWND GetWindow(HWND hwnd, UINT relation);
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_CHILD 5

// ---- Modules ----
// The program's module handle (never null): the handle its resources are
// loaded through. Only the program itself (a null name) is known.
HINSTANCE GetModuleHandle(const char* name);

// ---- Window procedures ----
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// ---- Messages ----
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// Waits for a message. Returns 0 for WM_QUIT. Headless, a queue that is empty
// with no timer pending and no scripted input left can never fill again, so it
// returns WM_QUIT (0) instead of waiting forever.
BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);

// ---- Accelerators ----
// A key that stands for a command: with FVIRTKEY `key` is a virtual key,
// matched on WM_KEYDOWN with exactly the FSHIFT, FCONTROL and FALT keys held;
// otherwise it is a character, matched on WM_CHAR.
struct ACCEL {
  BYTE fVirt;
  WORD key;
  WORD cmd;
};
#define FVIRTKEY 0x01u
#define FSHIFT 0x04u
#define FCONTROL 0x08u
#define FALT 0x10u
TVX_DECLARE_HANDLE(HACCEL);
// A table of `count` entries (1 to 4096), or null.
HACCEL CreateAcceleratorTable(const ACCEL* entries, int count);
BOOL DestroyAcceleratorTable(HACCEL table);
// The program's accelerator resource of that name (compared without letter
// case); null when there is none. Loading it again gives the same table.
HACCEL LoadAccelerators(HINSTANCE instance, const char* name);
// Supplies an accelerator resource, as the program's resource file would;
// replaces the entries of one of the same name (1 to 4096 entries).
bool supplyAcceleratorResource(const char* name, const ACCEL* entries, int count);
// When `msg` is a key the table names, sends WM_COMMAND (the command in the low
// word, 1 in the high word: from an accelerator) to `hwnd` and returns TRUE.
int TranslateAccelerator(HWND hwnd, HACCEL table, MSG* msg);

// ---- Focus, capture, activation ----
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
// The key state as the last input message left it (high bit set while down).
int16_t GetKeyState(int virtualKey);
BOOL GetCursorPos(POINT* p);
BOOL SetCursorPos(int x, int y);

// ---- The caret (one for the whole program, owned by one window) ----
// Created hidden; ShowCaret shows it. Destroyed with its window.
BOOL CreateCaret(HWND hwnd, HGDIOBJ bitmap, int width, int height);
BOOL DestroyCaret();
BOOL SetCaretPos(int x, int y);  // client coordinates of the owner
BOOL GetCaretPos(POINT* p);
BOOL ShowCaret(HWND hwnd);

// ---- Timers ----
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
UINT GetDoubleClickTime();

// ---- Invalidation and painting ----
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
BOOL UpdateWindow(HWND hwnd);
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);

// ---- Scroll bars ----
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos);
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);
BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scrollRect, const RECT* clipRect);

// ---- Cursors ----
// A standard cursor by identifier (instance null), or a cursor resource of the
// program by name (instance: the program's module handle, any non-null value).
// Null when there is no such cursor, so that the caller falls back on a
// standard one. Loading a resource again gives the same handle.
HCURSOR LoadCursor(HINSTANCE instance, const char* name);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// The name of a standard cursor ("arrow", "cross" ...) or of a cursor resource
// as the program spells it ("Hand_Cursor"); "" for an unknown handle.
const char* cursorName(HCURSOR cursor);
// The program's cursor resources, as its resource file would hold them: the
// cursors of the page windows and the plug-in ("Hand_Cursor", "Menu_Cursor",
// "LinkTo_Cursor", "Expand_Cursor", "Edit_Cursor", "Goto_Cursor",
// "Select_Cursor", "Play_Cursor", "Pen_Cursor", "Eraser_Cursor") are there from
// the start. Names compare without letter case. Each resource has a handle of
// its own, above every standard cursor's, kept for the life of the process, so
// that a resource withdrawn and supplied again keeps its handle. Hosts draw a
// resource cursor from its name. Supplying a name that is there returns its
// handle; withdrawing one that is not returns false.
HCURSOR supplyCursorResource(const char* name);
bool withdrawCursorResource(const char* name);

// ---- System metrics and colours ----
int GetSystemMetrics(int index);
DWORD GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

#endif  // PLATFORM_WINDOWS_USER_H
