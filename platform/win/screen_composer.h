// Puts the pictures of windows together: a window with its frame, caption, scroll
// bars, client area and child windows, or the whole screen (the desktop, every
// visible top-level window from the bottom of the Z order up, then what was drawn
// directly on the screen), as one display list that a renderer can replay.
// Each window's commands are clipped to its client area and to its parent's.
#ifndef PLATFORM_SCREEN_COMPOSER_H
#define PLATFORM_SCREEN_COMPOSER_H

#include "platform/win/display_list.h"
#include "platform/windows_types.h"

class ScreenComposer {
 public:
  // The window and its children, in coordinates relative to its top-left corner.
  static DisplayList composeWindow(HWND hwnd);
  // Only the client area of the window and its children, relative to the client area.
  static DisplayList composeClient(HWND hwnd);
  // The whole screen.
  static DisplayList composeScreen();

 private:
  // Draws `hwnd` with its window rectangle's top-left at `origin` in `out`.
  static void drawWindow(HWND hwnd, POINT origin, const RECT& clip, DisplayList& out, int depth);
};

#endif  // PLATFORM_SCREEN_COMPOSER_H
