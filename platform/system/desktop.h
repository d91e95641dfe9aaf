// Everything a person answers or hears: message boxes, input prompts, beeps and
// sounds. The system asks through the current `Desktop`; hosts choose what answers:
//
//   HeadlessDesktop  prints each box and prompt to standard error and gives the
//                    answer that does least, since nobody is there to act on a
//                    request: Cancel when the box has it, else No, else its only
//                    button; a prompt is cancelled. Beeps and sounds are silent.
//                    This is the desktop until a host installs another.
//   ScriptedDesktop  for tests: answers from a queue (the default answer when the
//                    queue is empty) and keeps a record of everything shown,
//                    beeped and played, in order.
#ifndef PLATFORM_DESKTOP_H
#define PLATFORM_DESKTOP_H

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/windows_types.h"

class TDialog;
struct FileDialogRequest;  // platform/system/file_dialog.h

class Desktop {
 public:
  virtual ~Desktop();
  // A message box with `type`'s buttons, icon and default button; returns the
  // button pressed (IDOK, IDCANCEL, IDYES, IDNO ...), or 0 when no box could be shown.
  virtual int messageBox(HWND owner, const char* text, const char* caption, UINT type) = 0;
  // A modal input prompt editing `buffer` (NUL-terminated, `bufferSize` bytes
  // with the NUL); returns IDOK, IDCANCEL, or another value when it failed.
  virtual int inputBox(HWND owner, const char* title, const char* prompt, char* buffer,
                       int bufferSize) = 0;
  // The message beep for an icon type (MB_ICONSTOP ...), or MB_SIMPLEBEEP.
  virtual void beep(UINT type) = 0;
  // Plays a sound file with SND_ flags; returns true when it was started.
  virtual bool playSound(const char* file, UINT flags) = 0;

  // Choices made in windows. The defaults (platform/system/desktop_choices.cpp) are the
  // headless answers that do least: they print what was offered to standard
  // error and choose nothing.
  // A popup menu tracked at screen point (x, y): the command identifier chosen,
  // or 0 for none.
  virtual UINT trackPopupMenu(HWND owner, HMENU menu, int x, int y);
  // A modal dialog is showing with its controls filled: set the controls as the
  // person would and return the identifier of the button pressed.
  virtual int runDialog(TDialog& dialog);
  // An open or save file dialog: fills the request's path and returns true, or
  // returns false when cancelled.
  virtual bool fileDialog(HWND owner, FileDialogRequest& request);
  // A help file opened at a page (WinHelp, platform/system/system.h): `command`
  // is HELP_CONTENTS, HELP_CONTEXT (topic number in `data`) or HELP_KEY
  // (keyword at `data`). Returns true when the help was shown. The default
  // records the request as one line on standard error.
  virtual bool showHelp(HWND owner, const char* file, UINT command, uintptr_t data);
  // An embedded object handed over to be edited (`play` false) or played in
  // the program that serves its class: `data` is the object's own form (its
  // native data, `size` bytes). Returns true when it was taken. The default
  // records the request as one line on standard error.
  virtual bool openObject(HWND owner, const char* className, const void* data, std::size_t size, bool play);
};

// The default answer of a message box of `type`: the button that MB_DEFBUTTONn names.
int defaultMessageBoxAnswer(UINT type);
// The answer that does least: Cancel when the box has it, else No, else the default.
int cautiousMessageBoxAnswer(UINT type);

class HeadlessDesktop : public Desktop {
 public:
  int messageBox(HWND owner, const char* text, const char* caption, UINT type) override;
  int inputBox(HWND owner, const char* title, const char* prompt, char* buffer,
               int bufferSize) override;
  void beep(UINT type) override;
  bool playSound(const char* file, UINT flags) override;
};

class ScriptedDesktop : public Desktop {
 public:
  enum class Kind { MessageBox, InputBox, Beep, Sound, Menu, Dialog, FileDialog, Help, Object };
  // One thing shown to the person, in the order shown.
  struct Event {
    Kind kind;
    HWND owner;
    std::string text;     // box text, prompt, or sound file name
    std::string caption;  // box caption or prompt title
    UINT type;            // box style, beep type or sound flags
    int answer;           // what was answered (boxes and prompts)
  };
  // One queued answer: a button, and for prompts the text typed.
  struct Answer {
    int button;
    std::string text;
    bool hasText;
  };

  void answer(int button) { answers_.push_back({button, std::string(), false}); }
  void answerText(int button, const std::string& text) { answers_.push_back({button, text, true}); }
  const std::vector<Event>& events() const { return events_; }
  std::vector<Event> eventsOf(Kind kind) const;
  void clear() { events_.clear(); answers_.clear(); }
  std::size_t pendingAnswers() const { return answers_.size(); }

  int messageBox(HWND owner, const char* text, const char* caption, UINT type) override;
  int inputBox(HWND owner, const char* title, const char* prompt, char* buffer,
               int bufferSize) override;
  void beep(UINT type) override;
  bool playSound(const char* file, UINT flags) override;

  // Choices in windows (platform/system/desktop_choices.cpp). Each queue answers its
  // own kind of question; an empty queue gives the headless answer. Events
  // record menus (text: the items, "|" between them, "-" for a separator,
  // "[...]" around grayed and "*" before checked items, submenus in braces),
  // dialogs (text: the dialog's resource name, caption: its title), file
  // dialogs (caption: the title, text: the path chosen) and help (text: the
  // help file, caption: the keyword for HELP_KEY, type: the command, answer:
  // the topic number for HELP_CONTEXT) and objects handed over (text: the
  // class name, caption: the native data's bytes, type: 1 to play, 0 to edit).
  void answerMenu(UINT command) { menuAnswers_.push_back(command); }
  void answerDialog(std::function<int(TDialog&)> script) { dialogAnswers_.push_back(std::move(script)); }
  // An empty path cancels the file dialog.
  void answerFile(const std::string& path) { fileAnswers_.push_back(path); }
  UINT trackPopupMenu(HWND owner, HMENU menu, int x, int y) override;
  int runDialog(TDialog& dialog) override;
  bool fileDialog(HWND owner, FileDialogRequest& request) override;
  bool showHelp(HWND owner, const char* file, UINT command, uintptr_t data) override;
  bool openObject(HWND owner, const char* className, const void* data, std::size_t size, bool play) override;

 private:
  std::deque<Answer> answers_;
  std::vector<Event> events_;
  std::deque<UINT> menuAnswers_;
  std::deque<std::function<int(TDialog&)>> dialogAnswers_;
  std::deque<std::string> fileAnswers_;
};

// The current desktop (a process-wide HeadlessDesktop until one is installed).
Desktop& currentDesktop();
// Installs `d` (not owned; null restores the headless one); returns the previous one.
Desktop* setDesktop(Desktop* d);

// Installs a desktop for the life of the object and restores the previous one.
class DesktopScope {
 public:
  explicit DesktopScope(Desktop& d) : previous_(setDesktop(&d)) {}
  ~DesktopScope() { setDesktop(previous_); }
  DesktopScope(const DesktopScope&) = delete;
  DesktopScope& operator=(const DesktopScope&) = delete;

 private:
  Desktop* previous_;
};

// The Windows-shaped calls the system's classes make; they go to the current desktop.
int MessageBox(HWND owner, const char* text, const char* caption, UINT type);
BOOL MessageBeep(UINT type);

#endif  // PLATFORM_DESKTOP_H
