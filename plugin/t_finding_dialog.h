// The progress dialog of a find (dialog resource "AbortFind"): it shows the text
// looked for, the page being searched and how many pages matched, and has a
// Cancel button that stops the search at its next page. It is modeless: the
// search keeps running and lets waiting messages through between pages, so
// that Cancel can be pressed.
//
// Controls: 101 the find text (at most 80 characters shown), 501 the page
// being searched (at most 256), 502 the number of pages matched (at most 20),
// 2 Cancel. After Cancel the button is disabled and cancelled() holds until
// the next reset.
#ifndef PLUGIN_T_FINDING_DIALOG_H
#define PLUGIN_T_FINDING_DIALOG_H

#include <memory>

#include "platform/owl/t_control.h"
#include "platform/owl/t_dialog.h"

class TFindingDialog : public TDialog {
 public:
  static constexpr int IdFindText = 101;
  static constexpr int IdPage = 501;
  static constexpr int IdCount = 502;
  static constexpr unsigned FindTextLimit = 80;
  static constexpr unsigned PageLimit = 256;
  static constexpr unsigned CountLimit = 20;

  // `findText` (not owned; null: none) is what the dialog shows as looked for.
  TFindingDialog(TWindow* parent, const char* findText);
  ~TFindingDialog() override;

  void SetupWindow() override;
  // Starts over: not cancelled, no matches, no page shown, "0" matches; shows
  // `text` as the find text when it is given.
  void reset(const char* text);
  // One more page matched.
  void incCount();
  void setFindString(const char* text);
  // Shows the page being searched.
  void setPage(const char* name);
  void CmCancel() override;

  bool cancelled() const { return cancelled_; }
  LONG count() const { return count_; }

 private:
  // Shows `text` in `control`, cut to `limit` - 1 bytes.
  static void show(TControl* control, const char* text, unsigned limit);

  const char* findText_;  // not owned
  std::unique_ptr<TStatic> text_;
  std::unique_ptr<TStatic> page_;
  std::unique_ptr<TStatic> countText_;
  bool cancelled_ = false;
  LONG count_ = 0;
  std::unique_ptr<TButton> cancel_;
};

#endif  // PLUGIN_T_FINDING_DIALOG_H
