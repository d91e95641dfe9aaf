// A graphic the user handles with the mouse: it is selected by a click (with
// the control key the others stay selected), dragged (with the rest of the
// selection), resized by its handles and used as the start of a rubber band.
//
// Interaction states:
//   idle         nothing held
//   pressed      MouseDown set, the mouse captured for it
//   dragging     Dragging, FastPaint and Busy set; the first move after the
//                press only sets Moved, the later ones move it
//   resizing     inside resize(): a modal loop until the left button goes up
//   rubber band  inside rubberBand(): a modal loop until the left button goes up
// A press and release without a drag is a click and toggles the selection; a
// drag ends on the release or on cancelDrag. The modal loops take the mouse
// messages themselves and dispatch every other message.
//
// Sounds (played only when the window's sounds option is on): "NXSELECT.WAV"
// and "NXDESEL.WAV" for clicks, "NXMOVING.WAV" for each move of a drag after
// the first, "NXDROP.WAV" when it ends, "NXRESIZE.WAV" for each change of size,
// "NXHIT.WAV" and "NXHITHND.WAV" when hitTest and hitHandle find the point,
// "NXELAST.WAV" for each move of the rubber band.
#ifndef GRAPHICS_SENSITIVE_GRAPHIC_H
#define GRAPHICS_SENSITIVE_GRAPHIC_H

#include "graphics/relationable_graphic.h"
#include "platform/win/menu.h"

class SensitiveGraphic : public RelationableGraphic {
 public:
  // How long the modal loops wait between auto-scroll steps (message clock).
  static constexpr DWORD AutoScrollPeriod = 250;

  explicit SensitiveGraphic(VisualGraphic* render, LONG id = 0) : RelationableGraphic(render), id_(id) {}
  ~SensitiveGraphic() override;

  // Draws a line from the centre to the mouse until the left button goes up;
  // returns the graphic under the release point, or null.
  virtual SensitiveGraphic* rubberBand();
  virtual int CanClose() { return 1; }
  virtual void releaseMouse();
  virtual LONG id() const { return id_; }
  virtual void setId(LONG id) { id_ = id; }
  virtual void WMLButtonDown(GMessage& msg);
  virtual void WMLButtonUp(GMessage& msg);
  virtual void WMLButtonDblClk(GMessage& msg);
  virtual void WMRButtonDown(GMessage& msg);
  virtual void WMRButtonUp(GMessage& msg);
  virtual void popupAt(GMessage& msg);
  virtual void WMRButtonDblClk(GMessage& msg);
  virtual void WMMouseMove(GMessage& msg);
  virtual void cancelDrag();
  virtual void WMMouseEnter(GMessage& msg);
  virtual void WMMouseExit(GMessage& msg);
  // The handle at logical (x, y) as a join point value, or 0.
  virtual int hitHandle(int x, int y);
  // Resizes by `handle` until the left button goes up; 1 when refused.
  virtual int resize(joinPoint handle);
  virtual void setAutoSize(HDC hdc) = 0;
  // Whether the logical point (packed) hits the graphic or one of its handles.
  virtual bool hitTest(LONG point);
  // A new popup menu for the graphic (destroyed by the caller), or null.
  virtual HMENU createPopup() = 0;
  // Shows the popup at the screen point.
  virtual void trackPopup(int x, int y, int flag);
  virtual void updateCursor(int x, int y);
  virtual HCURSOR getCursor(POINT p);
  // The area outside which hitTest never answers yes: the rectangle with its
  // right and bottom edges (where handles still hit).
  virtual void hitBounds(RECT& r) const;

 protected:
  void playIfSounds(const char* file) const;
  // A message's position in logical units.
  POINT logicalPoint(const GMessage& msg) const;

 private:
  LONG id_;
  POINT dragOffset_ = {0, 0};
  POINT start_ = {0, 0};
  RECT repaintArea_ = {0, 0, 0, 0};
};

#endif  // GRAPHICS_SENSITIVE_GRAPHIC_H
