// tvx_desktop.h: the desktop of the command-line tool. Nobody sits in front of
// tvx to press buttons, so every message box the libraries show becomes one
// line on standard error starting "tvx: ", and every question is answered the
// way that does least (Cancel, else No, else the box's only button), the
// answer shown in brackets after the question ("... now? [No]"). Prompts are
// cancelled. Nothing waits for input. An embedded object handed over to be
// edited or played is written to a file in the object folder, named after its
// class: "PBrush.bmp" for a picture, "SoundRec.wav" for a sound, "CLASS.bin"
// for any other ("tvx open").
#ifndef TOOLS_TVX_TVX_DESKTOP_H
#define TOOLS_TVX_TVX_DESKTOP_H

#include <string>
#include <vector>

#include "platform/system/desktop.h"

class TvxDesktop : public HeadlessDesktop {
 public:
  int messageBox(HWND owner, const char* text, const char* caption, UINT type) override;
  int inputBox(HWND owner, const char* title, const char* prompt, char* buffer,
               int bufferSize) override;
  // Help cannot be shown here: the request is printed, "tvx: help: FILE, PAGE".
  bool showHelp(HWND owner, const char* file, UINT command, uintptr_t data) override;
  // Writes the object's native data to objectFolder()/objectFileName(class)
  // and prints "tvx: CLASS object written to PATH"; false when it cannot.
  bool openObject(HWND owner, const char* className, const void* data, std::size_t size, bool play) override;
  void setObjectFolder(const std::string& folder) { objectFolder_ = folder; }
  const std::string& objectFolder() const { return objectFolder_; }
  // The paths written so far, in order.
  const std::vector<std::string>& written() const { return written_; }

 private:
  std::string objectFolder_ = ".";
  std::vector<std::string> written_;
};

// The file an object of `className` is written to: the class name (letters,
// digits, '.', '-' and '_' kept, others '_') and the extension its server's
// files have.
std::string objectFileName(const std::string& className);

// The one line a message box prints: "tvx: CAPTION: TEXT", line breaks in the
// text turned into spaces, the caption left out when empty.
std::string desktopLine(const char* caption, const char* text);

#endif  // TOOLS_TVX_TVX_DESKTOP_H
