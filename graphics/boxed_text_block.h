// A boxed text block: a longer text shown in a fixed rectangle, as text
// annotations show theirs, and typed in place in an edit field.
//
// Layout (drawText): in the rectangle inset by 6 on the left and right and by 2
// at the top, with the window's graphics font, words (separated by white
// space) fill a line while they fit the inner width; a line also ends at a line
// break ("\n", a "\r" before it dropped); a word wider than the line is cut at
// the last character that fits (at least one a line). Lines are one text
// height apart; the first skipLines are laid out but not drawn, and drawing
// stops at the first line that would not fit above the bottom.
//
// Editing: startEdit puts an EditControl exactly over the block; endEdit takes
// its text when it was changed (marking the window modified) and destroys it.
#ifndef GRAPHICS_BOXED_TEXT_BLOCK_H
#define GRAPHICS_BOXED_TEXT_BLOCK_H

#include <memory>
#include <string>
#include <vector>

#include "graphics/edit_control.h"
#include "graphics/shape.h"
#include "graphics/text_color.h"

class BoxedTextBlock : public Shape {
 public:
  static constexpr int SideInset = 6;
  static constexpr int TopInset = 2;

  BoxedTextBlock(GraphicWindow* window, const char* text, int left, int top, int width, int height);
  ~BoxedTextBlock() override;

  virtual void setText(const char* text);
  const std::string& text() const { return text_; }
  // Draws the text from line skipLines on; 1 when the end of the text was
  // reached inside the rectangle, else 0.
  virtual int drawText(TDC& dc, int skipLines);
  virtual void startEdit();
  // 1 when the text was changed in the field.
  virtual int endEdit();
  EditControl* editControl() const { return edit_.get(); }

  void draw(TDC& dc, int force) override;
  void drawFigure(HDC hdc) override;
  int setColor(DWORD* fill, DWORD* line, DWORD* text) override;
  const TextColor& textColor() const { return textColor_; }

  // One laid-out line: where it starts in the text and how many characters.
  struct LineSpan {
    std::size_t start;
    std::size_t length;
  };
  // Lays out at most `maxLines` lines for a width on `measure` (with the font
  // selected); sets *reachedEnd when the whole text was laid out.
  void layoutLines(HDC measure, LONG width, std::size_t maxLines, std::vector<LineSpan>& out, bool* reachedEnd) const;

 protected:
  // The edit field's place: the block's rectangle in device units.
  RECT deviceRect() const;

 private:
  std::string text_;
  TextColor textColor_;
  std::unique_ptr<EditControl> edit_;  // while editing
};

#endif  // GRAPHICS_BOXED_TEXT_BLOCK_H
