// The framework's control classes over the predefined control windows
// (platform/owl/control_classes.h): push buttons, check boxes, static texts, edit
// fields, list boxes and combo boxes. A control is made either with a position
// (TButton(parent, id, "Back", x, y, w, h)) or, in a dialog, by identifier alone
// (TEdit(dialog, 239, 257)): the dialog then places it. Its parent creates its
// window when the parent is created.
#ifndef PLATFORM_T_CONTROL_H
#define PLATFORM_T_CONTROL_H

#include <string>

#include "platform/owl/t_window.h"

class TControl : public TWindow {
 public:
  TControl(TWindow* parent, int id, const char* title, int x, int y, int w, int h);
  // A control known by its identifier only; `w` and `h` are 0 until placed.
  TControl(TWindow* parent, int resourceId);
  bool Create() override;
  // The control draws itself.
  void EvPaint() override { DefaultProcessing(); }
  // The control's text.
  std::string GetText() const;
  void SetText(const char* text);
};

class TButton : public TControl {
 public:
  TButton(TWindow* parent, int id, const char* text, int x, int y, int w, int h, bool isDefault = false);
  TButton(TWindow* parent, int resourceId);
  const char* GetClassName() override { return "BUTTON"; }
  // Presses the button as a click would: the parent hears BN_CLICKED.
  void Click();
};

class TCheckBox : public TControl {
 public:
  TCheckBox(TWindow* parent, int id, const char* text, int x, int y, int w, int h);
  TCheckBox(TWindow* parent, int resourceId);
  const char* GetClassName() override { return "BUTTON"; }
  UINT GetCheck() const;
  void SetCheck(UINT check);
  void Check() { SetCheck(BST_CHECKED); }
  void Uncheck() { SetCheck(BST_UNCHECKED); }
};

class TStatic : public TControl {
 public:
  TStatic(TWindow* parent, int id, const char* text, int x, int y, int w, int h, UINT textLimit = 0);
  TStatic(TWindow* parent, int resourceId, UINT textLimit = 0);
  const char* GetClassName() override { return "STATIC"; }
};

class TEdit : public TControl {
 public:
  TEdit(TWindow* parent, int id, const char* text, int x, int y, int w, int h, UINT textLimit = 0,
        bool multiline = false);
  TEdit(TWindow* parent, int resourceId, UINT textLimit = 0);
  const char* GetClassName() override { return "EDIT"; }
  void SetupWindow() override;
  // True when the person changed the text since it was last set.
  bool IsModified() const;
  void ClearModify();
  // The selection in bytes (start <= end).
  void GetSelection(int& start, int& end) const;
  // Selects from `start` to `end` (the caret goes to `end`); -1 as the end is
  // the end of the text.
  void SetSelection(int start, int end);
  // Puts `text` in place of the selection, as typing it would.
  void Insert(const char* text);
  void DeleteSelection();
  int GetNumLines() const;
  // The first byte of a line (-1: the caret's line); -1 for no such line.
  int GetLineIndex(int line) const;
  int GetLineFromPos(int pos) const;
  // Scrolls by lines (negative: up).
  void Scroll(int lines);
  // Finds `text` from byte `startPos` (-1: from the selection, after it going
  // down and before it going up), selects the match and brings it into view.
  // Returns the match's position, or -1 when there is none.
  int Search(int startPos, const char* text, bool caseSensitive = false, bool wholeWord = false,
             bool up = false);
  UINT TextLimit;
};

class TListBox : public TControl {
 public:
  TListBox(TWindow* parent, int id, int x, int y, int w, int h);
  TListBox(TWindow* parent, int resourceId);
  const char* GetClassName() override { return "LISTBOX"; }
  int AddString(const char* text);
  void ClearList();
  int GetCount() const;
  int GetSelIndex() const;
  int SetSelIndex(int index);
  // The text of an item ("" for none).
  std::string GetString(int index) const;
};

class TComboBox : public TControl {
 public:
  TComboBox(TWindow* parent, int id, int x, int y, int w, int h, UINT textLimit = 0);
  TComboBox(TWindow* parent, int resourceId, UINT textLimit = 0);
  const char* GetClassName() override { return "COMBOBOX"; }
  void SetupWindow() override;
  int AddString(const char* text);
  void ClearList();
  int GetCount() const;
  int GetSelIndex() const;
  int SetSelIndex(int index);
  std::string GetString(int index) const;
  UINT TextLimit;
};

#endif  // PLATFORM_T_CONTROL_H
