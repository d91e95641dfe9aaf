// Command enablers (see t_command_enabler.h).
#include "platform/owl/t_command_enabler.h"

#include "platform/win/menu.h"

void TCommandEnabler::Enable(bool enable) {
  Enabled = enable;
  Handled = true;
}

void TCommandEnabler::SetCheck(int state) {
  CheckState = state;
  Handled = true;
}

void TMenuItemEnabler::Enable(bool enable) {
  TCommandEnabler::Enable(enable);
  ::EnableMenuItem(Menu, static_cast<UINT>(Position), MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED));
}

void TMenuItemEnabler::SetCheck(int state) {
  TCommandEnabler::SetCheck(state);
  ::CheckMenuItem(Menu, static_cast<UINT>(Position),
                  MF_BYPOSITION | (state == Checked ? MF_CHECKED : MF_UNCHECKED));
}
