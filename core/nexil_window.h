// The main-window base class of the hypertext core: the window the core's
// dialogs expect as their owner. It adds no state to the framework's window; a
// book manager's window derives from it so that a page can tell a main window
// that shows pages from any other window.
#ifndef CORE_NEXIL_WINDOW_H
#define CORE_NEXIL_WINDOW_H

#include "platform/owl/t_window.h"

class NexilWindow : public TWindow {
 public:
  NexilWindow(TWindow* parent, const char* title, TModule* module = nullptr)
      : TWindow(parent, title, module) {}
  // An alias for a window made elsewhere.
  explicit NexilWindow(HWND hwnd) : TWindow(hwnd) {}
  ~NexilWindow() override = default;
};

#endif  // CORE_NEXIL_WINDOW_H
