// The desktop of the browser build: everything a person answers is shown as
// HTML over the book it belongs to and answered by the person there. The page
// side (web/js/desktop.mjs) resolves each question asynchronously; the program
// waits for the answer with its stack unwound (Asyncify), so the modal loops
// of the system keep their shape. A question whose window belongs to no book
// goes to the first book on the page.
//
// Popup menus are handed over as "id|flags|text" lines, one item a line
// (flags: g grayed, c checked, s separator, > submenu follows, < submenu ends).
#ifndef WEB_HOST_WEB_DESKTOP_H
#define WEB_HOST_WEB_DESKTOP_H

#include <functional>
#include <string>

#include "platform/system/desktop.h"

class WebDesktop : public Desktop {
 public:
  // `bookOf` names the book (the page's instance number) a window belongs to;
  // `inBook` turns a screen point into that book's element coordinates.
  WebDesktop(std::function<int(HWND)> bookOf, std::function<POINT(HWND, POINT)> inBook)
      : bookOf_(std::move(bookOf)), inBook_(std::move(inBook)) {}

  int messageBox(HWND owner, const char* text, const char* caption, UINT type) override;
  int inputBox(HWND owner, const char* title, const char* prompt, char* buffer, int bufferSize) override;
  void beep(UINT type) override;
  bool playSound(const char* file, UINT flags) override;
  UINT trackPopupMenu(HWND owner, HMENU menu, int x, int y) override;
  bool showHelp(HWND owner, const char* file, UINT command, uintptr_t data) override;

  // The menu as the page is handed it (see above).
  static std::string describeMenu(HMENU menu);

 private:
  std::function<int(HWND)> bookOf_;
  std::function<POINT(HWND, POINT)> inBook_;
};

#endif  // WEB_HOST_WEB_DESKTOP_H
