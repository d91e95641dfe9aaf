// The desktops: the headless one that hosts start with, the scripted one that
// tests install, and the Windows-shaped calls that reach whichever is current.
#include "platform/system/desktop.h"

#include <cstdio>
#include <cstring>

Desktop::~Desktop() = default;

int defaultMessageBoxAnswer(UINT type) {
  static const int kButtons[][3] = {
      {IDOK, IDOK, IDOK},                 // MB_OK
      {IDOK, IDCANCEL, IDCANCEL},         // MB_OKCANCEL
      {IDABORT, IDRETRY, IDIGNORE},       // MB_ABORTRETRYIGNORE
      {IDYES, IDNO, IDCANCEL},            // MB_YESNOCANCEL
      {IDYES, IDNO, IDNO},                // MB_YESNO
      {IDRETRY, IDCANCEL, IDCANCEL},      // MB_RETRYCANCEL
  };
  UINT buttons = type & MB_TYPEMASK;
  if (buttons > MB_RETRYCANCEL) buttons = MB_OK;
  UINT which = (type & MB_DEFMASK) >> 8;
  if (which > 2) which = 0;
  return kButtons[buttons][which];
}

int cautiousMessageBoxAnswer(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
      return IDCANCEL;
    case MB_YESNO:
      return IDNO;
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    default:
      return defaultMessageBoxAnswer(type);
  }
}

namespace {

const char* buttonName(int answer) {
  switch (answer) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "Abort";
    case IDRETRY: return "Retry";
    case IDIGNORE: return "Ignore";
    case IDYES: return "Yes";
    case IDNO: return "No";
    default: return "none";
  }
}

HeadlessDesktop& headless() {
  static HeadlessDesktop desktop;
  return desktop;
}

Desktop* g_current = nullptr;

}  // namespace

int HeadlessDesktop::messageBox(HWND, const char* text, const char* caption, UINT type) {
  const int answer = cautiousMessageBoxAnswer(type);
  std::fprintf(stderr, "[%s] %s [%s]\n", caption != nullptr ? caption : "Error",
               text != nullptr ? text : "", buttonName(answer));
  return answer;
}

int HeadlessDesktop::inputBox(HWND, const char* title, const char* prompt, char*, int) {
  std::fprintf(stderr, "[%s] %s [Cancel]\n", title != nullptr ? title : "",
               prompt != nullptr ? prompt : "");
  return IDCANCEL;
}

void HeadlessDesktop::beep(UINT) {}

bool HeadlessDesktop::playSound(const char*, UINT) { return false; }

std::vector<ScriptedDesktop::Event> ScriptedDesktop::eventsOf(Kind kind) const {
  std::vector<Event> out;
  for (const Event& e : events_)
    if (e.kind == kind) out.push_back(e);
  return out;
}

int ScriptedDesktop::messageBox(HWND owner, const char* text, const char* caption, UINT type) {
  int answer = defaultMessageBoxAnswer(type);
  if (!answers_.empty()) {
    answer = answers_.front().button;
    answers_.pop_front();
  }
  events_.push_back({Kind::MessageBox, owner, text != nullptr ? text : "",
                     caption != nullptr ? caption : "", type, answer});
  return answer;
}

int ScriptedDesktop::inputBox(HWND owner, const char* title, const char* prompt, char* buffer,
                              int bufferSize) {
  int answer = IDCANCEL;
  if (!answers_.empty()) {
    const Answer a = answers_.front();
    answers_.pop_front();
    answer = a.button;
    if (a.hasText && buffer != nullptr && bufferSize > 0) {
      std::size_t n = a.text.size();
      if (n > static_cast<std::size_t>(bufferSize - 1)) n = static_cast<std::size_t>(bufferSize - 1);
      std::memcpy(buffer, a.text.data(), n);
      buffer[n] = '\0';
    }
  }
  events_.push_back({Kind::InputBox, owner, prompt != nullptr ? prompt : "",
                     title != nullptr ? title : "", 0, answer});
  return answer;
}

void ScriptedDesktop::beep(UINT type) {
  events_.push_back({Kind::Beep, nullptr, std::string(), std::string(), type, 0});
}

bool ScriptedDesktop::playSound(const char* file, UINT flags) {
  events_.push_back({Kind::Sound, nullptr, file != nullptr ? file : "", std::string(), flags, 0});
  return true;
}

Desktop& currentDesktop() { return g_current != nullptr ? *g_current : headless(); }

Desktop* setDesktop(Desktop* d) {
  Desktop* previous = g_current;
  g_current = d;
  return previous;
}

int MessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  return currentDesktop().messageBox(owner, text, caption, type);
}

BOOL MessageBeep(UINT type) {
  currentDesktop().beep(type);
  return TRUE;
}
