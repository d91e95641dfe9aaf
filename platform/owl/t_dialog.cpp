// The framework's dialog (see t_dialog.h).
#include "platform/owl/t_dialog.h"

#include <algorithm>
#include <cstring>

#include "platform/owl/control_classes.h"
#include "platform/system/desktop.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"

namespace {

const int kMargin = 10;
const int kRow = 28;
const int kWidth = 320;

}  // namespace

TDialog::TDialog(TWindow* parent, const char* resourceName, TModule* module)
    : TWindow(parent, nullptr, module) {
  if (resourceName != nullptr) resourceName_ = resourceName;
  Title = resourceName_;
  AutoCreate = false;
  Attr.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
}

TDialog::~TDialog() = default;

void TDialog::GetWindowClass(WNDCLASS& wc) {
  TWindow::GetWindowClass(wc);
  wc.style = 0;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1));
}

void TDialog::SetupWindow() {
  registerControlClasses();
  // Place the controls known by identifier alone, one per row.
  int y = kMargin;
  for (TWindow* c : Children()) {
    if (c->HWindow != nullptr || c->Attr.W != 0 || c->Attr.H != 0) continue;
    c->Attr.X = kMargin;
    c->Attr.Y = y;
    c->Attr.W = kWidth - 2 * kMargin;
    c->Attr.H = std::strcmp(c->GetClassName(), "LISTBOX") == 0 ? 4 * kRow : kRow - 4;
    y += c->Attr.H + 4;
  }
  TWindow::SetupWindow();
  // Grow to hold the controls.
  int bottom = kMargin;
  for (TWindow* c : Children()) bottom = std::max(bottom, c->Attr.Y + c->Attr.H + kMargin);
  RECT r = GetWindowRect();
  RECT client = GetClientRect();
  int frameH = (r.bottom - r.top) - (client.bottom - client.top);
  int frameW = (r.right - r.left) - (client.right - client.left);
  if (Attr.W == 0 || Attr.H == 0) {
    ::SetWindowPos(HWindow, nullptr, 0, 0, kWidth + frameW, bottom + frameH,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

int TDialog::Execute() {
  modal_ = true;
  ended_ = false;
  returnValue_ = IDCANCEL;
  if (!Create()) return -1;
  WindowManager& wm = WindowManager::instance();
  // Each round is one answer from the person; bounded so that a dialog that never
  // accepts its answers is cancelled rather than asked forever.
  for (int round = 0; round < kMaxAnswers && !ended_ && IsWindow(); ++round) {
    wm.runUntilIdle();
    if (ended_ || !IsWindow()) break;
    int button = currentDesktop().runDialog(*this);
    if (ended_ || !IsWindow()) break;
    PressButton(button);
    wm.runUntilIdle();
  }
  if (!ended_) {
    returnValue_ = IDCANCEL;
    ended_ = true;
  }
  if (IsWindow()) TWindow::Destroy(returnValue_);
  modal_ = false;
  return returnValue_;
}

void TDialog::PressButton(int id) {
  if (HWindow == nullptr) return;
  HWND button = ::GetDlgItem(HWindow, id);
  if (button != nullptr) {
    ::SendMessage(button, BM_CLICK, 0, 0);
  } else {
    // OK and Cancel work without a button of their own, as the Enter and Escape keys do.
    SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }
}

LRESULT TDialog::EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) {
  if (notifyCode == BN_CLICKED || hWndCtl == nullptr) {
    if (id == IDOK) {
      CmOk();
      return 0;
    }
    if (id == IDCANCEL) {
      CmCancel();
      return 0;
    }
  }
  return TWindow::EvCommand(id, hWndCtl, notifyCode);
}

void TDialog::EvClose() { CmCancel(); }

void TDialog::CmOk() { CloseWindow(IDOK); }

void TDialog::CmCancel() { Destroy(IDCANCEL); }

void TDialog::CloseWindow(int retVal) {
  if (CanClose()) Destroy(retVal);
}

void TDialog::Destroy(int retVal) {
  returnValue_ = retVal;
  ended_ = true;
  if (!modal_) TWindow::Destroy(retVal);
}
