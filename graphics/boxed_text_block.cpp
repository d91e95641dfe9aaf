// Layout, drawing and in-place editing of a boxed text block (see
// boxed_text_block.h).
#include "graphics/boxed_text_block.h"

#include <algorithm>

#include "graphics/client_dc_loan.h"
#include "graphics/graphic_window.h"
#include "graphics/text_line_fitter.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

BoxedTextBlock::BoxedTextBlock(GraphicWindow* window, const char* text, int left, int top, int width, int height)
    : Shape(window), text_(text != nullptr ? text : "") {
  RECT r = {left, top, clampCoordinate(static_cast<int64_t>(left) + width),
            clampCoordinate(static_cast<int64_t>(top) + height)};
  Shape::setRect(r, nullptr);
}

BoxedTextBlock::~BoxedTextBlock() = default;

RECT BoxedTextBlock::deviceRect() const {
  RECT r;
  rect(r);
  if (GraphicWindow* w = getParent()) w->logicalToDevice(r);
  return r;
}

void BoxedTextBlock::setText(const char* text) {
  text_ = text != nullptr ? text : "";
  if (isHidden() || (state() & FastPaint)) return;
  if (edit_ != nullptr) {
    const RECT d = deviceRect();
    edit_->MoveWindow(d.left, d.top, d.right - d.left, d.bottom - d.top, true);
    return;
  }
  ClientDCLoan loan(getParent());
  if (loan.get() != nullptr) {
    TDC dc(loan.get());
    draw(dc, 0);
  }
}

void BoxedTextBlock::layoutLines(HDC measure, LONG width, std::size_t maxLines, std::vector<LineSpan>& out,
                                 bool* reachedEnd) const {
  const std::string& t = text_;
  const std::size_t n = t.size();
  TextLineFitter fit(measure);
  // Where each word ends, and each line break: the candidates of every line.
  std::vector<std::size_t> wordEnds;
  for (std::size_t i = 0; i < n; ++i) {
    if (!isBlank(t[i]) && t[i] != '\n' && (i + 1 == n || isBlank(t[i + 1]) || t[i + 1] == '\n'))
      wordEnds.push_back(i + 1);
  }
  std::size_t pos = 0, next = 0;
  bool paragraphStart = true;
  while (pos < n && out.size() < maxLines && !fit.failed()) {
    if (!paragraphStart) {
      while (pos < n && isBlank(t[pos])) ++pos;
      if (pos < n && t[pos] == '\n') {  // the break ends the wrapped line itself
        ++pos;
        paragraphStart = true;
        continue;
      }
      if (pos >= n) break;
    }
    const std::size_t lineBreak = std::min(t.find('\n', pos), n);
    while (next < wordEnds.size() && wordEnds[next] <= pos) ++next;
    std::size_t last = next;  // the word ends before the break
    while (last < wordEnds.size() && wordEnds[last] <= lineBreak) ++last;
    std::size_t end;
    const std::ptrdiff_t k = fit.lastFitting(t.data() + pos, wordEnds.data() + next, last - next, width, pos);
    if (k >= 0) {
      end = wordEnds[next + static_cast<std::size_t>(k)];
    } else if (last > next) {
      // The first word is wider than the line: cut it where it stops fitting.
      std::size_t wordStart = pos;
      while (wordStart < lineBreak && isBlank(t[wordStart])) ++wordStart;
      end = wordStart + fit.longestPrefix(t.data() + wordStart, wordEnds[next] - wordStart, width - fit.width(t.data() + pos, wordStart - pos));
      end = std::max(end, pos + 1);
    } else {
      end = lineBreak;  // blanks only
    }
    std::size_t shown = end;
    if (shown > pos && shown == lineBreak && t[shown - 1] == '\r') --shown;
    out.push_back({pos, shown - pos});
    pos = end;
    paragraphStart = false;
    if (pos == lineBreak && pos < n) {
      ++pos;  // past the "\n"
      paragraphStart = true;
    }
  }
  if (reachedEnd != nullptr) {
    std::size_t rest = pos;
    while (rest < n && (isBlank(t[rest]) || t[rest] == '\n')) ++rest;
    *reachedEnd = rest >= n && !fit.failed();
  }
}

int BoxedTextBlock::drawText(TDC& dc, int skipLines) {
  HDC hdc = dc.GetHDC();
  if (hdc == nullptr) return 0;
  GraphicWindow* w = getParent();
  HFONT font = w != nullptr ? w->font() : nullptr;
  if (font == nullptr) font = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
  HGDIOBJ oldFont = ::SelectObject(hdc, font);
  textColor_.select(hdc, colourSelectMode());
  const int oldRop = ::SetROP2(hdc, R2_COPYPEN);
  const int oldBk = ::SetBkMode(hdc, TRANSPARENT);
  const UINT oldAlign = ::SetTextAlign(hdc, TA_LEFT | TA_TOP);
  TEXTMETRIC tm;
  const LONG h = ::GetTextMetrics(hdc, &tm) ? std::max<LONG>(tm.tmHeight, 1) : 1;
  RECT r;
  rect(r);
  const LONG left = r.left + SideInset, top = r.top + TopInset;
  const LONG width = r.right - SideInset - left;
  // Only the lines skipped and those that can show are laid out.
  const int64_t room = (static_cast<int64_t>(r.bottom) - top) / h;
  const std::size_t skip = static_cast<std::size_t>(std::max(skipLines, 0));
  const std::size_t maxLines = skip + static_cast<std::size_t>(std::max<int64_t>(room, 0)) + 1;
  std::vector<LineSpan> lines;
  bool reachedEnd = false;
  layoutLines(hdc, width, maxLines, lines, &reachedEnd);
  int ended = reachedEnd ? 1 : 0;
  for (std::size_t i = skip; i < lines.size(); ++i) {
    const int64_t y = top + static_cast<int64_t>(i - skip) * h;
    if (y + h > r.bottom) {
      ended = 0;
      break;
    }
    ::TextOut(hdc, left, static_cast<int>(y), text_.data() + lines[i].start, static_cast<int>(lines[i].length));
  }
  ::SetTextAlign(hdc, oldAlign);
  ::SetBkMode(hdc, oldBk);
  ::SetROP2(hdc, oldRop);
  textColor_.deselect(hdc, nullptr);
  if (::GetDeviceCaps(hdc, TECHNOLOGY) != DT_METAFILE) ::SelectObject(hdc, oldFont);
  return ended;
}

void BoxedTextBlock::drawFigure(HDC hdc) {
  const RECT r = figureRect();
  ::Rectangle(hdc, r.left, r.top, r.right, r.bottom);
}

void BoxedTextBlock::draw(TDC& dc, int force) {
  Shape::draw(dc, force);
  if ((state() & FastPaint) || (!force && !isPaintable())) return;
  drawText(dc, 0);
}

int BoxedTextBlock::setColor(DWORD* fill, DWORD* line, DWORD* text) {
  int changed = Shape::setColor(fill, line, nullptr);
  if (text != nullptr && textColor_ != *text) {
    textColor_.setColor(*text);
    changed = 1;
  }
  return changed;
}

void BoxedTextBlock::startEdit() {
  GraphicWindow* w = getParent();
  if (edit_ != nullptr || w == nullptr || w->HWindow == nullptr) return;
  edit_ = std::make_unique<EditControl>(w, text_.c_str(), deviceRect());
  if (!edit_->Create()) {
    edit_.reset();
    return;
  }
  edit_->SetText(text_.c_str());
  edit_->ClearModify();
  ::ShowWindow(edit_->HWindow, SW_SHOW);
  edit_->SetFocus();
}

int BoxedTextBlock::endEdit() {
  if (edit_ == nullptr) return 0;
  const int changed = edit_->IsModified() ? 1 : 0;
  if (changed) {
    const std::string typed = edit_->GetText();
    setText(typed.c_str());
    if (GraphicWindow* w = getParent()) w->setModified(1);
  }
  edit_.reset();
  return changed;
}
