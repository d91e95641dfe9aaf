// The printout of a graphic window: one page with 15 mm margins on every side,
// the window's title centred in a band of 8 mm at the top, a gap of 7 mm, and
// below it the page drawn by the window's own Paint, scaled isotropically to
// fit what is left, in monochrome (the window's colour drawing is switched off
// while it prints). Millimetres are converted with the device's pixels per
// millimetre.
#ifndef GRAPHICS_GRAPHIC_PRINTOUT_H
#define GRAPHICS_GRAPHIC_PRINTOUT_H

#include "platform/owl/t_printer.h"

class GraphicWindow;

class GraphicPrintout : public TPrintout {
 public:
  static constexpr int MarginMm = 15;
  static constexpr int TitleBandMm = 8;
  static constexpr int TitleGapMm = 7;

  // `window` is not owned and must outlive the printout.
  GraphicPrintout(GraphicWindow* window, const char* title);
  ~GraphicPrintout() override;

  void PrintPage(int page, TRect& rect, unsigned flags) override;

 private:
  GraphicWindow* window_;
};

#endif  // GRAPHICS_GRAPHIC_PRINTOUT_H
