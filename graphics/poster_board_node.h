// The poster board: the page window that holds, besides idea symbols and
// links, the annotations (text boxes, pen strokes and pen groups). It reads a
// whole page from its body stream and ties the annotations to the objects
// they are tethered to, writes the page back, copies, cuts and pastes through
// the clipboard, captures pen strokes and hands them to its pen grouper,
// groups and ungroups, and starts a new idea symbol when the user simply
// types on it. The plug-in's page window (OrvaneNode) derives from it.
//
// Reading a page (PosterBoardNodeInit, or readBody for a board already made):
// the body's records become symbols, link boxes and annotations; a tether
// id of an annotation that names no idea symbol read so far is queued
// (queueTether, the first such id per annotation) and tied once the whole
// body is read (instantiateQueuedTethers) to the object with that id that
// takes a tether (an idea symbol, else a link box). Then the page counts as
// unchanged, and a
// page with a reference whose stored title (the map text's name) is empty
// takes the reference name; a different one is reported:
//   'E' "parse->readFile(): %s\n"            the body does not read (the
//                                             records read so far stay)
//   'W' "Can't instantiate queued Tether from object id 0x%hx to object id 0x%hx"
//   'W' "Stored title (\"%s\") is not the same as reference name (\"%s\")"
//
// Annotation records by kind letter: 'g' pen group, 'p' pen stroke, 't' text
// box; any other letter is skipped (the record gives -1) and the reading goes
// on. Embedded objects ('o') are not built (yet): they are skipped likewise.
//
// Pen-grouping settings, read from the profile section "Tavix: Netscape
// Plugin" when the board is made:
//   KEY                 DEFAULT  USE
//   "TavixPenGrouping"  1        0: idle threshold 0 (grouping by time off),
//                                and nothing else is read or set
//   "WritingSpeed"      1000     the grouper's idle threshold (ms)
//   "CharacterSpacing"  2        the grouper's distance factor; its minimum
//                                distance is 100 / CharacterSpacing (0 is
//                                taken as 1)
//
// The pen: on a board whose page is writable, a left press over no graphic
// draws a stroke (the graphic window's pen hooks; a press on a graphic, a
// stroke's box included, is the graphic's; a press while a symbol's name is
// typed in only ends the typing): up to MaxPenPoints points,
// the press and then every mouse move for the board that differs from the
// point before, until the button is released or pressed again. A single
// point becomes two (the point and the point + (1, 1)); the stroke's box is
// the recorded points' bounds grown by 6 to the left and top and 7 to the
// right and bottom (13 x 13 for a click). While grouping is on the stroke
// goes to the pen grouper with the time its drawing began; the board's idle
// work (IdleAction) lets the grouper group strokes after a pause.
//
// Commands (decimal; "lock": held back by the page window's modification lock):
//   249    New Text Box (then editing it), lock
//   257    New Embedded Object: always disabled (no embedded objects yet)
//   313    Group (CMGroup), lock        314  Ungroup (CMUngroup), lock
//   24322  Cut, lock    24323  Copy    24324  Paste, lock
// The right-button menu over empty space: "&Insert Idea Symbol" (the page
// window's menu), "New &Text Box", "New Embedded &Object..." (grayed).
//
// Grouping is offered by the selection:
//   canGroupPen            two or more selected, every one a pen stroke or group
//   canGroupMasterSlave    exactly one pen object and one idea symbol selected
//   canUngroupGroup        exactly one selected, a pen group
//   canUngroupMasterSlave  exactly one selected, an idea symbol
// Group does the first form that is possible (pen objects into a new group,
// else the pen object becomes the symbol's slave); Ungroup likewise (the
// group's members back on the board, else the symbol lets its slave go).
//
// Paste walks the clipboard's formats in order and takes the first it knows:
// plain or OEM text (a new text box with it), or "TavixOrvaneNode" (the map
// text of copied objects, read with fresh ids and placed at the paste offset:
// 8 more right and down while the first pasted object's box, so moved, is
// exactly that of a graphic on the board, at most 10 times). Reports:
//   'E' "Cannot currently paste native Tavix objects larger than %d bytes, object size=%lu"
//   'E' "Internal error... PosterBoardNode::CMEditPaste: failed to attach new stream"
//   'E' "Internal error... PosterBoardNode::CMEditPaste %s\n"
// Saving (save): 'E' "PosterBoardNode::save: Cannot save to a non-open or
// closed stream" (-1), 'E' "PosterBoardNode::save: failed to save node,
// status = %d".
//
// States of the pen: idle, drawing (inside doPenClick: the board holds the
// mouse, the stroke pen is selected into the lent device context), and back
// to idle in penClickWrapup.
#ifndef GRAPHICS_POSTER_BOARD_NODE_H
#define GRAPHICS_POSTER_BOARD_NODE_H

#include <iosfwd>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "graphics/pen_grouper.h"
#include "graphics/pen_grouping_board.h"
#include "graphics/view_node.h"

class Annotation;
class GroupAnnotation;
class NodeGNode;
class PenStroke;
class PenThing;
class TextBox;

class PosterBoardNode : public ViewNode, public PenGroupingBoard {
 public:
  static constexpr const char* ProfileSection = "Tavix: Netscape Plugin";
  static constexpr const char* AcceleratorResource = "FileCommands";
  static constexpr int MaxPenPoints = 1000;
  // The longest name typing on the board starts a symbol with.
  static constexpr UINT MaxTypedName = 255;
  // Native objects of this size or more are not pasted.
  static constexpr unsigned long MaxPasteSize = 0x80000000ul;

  enum Command : UINT {
    CmNewTextBox = 249,
    CmNewOLEBox = 257,
    CmGroup = 313,
    CmUngroup = 314,
    CmEditCut = 24322,
    CmEditCopy = 24323,
    CmEditPaste = 24324,
  };

  // A board for `node` (owned from now on; null: "A Title", no page) with an
  // empty page.
  PosterBoardNode(TWindow* parent, Node* node, Nexil& app, TModule* module = nullptr);
  // The same, with the page read from `body` (null or at its end: empty).
  // The stream stays attached (the board saves onto it) and stays the caller's.
  PosterBoardNode(std::iostream* body, TWindow* parent, Node* node, Nexil& app, TModule* module = nullptr);
  ~PosterBoardNode() override;

  // The board's set-up before its first reading: pen fields, the pen-grouping
  // settings, the accelerators; then readBody(body).
  void PosterBoardNodeInit(std::iostream* body);
  // Reads the page from `body` (null or at its end: nothing) as
  // PosterBoardNodeInit does, steps 2 to 4. Returns the parser's status.
  LONG readBody(std::iostream* body);
  // Why the last reading failed (the parser's error text), or empty.
  const std::string& readError() const { return readError_; }

  // ---- The page's map text ----
  int CMAnnotation(KM_Annotation& record) override;
  void queueTether(Annotation* a, LONG id) override;
  void instantiateQueuedTethers();
  // Writes the whole page on `w` (whose output is open): header, concept map,
  // every graphic. The header's status.
  virtual LONG saveOn(KMEsrap& w);
  // Writes the page onto the attached body stream from its start.
  int save() override;
  // True when the page holds only the symbol set-up gave it and is unchanged.
  bool isEmpty() override;
  bool autoSymbol() const { return autoSymbol_; }

  // ---- New annotations ----
  // A text box at the last click, added, drawn; the page marked modified.
  virtual TextBox* newTextBox();
  // newTextBox, then editing it.
  virtual TextBox* CMNewTextBox();
  HMENU createPopup() override;

  // ---- The clipboard ----
  virtual void CMEditCopy();
  virtual void CMEditCut();
  virtual void CMEditPaste();
  // Whether a native block of `size` bytes can be pasted (reported if not).
  bool pasteSizeOk(unsigned long size);
  // Where pasted objects go, relative to where they were copied from, judged
  // by the first of them (see above).
  virtual POINT getPasteOffset(Graphic* first, HDC hdc);
  // `g`'s box moved by `offset` is exactly the box of a graphic on the board.
  virtual bool foundSameRectangle(Graphic* g, POINT offset);
  void deleteObjects() override;

  // ---- Grouping ----
  virtual void CMGroup();
  virtual void CMUngroup();
  bool canGroupPen() const;
  bool canGroupMasterSlave() const;
  bool canUngroupGroup() const;
  bool canUngroupMasterSlave() const;
  virtual GroupAnnotation* GroupPen();
  virtual bool GroupMasterSlave();
  virtual bool UngroupGroup();
  virtual bool UngroupMasterSlave();
  // The page's attributes "Pen" or "Group": a pen stroke or group made from
  // the attribute's value, to be carried by the symbol for `ref`; else null.
  GNodeSlave* checkCreateSlave(NodeRef* ref) override;

  // ---- The pen ----
  bool penClickWanted(UINT keys, const TPoint& p) override;
  void penClickSetup() override;
  void doPenClick(const TPoint& p) override;
  void penClickWrapup() override;
  // The pen tool is chosen elsewhere: these do nothing.
  void setPointer() {}
  void setPen() {}
  void setHighlighter() {}
  PenGrouper& penGrouper() { return *penGrouper_; }
  bool groupingOn() const { return groupingOn_; }
  void setGroupingOn(bool on) { groupingOn_ = on; }
  COLORREF penColour() const { return penColour_; }
  void setPenColour(COLORREF c) { penColour_ = c; }
  int penWidth() const { return penWidth_; }
  void setPenWidth(int w) { penWidth_ = w; }
  // The points of the stroke being drawn (logical units).
  const std::vector<POINT>& strokePoints() const { return strokePoints_; }
  // The message clock when the board last heard a left press.
  DWORD lastPressTime() const { return lastPressTime_; }

  // ---- PenGroupingBoard ----
  GraphicWindow* boardWindow() override { return this; }
  void beginChange() override;
  LONG newObjectId() override { return ViewNode::newObjectId(); }
  void addAnnotation(Annotation* a) override;
  void removeAnnotation(Annotation* a) override;
  void select(Annotation* a) override;
  void setModified(int flag) override { ViewNode::setModified(flag); }
  DWORD tickCount() override;

  // ---- The window ----
  // The children's idle work and, while grouping is on, the grouper's.
  bool IdleAction(long idleCount) override;
  bool PreProcessMsg(MSG& msg) override;
  // Enlarges `p` (and the page extent) to take in every child window that is
  // neither maximised nor minimised.
  virtual void getSize(POINT& p);
  // Keeps the visible and clip-children bits of the style, adds `style`.
  void SetStyle(DWORD style);
  void SetupWindow() override;
  void EvChar(UINT key, UINT repeatCount, UINT flags) override;
  void EvLButtonDown(UINT keys, TPoint& p) override;
  void EvSize(UINT sizeType, TSize& size) override;
  LRESULT EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) override;
  void EvCommandEnable(TCommandEnabler& enabler) override;
  void removeNode(Graphic* g) override;
  void destroyAllGraphics() override;

 private:
  // Steps 1 of the set-up: fields, node, settings, accelerators.
  void setUpBoard();
  void readPenSettings();
  // The selected sensitive graphics, in list order.
  std::vector<SensitiveGraphic*> selection() const;
  // The pen part of `g` when it is a pen stroke or group, else null.
  static PenThing* penPart(Graphic* g);
  // Reads a native clipboard block into the board; the graphics made.
  std::vector<SensitiveGraphic*> pasteNative(const char* text, std::size_t length);
  // Puts pasted graphics at the paste offset, selected and drawn.
  void placePasted(const std::vector<SensitiveGraphic*>& pasted);
  TextBox* newTextBoxWith(const char* text);

  std::unique_ptr<PenGrouper> penGrouper_;
  COLORREF penColour_ = 0;
  int penWidth_ = 1;
  COLORREF strokeColour_ = 0;
  int strokeWidth_ = 1;
  bool groupingOn_ = true;
  bool autoSymbol_ = false;
  // While reading: annotation -> the object it is tethered to, the first
  // per annotation, in the order they were queued.
  std::unique_ptr<std::vector<std::pair<Annotation*, LONG>>> tetherQueue_;
  std::unordered_set<const Annotation*> queued_;
  std::string readError_;
  DWORD strokeStartTime_ = 0;
  DWORD lastPressTime_ = 0;
  // The stroke being drawn.
  std::vector<POINT> strokePoints_;
  // The strokes handed to the grouper, by the address of the graphic, so
  // that one being destroyed is let go without being asked what it is.
  std::unordered_map<const Graphic*, PenThing*> handedStrokes_;
  HDC penDC_ = nullptr;
  HPEN strokePen_ = nullptr;
  HGDIOBJ oldPen_ = nullptr;
};

#endif  // GRAPHICS_POSTER_BOARD_NODE_H
