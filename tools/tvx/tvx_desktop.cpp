// tvx_desktop.cpp: message boxes and prompts as "tvx: " lines on standard error.
#include "tools/tvx/tvx_desktop.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <strings.h>

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

std::string objectFileName(const std::string& className) {
  std::string name;
  for (char c : className) {
    const bool keep = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
    name += keep ? c : '_';
  }
  if (name.empty() || name == "." || name == "..") name = "object";
  struct Kind {
    const char* className;
    const char* extension;
  };
  static const Kind kinds[] = {{"PBrush", ".bmp"}, {"SoundRec", ".wav"}};
  for (const Kind& k : kinds)
    if (strcasecmp(className.c_str(), k.className) == 0) return name + k.extension;
  return name + ".bin";
}

bool TvxDesktop::openObject(HWND, const char* className, const void* data, std::size_t size, bool) {
  const std::string path = objectFolder_ + "/" + objectFileName(className != nullptr ? className : "");
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (size > 0) out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  if (!out) {
    std::fprintf(stderr, "tvx: cannot write %s\n", path.c_str());
    return false;
  }
  std::fprintf(stderr, "tvx: %s object written to %s\n", className != nullptr ? className : "", path.c_str());
  written_.push_back(path);
  return true;
}
