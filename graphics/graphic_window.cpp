// The graphic window: lists, lending, mapping, painting by layer, mouse routing,
// grid, scroll bars, group outline, zoom commands, printing and the clipboard
// (see graphic_window.h).
#include "graphics/graphic_window.h"

#include <algorithm>
#include <cstdint>

#include "graphics/graphic.h"
#include "graphics/graphic_printout.h"
#include "graphics/sensitive_graphic.h"
#include "kit/error.h"
#include "platform/owl/t_scroller.h"
#include "platform/system/desktop.h"
#include "platform/system/global_memory.h"
#include "platform/win/clipboard.h"
#include "platform/win/window_manager.h"

namespace {

bool isRasterDisplay(HDC hdc) { return ::GetDeviceCaps(hdc, TECHNOLOGY) == DT_RASDISPLAY; }
bool isMetafile(HDC hdc) { return ::GetDeviceCaps(hdc, TECHNOLOGY) == DT_METAFILE; }

constexpr int kZoomItems[] = {50, 75, 100, 150, 200};
constexpr int kMaxZoom = 1000;
constexpr int kEdgeZone = 3;

HWND topLevelOf(HWND hwnd) {
  HWND top = hwnd;
  for (int depth = 0; top != nullptr && depth < 64; ++depth) {
    HWND up = ::GetParent(top);
    if (up == nullptr || up == ::GetDesktopWindow()) break;
    top = up;
  }
  return top;
}

}  // namespace

GraphicWindow::GraphicWindow(TWindow* parent, const char* title, TModule* module) : TWindow(parent, title, module) {
  Scroller = new TScroller(this, ScrollUnit, ScrollUnit, 0, 0);
}

GraphicWindow::~GraphicWindow() {
  suspended_ = 1;
  destroyAllGraphics();
}

void GraphicWindow::classInvarient(const char*, int) const {}

void GraphicWindow::destroyAllGraphics() {
  const int32_t wasSuspended = suspended_;
  suspended_ = 1;
  capture_ = nullptr;
  underMouse_ = nullptr;
  // Each graphic leaves the list before it goes. What goes with it (a relation
  // with its end, a slave with its master) only leaves the membership sets
  // while the lists are taken down (removeNode does not search them then), and
  // is passed over when its turn comes.
  bulkRemoval_ = true;
  while (!sensitive_.empty()) {
    SensitiveGraphic* g = sensitive_.back();
    sensitive_.pop_back();
    listChanged();
    if (inSensitive_.erase(g) != 0) g->destroy();
  }
  while (!others_.empty()) {
    Graphic* g = others_.back();
    others_.pop_back();
    listChanged();
    if (inOthers_.erase(g) != 0) g->destroy();
  }
  bulkRemoval_ = false;
  outline_.reset();
  suspended_ = wasSuspended;
}

void GraphicWindow::GetWindowClass(WNDCLASS& wc) {
  TWindow::GetWindowClass(wc);
  wc.style |= CS_DBLCLKS;
  wc.hbrBackground = ::GetSysColorBrush(COLOR_WINDOW);
  wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
}

void GraphicWindow::recomputeAll(TDC& dc) {
  auto again = [&dc](Graphic* g) {
    const DWORD computed = g->state() & Graphic::Computed;
    g->clearState(Graphic::Computed);
    g->compute(dc);
    if (computed) g->setState(Graphic::Computed);
  };
  const std::vector<SensitiveGraphic*> s = sensitive_;
  const std::vector<Graphic*> o = others_;
  for (SensitiveGraphic* g : s) again(g);
  for (Graphic* g : o) again(g);
}

void GraphicWindow::SetupWindow() {
  TWindow::SetupWindow();
  suspended_ = 0;
  if (HDC h = getClientHDC()) {
    TDC dc(h);
    recomputeAll(dc);
    releaseClientHDC();
  }
  updateScrollBars(1);
  setOption(SetupPending, false);
}

bool GraphicWindow::CanClose() {
  if (!TWindow::CanClose()) return false;
  for (SensitiveGraphic* g : sensitive_) {
    if (!g->CanClose()) return false;
  }
  return true;
}

// ---------------------------------------------------------------- mapping

void GraphicWindow::zoomRect(RECT& r) const {
  if (zoom_ < 1) {
    r = {-32767, -32767, 32767, 32767};
    return;
  }
  const int64_t z = zoom_;
  auto down = [z](int64_t v) { return v >= 0 ? v * 100 / z : -((-v * 100 + z - 1) / z); };
  auto up = [z](int64_t v) { return v >= 0 ? (v * 100 + z - 1) / z : -((-v * 100) / z); };
  r.left = clampCoordinate(down(r.left));
  r.top = clampCoordinate(down(r.top));
  r.right = clampCoordinate(up(r.right));
  r.bottom = clampCoordinate(up(r.bottom));
}

void GraphicWindow::setMapping(HDC hdc, int zoom, int xOrg, int yOrg, int xExt, int yExt, int fit) {
  if (hdc == nullptr) return;
  if (!fit && zoom >= 1) {
    ::SetMapMode(hdc, MM_ANISOTROPIC);
    ::SetWindowOrgEx(hdc, 0, 0, nullptr);
    ::SetWindowExtEx(hdc, 100, 100, nullptr);
    ::SetViewportExtEx(hdc, zoom, zoom, nullptr);
    ::SetViewportOrgEx(hdc, -xOrg, -yOrg, nullptr);
    return;
  }
  RECT client = {0, 0, 1, 1};
  if (HWindow != nullptr) ::GetClientRect(HWindow, &client);
  ::SetMapMode(hdc, MM_ISOTROPIC);
  ::SetWindowOrgEx(hdc, 0, 0, nullptr);
  ::SetWindowExtEx(hdc, std::max(1, xExt), std::max(1, yExt), nullptr);
  ::SetViewportExtEx(hdc, std::max<LONG>(1, client.right - client.left), std::max<LONG>(1, client.bottom - client.top),
                     nullptr);
  ::SetViewportOrgEx(hdc, -xOrg, -yOrg, nullptr);
}

HDC GraphicWindow::getClientHDC() {
  if (dcCount_ == 0) {
    HDC h = ::GetDC(HWindow);
    if (h == nullptr) {
      error(HWindow, 'F', "Internal error... GraphicWindow::getClientHDC: cannot get client HDC");
      return nullptr;
    }
    hdc_ = h;
    ownsDC_ = true;
  }
  if (dcCount_ < INT16_MAX) ++dcCount_;
  if (isRasterDisplay(hdc_)) {
    const LONG sx = Scroller != nullptr ? Scroller->XScrollValue() : 0;
    const LONG sy = Scroller != nullptr ? Scroller->YScrollValue() : 0;
    setMapping(hdc_, zoom_, sx, sy, extentRight_, extentBottom_, zoom_ < 1);
  }
  return hdc_;
}

void GraphicWindow::releaseClientHDC() {
  if (dcCount_ <= 0) {
    error(HWindow, 'F', "Internal error... GraphicWindow::releaseClientHDC: releasing HDC below 0");
    return;
  }
  if (--dcCount_ == 0) {
    if (ownsDC_) ::ReleaseDC(HWindow, hdc_);
    hdc_ = nullptr;
    ownsDC_ = false;
  }
}

LONG GraphicWindow::deviceToLogical(LONG point) {
  POINT p = {pointX(point), pointY(point)};
  deviceToLogical(p);
  return packPoint(p.x, p.y);
}

LONG GraphicWindow::logicalToDevice(LONG point) {
  POINT p = {pointX(point), pointY(point)};
  logicalToDevice(p);
  return packPoint(p.x, p.y);
}

void GraphicWindow::deviceToLogical(POINT& p) {
  if (HDC h = getClientHDC()) {
    ::DPtoLP(h, &p, 1);
    releaseClientHDC();
  }
}

void GraphicWindow::logicalToDevice(POINT& p) {
  if (HDC h = getClientHDC()) {
    ::LPtoDP(h, &p, 1);
    releaseClientHDC();
  }
}

void GraphicWindow::deviceToLogical(RECT& r) {
  if (HDC h = getClientHDC()) {
    ::DPtoLP(h, reinterpret_cast<POINT*>(&r), 2);
    releaseClientHDC();
  }
}

void GraphicWindow::logicalToDevice(RECT& r) {
  if (HDC h = getClientHDC()) {
    ::LPtoDP(h, reinterpret_cast<POINT*>(&r), 2);
    releaseClientHDC();
  }
}

LONG GraphicWindow::screenToLogical(LONG point) {
  POINT p = {pointX(point), pointY(point)};
  if (HWindow != nullptr) ::ScreenToClient(HWindow, &p);
  deviceToLogical(p);
  return packPoint(p.x, p.y);
}

LONG GraphicWindow::logicalToScreen(LONG point) {
  POINT p = {pointX(point), pointY(point)};
  logicalToDevice(p);
  if (HWindow != nullptr) ::ClientToScreen(HWindow, &p);
  return packPoint(p.x, p.y);
}

void GraphicWindow::setColorMode(int on) { setOption(ColourDrawing, on != 0); }

// ---------------------------------------------------------------- painting

void GraphicWindow::EvPaint() {
  paintingWindow_ = true;
  TWindow::EvPaint();
  paintingWindow_ = false;
}

void GraphicWindow::Paint(TDC& dc, bool, TRect& area) {
  HDC hdc = dc.GetHDC();
  if (hdc == nullptr) return;
  // Only the window's own paint context draws on the window's surface.
  const bool onWindow = paintingWindow_;
  paintingWindow_ = false;
  // The paint context is the lent one while the paint lasts.
  const HDC savedHdc = hdc_;
  const int16_t savedCount = dcCount_;
  const bool savedOwns = ownsDC_;
  hdc_ = hdc;
  dcCount_ = 1;
  ownsDC_ = false;
  ::SetTextColor(hdc, ::GetSysColor(COLOR_WINDOWTEXT));
  ::SetBkColor(hdc, ::GetSysColor(COLOR_WINDOW));
  ::SetBkMode(hdc, TRANSPARENT);
  TRect a = area;
  if (isRasterDisplay(hdc)) {
    const LONG sx = Scroller != nullptr ? Scroller->XScrollValue() : 0;
    const LONG sy = Scroller != nullptr ? Scroller->YScrollValue() : 0;
    setMapping(hdc, zoom_, sx, sy, extentRight_, extentBottom_, zoom_ < 1);
    zoomRect(a);
  }
  if (!isMetafile(hdc)) {
    SIZE v = {1, 1}, w = {1, 1};
    ::GetViewportExtEx(hdc, &v);
    ::GetWindowExtEx(hdc, &w);
    const double sx = w.cx != 0 ? static_cast<double>(v.cx) / w.cx : 1.0;
    const double sy = w.cy != 0 ? static_cast<double>(v.cy) / w.cy : 1.0;
    if (sx != lastScaleX_ || sy != lastScaleY_) {
      recomputeAll(dc);
      lastScaleX_ = sx;
      lastScaleY_ = sy;
    }
  }
  // By layers, lowest first; within a layer the sensitive list, then the other
  // one, each in its order. Layer 0xFF is never painted.
  struct Item {
    BYTE layer;
    std::size_t order;
    Graphic* g;
  };
  std::vector<Item> items;
  items.reserve(sensitive_.size() + others_.size());
  for (std::size_t i = 0; i < sensitive_.size(); ++i) items.push_back({sensitive_[i]->paintLayer(), i, sensitive_[i]});
  for (std::size_t i = 0; i < others_.size(); ++i)
    items.push_back({others_[i]->paintLayer(), sensitive_.size() + i, others_[i]});
  std::sort(items.begin(), items.end(),
            [](const Item& x, const Item& y) { return x.layer != y.layer ? x.layer < y.layer : x.order < y.order; });
  for (const Item& it : items) {
    if (it.layer == Graphic::UnpaintedLayer) break;
    it.g->Paint(dc, 0, a);
  }
  // The group outline is drawn by inverting: where this paint wiped it, it is
  // drawn again, so that the next toggle takes away exactly what is shown.
  if (outline_ != nullptr && outlineShown_ && onWindow) {
    const int saved = ::SaveDC(hdc);
    ::SetMapMode(hdc, MM_TEXT);
    ::SetWindowOrgEx(hdc, 0, 0, nullptr);
    ::SetViewportOrgEx(hdc, 0, 0, nullptr);
    ::DrawFocusRect(hdc, outline_.get());
    ::RestoreDC(hdc, saved);
  }
  hdc_ = savedHdc;
  dcCount_ = savedCount;
  ownsDC_ = savedOwns;
}

// ---------------------------------------------------------------- selection

void GraphicWindow::deselectAll() {
  for (SensitiveGraphic* g : std::vector<SensitiveGraphic*>(sensitive_)) {
    if (g->isSelected()) g->setSelected(0, 1);
  }
}

void GraphicWindow::selectAll() {
  for (SensitiveGraphic* g : std::vector<SensitiveGraphic*>(sensitive_)) {
    if (!g->isSelected()) g->setSelected(1, 1);
  }
}

int GraphicWindow::selectedCount() const {
  return static_cast<int>(std::count_if(sensitive_.begin(), sensitive_.end(),
                                        [](const SensitiveGraphic* g) { return g->isSelected(); }));
}

void GraphicWindow::unhighlightAllBut(Graphic* keep) {
  for (SensitiveGraphic* g : std::vector<SensitiveGraphic*>(sensitive_)) {
    if (g != keep && g->isHighlighted()) g->setHighlighted(0, 1);
  }
  for (Graphic* g : std::vector<Graphic*>(others_)) {
    if (g != keep && g->isHighlighted()) g->setHighlighted(0, 1);
  }
}

void GraphicWindow::highlightAll() {
  for (SensitiveGraphic* g : std::vector<SensitiveGraphic*>(sensitive_)) g->setHighlighted(1, 1);
}

GraphicHitIndex::Key GraphicWindow::hitKey() const {
  GraphicHitIndex::Key k;
  k.listVersion = listVersion_;
  k.epoch = Graphic::geometryEpoch();
  k.zoom = zoom_;
  k.scrollX = Scroller != nullptr ? Scroller->XScrollValue() : 0;
  k.scrollY = Scroller != nullptr ? Scroller->YScrollValue() : 0;
  if (HWindow != nullptr) {
    RECT c = {0, 0, 0, 0};
    ::GetClientRect(HWindow, &c);
    k.clientWidth = c.right;
    k.clientHeight = c.bottom;
  }
  return k;
}

SensitiveGraphic* GraphicWindow::graphicAt(GMessage& msg) {
  if (capture_ != nullptr) return nullptr;
  if (msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST) return nullptr;
  const LONG p = deviceToLogical(msg.position);
  return hitIndex_.hit(sensitive_, hitKey(), p);
}

void GraphicWindow::forEachOverlapping(const RECT* r, GraphicCallback callback, void* arg) {
  if (r == nullptr || callback == nullptr) return;
  for (SensitiveGraphic* g : std::vector<SensitiveGraphic*>(sensitive_)) {
    if ((g->state() & Graphic::Hidden) == 0 && g->rawIntersects(r)) callback(g, arg);
  }
}

SensitiveGraphic* GraphicWindow::firstOverlapping(const RECT* r) {
  if (r == nullptr) return nullptr;
  for (SensitiveGraphic* g : sensitive_) {
    if ((g->state() & Graphic::Hidden) == 0 && g->rawIntersects(r)) return g;
  }
  return nullptr;
}

void GraphicWindow::captureMouse(SensitiveGraphic* g) {
  if (HWindow != nullptr) ::SetCapture(HWindow);
  capture_ = g;
}

void GraphicWindow::releaseMouse(SensitiveGraphic* g) {
  if (HWindow != nullptr && ::GetCapture() == HWindow) ::ReleaseCapture();
  if (g == nullptr || capture_ == g) capture_ = nullptr;
  if (g == nullptr || underMouse_ == g) underMouse_ = nullptr;
}

void GraphicWindow::clearMarks() {
  for (SensitiveGraphic* g : sensitive_) g->clearState(Graphic::Marked);
  for (Graphic* g : others_) g->clearState(Graphic::Marked);
}

void GraphicWindow::bringToFront(Graphic* g) {
  auto front = [g](auto& list) {
    auto it = std::find(list.begin(), list.end(), g);
    if (it == list.end()) return false;
    auto item = *it;
    list.erase(it);
    list.push_back(item);
    return true;
  };
  if (front(sensitive_) || front(others_)) {
    listChanged();
    g->invalidate();
  }
}

void GraphicWindow::sendToBack(Graphic* g) {
  auto back = [g](auto& list) {
    auto it = std::find(list.begin(), list.end(), g);
    if (it == list.end()) return false;
    auto item = *it;
    list.erase(it);
    list.insert(list.begin(), item);
    return true;
  };
  if (back(sensitive_) || back(others_)) {
    listChanged();
    g->invalidate();
  }
}

void GraphicWindow::extendTo(int right, int bottom) {
  bool changed = false;
  if (right > extentRight_) {
    extentRight_ = right;
    changed = true;
  }
  if (bottom > extentBottom_) {
    extentBottom_ = bottom;
    changed = true;
  }
  if (changed) updateScrollBars(0);
}

void GraphicWindow::addSNode(SensitiveGraphic* g) {
  if (g == nullptr || inSensitive_.count(g) != 0) return;
  if (g->visual() != nullptr && g->getParent() != this) g->setParent(this);
  sensitive_.push_back(g);
  inSensitive_.insert(g);
  extentStale_ = true;
  listChanged();
}

void GraphicWindow::addNode(Graphic* g) {
  if (g == nullptr || inOthers_.count(g) != 0) return;
  others_.push_back(g);
  inOthers_.insert(g);
  listChanged();
}

void GraphicWindow::removeNode(Graphic* g) {
  if (g == nullptr) return;
  if (bulkRemoval_) {
    inSensitive_.erase(g);
    inOthers_.erase(g);
    if (capture_ == g) capture_ = nullptr;
    if (underMouse_ == g) underMouse_ = nullptr;
    return;
  }
  // The latest added are the likeliest to go first: search from the end.
  if (inSensitive_.erase(g) != 0) {
    auto s = std::find(sensitive_.rbegin(), sensitive_.rend(), g);
    if (s != sensitive_.rend()) sensitive_.erase(std::next(s).base());
  }
  if (inOthers_.erase(g) != 0) {
    auto o = std::find(others_.rbegin(), others_.rend(), g);
    if (o != others_.rend()) others_.erase(std::next(o).base());
  }
  if (capture_ == g) capture_ = nullptr;
  if (underMouse_ == g) underMouse_ = nullptr;
  extentStale_ = true;
  listChanged();
}

void GraphicWindow::forEachGraphic(GraphicCallback callback, void* arg) {
  if (callback == nullptr) return;
  for (SensitiveGraphic* g : std::vector<SensitiveGraphic*>(sensitive_)) callback(g, arg);
  for (Graphic* g : std::vector<Graphic*>(others_)) callback(g, arg);
}

void GraphicWindow::setToNormalState() {
  if (capture_ != nullptr) releaseMouse(capture_);
  for (SensitiveGraphic* g : std::vector<SensitiveGraphic*>(sensitive_)) {
    if (g->state() & (Graphic::MouseDown | Graphic::Dragging)) g->cancelDrag();
    g->setToNormalState();
  }
  for (Graphic* g : std::vector<Graphic*>(others_)) g->setToNormalState();
  outline_.reset();
}

void GraphicWindow::deleteSelected() {
  // Bounded by the list's length: each round takes one graphic away.
  for (std::size_t rounds = sensitive_.size(); rounds > 0; --rounds) {
    auto it = std::find_if(sensitive_.begin(), sensitive_.end(), [](SensitiveGraphic* g) { return g->isSelected(); });
    if (it == sensitive_.end()) break;
    SensitiveGraphic* g = *it;
    removeNode(g);
    g->eraseGraphic();
  }
}

void GraphicWindow::resumeDrawing(int repaint) {
  suspended_ = 0;
  if (repaint && HWindow != nullptr) Invalidate(true);
}

// ---------------------------------------------------------------- grid, extent, scrolling

void GraphicWindow::snapToGrid(int& x, int& y) {
  const int64_t g = gridSize();
  if (g <= 1) return;
  auto snap = [g](int c) {
    const int64_t half = g / 2;
    const int64_t v = static_cast<int64_t>(c) + half;
    const int64_t base = (v / g) * g;
    return static_cast<int>(clampCoordinate(base + ((v % g) < half ? half - g : half)));
  };
  x = snap(x);
  y = snap(y);
}

void GraphicWindow::pageExtent(POINT& p) {
  if (extentStale_) {
    int64_t right = 0, bottom = 0;
    for (SensitiveGraphic* g : sensitive_) {
      if (g->isFastPaint()) continue;
      RECT r;
      g->rect(r);
      right = std::max<int64_t>(right, r.right);
      bottom = std::max<int64_t>(bottom, r.bottom);
    }
    cachedRight_ = clampCoordinate(right + 10);
    cachedBottom_ = clampCoordinate(bottom + 10);
    extentStale_ = false;
  }
  p = {cachedRight_, cachedBottom_};
}

int GraphicWindow::updateScrollBars(int recomputeExtent) {
  // Showing or hiding a bar resizes the client area, which asks again: the
  // nested request is the same one and is left to this call.
  if (HWindow == nullptr || Scroller == nullptr || updatingBars_) return 0;
  struct Guard {
    bool& flag;
    explicit Guard(bool& f) : flag(f) { flag = true; }
    ~Guard() { flag = false; }
  } guard(updatingBars_);
  const DWORD before = GetStyle();
  Scroller->SetUnits(ScrollUnit, ScrollUnit);
  if (recomputeExtent) {
    extentStale_ = true;
    POINT e;
    pageExtent(e);
    extentRight_ = e.x;
    extentBottom_ = e.y;
  }
  if (zoom_ < 1) {
    Scroller->ScrollTo(0, 0);
    ShowScrollBar(SB_HORZ, false);
    ShowScrollBar(SB_VERT, false);
    Scroller->SetRange(0, 0);
    return GetStyle() != before;
  }
  const TRect client = GetClientRect();
  const int64_t z = zoom_;
  const bool h = static_cast<int64_t>(client.Width()) * 100 / z < extentRight_;
  const bool v = static_cast<int64_t>(client.Height()) * 100 / z < extentBottom_;
  ShowScrollBar(SB_HORZ, h);
  ShowScrollBar(SB_VERT, v);
  if (!h) Scroller->ScrollTo(0, Scroller->YPos);
  if (!v) Scroller->ScrollTo(Scroller->XPos, 0);
  // The zoomed extent in scroll units, rounded up.
  const int64_t rx = (static_cast<int64_t>(extentRight_) * z / 100 + ScrollUnit - 1) / ScrollUnit;
  const int64_t ry = (static_cast<int64_t>(extentBottom_) * z / 100 + ScrollUnit - 1) / ScrollUnit;
  Scroller->SetRange(static_cast<LONG>(h ? rx : 0), static_cast<LONG>(v ? ry : 0));
  return GetStyle() != before;
}

int GraphicWindow::autoScroll() {
  if (Scroller == nullptr || HWindow == nullptr) return 0;
  const DWORD now = WindowManager::instance().now();
  if (autoScrolled_ && now - lastAutoScroll_ < SensitiveGraphic::AutoScrollPeriod) return 0;
  POINT p;
  ::GetCursorPos(&p);
  ::ScreenToClient(HWindow, &p);
  const TRect client = GetClientRect();
  const TRect inner = client.InflatedBy(-kEdgeZone, -kEdgeZone);
  if (!client.Contains(TPoint(p)) || inner.Contains(TPoint(p))) return 0;
  lastAutoScroll_ = now;
  autoScrolled_ = true;
  toggleGroupOutline();
  const LONG bx = Scroller->XScrollValue(), by = Scroller->YScrollValue();
  const bool scrolled = Scroller->AutoScroll();
  if (outline_ != nullptr) outline_->Offset(bx - Scroller->XScrollValue(), by - Scroller->YScrollValue());
  toggleGroupOutline();
  return scrolled ? 1 : 0;
}

void GraphicWindow::setZoom(int percent) {
  if (percent > kMaxZoom) percent = kMaxZoom;
  if (percent < 0) percent = FitZoom;
  zoom_ = static_cast<int16_t>(percent);
  updateScrollBars(1);
  if (HWindow != nullptr) Invalidate(true);
}

void GraphicWindow::customZoom() {
  const int v = getNonNegInt(this, "Zoom", "Enter percentage of zoom (none=100)", 100, -1);
  if (v == -1) return;
  if (v >= 0 && v <= kMaxZoom) {
    setZoom(v);
  } else {
    error(HWindow, 'E', "Zoom must be greater than 0%% and less than 1000%%");
  }
}

// ---------------------------------------------------------------- group outline

void GraphicWindow::startGroupDrag(int selectedOnly) {
  TRect u;
  for (SensitiveGraphic* g : sensitive_) {
    if (selectedOnly && !g->isSelected()) continue;
    RECT r;
    g->rect(r);
    logicalToDevice(r);
    u |= TRect(r).Normalized();
  }
  if (!selectedOnly) {
    for (Graphic* g : others_) {
      RECT r;
      g->rect(r);
      logicalToDevice(r);
      u |= TRect(r).Normalized();
    }
  }
  u.Inflate(2, 2);
  outline_ = std::make_unique<TRect>(u);
  outlineShown_ = false;
}

void GraphicWindow::endGroupDrag() {
  outline_.reset();
  outlineShown_ = false;
}

void GraphicWindow::toggleGroupOutline() {
  if (outline_ == nullptr || HWindow == nullptr) return;
  TClientDC dc(HWindow);
  dc.DrawFocusRect(*outline_);
  outlineShown_ = !outlineShown_;
}

void GraphicWindow::moveGroupOutline(POINT delta) {
  if (outline_ != nullptr) outline_->Offset(delta.x, delta.y);
}

// ---------------------------------------------------------------- mouse routing

GMessage GraphicWindow::makeMessage(UINT msg, UINT keys, const TPoint& p) const {
  GMessage m;
  m.window = HWindow;
  m.message = static_cast<WORD>(msg);
  m.keys = static_cast<WORD>(keys);
  m.position = packPoint(p.x, p.y);
  m.result = 1;
  return m;
}

int GraphicWindow::handleUnder(SensitiveGraphic* g, LONG logicalPoint) {
  if (g == nullptr || !g->isSelected()) return 0;
  return g->hitHandle(pointX(logicalPoint), pointY(logicalPoint));
}

void GraphicWindow::setCursor() { ::SetCursor(::LoadCursor(nullptr, IDC_ARROW)); }

void GraphicWindow::EvLButtonDown(UINT keys, TPoint& p) {
  setOption(LeftButtonDown, true);
  doubleClick_ = false;
  GMessage m = makeMessage(WM_LBUTTONDOWN, keys, p);
  if (SensitiveGraphic* g = graphicAt(m)) {
    g->WMLButtonDown(m);
  } else if (capture_ == nullptr && penClickWanted(keys, p)) {
    penClickSetup();
    doPenClick(p);
    penClickWrapup();
    // The stroke took the release.
    setOption(LeftButtonDown, false);
  } else {
    TWindow::EvLButtonDown(keys, p);
  }
}

void GraphicWindow::EvLButtonUp(UINT keys, TPoint& p) {
  const bool wentDown = (options_ & LeftButtonDown) != 0;
  setOption(LeftButtonDown, false);
  if (!wentDown || busy_ || doubleClick_ || font() == nullptr) return;
  GMessage m = makeMessage(WM_LBUTTONUP, keys, p);
  // The graphic that holds the mouse is the one under it.
  SensitiveGraphic* g = capture_ != nullptr ? capture_ : graphicAt(m);
  if (g != nullptr) g->WMLButtonUp(m);
}

void GraphicWindow::EvLButtonDblClk(UINT keys, TPoint& p) {
  doubleClick_ = true;
  GMessage m = makeMessage(WM_LBUTTONDBLCLK, keys, p);
  if (SensitiveGraphic* g = graphicAt(m)) g->WMLButtonDblClk(m);
}

void GraphicWindow::EvRButtonDown(UINT keys, TPoint& p) {
  GMessage m = makeMessage(WM_RBUTTONDOWN, keys, p);
  if (SensitiveGraphic* g = graphicAt(m)) g->WMRButtonDown(m);
}

void GraphicWindow::EvRButtonUp(UINT keys, TPoint& p) {
  if (doubleClick_) return;
  GMessage m = makeMessage(WM_RBUTTONUP, keys, p);
  if (SensitiveGraphic* g = graphicAt(m)) g->WMRButtonUp(m);
}

void GraphicWindow::EvRButtonDblClk(UINT keys, TPoint& p) {
  doubleClick_ = true;
  GMessage m = makeMessage(WM_RBUTTONDBLCLK, keys, p);
  if (SensitiveGraphic* g = graphicAt(m)) g->WMRButtonDblClk(m);
}

void GraphicWindow::EvMouseMove(UINT keys, TPoint& p) {
  if (busy_) return;
  GMessage m = makeMessage(WM_MOUSEMOVE, keys, p);
  if (capture_ != nullptr) {
    if (HWindow != nullptr && ::GetCapture() == HWindow) autoScroll();
    if (capture_ != nullptr) capture_->WMMouseMove(m);
    return;
  }
  SensitiveGraphic* g = graphicAt(m);
  if (g == nullptr) {
    if (underMouse_ != nullptr) underMouse_->WMMouseExit(m);
    underMouse_ = nullptr;
    underHandle_ = 0;
    setCursor();
    return;
  }
  const LONG lp = deviceToLogical(m.position);
  const int h = handleUnder(g, lp);
  if (g != underMouse_ || h != underHandle_) {
    if (underMouse_ != nullptr) underMouse_->WMMouseExit(m);
    g->WMMouseEnter(m);
  }
  g->updateCursor(pointX(lp), pointY(lp));
  underMouse_ = g;
  underHandle_ = h;
}

void GraphicWindow::EvSize(UINT sizeType, TSize& size) {
  TWindow::EvSize(sizeType, size);
  if (HWindow == nullptr) return;
  RECT client = GetClientRect();
  deviceToLogical(client);
  for (SensitiveGraphic* g : std::vector<SensitiveGraphic*>(sensitive_)) g->clientRectResized(client);
  for (Graphic* g : std::vector<Graphic*>(others_)) g->clientRectResized(client);
  updateScrollBars(0);
}

// ---------------------------------------------------------------- commands

LRESULT GraphicWindow::EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) {
  if (id >= CmZoom50 && id <= CmZoom200) {
    setZoom(kZoomItems[id - CmZoom50]);
    return 0;
  }
  if (id == CmZoomFit || id == CmZoomFitPage) {
    setZoom(FitZoom);
    return 0;
  }
  if (id == CmZoomCustom) {
    customZoom();
    return 0;
  }
  return TWindow::EvCommand(id, hWndCtl, notifyCode);
}

void GraphicWindow::EvCommandEnable(TCommandEnabler& enabler) {
  const UINT id = enabler.GetId();
  if (id >= CmZoom50 && id <= CmZoom200) {
    enabler.Enable(true);
    enabler.SetCheck(zoom_ == kZoomItems[id - CmZoom50] ? TCommandEnabler::Checked : TCommandEnabler::Unchecked);
    return;
  }
  if (id == CmZoomFit || id == CmZoomFitPage) {
    enabler.Enable(true);
    enabler.SetCheck(zoom_ < 0 ? TCommandEnabler::Checked : TCommandEnabler::Unchecked);
    return;
  }
  if (id == CmZoomCustom) {
    enabler.Enable(true);
    return;
  }
  TWindow::EvCommandEnable(enabler);
}

void GraphicWindow::popupCommand(Graphic* g, GMessage& msg) { g->handleMessage(msg); }

UINT GraphicWindow::trackPopup(Graphic* g, HMENU menu, int x, int y, int flag) {
  if (menu == nullptr) return 0;
  const UINT cmd = static_cast<UINT>(
      ::TrackPopupMenu(menu, static_cast<UINT>(flag) | TPM_RETURNCMD, x, y, 0, HWindow, nullptr));
  if (cmd != 0 && g != nullptr) {
    GMessage m;
    m.window = HWindow;
    m.message = WM_COMMAND;
    m.keys = static_cast<WORD>(cmd);
    m.position = packPoint(x, y);
    popupCommand(g, m);
  }
  return cmd;
}

// ---------------------------------------------------------------- printing and the clipboard

void GraphicWindow::print() {
  if (printer_ == nullptr) {
    error(HWindow, 'E', "No printer defined for GraphicWindow");
    return;
  }
  GraphicPrintout printout(this, Title.c_str());
  printer_->Print(this, printout, true);
}

void GraphicWindow::copyToClipboard() {
  const bool anySelected = std::any_of(sensitive_.begin(), sensitive_.end(),
                                       [](const SensitiveGraphic* g) { return g->isSelected(); });
  bool cancelled = false;
  if (!anySelected) {
    ::MessageBeep(MB_ICONQUESTION);
    const int answer = ::MessageBox(
        topLevelOf(HWindow),
        "Normally, only selected objects are copied to the clipboard.  However, no objects are currently "
        "selected.\nDo you wish to copy all objects to the clipboard?",
        "Tavix: no objects selected", MB_OKCANCEL | MB_ICONQUESTION);
    cancelled = answer != IDOK;
  } else {
    setOption(RestrictedMode, true);
  }
  setOption(CopyingToClipboard, true);
  if (!cancelled && ::OpenClipboard(HWindow)) {
    ::EmptyClipboard();
    setClipBoardData();
    ::CloseClipboard();
  }
  setOption(RestrictedMode, false);
  setOption(CopyingToClipboard, false);
}

void GraphicWindow::setClipBoardData() {
  // The union of what the graphics paint, from (32676, 32676, 0, 0).
  RECT u = {32676, 32676, 0, 0};
  for (SensitiveGraphic* g : sensitive_) {
    if (g->isFastPaint()) continue;
    if (restrictedMode() && !g->pasteEligible()) continue;
    RECT b;
    g->boundingRect(b);
    u.left = std::min(u.left, b.left);
    u.top = std::min(u.top, b.top);
    u.right = std::max(u.right, b.right);
    u.bottom = std::max(u.bottom, b.bottom);
  }
  // Nothing to draw: an empty picture at the origin rather than one whose
  // extent runs backwards.
  if (u.left > u.right || u.top > u.bottom) u = {0, 0, 0, 0};
  ::InflateRect(&u, 2, 2);
  HDC meta = ::CreateMetaFile(nullptr);
  if (meta == nullptr) {
    error(HWindow, 'E', "Internal error... Could not create metafile METAFILE.WMF");
    return;
  }
  ::SetMapMode(meta, MM_ANISOTROPIC);
  ::SetWindowOrgEx(meta, u.left, u.top, nullptr);
  ::SetWindowExtEx(meta, u.right - u.left, u.bottom - u.top, nullptr);
  {
    TDC dc(meta);
    TRect area(u);
    Paint(dc, false, area);
  }
  HMETAFILE mf = ::CloseMetaFile(meta);
  if (mf == nullptr) {
    error(HWindow, 'W', "Internal error... Could not close metafile");
    return;
  }
  const LONG perUnit = (u.right < 1365 && u.bottom < 1365) ? 24 : (u.right < 2730 && u.bottom < 2730) ? 12 : 0;
  HGLOBAL block = ::GlobalAlloc(GHND, sizeof(METAFILEPICT));
  auto* pict = block != nullptr ? static_cast<METAFILEPICT*>(::GlobalLock(block)) : nullptr;
  if (pict == nullptr) {
    if (block != nullptr) ::GlobalFree(block);
    ::DeleteMetaFile(mf);
    error(HWindow, 'E', "Internal error... Failed to set clipboard metafile pict data");
    return;
  }
  pict->mm = MM_ANISOTROPIC;
  pict->xExt = (u.right - u.left) * perUnit;
  pict->yExt = (u.bottom - u.top) * perUnit;
  pict->hMF = mf;
  ::GlobalUnlock(block);
  if (::SetClipboardData(CF_METAFILEPICT, block) == nullptr) {
    ::GlobalFree(block);
    ::DeleteMetaFile(mf);
    error(HWindow, 'E', "Internal error... Failed to set clipboard metafile pict data");
  }
}
