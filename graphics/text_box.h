// A text box: an annotation that shows a longer text in its box, in a scrolled
// text block laid out on the box's face (the box inset by 5 on every side),
// with scroll arrows when the text does not fit, and that the user types in
// place (the text block's edit field). It is saved as an annotation record of
// kind 't' whose body is the text.
//
// States: normal (the text shown) and editing (the text block's edit field
// has the keyboard). Editing only starts on a page window whose book is not
// read-only.
//
// The mouse, by the zone under the pointer:
//   Arrow   a shown scroll arrow: press scrolls one line and, while held,
//           about five lines a second (one every 200 ms of the message clock,
//           as messages arrive); double click scrolls one line
//   Text    the face of a selected box that can be edited: release starts
//           editing, or stops it
//   Sizing  a handle of a selected box: resizes
//   Move    elsewhere: as any annotation (select, drag); a release on a
//           selected box, without a drag and without Shift or Ctrl, starts
//           editing
// A double click elsewhere starts or stops editing.
//
// Menu: the annotation's, a separator and "&Edit Text" (255; "quit &Editing
// Text" while editing; grayed where editing cannot start).
//
// Record: id, no name, the stored box, the flags masked with 0x000F3E06, the
// ids of the tethered symbols, no extra value, "(t" text ")".
//
// Invariants (checked by invariantsHold, with those of Annotation):
// 1. The text block exists and has the annotation's window.
// 2. Editing <=> the text block has an edit field.
#ifndef GRAPHICS_TEXT_BOX_H
#define GRAPHICS_TEXT_BOX_H

#include <memory>

#include "graphics/annotation.h"
#include "graphics/scrolled_boxed_text_block.h"
#include "plugin/searchable.h"

struct KM_Annotation;

class TextBox : public Annotation, public Searchable {
 public:
  static constexpr int CmEditText = 255;
  // The message-clock time between two scrolls while an arrow is held.
  static constexpr DWORD ScrollPeriod = 200;
  enum class Zone { Arrow, Text, Sizing, Move };

  // An empty text in the default box at (x, y).
  TextBox(GraphicWindow* window, LONG id, int x, int y);
  // `text` (null: empty) in the given box.
  TextBox(GraphicWindow* window, LONG id, int left, int top, int right, int bottom, const char* text);
  ~TextBox() override;

  // The text box an annotation record describes, added to `window` with its
  // tethers; laid out and drawn on `hdc`, or at the next paint without one.
  // Null without a window. Reading a record does not mark the page modified.
  static TextBox* make(GraphicWindow* window, KM_Annotation& record, HDC hdc);
  LONG saveOn(KMEsrap& w) override;

  virtual const char* text() const;
  virtual void putText(const char* text);
  bool isEditing() const { return block_ != nullptr && block_->editControl() != nullptr; }
  // The window is a page window whose book is not read-only.
  virtual bool canEdit() const;
  virtual void startEditing();
  // Takes the edited text (marking the page modified when it changed).
  virtual void stopEditing();
  // Scrolls one line when `p` (logical) is on a shown arrow; 1 when it did.
  virtual int scroll(POINT p);
  // Scrolls at `p`, then at the pointer while the left button is held; the
  // number of lines scrolled.
  virtual int repeatScroll(POINT p);
  Zone zoneAt(POINT p);
  ScrolledBoxedTextBlock* textBlock() const { return block_.get(); }

  int CanClose() override;
  void setToNormalState() override;
  int resize(joinPoint handle) override;
  void draw(TDC& dc, int force) override;
  void compute(TDC& dc) override;
  void setRect(RECT& r, HDC hdc) override;
  void setParent(GraphicWindow* parent) override;
  HCURSOR getCursor(POINT p) override;
  HMENU createPopup() override;
  void handleMessage(GMessage& msg) override;
  void WMLButtonDown(GMessage& msg) override;
  void WMLButtonUp(GMessage& msg) override;
  void WMLButtonDblClk(GMessage& msg) override;

  // ---- Find ----
  // Whether the box's text matches the find.
  int matchFound(TFindParams* params) const override;
  // On a match: notes in the token where the first match starts (one past its
  // offset in the text, 0 meaning none), selects the box (the others
  // deselected) and returns 0; otherwise 1.
  int firstMatch(TFindParams* params, SearchToken& token) override;
  // Only while the box is being edited: selects the next match in the edit
  // field after the one the token notes and returns 0; with none left, ends
  // the editing (unless it had begun before the find's first match) and
  // returns 1. A box not being edited returns 1.
  int nextMatch(TFindParams* params, SearchToken& token);

  bool invariantsHold() const override;

 private:
  // Puts the text block on the box's face (and the edit field over it).
  void layoutBlock();
  // Ends a press that this box handles itself instead of as a click.
  void endPress();

  std::unique_ptr<ScrolledBoxedTextBlock> block_;
  bool editingBeforeFind_ = false;  // editing had begun when the find's first match was shown
};

#endif  // GRAPHICS_TEXT_BOX_H
