// The edit field a boxed text block shows while its text is typed in place: a
// multi-line edit control of the framework, created exactly over the block's
// rectangle (in device units) inside the block's window, filled with the text.
#ifndef GRAPHICS_EDIT_CONTROL_H
#define GRAPHICS_EDIT_CONTROL_H

#include "platform/owl/t_control.h"

class EditControl : public TEdit {
 public:
  static constexpr int ControlId = 0x7E1;

  // `where` is in the parent's device units.
  EditControl(TWindow* parent, const char* text, const RECT& where)
      : TEdit(parent, ControlId, text, where.left, where.top, where.right - where.left, where.bottom - where.top, 0,
              true) {}
};

#endif  // GRAPHICS_EDIT_CONTROL_H
