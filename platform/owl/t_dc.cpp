// The framework's device-context classes (see t_dc.h).
#include "platform/owl/t_dc.h"

#include <cstring>

#include "platform/win/device_context.h"

TDC::~TDC() = default;

void TDC::SelectObject(HPEN pen) {
  HGDIOBJ old = ::SelectObject(Handle, pen);
  if (origPen_ == nullptr) origPen_ = static_cast<HPEN>(old);
}

void TDC::SelectObject(HBRUSH brush) {
  HGDIOBJ old = ::SelectObject(Handle, brush);
  if (origBrush_ == nullptr) origBrush_ = static_cast<HBRUSH>(old);
}

void TDC::SelectObject(HFONT font) {
  HGDIOBJ old = ::SelectObject(Handle, font);
  if (origFont_ == nullptr) origFont_ = static_cast<HFONT>(old);
}

void TDC::SelectObject(HBITMAP bitmap) {
  HGDIOBJ old = ::SelectObject(Handle, bitmap);
  if (origBitmap_ == nullptr) origBitmap_ = static_cast<HBITMAP>(old);
}

void TDC::SelectStockObject(int index) {
  HGDIOBJ o = ::GetStockObject(index);
  switch (::GetObjectType(o)) {
    case OBJ_PEN: SelectObject(static_cast<HPEN>(o)); break;
    case OBJ_BRUSH: SelectObject(static_cast<HBRUSH>(o)); break;
    case OBJ_FONT: SelectObject(static_cast<HFONT>(o)); break;
    default: break;
  }
}

void TDC::RestorePen() {
  if (origPen_ != nullptr) ::SelectObject(Handle, origPen_);
  origPen_ = nullptr;
}

void TDC::RestoreBrush() {
  if (origBrush_ != nullptr) ::SelectObject(Handle, origBrush_);
  origBrush_ = nullptr;
}

void TDC::RestoreFont() {
  if (origFont_ != nullptr) ::SelectObject(Handle, origFont_);
  origFont_ = nullptr;
}

void TDC::RestoreBitmap() {
  if (origBitmap_ != nullptr) ::SelectObject(Handle, origBitmap_);
  origBitmap_ = nullptr;
}

void TDC::RestoreObjects() {
  RestorePen();
  RestoreBrush();
  RestoreFont();
  RestoreBitmap();
}

bool TDC::TextOut(int x, int y, const char* text, int length) {
  if (text == nullptr) return false;
  if (length < 0) length = static_cast<int>(std::strlen(text));
  return ::TextOut(Handle, x, y, text, length) != 0;
}

TSize TDC::GetTextExtent(const char* text, int length) const {
  TSize s;
  if (text != nullptr && length < 0) length = static_cast<int>(std::strlen(text));
  ::GetTextExtentPoint32(Handle, text, length, &s);
  return s;
}

TClientDC::~TClientDC() {
  RestoreObjects();
  ::ReleaseDC(wnd_, Handle);
}

TWindowDC::~TWindowDC() {
  RestoreObjects();
  ::ReleaseDC(wnd_, Handle);
}

TScreenDC::~TScreenDC() {
  RestoreObjects();
  ::ReleaseDC(nullptr, Handle);
}

TPaintDC::TPaintDC(HWND hwnd) : wnd_(hwnd) { Handle = ::BeginPaint(hwnd, &Ps); }

TPaintDC::~TPaintDC() {
  RestoreObjects();
  ::EndPaint(wnd_, &Ps);
}

TMetaFileDC::~TMetaFileDC() {
  if (Handle != nullptr) ::DeleteMetaFile(Close());
}

HMETAFILE TMetaFileDC::Close() {
  RestoreObjects();
  HMETAFILE mf = ::CloseMetaFile(Handle);
  Handle = nullptr;
  return mf;
}

TMemoryDC::~TMemoryDC() {
  RestoreObjects();
  ::DeleteDC(Handle);
}

TPrintDC::~TPrintDC() {
  RestoreObjects();
  ::DeleteDC(Handle);
}

int TPrintDC::StartPage() { return ::StartPage(Handle); }
int TPrintDC::EndPage() { return ::EndPage(Handle); }
