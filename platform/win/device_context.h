// A device context: the drawing state of one surface (a window's client area,
// the whole screen, a metafile, a printer page) and the conversion from logical
// to device coordinates. Every primitive is converted here, with Windows'
// rounding, and recorded as a command in the surface's display list; the list
// never sees logical coordinates.
//
// Mapping: device = round(logical * viewportExt / windowExt + viewportOrg
// - windowOrg * viewportExt / windowExt), where round(v) is floor(v + 0.5), and
// the inverse for device to logical. MM_TEXT is one to one; the metric and
// English modes follow the device size; MM_ISOTROPIC shrinks the larger viewport
// scale so that both axes have the same scale; MM_ANISOTROPIC takes the extents
// as given. Extents of 0 are refused.
//
// A metafile context records in its own logical units: its conversions are one
// to one, and the mapping calls made on it (mode, window and viewport origins and
// extents, saves and restores) are recorded in order, so that PlayMetaFile makes
// them on the target as Windows does. The usual picture sets an anisotropic
// mapping whose window is the area drawn; the player sets the viewport to the
// rectangle the picture is to fill, and the metafile's window maps into it.
// Lengths are recorded in logical units too (a pen's width, 0 for a one-pixel
// pen; a font's em; a corner) and scaled when played.
#ifndef PLATFORM_DEVICE_CONTEXT_H
#define PLATFORM_DEVICE_CONTEXT_H

#include <memory>
#include <vector>

#include "platform/win/bitmap.h"
#include "platform/win/display_list.h"
#include "platform/win/region.h"
#include "platform/win/windows_gdi.h"

class DeviceContext {
 public:
  enum class Kind { Window, Paint, Screen, Metafile, Printer, Memory };

  struct State {
    int mapMode = MM_TEXT;
    POINT windowOrg = {0, 0};
    POINT viewportOrg = {0, 0};
    SIZE windowExt = {1, 1};
    SIZE viewportExt = {1, 1};
    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr;
    int rop = R2_COPYPEN;
    int bkMode = OPAQUE;
    COLORREF bkColor = 0xFFFFFF;
    COLORREF textColor = 0;
    UINT textAlign = TA_LEFT | TA_TOP;
    int polyFillMode = ALTERNATE;
    POINT position = {0, 0};
    HBITMAP bitmap = nullptr;  // a memory context's bitmap
    int stretchMode = BLACKONWHITE;
  };

  // Device sizes: pixels, millimetres and pixels per inch.
  struct Caps {
    int technology = DT_RASDISPLAY;
    int width = 1024;
    int height = 768;
    int widthMm = 271;
    int heightMm = 203;
    int dpi = 96;
  };

  // The screen's sizes (at 96 pixels per inch).
  static Caps screenCaps();
  // The surface of a metafile context: no edges of its own, it records whatever is drawn.
  static RECT metafileSurface();

  DeviceContext(Kind kind, HWND hwnd, DisplayList* target, const RECT& clip, const Caps& caps);
  ~DeviceContext();
  DeviceContext(const DeviceContext&) = delete;
  DeviceContext& operator=(const DeviceContext&) = delete;

  Kind kind() const { return kind_; }
  HWND window() const { return hwnd_; }
  State& state() { return state_; }
  const Caps& caps() const { return caps_; }
  DisplayList* target() { return target_; }
  void setTarget(DisplayList* target) { target_ = target; }
  // The clip: a box, and when a clip region is selected that is not one
  // rectangle, the region's rectangles inside the box (device units). SaveDC
  // and RestoreDC keep and give it back, as on Windows.
  const RECT& clip() const { return clip_; }
  const std::shared_ptr<const std::vector<RECT>>& clipRects() const { return clipRects_; }
  void setClip(const RECT& clip) {
    clip_ = clip;
    clipRects_.reset();
  }
  // The clip as a region.
  Region clipRegion() const;
  // Clips to `region` within the surface (null: the whole surface); the result's kind.
  int selectClipRegion(const Region* region);
  // Narrows the clip to a device rectangle; the result's kind.
  int intersectClip(const RECT& r);
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int clipKind() const;
  // The whole drawable surface (the clip a context starts with).
  const RECT& surface() const { return surface_; }
  // Lists a metafile or printer context owns (metafile: one; printer: one per page).
  std::vector<std::unique_ptr<DisplayList>>& ownedLists() { return owned_; }

  // ---- Mapping ----
  // Whether this context records in logical units (a metafile).
  bool recordsLogical() const { return kind_ == Kind::Metafile; }
  int setMapMode(int mode);
  void setWindowOrg(int x, int y);
  void setViewportOrg(int x, int y);
  bool setWindowExt(int x, int y);
  bool setViewportExt(int x, int y);
  POINT toDevice(POINT logical) const;
  POINT toLogical(POINT device) const;
  // A length along x (or y) in device pixels, at least 1 for a non-zero length.
  int lengthToDevice(int logical, bool vertical) const;
  int lengthToLogical(int device, bool vertical) const;

  // ---- Selection ----
  HGDIOBJ select(HGDIOBJ object);
  int save();
  bool restore(int saved);

  // ---- Drawing (logical coordinates) ----
  void figure(DrawOp op, int l, int t, int r, int b, int cw, int ch);
  void poly(DrawOp op, const POINT* points, int count);
  void fillRect(const RECT& r, HBRUSH brush, int rop);
  void focusRect(const RECT& r);
  // Fills a region (device units) with a brush and a raster operation.
  void fillRegion(const Region& region, const BrushSpec& brush, int rop);
  bool textOut(int x, int y, const char* text, int length);
  // The font in device terms.
  FontSpec deviceFont() const;
  bool textExtent(const char* text, int length, SIZE* size) const;
  TEXTMETRIC textMetrics() const;
  // Adds a command with the context's clip (narrowed to `within` when given).
  void record(DrawCommand c, const RECT* within = nullptr);
  // Adds a command clipped to the context's clip and `within`; the command's box
  // becomes the result's box when `fitRect`. Nothing is drawn when nothing is left.
  void recordWithin(DrawCommand c, const Region& within, bool fitRect);
  // Plays a metafile's commands (in its logical units) through this context's mapping.
  void play(const DisplayList& metafile);
  // The context's pixels as a bitmap, for BitBlt's source: a memory context's
  // bitmap, what a window or the screen shows, a printer's page; null for a
  // metafile.
  std::shared_ptr<const Bitmap> snapshot() const;
  PenSpec currentPen() const;
  BrushSpec currentBrush() const;
  // Lays out a text command whose text and font are set: the advances, the box
  // and the baseline for reference point `p` (device) and alignment `align`.
  static void placeText(DrawCommand& c, POINT p, UINT align);

 private:
  void fixIsotropic();
  RECT deviceRect(int l, int t, int r, int b) const;
  // A metafile records each mapping call; other contexts ignore this.
  void recordMapping(MappingCall call, int x, int y);
  // Sets the clip from rectangles (bands of a region).
  void setClipRects(std::vector<RECT> rects);
  // Hands a finished command to the surface's list.
  void add(DrawCommand c);

  Kind kind_;
  HWND hwnd_;
  DisplayList* target_;  // not owned unless it is one of owned_
  RECT clip_;
  std::shared_ptr<const std::vector<RECT>> clipRects_;
  RECT surface_;
  Caps caps_;
  State state_;
  struct SavedClip {
    RECT box;
    std::shared_ptr<const std::vector<RECT>> rects;
  };
  std::vector<State> saved_;
  std::vector<SavedClip> savedClips_;
  std::vector<std::unique_ptr<DisplayList>> owned_;
};

// The device context behind a handle, or null for an unknown handle.
DeviceContext* findDeviceContext(HDC hdc);
// Makes a context and gives it a handle from the contexts' band (0x80000 to
// 0xBFFFC, see handle_band.h); the table owns it until DeleteDC or ReleaseDC.
// Null, and the context dropped, when every handle of the band is taken.
HDC registerDeviceContext(std::unique_ptr<DeviceContext> dc);
// Deletes the context behind a handle; false for an unknown handle.
bool unregisterDeviceContext(HDC hdc);
// A context for a window's client area (the whole screen for null or the
// desktop), clipped to `clip` when given; null for an unknown window.
HDC windowDeviceContext(HWND hwnd, DeviceContext::Kind kind, const RECT* clip);

// The pages a printer context has drawn (StartPage begins one), for the printer
// framework; null for another kind of context.
const std::vector<std::unique_ptr<DisplayList>>* printedPages(HDC hdc);
int StartPage(HDC hdc);
int EndPage(HDC hdc);
// The display list of a metafile handle, or null.
const DisplayList* metafileList(HMETAFILE mf);

#endif  // PLATFORM_DEVICE_CONTEXT_H
