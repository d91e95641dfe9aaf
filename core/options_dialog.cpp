// The options dialog (see options_dialog.h).
#include "core/options_dialog.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/nexil.h"
#include "kit/error.h"
#include "kit/file_helpers.h"
#include "platform/owl/control_classes.h"
#include "platform/system/file_dialog.h"
#include "platform/system/system.h"
#include "platform/win/windows_user.h"

namespace {

const char kSection[] = "NEXIL";

bool isDirectory(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isFile(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// A field's text, at most `limit` - 1 characters.
// A folder without its trailing separator; a lone separator stays (it names
// the top of the file system).
std::string withoutTrailingSeparator(std::string dir) {
  if (dir.size() > 1 && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
  return dir;
}

// `path` merged with the root directory, as the settings are read.
std::string merged(const std::string& path, const String& rootDirectory) {
  char buf[kPathBufferSize];
  std::snprintf(buf, sizeof buf, "%s", path.c_str());
  mergeWithDefaultPath(buf, rootDirectory.c_str());
  return buf;
}

}  // namespace

OptionsDialog::OptionsDialog(TWindow* parent, Nexil& app)
    : TDialog(parent, "NEXIL_OPTIONS"),
      app_(app),
      rootDirectory_(new TEdit(this, IdRootDirectory, 257)),
      rootBook_(new TEdit(this, IdRootBook, 260)),
      browseRootBook_(new TButton(this, IdBrowseRootBook)),
      initFile_(new TEdit(this, IdInitFile, 260)),
      browseInitFile_(new TButton(this, IdBrowseInitFile)),
      combo_(new TComboBox(this, IdCombo, 256)),
      user_(new TEdit(this, IdUser, 256)),
      nodeName_(new TEdit(this, IdNodeName, 256)),
      identity_(new TStatic(this, IdIdentity, 256)),
      backup_(new TCheckBox(this, IdBackup)),
      threshold_(new TEdit(this, IdThreshold, 12)),
      ok_(new TButton(this, IDOK)),
      cancel_(new TButton(this, IDCANCEL)) {
  Title = "Options";
  browseRootBook_->Title = "Browse...";
  browseInitFile_->Title = "Browse...";
  backup_->Title = "Back up pages on save";
  ok_->Title = "OK";
  cancel_->Title = "Cancel";
  layout_.row("Root directory", rootDirectory_.get());
  layout_.row("Root book", rootBook_.get());
  layout_.wide(browseRootBook_.get());
  layout_.row("Init file", initFile_.get());
  layout_.wide(browseInitFile_.get());
  layout_.wide(combo_.get());
  layout_.row("User", user_.get());
  layout_.row("Node", nodeName_.get());
  layout_.row("Identity", identity_.get());
  layout_.wide(backup_.get());
  layout_.row("Low memory (KB)", threshold_.get());
  layout_.buttons(ok_.get(), cancel_.get());
}

OptionsDialog::~OptionsDialog() {
  if (HWindow != nullptr) TWindow::Destroy(IDCANCEL);
}

void OptionsDialog::SetupWindow() {
  TDialog::SetupWindow();
  DialogLayout::fit(*this);
  backup_->SetCheck((app_.flags() & Nexil::BackupFlag) != 0 ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemInt(HWindow, IdThreshold, app_.lowMemThreshold() / 1000u, FALSE);
  rootDirectory_->SetText(app_.rootDirectory().c_str());
  rootBook_->SetText(app_.rootDictionary().c_str());
  initFile_->SetText(app_.initFile().c_str());
  user_->SetText(app_.user().second.c_str());
  nodeName_->SetText(app_.user().first.c_str());
  identity_->SetText(app_.user().third.c_str());
  for (TEdit* e : {rootDirectory_.get(), rootBook_.get(), initFile_.get(), user_.get(),
                   nodeName_.get(), threshold_.get()})
    e->ClearModify();
}

LRESULT OptionsDialog::EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) {
  if (notifyCode == BN_CLICKED && hWndCtl != nullptr) {
    if (id == IdBrowseRootBook) {
      browse(*rootBook_, "Nexil DB files (*.db)", "*.DB");
      return 0;
    }
    if (id == IdBrowseInitFile) {
      browse(*initFile_, "Nexil Init File names (*.ini)", "*.INI");
      return 0;
    }
  }
  return TDialog::EvCommand(id, hWndCtl, notifyCode);
}

void OptionsDialog::browse(TEdit& field, const char* description, const char* pattern) {
  // The filter: the pair of texts, each NUL-terminated, then an empty text.
  std::string filter = std::string(description) + '\0' + pattern + '\0' + '\0';
  char path[kPathBufferSize];
  std::snprintf(path, sizeof path, "%s", field.GetText().c_str());
  OPENFILENAME ofn;
  std::memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = HWindow;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = sizeof path;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (GetOpenFileName(&ofn)) {
    field.SetText(path);
    // A chosen file counts as an edit of the field.
    field.SendMessage(EM_SETMODIFY, 1);
    return;
  }
  const DWORD code = CommDlgExtendedError();
  if (code != 0)
    error(HWindow, 'W', "Error return form open dialog: 0x%0lx", static_cast<unsigned long>(code));
}

void OptionsDialog::CmOk() {
  takeBackup();
  takeThreshold();
  if (!takeRootDirectory() || !takeRootBook() || !takeInitFile()) return;
  takeIdentity();
  TDialog::CmOk();
}

void OptionsDialog::takeBackup() {
  const bool on = backup_->GetCheck() == BST_CHECKED;
  const bool was = (app_.flags() & Nexil::BackupFlag) != 0;
  if (on == was) return;
  app_.setFlags(on ? (app_.flags() | Nexil::BackupFlag) : (app_.flags() & ~ULONG(Nexil::BackupFlag)));
  WriteProfileString(kSection, "Backup", on ? "1" : "0");
}

void OptionsDialog::takeThreshold() {
  BOOL valid = FALSE;
  const ULONG kb = GetDlgItemInt(HWindow, IdThreshold, &valid, FALSE);
  if (!valid || kb >= ThresholdLimitKB || kb == app_.lowMemThreshold() / 1000u) return;
  app_.setLowMemThreshold(kb * 1000u);
  char text[16];
  std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(kb));
  WriteProfileString(kSection, "LowMemThreshholdKB", text);
}

bool OptionsDialog::takeRootDirectory() {
  if (!rootDirectory_->IsModified()) return true;
  const std::string dir = withoutTrailingSeparator(DialogLayout::fieldText(HWindow, IdRootDirectory, 257));
  // An empty field is the setting's own default: no root directory.
  if (!dir.empty() && !isDirectory(dir)) {
    error(HWindow, 'W', "Root directory '%s' does not exist, pick an existing directory", dir.c_str());
    return false;
  }
  if (dir != withoutTrailingSeparator(app_.rootDirectory().c_str())) {
    app_.setRootDirectory(String(dir.c_str()));
    WriteProfileString(kSection, "RootDirectory", dir.c_str());
  }
  rootDirectory_->ClearModify();
  return true;
}

bool OptionsDialog::takeRootBook() {
  if (!rootBook_->IsModified()) return true;
  const std::string text = DialogLayout::fieldText(HWindow, IdRootBook, 260);
  const std::string path = merged(text, app_.rootDirectory());
  if (!isFile(path)) {
    error(HWindow, 'W',
          "Root dictionary '%s' does not exist, pick an existing dictionary (usually extension '.DB')",
          path.c_str());
    return false;
  }
  if (path != app_.rootDictionary().c_str()) {
    app_.setRootDictionary(String(path.c_str()));
    WriteProfileString(kSection, "Root", text.c_str());
  }
  rootBook_->ClearModify();
  return true;
}

bool OptionsDialog::takeInitFile() {
  if (!initFile_->IsModified()) return true;
  const std::string text = DialogLayout::fieldText(HWindow, IdInitFile, 260);
  const std::string path = merged(text, app_.rootDirectory());
  if (!isFile(path)) {
    error(HWindow, 'W', "Init file '%s' does not exist, pick an existing file (usually extension '.INI')",
          path.c_str());
    return false;
  }
  if (path != app_.initFile().c_str()) {
    app_.setInitFile(String(path.c_str()));
    WriteProfileString(kSection, "InitFile", text.c_str());
  }
  initFile_->ClearModify();
  return true;
}

void OptionsDialog::takeIdentity() {
  ID user = app_.user();
  const std::string userId = DialogLayout::fieldText(HWindow, IdUser, 256);
  const std::string nodeId = DialogLayout::fieldText(HWindow, IdNodeName, 256);
  bool changed = false;
  if (userId != user.second.c_str()) {
    user.second = String(userId.c_str());
    WriteProfileString(kSection, "UserID", userId.c_str());
    changed = true;
  }
  if (nodeId != user.first.c_str()) {
    user.first = String(nodeId.c_str());
    WriteProfileString(kSection, "NodeID", nodeId.c_str());
    changed = true;
  }
  if (changed) app_.setUser(user);
}
