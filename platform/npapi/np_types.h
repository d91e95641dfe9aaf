// The published plug-in interface as the browser and the plug-in share it,
// version 0.6 of the function tables: the scalar types, the instance handle,
// the window, stream, saved-data and print records, and the error, reason,
// mode and stream-type codes. Declarations only; the plug-in implements the
// entry points and the browser host answers the browser services
// (platform/npapi/np_function_tables.h).
//
// Layout: every record is laid out in declaration order with the platform's
// natural alignment, as the browser lays it out. The browser's build is 32-bit,
// where NPSavedData is 8 bytes and NPWindow 28; on a 64-bit build the pointer
// fields take 8 bytes and the records grow accordingly. Widths of the integer
// fields are fixed (int16, uint16, int32, uint32) on every build.
#ifndef PLATFORM_NPAPI_NP_TYPES_H
#define PLATFORM_NPAPI_NP_TYPES_H

#include <cstdint>

typedef int16_t int16;
typedef uint16_t uint16;
typedef int32_t int32;
typedef uint32_t uint32;

typedef unsigned char NPBool;
typedef int16 NPError;
typedef int16 NPReason;
typedef char* NPMIMEType;

// ---- Versions of the function tables this interface describes ----
#define NP_VERSION_MAJOR 0
#define NP_VERSION_MINOR 6

// ---- Error codes ----
#define NPERR_BASE 0
#define NPERR_NO_ERROR (NPERR_BASE + 0)
#define NPERR_GENERIC_ERROR (NPERR_BASE + 1)
#define NPERR_INVALID_INSTANCE_ERROR (NPERR_BASE + 2)
#define NPERR_INVALID_FUNCTABLE_ERROR (NPERR_BASE + 3)
#define NPERR_MODULE_LOAD_FAILED_ERROR (NPERR_BASE + 4)
#define NPERR_OUT_OF_MEMORY_ERROR (NPERR_BASE + 5)
#define NPERR_INVALID_PLUGIN_ERROR (NPERR_BASE + 6)
#define NPERR_INVALID_PLUGIN_DIR_ERROR (NPERR_BASE + 7)
#define NPERR_INCOMPATIBLE_VERSION_ERROR (NPERR_BASE + 8)
#define NPERR_INVALID_PARAM (NPERR_BASE + 9)
#define NPERR_INVALID_URL (NPERR_BASE + 10)
#define NPERR_FILE_NOT_FOUND (NPERR_BASE + 11)
#define NPERR_NO_DATA (NPERR_BASE + 12)
#define NPERR_STREAM_NOT_SEEKABLE (NPERR_BASE + 13)

// ---- Why a stream ended ----
#define NPRES_BASE 0
#define NPRES_DONE (NPRES_BASE + 0)
#define NPRES_NETWORK_ERR (NPRES_BASE + 1)
#define NPRES_USER_BREAK (NPRES_BASE + 2)

// ---- Instance modes (NPP_New, NPPrint) ----
#define NP_EMBED 1  // inside a page, with the page around it
#define NP_FULL 2   // the whole browser window

// ---- Stream delivery types (NPP_NewStream's stype) ----
#define NP_NORMAL 1
#define NP_SEEK 2
#define NP_ASFILE 3
#define NP_ASFILEONLY 4

// The largest amount NPP_WriteReady may report: "as much as you like".
#define NP_MAXREADY ((static_cast<uint32>(~0u) << 1) >> 1)

// ---- The instance ----
// The browser's record of one plug-in instance: pdata is the plug-in's own
// (the plug-in sets it in NPP_New), ndata the browser's.
struct NPP_t {
  void* pdata;
  void* ndata;
};
typedef NPP_t* NPP;

// A rectangle in the window's coordinates, 16-bit fields, top first.
struct NPRect {
  uint16 top;
  uint16 left;
  uint16 bottom;
  uint16 right;
};

// The window the browser gives the instance: the platform window handle, its
// position in the page and its size, and the part of it that is visible.
struct NPWindow {
  void* window;
  int32 x;
  int32 y;
  uint32 width;
  uint32 height;
  NPRect clipRect;
};

// A data stream the browser delivers to the instance. `end` is the length when
// known (0 otherwise), `lastmodified` the time in seconds since 1970.
struct NPStream {
  void* pdata;
  void* ndata;
  const char* url;
  uint32 end;
  uint32 lastmodified;
};

// One range of bytes asked of a seekable stream; ranges are chained.
struct NPByteRange {
  int32 offset;  // negative: from the end
  uint32 length;
  NPByteRange* next;
};

// What an instance hands back when destroyed, for the next instance on the
// same page: `len` bytes at `buf`, both allocated with NPN_MemAlloc.
struct NPSavedData {
  int32 len;
  void* buf;
};

// Printing a full-page instance: the plug-in sets pluginPrinted to false to let
// the browser print the page itself.
struct NPFullPrint {
  NPBool pluginPrinted;
  NPBool printOne;      // print one copy without a dialog
  void* platformPrint;  // the platform's print record
};

// Printing an embedded instance: where on the printed page it goes, with the
// printer's device context in platformPrint.
struct NPEmbedPrint {
  NPWindow window;
  void* platformPrint;
};

struct NPPrint {
  uint16 mode;  // NP_FULL or NP_EMBED
  union {
    NPFullPrint fullPrint;
    NPEmbedPrint embedPrint;
  } print;
};

#endif  // PLATFORM_NPAPI_NP_TYPES_H
