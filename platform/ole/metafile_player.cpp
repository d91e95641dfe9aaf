// Playing a metafile picture onto a device context (record layout in
// metafile_player.h).
#include "platform/ole/metafile_player.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>
#include <vector>

#include "platform/ole/packed_dib.h"

namespace {

constexpr std::size_t kHeaderBytes = 18;

enum Function : WORD {
  kEof = 0x0000,
  kSetBkColor = 0x0201,
  kSetBkMode = 0x0102,
  kSetRop2 = 0x0104,
  kSetPolyFillMode = 0x0106,
  kSetTextColor = 0x0209,
  kSetWindowOrg = 0x020B,
  kSetWindowExt = 0x020C,
  kLineTo = 0x0213,
  kMoveTo = 0x0214,
  kEllipse = 0x0418,
  kRectangle = 0x041B,
  kRoundRect = 0x061C,
  kPolygon = 0x0324,
  kPolyline = 0x0325,
  kTextOut = 0x0521,
  kCreatePen = 0x02FA,
  kCreateBrush = 0x02FC,
  kSelectObject = 0x012D,
  kDeleteObject = 0x01F0,
  kStretchDib = 0x0F43,
};

// The parameters of one record, read with bounds.
struct Params {
  const uint8_t* p;
  std::size_t n;  // bytes
  bool has(std::size_t bytes) const { return bytes <= n; }
  int16_t s16(std::size_t i) const { return static_cast<int16_t>(p[2 * i] | p[2 * i + 1] << 8); }
  WORD u16(std::size_t i) const { return static_cast<WORD>(p[2 * i] | p[2 * i + 1] << 8); }
  DWORD u32(std::size_t i) const { return DWORD(u16(i)) | DWORD(u16(i + 1)) << 16; }
};

class Player {
 public:
  Player(HDC hdc, const MetafilePicture& pic, const RECT& target) : hdc_(hdc), target_(target) {
    ext_.x = pic.xExt > 0 ? pic.xExt : clampInt(static_cast<long long>(target.right) - target.left);
    ext_.y = pic.yExt > 0 ? pic.yExt : clampInt(static_cast<long long>(target.bottom) - target.top);
  }
  ~Player() {
    for (HGDIOBJ o : objects_)
      if (o != nullptr) DeleteObject(o);
  }

  void setTableSize(std::size_t n) { objects_.assign(n, nullptr); }

  // False for a record whose parameters do not fit.
  bool play(WORD fn, const Params& a) {
    switch (fn) {
      case kSetBkColor:
        if (!a.has(4)) return false;
        SetBkColor(hdc_, a.u32(0));
        return true;
      case kSetTextColor:
        if (!a.has(4)) return false;
        SetTextColor(hdc_, a.u32(0));
        return true;
      case kSetBkMode:
        if (!a.has(2)) return false;
        SetBkMode(hdc_, a.u16(0));
        return true;
      case kSetRop2:
        if (!a.has(2)) return false;
        SetROP2(hdc_, a.u16(0));
        return true;
      case kSetPolyFillMode:
        if (!a.has(2)) return false;
        SetPolyFillMode(hdc_, a.u16(0));
        return true;
      case kSetWindowOrg:
        if (!a.has(4)) return false;
        org_ = {a.s16(1), a.s16(0)};
        return true;
      case kSetWindowExt:
        if (!a.has(4)) return false;
        ext_ = {a.s16(1), a.s16(0)};
        return true;
      case kMoveTo:
      case kLineTo: {
        if (!a.has(4)) return false;
        const POINT q = map(a.s16(1), a.s16(0));
        if (fn == kMoveTo) MoveToEx(hdc_, q.x, q.y, nullptr);
        else LineTo(hdc_, q.x, q.y);
        return true;
      }
      case kRectangle:
      case kEllipse: {
        if (!a.has(8)) return false;
        const POINT lt = map(a.s16(3), a.s16(2)), rb = map(a.s16(1), a.s16(0));
        if (fn == kRectangle) Rectangle(hdc_, lt.x, lt.y, rb.x, rb.y);
        else Ellipse(hdc_, lt.x, lt.y, rb.x, rb.y);
        return true;
      }
      case kRoundRect: {
        if (!a.has(12)) return false;
        const POINT lt = map(a.s16(5), a.s16(4)), rb = map(a.s16(3), a.s16(2));
        RoundRect(hdc_, lt.x, lt.y, rb.x, rb.y, scaleX(a.s16(1)), scaleY(a.s16(0)));
        return true;
      }
      case kPolygon:
      case kPolyline: {
        if (!a.has(2)) return false;
        const std::size_t count = a.u16(0);
        if (!a.has(2 + 4 * count)) return false;
        std::vector<POINT> pts(count);
        for (std::size_t i = 0; i < count; ++i) pts[i] = map(a.s16(1 + 2 * i), a.s16(2 + 2 * i));
        if (fn == kPolygon) Polygon(hdc_, pts.data(), static_cast<int>(count));
        else Polyline(hdc_, pts.data(), static_cast<int>(count));
        return true;
      }
      case kTextOut: {
        if (!a.has(2)) return false;
        const std::size_t len = a.u16(0);
        const std::size_t padded = (len + 1) & ~std::size_t(1);
        if (!a.has(2 + padded + 4)) return false;
        const std::size_t at = (2 + padded) / 2;
        const POINT q = map(a.s16(at + 1), a.s16(at));
        TextOut(hdc_, q.x, q.y, reinterpret_cast<const char*>(a.p + 2), static_cast<int>(len));
        return true;
      }
      case kCreatePen: {
        if (!a.has(10)) return false;
        const int width = std::abs(scaleX(a.s16(1)));
        keep(CreatePen(a.u16(0) & PS_STYLE_MASK, width, a.u32(3)));
        return true;
      }
      case kCreateBrush: {
        if (!a.has(8)) return false;
        const WORD style = a.u16(0);
        HBRUSH b;
        if (style == BS_NULL) b = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        else if (style == BS_HATCHED) b = CreateHatchBrush(a.u16(3), a.u32(1));
        else b = CreateSolidBrush(a.u32(1));
        keep(style == BS_NULL ? nullptr : b, style == BS_NULL ? b : nullptr);
        return true;
      }
      case kSelectObject:
        if (!a.has(2)) return false;
        if (a.u16(0) < objects_.size()) {
          HGDIOBJ o = objects_[a.u16(0)] != nullptr ? objects_[a.u16(0)] : stock_[a.u16(0)];
          if (o != nullptr) SelectObject(hdc_, o);
        }
        return true;
      case kDeleteObject:
        if (!a.has(2)) return false;
        // Deleted at the end, once nothing made here is selected any more;
        // the slot is free for the next object.
        if (a.u16(0) < objects_.size()) {
          if (objects_[a.u16(0)] != nullptr) retired_.push_back(objects_[a.u16(0)]);
          objects_[a.u16(0)] = nullptr;
          stock_.erase(a.u16(0));
        }
        return true;
      case kStretchDib: {
        if (!a.has(22)) return false;
        PackedDib dib;
        if (!dib.parse(a.p + 22, a.n - 22)) return true;  // a picture it cannot show is left out
        const POINT lt = map(a.s16(10), a.s16(9));
        const POINT rb = map(a.s16(10) + a.s16(8), a.s16(9) + a.s16(7));
        StretchDIBits(hdc_, lt.x, lt.y, rb.x - lt.x, rb.y - lt.y, a.s16(6), a.s16(5), a.s16(4), a.s16(3), dib.bits(),
                      dib.info(), a.u16(2), a.u32(0));
        return true;
      }
      default:
        return true;
    }
  }

  void finish() {
    for (HGDIOBJ o : retired_) DeleteObject(o);
    retired_.clear();
  }

 private:
  static int clampInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN / 2, INT_MAX / 2)); }
  int scaleX(int v) const {
    const long long e = ext_.x != 0 ? ext_.x : 1;
    return clampInt(static_cast<long long>(v) * (static_cast<long long>(target_.right) - target_.left) / e);
  }
  int scaleY(int v) const {
    const long long e = ext_.y != 0 ? ext_.y : 1;
    return clampInt(static_cast<long long>(v) * (static_cast<long long>(target_.bottom) - target_.top) / e);
  }
  POINT map(int x, int y) const {
    return POINT{clampInt(target_.left + static_cast<long long>(scaleX(x - org_.x))),
                 clampInt(target_.top + static_cast<long long>(scaleY(y - org_.y)))};
  }
  // Puts an object in the first free slot of the table (as the metafile's
  // maker numbered them); one that finds no slot is deleted.
  void keep(HGDIOBJ made, HGDIOBJ stock = nullptr) {
    for (std::size_t i = 0; i < objects_.size(); ++i) {
      if (objects_[i] == nullptr && stock_.count(static_cast<WORD>(i)) == 0) {
        objects_[i] = made;
        if (stock != nullptr) stock_[static_cast<WORD>(i)] = stock;
        return;
      }
    }
    if (made != nullptr) DeleteObject(made);
  }

  HDC hdc_;
  RECT target_;
  POINT org_{0, 0};
  POINT ext_{1, 1};
  std::vector<HGDIOBJ> objects_;
  std::map<WORD, HGDIOBJ> stock_;  // slots holding a stock object (not deleted)
  std::vector<HGDIOBJ> retired_;
};

}  // namespace

OLESTATUS playMetafilePicture(HDC hdc, const MetafilePicture& pic, const RECT& target) {
  const uint8_t* d = pic.data;
  if (d == nullptr || pic.size < kHeaderBytes) return OLE_ERROR_METAFILE;
  const Params header{d, kHeaderBytes};
  const WORD type = header.u16(0);
  if ((type != 1 && type != 2) || header.u16(1) != 9) return OLE_ERROR_METAFILE;
  const int saved = SaveDC(hdc);
  IntersectClipRect(hdc, target.left, target.top, target.right, target.bottom);
  OLESTATUS status = OLE_ERROR_METAFILE;  // until the end record is seen
  {
    Player player(hdc, pic, target);
    player.setTableSize(header.u16(5));
    std::size_t at = kHeaderBytes;
    while (pic.size - at >= 6) {
      const Params rec{d + at, 6};
      const unsigned long long bytes = 2ull * rec.u32(0);
      const WORD fn = rec.u16(2);
      if (bytes < 6 || bytes > pic.size - at) break;
      if (fn == kEof) {
        status = OLE_OK;
        break;
      }
      if (!player.play(fn, Params{d + at + 6, static_cast<std::size_t>(bytes - 6)})) break;
      at += static_cast<std::size_t>(bytes);
    }
    if (at == pic.size) status = OLE_OK;  // a picture that stops without its end record
    RestoreDC(hdc, saved);
    player.finish();
  }
  return status;
}
