// The framework's application object (see t_application.h).
#include "platform/owl/t_application.h"

#include <chrono>
#include <thread>

#include "platform/owl/t_window.h"

namespace {

// Idle rounds run back to back before the loop starts pausing between them.
const long kBusyIdleRounds = 16;

}  // namespace

TApplication::TApplication(const char* name) : Name(name != nullptr ? name : "") {}
TApplication::~TApplication() = default;

TWindow* TApplication::SetMainWindow(TWindow* window) {
  TWindow* old = MainWindow;
  MainWindow = window;
  return old;
}

bool TApplication::IdleAction(long idleCount) {
  return MainWindow != nullptr && MainWindow->IdleAction(idleCount);
}

bool TApplication::ProcessAppMsg(MSG& msg) {
  // From the window the message is for up to its top-level window; bounded by
  // the depth of the tree.
  for (HWND h = msg.hwnd; h != nullptr; h = ::GetParent(h)) {
    TWindow* w = TWindow::GetWindowPtr(h);
    if (w != nullptr && w->PreProcessMsg(msg)) return true;
  }
  return false;
}

int TApplication::Run() {
  if (MainWindow != nullptr && MainWindow->HWindow == nullptr && !MainWindow->Create()) return -1;
  MSG m;
  for (;;) {
    if (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) break;
      if (!ProcessAppMsg(m)) {
        TranslateMessage(&m);
        DispatchMessage(&m);
      }
      continue;
    }
    for (long idle = 0; idle < MaxIdleRounds && IdleAction(idle); ++idle) {
      if (idle >= kBusyIdleRounds) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      if (PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE)) break;
    }
    if (!GetMessage(&m, nullptr, 0, 0)) break;
    if (!ProcessAppMsg(m)) {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
  }
  return static_cast<int>(m.wParam);
}

bool TApplication::PumpWaitingMessages() {
  MSG m;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) return false;
    if (!ProcessAppMsg(m)) {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
  }
  return true;
}
