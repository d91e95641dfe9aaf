// tvx_desktop.h: the desktop of the command-line tool. Nobody sits in front of
// tvx to press buttons, so every message box the libraries show becomes one
// line on standard error starting "tvx: ", and every question is answered the
// way that does least (Cancel, else No, else the box's only button), the
// answer shown in brackets after the question ("... now? [No]"). Prompts are
// cancelled. Nothing waits for input.
#ifndef TOOLS_TVX_TVX_DESKTOP_H
#define TOOLS_TVX_TVX_DESKTOP_H

#include <string>

#include "platform/system/desktop.h"

class TvxDesktop : public HeadlessDesktop {
 public:
  int messageBox(HWND owner, const char* text, const char* caption, UINT type) override;
  int inputBox(HWND owner, const char* title, const char* prompt, char* buffer,
               int bufferSize) override;
  // Help cannot be shown here: the request is printed, "tvx: help: FILE, PAGE".
  bool showHelp(HWND owner, const char* file, UINT command, uintptr_t data) override;
};

// The one line a message box prints: "tvx: CAPTION: TEXT", line breaks in the
// text turned into spaces, the caption left out when empty.
std::string desktopLine(const char* caption, const char* text);

#endif  // TOOLS_TVX_TVX_DESKTOP_H
