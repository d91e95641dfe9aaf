// Device contexts: state, mapping with Windows' rounding, and recording of the
// primitives (see device_context.h), and the table of their handles. The
// Windows-shaped calls over them are in windows_gdi.cpp and windows_user.cpp.
#include "platform/win/device_context.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "platform/win/bitmap.h"
#include "platform/win/font_metrics.h"
#include "platform/win/gdi_object_table.h"
#include "platform/win/handle_band.h"
#include "platform/win/screen_composer.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_user.h"

namespace {

std::map<uintptr_t, std::unique_ptr<DeviceContext>>& contexts() {
  static std::map<uintptr_t, std::unique_ptr<DeviceContext>> table;
  return table;
}
// Device contexts' handles (see handle_band.h).
HandleBand& dcBand() {
  static HandleBand band(0x80000, 0x10000);
  return band;
}

// A metafile has no edges of its own: it records whatever is drawn.
const RECT kEverything = {INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2};

bool sameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// floor(v + 0.5), kept inside the 32-bit range.
LONG roundToLong(double v) {
  double r = std::floor(v + 0.5);
  if (!(r > -2147483648.0)) return INT32_MIN;  // also catches NaN
  if (r > 2147483647.0) return INT32_MAX;
  return static_cast<LONG>(r);
}

// |v| inside the 32-bit range.
int magnitude(int v) { return v == INT32_MIN ? INT32_MAX : v < 0 ? -v : v; }

void adjustSelections(HGDIOBJ object, int delta) {
  if (GdiObjectTable::Object* o = GdiObjectTable::instance().find(object)) {
    o->selections += delta;
    if (o->selections <= 0) o->selectedInto = nullptr;
  }
}

// The objects a state holds selected.
void adjustState(const DeviceContext::State& s, int delta) {
  adjustSelections(s.pen, delta);
  adjustSelections(s.brush, delta);
  adjustSelections(s.font, delta);
  adjustSelections(s.bitmap, delta);
}

}  // namespace

DeviceContext::Caps DeviceContext::screenCaps() {
  DeviceContext::Caps c;
  c.width = WindowManager::instance().screenWidth();
  c.height = WindowManager::instance().screenHeight();
  c.widthMm = static_cast<int>(std::lround(c.width * 25.4 / c.dpi));
  c.heightMm = static_cast<int>(std::lround(c.height * 25.4 / c.dpi));
  return c;
}

RECT DeviceContext::metafileSurface() { return kEverything; }

DeviceContext::DeviceContext(Kind kind, HWND hwnd, DisplayList* target, const RECT& clip,
                             const Caps& caps)
    : kind_(kind), hwnd_(hwnd), target_(target), clip_(clip), surface_(clip), caps_(caps) {
  state_.pen = static_cast<HPEN>(GetStockObject(BLACK_PEN));
  state_.brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  state_.font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  if (kind == Kind::Memory) {
    // A memory context starts with the one-pixel default bitmap.
    state_.bitmap = GdiObjectTable::instance().defaultBitmap();
    surface_ = clip_ = {0, 0, 1, 1};
  }
  adjustState(state_, 1);
}

DeviceContext::~DeviceContext() {
  adjustState(state_, -1);
  for (const State& s : saved_) {
    adjustState(s, -1);
  }
}

// ---------------------------------------------------------------- mapping

void DeviceContext::recordMapping(MappingCall call, int x, int y) {
  if (!recordsLogical()) return;
  DrawCommand c;
  c.op = DrawOp::Mapping;
  c.call = call;
  c.args = {x, y};
  record(std::move(c));
}

int DeviceContext::setMapMode(int mode) {
  if (mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
  recordMapping(MappingCall::MapMode, mode, 0);
  int old = state_.mapMode;
  State& s = state_;
  const int hmm = caps_.widthMm, vmm = caps_.heightMm;
  switch (mode) {
    case MM_TEXT: s.windowExt = {1, 1}; s.viewportExt = {1, 1}; break;
    case MM_LOMETRIC:
    case MM_ISOTROPIC:
      s.windowExt = {hmm * 10, vmm * 10};
      s.viewportExt = {caps_.width, -caps_.height};
      break;
    case MM_HIMETRIC: s.windowExt = {hmm * 100, vmm * 100}; s.viewportExt = {caps_.width, -caps_.height}; break;
    case MM_LOENGLISH:
      s.windowExt = {roundToLong(hmm * 100 / 25.4), roundToLong(vmm * 100 / 25.4)};
      s.viewportExt = {caps_.width, -caps_.height};
      break;
    case MM_HIENGLISH:
      s.windowExt = {roundToLong(hmm * 1000 / 25.4), roundToLong(vmm * 1000 / 25.4)};
      s.viewportExt = {caps_.width, -caps_.height};
      break;
    case MM_TWIPS:
      s.windowExt = {roundToLong(hmm * 1440 / 25.4), roundToLong(vmm * 1440 / 25.4)};
      s.viewportExt = {caps_.width, -caps_.height};
      break;
    case MM_ANISOTROPIC: break;  // keeps the current extents
    default: break;
  }
  s.mapMode = mode;
  return old;
}

void DeviceContext::fixIsotropic() {
  if (state_.mapMode != MM_ISOTROPIC) return;
  SIZE& w = state_.windowExt;
  SIZE& v = state_.viewportExt;
  double xdim = std::fabs(static_cast<double>(v.cx) / w.cx);
  double ydim = std::fabs(static_cast<double>(v.cy) / w.cy);
  if (xdim > ydim) {
    double cx = static_cast<double>(v.cx) * ydim / xdim;
    v.cx = roundToLong(cx);
    if (v.cx == 0) v.cx = cx < 0 ? -1 : 1;
  } else if (ydim > xdim) {
    double cy = static_cast<double>(v.cy) * xdim / ydim;
    v.cy = roundToLong(cy);
    if (v.cy == 0) v.cy = cy < 0 ? -1 : 1;
  }
}

void DeviceContext::setWindowOrg(int x, int y) {
  recordMapping(MappingCall::WindowOrg, x, y);
  state_.windowOrg = {x, y};
}

void DeviceContext::setViewportOrg(int x, int y) {
  recordMapping(MappingCall::ViewportOrg, x, y);
  state_.viewportOrg = {x, y};
}

bool DeviceContext::setWindowExt(int x, int y) {
  // A metafile records the call whatever its own mode: the target's mode decides.
  if (x != 0 && y != 0) recordMapping(MappingCall::WindowExt, x, y);
  if (state_.mapMode != MM_ISOTROPIC && state_.mapMode != MM_ANISOTROPIC) return true;
  if (x == 0 || y == 0) return false;
  state_.windowExt = {x, y};
  fixIsotropic();
  return true;
}

bool DeviceContext::setViewportExt(int x, int y) {
  if (x != 0 && y != 0) recordMapping(MappingCall::ViewportExt, x, y);
  if (state_.mapMode != MM_ISOTROPIC && state_.mapMode != MM_ANISOTROPIC) return true;
  if (x == 0 || y == 0) return false;
  state_.viewportExt = {x, y};
  fixIsotropic();
  return true;
}

POINT DeviceContext::toDevice(POINT p) const {
  if (recordsLogical()) return p;
  const State& s = state_;
  double sx = static_cast<double>(s.viewportExt.cx) / s.windowExt.cx;
  double sy = static_cast<double>(s.viewportExt.cy) / s.windowExt.cy;
  return {roundToLong((static_cast<double>(p.x) - s.windowOrg.x) * sx + s.viewportOrg.x),
          roundToLong((static_cast<double>(p.y) - s.windowOrg.y) * sy + s.viewportOrg.y)};
}

POINT DeviceContext::toLogical(POINT p) const {
  if (recordsLogical()) return p;
  const State& s = state_;
  double sx = static_cast<double>(s.windowExt.cx) / s.viewportExt.cx;
  double sy = static_cast<double>(s.windowExt.cy) / s.viewportExt.cy;
  return {roundToLong((static_cast<double>(p.x) - s.viewportOrg.x) * sx + s.windowOrg.x),
          roundToLong((static_cast<double>(p.y) - s.viewportOrg.y) * sy + s.windowOrg.y)};
}

int DeviceContext::lengthToDevice(int logical, bool vertical) const {
  if (recordsLogical()) return magnitude(logical);
  const State& s = state_;
  double scale = vertical ? static_cast<double>(s.viewportExt.cy) / s.windowExt.cy
                          : static_cast<double>(s.viewportExt.cx) / s.windowExt.cx;
  LONG d = roundToLong(std::fabs(logical * scale));
  return logical != 0 && d == 0 ? 1 : d;
}

int DeviceContext::lengthToLogical(int device, bool vertical) const {
  if (recordsLogical()) return magnitude(device);
  const State& s = state_;
  double scale = vertical ? static_cast<double>(s.windowExt.cy) / s.viewportExt.cy
                          : static_cast<double>(s.windowExt.cx) / s.viewportExt.cx;
  return roundToLong(std::fabs(device * scale));
}

// ---------------------------------------------------------------- selection

HGDIOBJ DeviceContext::select(HGDIOBJ object) {
  GdiObjectTable::Object* o = GdiObjectTable::instance().find(object);
  if (o == nullptr) return nullptr;
  HGDIOBJ old = nullptr;
  switch (o->type) {
    case OBJ_BITMAP: {
      // Only a memory context takes a bitmap, and a bitmap is in one context at a time.
      if (kind_ != Kind::Memory || !o->bitmap) return nullptr;
      // (The default bitmap is every memory context's at once.)
      if (!o->stock && o->selections > 0 && o->selectedInto != nullptr && o->selectedInto != this) return nullptr;
      old = state_.bitmap;
      state_.bitmap = static_cast<HBITMAP>(object);
      if (!o->stock) o->selectedInto = this;
      surface_ = {0, 0, o->bitmap->width, o->bitmap->height};
      setClip(surface_);
      break;
    }
    case OBJ_PEN: old = state_.pen; state_.pen = static_cast<HPEN>(object); break;
    case OBJ_BRUSH: old = state_.brush; state_.brush = static_cast<HBRUSH>(object); break;
    case OBJ_FONT: old = state_.font; state_.font = static_cast<HFONT>(object); break;
    case OBJ_REGION:
      // Selecting a region clips to it (in device units), as SelectClipRgn.
      return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(selectClipRegion(o->region.get())));
    default: return nullptr;
  }
  adjustSelections(object, 1);
  adjustSelections(old, -1);
  return old;
}

int DeviceContext::save() {
  recordMapping(MappingCall::Save, 0, 0);
  saved_.push_back(state_);
  savedClips_.push_back({clip_, clipRects_});
  adjustState(state_, 1);
  return static_cast<int>(saved_.size());
}

bool DeviceContext::restore(int saved) {
  int n = static_cast<int>(saved_.size());
  if (saved < 0) saved = n + saved + 1;
  if (saved < 1 || saved > n) return false;
  // Recorded relative to the last save, so that it pops as many levels when played.
  recordMapping(MappingCall::Restore, saved - n - 1, 0);
  State s = saved_[static_cast<std::size_t>(saved - 1)];
  // Drop the selection counts of every state popped, and of the current one.
  for (int i = n - 1; i >= saved - 1; --i) {
    const State& p = saved_[static_cast<std::size_t>(i)];
    adjustState(p, -1);
  }
  adjustState(state_, -1);
  clip_ = savedClips_[static_cast<std::size_t>(saved - 1)].box;
  clipRects_ = savedClips_[static_cast<std::size_t>(saved - 1)].rects;
  saved_.resize(static_cast<std::size_t>(saved - 1));
  savedClips_.resize(static_cast<std::size_t>(saved - 1));
  state_ = s;
  adjustState(state_, 1);
  return true;
}

// ---------------------------------------------------------------- recording

PenSpec DeviceContext::currentPen() const {
  PenSpec p;
  GdiObjectTable::Object* o = GdiObjectTable::instance().find(state_.pen);
  if (o == nullptr || o->type != OBJ_PEN) return p;
  p.style = static_cast<int>(o->pen.lopnStyle);
  p.color = o->pen.lopnColor;
  if (recordsLogical()) {
    // The logical width, 0 for a pen of one pixel: the player scales it.
    p.width = std::max<LONG>(0, o->pen.lopnWidth.x);
    return p;
  }
  p.width = std::max(1, lengthToDevice(o->pen.lopnWidth.x, false));
  // Dotted and dashed styles exist only for one-pixel pens.
  if (p.width > 1 && p.style >= PS_DASH && p.style <= PS_DASHDOTDOT) p.style = PS_SOLID;
  return p;
}

BrushSpec DeviceContext::currentBrush() const {
  BrushSpec b;
  GdiObjectTable::Object* o = GdiObjectTable::instance().findBrush(state_.brush);
  if (o == nullptr) return b;
  b.style = static_cast<int>(o->brush.lbStyle);
  b.color = o->brush.lbColor;
  b.hatch = static_cast<int>(o->brush.lbHatch);
  return b;
}

FontSpec DeviceContext::deviceFont() const {
  FontSpec f;
  GdiObjectTable::Object* o = GdiObjectTable::instance().find(state_.font);
  if (o == nullptr || o->type != OBJ_FONT) return f;
  const LOGFONT& lf = o->font;
  if (lf.lfHeight < 0) {
    f.emHeight = lengthToDevice(-lf.lfHeight, true);
  } else if (lf.lfHeight > 0) {
    f.emHeight = FontMetrics::emFromCellHeight(lengthToDevice(lf.lfHeight, true));
  } else {
    f.emHeight = FontMetrics::emFromCellHeight(16);
  }
  // A font no taller than the surface could ever show keeps measuring cheap and bounded.
  f.emHeight = std::max(1, std::min(f.emHeight, 16384));
  f.weight = lf.lfWeight == 0 ? FW_NORMAL : static_cast<int>(lf.lfWeight);
  f.italic = lf.lfItalic != 0;
  f.underline = lf.lfUnderline != 0;
  f.strikeOut = lf.lfStrikeOut != 0;
  f.face = lf.lfFaceName[0] != '\0' ? lf.lfFaceName : "Arial";
  return f;
}

RECT DeviceContext::deviceRect(int l, int t, int r, int b) const {
  POINT a = toDevice({l, t});
  POINT c = toDevice({r, b});
  return {std::min(a.x, c.x), std::min(a.y, c.y), std::max(a.x, c.x), std::max(a.y, c.y)};
}

// ---------------------------------------------------------------- clipping

Region DeviceContext::clipRegion() const {
  return clipRects_ ? Region::fromRects(*clipRects_) : Region::rect(clip_.left, clip_.top, clip_.right, clip_.bottom);
}

int DeviceContext::clipKind() const {
  if (clip_.right <= clip_.left || clip_.bottom <= clip_.top) return NULLREGION;
  return clipRects_ ? COMPLEXREGION : SIMPLEREGION;
}

void DeviceContext::setClipRects(std::vector<RECT> rects) {
  if (rects.empty()) {
    setClip({0, 0, 0, 0});
    return;
  }
  RECT box = rects.front();
  for (const RECT& r : rects) UnionRect(&box, &box, &r);
  if (rects.size() == 1) {
    setClip(box);
    return;
  }
  clip_ = box;
  clipRects_ = std::make_shared<const std::vector<RECT>>(std::move(rects));
}

int DeviceContext::selectClipRegion(const Region* region) {
  if (region == nullptr) {
    setClip(surface_);
    return SIMPLEREGION;
  }
  std::vector<RECT> rects;
  if (region->rectangles(surface_, rects)) {
    setClipRects(std::move(rects));
  } else {
    // Taller than a clip region is ever decided row by row: its box.
    RECT box = region->box(), out;
    if (!IntersectRect(&out, &box, &surface_)) out = {0, 0, 0, 0};
    setClip(out);
  }
  return clipKind();
}

int DeviceContext::intersectClip(const RECT& r) {
  if (!clipRects_) {
    RECT out;
    if (!IntersectRect(&out, &clip_, &r)) out = {0, 0, 0, 0};
    setClip(out);
    return clipKind();
  }
  std::vector<RECT> rects;
  for (const RECT& c : *clipRects_) {
    RECT out;
    if (IntersectRect(&out, &c, &r)) rects.push_back(out);
  }
  setClipRects(std::move(rects));
  return clipKind();
}

// ---------------------------------------------------------------- recording

void DeviceContext::record(DrawCommand c, const RECT* within) {
  c.clip = clip_;
  c.clipRects = clipRects_;
  if (within != nullptr) {
    if (clipRects_) {
      recordWithin(std::move(c), Region::rect(within->left, within->top, within->right, within->bottom), false);
      return;
    }
    if (!IntersectRect(&c.clip, &clip_, within)) c.clip = {0, 0, 0, 0};
  }
  add(std::move(c));
}

void DeviceContext::recordWithin(DrawCommand c, const Region& within, bool fitRect) {
  Region both = Region::combine(clipRegion(), within, RGN_AND);
  std::vector<RECT> rects;
  if (!both.rectangles(clip_, rects)) {
    // Too tall to decide row by row: the boxes.
    RECT box = within.box(), out;
    if (IntersectRect(&out, &box, &clip_)) rects.push_back(out);
  }
  if (rects.empty()) return;
  RECT box = rects.front();
  for (const RECT& r : rects) UnionRect(&box, &box, &r);
  c.clip = box;
  if (fitRect) c.rect = box;
  c.clipRects.reset();
  if (rects.size() > 1) c.clipRects = std::make_shared<const std::vector<RECT>>(std::move(rects));
  add(std::move(c));
}

void DeviceContext::fillRegion(const Region& region, const BrushSpec& brush, int rop) {
  DrawCommand c;
  c.op = DrawOp::FillRect;
  c.rop = rop;
  c.pen.style = PS_NULL;
  c.brush = brush;
  recordWithin(std::move(c), region, true);
}

std::shared_ptr<const Bitmap> DeviceContext::snapshot() const {
  switch (kind_) {
    case Kind::Memory: {
      GdiObjectTable::Object* o = GdiObjectTable::instance().find(state_.bitmap);
      return o != nullptr ? o->bitmap : nullptr;
    }
    case Kind::Window:
    case Kind::Paint:
    case Kind::Screen: {
      // What the window (with its children) or the screen shows.
      DisplayList shown = hwnd_ != nullptr ? ScreenComposer::composeClient(hwnd_) : ScreenComposer::composeScreen();
      auto b = Bitmap::make(std::max(1, shown.width()), std::max(1, shown.height()), 0);
      if (!b) return nullptr;
      const COLORREF bk = shown.background();
      b->fill = (static_cast<uint32_t>(GetRValue(bk)) << 16) | (static_cast<uint32_t>(GetGValue(bk)) << 8) | GetBValue(bk);
      b->drawing = std::move(shown);
      b->drawing.setSize(b->width, b->height);
      return b;
    }
    case Kind::Printer: {
      if (target_ == nullptr) return nullptr;
      auto b = Bitmap::make(caps_.width, caps_.height, 0xFFFFFF);
      if (!b) return nullptr;
      b->drawing = *target_;
      return b;
    }
    default: return nullptr;  // a metafile has no pixels
  }
}

void DeviceContext::add(DrawCommand c) {
  if (kind_ == Kind::Memory) {
    GdiObjectTable::Object* o = GdiObjectTable::instance().find(state_.bitmap);
    // The default bitmap is everyone's one pixel: drawing into it draws nowhere.
    if (o == nullptr || !o->bitmap || o->stock) return;
    if (o->bitmap.use_count() > 1) {
      // A recorded image still shows the bitmap as it was: draw into a copy. A
      // command that hides everything needs nothing of the old content.
      const Bitmap& old = *o->bitmap;
      std::shared_ptr<Bitmap> copy = Bitmap::make(old.width, old.height, old.fill);
      if (!old.drawing.hides(c)) {
        copy->pixels = old.pixels;
        copy->drawing = old.drawing;
      }
      o->bitmap = std::move(copy);
    }
    // Once something hides the whole bitmap, its base pixels are not needed.
    if (o->bitmap->drawing.add(c)) o->bitmap->pixels.clear();
    return;
  }
  if (hwnd_ != nullptr) {
    // A window's context outliving its window draws nowhere.
    WindowManager::Window* w = WindowManager::instance().find(hwnd_);
    target_ = w != nullptr ? &w->list : nullptr;
  }
  if (target_ != nullptr) target_->add(c);
}

void DeviceContext::figure(DrawOp op, int l, int t, int r, int b, int cw, int ch) {
  DrawCommand c;
  c.op = op;
  c.rop = state_.rop;
  c.pen = currentPen();
  c.brush = currentBrush();
  c.rect = deviceRect(l, t, r, b);
  c.corner = {lengthToDevice(cw, false), lengthToDevice(ch, true)};
  record(std::move(c));
}

void DeviceContext::poly(DrawOp op, const POINT* points, int count) {
  DrawCommand c;
  c.op = op;
  c.rop = state_.rop;
  c.pen = currentPen();
  c.brush = currentBrush();
  c.fillMode = state_.polyFillMode;
  c.points.reserve(static_cast<std::size_t>(count));
  LONG l = INT32_MAX, t = INT32_MAX, r = INT32_MIN, b = INT32_MIN;
  for (int i = 0; i < count; ++i) {
    POINT d = toDevice(points[i]);
    c.points.push_back(d);
    l = std::min(l, d.x);
    t = std::min(t, d.y);
    r = std::max(r, d.x);
    b = std::max(b, d.y);
  }
  c.rect = {l, t, r, b};
  record(std::move(c));
}

void DeviceContext::fillRect(const RECT& r, HBRUSH brush, int rop) {
  DrawCommand c;
  c.op = DrawOp::FillRect;
  c.rop = rop;
  GdiObjectTable::Object* o = GdiObjectTable::instance().findBrush(brush);
  if (o != nullptr) {
    c.brush.style = static_cast<int>(o->brush.lbStyle);
    c.brush.color = o->brush.lbColor;
    c.brush.hatch = static_cast<int>(o->brush.lbHatch);
  } else {
    c.brush.style = BS_SOLID;
    c.brush.color = 0;
  }
  c.pen.style = PS_NULL;
  c.rect = deviceRect(r.left, r.top, r.right, r.bottom);
  record(std::move(c));
}

void DeviceContext::focusRect(const RECT& r) {
  DrawCommand c;
  c.op = DrawOp::FocusRect;
  c.rop = R2_NOT;
  c.pen.style = PS_DOT;
  c.brush.style = BS_NULL;
  c.rect = deviceRect(r.left, r.top, r.right, r.bottom);
  record(std::move(c));
}

bool DeviceContext::textExtent(const char* text, int length, SIZE* size) const {
  if (size == nullptr || length < 0 || (text == nullptr && length > 0)) return false;
  FontSpec f = deviceFont();
  bool bold = f.weight >= 600;
  int width = FontMetrics::textWidth(text, length, f.emHeight, bold);
  int height = FontMetrics::ascent(f.emHeight) + FontMetrics::descent(f.emHeight);
  size->cx = lengthToLogical(width, false);
  size->cy = lengthToLogical(height, true);
  return true;
}

TEXTMETRIC DeviceContext::textMetrics() const {
  FontSpec f = deviceFont();
  TEXTMETRIC tm = FontMetrics::metrics(f.emHeight, f.weight, f.italic, f.underline, f.strikeOut);
  // Reported in logical units.
  tm.tmAscent = lengthToLogical(tm.tmAscent, true);
  tm.tmDescent = lengthToLogical(tm.tmDescent, true);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = lengthToLogical(tm.tmInternalLeading, true);
  tm.tmExternalLeading = lengthToLogical(tm.tmExternalLeading, true);
  tm.tmAveCharWidth = lengthToLogical(tm.tmAveCharWidth, false);
  tm.tmMaxCharWidth = lengthToLogical(tm.tmMaxCharWidth, false);
  return tm;
}

void DeviceContext::placeText(DrawCommand& c, POINT p, UINT align) {
  const FontSpec& f = c.font;
  const bool bold = f.weight >= 600;
  int width = 0;
  c.advances.clear();
  c.advances.reserve(c.text.size());
  for (unsigned char ch : c.text) {
    c.advances.push_back(FontMetrics::advance(ch, f.emHeight, bold));
    width += c.advances.back();
  }
  const int ascent = FontMetrics::ascent(f.emHeight), descent = FontMetrics::descent(f.emHeight);
  int left = p.x;
  switch (align & TA_CENTER) {
    case TA_RIGHT: left = p.x - width; break;
    case TA_CENTER: left = p.x - width / 2; break;
    default: break;
  }
  int baseline = p.y;
  if ((align & TA_BASELINE) == TA_BASELINE) {
    baseline = p.y;
  } else if ((align & TA_BOTTOM) != 0) {
    baseline = p.y - descent;
  } else {
    baseline = p.y + ascent;
  }
  c.anchor = p;
  c.textAlign = align & ~static_cast<UINT>(TA_UPDATECP);
  c.baseline = baseline;
  c.rect = {left, baseline - ascent, left + width, baseline + descent};
}

bool DeviceContext::textOut(int x, int y, const char* text, int length) {
  if (length < 0 || (text == nullptr && length > 0)) return false;
  DrawCommand c;
  c.op = DrawOp::Text;
  c.rop = R2_COPYPEN;
  c.text.assign(text != nullptr ? text : "", static_cast<std::size_t>(length));
  c.font = deviceFont();
  const UINT align = state_.textAlign;
  POINT p = (align & TA_UPDATECP) != 0 ? toDevice(state_.position) : toDevice({x, y});
  placeText(c, p, align);
  c.textColor = state_.textColor;
  c.bkMode = state_.bkMode;
  c.bkColor = state_.bkColor;
  if ((align & TA_UPDATECP) != 0) {
    // The current position moves past the text (left alignment) or to its start (right).
    const int left = c.rect.left, width = c.rect.right - c.rect.left;
    int nx = (align & TA_CENTER) == TA_RIGHT ? left : (align & TA_CENTER) == TA_CENTER ? p.x : left + width;
    state_.position = toLogical({nx, p.y});
  }
  record(std::move(c));
  return true;
}

void DeviceContext::play(const DisplayList& metafile) {
  for (DrawCommand c : metafile.commands()) {
    if (c.op == DrawOp::Mapping) {
      // The metafile's mapping calls are made on this context, as Windows makes them.
      switch (c.call) {
        case MappingCall::MapMode: setMapMode(c.args.x); break;
        case MappingCall::WindowOrg: setWindowOrg(c.args.x, c.args.y); break;
        case MappingCall::WindowExt: setWindowExt(c.args.x, c.args.y); break;
        case MappingCall::ViewportOrg: setViewportOrg(c.args.x, c.args.y); break;
        case MappingCall::ViewportExt: setViewportExt(c.args.x, c.args.y); break;
        case MappingCall::Save: save(); break;
        case MappingCall::Restore: restore(c.args.x); break;
      }
      continue;
    }
    auto box = [this](const RECT& r) {
      POINT a = toDevice({r.left, r.top});
      POINT b = toDevice({r.right, r.bottom});
      return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    };
    if (c.op == DrawOp::Image) {
      // A mapping that turns an axis round mirrors the picture, as StretchBlt does.
      POINT a = toDevice({c.rect.left, c.rect.top}), b = toDevice({c.rect.right, c.rect.bottom});
      if (a.x > b.x) c.mirrorX = !c.mirrorX;
      if (a.y > b.y) c.mirrorY = !c.mirrorY;
    }
    c.rect = box(c.rect);
    for (POINT& p : c.points) p = toDevice(p);
    // A pen of width 0 is one pixel wherever it is drawn; others scale.
    if (recordsLogical()) {
      c.pen.width = std::max(0, c.pen.width);
    } else {
      c.pen.width = c.pen.width == 0 ? 1 : std::max(1, lengthToDevice(c.pen.width, false));
      if (c.pen.width > 1 && c.pen.style >= PS_DASH && c.pen.style <= PS_DASHDOTDOT) c.pen.style = PS_SOLID;
    }
    c.corner = {lengthToDevice(c.corner.cx, false), lengthToDevice(c.corner.cy, true)};
    if (c.op == DrawOp::Text) {
      c.font.emHeight = std::max(1, std::min(lengthToDevice(c.font.emHeight, true), 16384));
      placeText(c, toDevice(c.anchor), c.textAlign);
    }
    // A clip the metafile was drawn with narrows this context's own.
    if (c.clipRects) {
      std::vector<RECT> mapped;
      mapped.reserve(c.clipRects->size());
      for (const RECT& r : *c.clipRects) mapped.push_back(box(r));
      Region within = Region::fromRects(mapped);
      const bool fit = c.op == DrawOp::FillRect;  // a filled region: its box is the clip's
      recordWithin(std::move(c), within, fit);
    } else if (sameRect(c.clip, kEverything)) {
      record(std::move(c));
    } else {
      RECT within = box(c.clip);
      record(std::move(c), &within);
    }
  }
}

// ---------------------------------------------------------------- handle table

DeviceContext* findDeviceContext(HDC hdc) {
  auto it = contexts().find(reinterpret_cast<uintptr_t>(hdc));
  return it == contexts().end() ? nullptr : it->second.get();
}

HDC registerDeviceContext(std::unique_ptr<DeviceContext> dc) {
  const uintptr_t h = dcBand().next([](uintptr_t v) { return contexts().count(v) != 0; });
  if (h == 0) return nullptr;  // every handle of the band is taken: the context goes
  contexts()[h] = std::move(dc);
  return reinterpret_cast<HDC>(h);
}

bool unregisterDeviceContext(HDC hdc) { return contexts().erase(reinterpret_cast<uintptr_t>(hdc)) != 0; }

HDC windowDeviceContext(HWND hwnd, DeviceContext::Kind kind, const RECT* clip) {
  WindowManager& wm = WindowManager::instance();
  if (hwnd == nullptr || hwnd == wm.desktop()) {
    RECT full = {0, 0, wm.screenWidth(), wm.screenHeight()};
    return registerDeviceContext(std::make_unique<DeviceContext>(
        DeviceContext::Kind::Screen, nullptr, &wm.screenList(), full, DeviceContext::screenCaps()));
  }
  WindowManager::Window* w = wm.find(hwnd);
  if (w == nullptr) return nullptr;
  RECT client = wm.clientRect(hwnd);
  w->list.setSize(client.right, client.bottom);
  RECT c = client;
  if (clip != nullptr) IntersectRect(&c, &client, clip);
  return registerDeviceContext(
      std::make_unique<DeviceContext>(kind, hwnd, &w->list, c, DeviceContext::screenCaps()));
}

const std::vector<std::unique_ptr<DisplayList>>* printedPages(HDC hdc) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || dc->kind() != DeviceContext::Kind::Printer) return nullptr;
  return &dc->ownedLists();
}

int StartPage(HDC hdc) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || dc->kind() != DeviceContext::Kind::Printer) return 0;
  const DeviceContext::Caps& caps = dc->caps();
  dc->ownedLists().push_back(std::make_unique<DisplayList>(caps.width, caps.height));
  dc->setTarget(dc->ownedLists().back().get());
  return 1;
}

int EndPage(HDC hdc) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || dc->kind() != DeviceContext::Kind::Printer) return 0;
  dc->setTarget(nullptr);
  return 1;
}

const DisplayList* metafileList(HMETAFILE mf) {
  GdiObjectTable::Object* o = GdiObjectTable::instance().find(mf);
  return o != nullptr && o->type == OBJ_METAFILE ? o->metafile.get() : nullptr;
}
