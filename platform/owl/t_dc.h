// The framework's device-context classes: TDC wraps a device context handle with
// the drawing calls as members; the derived classes obtain and give back the
// handle for one kind of surface, for their own lifetime:
//   TClientDC    a window's client area (GetDC / ReleaseDC)
//   TWindowDC    the whole window
//   TScreenDC    the whole screen
//   TPaintDC     the paint context of WM_PAINT (BeginPaint / EndPaint)
//   TMetaFileDC  a memory metafile (Close gives the metafile)
//   TPrintDC     a printer (pages kept until the context goes)
//   TMemoryDC    a memory context compatible with another (CreateCompatibleDC /
//                DeleteDC), drawing into the bitmap selected into it
// TDC itself, made from a handle, does not own it. Objects selected through the
// member functions (a bitmap too, in a memory context) are remembered and put
// back by RestoreObjects (and by the destructor of an owning context), so that
// the caller can delete them once the context is gone.
#ifndef PLATFORM_T_DC_H
#define PLATFORM_T_DC_H

#include "platform/owl/t_rect.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

class TDC {
 public:
  explicit TDC(HDC hdc) : Handle(hdc) {}
  virtual ~TDC();
  TDC(const TDC&) = delete;
  TDC& operator=(const TDC&) = delete;

  HDC GetHDC() const { return Handle; }
  operator HDC() const { return Handle; }  // NOLINT: the framework converts implicitly
  bool IsValid() const { return Handle != nullptr; }

  // ---- Objects ----
  void SelectObject(HPEN pen);
  void SelectObject(HBRUSH brush);
  void SelectObject(HFONT font);
  // Only a memory context takes a bitmap; elsewhere nothing changes.
  void SelectObject(HBITMAP bitmap);
  void SelectStockObject(int index);
  void RestorePen();
  void RestoreBrush();
  void RestoreFont();
  void RestoreBitmap();
  void RestoreObjects();
  int SaveDC() const { return ::SaveDC(Handle); }
  bool RestoreDC(int saved = -1) { return ::RestoreDC(Handle, saved) != 0; }
  int GetDeviceCaps(int index) const { return ::GetDeviceCaps(Handle, index); }

  // ---- Attributes ----
  int SetROP2(int rop) { return ::SetROP2(Handle, rop); }
  int GetROP2() const { return ::GetROP2(Handle); }
  int SetBkMode(int mode) { return ::SetBkMode(Handle, mode); }
  COLORREF SetBkColor(COLORREF c) { return ::SetBkColor(Handle, c); }
  COLORREF SetTextColor(COLORREF c) { return ::SetTextColor(Handle, c); }
  UINT SetTextAlign(UINT align) { return ::SetTextAlign(Handle, align); }
  UINT GetTextAlign() const { return ::GetTextAlign(Handle); }
  int SetPolyFillMode(int mode) { return ::SetPolyFillMode(Handle, mode); }
  int SetStretchBltMode(int mode) { return ::SetStretchBltMode(Handle, mode); }

  // ---- Mapping ----
  int SetMapMode(int mode) { return ::SetMapMode(Handle, mode); }
  int GetMapMode() const { return ::GetMapMode(Handle); }
  bool SetWindowOrg(const TPoint& p, TPoint* old = nullptr) { return ::SetWindowOrgEx(Handle, p.x, p.y, old) != 0; }
  bool SetViewportOrg(const TPoint& p, TPoint* old = nullptr) { return ::SetViewportOrgEx(Handle, p.x, p.y, old) != 0; }
  bool SetWindowExt(const TSize& s, TSize* old = nullptr) { return ::SetWindowExtEx(Handle, s.cx, s.cy, old) != 0; }
  bool SetViewportExt(const TSize& s, TSize* old = nullptr) { return ::SetViewportExtEx(Handle, s.cx, s.cy, old) != 0; }
  TPoint GetWindowOrg() const { TPoint p; ::GetWindowOrgEx(Handle, &p); return p; }
  TPoint GetViewportOrg() const { TPoint p; ::GetViewportOrgEx(Handle, &p); return p; }
  TSize GetWindowExt() const { TSize s; ::GetWindowExtEx(Handle, &s); return s; }
  TSize GetViewportExt() const { TSize s; ::GetViewportExtEx(Handle, &s); return s; }
  bool LPtoDP(TPoint* points, int count = 1) const { return ::LPtoDP(Handle, points, count) != 0; }
  bool DPtoLP(TPoint* points, int count = 1) const { return ::DPtoLP(Handle, points, count) != 0; }
  bool LPtoDP(TRect& r) const { return ::LPtoDP(Handle, reinterpret_cast<POINT*>(&r), 2) != 0; }
  bool DPtoLP(TRect& r) const { return ::DPtoLP(Handle, reinterpret_cast<POINT*>(&r), 2) != 0; }

  // ---- Drawing ----
  bool MoveTo(int x, int y) { return ::MoveToEx(Handle, x, y, nullptr) != 0; }
  bool MoveTo(const TPoint& p) { return MoveTo(p.x, p.y); }
  bool LineTo(int x, int y) { return ::LineTo(Handle, x, y) != 0; }
  bool LineTo(const TPoint& p) { return LineTo(p.x, p.y); }
  bool Rectangle(int l, int t, int r, int b) { return ::Rectangle(Handle, l, t, r, b) != 0; }
  bool Rectangle(const TRect& r) { return Rectangle(r.left, r.top, r.right, r.bottom); }
  bool RoundRect(const TRect& r, const TPoint& corner) {
    return ::RoundRect(Handle, r.left, r.top, r.right, r.bottom, corner.x, corner.y) != 0;
  }
  bool Ellipse(int l, int t, int r, int b) { return ::Ellipse(Handle, l, t, r, b) != 0; }
  bool Ellipse(const TRect& r) { return Ellipse(r.left, r.top, r.right, r.bottom); }
  bool Polygon(const TPoint* points, int count) { return ::Polygon(Handle, points, count) != 0; }
  bool Polyline(const TPoint* points, int count) { return ::Polyline(Handle, points, count) != 0; }
  bool FillRect(const TRect& r, HBRUSH brush) { return ::FillRect(Handle, &r, brush) != 0; }
  bool FrameRect(const TRect& r, HBRUSH brush) { return ::FrameRect(Handle, &r, brush) != 0; }
  bool InvertRect(const TRect& r) { return ::InvertRect(Handle, &r) != 0; }
  bool DrawFocusRect(const TRect& r) { return ::DrawFocusRect(Handle, &r) != 0; }
  bool FillRgn(HRGN region, HBRUSH brush) { return ::FillRgn(Handle, region, brush) != 0; }
  // The region's edge, `size.cx` across and `size.cy` down (logical units).
  bool FrameRgn(HRGN region, HBRUSH brush, const TSize& size) {
    return ::FrameRgn(Handle, region, brush, size.cx, size.cy) != 0;
  }
  bool PaintRgn(HRGN region) { return ::PaintRgn(Handle, region) != 0; }
  bool InvertRgn(HRGN region) { return ::InvertRgn(Handle, region) != 0; }
  bool PatBlt(int x, int y, int w, int h, DWORD rop = PATCOPY) { return ::PatBlt(Handle, x, y, w, h, rop) != 0; }
  bool PatBlt(const TRect& r, DWORD rop = PATCOPY) { return PatBlt(r.left, r.top, r.Width(), r.Height(), rop); }
  // Copies from `source` (any context: a TDC converts) at (sx, sy), the same size.
  bool BitBlt(int x, int y, int w, int h, HDC source, int sx, int sy, DWORD rop = SRCCOPY) {
    return ::BitBlt(Handle, x, y, w, h, source, sx, sy, rop) != 0;
  }
  bool BitBlt(const TRect& dest, HDC source, const TPoint& from, DWORD rop = SRCCOPY) {
    return BitBlt(dest.left, dest.top, dest.Width(), dest.Height(), source, from.x, from.y, rop);
  }
  bool StretchBlt(int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh, DWORD rop = SRCCOPY) {
    return ::StretchBlt(Handle, x, y, w, h, source, sx, sy, sw, sh, rop) != 0;
  }
  bool StretchBlt(const TRect& dest, HDC source, const TRect& from, DWORD rop = SRCCOPY) {
    return StretchBlt(dest.left, dest.top, dest.Width(), dest.Height(), source, from.left, from.top, from.Width(),
                      from.Height(), rop);
  }
  bool TextOut(int x, int y, const char* text, int length = -1);
  bool TextOut(const TPoint& p, const char* text, int length = -1) { return TextOut(p.x, p.y, text, length); }

  // ---- Clipping ----
  // A copy of the region replaces the clip (null: the whole surface); the result's kind.
  int SelectClipRgn(HRGN region) { return ::SelectClipRgn(Handle, region); }

  // ---- Text ----
  TSize GetTextExtent(const char* text, int length) const;
  bool GetTextMetrics(TEXTMETRIC& metrics) const { return ::GetTextMetrics(Handle, &metrics) != 0; }

 protected:
  TDC() = default;
  HDC Handle = nullptr;

 private:
  HPEN origPen_ = nullptr;
  HBRUSH origBrush_ = nullptr;
  HFONT origFont_ = nullptr;
  HBITMAP origBitmap_ = nullptr;
};

class TClientDC : public TDC {
 public:
  explicit TClientDC(HWND hwnd) : TDC(::GetDC(hwnd)), wnd_(hwnd) {}
  ~TClientDC() override;

 private:
  HWND wnd_;
};

class TWindowDC : public TDC {
 public:
  explicit TWindowDC(HWND hwnd) : TDC(::GetWindowDC(hwnd)), wnd_(hwnd) {}
  ~TWindowDC() override;

 private:
  HWND wnd_;
};

class TScreenDC : public TDC {
 public:
  TScreenDC() : TDC(::GetDC(nullptr)) {}
  ~TScreenDC() override;
};

class TPaintDC : public TDC {
 public:
  explicit TPaintDC(HWND hwnd);
  ~TPaintDC() override;
  PAINTSTRUCT Ps = {};

 private:
  HWND wnd_;
};

class TMetaFileDC : public TDC {
 public:
  explicit TMetaFileDC(const char* fileName = nullptr) : TDC(::CreateMetaFile(fileName)) {}
  ~TMetaFileDC() override;
  // Ends recording; the caller owns the metafile (DeleteMetaFile).
  HMETAFILE Close();
};

class TMemoryDC : public TDC {
 public:
  // Compatible with `dc`; with the screen when `dc` is null.
  explicit TMemoryDC(HDC dc = nullptr) : TDC(::CreateCompatibleDC(dc)) {}
  ~TMemoryDC() override;
};

class TPrintDC : public TDC {
 public:
  TPrintDC() : TDC(::CreateDC("PRINTER", nullptr, nullptr, nullptr)) {}
  ~TPrintDC() override;
  int StartPage();
  int EndPage();
};

#endif  // PLATFORM_T_DC_H
