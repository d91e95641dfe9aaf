// The drawing object table and the object calls (see gdi_object_table.h).
#include "platform/win/gdi_object_table.h"

#include <algorithm>
#include <cstring>

#include "platform/win/device_context.h"
#include "platform/win/windows_user.h"

namespace {

std::unique_ptr<GdiObjectTable::Object> makePen(int style, int width, COLORREF color) {
  auto o = std::make_unique<GdiObjectTable::Object>();
  o->type = OBJ_PEN;
  o->pen.lopnStyle = static_cast<UINT>(style);
  o->pen.lopnWidth = {width, 0};
  o->pen.lopnColor = color & 0xFFFFFF;
  return o;
}

std::unique_ptr<GdiObjectTable::Object> makeBrush(int style, COLORREF color, int hatch) {
  auto o = std::make_unique<GdiObjectTable::Object>();
  o->type = OBJ_BRUSH;
  o->brush.lbStyle = static_cast<UINT>(style);
  o->brush.lbColor = color & 0xFFFFFF;
  o->brush.lbHatch = static_cast<uintptr_t>(hatch);
  return o;
}

std::unique_ptr<GdiObjectTable::Object> makeFont(const LOGFONT& lf) {
  auto o = std::make_unique<GdiObjectTable::Object>();
  o->type = OBJ_FONT;
  o->font = lf;
  o->font.lfFaceName[LF_FACESIZE - 1] = '\0';
  return o;
}

LOGFONT logFont(int height, int weight, const char* face) {
  LOGFONT lf = {};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return lf;
}

}  // namespace

GdiObjectTable& GdiObjectTable::instance() {
  static GdiObjectTable table;
  return table;
}

GdiObjectTable::GdiObjectTable() {
  auto addStock = [this](int which, std::unique_ptr<Object> o) {
    o->stock = true;
    stock_[which] = add(std::move(o));
  };
  addStock(WHITE_BRUSH, makeBrush(BS_SOLID, RGB(255, 255, 255), 0));
  addStock(LTGRAY_BRUSH, makeBrush(BS_SOLID, RGB(192, 192, 192), 0));
  addStock(GRAY_BRUSH, makeBrush(BS_SOLID, RGB(128, 128, 128), 0));
  addStock(DKGRAY_BRUSH, makeBrush(BS_SOLID, RGB(64, 64, 64), 0));
  addStock(BLACK_BRUSH, makeBrush(BS_SOLID, RGB(0, 0, 0), 0));
  addStock(NULL_BRUSH, makeBrush(BS_NULL, 0, 0));
  addStock(WHITE_PEN, makePen(PS_SOLID, 0, RGB(255, 255, 255)));
  addStock(BLACK_PEN, makePen(PS_SOLID, 0, RGB(0, 0, 0)));
  addStock(NULL_PEN, makePen(PS_NULL, 0, 0));
  // Every font is measured with the one built-in face; the stock fonts differ
  // in size and weight only.
  addStock(SYSTEM_FONT, makeFont(logFont(16, FW_BOLD, "System")));
  addStock(DEVICE_DEFAULT_FONT, makeFont(logFont(16, FW_BOLD, "System")));
  addStock(SYSTEM_FIXED_FONT, makeFont(logFont(16, FW_NORMAL, "Fixedsys")));
  addStock(OEM_FIXED_FONT, makeFont(logFont(12, FW_NORMAL, "Terminal")));
  addStock(ANSI_FIXED_FONT, makeFont(logFont(12, FW_NORMAL, "Courier")));
  addStock(ANSI_VAR_FONT, makeFont(logFont(12, FW_NORMAL, "MS Sans Serif")));
  addStock(DEFAULT_GUI_FONT, makeFont(logFont(-11, FW_NORMAL, "MS Sans Serif")));
  auto bitmap = std::make_unique<Object>();
  bitmap->type = OBJ_BITMAP;
  bitmap->stock = true;
  bitmap->bitmap = Bitmap::make(1, 1, 0);
  defaultBitmap_ = static_cast<HBITMAP>(add(std::move(bitmap)));
}

HGDIOBJ GdiObjectTable::add(std::unique_ptr<Object> object) {
  uintptr_t h = next_;
  next_ += 4;
  objects_[h] = std::move(object);
  return reinterpret_cast<HGDIOBJ>(h);
}

GdiObjectTable::Object* GdiObjectTable::find(HGDIOBJ handle) {
  auto it = objects_.find(reinterpret_cast<uintptr_t>(handle));
  return it == objects_.end() ? nullptr : it->second.get();
}

bool GdiObjectTable::remove(HGDIOBJ handle) {
  auto it = objects_.find(reinterpret_cast<uintptr_t>(handle));
  if (it == objects_.end()) return false;
  if (it->second->stock) return true;  // deleting a stock object is harmless
  if (it->second->selections > 0) return false;
  objects_.erase(it);
  return true;
}

HGDIOBJ GdiObjectTable::stock(int which) const {
  auto it = stock_.find(which);
  return it == stock_.end() ? nullptr : it->second;
}

HBRUSH GdiObjectTable::sysColorBrush(int index) {
  if (index < 0 || index > COLOR_BTNHIGHLIGHT) return nullptr;
  auto it = sysBrushes_.find(index);
  if (it != sysBrushes_.end()) return static_cast<HBRUSH>(it->second);
  auto o = makeBrush(BS_SOLID, GetSysColor(index), 0);
  o->stock = true;
  HGDIOBJ h = add(std::move(o));
  sysBrushes_[index] = h;
  return static_cast<HBRUSH>(h);
}

GdiObjectTable::Object* GdiObjectTable::findBrush(HBRUSH brush) {
  uintptr_t v = reinterpret_cast<uintptr_t>(brush);
  if (v >= 1 && v <= COLOR_BTNHIGHLIGHT + 1) brush = sysColorBrush(static_cast<int>(v - 1));
  Object* o = find(brush);
  return o != nullptr && o->type == OBJ_BRUSH ? o : nullptr;
}

Region* GdiObjectTable::region(HRGN handle) {
  Object* o = find(handle);
  return o != nullptr && o->type == OBJ_REGION ? o->region.get() : nullptr;
}

// ---------------------------------------------------------------- object calls

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) style = PS_SOLID;
  return static_cast<HPEN>(GdiObjectTable::instance().add(makePen(style, std::max(0, width), color)));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
  if (pen == nullptr) return nullptr;
  return CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  return static_cast<HBRUSH>(GdiObjectTable::instance().add(makeBrush(BS_SOLID, color, 0)));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  return static_cast<HBRUSH>(GdiObjectTable::instance().add(makeBrush(BS_HATCHED, color, hatch)));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
  if (brush == nullptr) return nullptr;
  switch (brush->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(brush->lbColor);
    case BS_NULL: return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    case BS_HATCHED: return CreateHatchBrush(static_cast<int>(brush->lbHatch), brush->lbColor);
    default: return nullptr;
  }
}

HFONT CreateFontIndirect(const LOGFONT* font) {
  if (font == nullptr) return nullptr;
  return static_cast<HFONT>(GdiObjectTable::instance().add(makeFont(*font)));
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
  GdiObjectTable::Object* o = GdiObjectTable::instance().find(object);
  return o != nullptr ? o->type : 0;
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

HBRUSH GetSysColorBrush(int index) { return GdiObjectTable::instance().sysColorBrush(index); }

// ---------------------------------------------------------------- bitmaps

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

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width == 0 || height == 0) width = height = 1;
  std::shared_ptr<Bitmap> b = Bitmap::make(width, height, 0);
  if (!b || planes != 1) return nullptr;
  if (bits != nullptr) {
    // Device-dependent rows, each a whole number of 16-bit words: one bit a
    // pixel (set is white) or 32 bits (blue, green, red, unused).
    if (bitsPerPixel != 1 && bitsPerPixel != 32) return nullptr;
    const std::size_t stride = (static_cast<std::size_t>(width) * bitsPerPixel + 15) / 16 * 2;
    const unsigned char* data = static_cast<const unsigned char*>(bits);
    b->pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
      const unsigned char* row = data + static_cast<std::size_t>(y) * stride;
      for (int x = 0; x < width; ++x) {
        uint32_t v;
        if (bitsPerPixel == 1) {
          v = ((row[x / 8] >> (7 - x % 8)) & 1) != 0 ? 0xFFFFFFu : 0;
        } else {
          const unsigned char* p = row + static_cast<std::size_t>(x) * 4;
          v = (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
        }
        b->pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = v;
      }
    }
  }
  return addBitmap(std::move(b));
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

int SetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  GdiObjectTable::Object* o = GdiObjectTable::instance().find(bitmap);
  if (o == nullptr || o->type != OBJ_BITMAP || !o->bitmap || info == nullptr || o->stock) return 0;
  // The DIB's header describes `lines` rows starting at row `start`.
  const BITMAPINFOHEADER& ih = info->bmiHeader;
  if (ih.biSize < sizeof(BITMAPINFOHEADER) || ih.biBitCount == 0) return 0;
  const std::size_t entries = ih.biBitCount <= 8 ? (ih.biClrUsed != 0 ? ih.biClrUsed : (1u << ih.biBitCount)) : 0;
  if (entries > 256) return 0;
  std::vector<unsigned char> header(reinterpret_cast<const unsigned char*>(info),
                                    reinterpret_cast<const unsigned char*>(info) + ih.biSize + entries * 4);
  BITMAPINFO* part = reinterpret_cast<BITMAPINFO*>(header.data());
  const bool bottomUpHeader = info->bmiHeader.biHeight > 0;
  part->bmiHeader.biHeight = bottomUpHeader ? static_cast<LONG>(lines) : -static_cast<LONG>(lines);
  int w = 0, h = 0;
  bool bottomUp = false;
  std::vector<uint32_t> pixels;
  if (lines == 0 || !decodeDib(part, bits, usage, &w, &h, &bottomUp, pixels)) return 0;
  Bitmap& target = *o->bitmap;
  if (w != target.width) return 0;
  // Rows of a bottom-up DIB count from the bottom.
  const long long top = bottomUp ? static_cast<long long>(target.height) - start - h : start;
  if (top < 0 || top + h > target.height) return 0;
  if (o->bitmap.use_count() > 1) o->bitmap = std::make_shared<Bitmap>(*o->bitmap);  // recordings keep the old
  Bitmap& b = *o->bitmap;
  if (b.drawing.empty()) {
    if (b.pixels.empty()) b.pixels.assign(static_cast<std::size_t>(b.width) * b.height, b.fill);
    std::copy(pixels.begin(), pixels.end(), b.pixels.begin() + static_cast<std::ptrdiff_t>(top * b.width));
  } else {
    // Over what was drawn: the rows as an image on top of it.
    std::shared_ptr<Bitmap> rows = Bitmap::make(w, h, 0);
    rows->pixels = std::move(pixels);
    DrawCommand c;
    c.op = DrawOp::Image;
    c.rect = {0, static_cast<LONG>(top), w, static_cast<LONG>(top + h)};
    c.clip = {0, 0, b.width, b.height};
    c.source = {0, 0, w, h};
    c.image = std::move(rows);
    b.drawing.add(c);
  }
  return h;
}

// ---------------------------------------------------------------- regions

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

HRGN CreateRectRgnIndirect(const RECT* r) {
  return r != nullptr ? CreateRectRgn(r->left, r->top, r->right, r->bottom) : nullptr;
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  return addRegion(Region::ellipse(left, top, right, bottom));
}

HRGN CreateEllipticRgnIndirect(const RECT* r) {
  return r != nullptr ? CreateEllipticRgn(r->left, r->top, r->right, r->bottom) : nullptr;
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

BOOL RectInRegion(HRGN region, const RECT* rect) {
  Region* r = GdiObjectTable::instance().region(region);
  if (r == nullptr || rect == nullptr) return FALSE;
  RECT b = r->box();
  RECT i = {std::max(b.left, rect->left), std::max(b.top, rect->top),
            std::min(b.right, rect->right), std::min(b.bottom, rect->bottom)};
  if (i.right <= i.left || i.bottom <= i.top) return FALSE;
  // Rectangles, ellipses and rounded rectangles are convex and symmetric about
  // their centre on each axis: the pixel of the overlap nearest the centre is
  // inside when any is.
  if (r->kind() == Region::Kind::Rect) return TRUE;
  if (r->kind() == Region::Kind::Ellipse || r->kind() == Region::Kind::RoundRect) {
    long long cx = (static_cast<long long>(b.left) + b.right) / 2;
    long long cy = (static_cast<long long>(b.top) + b.bottom) / 2;
    cx = std::max<long long>(i.left, std::min<long long>(cx, i.right - 1LL));
    cy = std::max<long long>(i.top, std::min<long long>(cy, i.bottom - 1LL));
    return r->contains(static_cast<int>(cx), static_cast<int>(cy));
  }
  // Other shapes: every pixel of overlaps up to 1024 x 1024, larger ones
  // sampled on a grid of that many points.
  const long long w = static_cast<long long>(i.right) - i.left, h = static_cast<long long>(i.bottom) - i.top;
  const long long sx = std::max<long long>(1, w / 1024), sy = std::max<long long>(1, h / 1024);
  for (long long y = i.top; y < i.bottom; y += sy)
    for (long long x = i.left; x < i.right; x += sx)
      if (r->contains(static_cast<int>(x), static_cast<int>(y))) return TRUE;
  return FALSE;
}

int GetRgnBox(HRGN region, RECT* box) {
  Region* r = GdiObjectTable::instance().region(region);
  if (r == nullptr || box == nullptr) return ERROR;
  *box = r->box();
  if (r->isEmpty()) return NULLREGION;
  return r->kind() == Region::Kind::Rect ? SIMPLEREGION : COMPLEXREGION;
}

int OffsetRgn(HRGN region, int dx, int dy) {
  Region* r = GdiObjectTable::instance().region(region);
  if (r == nullptr) return ERROR;
  r->offset(dx, dy);
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

BOOL EqualRgn(HRGN a, HRGN b) {
  GdiObjectTable& t = GdiObjectTable::instance();
  Region* ra = t.region(a);
  Region* rb = t.region(b);
  if (ra == nullptr || rb == nullptr) return FALSE;
  RECT ba = ra->box(), bb = rb->box();
  if (!EqualRect(&ba, &bb)) return FALSE;
  // Compares pixel by pixel over boxes up to 1024 x 1024, larger ones on a grid
  // of that many samples.
  const long long w = static_cast<long long>(ba.right) - ba.left, h = static_cast<long long>(ba.bottom) - ba.top;
  const long long sx = std::max<long long>(1, w / 1024), sy = std::max<long long>(1, h / 1024);
  for (long long y = ba.top; y < ba.bottom; y += sy)
    for (long long x = ba.left; x < ba.right; x += sx)
      if (ra->contains(static_cast<int>(x), static_cast<int>(y)) !=
          rb->contains(static_cast<int>(x), static_cast<int>(y)))
        return FALSE;
  return TRUE;
}

// ---------------------------------------------------------------- rectangles

BOOL SetRect(RECT* r, int left, int top, int right, int bottom) {
  if (r == nullptr) return FALSE;
  *r = {left, top, right, bottom};
  return TRUE;
}

BOOL SetRectEmpty(RECT* r) { return SetRect(r, 0, 0, 0, 0); }

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

BOOL CopyRect(RECT* out, const RECT* in) {
  if (out == nullptr || in == nullptr) return FALSE;
  *out = *in;
  return TRUE;
}
