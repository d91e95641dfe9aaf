// Command enablers: before a command can be chosen (a popup menu about to be
// tracked) or carried out (a command from a menu or an accelerator), the window
// that would receive it is asked, through EvCommandEnable, whether the command
// is enabled and whether it is checked. The window answers by calling Enable and
// SetCheck on the enabler; one it does not answer stays enabled and unchecked.
//
// TCommandEnabler only records the answer; TMenuItemEnabler also applies it to
// one item of a menu (grayed or enabled, check mark or none).
#ifndef PLATFORM_T_COMMAND_ENABLER_H
#define PLATFORM_T_COMMAND_ENABLER_H

#include "platform/windows_types.h"

class TCommandEnabler {
 public:
  enum { Unchecked = 0, Checked = 1, Indeterminate = 2 };

  explicit TCommandEnabler(UINT id, HWND receiver = nullptr) : Id(id), HWndReceiver(receiver) {}
  virtual ~TCommandEnabler() = default;

  UINT GetId() const { return Id; }
  HWND GetReceiver() const { return HWndReceiver; }
  virtual void Enable(bool enable = true);
  virtual void SetCheck(int state);
  bool GetEnabled() const { return Enabled; }
  int GetCheck() const { return CheckState; }
  // Whether the window answered (called Enable or SetCheck).
  bool GetHandled() const { return Handled; }

 protected:
  UINT Id;
  HWND HWndReceiver;
  bool Enabled = true;
  int CheckState = Unchecked;
  bool Handled = false;
};

class TMenuItemEnabler : public TCommandEnabler {
 public:
  // The item at `position` of `menu`, whose command is `id`.
  TMenuItemEnabler(HMENU menu, UINT id, HWND receiver, int position)
      : TCommandEnabler(id, receiver), Menu(menu), Position(position) {}
  void Enable(bool enable = true) override;
  void SetCheck(int state) override;

 private:
  HMENU Menu;
  int Position;
};

#endif  // PLATFORM_T_COMMAND_ENABLER_H
