// The layout of the core's dialogs: controls known by identifier are placed in
// labelled rows, a label on the left and its field on the right, a wide control
// (a check box, a browse button, a list) across the field column, and the OK and
// Cancel buttons side by side at the bottom; the dialog then grows to hold them
// all. Only the identifiers and texts of a dialog are fixed; this is where its
// look is decided.
//
// A layout belongs to its dialog (it owns the label texts it makes) and is used
// while the dialog is being built, before it is created.
#ifndef CORE_DIALOG_LAYOUT_H
#define CORE_DIALOG_LAYOUT_H

#include <memory>
#include <string>
#include <vector>

#include "platform/owl/t_control.h"

class DialogLayout {
 public:
  static const int Margin = 10;
  static const int LabelWidth = 130;
  static const int FieldWidth = 260;
  static const int RowHeight = 24;
  static const int Gap = 6;

  explicit DialogLayout(TWindow* dialog) : dialog_(dialog) {}

  // `label` (null: none) on the left and `field` beside it, `height` high.
  void row(const char* label, TControl* field, int height = RowHeight);
  // `field` in the field column with no label.
  void wide(TControl* field, int height = RowHeight) { row(nullptr, field, height); }
  // The OK and Cancel buttons side by side on the last row.
  void buttons(TButton* ok, TButton* cancel);
  // Grows the created dialog to hold its lowest and rightmost control.
  static void fit(TWindow& dialog);
  // The text of the dialog's control `id`, at most `limit` - 1 characters.
  static std::string fieldText(HWND dialog, int id, int limit);

 private:
  TWindow* dialog_;
  int y_ = Margin;
  std::vector<std::unique_ptr<TStatic>> labels_;
};

#endif  // CORE_DIALOG_LAYOUT_H
