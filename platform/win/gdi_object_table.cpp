// The drawing object table (see gdi_object_table.h); the object calls are in windows_gdi.cpp.
#include "platform/win/gdi_object_table.h"

#include <algorithm>
#include <cstring>

#include "platform/win/windows_user.h"

std::unique_ptr<GdiObjectTable::Object> GdiObjectTable::makePen(int style, int width, COLORREF color) {
  auto o = std::make_unique<GdiObjectTable::Object>();
  o->type = OBJ_PEN;
  o->pen.lopnStyle = static_cast<UINT>(style);
  o->pen.lopnWidth = {width, 0};
  o->pen.lopnColor = color & 0xFFFFFF;
  return o;
}

std::unique_ptr<GdiObjectTable::Object> GdiObjectTable::makeBrush(int style, COLORREF color, int hatch) {
  auto o = std::make_unique<GdiObjectTable::Object>();
  o->type = OBJ_BRUSH;
  o->brush.lbStyle = static_cast<UINT>(style);
  o->brush.lbColor = color & 0xFFFFFF;
  o->brush.lbHatch = static_cast<uintptr_t>(hatch);
  return o;
}

std::unique_ptr<GdiObjectTable::Object> GdiObjectTable::makeFont(const LOGFONT& lf) {
  auto o = std::make_unique<GdiObjectTable::Object>();
  o->type = OBJ_FONT;
  o->font = lf;
  o->font.lfFaceName[LF_FACESIZE - 1] = '\0';
  return o;
}

namespace {

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
  const uintptr_t h = band_.next([this](uintptr_t v) { return objects_.count(v) != 0; });
  if (h == 0) return nullptr;
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
  if (h != nullptr) sysBrushes_[index] = h;
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
