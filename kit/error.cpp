// error(): the one reporting channel (log line, application handler, message box
// and beep), and the two small interactive utilities memOK and getNonNegInt.
//
// Log line layout (one line per reported message, appended; the file is opened and
// closed for every message so the log survives a crash up to its last line):
//   "[<time>] <K>: <text>\n"                 every logged kind but traces
//   "[<time>] <K>: <indent blanks><text>\n"  traces 'T' and 't'
// <time> is the 24-character ctime text without its newline, for example
// "Mon Dec  7 10:00:00 2026". Kinds 'Z' and 'z' are never logged.
#include "kit/error.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "platform/system/desktop.h"
#include "platform/system/system.h"
#include "platform/owl/t_window.h"

namespace {

// The message text: the kind, ": ", and the caller's formatted text.
constexpr std::size_t kMessageSize = 300;
constexpr std::size_t kPrefixLength = 3;

// The process-wide trace indentation; never below 0.
int g_traceIndent = 0;

ErrorHandler* g_applicationHandler = nullptr;
ErrorHandler* g_mainWindowHandler = nullptr;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// The local time as the 24-character ctime text ("Www Mmm dd hh:mm:ss yyyy"),
// always with the English names whatever the locale. `out` holds at least 32 bytes.
void timeText(char* out, std::size_t size) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr || local.tm_wday < 0 || local.tm_wday > 6 ||
      local.tm_mon < 0 || local.tm_mon > 11) {
    std::snprintf(out, size, "%s", "??? ??? ?? ??:??:?? ????");
    return;
  }
  std::snprintf(out, size, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", kDays[local.tm_wday],
                kMonths[local.tm_mon], local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                1900 + local.tm_year);
}

void appendToLog(char kind, const char* message) {
  std::unique_ptr<std::FILE, FileCloser> log(std::fopen(errorLogPath().c_str(), "a"));
  if (log == nullptr) return;  // a log that cannot be opened is silently skipped
  char when[32];
  timeText(when, sizeof when);
  if (kind == 'T' || kind == 't') {
    if (kind == 't' && g_traceIndent > 0) --g_traceIndent;
    std::fprintf(log.get(), "[%s] %3.3s%*s%s\n", when, message, g_traceIndent, "",
                 message + kPrefixLength);
    if (kind == 'T') ++g_traceIndent;
  } else {
    std::fprintf(log.get(), "[%s] %s\n", when, message);
  }
}

UINT iconFor(char kind) {
  switch (kind) {
    case 'E':
    case 'W':
      return MB_ICONEXCLAMATION;
    case 'F':
      return MB_ICONSTOP;
    case 'I':
      return MB_ICONINFORMATION;
    default:
      return MB_ICONQUESTION;
  }
}

HWND ownerOf(TWindow* window) { return window != nullptr ? window->HWindow : nullptr; }

}  // namespace

ErrorHandler::~ErrorHandler() = default;

void ErrorHandler::setApplicationHandler(ErrorHandler* handler) { g_applicationHandler = handler; }
void ErrorHandler::setMainWindowHandler(ErrorHandler* handler) { g_mainWindowHandler = handler; }
ErrorHandler* ErrorHandler::applicationHandler() { return g_applicationHandler; }
ErrorHandler* ErrorHandler::mainWindowHandler() { return g_mainWindowHandler; }

std::string errorLogPath() { return logDirectory() + "TAVIXAPP.log"; }

int errorTraceIndent() { return g_traceIndent; }

void resetErrorTraceIndent() { g_traceIndent = 0; }

void error(HWND window, char kind, const char* format, ...) {
  char message[kMessageSize];
  message[0] = kind;
  message[1] = ':';
  message[2] = ' ';
  message[kPrefixLength] = '\0';
  if (format != nullptr) {
    va_list args;
    va_start(args, format);
    // Bounded: a text longer than the buffer is cut, never written past it.
    std::vsnprintf(message + kPrefixLength, kMessageSize - kPrefixLength, format, args);
    va_end(args);
  }

  if (kind != 'Z' && kind != 'z') appendToLog(kind, message);

  ErrorHandler* handler =
      g_applicationHandler != nullptr ? g_applicationHandler : g_mainWindowHandler;
  const UINT icon = iconFor(kind);

  if (window == HWND_NOBOX) {
    if (handler != nullptr) {
      // Upper-case kinds reach the handler lowered by 0x20 ('E' arrives as '%').
      const char code = (kind >= 'A' && kind <= 'Z') ? static_cast<char>(kind - 0x20) : kind;
      handler->handleError(code, message);
    }
    return;
  }

  if (kind == 'F') {
    char question[kMessageSize + 32];
    std::snprintf(question, sizeof question, "%s\n\nAbort program?", message);
    if (MessageBox(window, question, nullptr, MB_YESNO | MB_ICONSTOP) == IDYES) std::exit(1);
    OutputDebugString(message);
  } else if (handler != nullptr) {
    const bool note = kind == 'Z' || kind == 'z';
    if (handler->handleError(kind, note ? message + kPrefixLength : message) != 0)
      MessageBox(window, message, nullptr, MB_OK | icon);
  } else {
    MessageBox(window, message, nullptr, MB_OK | icon);
  }

  if (icon != MB_ICONQUESTION && icon != MB_ICONINFORMATION) MessageBeep(icon);
}

int memOK(TWindow* window, ULONG bytesNeeded) {
  // Each round waits for the person's answer; only Cancel (or a box that cannot
  // be shown) ends the wait without enough memory.
  for (;;) {
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    if (status.dwAvailVirtual >= bytesNeeded) return 1;

    error(HWND_NOBOX, 'W', "Memory is low");
    MessageBeep(MB_ICONSTOP);
    const int answer = MessageBox(
        ownerOf(window),
        "Memory is low.  Please close some windows before continuing...\n"
        "Use 'Cancel' to cancel operation",
        "Low Memory Condition", MB_OKCANCEL | MB_ICONSTOP);
    if (answer == IDCANCEL || answer == 0) return 0;
  }
}

namespace {

// Reads a whole number as "%d" would: leading blanks, an optional sign, digits;
// anything after them is ignored. False for no digits or a value outside int.
bool parseInt(const char* text, int* value) {
  errno = 0;
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (end == text || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return false;
  *value = static_cast<int>(parsed);
  return true;
}

}  // namespace

int getNonNegInt(TWindow* parent, const char* title, const char* prompt, int initial,
                 int cancelValue) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%d", initial);
  for (;;) {
    const int result =
        currentDesktop().inputBox(ownerOf(parent), title, prompt, buffer, sizeof buffer);
    if (result == IDCANCEL) return cancelValue;
    if (result != IDOK) {
      error(nullptr, 'E', "getNonNegInt(): Cannot open input dialog box, status=%d", result);
      return cancelValue;
    }
    buffer[sizeof buffer - 1] = '\0';
    int value = 0;
    if (parseInt(buffer, &value) && value >= 0) return value;
    // Otherwise ask again, with the text as the person left it.
  }
}
