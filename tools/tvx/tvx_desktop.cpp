// tvx_desktop.cpp: message boxes and prompts as "tvx: " lines on standard error.
#include "tools/tvx/tvx_desktop.h"

#include <cstdio>

#include "platform/system/system.h"

std::string desktopLine(const char* caption, const char* text) {
  std::string line = "tvx: ";
  if (caption != nullptr && caption[0] != '\0') {
    line += caption;
    line += ": ";
  }
  bool lastWasSpace = false;
  for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
    const bool brk = *p == '\n' || *p == '\r' || *p == '\t';
    if (brk) {
      if (!lastWasSpace) line += ' ';
      lastWasSpace = true;
      continue;
    }
    line += *p;
    lastWasSpace = *p == ' ';
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

namespace {

const char* answerName(int answer) {
  switch (answer) {
    case IDCANCEL: return "Cancel";
    case IDNO: return "No";
    case IDABORT: return "Abort";
    case IDYES: return "Yes";
    case IDRETRY: return "Retry";
    case IDIGNORE: return "Ignore";
    default: return "OK";
  }
}

}  // namespace

int TvxDesktop::messageBox(HWND, const char* text, const char* caption, UINT type) {
  const int answer = cautiousMessageBoxAnswer(type);
  std::string line = desktopLine(caption, text);
  // A question shows the answer given for the person who is not there.
  if ((type & MB_TYPEMASK) != MB_OK) {
    line += " [";
    line += answerName(answer);
    line += "]";
  }
  std::fprintf(stderr, "%s\n", line.c_str());
  return answer;
}

int TvxDesktop::inputBox(HWND, const char* title, const char* prompt, char*, int) {
  std::fprintf(stderr, "%s (not answered)\n", desktopLine(title, prompt).c_str());
  return IDCANCEL;
}

bool TvxDesktop::showHelp(HWND, const char* file, UINT command, uintptr_t data) {
  std::string page = "contents";
  if (command == HELP_CONTEXT) page = "topic " + std::to_string(data);
  if (command == HELP_KEY) page = std::string("keyword ") + reinterpret_cast<const char*>(data);
  std::fprintf(stderr, "%s\n", desktopLine("help", (std::string(file) + ", " + page).c_str()).c_str());
  return true;
}
