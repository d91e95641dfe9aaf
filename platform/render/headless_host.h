// The headless host for tests and tools: starts a fresh screen, makes top-level
// windows of a given client size, feeds them scripted input (clicks, double
// clicks, drags, keys, menu choices and dialog answers) through the message
// queue, runs until the queue is idle, and renders any window, or the whole
// screen, to SVG, PNG or PDF.
//
// Scripted input is taken one event at a time, and only when the queue is idle,
// as if the person were slower than the program, so a modal loop started by one
// event receives the next ones itself. Separate actions lie a second apart on the
// message clock, so two clicks are never taken for a double click unless the
// script asks for one; the events of one action lie 20 ms apart.
//
// While it lives the host answers for the desktop (a ScriptedDesktop) and prints
// into PDF files in its print folder.
#ifndef PLATFORM_RENDER_HEADLESS_HOST_H
#define PLATFORM_RENDER_HEADLESS_HOST_H

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "platform/system/desktop.h"
#include "platform/win/display_list.h"
#include "platform/win/windows_user.h"

class HeadlessHost {
 public:
  explicit HeadlessHost(int screenWidth = 1024, int screenHeight = 768);
  ~HeadlessHost();
  HeadlessHost(const HeadlessHost&) = delete;
  HeadlessHost& operator=(const HeadlessHost&) = delete;

  // A visible top-level frame window with a caption whose client area is
  // width x height, at (x, y) on the screen; system windows go inside it.
  HWND makeTopLevel(int width, int height, const char* title, int x = 0, int y = 0);

  // ---- The script (positions in the client coordinates of `hwnd`) ----
  void click(HWND hwnd, POINT p, UINT keys = 0);
  void doubleClick(HWND hwnd, POINT p, UINT keys = 0);
  void rightClick(HWND hwnd, POINT p, UINT keys = 0);
  // Press at `from`, move in `steps` equal steps to `to`, release there.
  void drag(HWND hwnd, POINT from, POINT to, int steps = 4, UINT keys = 0);
  void press(HWND hwnd, POINT p, UINT keys = 0);
  void move(HWND hwnd, POINT p, UINT keys = 0);
  void release(HWND hwnd, POINT p, UINT keys = 0);
  void key(UINT virtualKey, char ch = 0);
  void type(const std::string& text);
  // Lets `ms` pass on the message clock (timers fall due).
  void wait(DWORD ms);
  // Answers the next popup menu with `command`, the next dialog with `script`.
  void menuChoice(UINT command) { desktop_.answerMenu(command); }
  void dialogAnswer(std::function<int(TDialog&)> script) { desktop_.answerDialog(std::move(script)); }
  ScriptedDesktop& desktop() { return desktop_; }
  std::size_t pendingSteps() const { return steps_.size(); }

  // Dispatches messages until the script is done and the queue is idle, at most
  // `limit` messages; returns how many were dispatched.
  int run(int limit = 1000000);

  // ---- Pictures ----
  DisplayList picture(HWND hwnd) const;  // null: the whole screen
  // Writes the picture as SVG, PNG or PDF by the path's extension.
  bool render(HWND hwnd, const std::string& path) const;

  // Printed documents go to <folder>/<title>.pdf (the current folder by default).
  void setPrintFolder(const std::string& folder) { printFolder_ = folder; }
  const std::vector<std::string>& printedFiles() const { return printed_; }

 private:
  void step(std::function<void()> action, DWORD gap);
  void mouse(UINT msg, HWND hwnd, POINT p, UINT keys, DWORD gap);

  ScriptedDesktop desktop_;
  std::unique_ptr<DesktopScope> scope_;
  std::deque<std::function<void()>> steps_;
  std::string printFolder_ = ".";
  std::vector<std::string> printed_;
};

#endif  // PLATFORM_RENDER_HEADLESS_HOST_H
