// The drawing calls of windows_gdi.h: each finds its device context or object
// and hands the work to the class that does it (DeviceContext for drawing and
// mapping, GdiObjectTable for objects, Region for regions, Bitmap for pixels).
#include "platform/win/windows_gdi.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/win/bitmap.h"
#include "platform/win/device_context.h"
#include "platform/win/font_metrics.h"
#include "platform/win/gdi_object_table.h"
#include "platform/win/region.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_user.h"

// ---- Device contexts ----

HDC GetDC(HWND hwnd) { return windowDeviceContext(hwnd, DeviceContext::Kind::Window, nullptr); }
HDC GetWindowDC(HWND hwnd) { return windowDeviceContext(hwnd, DeviceContext::Kind::Window, nullptr); }

int ReleaseDC(HWND, HDC hdc) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return 0;
  if (dc->kind() != DeviceContext::Kind::Window && dc->kind() != DeviceContext::Kind::Screen) return 0;
  return unregisterDeviceContext(hdc) ? 1 : 0;
}

HDC CreateDC(const char* driver, const char*, const char*, const void*) {
  if (driver != nullptr && std::strcmp(driver, "DISPLAY") == 0) return GetDC(nullptr);
  // A printer: a page of A4 at 300 pixels per inch.
  DeviceContext::Caps caps;
  caps.technology = DT_RASPRINTER;
  caps.dpi = 300;
  caps.widthMm = 210;
  caps.heightMm = 297;
  caps.width = 2480;
  caps.height = 3508;
  RECT full = {0, 0, caps.width, caps.height};
  return registerDeviceContext(std::make_unique<DeviceContext>(DeviceContext::Kind::Printer, nullptr,
                                                               nullptr, full, caps));
}

HDC CreateCompatibleDC(HDC hdc) {
  DeviceContext* src = findDeviceContext(hdc);
  DeviceContext::Caps caps = src != nullptr ? src->caps() : DeviceContext::screenCaps();
  // It draws into the bitmap selected into it (the one-pixel default bitmap at first).
  auto dc = std::make_unique<DeviceContext>(DeviceContext::Kind::Memory, nullptr, nullptr, RECT{0, 0, 1, 1}, caps);
  return registerDeviceContext(std::move(dc));
}

BOOL DeleteDC(HDC hdc) { return unregisterDeviceContext(hdc); }

int SaveDC(HDC hdc) {
  DeviceContext* dc = findDeviceContext(hdc);
  return dc != nullptr ? dc->save() : 0;
}

BOOL RestoreDC(HDC hdc, int saved) {
  DeviceContext* dc = findDeviceContext(hdc);
  return dc != nullptr && dc->restore(saved);
}

int GetDeviceCaps(HDC hdc, int index) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return 0;
  const DeviceContext::Caps& c = dc->caps();
  switch (index) {
    case DRIVERVERSION: return 0x400;
    case TECHNOLOGY: return dc->kind() == DeviceContext::Kind::Metafile ? DT_METAFILE : c.technology;
    case HORZSIZE: return c.widthMm;
    case VERTSIZE: return c.heightMm;
    case HORZRES: return c.width;
    case VERTRES: return c.height;
    case BITSPIXEL: return 24;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case ASPECTX:
    case ASPECTY: return 36;
    case ASPECTXY: return 51;
    case LOGPIXELSX:
    case LOGPIXELSY: return c.dpi;
    case PHYSICALWIDTH: return c.width;
    case PHYSICALHEIGHT: return c.height;
    default: return 0;
  }
}

// ---- Mapping ----

int SetMapMode(HDC hdc, int mode) {
  DeviceContext* dc = findDeviceContext(hdc);
  return dc != nullptr ? dc->setMapMode(mode) : 0;
}

int GetMapMode(HDC hdc) {
  DeviceContext* dc = findDeviceContext(hdc);
  return dc != nullptr ? dc->state().mapMode : 0;
}

BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* old) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return FALSE;
  if (old != nullptr) *old = dc->state().windowOrg;
  dc->setWindowOrg(x, y);
  return TRUE;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* old) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return FALSE;
  if (old != nullptr) *old = dc->state().viewportOrg;
  dc->setViewportOrg(x, y);
  return TRUE;
}

BOOL SetWindowExtEx(HDC hdc, int x, int y, SIZE* old) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return FALSE;
  if (old != nullptr) *old = dc->state().windowExt;
  return dc->setWindowExt(x, y);
}

BOOL SetViewportExtEx(HDC hdc, int x, int y, SIZE* old) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return FALSE;
  if (old != nullptr) *old = dc->state().viewportExt;
  return dc->setViewportExt(x, y);
}

BOOL GetWindowOrgEx(HDC hdc, POINT* p) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || p == nullptr) return FALSE;
  *p = dc->state().windowOrg;
  return TRUE;
}

BOOL GetViewportOrgEx(HDC hdc, POINT* p) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || p == nullptr) return FALSE;
  *p = dc->state().viewportOrg;
  return TRUE;
}

BOOL GetWindowExtEx(HDC hdc, SIZE* s) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || s == nullptr) return FALSE;
  *s = dc->state().windowExt;
  return TRUE;
}

BOOL GetViewportExtEx(HDC hdc, SIZE* s) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || s == nullptr) return FALSE;
  *s = dc->state().viewportExt;
  return TRUE;
}

BOOL LPtoDP(HDC hdc, POINT* points, int count) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || points == nullptr || count < 0) return FALSE;
  for (int i = 0; i < count; ++i) points[i] = dc->toDevice(points[i]);
  return TRUE;
}

BOOL DPtoLP(HDC hdc, POINT* points, int count) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || points == nullptr || count < 0) return FALSE;
  for (int i = 0; i < count; ++i) points[i] = dc->toLogical(points[i]);
  return TRUE;
}

// ---- Selection ----

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  DeviceContext* dc = findDeviceContext(hdc);
  return dc != nullptr ? dc->select(object) : nullptr;
}

// ---- Objects (creating, deleting, describing) ----

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) style = PS_SOLID;
  return static_cast<HPEN>(GdiObjectTable::instance().add(GdiObjectTable::makePen(style, std::max(0, width), color)));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  return static_cast<HBRUSH>(GdiObjectTable::instance().add(GdiObjectTable::makeBrush(BS_SOLID, color, 0)));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  return static_cast<HBRUSH>(GdiObjectTable::instance().add(GdiObjectTable::makeBrush(BS_HATCHED, color, hatch)));
}

HFONT CreateFontIndirect(const LOGFONT* font) {
  if (font == nullptr) return nullptr;
  return static_cast<HFONT>(GdiObjectTable::instance().add(GdiObjectTable::makeFont(*font)));
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight,
                 DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                 DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                 const char* faceName) {
  LOGFONT lf = {};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic != 0);
  lf.lfUnderline = static_cast<BYTE>(underline != 0);
  lf.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (faceName != nullptr) std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
  return CreateFontIndirect(&lf);
}

HGDIOBJ GetStockObject(int which) { return GdiObjectTable::instance().stock(which); }

BOOL DeleteObject(HGDIOBJ object) { return GdiObjectTable::instance().remove(object); }

DWORD GetObjectType(HGDIOBJ object) {
  if (GdiObjectTable::Object* o = GdiObjectTable::instance().find(object)) return o->type;
  // Device contexts take their handles from a band of their own, so a handle
  // names an object or a context, never both.
  DeviceContext* dc = findDeviceContext(static_cast<HDC>(object));
  if (dc == nullptr) return 0;
  switch (dc->kind()) {
    case DeviceContext::Kind::Metafile: return OBJ_METADC;
    case DeviceContext::Kind::Memory: return OBJ_MEMDC;
    default: return OBJ_DC;
  }
}

int GetObject(HGDIOBJ object, int size, void* out) {
  GdiObjectTable::Object* o = GdiObjectTable::instance().find(object);
  if (o == nullptr) return 0;
  const void* src = nullptr;
  int n = 0;
  BITMAP bm = {};
  switch (o->type) {
    case OBJ_PEN: src = &o->pen; n = sizeof(LOGPEN); break;
    case OBJ_BRUSH: src = &o->brush; n = sizeof(LOGBRUSH); break;
    case OBJ_FONT: src = &o->font; n = sizeof(LOGFONT); break;
    case OBJ_BITMAP: {
      // As a 32-bit bitmap whose bits the program cannot reach.
      bm.bmType = 0;
      bm.bmWidth = o->bitmap->width;
      bm.bmHeight = o->bitmap->height;
      bm.bmWidthBytes = o->bitmap->width * 4;
      bm.bmPlanes = 1;
      bm.bmBitsPixel = 32;
      bm.bmBits = nullptr;
      src = &bm;
      n = sizeof(BITMAP);
      break;
    }
    default: return 0;
  }
  if (out == nullptr) return n;
  n = std::min(n, size);
  if (n <= 0) return 0;
  std::memcpy(out, src, static_cast<std::size_t>(n));
  return n;
}

// ---- Clipping ----

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return ERROR;
  POINT a = dc->toDevice({left, top});
  POINT b = dc->toDevice({right, bottom});
  return dc->intersectClip({std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)});
}

int SelectClipRgn(HDC hdc, HRGN region) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return ERROR;
  if (region == nullptr) return dc->selectClipRegion(nullptr);
  Region* r = GdiObjectTable::instance().region(region);
  if (r == nullptr) return ERROR;
  return dc->selectClipRegion(r);
}

int GetClipBox(HDC hdc, RECT* box) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || box == nullptr) return ERROR;
  const RECT& c = dc->clip();
  POINT a = dc->toLogical({c.left, c.top});
  POINT b = dc->toLogical({c.right, c.bottom});
  *box = {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  return dc->clipKind();
}

// ---- Attributes ----

namespace {

template <typename T>
T swapAttribute(HDC hdc, T DeviceContext::State::*field, T value, T failure) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return failure;
  T old = dc->state().*field;
  dc->state().*field = value;
  return old;
}

template <typename T>
T getAttribute(HDC hdc, T DeviceContext::State::*field, T failure) {
  DeviceContext* dc = findDeviceContext(hdc);
  return dc != nullptr ? dc->state().*field : failure;
}

}  // namespace

int SetROP2(HDC hdc, int rop) {
  if (rop < R2_BLACK || rop > R2_WHITE) return 0;
  return swapAttribute(hdc, &DeviceContext::State::rop, rop, 0);
}
int GetROP2(HDC hdc) { return getAttribute(hdc, &DeviceContext::State::rop, 0); }

int SetBkMode(HDC hdc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return swapAttribute(hdc, &DeviceContext::State::bkMode, mode, 0);
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  return swapAttribute(hdc, &DeviceContext::State::bkColor, color & 0xFFFFFFu, CLR_INVALID);
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  return swapAttribute(hdc, &DeviceContext::State::textColor, color & 0xFFFFFFu, CLR_INVALID);
}

UINT SetTextAlign(HDC hdc, UINT align) {
  return swapAttribute(hdc, &DeviceContext::State::textAlign, align, GDI_ERROR);
}
UINT GetTextAlign(HDC hdc) { return getAttribute(hdc, &DeviceContext::State::textAlign, GDI_ERROR); }

int SetPolyFillMode(HDC hdc, int mode) {
  if (mode != ALTERNATE && mode != WINDING) return 0;
  return swapAttribute(hdc, &DeviceContext::State::polyFillMode, mode, 0);
}

// ---- Primitives ----

BOOL MoveToEx(HDC hdc, int x, int y, POINT* old) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return FALSE;
  if (old != nullptr) *old = dc->state().position;
  dc->state().position = {x, y};
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return FALSE;
  POINT pts[2] = {dc->state().position, {x, y}};
  dc->poly(DrawOp::Polyline, pts, 2);
  dc->state().position = {x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, POINT* p) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || p == nullptr) return FALSE;
  *p = dc->state().position;
  return TRUE;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return FALSE;
  dc->figure(DrawOp::Rectangle, left, top, right, bottom, 0, 0);
  return TRUE;
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return FALSE;
  dc->figure(DrawOp::RoundRect, left, top, right, bottom, width, height);
  return TRUE;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return FALSE;
  dc->figure(DrawOp::Ellipse, left, top, right, bottom, 0, 0);
  return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* points, int count) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || points == nullptr || count < 2) return FALSE;
  dc->poly(DrawOp::Polygon, points, count);
  return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || points == nullptr || count < 2) return FALSE;
  dc->poly(DrawOp::Polyline, points, count);
  return TRUE;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || rect == nullptr || GdiObjectTable::instance().findBrush(brush) == nullptr) return 0;
  dc->fillRect(*rect, brush, R2_COPYPEN);
  return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || rect == nullptr || GdiObjectTable::instance().findBrush(brush) == nullptr) return 0;
  // One device pixel wide, as four bars.
  POINT a = dc->toDevice({rect->left, rect->top});
  POINT b = dc->toDevice({rect->right, rect->bottom});
  const RECT bars[4] = {{a.x, a.y, b.x, a.y + 1}, {a.x, b.y - 1, b.x, b.y},
                        {a.x, a.y, a.x + 1, b.y}, {b.x - 1, a.y, b.x, b.y}};
  for (const RECT& r : bars) {
    POINT l = dc->toLogical({r.left, r.top});
    POINT h = dc->toLogical({r.right, r.bottom});
    dc->fillRect({l.x, l.y, h.x, h.y}, brush, R2_COPYPEN);
  }
  return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rect) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || rect == nullptr) return FALSE;
  dc->fillRect(*rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), R2_NOT);
  return TRUE;
}

BOOL DrawFocusRect(HDC hdc, const RECT* rect) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || rect == nullptr) return FALSE;
  dc->focusRect(*rect);
  return TRUE;
}

namespace {

BrushSpec brushSpec(const GdiObjectTable::Object& b) {
  BrushSpec made;
  made.style = static_cast<int>(b.brush.lbStyle);
  made.color = b.brush.lbColor;
  made.hatch = static_cast<int>(b.brush.lbHatch);
  return made;
}

}  // namespace

// Regions are in device units whatever the mapping; the fill takes the raster
// operation of the context (InvertRgn inverts).
BOOL FillRgn(HDC hdc, HRGN region, HBRUSH brush) {
  DeviceContext* dc = findDeviceContext(hdc);
  Region* r = GdiObjectTable::instance().region(region);
  GdiObjectTable::Object* b = GdiObjectTable::instance().findBrush(brush);
  if (dc == nullptr || r == nullptr || b == nullptr) return FALSE;
  dc->fillRegion(*r, brushSpec(*b), dc->state().rop);
  return TRUE;
}

BOOL PaintRgn(HDC hdc, HRGN region) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return FALSE;
  return FillRgn(hdc, region, dc->state().brush);
}

BOOL InvertRgn(HDC hdc, HRGN region) {
  DeviceContext* dc = findDeviceContext(hdc);
  Region* r = GdiObjectTable::instance().region(region);
  if (dc == nullptr || r == nullptr) return FALSE;
  BrushSpec black;
  black.style = BS_SOLID;
  black.color = 0;
  dc->fillRegion(*r, black, R2_NOT);
  return TRUE;
}

BOOL FrameRgn(HDC hdc, HRGN region, HBRUSH brush, int width, int height) {
  DeviceContext* dc = findDeviceContext(hdc);
  Region* r = GdiObjectTable::instance().region(region);
  GdiObjectTable::Object* b = GdiObjectTable::instance().findBrush(brush);
  if (dc == nullptr || r == nullptr || b == nullptr || width <= 0 || height <= 0) return FALSE;
  // The frame is what is left of the region when its interior, the pixels
  // whose neighbours `width` across and `height` down are all inside, is taken away.
  const int w = dc->lengthToDevice(width, false), h = dc->lengthToDevice(height, true);
  Region interior = *r;
  for (POINT shift : {POINT{-w, 0}, POINT{w, 0}, POINT{0, -h}, POINT{0, h}}) {
    Region moved = *r;
    moved.offset(shift.x, shift.y);
    interior = Region::combine(interior, moved, RGN_AND);
  }
  dc->fillRegion(Region::combine(*r, interior, RGN_DIFF), brushSpec(*b), dc->state().rop);
  return TRUE;
}

// ---- Bitmaps ----

namespace {

// Records an image of `image`'s rectangle `source` (its pixels) into the
// destination rectangle (x, y, w, h, logical units of `dc`); mirrored where
// `flipX`/`flipY` or the signs of the extents say so.
BOOL drawImage(DeviceContext* dc, int x, int y, int w, int h, std::shared_ptr<const Bitmap> image,
               const RECT& source, bool flipX, bool flipY, DWORD rop) {
  if (!image) return FALSE;
  POINT a = dc->toDevice({x, y}), b = dc->toDevice({x + w, y + h});
  DrawCommand c;
  c.op = DrawOp::Image;
  c.rect = {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  c.source = source;
  c.mirrorX = flipX != (a.x > b.x);
  c.mirrorY = flipY != (a.y > b.y);
  c.rop3 = rop;
  c.brush = dc->currentBrush();
  c.smooth = dc->state().stretchMode == HALFTONE;
  c.image = std::move(image);
  if (c.rect.right == c.rect.left || c.rect.bottom == c.rect.top || source.right == source.left ||
      source.bottom == source.top)
    return TRUE;  // nothing to draw
  dc->record(std::move(c));
  return TRUE;
}

// A raster operation without a source is a fill with the selected brush.
bool fillWithoutSource(DeviceContext* dc, int x, int y, int w, int h, DWORD rop) {
  const int rop2 = rop2FromRop3(rop);
  if (rop2 == 0) return false;
  // An operation that ignores the pattern too (DSTINVERT, BLACKNESS ...) works whatever the brush.
  const bool usesPattern = rop2 != R2_BLACK && rop2 != R2_NOT && rop2 != R2_NOP && rop2 != R2_WHITE;
  HBRUSH brush = usesPattern ? dc->state().brush : static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  dc->fillRect({x, y, x + w, y + h}, brush, rop2);
  return true;
}

}  // namespace

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh,
                DWORD rop) {
  DeviceContext* dc = findDeviceContext(dest);
  if (dc == nullptr) return FALSE;
  if (fillWithoutSource(dc, x, y, width, height, rop)) return TRUE;
  DeviceContext* src = findDeviceContext(source);
  if (src == nullptr) return FALSE;
  POINT a = src->toDevice({sx, sy}), b = src->toDevice({sx + sw, sy + sh});
  RECT from = {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  return drawImage(dc, x, y, width, height, src->snapshot(), from, a.x > b.x, a.y > b.y, rop);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
  DeviceContext* dc = findDeviceContext(dest);
  if (dc == nullptr) return FALSE;
  if (fillWithoutSource(dc, x, y, width, height, rop)) return TRUE;
  return StretchBlt(dest, x, y, width, height, source, sx, sy, width, height, rop);
}

int StretchDIBits(HDC hdc, int x, int y, int width, int height, int sx, int sy, int sw, int sh, const void* bits,
                  const BITMAPINFO* info, UINT usage, DWORD rop) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return 0;
  if (fillWithoutSource(dc, x, y, width, height, rop)) return sh < 0 ? -sh : sh;
  int w = 0, h = 0;
  bool bottomUp = false;
  std::vector<uint32_t> pixels;
  if (!decodeDib(info, bits, usage, &w, &h, &bottomUp, pixels)) return 0;
  std::shared_ptr<Bitmap> image = Bitmap::make(w, h, 0);
  image->pixels = std::move(pixels);
  // A bottom-up DIB's rectangle is measured from its bottom row.
  const long long top = bottomUp ? static_cast<long long>(h) - sy - sh : sy;
  RECT from = {sx, static_cast<LONG>(top), sx + sw, static_cast<LONG>(top + sh)};
  const bool flipX = sw < 0, flipY = sh < 0;
  from = {std::min(from.left, from.right), std::min(from.top, from.bottom), std::max(from.left, from.right),
          std::max(from.top, from.bottom)};
  if (!drawImage(dc, x, y, width, height, std::move(image), from, flipX, flipY, rop)) return 0;
  return sh < 0 ? -sh : sh;
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
  DeviceContext* dc = findDeviceContext(hdc);
  return dc != nullptr && fillWithoutSource(dc, x, y, width, height, rop);
}

int SetStretchBltMode(HDC hdc, int mode) {
  if (mode < BLACKONWHITE || mode > HALFTONE) return 0;
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr) return 0;
  int old = dc->state().stretchMode;
  dc->state().stretchMode = mode;
  return old;
}

BOOL TextOut(HDC hdc, int x, int y, const char* text, int length) {
  DeviceContext* dc = findDeviceContext(hdc);
  return dc != nullptr && dc->textOut(x, y, text, length);
}

// ---- Text measurement ----

BOOL GetTextExtentPoint32(HDC hdc, const char* text, int length, SIZE* size) {
  DeviceContext* dc = findDeviceContext(hdc);
  return dc != nullptr && dc->textExtent(text, length, size);
}

BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* metrics) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || metrics == nullptr) return FALSE;
  *metrics = dc->textMetrics();
  return TRUE;
}

// ---- Metafiles ----

HDC CreateMetaFile(const char*) {
  DeviceContext::Caps caps = DeviceContext::screenCaps();
  caps.technology = DT_METAFILE;
  auto dc = std::make_unique<DeviceContext>(DeviceContext::Kind::Metafile, nullptr, nullptr,
                                            DeviceContext::metafileSurface(), caps);
  dc->ownedLists().push_back(std::make_unique<DisplayList>(0, 0));
  dc->setTarget(dc->ownedLists().back().get());
  return registerDeviceContext(std::move(dc));
}

HMETAFILE CloseMetaFile(HDC hdc) {
  DeviceContext* dc = findDeviceContext(hdc);
  if (dc == nullptr || dc->kind() != DeviceContext::Kind::Metafile || dc->ownedLists().empty()) return nullptr;
  auto o = std::make_unique<GdiObjectTable::Object>();
  o->type = OBJ_METAFILE;
  o->metafile = std::move(dc->ownedLists().front());
  unregisterDeviceContext(hdc);
  return static_cast<HMETAFILE>(GdiObjectTable::instance().add(std::move(o)));
}

BOOL PlayMetaFile(HDC hdc, HMETAFILE mf) {
  DeviceContext* dc = findDeviceContext(hdc);
  const DisplayList* list = metafileList(mf);
  if (dc == nullptr || list == nullptr) return FALSE;
  dc->play(*list);
  return TRUE;
}

BOOL DeleteMetaFile(HMETAFILE mf) {
  if (metafileList(mf) == nullptr) return FALSE;
  return DeleteObject(mf);
}
// ---- Bitmaps: making them and setting their pixels ----

namespace {

HBITMAP addBitmap(std::shared_ptr<Bitmap> b) {
  if (!b) return nullptr;
  auto o = std::make_unique<GdiObjectTable::Object>();
  o->type = OBJ_BITMAP;
  o->bitmap = std::move(b);
  return static_cast<HBITMAP>(GdiObjectTable::instance().add(std::move(o)));
}

}  // namespace

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) {
  // A size of zero is the one-pixel bitmap, as on Windows.
  if (width == 0 || height == 0) width = height = 1;
  return addBitmap(Bitmap::make(width, height, 0));
}

HBITMAP CreateDIBitmap(HDC, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT usage) {
  if (header == nullptr) return nullptr;
  const long long height = header->biHeight < 0 ? -static_cast<long long>(header->biHeight) : header->biHeight;
  if ((init & CBM_INIT) == 0) {
    if (!bitmapSizeOk(header->biWidth, height)) return nullptr;
    return addBitmap(Bitmap::make(header->biWidth, static_cast<int>(height), 0));
  }
  int w = 0, h = 0;
  bool bottomUp = false;
  std::vector<uint32_t> pixels;
  if (!decodeDib(info, bits, usage, &w, &h, &bottomUp, pixels)) return nullptr;
  std::shared_ptr<Bitmap> b = Bitmap::make(w, h, 0);
  b->pixels = std::move(pixels);
  return addBitmap(std::move(b));
}

// ---- Regions ----

namespace {

HRGN addRegion(Region r) {
  auto o = std::make_unique<GdiObjectTable::Object>();
  o->type = OBJ_REGION;
  o->region = std::make_unique<Region>(std::move(r));
  return static_cast<HRGN>(GdiObjectTable::instance().add(std::move(o)));
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return addRegion(Region::rect(left, top, right, bottom));
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  return addRegion(Region::ellipse(left, top, right, bottom));
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) {
  return addRegion(Region::roundRect(left, top, right, bottom, width, height));
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  if (points == nullptr || count < 0) return nullptr;
  return addRegion(Region::polygon(points, count, fillMode != WINDING));
}

BOOL PtInRegion(HRGN region, int x, int y) {
  Region* r = GdiObjectTable::instance().region(region);
  return r != nullptr && r->contains(x, y);
}

int GetRgnBox(HRGN region, RECT* box) {
  Region* r = GdiObjectTable::instance().region(region);
  if (r == nullptr || box == nullptr) return ERROR;
  *box = r->box();
  if (r->isEmpty()) return NULLREGION;
  return r->kind() == Region::Kind::Rect ? SIMPLEREGION : COMPLEXREGION;
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  GdiObjectTable& t = GdiObjectTable::instance();
  Region* d = t.region(dest);
  Region* a = t.region(src1);
  Region* b = mode == RGN_COPY ? a : t.region(src2);
  if (d == nullptr || a == nullptr || b == nullptr || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  *d = Region::combine(*a, *b, mode);
  if (d->isEmpty()) return NULLREGION;
  return d->kind() == Region::Kind::Rect ? SIMPLEREGION : COMPLEXREGION;
}

// ---- Rectangles ----

BOOL IsRectEmpty(const RECT* r) { return r == nullptr || r->right <= r->left || r->bottom <= r->top; }

BOOL PtInRect(const RECT* r, POINT p) {
  return r != nullptr && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}

BOOL InflateRect(RECT* r, int dx, int dy) {
  if (r == nullptr) return FALSE;
  r->left -= dx;
  r->right += dx;
  r->top -= dy;
  r->bottom += dy;
  return TRUE;
}

BOOL OffsetRect(RECT* r, int dx, int dy) {
  if (r == nullptr) return FALSE;
  r->left += dx;
  r->right += dx;
  r->top += dy;
  r->bottom += dy;
  return TRUE;
}

BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b) {
  if (out == nullptr || a == nullptr || b == nullptr) return FALSE;
  RECT r = {std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
            std::min(a->bottom, b->bottom)};
  if (r.right <= r.left || r.bottom <= r.top) {
    *out = {0, 0, 0, 0};
    return FALSE;
  }
  *out = r;
  return TRUE;
}

BOOL UnionRect(RECT* out, const RECT* a, const RECT* b) {
  if (out == nullptr || a == nullptr || b == nullptr) return FALSE;
  if (IsRectEmpty(a)) {
    *out = IsRectEmpty(b) ? RECT{0, 0, 0, 0} : *b;
  } else if (IsRectEmpty(b)) {
    *out = *a;
  } else {
    *out = {std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
            std::max(a->bottom, b->bottom)};
  }
  return !IsRectEmpty(out);
}

BOOL EqualRect(const RECT* a, const RECT* b) {
  return a != nullptr && b != nullptr && a->left == b->left && a->top == b->top &&
         a->right == b->right && a->bottom == b->bottom;
}
