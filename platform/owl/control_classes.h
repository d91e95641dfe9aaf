// The predefined window classes of controls: "BUTTON" (push buttons that report
// their identifier to their parent when released over them, check boxes),
// "STATIC" (a text), "EDIT" (a single or multi-line edit field: caret,
// selection, word wrap and scrolling, kept by an EditField per window,
// platform/owl/edit_field.h), "LISTBOX" and "COMBOBOX" (lists of texts with a
// current selection). Each draws itself when painted and keeps its state in the
// window record (text, items, selection, check, modified flag).
//
// Messages: WM_SETTEXT / WM_GETTEXT; BM_GETCHECK, BM_SETCHECK, BM_CLICK; LB_ and
// CB_ ADDSTRING, RESETCONTENT, SETCURSEL, GETCURSEL, GETTEXT / GETLBTEXT,
// GETTEXTLEN / GETLBTEXTLEN, GETCOUNT. Notifications go to the parent as
// WM_COMMAND (BN_CLICKED, EN_CHANGE, EN_SETFOCUS, EN_KILLFOCUS, LBN_SELCHANGE,
// CBN_SELCHANGE).
//
// The edit field, as a person uses it: characters replace the selection
// (Return makes a line break in a multi-line field), Backspace and Delete take
// the selection or one character (a line break whole), the arrow keys, Home,
// End, Page Up and Page Down move the caret (with Shift they extend the
// selection, with Ctrl Left and Right go by words and Home and End to the ends
// of the text), a click places the caret, a drag selects, a double click
// selects a word; Ctrl+C, Ctrl+X, Ctrl+V, Shift+Delete, Ctrl+Insert and
// Shift+Insert use the clipboard's text. Its messages: EM_GETSEL, EM_SETSEL,
// EM_REPLACESEL, EM_GETLINECOUNT, EM_LINEINDEX, EM_LINEFROMCHAR, EM_LINELENGTH,
// EM_GETLINE, EM_GETFIRSTVISIBLELINE, EM_LINESCROLL, EM_SCROLL, EM_SCROLLCARET,
// EM_GETMODIFY, EM_SETMODIFY, EM_LIMITTEXT, EM_SETREADONLY, WM_CUT, WM_COPY,
// WM_PASTE, WM_CLEAR, WM_SETFONT, WM_GETFONT. Text set with WM_SETTEXT leaves
// the field unmodified; what the person types (and EM_REPLACESEL) marks it
// modified and tells the parent EN_CHANGE.
#ifndef PLATFORM_CONTROL_CLASSES_H
#define PLATFORM_CONTROL_CLASSES_H

#include "platform/windows_types.h"

#define BM_CLICK 0x00F5u
#define LBN_SELCHANGE 1
#define CBN_SELCHANGE 1
#define CBN_EDITCHANGE 5

// Registers the control classes once (creating a control does it too).
void registerControlClasses();

// Dialog item helpers over the controls of a dialog window.
BOOL SetDlgItemText(HWND dialog, int id, const char* text);
UINT GetDlgItemText(HWND dialog, int id, char* out, int size);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
// The item's text as a number; *ok (when given) says whether it was one.
UINT GetDlgItemInt(HWND dialog, int id, BOOL* ok, BOOL isSigned);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
LRESULT SendDlgItemMessage(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam);

#endif  // PLATFORM_CONTROL_CLASSES_H
