// The window base class of the framework the system's classes derive from. This is
// the small core that the kit and the hypertext core need (a handle to own message
// boxes); the windowing layer grows it into the full window class.
#ifndef PLATFORM_T_WINDOW_H
#define PLATFORM_T_WINDOW_H

#include "platform/windows_types.h"

class TWindow {
 public:
  TWindow() = default;
  virtual ~TWindow() = default;
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  HWND GetHandle() const { return HWindow; }

  // The window's handle, null until the window is created.
  HWND HWindow = nullptr;
};

#endif  // PLATFORM_T_WINDOW_H
