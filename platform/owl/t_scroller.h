// The framework's scroller: keeps a window's scroll position in scroll units
// (XUnit, YUnit device pixels each), its range (the largest position) and its
// page and line steps, answers the scroll bar messages and moves the view, and
// scrolls by one line when the mouse is held near or past an edge of the
// window (auto-scroll).
//
// Positions are kept in [0, range]. Scrolling repaints the whole client area at
// the new position.
#ifndef PLATFORM_T_SCROLLER_H
#define PLATFORM_T_SCROLLER_H

#include "platform/owl/t_rect.h"
#include "platform/windows_types.h"

class TDC;
class TWindow;

class TScroller {
 public:
  TScroller(TWindow* window, int xUnit, int yUnit, LONG xRange, LONG yRange);
  virtual ~TScroller();
  TScroller(const TScroller&) = delete;
  TScroller& operator=(const TScroller&) = delete;

  void SetWindow(TWindow* window) { Window = window; }
  virtual void SetUnits(int xUnit, int yUnit);
  virtual void SetRange(LONG xRange, LONG yRange);
  // Page steps from the window's client size.
  virtual void SetPageSize();
  // Puts range and position on the window's scroll bars.
  virtual void SetSBarRange();
  // Moves a paint context's origin (and the paint area) to the scroll position.
  virtual void BeginView(TDC& dc, TRect& rect);
  virtual void EndView();
  virtual void HScroll(UINT scrollCode, int thumbPos);
  virtual void VScroll(UINT scrollCode, int thumbPos);
  virtual void ScrollTo(LONG x, LONG y);
  void ScrollBy(LONG dx, LONG dy) { ScrollTo(XPos + dx, YPos + dy); }
  // One line toward an edge when the pointer is within AutoMargin pixels of it
  // or beyond it; returns true when the position changed.
  virtual bool AutoScroll();
  // The scroll position in device pixels.
  LONG XScrollValue() const { return XPos * XUnit; }
  LONG YScrollValue() const { return YPos * YUnit; }
  bool IsVisibleRect(LONG x, LONG y, int xExt, int yExt) const;

  TWindow* Window;  // not owned
  int XUnit;
  int YUnit;
  LONG XRange;
  LONG YRange;
  LONG XPos = 0;
  LONG YPos = 0;
  int XLine = 1;
  int YLine = 1;
  int XPage = 1;
  int YPage = 1;
  int AutoMargin = 3;
  bool AutoMode = true;
  bool TrackMode = true;
  bool AutoOrg = true;
  bool HasHSBar = true;
  bool HasVSBar = true;
};

#endif  // PLATFORM_T_SCROLLER_H
