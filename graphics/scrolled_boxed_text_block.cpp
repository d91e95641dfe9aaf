// Scrolling and the scroll arrows of a boxed text block (see
// scrolled_boxed_text_block.h).
#include "graphics/scrolled_boxed_text_block.h"

#include <algorithm>

void ScrolledBoxedTextBlock::draw(TDC& dc, int force) {
  Shape::draw(dc, force);
  if ((state() & FastPaint) || (!force && !isPaintable()) || dc.GetHDC() == nullptr) return;
  const int ended = drawText(dc, firstVisible_);
  arrows_ = (firstVisible_ > 0 ? DWORD{UpArrow} : 0u) | (ended ? 0u : DWORD{DownArrow});
  drawArrows(dc.GetHDC());
}

void ScrolledBoxedTextBlock::drawArrows(HDC hdc) {
  if (arrows_ == 0) return;
  RECT r;
  rect(r);
  HGDIOBJ oldBrush = ::SelectObject(hdc, ::GetStockObject(BLACK_BRUSH));
  HGDIOBJ oldPen = ::SelectObject(hdc, ::GetStockObject(BLACK_PEN));
  const LONG x = r.right - 11;
  if (arrows_ & UpArrow) {
    const LONG y = r.top + 2;
    const POINT up[3] = {{x + 4, y}, {x + 8, y + 6}, {x, y + 6}};
    ::Polygon(hdc, up, 3);
  }
  if (arrows_ & DownArrow) {
    const LONG y = r.bottom - 2;
    const POINT down[3] = {{x, y - 6}, {x + 8, y - 6}, {x + 4, y}};
    ::Polygon(hdc, down, 3);
  }
  ::SelectObject(hdc, oldPen);
  ::SelectObject(hdc, oldBrush);
}

void ScrolledBoxedTextBlock::scrollUp(int n) {
  const int64_t v = static_cast<int64_t>(firstVisible_) - n;
  firstVisible_ = static_cast<uint16_t>(std::min<int64_t>(std::max<int64_t>(v, 0), 65535));
}

void ScrolledBoxedTextBlock::scrollDown(int n) {
  const int64_t v = static_cast<int64_t>(firstVisible_) + n;
  firstVisible_ = static_cast<uint16_t>(std::min<int64_t>(std::max<int64_t>(v, 0), 65535));
}

DWORD ScrolledBoxedTextBlock::arrowHit(int x, int y) const {
  RECT r;
  rect(r);
  const LONG rx = r.right - 11;
  if (x < rx - 4 || x > rx + 12) return 0;
  if ((arrows_ & UpArrow) && y >= r.top + 2 - 4 && y <= r.top + 2 + 8) return UpArrow;
  if ((arrows_ & DownArrow) && y >= r.bottom - 2 - 8 && y <= r.bottom - 2 + 4) return DownArrow;
  return 0;
}
