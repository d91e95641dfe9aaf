// Plays a metafile picture (the presentation many embedded objects carry) onto
// a device context through the platform's drawing calls. The picture's
// logical coordinates (its window origin and extent, from its own records or
// the picture's extents) are mapped onto a target rectangle of the context's
// logical coordinates, so the context's own mapping (the page's zoom) stays as
// it is.
//
// Metafile layout (little-endian):
//   Header, 18 bytes:
//   OFFSET  SIZE  DESCRIPTION
//   0       2     type: 1 in memory, 2 on disk
//   2       2     header size in 16-bit words: 9
//   4       2     version: 0x0100 or 0x0300
//   6       4     size of the whole metafile in 16-bit words
//   10      2     number of objects the object table holds
//   12      4     largest record in words
//   16      2     unused
//   Records, each:
//   0       4     record size in 16-bit words, the 6 header bytes included (>= 3)
//   4       2     function number
//   6       ...   parameters, 16-bit words unless noted; points are stored y first
//                 in the fixed-position records (MOVETO, LINETO, RECTANGLE ...)
//                 and x first in point arrays
//   The record with function 0 ends the metafile.
//
// Records played: SETBKCOLOR 0x201, SETBKMODE 0x102, SETROP2 0x104,
// SETPOLYFILLMODE 0x106, SETTEXTCOLOR 0x209, SETWINDOWORG 0x20B,
// SETWINDOWEXT 0x20C, MOVETO 0x214, LINETO 0x213, RECTANGLE 0x41B,
// ELLIPSE 0x418, ROUNDRECT 0x61C, POLYGON 0x324, POLYLINE 0x325,
// TEXTOUT 0x521, CREATEPENINDIRECT 0x2FA, CREATEBRUSHINDIRECT 0x2FC,
// SELECTOBJECT 0x12D, DELETEOBJECT 0x1F0, STRETCHDIB 0xF43. Others are skipped.
//
// A record whose size goes past the data, is below 3 words, or whose
// parameters do not fit in it ends the play with OLE_ERROR_METAFILE; object
// indexes outside the table are ignored. The work is bounded by the data size.
#ifndef PLATFORM_OLE_METAFILE_PLAYER_H
#define PLATFORM_OLE_METAFILE_PLAYER_H

#include <cstddef>
#include <cstdint>

#include "platform/ole/ole_types.h"
#include "platform/win/windows_gdi.h"

struct MetafilePicture {
  const uint8_t* data = nullptr;
  std::size_t size = 0;
  // The picture's extents in its own units (0: none given); the default window
  // extent when the metafile sets none.
  int xExt = 0;
  int yExt = 0;
};

// Plays `picture` into `target` on `hdc`: OLE_OK, or OLE_ERROR_METAFILE for a
// header or record out of the layout (what came before it stays drawn). The
// context's state (selected objects, colours, modes, clipping) is as before
// afterwards and every object the metafile made is deleted.
OLESTATUS playMetafilePicture(HDC hdc, const MetafilePicture& picture, const RECT& target);

#endif  // PLATFORM_OLE_METAFILE_PLAYER_H
