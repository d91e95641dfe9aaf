// The dialog in which the user chooses the kind of object a new embedded
// object is to be (resource "ServerDialog"): its list box, control 238, lists
// the key names of the "embedding" section of the profile, one per class of
// object a server on this system makes. OK, or a double click on an item,
// takes the selected name.
#ifndef GRAPHICS_OLE_SERVER_DIALOG_H
#define GRAPHICS_OLE_SERVER_DIALOG_H

#include <memory>
#include <string>

#include "platform/owl/t_control.h"
#include "platform/owl/t_dialog.h"

class OLEServerDialog : public TDialog {
 public:
  static constexpr int IdServerList = 238;
  static constexpr UINT DoubleClick = 2;  // the list box's double-click notification

  explicit OLEServerDialog(TWindow* parent);
  void SetupWindow() override;
  LRESULT EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) override;
  void CmOk() override;
  // The class name chosen ("" until OK with a selection).
  const std::string& chosen() const { return chosen_; }

 private:
  std::unique_ptr<TListBox> list_;  // a child window of the dialog
  std::string chosen_;
};

#endif  // GRAPHICS_OLE_SERVER_DIALOG_H
