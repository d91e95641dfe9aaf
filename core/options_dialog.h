// The options dialog (dialog resource "NEXIL_OPTIONS"): edits the application
// object's settings and writes each one that changed back to the profile,
// section "NEXIL".
//
// Controls:
//
//   ID    KIND                 CONTENT
//   239   edit, 257 chars      root directory
//   241   edit, 260 chars      root book ("root dictionary")
//   242   button               browse for the root book (*.DB)
//   243   edit, 260 chars      init file
//   244   button               browse for the init file (*.INI)
//   232   combo box, 256 chars filled by whoever runs the dialog
//   245   edit, 256 chars      user identity   (profile "UserID")
//   246   edit, 256 chars      node identity   (profile "NodeID")
//   247   static text          the third text of the application's identity
//   248   check box            back up pages on save (flags bit 0, "Backup")
//   253   number field         low-memory threshold in KB ("LowMemThreshholdKB")
//
// OK takes the settings in this order, writing a key only when its value
// changed: Backup ("1"/"0"); the threshold (a number below 10000 that differs;
// anything else leaves it as it was); the root directory, root book and init
// file when their fields were edited (each must exist, otherwise a warning and
// the dialog stays open, with the settings before it already taken); UserID and
// NodeID. A setting taken is not taken again when the dialog stays open and OK
// is pressed once more.
#ifndef CORE_OPTIONS_DIALOG_H
#define CORE_OPTIONS_DIALOG_H

#include <memory>

#include "core/dialog_layout.h"
#include "platform/owl/t_control.h"
#include "platform/owl/t_dialog.h"

class Nexil;

class OptionsDialog : public TDialog {
 public:
  enum Control {
    IdRootDirectory = 239,
    IdRootBook = 241,
    IdBrowseRootBook = 242,
    IdInitFile = 243,
    IdBrowseInitFile = 244,
    IdCombo = 232,
    IdUser = 245,
    IdNodeName = 246,
    IdIdentity = 247,
    IdBackup = 248,
    IdThreshold = 253
  };
  // The highest threshold in KB that OK takes, plus one.
  static const ULONG ThresholdLimitKB = 10000;

  OptionsDialog(TWindow* parent, Nexil& app);
  ~OptionsDialog() override;

  void SetupWindow() override;
  LRESULT EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) override;
  // Takes the settings; the dialog ends only when every edited path exists.
  void CmOk() override;

  // The combo box that the caller fills.
  TComboBox& combo() { return *combo_; }

 private:
  // The steps of OK; each returns false when the dialog must stay open.
  void takeBackup();
  void takeThreshold();
  bool takeRootDirectory();
  bool takeRootBook();
  bool takeInitFile();
  void takeIdentity();
  // Asks the file-open dialog for a file matching `filter` and puts it in `field`.
  void browse(TEdit& field, const char* description, const char* pattern);

  Nexil& app_;
  DialogLayout layout_{this};
  std::unique_ptr<TEdit> rootDirectory_;
  std::unique_ptr<TEdit> rootBook_;
  std::unique_ptr<TButton> browseRootBook_;
  std::unique_ptr<TEdit> initFile_;
  std::unique_ptr<TButton> browseInitFile_;
  std::unique_ptr<TComboBox> combo_;
  std::unique_ptr<TEdit> user_;
  std::unique_ptr<TEdit> nodeName_;
  std::unique_ptr<TStatic> identity_;
  std::unique_ptr<TCheckBox> backup_;
  std::unique_ptr<TEdit> threshold_;
  std::unique_ptr<TButton> ok_;
  std::unique_ptr<TButton> cancel_;
};

#endif  // CORE_OPTIONS_DIALOG_H
