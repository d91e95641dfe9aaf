// The server dialog (see ole_server_dialog.h).
#include "graphics/ole_server_dialog.h"

#include "platform/system/system.h"

OLEServerDialog::OLEServerDialog(TWindow* parent)
    : TDialog(parent, "ServerDialog"), list_(new TListBox(this, IdServerList)) {}

void OLEServerDialog::SetupWindow() {
  TDialog::SetupWindow();
  list_->ClearList();
  for (const std::string& name : profileKeys("embedding")) list_->AddString(name.c_str());
}

LRESULT OLEServerDialog::EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) {
  if (id == static_cast<UINT>(IdServerList) && notifyCode == DoubleClick) {
    CmOk();
    return 0;
  }
  return TDialog::EvCommand(id, hWndCtl, notifyCode);
}

void OLEServerDialog::CmOk() {
  const int at = list_->GetSelIndex();
  chosen_ = at >= 0 ? list_->GetString(at) : std::string();
  TDialog::CmOk();
}
