// The framework's control classes (see t_control.h).
#include "platform/owl/t_control.h"

#include <cstring>
#include <vector>

#include "platform/owl/control_classes.h"
#include "platform/owl/edit_field.h"

TControl::TControl(TWindow* parent, int id, const char* title, int x, int y, int w, int h)
    : TWindow(parent, title) {
  Attr.Style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  Attr.Id = id;
  Attr.X = x;
  Attr.Y = y;
  Attr.W = w;
  Attr.H = h;
}

TControl::TControl(TWindow* parent, int resourceId) : TControl(parent, resourceId, "", 0, 0, 0, 0) {}

bool TControl::Create() {
  registerControlClasses();
  return TWindow::Create();
}

std::string TControl::GetText() const {
  if (HWindow == nullptr) return Title;
  int n = ::GetWindowTextLength(HWindow);
  std::vector<char> buf(static_cast<std::size_t>(n) + 1);
  ::GetWindowText(HWindow, buf.data(), n + 1);
  return std::string(buf.data());
}

void TControl::SetText(const char* text) { SetCaption(text); }

TButton::TButton(TWindow* parent, int id, const char* text, int x, int y, int w, int h, bool isDefault)
    : TControl(parent, id, text, x, y, w, h) {
  Attr.Style |= isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

TButton::TButton(TWindow* parent, int resourceId) : TControl(parent, resourceId) {}

void TButton::Click() { SendMessage(BM_CLICK); }

TCheckBox::TCheckBox(TWindow* parent, int id, const char* text, int x, int y, int w, int h)
    : TControl(parent, id, text, x, y, w, h) {
  Attr.Style |= BS_AUTOCHECKBOX;
}

TCheckBox::TCheckBox(TWindow* parent, int resourceId) : TControl(parent, resourceId) {
  Attr.Style |= BS_AUTOCHECKBOX;
}

UINT TCheckBox::GetCheck() const { return static_cast<UINT>(::SendMessage(HWindow, BM_GETCHECK, 0, 0)); }
void TCheckBox::SetCheck(UINT check) { SendMessage(BM_SETCHECK, check); }

TStatic::TStatic(TWindow* parent, int id, const char* text, int x, int y, int w, int h, UINT)
    : TControl(parent, id, text, x, y, w, h) {}

TStatic::TStatic(TWindow* parent, int resourceId, UINT) : TControl(parent, resourceId) {}

TEdit::TEdit(TWindow* parent, int id, const char* text, int x, int y, int w, int h, UINT textLimit,
             bool multiline)
    : TControl(parent, id, text, x, y, w, h), TextLimit(textLimit) {
  Attr.Style |= WS_BORDER;
  if (multiline) Attr.Style |= ES_MULTILINE | ES_AUTOVSCROLL;
}

TEdit::TEdit(TWindow* parent, int resourceId, UINT textLimit)
    : TControl(parent, resourceId), TextLimit(textLimit) {}

void TEdit::SetupWindow() {
  TControl::SetupWindow();
  // The limit counts the terminating NUL, as the framework's does.
  if (TextLimit > 1) SendMessage(EM_LIMITTEXT, TextLimit - 1);
}

bool TEdit::IsModified() const { return ::SendMessage(HWindow, EM_GETMODIFY, 0, 0) != 0; }
void TEdit::ClearModify() { SendMessage(EM_SETMODIFY, 0); }

void TEdit::GetSelection(int& start, int& end) const {
  DWORD s = 0, e = 0;
  ::SendMessage(HWindow, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  start = static_cast<int>(s);
  end = static_cast<int>(e);
}

void TEdit::SetSelection(int start, int end) {
  SendMessage(EM_SETSEL, static_cast<WPARAM>(static_cast<intptr_t>(start)), end);
}

void TEdit::Insert(const char* text) { SendMessage(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text != nullptr ? text : "")); }
void TEdit::DeleteSelection() { SendMessage(WM_CLEAR); }
int TEdit::GetNumLines() const { return static_cast<int>(::SendMessage(HWindow, EM_GETLINECOUNT, 0, 0)); }

int TEdit::GetLineIndex(int line) const {
  return static_cast<int>(::SendMessage(HWindow, EM_LINEINDEX, static_cast<WPARAM>(static_cast<intptr_t>(line)), 0));
}

int TEdit::GetLineFromPos(int pos) const {
  return static_cast<int>(::SendMessage(HWindow, EM_LINEFROMCHAR, static_cast<WPARAM>(static_cast<intptr_t>(pos)), 0));
}

void TEdit::Scroll(int lines) { SendMessage(EM_LINESCROLL, 0, lines); }

int TEdit::Search(int startPos, const char* text, bool caseSensitive, bool wholeWord, bool up) {
  if (text == nullptr || HWindow == nullptr) return -1;
  int s = 0, e = 0;
  GetSelection(s, e);
  std::size_t from = startPos >= 0 ? static_cast<std::size_t>(startPos) : static_cast<std::size_t>(up ? s : e);
  long at = EditField::findIn(GetText(), from, text, caseSensitive, wholeWord, up);
  if (at < 0) return -1;
  SetSelection(static_cast<int>(at), static_cast<int>(at + static_cast<long>(std::strlen(text))));
  SendMessage(EM_SCROLLCARET);
  return static_cast<int>(at);
}

TListBox::TListBox(TWindow* parent, int id, int x, int y, int w, int h) : TControl(parent, id, "", x, y, w, h) {
  Attr.Style |= WS_BORDER | WS_VSCROLL;
}

TListBox::TListBox(TWindow* parent, int resourceId) : TControl(parent, resourceId) {}

int TListBox::AddString(const char* text) {
  return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}
void TListBox::ClearList() { SendMessage(LB_RESETCONTENT); }
int TListBox::GetCount() const { return static_cast<int>(::SendMessage(HWindow, LB_GETCOUNT, 0, 0)); }
int TListBox::GetSelIndex() const { return static_cast<int>(::SendMessage(HWindow, LB_GETCURSEL, 0, 0)); }
int TListBox::SetSelIndex(int index) {
  return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index)));
}

std::string TListBox::GetString(int index) const {
  LRESULT n = ::SendMessage(HWindow, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n < 0) return "";
  std::vector<char> buf(static_cast<std::size_t>(n) + 1);
  ::SendMessage(HWindow, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
  return std::string(buf.data());
}

TComboBox::TComboBox(TWindow* parent, int id, int x, int y, int w, int h, UINT textLimit)
    : TControl(parent, id, "", x, y, w, h), TextLimit(textLimit) {}

TComboBox::TComboBox(TWindow* parent, int resourceId, UINT textLimit)
    : TControl(parent, resourceId), TextLimit(textLimit) {}

void TComboBox::SetupWindow() {
  TControl::SetupWindow();
  if (TextLimit > 1) SendMessage(CB_LIMITTEXT, TextLimit - 1);
}

int TComboBox::AddString(const char* text) {
  return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}
void TComboBox::ClearList() { SendMessage(CB_RESETCONTENT); }
int TComboBox::GetCount() const { return static_cast<int>(::SendMessage(HWindow, CB_GETCOUNT, 0, 0)); }
int TComboBox::GetSelIndex() const { return static_cast<int>(::SendMessage(HWindow, CB_GETCURSEL, 0, 0)); }
int TComboBox::SetSelIndex(int index) {
  return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index)));
}

std::string TComboBox::GetString(int index) const {
  LRESULT n = ::SendMessage(HWindow, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n < 0) return "";
  std::vector<char> buf(static_cast<std::size_t>(n) + 1);
  ::SendMessage(HWindow, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
  return std::string(buf.data());
}
