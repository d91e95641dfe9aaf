// The find progress dialog (see t_finding_dialog.h).
#include "plugin/t_finding_dialog.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "kit/window_helpers.h"
#include "platform/win/windows_user.h"

TFindingDialog::TFindingDialog(TWindow* parent, const char* findText)
    : TDialog(parent, "AbortFind"),
      findText_(findText),
      text_(new TStatic(this, IdFindText, FindTextLimit)),
      page_(new TStatic(this, IdPage, PageLimit)),
      countText_(new TStatic(this, IdCount, CountLimit)),
      cancel_(new TButton(this, IDCANCEL)) {
  Title = "Finding";
  cancel_->Title = "Cancel";
}

TFindingDialog::~TFindingDialog() {
  if (HWindow != nullptr) TWindow::Destroy(IDCANCEL);
}

void TFindingDialog::SetupWindow() {
  TDialog::SetupWindow();
  // The whole Cancel button shows: the dialog grows to hold its lowest control.
  int bottom = 0;
  for (TWindow* c : Children()) bottom = std::max(bottom, c->Attr.Y + c->Attr.H + 10);
  const RECT client = GetClientRect();
  if (client.bottom < bottom) {
    const RECT r = GetWindowRect();
    ::SetWindowPos(HWindow, nullptr, 0, 0, r.right - r.left, (r.bottom - r.top) + bottom - client.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  reset(nullptr);
  centerWindow(this);
}

void TFindingDialog::show(TControl* control, const char* text, unsigned limit) {
  std::string shown(text != nullptr ? text : "");
  if (shown.size() >= limit) shown.resize(limit - 1);
  if (control->HWindow != nullptr) control->SetText(shown.c_str());
  else control->Title = shown;
}

void TFindingDialog::reset(const char* text) {
  if (text != nullptr) findText_ = text;
  cancelled_ = false;
  count_ = 0;
  show(text_.get(), findText_, FindTextLimit);
  show(page_.get(), "", PageLimit);
  show(countText_.get(), "0", CountLimit);
  if (cancel_->HWindow != nullptr) ::EnableWindow(cancel_->HWindow, TRUE);
}

void TFindingDialog::incCount() {
  ++count_;
  char text[CountLimit];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(count_));
  show(countText_.get(), text, CountLimit);
}

void TFindingDialog::setFindString(const char* text) {
  findText_ = text;
  show(text_.get(), text, FindTextLimit);
}

void TFindingDialog::setPage(const char* name) { show(page_.get(), name, PageLimit); }

void TFindingDialog::CmCancel() {
  cancelled_ = true;
  if (cancel_->HWindow != nullptr) ::EnableWindow(cancel_->HWindow, FALSE);
}
