// An annotation: a free object the user puts on a page beside the idea symbols
// (a text box, a pen stroke or group, an embedded object). It is a sensitive
// graphic drawn by a bevelled box, its shape, which holds its rectangle; the box
// can be hidden, each edge can be stretched to the window's edge, and the
// annotation can be tethered to idea symbols (its relations are the tethers, it
// is their from end). It brings the context menu every annotation shares, and
// the common half of saving and loading: the box and the ids of the symbols it
// is tethered to.
//
// Style bits of the flags word that annotations read:
//   0x1      contents not drawn, only the box (set in fast paint)
//   0x40     a click does not start editing (set while dragging)
//   0x2000   box hidden ("&Show Box" unchecked)
//   0x10000  stretched to the window's left edge   (the four "&Maximize"
//   0x20000  ... top edge                            items)
//   0x40000  ... right edge
//   0x80000  ... bottom edge
// What is saved and restored of the flags is masked with 0x000F3E06.
//
// Context menu, in order (command numbers in decimal):
//   "Push to &Back" 333; "&Show Box" 275, checked while the box is shown;
//   "&Delete\tDel" 229; "&Maximize" with "&All sides" 335 (checked when all
//   four stretch bits are set), "&Left" 336, "&Top" 337, "&Right" 338,
//   "&Bottom" 339 (each checked with its bit); "(Un)&Tether to\tShift+Left" 222.
//
// Sounds, when the window's sounds option is on: "NXNEWANO.WAV" when one is
// made (if its maker asks for it), "NXDELANO.WAV" when one goes.
//
// Invariants (checked by invariantsHold):
// 1. The render is a Shape; it holds the annotation's rectangle.
// 2. Every relation whose from end is the annotation is a tether to a graphic
//    of the same window, and no two tethers have the same other end.
#ifndef GRAPHICS_ANNOTATION_H
#define GRAPHICS_ANNOTATION_H

#include <vector>

#include "graphics/sensitive_graphic.h"
#include "graphics/shape.h"

class KMEsrap;
class TetherRelation;

class Annotation : public SensitiveGraphic {
 public:
  static constexpr COLORREF BoxGrey = 0x606060;
  static constexpr int DefaultWidth = 200;
  static constexpr int DefaultHeight = 80;
  static constexpr DWORD SavedFlagsMask = 0x000F3E06;

  // An object id for an annotation read without one: the page's next, or one
  // more than the highest on a window that is not a page.
  static LONG freshId(GraphicWindow* window);
  static constexpr DWORD ContentsHidden = FastPaint;
  static constexpr DWORD NoClickEdit = Dragging;
  static constexpr DWORD StretchMask = WindowEdgeMask;

  // Commands (the key-state word of the GMessage handleMessage gets).
  enum Command : int {
    CmTether = 222,
    CmDelete = 229,
    CmShowBox = 275,
    CmDeleteObjects = 318,
    CmPushToBack = 333,
    CmMaximizeAll = 335,
    CmMaximizeLeft = 336,
    CmMaximizeTop = 337,
    CmMaximizeRight = 338,
    CmMaximizeBottom = 339,
    CmDeleteKey = 24326,
  };

  // The box (x, y, x + 200, y + 80).
  Annotation(GraphicWindow* window, LONG id, int x, int y, int playSound);
  Annotation(GraphicWindow* window, LONG id, int left, int top, int right, int bottom, int playSound);
  ~Annotation() override;

  // Takes `shape` (owned from now on) as the box: it gets the old one's
  // rectangle, flags and window; the old one is destroyed. Null changes nothing.
  virtual void setShape(Shape* shape);
  // The box, or null.
  Shape* shape() const;

  // Tethers the annotation to `target` (an idea symbol of the same window);
  // the tether already there when there is one; null when refused.
  virtual TetherRelation* linkTo(SensitiveGraphic* target);
  // Re-creates the tethers from saved ids: each id is looked up among the
  // window's idea symbols; an id that names none is handed to the page
  // (ViewNode::queueTether: a page still being read may define it later) and
  // skipped here. Returns the number of tethers made. The work is bounded by
  // count plus the window's graphics.
  virtual int linkTo(const LONG* ids, int count);
  // Removes the tether to `target`; false when there is none.
  virtual bool untether(SensitiveGraphic* target);
  // The tether to `target`, or null.
  TetherRelation* tetherTo(const Graphic* target) const;
  // The stored box and the ids of every graphic the annotation is related to,
  // in the order the relations were made.
  virtual void getSaveDetails(RECT& box, std::vector<LONG>& ids) const;
  // Writes the annotation record; the writer's result. An annotation kind
  // that has no record writes nothing.
  virtual LONG saveOn(KMEsrap& w);
  // Run before a command that the window carries out (deletion).
  virtual void preCommand(GMessage&) {}
  LONG HashValue() const { return id(); }

  void draw(TDC& dc, int force) override;
  HMENU createPopup() override;
  // The commands of the menu; a command the window carries out (229, 318,
  // 24326) leaves msg.result at 1, every other handled one sets it to 0.
  void handleMessage(GMessage& msg) override;
  // Over a handle of a selected annotation a sizing cursor, else the move cursor.
  HCURSOR getCursor(POINT p) override;
  // With a stretch bit set, lays the annotation out again in the new client area.
  void clientRectResized(RECT& client) override;
  void setAutoSize(HDC) override {}

  bool boxHidden() const { return (state() & BoxHidden) != 0; }
  // The invariants above.
  virtual bool invariantsHold() const;
  void classInvarient(const char* file, int line) const override;

 protected:
  // The last step of making a box from its map-text record: drawn on `hdc`
  // when there is one, else laid out at the next paint; a window that was not
  // modified before (`wasModified` 0) is left unmodified.
  void showMade(GraphicWindow* window, HDC hdc, int wasModified);
  // Lays the annotation out on the window's context (when it has one).
  void relayout();
  // Invalidates, changes the flags, lays out, invalidates and marks the page
  // modified: the saved style changed.
  void restyle(DWORD set, DWORD clear);
  // Picks an idea symbol with the rubber band and ties or unties it.
  void tetherByRubberBand();
};

#endif  // GRAPHICS_ANNOTATION_H
