// Small window helpers the libraries share: centring a window on the screen and
// the zooming-rectangle animation drawn when a window opens from a point on the
// page.
#ifndef KIT_WINDOW_HELPERS_H
#define KIT_WINDOW_HELPERS_H

#include "platform/windows_types.h"

class TWindow;

// Moves `w` (without resizing it or changing its Z order) so that its centre is
// the centre of the desktop window; halves are integer divisions rounding toward
// zero. A null window or one without a handle is left alone.
void centerWindow(TWindow* w);

// Draws the zoom animation on the whole screen with the inverting raster
// operation, a hollow brush and a solid 3-pixel pen: `from`, then for i = 1 ..
// steps the rectangle from + i * (to - from) / steps (each coordinate truncated),
// erasing the previous one after each, and finally erases the last, so that the
// screen is left as it was. With 0 steps nothing is drawn (there is no step size).
void animateRect(RECT& from, RECT& to, UINT steps);
// The same toward the window's rectangle on the screen.
void animateRect(RECT& from, TWindow* w, UINT steps);

#endif  // KIT_WINDOW_HELPERS_H
