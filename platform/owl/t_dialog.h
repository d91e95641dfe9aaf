// The framework's dialog: a window whose controls are known by identifier. The
// controls are the control objects made with the dialog as their parent; the
// dialog places those made by identifier alone in a column (its layout is not
// part of what the system fixes) and creates them with itself.
//
// A modal dialog (Execute) is answered through the current Desktop: once the
// dialog is set up, the desktop sets the controls as a person would and names
// the button pressed; the dialog then acts on that button (OK asks CanClose, so
// a dialog may stay open and ask again). Execute returns the value the dialog
// ended with: IDOK, IDCANCEL or whatever CloseWindow was given. The headless
// answer is Cancel. A modeless dialog (Create) is an ordinary window.
#ifndef PLATFORM_T_DIALOG_H
#define PLATFORM_T_DIALOG_H

#include <string>

#include "platform/owl/t_window.h"

class TDialog : public TWindow {
 public:
  TDialog(TWindow* parent, const char* resourceName, TModule* module = nullptr);
  ~TDialog() override;

  const char* GetClassName() override { return "TavixDialog"; }
  void GetWindowClass(WNDCLASS& wc) override;
  // Runs the dialog modally; returns how it ended, or -1 when it could not be made.
  virtual int Execute();
  void SetupWindow() override;
  LRESULT EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) override;
  void EvClose() override;
  virtual void CmOk();
  virtual void CmCancel();
  // Ends the dialog with `retVal` when CanClose agrees.
  void CloseWindow(int retVal = IDCANCEL) override;
  void Destroy(int retVal = IDCANCEL) override;

  // For whoever answers the dialog: press a button by identifier, as a click would.
  void PressButton(int id);
  const std::string& ResourceName() const { return resourceName_; }
  bool IsModal() const { return modal_; }
  bool HasEnded() const { return ended_; }

  // The most rounds of answers a modal dialog takes before it is cancelled.
  static constexpr int kMaxAnswers = 100;

 private:
  std::string resourceName_;
  bool modal_ = false;
  bool ended_ = false;
  int returnValue_ = IDCANCEL;
};

#endif  // PLATFORM_T_DIALOG_H
