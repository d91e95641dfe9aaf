// The layout of the core's dialogs (see dialog_layout.h).
#include "core/dialog_layout.h"

#include <algorithm>
#include <cstring>

#include "platform/owl/control_classes.h"
#include "platform/win/windows_user.h"

namespace {

void place(TWindow* c, int x, int y, int w, int h) {
  c->Attr.X = x;
  c->Attr.Y = y;
  c->Attr.W = w;
  c->Attr.H = h;
}

}  // namespace

void DialogLayout::row(const char* label, TControl* field, int height) {
  const int fieldX = Margin + LabelWidth + Gap;
  if (label != nullptr) {
    labels_.emplace_back(new TStatic(dialog_, -1, label, Margin, y_ + 4, LabelWidth, RowHeight - 4));
  }
  place(field, fieldX, y_, FieldWidth, height);
  y_ += height + Gap;
}

void DialogLayout::buttons(TButton* ok, TButton* cancel) {
  const int fieldX = Margin + LabelWidth + Gap;
  const int w = (FieldWidth - Gap) / 2;
  y_ += Gap;
  place(ok, fieldX, y_, w, RowHeight + 2);
  place(cancel, fieldX + w + Gap, y_, w, RowHeight + 2);
  y_ += RowHeight + 2 + Gap;
}

void DialogLayout::fit(TWindow& dialog) {
  int right = 0, bottom = 0;
  for (TWindow* c : dialog.Children()) {
    right = std::max(right, c->Attr.X + c->Attr.W + Margin);
    bottom = std::max(bottom, c->Attr.Y + c->Attr.H + Margin);
  }
  const RECT client = dialog.GetClientRect();
  const int growW = std::max(0, right - static_cast<int>(client.right));
  const int growH = std::max(0, bottom - static_cast<int>(client.bottom));
  if (growW == 0 && growH == 0) return;
  const RECT r = dialog.GetWindowRect();
  ::SetWindowPos(dialog.HWindow, nullptr, 0, 0, (r.right - r.left) + growW, (r.bottom - r.top) + growH,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string DialogLayout::fieldText(HWND dialog, int id, int limit) {
  std::string buf(static_cast<std::size_t>(limit > 0 ? limit : 1), '\0');
  GetDlgItemText(dialog, id, &buf[0], static_cast<int>(buf.size()));
  buf.resize(std::strlen(buf.c_str()));
  return buf;
}
