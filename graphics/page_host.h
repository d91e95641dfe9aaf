// What a page window asks of the main window that shows it (the book manager's
// window): its option fields, its status fields, and how its idea symbols open
// pages. A page window without a host has every option off, a grid of 1, a zoom
// of 100 and no status fields.
//
// Option bits:
//   0x2    automatic link dialog        0x4    glyph colours
//   0x10   sounds                       0x100  always the select cursor
//   0x400  modification lock            0x800  grid on (gridSize() applies)
#ifndef GRAPHICS_PAGE_HOST_H
#define GRAPHICS_PAGE_HOST_H

#include "platform/windows_types.h"

class PageHost {
 public:
  enum OptionBits : DWORD {
    AutoLinkDialog = 0x2,
    GlyphColours = 0x4,
    Sounds = 0x10,
    SelectCursor = 0x100,
    ModificationLock = 0x400,
    GridOn = 0x800,
  };
  // How a click on an idea symbol is read: the whole symbol opens its page, or
  // the symbol has no zones, two (left half, right half) or 3 x 3.
  enum ZoneMode { WholeSymbolOpens, NoHotZones, TwoZones, NineZones };

  virtual ~PageHost();
  virtual DWORD options() const = 0;
  virtual int gridSize() const = 0;
  virtual int zoomPercent() const = 0;
  virtual ZoneMode zoneMode() const = 0;
  // The host shows one page window at a time (pages open in display mode 1,
  // else 6).
  virtual bool singleWindow() const = 0;
  virtual bool dynamicTypes() const { return false; }
  virtual void setStatusField(int index, const char* text) = 0;
};

#endif  // GRAPHICS_PAGE_HOST_H
