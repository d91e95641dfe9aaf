// drawing_demo: draws every primitive, pen, brush, raster operation, text
// alignment and mapping mode of the drawing layer in a labelled grid inside a
// window on the headless screen, with a row of what Windows does exactly:
// clipping to an elliptic region, exclusive-or lines over colours, a wide pen
// stroke with round ends and joins, a stretched and a mirrored bitmap, filled
// and framed combined regions, and a metafile played into a rectangle; and
// writes the window as SVG, PNG and PDF.
//
// Usage: drawing_demo <output folder>
// Writes <folder>/drawing_demo.svg, .png and .pdf; exit status 0 when all three
// were written.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/render/headless_host.h"
#include "platform/owl/t_dc.h"
#include "platform/owl/t_window.h"
#include "platform/win/windows_gdi.h"

namespace {

const int kCellW = 150;
const int kCellH = 112;
const int kColumns = 6;
const int kRows = 7;

class DemoWindow : public TWindow {
 public:
  explicit DemoWindow(TWindow* parent) : TWindow(parent, "demo") {
    Attr.Style = WS_CHILD | WS_VISIBLE;
    Attr.W = kColumns * kCellW;
    Attr.H = kRows * kCellH;
  }

  void Paint(TDC& dc, bool, TRect&) override {
    label_ = CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    grid(dc);
    primitives(dc);
    pens(dc);
    brushes(dc);
    rasterOps(dc);
    alignment(dc);
    mapping(dc);
    exactness(dc);
    DeleteObject(label_);
  }

 private:
  // The top-left corner of a cell.
  static TPoint at(int col, int row) { return TPoint(col * kCellW, row * kCellH); }

  void caption(TDC& dc, int col, int row, const char* text) {
    HDC h = dc.GetHDC();
    int saved = SaveDC(h);
    SelectObject(h, label_);
    SetTextAlign(h, TA_CENTER | TA_BOTTOM);
    SetBkMode(h, TRANSPARENT);
    SetTextColor(h, RGB(0, 0, 0x80));
    TPoint p = at(col, row);
    TextOut(h, p.x + kCellW / 2, p.y + kCellH - 4, text, static_cast<int>(std::strlen(text)));
    RestoreDC(h, saved);
  }

  void grid(TDC& dc) {
    HPEN line = CreatePen(PS_SOLID, 1, RGB(0xC0, 0xC0, 0xC0));
    HGDIOBJ old = SelectObject(dc, line);
    for (int c = 0; c <= kColumns; ++c) {
      dc.MoveTo(c * kCellW, 0);
      dc.LineTo(c * kCellW, kRows * kCellH);
    }
    for (int r = 0; r <= kRows; ++r) {
      dc.MoveTo(0, r * kCellH);
      dc.LineTo(kColumns * kCellW, r * kCellH);
    }
    SelectObject(dc, old);
    DeleteObject(line);
  }

  // Row 0: the primitives, with a black pen and a grey brush.
  void primitives(TDC& dc) {
    HBRUSH grey = CreateSolidBrush(RGB(0x60, 0x60, 0x60));
    HGDIOBJ oldBrush = SelectObject(dc, grey);
    TPoint p = at(0, 0);
    dc.Rectangle(p.x + 25, p.y + 15, p.x + 125, p.y + 80);
    caption(dc, 0, 0, "Rectangle");
    p = at(1, 0);
    dc.RoundRect(TRect(p.x + 25, p.y + 15, p.x + 125, p.y + 80), TPoint(30, 30));
    caption(dc, 1, 0, "RoundRect");
    p = at(2, 0);
    dc.Ellipse(p.x + 25, p.y + 15, p.x + 125, p.y + 80);
    caption(dc, 2, 0, "Ellipse");
    p = at(3, 0);
    TPoint star[5] = {TPoint(p.x + 75, p.y + 10), TPoint(p.x + 105, p.y + 85), TPoint(p.x + 30, p.y + 38),
                      TPoint(p.x + 120, p.y + 38), TPoint(p.x + 45, p.y + 85)};
    dc.Polygon(star, 5);
    caption(dc, 3, 0, "Polygon (alternate)");
    p = at(4, 0);
    TPoint zig[5] = {TPoint(p.x + 20, p.y + 80), TPoint(p.x + 50, p.y + 15), TPoint(p.x + 80, p.y + 80),
                     TPoint(p.x + 110, p.y + 15), TPoint(p.x + 130, p.y + 50)};
    dc.Polyline(zig, 5);
    caption(dc, 4, 0, "Polyline, MoveTo/LineTo");
    dc.MoveTo(p.x + 20, p.y + 88);
    dc.LineTo(p.x + 130, p.y + 88);
    p = at(5, 0);
    HBRUSH teal = CreateSolidBrush(RGB(0, 0x80, 0x80));
    dc.FillRect(TRect(p.x + 20, p.y + 15, p.x + 80, p.y + 50), teal);
    dc.DrawFocusRect(TRect(p.x + 60, p.y + 40, p.x + 130, p.y + 85));
    caption(dc, 5, 0, "FillRect, focus rect");
    SelectObject(dc, oldBrush);
    DeleteObject(teal);
    DeleteObject(grey);
  }

  // Row 1: pens, each as an outline and a line.
  void pens(TDC& dc) {
    struct Pen {
      int style;
      int width;
      const char* name;
    };
    const Pen list[] = {{PS_SOLID, 1, "solid 1"},   {PS_SOLID, 4, "solid 4"},  {PS_DASH, 1, "dash"},
                        {PS_DOT, 1, "dot"},         {PS_DASHDOT, 1, "dash dot"}, {PS_INSIDEFRAME, 8, "inside frame 8"}};
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
    for (int i = 0; i < 6; ++i) {
      HPEN pen = CreatePen(list[i].style, list[i].width, RGB(0x80, 0, 0));
      HGDIOBJ old = SelectObject(dc, pen);
      TPoint p = at(i, 1);
      dc.Rectangle(p.x + 25, p.y + 12, p.x + 125, p.y + 62);
      dc.MoveTo(p.x + 25, p.y + 78);
      dc.LineTo(p.x + 125, p.y + 78);
      SelectObject(dc, old);
      DeleteObject(pen);
      if (list[i].style == PS_INSIDEFRAME) {
        // The box itself, drawn thin: the inside-frame pen stays within it.
        HPEN thin = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
        old = SelectObject(dc, thin);
        dc.Rectangle(p.x + 25, p.y + 12, p.x + 125, p.y + 62);
        SelectObject(dc, old);
        DeleteObject(thin);
      }
      caption(dc, i, 1, list[i].name);
    }
    SelectObject(dc, oldBrush);
  }

  // Row 2: brushes, and a shape drawn with the null pen.
  void brushes(TDC& dc) {
    struct Brush {
      HBRUSH brush;
      bool owned;
      const char* name;
    };
    const Brush list[] = {
        {CreateSolidBrush(RGB(0xFF, 0xC0, 0x00)), true, "solid"},
        {static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH)), false, "hollow"},
        {static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)), false, "stock light grey"},
        {CreateHatchBrush(HS_CROSS, RGB(0, 0, 0xC0)), true, "hatched cross"},
        {CreateHatchBrush(HS_FDIAGONAL, RGB(0, 0x80, 0)), true, "hatched diagonal"},
        {static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH)), false, "null pen, dark grey"},
    };
    for (int i = 0; i < 6; ++i) {
      HGDIOBJ old = SelectObject(dc, list[i].brush);
      HGDIOBJ oldPen = nullptr;
      if (i == 5) oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
      TPoint p = at(i, 2);
      dc.Ellipse(p.x + 30, p.y + 12, p.x + 120, p.y + 85);
      if (oldPen != nullptr) SelectObject(dc, oldPen);
      SelectObject(dc, old);
      if (list[i].owned) DeleteObject(list[i].brush);
      caption(dc, i, 2, list[i].name);
    }
  }

  // Row 3: raster operations over stripes of black, white and colour.
  void rasterOps(TDC& dc) {
    struct Op {
      int rop;
      COLORREF colour;
      const char* name;
    };
    const Op list[] = {{R2_COPYPEN, RGB(0xFF, 0xFF, 0), "copy"},         {R2_NOT, 0, "invert"},
                       {R2_XORPEN, RGB(0xFF, 0xFF, 0), "exclusive-or yellow"},                     {R2_NOTXORPEN, RGB(0xFF, 0xFF, 0), "not exclusive-or"},
                       {R2_NOT, 0, "invert twice: nothing"},               {R2_NOP, 0, "no operation"}};
    HBRUSH stripes[3] = {static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)),
                         static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), CreateSolidBrush(RGB(0, 0x60, 0xC0))};
    for (int i = 0; i < 6; ++i) {
      TPoint p = at(i, 3);
      for (int s = 0; s < 3; ++s) dc.FillRect(TRect(p.x + 20 + s * 37, p.y + 10, p.x + 20 + (s + 1) * 37, p.y + 88), stripes[s]);
      HBRUSH brush = CreateSolidBrush(list[i].colour);
      HPEN pen = CreatePen(PS_SOLID, 5, list[i].colour);
      HGDIOBJ oldBrush = SelectObject(dc, brush);
      HGDIOBJ oldPen = SelectObject(dc, pen);
      int oldRop = dc.SetROP2(list[i].rop);
      dc.Rectangle(p.x + 35, p.y + 25, p.x + 115, p.y + 72);
      if (i == 4) dc.Rectangle(p.x + 35, p.y + 25, p.x + 115, p.y + 72);
      dc.SetROP2(oldRop);
      SelectObject(dc, oldPen);
      SelectObject(dc, oldBrush);
      DeleteObject(pen);
      DeleteObject(brush);
      caption(dc, i, 3, list[i].name);
    }
    DeleteObject(stripes[2]);
  }

  // Row 4: text alignment around a marked reference point, and background modes.
  void alignment(TDC& dc) {
    struct Align {
      UINT align;
      const char* name;
    };
    const Align list[] = {{TA_LEFT | TA_TOP, "left top"},         {TA_CENTER | TA_TOP, "centre top"},
                          {TA_RIGHT | TA_TOP, "right top"},       {TA_LEFT | TA_BASELINE, "left baseline"},
                          {TA_CENTER | TA_BOTTOM, "centre bottom"}, {TA_RIGHT | TA_BOTTOM, "right bottom"}};
    HFONT big = CreateFont(-22, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    for (int i = 0; i < 6; ++i) {
      TPoint p = at(i, 4);
      TPoint ref(p.x + 75, p.y + 45);
      HPEN red = CreatePen(PS_SOLID, 1, RGB(0xFF, 0, 0));
      HGDIOBJ oldPen = SelectObject(dc, red);
      dc.MoveTo(ref.x - 70, ref.y);
      dc.LineTo(ref.x + 70, ref.y);
      dc.MoveTo(ref.x, ref.y - 35);
      dc.LineTo(ref.x, ref.y + 35);
      SelectObject(dc, oldPen);
      DeleteObject(red);
      HGDIOBJ oldFont = SelectObject(dc, big);
      dc.SetTextAlign(list[i].align);
      if (i % 2 == 0) {
        dc.SetBkMode(OPAQUE);
        dc.SetBkColor(RGB(0xE0, 0xE0, 0xFF));
      } else {
        dc.SetBkMode(TRANSPARENT);
      }
      dc.SetTextColor(RGB(0, 0x60, 0));
      dc.TextOut(ref, "Agile");
      dc.SetTextAlign(TA_LEFT | TA_TOP);
      dc.SetBkMode(OPAQUE);
      dc.SetBkColor(RGB(0xFF, 0xFF, 0xFF));
      dc.SetTextColor(0);
      SelectObject(dc, oldFont);
      caption(dc, i, 4, (std::string(list[i].name) + (i % 2 == 0 ? ", opaque" : ", transparent")).c_str());
    }
    DeleteObject(big);
  }

  // Row 5: one logical picture (a 100 x 60 box with an ellipse and a diagonal)
  // through each mapping mode, its origin at the cell's centre left.
  void mapping(TDC& dc) {
    struct Mode {
      int mode;
      int wx, wy, vx, vy;
      const char* name;
    };
    const Mode list[] = {{MM_TEXT, 0, 0, 0, 0, "text"},
                         {MM_LOMETRIC, 0, 0, 0, 0, "0.1 mm units (y up)"},
                         {MM_ANISOTROPIC, 100, 100, 50, 50, "anisotropic, zoom 50"},
                         {MM_ANISOTROPIC, 100, 100, 120, 60, "anisotropic 120 x 60"},
                         {MM_ISOTROPIC, 100, 100, 120, 60, "isotropic 120 x 60"},
                         {MM_ANISOTROPIC, 100, -100, 100, 100, "anisotropic, y up"}};
    HBRUSH pale = CreateSolidBrush(RGB(0xC0, 0xE0, 0xFF));
    for (int i = 0; i < 6; ++i) {
      TPoint p = at(i, 5);
      int saved = dc.SaveDC();
      dc.SetMapMode(list[i].mode);
      if (list[i].wx != 0) {
        dc.SetWindowExt(TSize(list[i].wx, list[i].wy));
        dc.SetViewportExt(TSize(list[i].vx, list[i].vy));
      }
      dc.SetViewportOrg(TPoint(p.x + 20, p.y + (list[i].mode == MM_LOMETRIC || list[i].wy < 0 ? 85 : 12)));
      HGDIOBJ old = SelectObject(dc, pale);
      dc.Rectangle(0, 0, 100, 60);
      dc.Ellipse(10, 10, 90, 50);
      dc.MoveTo(0, 0);
      dc.LineTo(100, 60);
      SelectObject(dc, old);
      dc.RestoreDC(saved);
      caption(dc, i, 5, list[i].name);
    }
    DeleteObject(pale);
  }

  // Row 6: what Windows does exactly.
  void exactness(TDC& dc) {
    HDC h = dc.GetHDC();
    stripes(h, at(0, 6));
    clipToEllipse(h, at(0, 6));
    caption(dc, 0, 6, "clip to an elliptic region");
    stripes(h, at(1, 6));
    exclusiveOrLines(h, at(1, 6));
    caption(dc, 1, 6, "XOR lines: white, grey, black");
    penStroke(h, at(2, 6));
    caption(dc, 2, 6, "wide pen: round ends, joins");
    bitmaps(h, at(3, 6));
    caption(dc, 3, 6, "stretched, mirrored bitmap");
    regions(h, at(4, 6));
    caption(dc, 4, 6, "FillRgn xor, FrameRgn");
    metafile(h, at(5, 6));
    caption(dc, 5, 6, "metafile into a box");
  }

  // Four coloured bars across a cell.
  static void stripes(HDC h, TPoint p) {
    const COLORREF colours[4] = {RGB(0xE0, 0x20, 0x20), RGB(0x20, 0xA0, 0x40), RGB(0x20, 0x50, 0xE0),
                                 RGB(0xF0, 0xD0, 0x20)};
    for (int i = 0; i < 4; ++i) {
      HBRUSH b = CreateSolidBrush(colours[i]);
      RECT r = {p.x + 15 + i * 30, p.y + 8, p.x + 15 + (i + 1) * 30, p.y + 88};
      FillRect(h, &r, b);
      DeleteObject(b);
    }
  }

  // Everything drawn after SelectClipRgn lands inside the ellipse only.
  void clipToEllipse(HDC h, TPoint p) {
    int saved = SaveDC(h);
    HRGN ellipse = CreateEllipticRgn(p.x + 20, p.y + 12, p.x + 131, p.y + 85);
    SelectClipRgn(h, ellipse);
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(0xFF, 0xFF, 0xFF));
    RECT all = {p.x, p.y, p.x + kCellW, p.y + kCellH};
    FillRect(h, &all, hatch);
    HFONT big = CreateFont(-30, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    SelectObject(h, big);
    SetBkMode(h, TRANSPARENT);
    SetTextColor(h, RGB(0, 0, 0));
    TextOut(h, p.x + 8, p.y + 30, "CLIPPED", 7);
    RestoreDC(h, saved);
    DeleteObject(big);
    DeleteObject(hatch);
    DeleteObject(ellipse);
  }

  // Exclusive-or with the pen's colour: white inverts, grey flips the high
  // bits, black changes nothing; each line drawn twice is gone again.
  static void exclusiveOrLines(HDC h, TPoint p) {
    int saved = SaveDC(h);
    SetROP2(h, R2_XORPEN);
    struct Line {
      COLORREF colour;
      int width;
      int y;
    };
    const Line lines[] = {{RGB(255, 255, 255), 5, 20}, {RGB(0x80, 0x80, 0x80), 5, 38}, {RGB(0, 0, 0), 5, 56}};
    for (const Line& l : lines) {
      HPEN pen = CreatePen(PS_SOLID, l.width, l.colour);
      HGDIOBJ old = SelectObject(h, pen);
      MoveToEx(h, p.x + 10, p.y + l.y, nullptr);
      LineTo(h, p.x + 140, p.y + l.y + 10);
      SelectObject(h, old);
      DeleteObject(pen);
    }
    // One-pixel segments meeting at corners: each corner inverted once, no holes.
    SetROP2(h, R2_NOT);
    MoveToEx(h, p.x + 20, p.y + 84, nullptr);
    for (int i = 1; i <= 8; ++i) LineTo(h, p.x + 20 + i * 14, p.y + (i % 2 == 0 ? 84 : 70));
    RestoreDC(h, saved);
  }

  // A free-hand stroke as the pen annotations draw it: one polyline, wide.
  static void penStroke(HDC h, TPoint p) {
    const POINT stroke[6] = {{p.x + 20, p.y + 70}, {p.x + 45, p.y + 20}, {p.x + 70, p.y + 65},
                             {p.x + 95, p.y + 25}, {p.x + 115, p.y + 50}, {p.x + 130, p.y + 30}};
    HPEN wide = CreatePen(PS_SOLID, 14, RGB(0x20, 0x60, 0xC0));
    HGDIOBJ old = SelectObject(h, wide);
    Polyline(h, stroke, 6);
    HPEN thin = CreatePen(PS_SOLID, 0, RGB(255, 255, 255));
    SelectObject(h, thin);
    Polyline(h, stroke, 6);  // the path the stroke follows
    SelectObject(h, old);
    DeleteObject(wide);
    DeleteObject(thin);
  }

  // A 4 x 4 DIB stretched eight times, and a memory bitmap copied mirrored.
  static void bitmaps(HDC h, TPoint p) {
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[4];
    } dib = {};
    dib.header.biSize = sizeof(BITMAPINFOHEADER);
    dib.header.biWidth = 4;
    dib.header.biHeight = 4;  // bottom-up
    dib.header.biPlanes = 1;
    dib.header.biBitCount = 8;
    dib.header.biClrUsed = 4;
    dib.colours[0] = {0x20, 0x20, 0xE0, 0};  // red
    dib.colours[1] = {0x40, 0xA0, 0x20, 0};  // green
    dib.colours[2] = {0xE0, 0x50, 0x20, 0};  // blue
    dib.colours[3] = {0x20, 0xD0, 0xF0, 0};  // yellow
    const unsigned char bits[16] = {0, 1, 2, 3, 1, 2, 3, 0, 2, 3, 0, 1, 3, 0, 1, 2};
    StretchDIBits(h, p.x + 10, p.y + 12, 64, 64, 0, 0, 4, 4, bits, reinterpret_cast<const BITMAPINFO*>(&dib),
                  DIB_RGB_COLORS, SRCCOPY);
    HDC mem = CreateCompatibleDC(h);
    HBITMAP bmp = CreateCompatibleBitmap(h, 24, 32);
    HGDIOBJ oldBmp = SelectObject(mem, bmp);
    RECT all = {0, 0, 24, 32};
    FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HBRUSH teal = CreateSolidBrush(RGB(0, 0x80, 0x80));
    HGDIOBJ oldBrush = SelectObject(mem, teal);
    POINT arrow[3] = {{2, 2}, {21, 16}, {2, 29}};
    Polygon(mem, arrow, 3);
    SelectObject(mem, oldBrush);
    StretchBlt(h, p.x + 80, p.y + 12, 24, 32, mem, 0, 0, 24, 32, SRCCOPY);
    StretchBlt(h, p.x + 140, p.y + 46, -48, 32, mem, 0, 0, 24, 32, SRCCOPY);  // mirrored, twice as wide
    SelectObject(mem, oldBmp);
    DeleteDC(mem);
    DeleteObject(bmp);
    DeleteObject(teal);
  }

  // The exclusive-or of an ellipse and a rectangle, filled; a frame round a
  // rounded rectangle.
  static void regions(HDC h, TPoint p) {
    HRGN e = CreateEllipticRgn(p.x + 15, p.y + 10, p.x + 95, p.y + 80);
    HRGN r = CreateRectRgn(p.x + 55, p.y + 30, p.x + 135, p.y + 60);
    HRGN x = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(x, e, r, RGN_XOR);
    HBRUSH orange = CreateSolidBrush(RGB(0xF0, 0x80, 0x10));
    FillRgn(h, x, orange);
    HRGN round = CreateRoundRectRgn(p.x + 100, p.y + 8, p.x + 140, p.y + 88, 20, 20);
    HBRUSH navy = CreateSolidBrush(RGB(0, 0, 0x80));
    FrameRgn(h, round, navy, 3, 3);
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(e), static_cast<HGDIOBJ>(r), static_cast<HGDIOBJ>(x),
                      static_cast<HGDIOBJ>(round), static_cast<HGDIOBJ>(orange), static_cast<HGDIOBJ>(navy)})
      DeleteObject(o);
  }

  // The clipboard's kind of picture: a metafile whose anisotropic window is the
  // area drawn, played into a box of another size.
  void metafile(HDC h, TPoint p) {
    HDC meta = CreateMetaFile(nullptr);
    SetMapMode(meta, MM_ANISOTROPIC);
    SetWindowOrgEx(meta, 100, 50, nullptr);
    SetWindowExtEx(meta, 400, 300, nullptr);
    HBRUSH pale = CreateSolidBrush(RGB(0xC0, 0xE0, 0xFF));
    HGDIOBJ oldBrush = SelectObject(meta, pale);
    HPEN pen = CreatePen(PS_SOLID, 8, RGB(0x80, 0, 0));
    HGDIOBJ oldPen = SelectObject(meta, pen);
    Rectangle(meta, 110, 60, 490, 340);
    Ellipse(meta, 150, 90, 450, 310);
    HFONT big = CreateFont(-90, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    HGDIOBJ oldFont = SelectObject(meta, big);
    SetBkMode(meta, TRANSPARENT);
    SetTextAlign(meta, TA_CENTER | TA_BASELINE);
    TextOut(meta, 300, 230, "WMF", 3);
    SelectObject(meta, oldFont);
    SelectObject(meta, oldPen);
    SelectObject(meta, oldBrush);
    HMETAFILE mf = CloseMetaFile(meta);
    DeleteObject(big);
    DeleteObject(pen);
    DeleteObject(pale);
    // The reader's box: 120 x 72 at (15, 10) of the cell.
    int saved = SaveDC(h);
    SetMapMode(h, MM_ANISOTROPIC);
    SetViewportOrgEx(h, p.x + 15, p.y + 10, nullptr);
    SetViewportExtEx(h, 120, 72, nullptr);
    PlayMetaFile(h, mf);
    RestoreDC(h, saved);
    DeleteMetaFile(mf);
  }

  HFONT label_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: drawing_demo <output folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  HeadlessHost host(kColumns * kCellW + 40, kRows * kCellH + 60);
  HWND frameH = host.makeTopLevel(kColumns * kCellW, kRows * kCellH, "Drawing layer: primitives, pens, brushes, raster operations, text, mapping, exactness", 10, 10);
  TWindow frame(frameH);
  DemoWindow demo(&frame);
  if (!demo.Create()) {
    std::fprintf(stderr, "drawing_demo: cannot create the window\n");
    return 1;
  }
  host.run();
  int failures = 0;
  for (const char* ext : {".svg", ".png", ".pdf"}) {
    const std::string path = folder + "/drawing_demo" + ext;
    if (host.render(frameH, path)) {
      std::printf("%s\n", path.c_str());
    } else {
      std::fprintf(stderr, "drawing_demo: cannot write %s\n", path.c_str());
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
