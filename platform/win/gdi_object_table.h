// The table of drawing objects: pens, brushes, fonts, regions, bitmaps and
// metafiles, each known by a handle (the calls that make and use them are in
// windows_gdi.cpp). Stock objects are made once and are never deleted; the
// system colour brushes answer both GetSysColorBrush and the Windows convention
// that a class background brush may be a colour index plus one. Handles come
// from the objects' band (0x40000 to 0x7FFFC, see handle_band.h): a deleted
// object's handle is refused rather than reaching another until the band has
// gone round, and when the band is full no object is made (its call returns null).
#ifndef PLATFORM_GDI_OBJECT_TABLE_H
#define PLATFORM_GDI_OBJECT_TABLE_H

#include <map>
#include <memory>

#include "platform/win/bitmap.h"
#include "platform/win/display_list.h"
#include "platform/win/handle_band.h"
#include "platform/win/region.h"
#include "platform/win/windows_gdi.h"

class GdiObjectTable {
 public:
  struct Object {
    DWORD type = 0;  // OBJ_PEN, OBJ_BRUSH, OBJ_FONT, OBJ_REGION, OBJ_METAFILE, OBJ_BITMAP
    bool stock = false;
    int selections = 0;  // how many device contexts have it selected
    LOGPEN pen = {};
    LOGBRUSH brush = {};
    LOGFONT font = {};
    std::unique_ptr<Region> region;
    std::unique_ptr<DisplayList> metafile;
    // A bitmap's content, shared with the images that recorded it (copied
    // before it is drawn into while shared), and the context it is selected into.
    std::shared_ptr<Bitmap> bitmap;
    const void* selectedInto = nullptr;
  };

  static GdiObjectTable& instance();
  // New objects, not yet in the table.
  static std::unique_ptr<Object> makePen(int style, int width, COLORREF color);
  static std::unique_ptr<Object> makeBrush(int style, COLORREF color, int hatch);
  static std::unique_ptr<Object> makeFont(const LOGFONT& font);

  // Gives the object a handle; null (and the object dropped) when the band is full.
  HGDIOBJ add(std::unique_ptr<Object> object);
  Object* find(HGDIOBJ handle);
  // Deletes an object; stock objects and objects still selected are refused.
  bool remove(HGDIOBJ handle);
  HGDIOBJ stock(int which) const;
  // The one-pixel bitmap a memory context starts with (a stock object).
  HBITMAP defaultBitmap() const { return defaultBitmap_; }
  HBRUSH sysColorBrush(int index);
  // A brush handle as a class background or FillRect may give it: a colour
  // index plus one is that system colour's brush.
  Object* findBrush(HBRUSH brush);
  Region* region(HRGN handle);
  std::size_t liveObjects() const { return objects_.size(); }

 private:
  GdiObjectTable();
  std::map<uintptr_t, std::unique_ptr<Object>> objects_;
  std::map<int, HGDIOBJ> stock_;
  std::map<int, HGDIOBJ> sysBrushes_;
  HBITMAP defaultBitmap_ = nullptr;
  HandleBand band_{0x40000, 0x10000};
};

#endif  // PLATFORM_GDI_OBJECT_TABLE_H
