// The behaviour every graphic shares (see graphic.h): selection, highlight and
// fast paint changes, painting from the window, invalidation, join points on the
// plain rectangle, overlap avoidance and bringing a graphic back onto the page.
#include "graphics/graphic.h"

#include <algorithm>

#include "graphics/graphic_window.h"
#include "graphics/sensitive_graphic.h"
#include "graphics/simple_slave.h"
#include "kit/error.h"

uint64_t Graphic::epoch_ = 0;

namespace {

// A context borrowed from the window for the length of a scope; none without a
// window or when the caller gave one.
class BorrowedDC {
 public:
  BorrowedDC(GraphicWindow* w, HDC given) : window_(given == nullptr ? w : nullptr), hdc_(given) {
    if (window_ != nullptr) hdc_ = window_->getClientHDC();
  }
  ~BorrowedDC() {
    if (window_ != nullptr && hdc_ != nullptr) window_->releaseClientHDC();
  }
  BorrowedDC(const BorrowedDC&) = delete;
  BorrowedDC& operator=(const BorrowedDC&) = delete;
  HDC get() const { return hdc_; }

 private:
  GraphicWindow* window_;
  HDC hdc_;
};

bool isRasterOrMetafile(HDC hdc) {
  const int t = ::GetDeviceCaps(hdc, TECHNOLOGY);
  return t == DT_RASDISPLAY || t == DT_METAFILE;
}

}  // namespace

Graphic::~Graphic() = default;

void Graphic::classInvarient(const char*, int) const {}
void Graphic::slaveSetFastPaint(int, HDC) {}
void Graphic::slaveSetSelected(int, int) {}

void Graphic::eraseNow() {
  GraphicWindow* w = getParent();
  if (w == nullptr || isHidden()) return;
  BorrowedDC dc(w, nullptr);
  if (dc.get() != nullptr) erase(dc.get());
}

void Graphic::eraseGraphic() {
  eraseNow();
  destroy();
}

int Graphic::boundingRect(RECT& r) const { return rect(r); }

void Graphic::moveBy(int dx, int dy, HDC hdc) {
  GraphicWindow* w = getParent();
  if (w == nullptr || (dx == 0 && dy == 0)) return;
  RECT r;
  rect(r);
  const int64_t cx = (static_cast<int64_t>(r.left) + r.right) >> 1;
  const int64_t cy = (static_cast<int64_t>(r.top) + r.bottom) >> 1;
  BorrowedDC dc(w, hdc);
  moveTo(clampCoordinate(cx + dx), clampCoordinate(cy + dy), dc.get());
}

HRGN Graphic::setRegion() const {
  RECT r;
  rect(r);
  return ::CreateRectRgn(r.left, r.top, r.right, r.bottom);
}

void Graphic::setFastPaint(int on, HDC hdc) {
  const bool visible = !isHidden();
  if (on && !isFastPaint()) {
    if (visible && hdc != nullptr) erase(hdc);
    setState(FastPaint);
    slaveSetFastPaint(1, hdc);
    if (visible && hdc != nullptr) {
      TDC dc(hdc);
      draw(dc, 0);
    }
  } else if (!on && isFastPaint()) {
    if (visible && hdc != nullptr) erase(hdc);
    clearState(FastPaint);
    slaveSetFastPaint(0, hdc);
    if (visible && hdc != nullptr) {
      TDC dc(hdc);
      compute(dc);
      draw(dc, 0);
    }
  }
}

void Graphic::setSelected(int on, int keepOthers) {
  GraphicWindow* w = getParent();
  if (w == nullptr) {
    if (on) setState(Selected);
    else clearState(Selected);
    return;
  }
  if (on && !isSelected()) {
    if (!keepOthers) {
      setState(Busy);
      w->deselectAll();
      clearState(Busy);
    }
    setState(Selected);
    slaveSetSelected(1, keepOthers);
    if (!isHidden()) invalidate();
  } else if (!on && isSelected() && (state() & Busy) == 0) {
    if (!isHidden()) invalidate();
    clearState(Selected);
    slaveSetSelected(0, keepOthers);
  }
}

void Graphic::setHighlighted(int on, int quiet) {
  GraphicWindow* w = getParent();
  if (w == nullptr) {
    if (on) setState(Highlighted);
    else clearState(Highlighted);
    return;
  }
  if (on) {
    if (!quiet) w->unhighlightAllBut(this);
    setState(Highlighted);
    setLayer(HighlightLayer);
    if (!isHidden()) invalidate();
  } else {
    if (!isHidden()) invalidate();
    clearState(Highlighted);
    setPaintLayer();
  }
}

void Graphic::setToNormalState() {
  setSelected(0, 1);
  if (isHighlighted()) setHighlighted(0, 1);
}

int Graphic::setColor(DWORD*, DWORD*, DWORD*) { return 0; }

void Graphic::setComputed(int on) {
  if (on) setState(Computed);
  else clearState(Computed);
}

void Graphic::setDotted(int on) {
  if (on) setState(Dotted);
  else clearState(Dotted);
}

void Graphic::Paint(TDC& dc, int, TRect& area) {
  if (!isPaintable()) return;
  RECT b;
  boundingRect(b);
  TRect bounds(b);
  if (!((state() & Computed) != 0 && isRasterOrMetafile(dc.GetHDC()) && !bounds.IsEmpty())) compute(dc);
  boundingRect(b);
  bounds = TRect(b);
  // An empty box still meets the area when it lies inside it (a zero-size graphic shows its handles).
  const bool meets = bounds.left <= area.right && bounds.right >= area.left && bounds.top <= area.bottom &&
                     bounds.bottom >= area.top;
  if (meets && (state() & Hidden) == 0) draw(dc, 0);
}

void Graphic::invalidate() {
  GraphicWindow* w = getParent();
  if (w == nullptr || w->drawingSuspended() || w->HWindow == nullptr) return;
  RECT r;
  if (boundingRect(r) != 0) return;
  w->logicalToDevice(r);
  TRect d = TRect(r).Normalized();
  // One pixel more on each side: rounding of the mapping never leaves a stale edge behind.
  d.Inflate(1, 1);
  ::InvalidateRect(w->HWindow, &d, TRUE);
}

void Graphic::refresh() { invalidate(); }

bool Graphic::isHidden() const {
  GraphicWindow* w = getParent();
  return (state() & Hidden) != 0 || w == nullptr || w->drawingSuspended();
}

bool Graphic::contains(LONG point) const {
  if (isHidden()) return false;
  RECT r;
  rect(r);
  POINT p = {pointX(point), pointY(point)};
  if (!::PtInRect(&r, p)) return false;
  HRGN region = setRegion();
  if (region == nullptr) return false;
  const bool in = ::PtInRegion(region, p.x, p.y) != 0;
  ::DeleteObject(region);
  return in;
}

bool Graphic::intersects(const RECT* other) const {
  if (other == nullptr) return false;
  RECT r;
  rect(r);
  return TRect(r).Touches(TRect(*other));
}

bool Graphic::rawIntersects(const RECT* other) const {
  if (other == nullptr) return false;
  RECT r;
  rawRect(r);
  return TRect(r).Touches(TRect(*other));
}

void Graphic::placeClear(int pushOthers) {
  GraphicWindow* w = getParent();
  if (w == nullptr) return;
  // A slave moves with its master, inside it: it is never pushed off it.
  if (const auto* slave = dynamic_cast<const SimpleSlave*>(this)) {
    if (slave->master() != nullptr) return;
  }
  RECT r;
  rawRect(r);
  BorrowedDC dc(w, nullptr);
  const DWORD wasHidden = state() & Hidden;
  setState(Hidden);
  bool pending = false;
  auto applyMove = [&](bool drawIt) {
    int cx = (r.left + r.right) >> 1, cy = (r.top + r.bottom) >> 1;
    w->snapToGrid(cx, cy);
    if (wasHidden == 0) clearState(Hidden);
    moveTo(cx, cy, dc.get());
    if (dc.get() != nullptr) {
      TDC t(dc.get());
      compute(t);
      if (drawIt) draw(t, 0);
    }
    pending = false;
  };
  // Each round moves below one graphic or pushes one away: bounded by the
  // number of graphics, and by the bottom of the coordinate range.
  std::size_t rounds = w->sensitiveGraphics().size() + 1;
  while (rounds-- > 0) {
    Graphic* other = w->firstOverlapping(&r);
    if (other == nullptr || other == this) break;
    RECT o;
    other->rawRect(o);
    const int64_t otherMiddle = (static_cast<int64_t>(o.top) + o.bottom) >> 1;
    const int64_t ownMiddle = (static_cast<int64_t>(r.top) + r.bottom) >> 1;
    if (otherMiddle > ownMiddle && pushOthers) {
      clearState(Hidden);
      if (pending) applyMove(false);
      other->placeClear(0);
      setState(Hidden);
    } else {
      const int64_t down = std::max<int64_t>(w->gridSize(), static_cast<int64_t>(o.bottom) - r.top + 8);
      if (static_cast<int64_t>(r.bottom) + down > INT16_MAX) break;
      r.top = clampCoordinate(r.top + down);
      r.bottom = clampCoordinate(r.bottom + down);
      pending = true;
    }
  }
  if (wasHidden == 0) clearState(Hidden);
  if (pending) applyMove(true);
}

void Graphic::compute(TDC&) {}

void Graphic::plainJoinPoint(const char* owner, int jp, const RECT& r, POINT& p) {
  if (jp & JoinLeft) p.x = r.left;
  else if (jp & JoinCentre) p.x = static_cast<LONG>((static_cast<int64_t>(r.left) + r.right) >> 1);
  else if (jp & JoinRight) p.x = r.right;
  else error(nullptr, 'E', "%s::getJoinPoint: Invalid joinPoint (0x%x): no X specified", owner, jp);
  if (jp & JoinTop) p.y = r.top;
  else if (jp & JoinMiddle) p.y = static_cast<LONG>((static_cast<int64_t>(r.top) + r.bottom) >> 1);
  else if (jp & JoinBottom) p.y = r.bottom;
  else error(nullptr, 'E', "%s::getJoinPoint: Invalid joinPoint (0x%x): no Y specified", owner, jp);
}

void Graphic::getJoinPoint(joinPoint jp, POINT& p) const {
  RECT r;
  rect(r);
  plainJoinPoint("Graphic", jp, r, p);
}

void Graphic::handleMessage(GMessage&) {}

void Graphic::repaint(HDC hdc) {
  if (hdc == nullptr) return;
  erase(hdc);
  TDC dc(hdc);
  compute(dc);
  draw(dc, 0);
}

int Graphic::verify() {
  RECT r;
  rect(r);
  if (r.left >= 0 && r.top >= 0) return 0;
  int64_t cx = (static_cast<int64_t>(r.left) + r.right) >> 1;
  int64_t cy = (static_cast<int64_t>(r.top) + r.bottom) >> 1;
  if (cx < 1) cx = 0;
  if (cy < 1) cy = 0;
  BorrowedDC dc(getParent(), nullptr);
  moveTo(static_cast<int>(cx), static_cast<int>(cy), dc.get());
  return 0;
}

bool Graphic::isPaintable() const {
  GraphicWindow* w = getParent();
  if (w == nullptr || w->drawingSuspended() || (state() & Hidden) != 0) return false;
  return !w->restrictedMode() || (pasteEligible() && w->HWindow != nullptr);
}

void Graphic::clientRectResized(RECT&) {}

void Graphic::setLayer(BYTE layer) {
  if (layer_ != layer) geometryChanged();
  layer_ = layer;
}
