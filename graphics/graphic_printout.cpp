// Printing a graphic window's page (see graphic_printout.h).
#include "graphics/graphic_printout.h"

#include <algorithm>
#include <cstring>

#include "graphics/graphic_window.h"

GraphicPrintout::GraphicPrintout(GraphicWindow* window, const char* title) : TPrintout(title), window_(window) {}

GraphicPrintout::~GraphicPrintout() = default;

void GraphicPrintout::PrintPage(int, TRect& rect, unsigned) {
  if (DC == nullptr || window_ == nullptr) return;
  TDC& dc = *DC;
  const int widthMm = std::max(1, dc.GetDeviceCaps(HORZSIZE));
  const int heightMm = std::max(1, dc.GetDeviceCaps(VERTSIZE));
  const double pxPerMmX = static_cast<double>(dc.GetDeviceCaps(HORZRES)) / widthMm;
  const double pxPerMmY = static_cast<double>(dc.GetDeviceCaps(VERTRES)) / heightMm;
  const int mx = static_cast<int>(MarginMm * pxPerMmX), my = static_cast<int>(MarginMm * pxPerMmY);
  const TRect inner(rect.left + mx, rect.top + my, rect.right - mx, rect.bottom - my);
  if (inner.IsEmpty()) return;
  const int band = static_cast<int>(TitleBandMm * pxPerMmY);
  const int gap = static_cast<int>(TitleGapMm * pxPerMmY);

  // The title, centred in its band, in a font of 5 mm.
  const int saved = dc.SaveDC();
  HFONT titleFont = ::CreateFont(-static_cast<int>(5 * pxPerMmY), 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0,
                                 0, "Arial");
  HGDIOBJ oldFont = ::SelectObject(dc.GetHDC(), titleFont);
  ::SetTextAlign(dc.GetHDC(), TA_CENTER | TA_TOP);
  ::SetBkMode(dc.GetHDC(), TRANSPARENT);
  ::SetTextColor(dc.GetHDC(), 0x000000);
  const char* title = GetTitle();
  const int textY = inner.top + std::max(0, (band - static_cast<int>(5 * pxPerMmY)) / 2);
  ::TextOut(dc.GetHDC(), (inner.left + inner.right) / 2, textY, title, static_cast<int>(std::strlen(title)));
  ::SelectObject(dc.GetHDC(), oldFont);
  ::DeleteObject(titleFont);
  dc.RestoreDC(saved);

  // The page, fitted isotropically below the band.
  const TRect area(inner.left, inner.top + band + gap, inner.right, inner.bottom);
  if (area.IsEmpty()) return;
  POINT extent;
  window_->pageExtent(extent);
  const int savedMap = dc.SaveDC();
  dc.SetMapMode(MM_ISOTROPIC);
  dc.SetWindowOrg(TPoint(0, 0));
  dc.SetWindowExt(TSize(std::max<LONG>(1, extent.x), std::max<LONG>(1, extent.y)));
  dc.SetViewportExt(TSize(area.Width(), area.Height()));
  dc.SetViewportOrg(TPoint(area.left, area.top));
  const int colour = window_->colorMode();
  window_->setColorMode(0);
  TRect page(0, 0, std::max<LONG>(1, extent.x), std::max<LONG>(1, extent.y));
  window_->Paint(dc, false, page);
  window_->setColorMode(colour);
  dc.RestoreDC(savedMap);
}
