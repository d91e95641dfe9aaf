// The saved form of an embedded object: the byte layout in which objects are
// kept inside a container's document, so that an object saved by any client of
// this kind loads here and one saved here loads elsewhere. The reader and the
// writer work through the caller's stream callbacks (platform/ole/ole_types.h);
// they never see where the bytes are kept.
//
// All integers are little-endian, 32 bits unless marked. A string is a
// length-prefixed text: a 32-bit length that counts the terminating NUL,
// then that many bytes (a length of 0 is the empty string with no bytes).
//
// Object (embedded, format id 2; linked, format id 1):
//   OFFSET  SIZE  DESCRIPTION
//   0       4     version: kept and written back, otherwise ignored (0x0501 here)
//   4       4     format id: 1 linked, 2 embedded, 5 static (a presentation only)
//   8       var   class name (string), e.g. "PBrush", "SoundRec"
//   .       var   topic name (string)
//   .       var   item name (string)
//   -- linked only --
//   .       var   network name (string)
//   .       4     reserved
//   .       4     link update option
//   -- embedded only --
//   .       4     native data size N
//   .       N     native data: the server's own form of the object
//   -- both --
//   .       var   presentation object (below)
//
// Static object (format id 5): version, format id 5, then the presentation
// object's body from its class name on (the same bytes as below after its
// format id).
//
// Presentation object:
//   0       4     version (kept)
//   4       4     format id: 0 no presentation (nothing follows), 5 one follows
//   8       var   class name (string): "METAFILEPICT", "DIB", "BITMAP", or empty
//                 or another name for a clipboard-format presentation
//   -- METAFILEPICT, DIB, BITMAP --
//   .       4     width  (hundredths of a millimetre)
//   .       4     height (hundredths of a millimetre; may be negative)
//   .       4     data size S (for METAFILEPICT: the metafile's bytes + 8)
//   -- METAFILEPICT --
//   .       2     mapping mode     (16 bits)
//   .       2     x extent         (16 bits)
//   .       2     y extent         (16 bits)
//   .       2     reserved         (16 bits)
//   .       S-8   the metafile (platform/ole/metafile_player.h)
//   -- DIB --
//   .       S     a device-independent bitmap: BITMAPINFOHEADER, colour
//                 table, rows
//   -- BITMAP --
//   .       S     a device-dependent bitmap: type, width, height, bytes per
//                 row, (16 bits each), planes, bits per pixel (8 bits each),
//                 rows top down, each padded to an even byte count
//   -- any other class name --
//   .       4     clipboard format: a standard one, or 0 for a registered one
//   .       var   (format 0 only) the registered format's name (string)
//   .       4     data size S
//   .       S     the data
//
// Invariants of a read: every length is checked against the bytes the stream
// actually delivers, and nothing is allocated ahead of bytes that have arrived
// (data comes in pieces of at most kChunk bytes); a stream that ends early
// gives OLE_ERROR_STREAM and a value out of the layout OLE_ERROR_FORMAT. What
// was read is written back byte for byte.
#ifndef PLATFORM_OLE_OLE_OBJECT_STREAM_H
#define PLATFORM_OLE_OLE_OBJECT_STREAM_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ole/ole_types.h"

struct OlePresentation {
  enum Kind { None, MetafilePict, Dib, Bitmap, ClipFormat };
  Kind kind = None;
  DWORD version = 0x0501;
  std::string className;  // as stored (empty for None)
  LONG width = 0;         // hundredths of a millimetre
  LONG height = 0;
  WORD mappingMode = 0;  // METAFILEPICT only
  WORD xExt = 0;
  WORD yExt = 0;
  WORD reserved = 0;
  DWORD clipFormat = 0;         // ClipFormat only
  std::string clipFormatName;   // ClipFormat with format 0 only
  std::vector<uint8_t> data;    // the metafile, the bitmap or the clipboard data
};

struct OleObjectImage {
  static constexpr DWORD FormatLinked = 1;
  static constexpr DWORD FormatEmbedded = 2;
  static constexpr DWORD FormatStatic = 5;

  DWORD version = 0x0501;
  DWORD formatId = FormatEmbedded;
  std::string className;
  std::string topic;
  std::string item;
  std::string networkName;  // linked only
  DWORD linkReserved = 0;   // linked only
  DWORD linkUpdate = 0;     // linked only
  std::vector<uint8_t> native;  // embedded only
  OlePresentation presentation;
};

// The largest piece read in one callback, and so the most allocated ahead of
// bytes that have arrived.
constexpr DWORD kOleChunk = 65536;
// The longest class, topic, item or format name read.
constexpr DWORD kOleMaxName = 4096;

// Reads one object; OLE_OK, OLE_ERROR_STREAM when the stream ends early or
// refuses, OLE_ERROR_FORMAT for a value the layout does not allow.
OLESTATUS readOleObject(OLESTREAM* stream, OleObjectImage& out);
// Writes one object; OLE_ERROR_STREAM when the stream refuses a byte.
OLESTATUS writeOleObject(OLESTREAM* stream, const OleObjectImage& image);
// The number of bytes writeOleObject writes.
DWORD oleObjectSize(const OleObjectImage& image);

// A stream over bytes in memory: Get reads from `data` and never past its end,
// Put appends to `out` (for a writer) up to `limit` bytes.
struct OleMemoryStream : OLESTREAM {
  OleMemoryStream(const void* data, std::size_t size);
  explicit OleMemoryStream(std::vector<uint8_t>* out, std::size_t limit = SIZE_MAX);
  const uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;
  std::vector<uint8_t>* out = nullptr;
  std::size_t limit = SIZE_MAX;
};

#endif  // PLATFORM_OLE_OLE_OBJECT_STREAM_H
