// The framework's application object: its name, its main window and the message
// loop that runs until the main window goes or WM_QUIT arrives.
//
// The loop: a waiting message is first offered to ProcessAppMsg (accelerators
// of the window it is for and of that window's ancestors) and dispatched unless
// it became a command. When none is waiting, IdleAction runs (its count starts
// at 0 after each message) for as long as it asks for more, at most
// MaxIdleRounds times in a row (about two seconds), pausing a millisecond between rounds after the
// first few as a wait for the next message would; then the loop waits.
#ifndef PLATFORM_T_APPLICATION_H
#define PLATFORM_T_APPLICATION_H

#include <string>

#include "platform/windows_types.h"
#include "platform/win/windows_user.h"

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
  // Idle work: the main window's; true when more is wanted.
  virtual bool IdleAction(long idleCount);
  // True when the message was handled before dispatch (an accelerator).
  virtual bool ProcessAppMsg(MSG& msg);

  // The most idle rounds in a row before the loop waits for a message.
  long MaxIdleRounds = 2000;

  std::string Name;
  TWindow* MainWindow = nullptr;  // not owned
};

#endif  // PLATFORM_T_APPLICATION_H
