// The predefined control classes (see control_classes.h).
#include "platform/owl/control_classes.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform/owl/edit_field.h"
#include "platform/system/global_memory.h"
#include "platform/win/clipboard.h"
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

// ---- The edit field ----

const int kEditLeft = 3;  // text margins inside the field's border
const int kEditTop = 2;

struct EditState {
  EditField field;
  HFONT font;
  bool dragging = false;
  EditState(bool multiline, EditField::Measure m, HFONT f) : field(multiline, std::move(m)), font(f) {}
};

std::map<HWND, std::unique_ptr<EditState>>& edits() {
  static std::map<HWND, std::unique_ptr<EditState>> table;
  return table;
}

// Measures one character with the field's font, through a context of the field.
EditField::Measure measureWith(HWND h, HFONT font) {
  return [h, font](unsigned char c) {
    HDC dc = GetDC(h);
    if (dc == nullptr) return 8;
    HGDIOBJ old = SelectObject(dc, font);
    char ch = static_cast<char>(c);
    SIZE s = {0, 0};
    GetTextExtentPoint32(dc, &ch, 1, &s);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    return static_cast<int>(s.cx);
  };
}

int lineHeightOf(HWND h, HFONT font) {
  HDC dc = GetDC(h);
  if (dc == nullptr) return 16;
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(h, dc);
  return std::max(1, static_cast<int>(tm.tmHeight));
}

void fitView(HWND h, EditState& e) {
  RECT c;
  GetClientRect(h, &c);
  e.field.setView(c.right - 2 * kEditLeft, c.bottom - 2 * kEditTop, lineHeightOf(h, e.font));
}

EditState& editOf(HWND h, WindowManager::Window* w) {
  auto it = edits().find(h);
  if (it != edits().end()) return *it->second;
  HFONT font = guiFont();
  auto e = std::make_unique<EditState>((w->style & ES_MULTILINE) != 0, measureWith(h, font), font);
  e->field.setLimit(static_cast<std::size_t>(std::max(0, w->textLimit)));
  e->field.setText(w->text);
  fitView(h, *e);
  return *edits().emplace(h, std::move(e)).first->second;
}

void placeCaret(HWND h, const EditState& e) {
  if (GetFocus() != h) return;
  const EditField& f = e.field;
  int line = static_cast<int>(f.lineOf(f.caret())) - f.firstVisibleLine();
  SetCaretPos(kEditLeft + f.xOf(f.caret()) - f.xScroll(), kEditTop + line * f.lineHeight());
}

// After the person changed the text: the window's text, the modified flag, the
// picture and the parent's notification.
void edited(HWND h, WindowManager::Window* w, EditState& e) {
  w->text = e.field.text();
  w->modified = true;
  placeCaret(h, e);
  InvalidateRect(h, nullptr, TRUE);
  notify(h, EN_CHANGE);
}

void moved(HWND h, EditState& e) {
  placeCaret(h, e);
  InvalidateRect(h, nullptr, TRUE);
}

void copySelection(HWND h, const EditState& e) {
  if (!e.field.hasSelection() || !OpenClipboard(h)) return;
  std::string s = e.field.selectedText();
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, s.size() + 1);
  if (char* p = static_cast<char*>(GlobalLock(block))) {
    std::memcpy(p, s.c_str(), s.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
  } else if (block != nullptr) {
    GlobalFree(block);
  }
  CloseClipboard();
}

bool paste(HWND h, EditState& e) {
  if (!OpenClipboard(h)) return false;
  std::string s;
  HGLOBAL block = GetClipboardData(CF_TEXT);
  if (const char* p = static_cast<const char*>(GlobalLock(block))) {
    // The block need not end in a NUL: read at most its size.
    std::size_t n = GlobalSize(block);
    s.assign(p, strnlen(p, n));
    GlobalUnlock(block);
  }
  CloseClipboard();
  return e.field.replaceSelection(s);
}

LRESULT editProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  WindowManager::Window* w = rec(h);
  if (w == nullptr) return 0;
  if (msg == WM_NCDESTROY) {
    edits().erase(h);
    return DefWindowProc(h, msg, wp, lp);
  }
  EditState& e = editOf(h, w);
  EditField& f = e.field;
  const bool readOnly = (w->style & ES_READONLY) != 0;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  auto index = [](WPARAM v) { return static_cast<long>(static_cast<intptr_t>(v)); };
  switch (msg) {
    case WM_SETTEXT:
      f.setText(lp != 0 ? reinterpret_cast<const char*>(lp) : "");
      w->text = f.text();
      w->modified = false;
      moved(h, e);
      return TRUE;
    case WM_CHAR: {
      const unsigned char ch = static_cast<unsigned char>(wp);
      bool changed = false;
      if (ch == 0x03) {  // Ctrl+C
        copySelection(h, e);
        return 0;
      }
      if (readOnly) return 0;
      if (ch == VK_BACK) {
        changed = f.deleteBackward();
      } else if (ch == 0x18) {  // Ctrl+X
        copySelection(h, e);
        changed = f.replaceSelection(std::string());
      } else if (ch == 0x16) {  // Ctrl+V
        changed = paste(h, e);
      } else if (ch == '\r') {
        if (!f.multiline()) return 0;
        changed = f.replaceSelection("\r\n");
      } else if (ch == '\t' || (ch >= 0x20 && ch != 0x7F)) {
        if (ch == '\t' && !f.multiline()) return 0;
        changed = f.replaceSelection(std::string(1, static_cast<char>(ch)));
      } else {
        return 0;
      }
      if (changed) edited(h, w, e);
      return 0;
    }
    case WM_KEYDOWN: {
      bool changed = false;
      switch (wp) {
        case VK_LEFT: f.moveLeft(shift, ctrl); break;
        case VK_RIGHT: f.moveRight(shift, ctrl); break;
        case VK_UP: f.multiline() ? f.moveUp(shift) : f.moveLeft(shift, false); break;
        case VK_DOWN: f.multiline() ? f.moveDown(shift) : f.moveRight(shift, false); break;
        case VK_HOME: f.moveHome(shift, ctrl); break;
        case VK_END: f.moveEnd(shift, ctrl); break;
        case VK_PRIOR: f.pageUp(shift); break;
        case VK_NEXT: f.pageDown(shift); break;
        case VK_DELETE:
          if (readOnly) return 0;
          if (shift) copySelection(h, e);  // Shift+Delete cuts
          changed = shift ? f.replaceSelection(std::string()) : f.deleteForward();
          break;
        case VK_INSERT:
          if (ctrl) copySelection(h, e);
          if (shift && !readOnly) changed = paste(h, e);
          break;
        default: return DefWindowProc(h, msg, wp, lp);
      }
      if (changed) {
        edited(h, w, e);
      } else {
        moved(h, e);
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
      SetFocus(h);
      f.moveToPoint(GET_X_LPARAM(lp) - kEditLeft, GET_Y_LPARAM(lp) - kEditTop, (wp & MK_SHIFT) != 0);
      e.dragging = true;
      SetCapture(h);
      moved(h, e);
      return 0;
    case WM_MOUSEMOVE:
      if (e.dragging && GetCapture() == h) {
        f.moveToPoint(GET_X_LPARAM(lp) - kEditLeft, GET_Y_LPARAM(lp) - kEditTop, true);
        moved(h, e);
      }
      return 0;
    case WM_LBUTTONUP:
      e.dragging = false;
      if (GetCapture() == h) ReleaseCapture();
      return 0;
    case WM_LBUTTONDBLCLK:
      f.moveToPoint(GET_X_LPARAM(lp) - kEditLeft, GET_Y_LPARAM(lp) - kEditTop, false);
      f.selectWord();
      moved(h, e);
      return 0;
    case WM_SETFOCUS:
      CreateCaret(h, nullptr, 1, f.lineHeight());
      placeCaret(h, e);
      ShowCaret(h);
      InvalidateRect(h, nullptr, TRUE);
      notify(h, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (WindowManager::instance().caret().owner == h) DestroyCaret();
      e.dragging = false;
      InvalidateRect(h, nullptr, TRUE);
      notify(h, EN_KILLFOCUS);
      return 0;
    case WM_SIZE:
      fitView(h, e);
      moved(h, e);
      return 0;
    case WM_SETFONT:
      e.font = wp != 0 ? reinterpret_cast<HFONT>(wp) : guiFont();
      f.setMeasure(measureWith(h, e.font));
      fitView(h, e);
      if (lp != 0) moved(h, e);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(e.font);
    case EM_GETSEL: {
      DWORD s = static_cast<DWORD>(f.selStart()), t = static_cast<DWORD>(f.selEnd());
      if (wp != 0) *reinterpret_cast<DWORD*>(wp) = s;
      if (lp != 0) *reinterpret_cast<DWORD*>(lp) = t;
      return static_cast<LRESULT>(static_cast<DWORD>(MAKELPARAM(std::min<DWORD>(s, 0xFFFF), std::min<DWORD>(t, 0xFFFF))));
    }
    case EM_SETSEL:
      f.setSelection(index(wp), static_cast<long>(lp));
      moved(h, e);
      return 0;
    case EM_REPLACESEL:
      if (f.replaceSelection(lp != 0 ? reinterpret_cast<const char*>(lp) : "")) edited(h, w, e);
      return 0;
    case EM_GETLINECOUNT: return static_cast<LRESULT>(f.lines().size());
    case EM_LINEINDEX: {
      long line = index(wp);
      if (line == -1) line = static_cast<long>(f.lineOf(f.caret()));
      if (line < 0 || static_cast<std::size_t>(line) >= f.lines().size()) return -1;
      return static_cast<LRESULT>(f.lines()[static_cast<std::size_t>(line)].start);
    }
    case EM_LINEFROMCHAR: {
      long at = index(wp);
      std::size_t pos = at < 0 ? f.selStart() : std::min(static_cast<std::size_t>(at), f.text().size());
      return static_cast<LRESULT>(f.lineOf(pos));
    }
    case EM_LINELENGTH: {
      long at = index(wp);
      std::size_t pos = at < 0 ? f.caret() : std::min(static_cast<std::size_t>(at), f.text().size());
      const EditField::Line& l = f.lines()[f.lineOf(pos)];
      return static_cast<LRESULT>(l.end - l.start);
    }
    case EM_GETLINE: {
      // The buffer's first word holds its size; the line is copied without a NUL.
      long line = index(wp);
      if (lp == 0 || line < 0 || static_cast<std::size_t>(line) >= f.lines().size()) return 0;
      char* out = reinterpret_cast<char*>(lp);
      WORD size;
      std::memcpy(&size, out, sizeof size);
      const EditField::Line& l = f.lines()[static_cast<std::size_t>(line)];
      std::size_t n = std::min<std::size_t>(size, l.end - l.start);
      std::memcpy(out, f.text().data() + l.start, n);
      return static_cast<LRESULT>(n);
    }
    case EM_GETFIRSTVISIBLELINE: return f.firstVisibleLine();
    case EM_LINESCROLL:
      if (f.scrollLines(static_cast<int>(std::max<LPARAM>(INT_MIN / 2, std::min<LPARAM>(lp, INT_MAX / 2))))) moved(h, e);
      return TRUE;
    case EM_SCROLL: {
      int before = f.firstVisibleLine();
      int page = f.visibleLines();
      int by = wp == SB_LINEUP ? -1 : wp == SB_LINEDOWN ? 1 : wp == SB_PAGEUP ? -page : wp == SB_PAGEDOWN ? page : 0;
      if (by == 0) return FALSE;
      if (f.scrollLines(by)) moved(h, e);
      return static_cast<LRESULT>(static_cast<DWORD>(MAKELPARAM(f.firstVisibleLine() - before, TRUE)));
    }
    case EM_SCROLLCARET:
      f.scrollToCaret();
      moved(h, e);
      return TRUE;
    case EM_GETMODIFY: return w->modified ? TRUE : FALSE;
    case EM_SETMODIFY: w->modified = wp != 0; return 0;
    case EM_LIMITTEXT:
      w->textLimit = static_cast<int>(std::min<WPARAM>(wp, INT_MAX));
      f.setLimit(static_cast<std::size_t>(w->textLimit));
      return 0;
    case EM_SETREADONLY:
      w->style = wp != 0 ? (w->style | ES_READONLY) : (w->style & ~ES_READONLY);
      return TRUE;
    case WM_COPY: copySelection(h, e); return 0;
    case WM_CUT:
    case WM_CLEAR:
      if (readOnly) return 0;
      if (msg == WM_CUT) copySelection(h, e);
      if (f.replaceSelection(std::string())) edited(h, w, e);
      return 0;
    case WM_PASTE:
      if (!readOnly && paste(h, e)) edited(h, w, e);
      return 0;
    case WM_PAINT:
      paint(h, [&](HDC dc) {
        RECT c;
        GetClientRect(h, &c);
        HGDIOBJ oldBrush = SelectObject(dc, GetSysColorBrush(COLOR_WINDOW));
        Rectangle(dc, c.left, c.top, c.right, c.bottom);
        SelectObject(dc, oldBrush);
        SelectObject(dc, e.font);
        IntersectClipRect(dc, 1, 1, c.right - 1, c.bottom - 1);
        const bool focused = GetFocus() == h;
        const std::size_t s0 = focused ? f.selStart() : 0, s1 = focused ? f.selEnd() : 0;
        const std::string& t = f.text();
        const int lh = f.lineHeight();
        for (std::size_t i = static_cast<std::size_t>(f.firstVisibleLine()); i < f.lines().size(); ++i) {
          int y = kEditTop + static_cast<int>(i - static_cast<std::size_t>(f.firstVisibleLine())) * lh;
          if (y >= c.bottom) break;
          const EditField::Line& l = f.lines()[i];
          int x0 = kEditLeft - f.xScroll();
          // Before, inside and after the selection.
          std::size_t cuts[4] = {l.start, std::max(l.start, std::min(s0, l.end)),
                                 std::max(l.start, std::min(s1, l.end)), l.end};
          for (int part = 0; part < 3; ++part) {
            if (cuts[part + 1] <= cuts[part]) continue;
            int x = x0 + f.xOf(cuts[part]);
            std::string piece = t.substr(cuts[part], cuts[part + 1] - cuts[part]);
            if (part == 1) {
              RECT band = {x, y, x0 + f.xOf(cuts[2]), y + lh};
              FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
            }
            drawText(dc, x, y, piece, GetSysColor(part == 1 ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
          }
        }
        const WindowManager::Caret& caret = WindowManager::instance().caret();
        if (focused && !f.hasSelection() && caret.owner == h && caret.hidden == 0) {
          RECT bar = {caret.pos.x, caret.pos.y, caret.pos.x + caret.width, caret.pos.y + caret.height};
          FillRect(dc, &bar, GetSysColorBrush(COLOR_WINDOWTEXT));
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
    if (e.proc == editProc) wc.style = CS_DBLCLKS;
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
