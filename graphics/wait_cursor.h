// The wait state: the wait cursor for the length of a scope, the cursor shown
// before it put back on leaving.
#ifndef GRAPHICS_WAIT_CURSOR_H
#define GRAPHICS_WAIT_CURSOR_H

#include "platform/win/windows_user.h"

class WaitCursor {
 public:
  WaitCursor() : old_(::SetCursor(::LoadCursor(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { ::SetCursor(old_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR old_;
};

#endif  // GRAPHICS_WAIT_CURSOR_H
