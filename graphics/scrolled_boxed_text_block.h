// A boxed text block that scrolls: it shows its text from its first visible
// line on, with a small black up arrow near the top right corner when lines lie
// above, and a down arrow near the bottom right corner when the text goes on
// below the box.
//
// Arrows: the up arrow's reference point is (right - 11, top + 2), the down
// arrow's (right - 11, bottom - 2); each is a triangle 8 wide and 6 high from
// there. A shown arrow is hit from 4 left to 12 right of the reference x, and
// from 4 above to 8 below the reference y for the up arrow (8 above to 4 below
// for the down arrow).
#ifndef GRAPHICS_SCROLLED_BOXED_TEXT_BLOCK_H
#define GRAPHICS_SCROLLED_BOXED_TEXT_BLOCK_H

#include <cstdint>

#include "graphics/boxed_text_block.h"

class ScrolledBoxedTextBlock : public BoxedTextBlock {
 public:
  enum Arrows : DWORD { UpArrow = 0x1, DownArrow = 0x2 };

  using BoxedTextBlock::BoxedTextBlock;

  void draw(TDC& dc, int force) override;
  // The first visible line goes up or down by n, within 0..65535.
  virtual void scrollUp(int n);
  virtual void scrollDown(int n);
  // UpArrow or DownArrow when (x, y) hits a shown arrow, else 0.
  virtual DWORD arrowHit(int x, int y) const;

  uint16_t firstVisibleLine() const { return firstVisible_; }
  DWORD arrowState() const { return arrows_; }

 private:
  void drawArrows(HDC hdc);

  uint16_t firstVisible_ = 0;
  DWORD arrows_ = 0;
};

#endif  // GRAPHICS_SCROLLED_BOXED_TEXT_BLOCK_H
