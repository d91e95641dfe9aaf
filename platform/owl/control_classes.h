// The predefined window classes of controls: "BUTTON" (push buttons that report
// their identifier to their parent when released over them, check boxes),
// "STATIC" (a text), "EDIT" (a single or multi-line edit field with its modified
// flag and text limit), "LISTBOX" and "COMBOBOX" (lists of texts with a current
// selection). Each draws itself when painted and keeps its state in the window
// record (text, items, selection, check, modified flag).
//
// Messages: WM_SETTEXT / WM_GETTEXT; BM_GETCHECK, BM_SETCHECK, BM_CLICK;
// EM_GETMODIFY, EM_SETMODIFY, EM_LIMITTEXT; LB_ and CB_ ADDSTRING, RESETCONTENT,
// SETCURSEL, GETCURSEL, GETTEXT / GETLBTEXT, GETTEXTLEN / GETLBTEXTLEN, GETCOUNT.
// Notifications go to the parent as WM_COMMAND (BN_CLICKED, EN_CHANGE,
// LBN_SELCHANGE, CBN_SELCHANGE).
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
