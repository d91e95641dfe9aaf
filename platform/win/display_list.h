// The display list: what a device context has drawn, in device coordinates, as a
// list of commands that renderers replay in order (a text dump for tests, SVG,
// PNG and PDF). Every window keeps one for its client area, the screen keeps one
// for what is drawn directly on it, and each metafile and printed page has its
// own. A metafile's list is in the metafile's logical units instead, with its
// mapping calls among the commands (see device_context.h). Replaying the list in order gives the picture a frame buffer would hold.
//
// Geometry follows Windows: a rectangle (l, t, r, b) covers the pixels l..r-1 and
// t..b-1; an outline is drawn with its pen centred on the pixel row and column
// just inside that box, except that an inside-frame pen stays wholly inside it;
// a figure drawn without a pen fills one pixel less to the right and bottom.
//
// Each figure keeps its raster operation exactly as set (SetROP2): its fill and
// its outline each combine their colour with the pixels under them as Windows
// defines the operation (R2_XORPEN: colour exclusive-or pixel, so a black pen
// changes nothing and a white one inverts; R2_NOTXORPEN: the complement of
// that; ...). Renderers replay it; see platform/render/render_style.h for what
// each renderer can express exactly.
//
// A region is filled as a fillrect of its box clipped to the region's rectangles.
//
// A full-surface opaque fill with copy, or a copied image covering the whole
// surface from inside its bitmap, drops everything drawn before it, so a window
// that is repainted with erasing (or from a bitmap drawn off screen) does not
// grow its list without bound.
// Inversions (R2_NOT, R2_XORPEN, R2_NOTXORPEN and focus rectangles: each an
// exclusive-or with a constant) commute with each other and undo themselves, so
// whenever the list has grown past a threshold, two
// equal inversions within one unbroken run of inversions are both dropped: the
// outlines of drags, rubber bands and animations on a surface that is never
// repainted (the screen) do not pile up either.
#ifndef PLATFORM_DISPLAY_LIST_H
#define PLATFORM_DISPLAY_LIST_H

#include <memory>
#include <string>
#include <vector>

#include "platform/windows_types.h"

enum class DrawOp {
  Rectangle,  // rect; pen outline and brush fill
  RoundRect,  // rect, corner (ellipse width and height)
  Ellipse,    // rect
  Polygon,    // points, fillMode
  Polyline,   // points; pen only
  FillRect,   // rect; brush only, no pen, the whole box
  FocusRect,  // rect; dotted outline drawn by inverting
  Text,       // text at (rect.left, baseline); see textBaseline
  Mapping,    // metafiles only: a mapping call (call, args), replayed by PlayMetaFile
  Image,      // rect: where; image, source, mirrorX/Y, rop3, brush (the pattern)
};

struct Bitmap;  // platform/win/bitmap.h

// The mapping calls a metafile records, in the order they were made, so that
// playing the metafile makes them on the target as Windows does: the metafile's
// window origin and extent then map its logical units into the target's
// viewport. Save and Restore keep the mapping's nesting; a restore is recorded
// relative (-1 is the last save).
enum class MappingCall { MapMode, WindowOrg, WindowExt, ViewportOrg, ViewportExt, Save, Restore };

struct PenSpec {
  int style = 0;          // PS_SOLID ... PS_INSIDEFRAME
  int width = 1;          // device pixels, at least 1 (a metafile's: logical units, 0 for one pixel)
  COLORREF color = 0;
};

struct BrushSpec {
  int style = 0;          // BS_SOLID, BS_NULL, BS_HATCHED
  COLORREF color = 0xFFFFFF;
  int hatch = 0;
};

struct FontSpec {
  int emHeight = 16;      // device pixels
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  std::string face = "Arial";
};

struct DrawCommand {
  DrawOp op = DrawOp::Rectangle;
  int rop = 13;                 // R2_COPYPEN
  PenSpec pen;
  BrushSpec brush;
  RECT rect = {0, 0, 0, 0};     // the figure's box; for text the text cell box
  SIZE corner = {0, 0};         // RoundRect
  std::vector<POINT> points;    // Polygon, Polyline
  int fillMode = 1;             // ALTERNATE
  // Text: the characters, the font, the advance width of each character (their
  // sum is the width of rect), the baseline and the colours.
  std::string text;
  FontSpec font;
  std::vector<int> advances;
  int baseline = 0;
  COLORREF textColor = 0;
  int bkMode = 2;               // OPAQUE
  COLORREF bkColor = 0xFFFFFF;
  // Text: the reference point and the alignment it was placed with (TextOut's
  // point and SetTextAlign), so that a metafile's text is placed again at the
  // size the target shows it.
  POINT anchor = {0, 0};
  UINT textAlign = 0;
  // Image: the picture (shared and never changed), the rectangle of its pixels
  // drawn into rect, whether it is mirrored on either axis, the ternary raster
  // operation (SRCCOPY ...) with the brush as its pattern, and whether it is
  // stretched smoothly (HALFTONE) rather than by the nearest pixel.
  std::shared_ptr<const Bitmap> image;
  RECT source = {0, 0, 0, 0};
  bool mirrorX = false;
  bool mirrorY = false;
  DWORD rop3 = 0x00CC0020u;  // SRCCOPY
  bool smooth = false;
  // Mapping: which call, and its arguments (x, y; a mode or a restore level in x).
  MappingCall call = MappingCall::MapMode;
  POINT args = {0, 0};
  // Drawing is clipped to this box (device coordinates of the surface), and,
  // when clipRects is set, to the union of those rectangles (bands of a clip
  // region, all inside the box): every renderer clips to exactly these pixels.
  // Commands drawn under one clip region share its rectangles.
  RECT clip = {0, 0, 0, 0};
  std::shared_ptr<const std::vector<RECT>> clipRects;
};

class DisplayList {
 public:
  DisplayList() = default;
  DisplayList(int width, int height) : width_(width), height_(height) {}

  void setSize(int width, int height) { width_ = width; height_ = height; }
  int width() const { return width_; }
  int height() const { return height_; }
  // The colour the surface starts with before any command.
  COLORREF background() const { return background_; }
  void setBackground(COLORREF c) { background_ = c; }

  // Adds a command; true when it hid, and so dropped, everything before it.
  bool add(const DrawCommand& command);
  // Whether a command would hide everything before it (see above).
  bool hides(const DrawCommand& command) const;
  void clear() { commands_.clear(); }
  const std::vector<DrawCommand>& commands() const { return commands_; }
  std::size_t size() const { return commands_.size(); }
  bool empty() const { return commands_.empty(); }
  // Drops equal pairs of inversions within each unbroken run of inversions
  // (the picture stays the same); returns how many commands were dropped.
  std::size_t cancelInversions();
  // Appends every command of `other`, moved by (dx, dy) and clipped to `clip`
  // (in this list's coordinates) on top of each command's own clip.
  void append(const DisplayList& other, int dx, int dy, const RECT& clip);

 private:
  std::vector<DrawCommand> commands_;
  std::size_t compactAt_ = 4096;
  int width_ = 0;
  int height_ = 0;
  COLORREF background_ = 0xFFFFFF;
};

// Names used by the text dump and by tests.
const char* drawOpName(DrawOp op);
const char* mappingCallName(MappingCall call);
const char* ropName(int rop);

#endif  // PLATFORM_DISPLAY_LIST_H
