// The framework's application object: its name, its main window and the message
// loop that runs until the main window goes or WM_QUIT arrives.
#ifndef PLATFORM_T_APPLICATION_H
#define PLATFORM_T_APPLICATION_H

#include <string>

#include "platform/windows_types.h"

class TWindow;

class TApplication {
 public:
  explicit TApplication(const char* name = nullptr);
  virtual ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  const char* GetName() const { return Name.c_str(); }
  TWindow* GetMainWindow() const { return MainWindow; }
  // Sets the main window (not owned); returns the previous one.
  TWindow* SetMainWindow(TWindow* window);
  // Creates the main window when it has none yet and dispatches messages until
  // WM_QUIT; returns the quit code.
  virtual int Run();
  // Dispatches what is waiting without waiting for more; false after WM_QUIT.
  bool PumpWaitingMessages();

  std::string Name;
  TWindow* MainWindow = nullptr;  // not owned
};

#endif  // PLATFORM_T_APPLICATION_H
