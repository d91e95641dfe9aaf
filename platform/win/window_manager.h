// The process-wide window manager: the tree of windows under the desktop window,
// the window classes, the message queue with its timers, mouse capture, focus and
// activation, double-click synthesis, the update areas of windows, scroll bars and
// cursors. The Windows-shaped calls of platform/win/windows_user.h are thin functions
// over it; hosts and tests use its input and clock members directly.
//
// Handles are never reused: a destroyed window's handle stays invalid, so a stale
// handle is refused (IsWindow false) instead of reaching another window.
//
// Messages come out of the queue in this order of priority: posted messages
// (scripted input is posted too), then WM_NCPAINT for a window whose frame
// needs painting, then WM_PAINT for a window with an update area,
// then WM_TIMER for a timer that is due, then the next scripted input from the
// input source (asked only when nothing else is waiting, as if the person were
// slower than the program). When nothing can arrive any more a waiting
// GetMessage gets WM_QUIT rather than blocking.
//
// The message clock is the tick count plus a virtual offset: waiting for a timer
// advances the offset instead of sleeping, and scripted input may advance it, so
// that timers and double-click timing behave the same in every run.
#ifndef PLATFORM_WINDOW_MANAGER_H
#define PLATFORM_WINDOW_MANAGER_H

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/display_list.h"
#include "platform/win/windows_user.h"

class WindowManager {
 public:
  struct ScrollBar {
    int minPos = 0;
    int maxPos = 0;
    int pos = 0;
    bool visible = false;
  };

  struct Window {
    HWND handle = nullptr;
    HWND parent = nullptr;          // the desktop for top-level windows
    std::vector<HWND> children;     // bottom of the Z order first
    std::string className;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect = {0, 0, 0, 0};       // in the parent's client coordinates
    WNDPROC proc = nullptr;
    LONG_PTR userData = 0;
    LONG id = 0;
    UINT classStyle = 0;
    HBRUSH background = nullptr;
    HCURSOR cursor = nullptr;
    bool hasUpdate = false;
    bool eraseUpdate = false;
    // The frame needs painting: the window hears WM_NCPAINT before its next
    // WM_PAINT (only windows with a frame: a border, a caption or a thick frame).
    bool ncPending = false;
    // The rectangle a minimised or maximised window goes back to when restored.
    RECT restoreRect = {0, 0, 0, 0};
    RECT update = {0, 0, 0, 0};     // client coordinates
    ScrollBar hbar;
    ScrollBar vbar;
    DisplayList list;               // the client area's picture
    bool destroying = false;
    // Per-class data of the built-in controls (platform/controls.cpp).
    std::vector<std::string> items;
    int selection = -1;
    int check = 0;
    bool modified = false;
    int textLimit = 0;
  };

  static WindowManager& instance();

  // Forgets every window, message, timer and scripted input and starts again
  // with a screen of the given size (tests and hosts call this first). Window
  // classes stay registered, as their procedures live in the libraries.
  void reset(int screenWidth = 1024, int screenHeight = 768);

  // ---- Classes ----
  bool registerClass(const WNDCLASS& wc);
  const WNDCLASS* findClass(const std::string& name) const;

  // ---- Windows ----
  HWND desktop() const { return desktop_; }
  Window* find(HWND hwnd);
  const Window* find(HWND hwnd) const;
  HWND create(DWORD exStyle, const char* className, const char* name, DWORD style, int x, int y,
              int w, int h, HWND parent, HMENU menuOrId, void* param);
  bool destroy(HWND hwnd);
  bool isVisible(HWND hwnd) const;  // visible, and every ancestor visible
  // Client-area offsets inside the window rectangle (frame, caption, scroll bars).
  RECT nonClientInsets(const Window& w) const;
  RECT clientRect(HWND hwnd) const;         // (0, 0, width, height)
  POINT clientOrigin(HWND hwnd) const;      // screen position of the client area
  RECT windowRectOnScreen(HWND hwnd) const;
  bool setPosition(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
  // Shows or hides; SW_MINIMIZE, SW_SHOWMAXIMIZED and SW_RESTORE change the
  // window's state too (WS_MINIMIZE, WS_MAXIMIZE): a minimised window shrinks
  // to a caption-high strip at its place, a maximised one fills its parent's
  // client area (the screen for top-level windows), and restoring puts back the
  // rectangle it had in the normal state. WM_SIZE tells the kind of change.
  bool show(HWND hwnd, int cmd);
  HWND windowFromPoint(POINT screen) const;
  int screenWidth() const { return screenWidth_; }
  int screenHeight() const { return screenHeight_; }

  // ---- The screen's own picture (drawing through a whole-screen context) ----
  DisplayList& screenList() { return screenList_; }

  // ---- Messages ----
  LRESULT send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  bool post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void postQuit(int exitCode);
  // The next message for `hwnd` (null: any) in [minMsg, maxMsg] (0, 0: any).
  // With `wait` a GetMessage; returns false when none (Peek) or WM_QUIT (Get).
  bool next(MSG* out, HWND hwnd, UINT minMsg, UINT maxMsg, bool remove, bool wait);
  LRESULT dispatch(const MSG& msg);
  // Dispatches until nothing but scripted input would remain; returns the count.
  // Bounded by `limit` messages so that a window that never validates cannot hang it.
  int runUntilIdle(int limit = 100000);
  std::size_t pendingMessages() const { return queue_.size(); }

  // ---- Input ----
  // Queues a mouse message as the hardware would make it: to the capture window
  // or the window under the point, in its client coordinates, with the key-state
  // word, turning a second press within the double-click time and distance into
  // a double click for windows whose class asks for them.
  void injectMouse(UINT msg, POINT screen, UINT keys);
  // Queues WM_KEYDOWN, then WM_CHAR when `ch` is not 0, then WM_KEYUP to the
  // focus. `modifiers` (MK_SHIFT, MK_CONTROL, MK_ALT) are the keys held down
  // with it: GetKeyState reports them until the next input, as scripted input
  // comes one at a time.
  void injectKey(UINT virtualKey, char ch, UINT modifiers = 0);
  // Asked for the next scripted input when the queue is idle; it injects one
  // input and returns true, or returns false when the script is done.
  void setInputSource(std::function<bool()> source) { inputSource_ = std::move(source); }
  UINT keyState() const { return keys_; }
  POINT cursorPos() const { return cursor_; }
  void setCursorPos(POINT p) { cursor_ = p; }

  // ---- Clock ----
  DWORD now() const;
  void advanceClock(DWORD ms) { clockOffset_ += ms; }

  // ---- Focus, capture, activation ----
  HWND setFocus(HWND hwnd);
  HWND focus() const { return focus_; }
  HWND setCapture(HWND hwnd);
  bool releaseCapture();
  HWND capture() const { return capture_; }
  HWND setActive(HWND hwnd, int how);
  HWND active() const { return active_; }

  // ---- The caret ----
  struct Caret {
    HWND owner = nullptr;
    int width = 0;
    int height = 0;
    POINT pos = {0, 0};
    int hidden = 1;  // shown at 0
  };
  Caret& caret() { return caret_; }

  // ---- Timers ----
  UINT_PTR setTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
  bool killTimer(HWND hwnd, UINT_PTR id);

  // ---- Update areas ----
  // A window's picture starts again from nothing when the whole client area is
  // repainted with erasing: everything recorded before is painted over. A
  // window repainted only in part (a drag step) keeps adding to its list, so
  // once the list holds more than kRepaintWholeAt commands its next paint is
  // made a whole one; the list therefore never holds much more than that plus
  // one paint's drawing.
  static constexpr std::size_t kRepaintWholeAt = 2048;
  // Called just before WM_PAINT goes to the window (dispatch, UpdateWindow).
  void preparePaint(HWND hwnd);
  bool invalidate(HWND hwnd, const RECT* rect, bool erase);
  bool validate(HWND hwnd, const RECT* rect);

  // ---- Scroll bars ----
  ScrollBar* scrollBar(HWND hwnd, int bar);
  void showScrollBar(HWND hwnd, int bar, bool show);

  // ---- Cursor ----
  HCURSOR setCursor(HCURSOR c);
  HCURSOR cursor() const { return currentCursor_; }

 private:
  WindowManager();
  struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
    DWORD due;
  };
  void destroyTree(HWND hwnd);
  bool matches(HWND filter, HWND target) const;
  HWND deepestAt(HWND parent, POINT screen) const;
  void sendSizeIfChanged(HWND hwnd, const RECT& oldClient, int kind = 0);
  bool framed(const Window& w) const;
  void changeState(HWND hwnd, int cmd);
  // WM_PARENTNOTIFY for a button press over `child`, to each of its parents.
  void notifyParents(HWND child, UINT downMsg, POINT screen);

  std::map<uintptr_t, std::unique_ptr<Window>> windows_;
  std::map<std::string, WNDCLASS> classes_;
  std::map<std::string, std::string> classNames_;  // keeps class name texts alive
  std::deque<MSG> queue_;
  std::vector<Timer> timers_;
  std::function<bool()> inputSource_;
  uintptr_t nextHandle_ = 0x1000;
  HWND desktop_ = nullptr;
  HWND focus_ = nullptr;
  HWND capture_ = nullptr;
  HWND active_ = nullptr;
  DisplayList screenList_;
  int screenWidth_ = 1024;
  int screenHeight_ = 768;
  bool quitPosted_ = false;
  int quitCode_ = 0;
  DWORD clockOffset_ = 0;
  UINT keys_ = 0;
  POINT cursor_ = {0, 0};
  HCURSOR currentCursor_ = nullptr;
  Caret caret_;
  // The last button press, for double-click synthesis.
  UINT lastDownMsg_ = 0;
  HWND lastDownWindow_ = nullptr;
  DWORD lastDownTime_ = 0;
  POINT lastDownPos_ = {0, 0};
};

#endif  // PLATFORM_WINDOW_MANAGER_H
