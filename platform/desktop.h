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

#include <deque>
#include <string>
#include <vector>

#include "platform/windows_types.h"

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
  enum class Kind { MessageBox, InputBox, Beep, Sound };
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

 private:
  std::deque<Answer> answers_;
  std::vector<Event> events_;
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
