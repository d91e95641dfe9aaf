// The shape gallery's layout and marks (see shape_gallery.h).
#include "tools/gallery/shape_gallery.h"

#include <cstring>
#include <memory>

#include "graphics/boxed_text_block.h"
#include "graphics/labeled_shape_db.h"
#include "graphics/null_shape.h"
#include "graphics/scrolled_boxed_text_block.h"
#include "graphics/three_d_box_bumped.h"

namespace {

struct ColourSet {
  const char* name;
  DWORD fill, line, text;
};
// The system's default colours, a pale yellow and a sky blue set.
const ColourSet kSets[3] = {{"default", 0x606060, 0x000000, 0x000000},
                            {"pale", 0xD8FFFF, 0x004080, 0x000000},
                            {"sky", 0xFFE4C0, 0x800000, 0x800000}};

struct Column {
  const char* caption;
  const char* caption2;
  DWORD mask;
  int set;
  const char* label;
  DWORD flags;
};
const char* const kShort = "Sun";
const char* const kLong = "Moons of the giant planets";
const Column kColumnsList[ShapeGallery::kColumns] = {
    {"no lines", "default colours", 0x00, 0, kShort, 0},
    {"spokes", "0x0F", 0x0F, 0, kShort, 0},
    {"edge lines", "0xF0", 0xF0, 0, kShort, 0},
    {"all lines", "0xFF", 0xFF, 0, kShort, 0},
    {"top and left", "0x55", 0x55, 0, kShort, 0},
    {"pale colours", "", 0x00, 1, "Mars", 0},
    {"sky colours", "", 0x00, 2, "Mars", 0},
    {"long label", "pale", 0x00, 1, kLong, 0},
    {"long label", "sky, all lines", 0xFF, 2, kLong, 0},
    {"drop shadow", "pale", 0x00, 1, "Venus", Graphic::Shadow},
    {"selected,", "highlighted", 0x00, 1, "Earth", Graphic::Selected | Graphic::Highlighted},
};

void text(HDC hdc, int x, int y, const char* s) { ::TextOut(hdc, x, y, s, static_cast<int>(std::strlen(s))); }

}  // namespace

ShapeGallery::ShapeGallery(TWindow* parent) : TWindow(parent, "Shape gallery"), GraphicWindow(parent, "Shape gallery") {
  Attr.Style = WS_CHILD | WS_VISIBLE;
  Attr.W = pageWidth();
  Attr.H = pageHeight();
  font_ = ::CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  captionFont_ = ::CreateFont(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  setFont(font_);
  setColorMode(1);
}

ShapeGallery::~ShapeGallery() {
  destroyAllGraphics();
  ::DeleteObject(font_);
  ::DeleteObject(captionFont_);
}

void ShapeGallery::place(Shape* s, int column, int row) {
  addNode(s);
  shapes_.push_back(s);
  cells_.push_back({kLabelColumn + column * kCellW, kHeader + row * kCellH});
}

void ShapeGallery::SetupWindow() {
  GraphicWindow::SetupWindow();
  for (int g = 0; g < LabeledShapeDB::GlyphCount; ++g) {
    for (int c = 0; c < kColumns; ++c) {
      const Column& col = kColumnsList[c];
      std::unique_ptr<LabeledShape> s = LabeledShapeDB::instantiateGlyphShape(g, this, nullptr, col.mask);
      s->setText(col.label);
      DWORD fill = kSets[col.set].fill, line = kSets[col.set].line, textColour = kSets[col.set].text;
      s->setColor(&fill, &line, &textColour);
      s->setState(col.flags);
      place(s.release(), c, g);
    }
  }
  const int last = kRows - 1;
  const RECT box = {0, 0, 120, 70};
  place(new ThreeDBox(this, box), 0, last);
  place(new ThreeDBoxRaised(this, box), 1, last);
  place(new ThreeDBoxBumped(this, box), 2, last);
  place(new NullShape(this), 3, last);
  static const char kText[] =
      "A boxed text block holds a longer text, which wraps at the box's width.\r\nA line break starts a new line.";
  auto* boxed = new BoxedTextBlock(this, kText, 0, 0, 140, 100);
  auto* scrolled = new ScrolledBoxedTextBlock(this, kText, 0, 0, 140, 70);
  scrolled->scrollDown(1);
  DWORD fill = kSets[1].fill, line = kSets[1].line, textColour = kSets[1].text;
  boxed->setColor(&fill, &line, &textColour);
  scrolled->setColor(&fill, &line, &textColour);
  place(boxed, 4, last);
  place(scrolled, 5, last);
  // Fit every shape to its label, then centre it in its cell.
  HDC h = getClientHDC();
  if (h == nullptr) return;
  TDC dc(h);
  for (std::size_t i = 0; i < shapes_.size(); ++i) {
    Shape* s = shapes_[i];
    if (auto* n = dynamic_cast<NullShape*>(s)) {
      RECT r = {0, 0, 110, 60};
      n->setRect(r, nullptr);
    }
    s->compute(dc);
    s->moveTo(cells_[i].x + kCellW / 2, cells_[i].y + kCellH / 2 + 6, nullptr);
  }
  releaseClientHDC();
}

void ShapeGallery::captions(HDC hdc) {
  HGDIOBJ old = ::SelectObject(hdc, captionFont_);
  ::SetTextColor(hdc, RGB(0x20, 0x20, 0x60));
  ::SetBkMode(hdc, TRANSPARENT);
  ::SetTextAlign(hdc, TA_CENTER | TA_TOP);
  for (int c = 0; c < kColumns; ++c) {
    const int x = kLabelColumn + c * kCellW + kCellW / 2;
    text(hdc, x, 6, kColumnsList[c].caption);
    text(hdc, x, 22, kColumnsList[c].caption2);
  }
  ::SetTextAlign(hdc, TA_LEFT | TA_TOP);
  for (int g = 0; g < LabeledShapeDB::GlyphCount; ++g) {
    int i = g - 1;
    const char* name = LabeledShapeDB::nextGlyphShapeName(i);
    const std::string caption = std::to_string(g) + " " + name;
    text(hdc, 8, kHeader + g * kCellH + kCellH / 2, caption.c_str());
  }
  const char* lastRow[6] = {"ThreeDBox", "ThreeDBoxRaised", "ThreeDBoxBumped", "NullShape", "BoxedTextBlock",
                            "ScrolledBoxedTextBlock"};
  text(hdc, 8, kHeader + (kRows - 1) * kCellH + kCellH / 2, "boxes, text");
  ::SetTextAlign(hdc, TA_CENTER | TA_TOP);
  for (int c = 0; c < 6; ++c) text(hdc, kLabelColumn + c * kCellW + kCellW / 2, kHeader + (kRows - 1) * kCellH + 2, lastRow[c]);
  ::SetTextAlign(hdc, TA_LEFT | TA_TOP);
  // The grid of cells.
  HPEN grid = ::CreatePen(PS_SOLID, 1, RGB(0xD0, 0xD0, 0xD0));
  HGDIOBJ oldPen = ::SelectObject(hdc, grid);
  for (int c = 0; c <= kColumns; ++c) {
    ::MoveToEx(hdc, kLabelColumn + c * kCellW, 0, nullptr);
    ::LineTo(hdc, kLabelColumn + c * kCellW, pageHeight());
  }
  for (int r = 0; r <= kRows; ++r) {
    ::MoveToEx(hdc, 0, kHeader + r * kCellH, nullptr);
    ::LineTo(hdc, pageWidth(), kHeader + r * kCellH);
  }
  ::SelectObject(hdc, oldPen);
  ::DeleteObject(grid);
  ::SelectObject(hdc, old);
}

void ShapeGallery::joinPointMarks(HDC hdc) {
  HBRUSH red = ::CreateSolidBrush(RGB(0xE8, 0, 0));
  const int joins[8] = {0x09, 0x0A, 0x0C, 0x11, 0x14, 0x21, 0x22, 0x24};
  for (Shape* s : shapes_) {
    if (dynamic_cast<NullShape*>(s) != nullptr) {
      // The null shape draws nothing: show where it is.
      RECT r;
      s->rect(r);
      ::DrawFocusRect(hdc, &r);
    }
    for (int jp : joins) {
      POINT p = {0, 0};
      s->getJoinPoint(static_cast<Graphic::joinPoint>(jp), p);
      RECT mark = {p.x - 1, p.y - 1, p.x + 2, p.y + 2};
      ::FillRect(hdc, &mark, red);
    }
  }
  ::DeleteObject(red);
}

void ShapeGallery::Paint(TDC& dc, bool erase, TRect& area) {
  captions(dc.GetHDC());
  GraphicWindow::Paint(dc, erase, area);
  joinPointMarks(dc.GetHDC());
}
