// The window that holds and shows a page's graphics. It keeps two ordered lists
// (the sensitive graphics, which are hit-tested and painted, and the other
// graphics, the relations, which are only painted), paints them by layer,
// routes the mouse to the graphic under the pointer, lends its client device
// context with the page's zoom and scroll mapping, keeps the page extent and
// the scroll bars, snaps positions to a grid, draws the outline of a group
// drag, prints the page and puts it on the clipboard as a metafile.
//
// Mapping (logical to device on a raster display):
//   zoom z >= 1    device = logical * z / 100 - scroll position * 20
//   zoom z < 1     the page extent fitted isotropically into the client area
// The scroll unit is 20 device pixels; the scroll range is the page extent
// scaled by z / 100, in scroll units, so at most the zoomed page is scrolled.
//
// Device context lending: the first borrower gets the client context and the
// count becomes 1, later ones the same context; the last release gives it back.
// During a paint the paint context is the lent one.
//
// Options word:
//   0x02  colour drawing
//   0x04  restricted mode: only graphics eligible for the clipboard are drawn
//   0x08  copying to the clipboard
//   0x10  the left button went down in this window
//   0x20  set-up still pending
//
// The pen: a left press over no graphic is offered to the pen hooks
// (penClickWanted, then penClickSetup, doPenClick, penClickWrapup); the page
// windows that draw ink say yes (PosterBoardNode).
//
// Ownership: a graphic handed to addSNode or addNode belongs to the window
// from then on; destroyAllGraphics (also run by the destructor) destroys what
// the lists hold. removeNode hands a graphic back without destroying it.
#ifndef GRAPHICS_GRAPHIC_WINDOW_H
#define GRAPHICS_GRAPHIC_WINDOW_H

#include <memory>
#include <unordered_set>
#include <vector>

#include "graphics/g_message.h"
#include "graphics/graphic_hit_index.h"
#include "platform/owl/t_command_enabler.h"
#include "platform/owl/t_dc.h"
#include "platform/owl/t_printer.h"
#include "platform/owl/t_window.h"

class Graphic;
class SensitiveGraphic;

class GraphicWindow : public virtual TWindow {
 public:
  enum Options : WORD {
    ColourDrawing = 0x02,
    RestrictedMode = 0x04,
    CopyingToClipboard = 0x08,
    LeftButtonDown = 0x10,
    SetupPending = 0x20,
  };
  // The zoom commands: 50, 75, 100, 150 and 200 percent, zoom to fit (twice)
  // and the custom zoom prompt.
  enum ZoomCommand : UINT {
    CmZoom50 = 0xF0,
    CmZoom75 = 0xF1,
    CmZoom100 = 0xF2,
    CmZoom150 = 0xF3,
    CmZoom200 = 0xF4,
    CmZoomFit = 0xF5,
    CmZoomCustom = 0xF6,
    CmZoomFitPage = 0xF7,
  };
  static constexpr int ScrollUnit = 20;
  static constexpr int FitZoom = -1;

  typedef void (*GraphicCallback)(Graphic* g, void* arg);

  GraphicWindow(TWindow* parent, const char* title, TModule* module = nullptr);
  ~GraphicWindow() override;

  virtual void classInvarient(const char* file, int line) const;
  // Destroys every graphic of both lists.
  virtual void destroyAllGraphics();
  void SetupWindow() override;
  bool CanClose() override;
  virtual void incrementPaintCount() { ++paintCount_; }
  int paintCount() const { return paintCount_; }
  // Scales a paint area in device units to logical units: by 100 / zoom, or, to
  // fit, the whole coordinate range.
  virtual void zoomRect(RECT& r) const;
  // Sets `hdc`'s mapping for `zoom`, the scroll position (xOrg, yOrg; device
  // pixels) and, to fit (`fit` set), the page extent (xExt, yExt).
  virtual void setMapping(HDC hdc, int zoom, int xOrg, int yOrg, int xExt, int yExt, int fit);
  const char* GetClassName() override { return "GraphicWindow"; }
  void GetWindowClass(WNDCLASS& wc) override;
  virtual const char* getWindowIcon() { return nullptr; }

  // ---- Coordinates (through the lent context) ----
  virtual LONG deviceToLogical(LONG point);
  virtual LONG logicalToDevice(LONG point);
  virtual void deviceToLogical(RECT& r);
  virtual void logicalToDevice(RECT& r);
  virtual void deviceToLogical(POINT& p);
  virtual void logicalToDevice(POINT& p);
  virtual LONG screenToLogical(LONG point);
  virtual LONG logicalToScreen(LONG point);

  virtual HFONT font() const { return font_; }
  virtual int sounds() { return 0; }
  // The graphics font (not owned).
  virtual void setFont(HFONT f) { font_ = f; }
  // The printer (not owned).
  virtual void setPrinter(TPrinter* printer) { printer_ = printer; }
  virtual int isModified() = 0;
  virtual void setModified(int flag) = 0;
  virtual int colorMode() const { return (options_ & ColourDrawing) != 0; }
  virtual void setColorMode(int on);
  void Paint(TDC& dc, bool erase, TRect& area) override;

  // ---- Selection ----
  virtual void deselectAll();
  virtual void selectAll();
  virtual int selectedCount() const;
  virtual void unhighlightAllBut(Graphic* g);
  virtual void highlightAll();
  // The graphic under a mouse message's position, highest layer first; null
  // while a graphic holds the mouse or for other messages.
  virtual SensitiveGraphic* graphicAt(GMessage& msg);
  virtual void forEachOverlapping(const RECT* r, GraphicCallback callback, void* arg);
  virtual SensitiveGraphic* firstOverlapping(const RECT* r);
  virtual void captureMouse(SensitiveGraphic* g);
  virtual void releaseMouse(SensitiveGraphic* g);
  virtual void clearMarks();
  virtual void bringToFront(Graphic* g);
  virtual void sendToBack(Graphic* g);
  // Grows the page extent; updates the scroll bars when it changed.
  virtual void extendTo(int right, int bottom);
  virtual HDC getClientHDC();
  virtual void releaseClientHDC();
  // Hands the graphic to the window (see Ownership above).
  virtual void addSNode(SensitiveGraphic* g);
  virtual void addNode(Graphic* g);
  virtual void removeNode(Graphic* g);
  virtual void setClipBoardData();
  // Copies the page (or the selection) to the clipboard.
  virtual void copyToClipboard();
  virtual void pageExtent(POINT& p);
  virtual void startGroupDrag(int selectedOnly);
  virtual void endGroupDrag();
  virtual void toggleGroupOutline();
  // Moves the outline by a distance in device units.
  virtual void moveGroupOutline(POINT delta);
  virtual void setToNormalState();
  virtual void forEachGraphic(GraphicCallback callback, void* arg);
  virtual void setCursor();
  virtual int gridSize() { return 1; }
  virtual void snapToGrid(int& x, int& y);
  // Scrolls one step when the pointer is near an edge, at most every 250 ms;
  // true when it scrolled.
  virtual int autoScroll();
  virtual void setZoom(int percent);
  virtual int zoom() const { return zoom_; }
  // Returns whether the window's style changed.
  virtual int updateScrollBars(int recomputeExtent);
  virtual int drawingSuspended() const { return suspended_ != 0; }
  virtual void suspendDrawing() { suspended_ = 1; }
  virtual void resumeDrawing(int repaint);
  virtual bool isEmpty() { return sensitive_.empty() && others_.empty(); }
  virtual void deleteSelected();
  virtual int restrictedMode() const { return (options_ & RestrictedMode) != 0; }
  // Tracks `menu` for `g` at the screen point and hands the command chosen to
  // the graphic as a message; returns the command (0 for none).
  virtual UINT trackPopup(Graphic* g, HMENU menu, int x, int y, int flag);
  // Hands the command chosen in `g`'s popup to `g` (a page window also acts on
  // what the graphic leaves to it).
  virtual void popupCommand(Graphic* g, GMessage& msg);
  // Prints the page through the printer with its dialog.
  virtual void print();

  // ---- The pen ----
  // A left press over no graphic is a pen click when penClickWanted says so:
  // then penClickSetup, doPenClick (which takes the mouse until the stroke
  // ends: the button released or pressed again) and penClickWrapup run, and
  // the press is not handled otherwise. None is wanted here.
  virtual bool penClickWanted(UINT keys, const TPoint& p) {
    (void)keys;
    (void)p;
    return false;
  }
  virtual void penClickSetup() {}
  // `p`: the press, in device units.
  virtual void doPenClick(const TPoint& p) { (void)p; }
  virtual void penClickWrapup() {}

  // ---- Window messages ----
  void EvLButtonDown(UINT keys, TPoint& p) override;
  void EvLButtonUp(UINT keys, TPoint& p) override;
  void EvLButtonDblClk(UINT keys, TPoint& p) override;
  void EvRButtonDown(UINT keys, TPoint& p) override;
  void EvRButtonUp(UINT keys, TPoint& p) override;
  void EvRButtonDblClk(UINT keys, TPoint& p) override;
  void EvMouseMove(UINT keys, TPoint& p) override;
  void EvPaint() override;
  void EvSize(UINT sizeType, TSize& size) override;
  LRESULT EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) override;
  void EvCommandEnable(TCommandEnabler& enabler) override;

  // ---- For the graphics and the page ----
  const std::vector<SensitiveGraphic*>& sensitiveGraphics() const { return sensitive_; }
  const std::vector<Graphic*>& otherGraphics() const { return others_; }
  SensitiveGraphic* captureGraphic() const { return capture_; }
  WORD options() const { return options_; }
  const TRect* groupOutline() const { return outline_.get(); }
  int dcCount() const { return dcCount_; }
  GraphicHitIndex& hitIndex() { return hitIndex_; }
  // What the hit index must match: the lists, the view and the graphics' geometry.
  GraphicHitIndex::Key hitKey() const;

 protected:
  // Builds the message a graphic receives for a window message.
  GMessage makeMessage(UINT msg, UINT keys, const TPoint& p) const;
  // The handle under the pointer of a graphic, for enter and exit notices.
  int handleUnder(SensitiveGraphic* g, LONG logicalPoint);
  void setOption(WORD bit, bool on) { options_ = on ? (options_ | bit) : (options_ & ~bit); }
  // The custom zoom prompt.
  void customZoom();

  WORD options_ = SetupPending;

 private:
  // Recomputes every graphic of both lists with Computed cleared for the
  // duration, on `dc`.
  void recomputeAll(TDC& dc);
  void listChanged() { ++listVersion_; }

  std::vector<SensitiveGraphic*> sensitive_;  // owned (see above)
  std::vector<Graphic*> others_;              // owned (see above)
  // What each list holds, so that adding and removing need not search it:
  // a page of n graphics is built in O(n) and taken down in O(n).
  std::unordered_set<const Graphic*> inSensitive_, inOthers_;
  bool bulkRemoval_ = false;  // destroyAllGraphics is taking the lists down
  SensitiveGraphic* capture_ = nullptr;
  SensitiveGraphic* underMouse_ = nullptr;
  int underHandle_ = 0;
  LONG extentRight_ = 0;
  LONG extentBottom_ = 0;
  int16_t zoom_ = 100;
  int16_t dcCount_ = 0;
  HDC hdc_ = nullptr;
  bool ownsDC_ = false;
  HFONT font_ = nullptr;
  int32_t suspended_ = 1;
  int32_t paintCount_ = 0;
  std::unique_ptr<TRect> outline_;
  bool outlineShown_ = false;
  bool paintingWindow_ = false;
  double lastScaleX_ = 0;
  double lastScaleY_ = 0;
  LONG cachedRight_ = 0;
  LONG cachedBottom_ = 0;
  bool extentStale_ = true;
  int32_t busy_ = 0;
  bool doubleClick_ = false;
  DWORD lastAutoScroll_ = 0;
  bool autoScrolled_ = false;
  bool updatingBars_ = false;
  TPrinter* printer_ = nullptr;
  uint64_t listVersion_ = 0;
  GraphicHitIndex hitIndex_;
};

#endif  // GRAPHICS_GRAPHIC_WINDOW_H
