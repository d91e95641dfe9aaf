// A text block: a short text shown as a compact paragraph of centred lines, the
// label of every labelled shape. Laying it out wraps the text into lines so that
// the block is about as wide as it is high, and sizes the block to the lines:
// its stored rectangle keeps its top-left corner and takes the laid-out width
// and height.
//
// Text form. setText keeps a copy without trailing blanks (leading blanks stay).
// After layout the buffer holds the wrapped form, one segment per line:
//
//   OFFSET  SIZE  DESCRIPTION
//   0       1     n, the number of characters of the line (0..255)
//   1       n     the characters
//
// The blank at which a line was broken is dropped, so the plain text is the
// lines joined by single blanks. A segment holds at most 255 characters: a
// longer line (a word longer than 255 characters, say) is cut into segments of
// 255, each shown as a line of its own and marked as a continuation, which is
// joined to the line before it without a blank; reading the text back therefore
// always gives the text that was set.
//
// Invariants: laid out <=> height != 0; line count == segments in the buffer;
// continuation marks: one per segment, the first always clear. Width and height
// are at most 0x7FFF, the most a 16-bit field can hold.
#ifndef GRAPHICS_GRAPHIC_TEXT_BLOCK_H
#define GRAPHICS_GRAPHIC_TEXT_BLOCK_H

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/shape.h"
#include "graphics/text_color.h"

class GraphicTextBlock : public Shape {
 public:
  static constexpr std::size_t kMaxSegment = 255;
  static constexpr int32_t kMaxExtent = 0x7FFF;

  GraphicTextBlock(GraphicWindow* parent, const char* text = nullptr);
  ~GraphicTextBlock() override;

  virtual bool isLaidOut() const { return height_ != 0; }
  virtual void setText(const char* text);
  // Lays out on `hdc`, then takes `r` and the laid-out size as the rectangle.
  virtual void setRect(HDC hdc, RECT& r);
  using Shape::setRect;
  // Lay out first when needed (0 without a context).
  virtual int height(HDC hdc);
  virtual int width(HDC hdc);
  // Draws the lines centred in the block with `font`, else the window's
  // graphics font, else the system font.
  virtual void drawText(TDC& dc, int force, HFONT font);
  virtual void copyFrom(const GraphicTextBlock& other);

  void compute(TDC& dc) override;
  void draw(TDC& dc, int force) override { drawText(dc, force, nullptr); }
  int setColor(DWORD* fill, DWORD* line, DWORD* text) override;
  // A text block has no figure of its own.
  void drawFigure(HDC) override {}

  // The plain text (the lines joined again when laid out).
  std::string text() const;
  int lineCount() const { return lineCount_; }
  // The characters of line i (0 <= i < lineCount).
  std::string line(int i) const;
  // Whether line i continues the line before it without a blank.
  bool isContinuation(int i) const { return i >= 0 && i < lineCount_ && continued_[static_cast<std::size_t>(i)]; }
  const TextColor& textColor() const { return textColor_; }

 private:
  // Turns the wrapped form back into the plain text and clears the counts.
  void unwrap();
  // The wrapped lines of text_ on a measuring context; false when measuring failed.
  bool wrap(HDC measure);
  // Where line i's segment starts in text_.
  std::size_t segmentOffset(int i) const;

  std::string text_;            // plain, or wrapped when laid out
  int32_t lineCount_ = 0;
  int16_t height_ = 0;
  int16_t width_ = 0;
  TextColor textColor_;
  std::vector<bool> continued_;  // one per segment
  std::vector<uint32_t> offsets_;  // where each segment starts
};

#endif  // GRAPHICS_GRAPHIC_TEXT_BLOCK_H
