// The framework's application object (see t_application.h).
#include "platform/owl/t_application.h"

#include "platform/owl/t_window.h"
#include "platform/win/windows_user.h"

TApplication::TApplication(const char* name) : Name(name != nullptr ? name : "") {}
TApplication::~TApplication() = default;

TWindow* TApplication::SetMainWindow(TWindow* window) {
  TWindow* old = MainWindow;
  MainWindow = window;
  return old;
}

int TApplication::Run() {
  if (MainWindow != nullptr && MainWindow->HWindow == nullptr && !MainWindow->Create()) return -1;
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) {
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  return static_cast<int>(m.wParam);
}

bool TApplication::PumpWaitingMessages() {
  MSG m;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) return false;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  return true;
}
