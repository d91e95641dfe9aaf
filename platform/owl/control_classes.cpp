// The predefined control classes (see control_classes.h).
#include "platform/owl/control_classes.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

const int kRowHeight = 16;

WindowManager::Window* rec(HWND h) { return WindowManager::instance().find(h); }

void notify(HWND h, int code) {
  HWND parent = GetParent(h);
  if (parent != nullptr) {
    SendMessage(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), code), reinterpret_cast<LPARAM>(h));
  }
}

void drawText(HDC dc, int x, int y, const std::string& s, COLORREF colour) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  TextOut(dc, x, y, s.c_str(), static_cast<int>(s.size()));
}

HFONT guiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

// Every paint goes through BeginPaint so that the update area is validated.
template <typename F>
void paint(HWND h, F body) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  HGDIOBJ oldFont = SelectObject(dc, guiFont());
  body(dc);
  SelectObject(dc, oldFont);
  EndPaint(h, &ps);
}

void bevel(HDC dc, const RECT& r, bool pressed) {
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(pressed ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT));
  HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(pressed ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW));
  HGDIOBJ old = SelectObject(dc, light);
  MoveToEx(dc, r.left, r.bottom - 1, nullptr);
  LineTo(dc, r.left, r.top);
  LineTo(dc, r.right - 1, r.top);
  SelectObject(dc, dark);
  LineTo(dc, r.right - 1, r.bottom - 1);
  LineTo(dc, r.left, r.bottom - 1);
  SelectObject(dc, old);
  DeleteObject(light);
  DeleteObject(dark);
}

LRESULT buttonProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  WindowManager::Window* w = rec(h);
  if (w == nullptr) return 0;
  const UINT type = w->style & BS_TYPEMASK;
  const bool checkBox = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX;
  switch (msg) {
    case WM_LBUTTONDOWN:
      w->selection = 1;  // pressed
      SetCapture(h);
      InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_LBUTTONUP: {
      bool wasPressed = w->selection == 1;
      w->selection = 0;
      if (GetCapture() == h) ReleaseCapture();
      InvalidateRect(h, nullptr, TRUE);
      RECT c;
      GetClientRect(h, &c);
      POINT p = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (wasPressed && PtInRect(&c, p)) SendMessage(h, BM_CLICK, 0, 0);
      return 0;
    }
    case BM_CLICK:
      if ((w->style & WS_DISABLED) != 0) return 0;
      if (type == BS_AUTOCHECKBOX) w->check = w->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
      notify(h, BN_CLICKED);
      return 0;
    case BM_GETCHECK: return w->check;
    case BM_SETCHECK:
      w->check = static_cast<int>(wp);
      InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_PAINT:
      paint(h, [&](HDC dc) {
        RECT c;
        GetClientRect(h, &c);
        SIZE s;
        GetTextExtentPoint32(dc, w->text.c_str(), static_cast<int>(w->text.size()), &s);
        if (checkBox) {
          FillRect(dc, &c, GetSysColorBrush(COLOR_BTNFACE));
          int top = (c.bottom - 13) / 2;
          Rectangle(dc, 0, top, 13, top + 13);
          if (w->check == BST_CHECKED) {
            MoveToEx(dc, 3, top + 6, nullptr);
            LineTo(dc, 5, top + 9);
            LineTo(dc, 10, top + 3);
          }
          drawText(dc, 18, (c.bottom - s.cy) / 2, w->text, GetSysColor(COLOR_BTNTEXT));
        } else {
          bevel(dc, c, w->selection == 1);
          drawText(dc, (c.right - s.cx) / 2, (c.bottom - s.cy) / 2, w->text,
                   GetSysColor((w->style & WS_DISABLED) != 0 ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
        }
      });
      return 0;
    case WM_SETTEXT: {
      LRESULT r = DefWindowProc(h, msg, wp, lp);
      InvalidateRect(h, nullptr, TRUE);
      return r;
    }
    default: return DefWindowProc(h, msg, wp, lp);
  }
}

LRESULT staticProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  WindowManager::Window* w = rec(h);
  if (w == nullptr) return 0;
  switch (msg) {
    case WM_PAINT:
      paint(h, [&](HDC dc) {
        RECT c;
        GetClientRect(h, &c);
        SIZE s;
        GetTextExtentPoint32(dc, w->text.c_str(), static_cast<int>(w->text.size()), &s);
        int x = (w->style & SS_CENTER) != 0 ? (c.right - s.cx) / 2 : 0;
        drawText(dc, x, 0, w->text, GetSysColor(COLOR_WINDOWTEXT));
      });
      return 0;
    case WM_SETTEXT: {
      LRESULT r = DefWindowProc(h, msg, wp, lp);
      InvalidateRect(h, nullptr, TRUE);
      return r;
    }
    default: return DefWindowProc(h, msg, wp, lp);
  }
}

LRESULT editProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  WindowManager::Window* w = rec(h);
  if (w == nullptr) return 0;
  switch (msg) {
    case WM_SETTEXT: {
      std::string t = lp != 0 ? reinterpret_cast<const char*>(lp) : "";
      if (w->textLimit > 0 && static_cast<int>(t.size()) > w->textLimit) t.resize(static_cast<std::size_t>(w->textLimit));
      w->text = t;
      w->modified = false;
      InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    }
    case WM_CHAR: {
      const unsigned char ch = static_cast<unsigned char>(wp);
      if (ch == VK_BACK) {
        if (w->text.empty()) return 0;
        // A line break is two characters.
        bool crlf = w->text.size() >= 2 && w->text.compare(w->text.size() - 2, 2, "\r\n") == 0;
        w->text.resize(w->text.size() - (crlf ? 2 : 1));
      } else if (ch == '\r') {
        if ((w->style & ES_MULTILINE) == 0) return 0;
        if (w->textLimit > 0 && static_cast<int>(w->text.size()) + 2 > w->textLimit) return 0;
        w->text += "\r\n";
      } else if (ch >= 0x20 && ch != 0x7F) {
        if (w->textLimit > 0 && static_cast<int>(w->text.size()) >= w->textLimit) return 0;
        w->text += static_cast<char>(ch);
      } else {
        return 0;
      }
      w->modified = true;
      InvalidateRect(h, nullptr, TRUE);
      notify(h, EN_CHANGE);
      return 0;
    }
    case EM_GETMODIFY: return w->modified ? TRUE : FALSE;
    case EM_SETMODIFY: w->modified = wp != 0; return 0;
    case EM_LIMITTEXT: w->textLimit = static_cast<int>(std::min<WPARAM>(wp, INT_MAX)); return 0;
    case WM_LBUTTONDOWN: SetFocus(h); return 0;
    case WM_PAINT:
      paint(h, [&](HDC dc) {
        RECT c;
        GetClientRect(h, &c);
        HGDIOBJ oldBrush = SelectObject(dc, GetSysColorBrush(COLOR_WINDOW));
        Rectangle(dc, c.left, c.top, c.right, c.bottom);
        SelectObject(dc, oldBrush);
        // One line per line break; lines below the field are not drawn.
        TEXTMETRIC tm;
        GetTextMetrics(dc, &tm);
        std::size_t start = 0;
        int y = 2;
        while (start <= w->text.size() && y < c.bottom) {
          std::size_t end = w->text.find("\r\n", start);
          std::string line = w->text.substr(start, end == std::string::npos ? std::string::npos : end - start);
          drawText(dc, 3, y, line, GetSysColor(COLOR_WINDOWTEXT));
          if (end == std::string::npos) break;
          start = end + 2;
          y += tm.tmHeight;
        }
      });
      return 0;
    default: return DefWindowProc(h, msg, wp, lp);
  }
}

// List boxes and combo boxes share the list messages; `combo` picks the codes.
LRESULT listMessage(WindowManager::Window* w, HWND h, UINT msg, WPARAM wp, LPARAM lp, bool combo) {
  const LRESULT err = combo ? CB_ERR : LB_ERR;
  const int count = static_cast<int>(w->items.size());
  auto index = [&]() { return static_cast<int>(static_cast<intptr_t>(wp)); };
  if (msg == (combo ? CB_ADDSTRING : LB_ADDSTRING)) {
    w->items.emplace_back(lp != 0 ? reinterpret_cast<const char*>(lp) : "");
    InvalidateRect(h, nullptr, TRUE);
    return count;
  }
  if (msg == (combo ? CB_RESETCONTENT : LB_RESETCONTENT)) {
    w->items.clear();
    w->selection = -1;
    InvalidateRect(h, nullptr, TRUE);
    return 0;
  }
  if (msg == (combo ? CB_SETCURSEL : LB_SETCURSEL)) {
    int i = index();
    w->selection = i >= 0 && i < count ? i : -1;
    if (combo) w->text = w->selection >= 0 ? w->items[static_cast<std::size_t>(w->selection)] : "";
    InvalidateRect(h, nullptr, TRUE);
    return w->selection >= 0 ? w->selection : err;
  }
  if (msg == (combo ? CB_GETCURSEL : LB_GETCURSEL)) return w->selection >= 0 ? w->selection : err;
  if (msg == (combo ? CB_GETCOUNT : LB_GETCOUNT)) return count;
  if (msg == (combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN)) {
    int i = index();
    return i >= 0 && i < count ? static_cast<LRESULT>(w->items[static_cast<std::size_t>(i)].size()) : err;
  }
  if (msg == (combo ? CB_GETLBTEXT : LB_GETTEXT)) {
    int i = index();
    if (i < 0 || i >= count || lp == 0) return err;
    const std::string& s = w->items[static_cast<std::size_t>(i)];
    std::memcpy(reinterpret_cast<char*>(lp), s.c_str(), s.size() + 1);
    return static_cast<LRESULT>(s.size());
  }
  return -2;  // not a list message
}

void paintList(HWND h, WindowManager::Window* w, bool combo) {
  paint(h, [&](HDC dc) {
    RECT c;
    GetClientRect(h, &c);
    HGDIOBJ oldBrush = SelectObject(dc, GetSysColorBrush(COLOR_WINDOW));
    Rectangle(dc, c.left, c.top, c.right, c.bottom);
    SelectObject(dc, oldBrush);
    if (combo) {
      drawText(dc, 3, 2, w->text, GetSysColor(COLOR_WINDOWTEXT));
      return;
    }
    for (std::size_t i = 0; i < w->items.size() && static_cast<long long>(i) * kRowHeight < c.bottom; ++i) {
      const int y = static_cast<int>(i) * kRowHeight;
      const bool selected = static_cast<int>(i) == w->selection;
      if (selected) {
        RECT row = {1, y + 1, c.right - 1, y + kRowHeight};
        FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
      }
      drawText(dc, 3, y + 2, w->items[i], GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    }
  });
}

LRESULT listBoxProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  WindowManager::Window* w = rec(h);
  if (w == nullptr) return 0;
  LRESULT r = listMessage(w, h, msg, wp, lp, false);
  if (r != -2) return r;
  switch (msg) {
    case WM_LBUTTONDOWN: {
      int row = GET_Y_LPARAM(lp) / kRowHeight;
      if (row >= 0 && row < static_cast<int>(w->items.size()) && row != w->selection) {
        w->selection = row;
        InvalidateRect(h, nullptr, TRUE);
        notify(h, LBN_SELCHANGE);
      }
      return 0;
    }
    case WM_PAINT: paintList(h, w, false); return 0;
    default: return DefWindowProc(h, msg, wp, lp);
  }
}

LRESULT comboBoxProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  WindowManager::Window* w = rec(h);
  if (w == nullptr) return 0;
  LRESULT r = listMessage(w, h, msg, wp, lp, true);
  if (r != -2) return r;
  switch (msg) {
    case CB_LIMITTEXT: w->textLimit = static_cast<int>(std::min<WPARAM>(wp, INT_MAX)); return TRUE;
    case WM_SETTEXT: {
      std::string t = lp != 0 ? reinterpret_cast<const char*>(lp) : "";
      if (w->textLimit > 0 && static_cast<int>(t.size()) > w->textLimit) t.resize(static_cast<std::size_t>(w->textLimit));
      w->text = t;
      InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    }
    case WM_PAINT: paintList(h, w, true); return 0;
    default: return DefWindowProc(h, msg, wp, lp);
  }
}

}  // namespace

void registerControlClasses() {
  struct Entry {
    const char* name;
    WNDPROC proc;
    int background;
  };
  const Entry entries[] = {{"BUTTON", buttonProc, COLOR_BTNFACE},
                           {"STATIC", staticProc, COLOR_BTNFACE},
                           {"EDIT", editProc, COLOR_WINDOW},
                           {"LISTBOX", listBoxProc, COLOR_WINDOW},
                           {"COMBOBOX", comboBoxProc, COLOR_WINDOW}};
  for (const Entry& e : entries) {
    WNDCLASS wc = {};
    if (GetClassInfo(nullptr, e.name, &wc)) continue;
    wc.lpfnWndProc = e.proc;
    wc.hCursor = LoadCursor(nullptr, e.proc == editProc ? IDC_IBEAM : IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(e.background);
    wc.lpszClassName = e.name;
    RegisterClass(&wc);
  }
}

BOOL SetDlgItemText(HWND dialog, int id, const char* text) {
  HWND h = GetDlgItem(dialog, id);
  return h != nullptr && SetWindowText(h, text);
}

UINT GetDlgItemText(HWND dialog, int id, char* out, int size) {
  HWND h = GetDlgItem(dialog, id);
  if (h == nullptr) {
    if (out != nullptr && size > 0) out[0] = '\0';
    return 0;
  }
  return static_cast<UINT>(GetWindowText(h, out, size));
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  std::string s = isSigned ? std::to_string(static_cast<INT>(value)) : std::to_string(value);
  return SetDlgItemText(dialog, id, s.c_str());
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* ok, BOOL isSigned) {
  char buf[64];
  GetDlgItemText(dialog, id, buf, sizeof buf);
  const char* p = buf;
  while (*p == ' ') ++p;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(p, &end, 10);
  while (end != nullptr && *end == ' ') ++end;
  bool good = end != p && end != nullptr && *end == '\0' && errno == 0 &&
              (isSigned ? (v >= INT32_MIN && v <= INT32_MAX) : (v >= 0 && v <= UINT32_MAX));
  if (ok != nullptr) *ok = good ? TRUE : FALSE;
  return good ? static_cast<UINT>(v) : 0;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND h = GetDlgItem(dialog, id);
  if (h == nullptr) return FALSE;
  SendMessage(h, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND h = GetDlgItem(dialog, id);
  return h != nullptr ? static_cast<UINT>(SendMessage(h, BM_GETCHECK, 0, 0)) : 0;
}

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND h = GetDlgItem(dialog, id);
  return h != nullptr ? SendMessage(h, msg, wParam, lParam) : 0;
}
