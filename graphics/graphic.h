// The root of everything shown on a page. A graphic has a paint layer (lower
// layers are drawn first, higher ones hit first), a 32-bit flags word (kept by
// the visual graphic that draws it), a rectangle in the window's logical units,
// and the operations through which its window paints it, routes the mouse to it
// and moves it.
//
// Flags word (bits and whether they are saved with the page):
//   0x1      FastPaint       drawn as an inverted outline while dragged      no
//   0x2      Hidden          erased; draw clears it                          yes
//   0x4      Computed        layout computed; screen and metafile skip it    yes
//   0x8      Marked          visited mark of link expansion                  no
//   0x10     MouseDown       the left button went down on it, it has capture no
//   0x20     Selected                                                        no
//   0x40     Dragging                                                        no
//   0x80     Busy            re-entrancy guard while it notifies others      no
//   0x100    Moved           a mouse move arrived since the button went down no
//   0x200    FixedSize       sized by the user, not by its label             yes
//   0x400    NoResize        no resizing with the mouse; hollow handles      yes
//   0x800    NoEdgeResize    mid-edge handles inactive (hollow)              yes
//   0x1000   Shadow          drop shadow 4 units right and down              yes
//   0x2000   BoxHidden       an annotation's box is not drawn                yes
//   0x4000   Highlighted     yellow halo, raised to layer 0xFE               no
//   0x8000   Dotted          outline dotted (placeholders)                   no
//   0x10000  LeftToWindow    the left edge follows the client area           yes
//   0x20000  TopToWindow                                                     yes
//   0x40000  RightToWindow                                                   yes
//   0x80000  BottomToWindow                                                  yes
// SavedStateMask (0xF3E06) is what map text carries; WindowEdgeMask (0xF0000)
// the four edge bits.
//
// A join point names a point of the rectangle: one horizontal bit (0x1 left,
// 0x2 centre, 0x4 right) and one vertical bit (0x8 top, 0x10 middle, 0x20
// bottom); 0x12 is the centre, which is never a handle.
//
// Coordinates are kept within +-kCoordinateLimit (2^24 - 1) by every visual
// graphic, so that widths, centres, halos and offsets computed from them, and
// their device coordinates at the largest zoom, never overflow 32 bits.
//
// REQUIRES: all operations run on the window's thread.
#ifndef GRAPHICS_GRAPHIC_H
#define GRAPHICS_GRAPHIC_H

#include <cstdint>

#include "graphics/g_message.h"
#include "platform/owl/t_dc.h"
#include "platform/owl/t_rect.h"
#include "platform/windows_types.h"

class GraphicWindow;

class Graphic {
 public:
  enum StateBits : DWORD {
    FastPaint = 0x1,
    Hidden = 0x2,
    Computed = 0x4,
    Marked = 0x8,
    MouseDown = 0x10,
    Selected = 0x20,
    Dragging = 0x40,
    Busy = 0x80,
    Moved = 0x100,
    FixedSize = 0x200,
    NoResize = 0x400,
    NoEdgeResize = 0x800,
    Shadow = 0x1000,
    BoxHidden = 0x2000,
    Highlighted = 0x4000,
    Dotted = 0x8000,
    LeftToWindow = 0x10000,
    TopToWindow = 0x20000,
    RightToWindow = 0x40000,
    BottomToWindow = 0x80000,
  };
  static constexpr DWORD SavedStateMask = 0xF3E06;
  static constexpr DWORD WindowEdgeMask = 0xF0000;

  enum joinPoint {
    JoinLeft = 0x1,
    JoinCentre = 0x2,
    JoinRight = 0x4,
    JoinTop = 0x8,
    JoinMiddle = 0x10,
    JoinBottom = 0x20,
  };
  static constexpr int JoinHorizontalMask = 0x7;
  static constexpr int JoinVerticalMask = 0x38;

  static constexpr BYTE DefaultLayer = 0x80;
  static constexpr BYTE HighlightLayer = 0xFE;
  static constexpr BYTE UnpaintedLayer = 0xFF;
  // The side of a handle square.
  static constexpr int HandleSize = 8;
  static constexpr LONG kCoordinateLimit = 0x00FFFFFF;

  Graphic() = default;
  Graphic(const Graphic&) = delete;
  Graphic& operator=(const Graphic&) = delete;

  virtual void classInvarient(const char* file, int line) const;
  // Run after the graphic's own fast-paint and selection changes so that an
  // attached slave follows; nothing here.
  virtual void slaveSetFastPaint(int on, HDC hdc);
  virtual void slaveSetSelected(int on, int keepOthers);
  // Erases the graphic now through a context borrowed from its window.
  virtual void eraseNow();
  virtual ~Graphic();
  // Detaches and deletes the graphic; `this` is gone afterwards.
  virtual void destroy() = 0;
  // Removes the graphic from its page: erases and destroys it.
  virtual void eraseGraphic();
  virtual GraphicWindow* getParent() const = 0;
  virtual void setParent(GraphicWindow* parent) = 0;

  virtual void setState(DWORD bits) = 0;
  virtual void clearState(DWORD bits) = 0;
  virtual DWORD state() const = 0;
  virtual void assignState(DWORD value) = 0;

  virtual void draw(TDC& dc, int force) = 0;
  virtual void erase(HDC hdc) = 0;

  // 0 on success. `rect` applies window-bound edges, `rawRect` is the stored
  // rectangle, `boundingRect` the area painted (shadow and halo included).
  virtual int rect(RECT& r) const = 0;
  virtual int rawRect(RECT& r) const = 0;
  virtual int boundingRect(RECT& r) const;

  // Moves the rectangle's centre to (x, y).
  virtual void moveTo(int x, int y, HDC hdc) = 0;
  // moveTo of the centre plus (dx, dy); borrows a context when none is given.
  // Nothing happens without a parent or when both are 0.
  virtual void moveBy(int dx, int dy, HDC hdc);
  // A new region of the exact outline, owned by the caller.
  virtual HRGN setRegion() const;

  virtual void setFastPaint(int on, HDC hdc);
  virtual void setSelected(int on, int keepOthers);
  virtual void setHighlighted(int on, int quiet);
  virtual void setToNormalState();
  // Sets each colour whose pointer is not null and that differs; 1 when any
  // changed. A graphic without colours returns 0.
  virtual int setColor(DWORD* fill, DWORD* line, DWORD* text);
  virtual void setComputed(int on);
  virtual void setDotted(int on);
  virtual bool isSame(const Graphic* other) const { return other == this; }
  // The window's paint entry.
  virtual void Paint(TDC& dc, int flag, TRect& area);
  virtual void invalidate();
  virtual void refresh();
  virtual bool isHidden() const;
  virtual bool isSelected() const { return (state() & Selected) != 0; }
  virtual bool isHighlighted() const { return (state() & Highlighted) != 0; }
  virtual bool isFastPaint() const { return (state() & FastPaint) != 0; }
  virtual bool isMarked() const { return (state() & Marked) != 0; }
  // The point (packed, logical) lies in `rect` and in the outline region, and
  // the graphic is not hidden.
  virtual bool contains(LONG point) const;
  virtual bool intersects(const RECT* r) const;
  virtual bool rawIntersects(const RECT* r) const;
  // Moves down until no other graphic of the window overlaps.
  virtual void placeClear(int pushOthers);
  virtual void compute(TDC& dc);
  virtual void getJoinPoint(joinPoint jp, POINT& p) const;
  virtual void handleMessage(GMessage& msg);
  virtual void repaint(HDC hdc);
  // Brings the graphic back onto the page; returns 0.
  virtual int verify();
  virtual void setRect(RECT& r, HDC hdc) = 0;
  virtual bool isPaintable() const;
  virtual bool pasteEligible() const { return isSelected(); }
  virtual void clientRectResized(RECT& client);
  virtual BYTE paintLayer() const { return layer_; }
  virtual void setLayer(BYTE layer);
  // Restores the class's own layer.
  virtual void setPaintLayer() { setLayer(DefaultLayer); }

  // A counter that every change of a graphic's geometry, layer or window moves
  // on: caches over graphics (the window's hit index) compare it to know that
  // they must be rebuilt.
  static uint64_t geometryEpoch() { return epoch_; }

 protected:
  static void geometryChanged() { ++epoch_; }
  // Reports an invalid join point for `owner` ("Graphic", "LabledDiamond" ...)
  // and leaves the coordinate without a bit unchanged.
  static void plainJoinPoint(const char* owner, int jp, const RECT& r, POINT& p);

 private:
  BYTE layer_ = DefaultLayer;
  static uint64_t epoch_;
};

// Keeps a value within the coordinate limit.
inline LONG clampCoordinate(int64_t v) {
  if (v < -Graphic::kCoordinateLimit) return -Graphic::kCoordinateLimit;
  if (v > Graphic::kCoordinateLimit) return Graphic::kCoordinateLimit;
  return static_cast<LONG>(v);
}

#endif  // GRAPHICS_GRAPHIC_H
