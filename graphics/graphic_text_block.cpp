// Layout and drawing of a text block (see graphic_text_block.h).
#include "graphics/graphic_text_block.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "graphics/client_dc_loan.h"
#include "graphics/graphic_window.h"
#include "graphics/text_line_fitter.h"
#include "kit/error.h"

namespace {

// The context text is measured on, with the block's font selected: the given
// context, except on a metafile, which measures nothing itself, where the
// window's client context (or, without a window, one compatible with the
// screen) stands in. The font also goes into the given context. Everything is
// put back on leaving the scope.
class MeasuringContext {
 public:
  MeasuringContext(GraphicWindow* window, HDC given, HFONT font) : given_(given) {
    if (font == nullptr && window != nullptr) font = window->font();
    if (font == nullptr) font = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
    oldGivenFont_ = ::SelectObject(given_, font);
    measure_ = given_;
    if (::GetDeviceCaps(given_, TECHNOLOGY) == DT_METAFILE) {
      loan_ = std::make_unique<ClientDCLoan>(window);
      measure_ = loan_->get();
      if (measure_ == nullptr) {
        temporary_ = ::CreateCompatibleDC(nullptr);
        measure_ = temporary_;
      }
      if (measure_ != nullptr) oldMeasureFont_ = ::SelectObject(measure_, font);
    }
  }
  ~MeasuringContext() {
    if (measure_ != given_ && measure_ != nullptr && oldMeasureFont_ != nullptr)
      ::SelectObject(measure_, oldMeasureFont_);
    if (temporary_ != nullptr) ::DeleteDC(temporary_);
    if (oldGivenFont_ != nullptr && ::GetDeviceCaps(given_, TECHNOLOGY) != DT_METAFILE)
      ::SelectObject(given_, oldGivenFont_);
  }
  MeasuringContext(const MeasuringContext&) = delete;
  MeasuringContext& operator=(const MeasuringContext&) = delete;
  HDC get() const { return measure_; }

 private:
  HDC given_;
  HDC measure_ = nullptr;
  HDC temporary_ = nullptr;
  std::unique_ptr<ClientDCLoan> loan_;
  HGDIOBJ oldGivenFont_ = nullptr;
  HGDIOBJ oldMeasureFont_ = nullptr;
};

int16_t clampExtent(int64_t v) {
  return static_cast<int16_t>(std::min<int64_t>(std::max<int64_t>(v, 0), GraphicTextBlock::kMaxExtent));
}

}  // namespace

GraphicTextBlock::GraphicTextBlock(GraphicWindow* parent, const char* text) : Shape(parent) { setText(text); }

GraphicTextBlock::~GraphicTextBlock() = default;

void GraphicTextBlock::setText(const char* text) {
  std::string t = text != nullptr ? text : "";
  std::size_t end = t.size();
  while (end > 0 && t[end - 1] == ' ') --end;
  t.resize(end);
  text_ = std::move(t);
  lineCount_ = 0;
  width_ = height_ = 0;
  continued_.clear();
  offsets_.clear();
}

std::size_t GraphicTextBlock::segmentOffset(int i) const { return offsets_[static_cast<std::size_t>(i)]; }

std::string GraphicTextBlock::line(int i) const {
  if (i < 0 || i >= lineCount_) return std::string();
  const std::size_t at = segmentOffset(i);
  const auto n = static_cast<unsigned char>(text_[at]);
  return text_.substr(at + 1, n);
}

std::string GraphicTextBlock::text() const {
  if (offsets_.empty()) return text_;
  std::string plain;
  plain.reserve(text_.size());
  for (int i = 0; i < lineCount_; ++i) {
    if (i > 0 && !continued_[static_cast<std::size_t>(i)]) plain.push_back(' ');
    const std::size_t at = segmentOffset(i);
    plain.append(text_, at + 1, static_cast<unsigned char>(text_[at]));
  }
  return plain;
}

void GraphicTextBlock::unwrap() {
  if (!offsets_.empty()) text_ = text();
  lineCount_ = 0;
  width_ = height_ = 0;
  continued_.clear();
  offsets_.clear();
}

bool GraphicTextBlock::wrap(HDC measure) {
  const std::string plain = text_;
  const std::size_t n = plain.size();
  TextLineFitter fit(measure);
  SIZE whole;
  if (measure == nullptr || !fit.extent(plain.data(), n, whole)) return false;
  const LONG cy = whole.cy;
  // The target line width: the side of a square of the text's area, or the
  // widest word when that is wider.
  int64_t area = static_cast<int64_t>(whole.cx) * cy;
  if (area < 1) area = 10;
  LONG target = static_cast<LONG>(std::sqrt(static_cast<double>(area)));
  std::vector<std::size_t> ends;  // every blank, then the end of the text
  for (std::size_t i = 0; i < n; ++i) {
    if (plain[i] == ' ') ends.push_back(i);
  }
  ends.push_back(n);
  std::size_t wordStart = 0;
  for (std::size_t e : ends) {
    target = std::max(target, fit.width(plain.data() + wordStart, e - wordStart));
    wordStart = e + 1;
  }
  if (fit.failed()) return false;

  std::string out;
  out.reserve(n + n / 16 + 8);
  std::vector<bool> continued;
  std::vector<uint32_t> offsets;
  LONG blockWidth = cy / 2;
  std::size_t pos = 0, next = 0;  // ends[next] is the first break after pos
  while (pos < n) {
    while (next < ends.size() && ends[next] <= pos) ++next;
    // The longest run of whole words that fits the target; the whole rest
    // when not even the first word does.
    const std::ptrdiff_t k = fit.lastFitting(plain.data() + pos, ends.data() + next, ends.size() - next, target, pos);
    if (fit.failed()) return false;
    const std::size_t end = k < 0 ? n : ends[next + static_cast<std::size_t>(k)];
    for (std::size_t s = pos; s < end;) {
      const std::size_t len = std::min(kMaxSegment, end - s);
      offsets.push_back(static_cast<uint32_t>(out.size()));
      out.push_back(static_cast<char>(static_cast<unsigned char>(len)));
      out.append(plain, s, len);
      continued.push_back(s != pos);
      blockWidth = std::max(blockWidth, fit.width(plain.data() + s, len));
      s += len;
    }
    pos = end;
    if (pos < n && plain[pos] == ' ') ++pos;  // the blank the line was broken at
  }
  if (fit.failed()) return false;
  text_ = std::move(out);
  continued_ = std::move(continued);
  offsets_ = std::move(offsets);
  lineCount_ = static_cast<int32_t>(offsets_.size());
  width_ = clampExtent(blockWidth);
  height_ = clampExtent(static_cast<int64_t>(std::max<int32_t>(lineCount_, 1)) * cy);
  return true;
}

void GraphicTextBlock::compute(TDC& dc) {
  HDC hdc = dc.GetHDC();
  if (hdc == nullptr) return;
  // Kept, so that a failed measurement leaves the previous layout in place.
  const std::string keptText = text_;
  const std::vector<bool> keptContinued = continued_;
  const std::vector<uint32_t> keptOffsets = offsets_;
  const int32_t keptLines = lineCount_;
  const int16_t keptWidth = width_, keptHeight = height_;
  unwrap();
  bool ok;
  {
    MeasuringContext m(getParent(), hdc, nullptr);
    ok = wrap(m.get());
  }
  if (!ok) {
    text_ = keptText;
    continued_ = keptContinued;
    offsets_ = keptOffsets;
    lineCount_ = keptLines;
    width_ = keptWidth;
    height_ = keptHeight;
    error(nullptr, 'E', "Internal error... GraphicTextBlock::compute: GetTextExtent call failed, error: %d", 0);
    return;
  }
  RECT r;
  rawRect(r);
  r.right = r.left + width_;
  r.bottom = r.top + height_;
  Shape::setRect(r, nullptr);
}

void GraphicTextBlock::setRect(HDC hdc, RECT& r) {
  if (hdc != nullptr) {
    TDC dc(hdc);
    compute(dc);
  }
  Shape::setRect(r, nullptr);
  width_ = clampExtent(static_cast<int64_t>(r.right) - r.left);
  height_ = clampExtent(static_cast<int64_t>(r.bottom) - r.top);
}

int GraphicTextBlock::height(HDC hdc) {
  if (!isLaidOut()) {
    if (hdc == nullptr) return 0;
    TDC dc(hdc);
    compute(dc);
  }
  return height_;
}

int GraphicTextBlock::width(HDC hdc) {
  if (!isLaidOut()) {
    if (hdc == nullptr) return 0;
    TDC dc(hdc);
    compute(dc);
  }
  return width_;
}

void GraphicTextBlock::drawText(TDC& dc, int force, HFONT font) {
  clearState(Hidden);
  if (!force && !isPaintable()) return;
  HDC hdc = dc.GetHDC();
  if (hdc == nullptr) return;
  if (!isLaidOut()) compute(dc);
  MeasuringContext m(getParent(), hdc, font);
  TextLineFitter fit(m.get());
  textColor_.select(hdc, colourSelectMode());
  const int oldRop = ::SetROP2(hdc, R2_COPYPEN);
  const int oldBk = ::SetBkMode(hdc, TRANSPARENT);
  const UINT oldAlign = ::SetTextAlign(hdc, TA_LEFT | TA_TOP);
  TEXTMETRIC tm;
  const LONG h = ::GetTextMetrics(hdc, &tm) ? tm.tmHeight : 0;
  RECT r;
  rect(r);
  for (int i = 0; i < lineCount_; ++i) {
    const std::size_t at = segmentOffset(i);
    const int len = static_cast<unsigned char>(text_[at]);
    const char* seg = text_.data() + at + 1;
    const LONG lw = std::max<LONG>(fit.width(seg, static_cast<std::size_t>(len)), 0);
    const int x = clampCoordinate(static_cast<int64_t>(r.left) + (width_ - lw) / 2);
    const int y = clampCoordinate(static_cast<int64_t>(r.top) + static_cast<int64_t>(i) * h);
    if (!::TextOut(hdc, x, y, seg, len)) {
      error(nullptr, 'W', "GraphicTextBlock::draw: failed TextOut(,%d,%d,%*.*s,%d)", x, y, len, len, seg, len);
    }
  }
  ::SetTextAlign(hdc, oldAlign);
  ::SetBkMode(hdc, oldBk);
  ::SetROP2(hdc, oldRop);
  textColor_.deselect(hdc, nullptr);
}

void GraphicTextBlock::copyFrom(const GraphicTextBlock& other) {
  setText(other.text().c_str());
  textColor_ = other.textColor_;
  DWORD fill = other.fillColor().color(), line = other.lineColor().color();
  Shape::setColor(&fill, &line, nullptr);
}

int GraphicTextBlock::setColor(DWORD* fill, DWORD* line, DWORD* text) {
  int changed = Shape::setColor(fill, line, nullptr);
  if (text != nullptr && textColor_ != *text) {
    textColor_.setColor(*text);
    changed = 1;
  }
  return changed;
}
