// The ten cursors of a page window, loaded once by name from the module's
// resources, each with a standard cursor in its place when the resource is
// missing:
//
//   KIND     RESOURCE          STANDARD STAND-IN
//   Hand     "Hand_Cursor"     cross
//   Menu     "Menu_Cursor"     arrow
//   LinkTo   "LinkTo_Cursor"   west-east sizing
//   Expand   "Expand_Cursor"   four-way sizing
//   Edit     "Edit_Cursor"     text beam
//   Goto     "Goto_Cursor"     up arrow
//   Select   "Select_Cursor"   arrow
//   Play     "Play_Cursor"     up arrow
//   Pen      "Pen_Cursor"      hourglass
//   Eraser   "Eraser_Cursor"   hourglass
//
// What a click on an idea symbol or a link box does depends on which of these
// its hot zones choose for the point (Sizing: on a handle of a selected one).
#ifndef GRAPHICS_PAGE_CURSORS_H
#define GRAPHICS_PAGE_CURSORS_H

#include "platform/windows_types.h"

class PageCursors {
 public:
  enum Kind { Hand, Menu, LinkTo, Expand, Edit, Goto, Select, Play, Pen, Eraser, Count, Sizing = Count };

  // The resource name of `kind`.
  static const char* name(Kind kind);
  // The cursor of `kind` (loaded on first use).
  static HCURSOR cursor(Kind kind);
  // How many resources were missing when the cursors were loaded.
  static int missing();
};

#endif  // GRAPHICS_PAGE_CURSORS_H
