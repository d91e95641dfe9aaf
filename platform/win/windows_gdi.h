// The drawing calls and constants the system's classes use: device contexts and
// their mapping, pens, brushes, fonts, regions, raster operations, the drawing
// primitives, text output and text metrics, metafiles and device capabilities.
//
// A device context (platform/win/device_context.h) keeps the drawing state and turns
// logical coordinates into device coordinates with Windows' rounding; every
// primitive is then recorded in a display list (platform/win/display_list.h) that the
// renderers replay. Objects (pens, brushes, fonts, regions, bitmaps) live in one
// handle table (platform/win/gdi_object_table.h). The calls themselves are
// defined in windows_gdi.cpp.
#ifndef PLATFORM_WINDOWS_GDI_H
#define PLATFORM_WINDOWS_GDI_H

#include "platform/windows_types.h"

TVX_DECLARE_HANDLE(HBITMAP);

inline COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline int GetRValue(COLORREF c) { return static_cast<int>(c & 0xFF); }
inline int GetGValue(COLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
inline int GetBValue(COLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }
#define CLR_INVALID 0xFFFFFFFFu

// Mapping modes.
#define MM_TEXT 1
#define MM_LOMETRIC 2
#define MM_HIMETRIC 3
#define MM_LOENGLISH 4
#define MM_HIENGLISH 5
#define MM_TWIPS 6
#define MM_ISOTROPIC 7
#define MM_ANISOTROPIC 8

// Raster operations (binary).
#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16

// Background modes.
#define TRANSPARENT 1
#define OPAQUE 2

// Polygon fill modes.
#define ALTERNATE 1
#define WINDING 2

// Text alignment.
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24
#define GDI_ERROR 0xFFFFFFFFu

// Pen styles.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define PS_STYLE_MASK 0x0000000F

// Brush styles and hatches.
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL
#define BS_HATCHED 2
#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5

// Stock objects.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17

// Object kinds (GetObjectType): the drawing objects, and the device contexts
// (OBJ_METADC a metafile being recorded, OBJ_MEMDC a memory context, OBJ_DC any other).
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_FONT 6
#define OBJ_REGION 8
#define OBJ_METADC 4
#define OBJ_BITMAP 7
#define OBJ_METAFILE 9
#define OBJ_MEMDC 10

// Region results and combine modes.
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

// Device capabilities.
#define DRIVERVERSION 0
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMCOLORS 24
#define ASPECTX 40
#define ASPECTY 42
#define ASPECTXY 44
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define PHYSICALWIDTH 110
#define PHYSICALHEIGHT 111
#define DT_PLOTTER 0
#define DT_RASDISPLAY 1
#define DT_RASPRINTER 2
#define DT_METAFILE 5

// Font weights and the face name size.
#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700
#define LF_FACESIZE 32
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1

struct LOGFONT {
  LONG lfHeight;  // < 0: character (em) height; > 0: cell height; 0: default
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  char lfFaceName[LF_FACESIZE];
};

struct LOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
};

struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  uintptr_t lbHatch;
};

struct TEXTMETRIC {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};

// Bitmaps and device-independent bitmaps (DIBs).
struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  void* bmBits;
};

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // > 0: rows from the bottom up; < 0: from the top down
  WORD biPlanes;
  WORD biBitCount;  // 1, 4, 8 (with a colour table), 16 (5-5-5), 24 or 32
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];  // the colour table, as long as the bit count needs
};

#define BI_RGB 0
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1
#define CBM_INIT 4

// Ternary raster operations (BitBlt, StretchBlt, StretchDIBits, PatBlt): the
// high word's low byte is the truth table of the result over pattern (0xF0),
// source (0xCC) and destination (0xAA); every one of the 256 is honoured.
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define SRCERASE 0x00440328u
#define NOTSRCCOPY 0x00330008u
#define NOTSRCERASE 0x001100A6u
#define MERGECOPY 0x00C000CAu
#define MERGEPAINT 0x00BB0226u
#define PATCOPY 0x00F00021u
#define PATPAINT 0x00FB0A09u
#define PATINVERT 0x005A0049u
#define DSTINVERT 0x00550009u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u

// Stretching modes (StretchBlt keeps the nearest source pixel in all but HALFTONE).
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_ANDSCANS BLACKONWHITE
#define STRETCH_ORSCANS WHITEONBLACK
#define STRETCH_DELETESCANS COLORONCOLOR
#define STRETCH_HALFTONE HALFTONE

struct METAFILEPICT {
  LONG mm;
  LONG xExt;
  LONG yExt;
  HMETAFILE hMF;
};

// ---- Device contexts ----
HDC GetDC(HWND hwnd);        // the client area of hwnd; the whole screen for null
HDC GetWindowDC(HWND hwnd);  // the whole window, frame included
int ReleaseDC(HWND hwnd, HDC hdc);
// CreateDC("DISPLAY", ...) is the whole screen; any other driver is a printer
// whose pages are kept until the context is deleted (platform/printer_pages.h).
HDC CreateDC(const char* driver, const char* device, const char* output, const void* devMode);
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
int SaveDC(HDC hdc);
BOOL RestoreDC(HDC hdc, int saved);
int GetDeviceCaps(HDC hdc, int index);

// ---- Mapping ----
int SetMapMode(HDC hdc, int mode);
int GetMapMode(HDC hdc);
BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* old);
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* old);
BOOL SetWindowExtEx(HDC hdc, int x, int y, SIZE* old);
BOOL SetViewportExtEx(HDC hdc, int x, int y, SIZE* old);
BOOL GetWindowOrgEx(HDC hdc, POINT* p);
BOOL GetViewportOrgEx(HDC hdc, POINT* p);
BOOL GetWindowExtEx(HDC hdc, SIZE* s);
BOOL GetViewportExtEx(HDC hdc, SIZE* s);
BOOL LPtoDP(HDC hdc, POINT* points, int count);
BOOL DPtoLP(HDC hdc, POINT* points, int count);

// ---- Objects ----
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HFONT CreateFontIndirect(const LOGFONT* font);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight,
                 DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                 DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                 const char* faceName);
HGDIOBJ GetStockObject(int which);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
DWORD GetObjectType(HGDIOBJ object);
int GetObject(HGDIOBJ object, int size, void* out);

// ---- Clipping (in device units: a box, or the pixels of a region) ----
// Narrows the clip to a logical rectangle; returns the region kind of the result.
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
// A copy of the region (device units) replaces the clip, null restores the
// whole surface; drawing is then clipped to the region's own pixels.
int SelectClipRgn(HDC hdc, HRGN region);
// The clip box in logical units.
int GetClipBox(HDC hdc, RECT* box);

// ---- Attributes ----
int SetROP2(HDC hdc, int rop);
int GetROP2(HDC hdc);
int SetBkMode(HDC hdc, int mode);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF SetTextColor(HDC hdc, COLORREF color);
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);
int SetPolyFillMode(HDC hdc, int mode);

// ---- Primitives ----
BOOL MoveToEx(HDC hdc, int x, int y, POINT* old);
BOOL LineTo(HDC hdc, int x, int y);
BOOL GetCurrentPositionEx(HDC hdc, POINT* p);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height);
BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
BOOL Polygon(HDC hdc, const POINT* points, int count);
BOOL Polyline(HDC hdc, const POINT* points, int count);
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC hdc, const RECT* rect);
BOOL DrawFocusRect(HDC hdc, const RECT* rect);
// Regions are filled in device units with the context's raster operation:
// FillRgn with a brush, PaintRgn with the selected brush, InvertRgn inverts,
// FrameRgn fills the region's edge, `width` across and `height` down (logical).
BOOL FillRgn(HDC hdc, HRGN region, HBRUSH brush);
BOOL PaintRgn(HDC hdc, HRGN region);
BOOL InvertRgn(HDC hdc, HRGN region);
BOOL FrameRgn(HDC hdc, HRGN region, HBRUSH brush, int width, int height);
BOOL TextOut(HDC hdc, int x, int y, const char* text, int length);

// ---- Bitmaps ----
// A bitmap is a picture of width x height pixels that a memory context (from
// CreateCompatibleDC) draws into once it is selected there; BitBlt and
// StretchBlt copy a rectangle of any context's pixels to another (a
// window's, the screen's, a memory context's bitmap), recorded as an image of
// the source as it is at the time of the call. Sizes are limited to 16384
// pixels a side and 2^26 pixels in all; a larger bitmap is refused.
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);  // black
// A bitmap from a DIB's pixels (CBM_INIT; black without it). BI_RGB only, with
// DIB_RGB_COLORS; DIB_PAL_COLORS is refused.
HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop);
// Negative extents, or extents whose signs differ between source and destination, mirror.
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh,
                DWORD rop);
// The DIB's rectangle (sx, sy, sw, sh; for a bottom-up DIB, sy counts from its
// bottom row, as on Windows) drawn into the destination rectangle; the number of
// rows drawn, 0 on failure.
int StretchDIBits(HDC hdc, int x, int y, int width, int height, int sx, int sy, int sw, int sh, const void* bits,
                  const BITMAPINFO* info, UINT usage, DWORD rop);
// Fills a rectangle with the selected brush by a raster operation that has no source.
BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);
int SetStretchBltMode(HDC hdc, int mode);

// ---- Text measurement ----
BOOL GetTextExtentPoint32(HDC hdc, const char* text, int length, SIZE* size);
BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* metrics);

// ---- Regions (coordinates as given; regions know no mapping) ----
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height);
HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
BOOL PtInRegion(HRGN region, int x, int y);
int GetRgnBox(HRGN region, RECT* box);
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);

// ---- Rectangles ----
BOOL IsRectEmpty(const RECT* r);
BOOL PtInRect(const RECT* r, POINT p);
BOOL InflateRect(RECT* r, int dx, int dy);
BOOL OffsetRect(RECT* r, int dx, int dy);
BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b);
BOOL UnionRect(RECT* out, const RECT* a, const RECT* b);
BOOL EqualRect(const RECT* a, const RECT* b);

// ---- Metafiles (a display list in logical units of the metafile context) ----
HDC CreateMetaFile(const char* fileName);  // null: in memory
HMETAFILE CloseMetaFile(HDC hdc);
BOOL PlayMetaFile(HDC hdc, HMETAFILE mf);
BOOL DeleteMetaFile(HMETAFILE mf);

#endif  // PLATFORM_WINDOWS_GDI_H
