// The one channel through which every library reports problems, warnings, traces
// and notices, and two small interactive utilities beside it.
//
// error(window, kind, format, ...) builds "K: <text>" (300 characters at most),
// appends "[<ctime text>] <message>" to the log file TAVIXAPP.log in the log
// folder (kinds 'Z' and 'z' are not logged; 'T' and 't' are indented by the
// trace depth), lets the application's ErrorHandler take it, and otherwise shows
// a message box whose icon follows the kind. The window HWND_NOBOX (all bits set)
// means: log and hand to the handler only, never a box. Kind 'F' asks whether to
// abort the program.
#ifndef KIT_ERROR_H
#define KIT_ERROR_H

#include <string>

#include "platform/windows_types.h"

class TWindow;

// Implemented by the running application object or its main frame window.
class ErrorHandler {
 public:
  virtual ~ErrorHandler();
  // 0: the handler has dealt with the message; anything else: show the box.
  virtual int handleError(char kind, const char* text) = 0;

  // Where error() looks for a handler: the application first, then its main
  // frame window. Not owned; null for none.
  static void setApplicationHandler(ErrorHandler* handler);
  static void setMainWindowHandler(ErrorHandler* handler);
  static ErrorHandler* applicationHandler();
  static ErrorHandler* mainWindowHandler();
};

void error(HWND window, char kind, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// The log file's full path (the log folder and "TAVIXAPP.log").
std::string errorLogPath();
// The current trace indentation (for tests).
int errorTraceIndent();
void resetErrorTraceIndent();

// 1 when at least `bytesNeeded` bytes of virtual memory are free; otherwise asks
// the user to free some, and returns 0 when the user gives up.
int memOK(TWindow* window, ULONG bytesNeeded);

// Prompts until a whole number >= 0 is entered; `cancelValue` on Cancel or failure.
int getNonNegInt(TWindow* parent, const char* title, const char* prompt, int initial,
                 int cancelValue);

#endif  // KIT_ERROR_H
