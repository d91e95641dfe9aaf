// Drawing, erasing, moving and sizing a shape (see shape.h).
#include "graphics/shape.h"

#include <algorithm>

#include "graphics/graphic_window.h"

namespace {

bool isRasterDisplay(HDC hdc) { return ::GetDeviceCaps(hdc, TECHNOLOGY) == DT_RASDISPLAY; }
bool isMetafile(HDC hdc) { return ::GetDeviceCaps(hdc, TECHNOLOGY) == DT_METAFILE; }

}  // namespace

Shape::Shape(GraphicWindow* parent) : VisualGraphic(parent) { assignState(Computed); }

Shape::~Shape() {
  GraphicWindow* w = getParent();
  if (w != nullptr && !w->drawingSuspended() && (state() & Hidden) == 0) {
    RECT b;
    boundingRect(b);
    if (w->HWindow != nullptr) {
      w->logicalToDevice(b);
      TRect d = TRect(b).Normalized().Inflate(1, 1);
      ::InvalidateRect(w->HWindow, &d, TRUE);
    }
  }
}

int Shape::rawRect(RECT& r) const {
  r = rect_;
  return 0;
}

int Shape::rect(RECT& r) const {
  r = rect_;
  const DWORD edges = state() & WindowEdgeMask;
  GraphicWindow* w = getParent();
  if (edges == 0 || w == nullptr || w->HWindow == nullptr) return 0;
  RECT client = w->GetClientRect();
  w->deviceToLogical(client);
  if (edges & LeftToWindow) r.left = client.left;
  if (edges & TopToWindow) r.top = client.top;
  if (edges & RightToWindow) r.right = client.right;
  if (edges & BottomToWindow) r.bottom = client.bottom;
  return 0;
}

int Shape::boundingRect(RECT& r) const {
  rect(r);
  const DWORD s = state();
  if (s & Shadow) {
    r.right += 4;
    r.bottom += 4;
  }
  if (s & Highlighted) {
    const int grow = (s & Shadow) ? 3 : 7;
    r.left -= 7;
    r.top -= 7;
    r.right += grow;
    r.bottom += grow;
  }
  return 0;
}

void Shape::moveTo(int x, int y, HDC hdc) {
  const LONG cx = (rect_.left + rect_.right) >> 1;
  const LONG cy = (rect_.top + rect_.bottom) >> 1;
  if (cx == x && cy == y) return;
  const LONG w = rect_.right - rect_.left;
  const LONG h = rect_.bottom - rect_.top;
  const bool erased = hdc != nullptr && !isHidden();
  if (erased) erase(hdc);
  RECT r;
  r.left = clampCoordinate(static_cast<int64_t>(x) - w / 2);
  r.top = clampCoordinate(static_cast<int64_t>(y) - h / 2);
  if (r.left < 1) r.left = 0;
  if (r.top < 1) r.top = 0;
  r.right = clampCoordinate(static_cast<int64_t>(r.left) + w);
  r.bottom = clampCoordinate(static_cast<int64_t>(r.top) + h);
  setRect(r, hdc);
  if (erased) {
    TDC dc(hdc);
    draw(dc, 0);
  }
}

void Shape::setRect(RECT& r, HDC hdc) {
  const bool erased = hdc != nullptr && !isHidden();
  if (erased) erase(hdc);
  rect_.left = clampCoordinate(r.left);
  rect_.top = clampCoordinate(r.top);
  rect_.right = clampCoordinate(r.right);
  rect_.bottom = clampCoordinate(r.bottom);
  geometryChanged();
  if (erased) {
    TDC dc(hdc);
    draw(dc, 0);
  }
}

HRGN Shape::setRegion() const {
  RECT r;
  rect(r);
  return ::CreateRectRgn(r.left, r.top, r.right, r.bottom);
}

RECT Shape::figureRect() const {
  RECT r;
  rect(r);
  r.left += figureOffset_.x - figureInflate_;
  r.right += figureOffset_.x + figureInflate_;
  r.top += figureOffset_.y - figureInflate_;
  r.bottom += figureOffset_.y + figureInflate_;
  return r;
}

void Shape::drawOutline(HDC hdc) {
  const bool dotted = (state() & Dotted) != 0;
  const int oldRop = ::SetROP2(hdc, dotted ? R2_XORPEN : R2_NOT);
  HGDIOBJ oldBrush = ::SelectObject(hdc, ::GetStockObject(HOLLOW_BRUSH));
  HPEN pen = ::CreatePen(dotted ? PS_DOT : PS_SOLID, dotted ? 0 : 1, 0x000000);
  HGDIOBJ oldPen = ::SelectObject(hdc, pen);
  drawFigure(hdc);
  if (!isMetafile(hdc)) {
    ::SelectObject(hdc, oldPen);
    ::SelectObject(hdc, oldBrush);
  }
  ::DeleteObject(pen);
  ::SetROP2(hdc, oldRop);
}

void Shape::draw(TDC& dc, int force) {
  clearState(Hidden);
  if (!force && !isPaintable()) return;
  HDC hdc = dc.GetHDC();
  if (hdc == nullptr) return;
  const DWORD s = state();
  if (s & FastPaint) {
    drawOutline(hdc);
    return;
  }
  RECT r;
  rect(r);
  if (GraphicWindow* w = getParent()) w->extendTo(r.right, r.bottom);
  if (s & Shadow) {
    HGDIOBJ oldBrush = ::SelectObject(hdc, ::GetStockObject(GRAY_BRUSH));
    HGDIOBJ oldPen = ::SelectObject(hdc, ::GetStockObject(NULL_PEN));
    figureOffset_ = {4, 4};
    drawFigure(hdc);
    figureOffset_ = {0, 0};
    ::SelectObject(hdc, oldPen);
    ::SelectObject(hdc, oldBrush);
  }
  if (s & Highlighted) drawHalo(hdc);
  const int mode = colourSelectMode();
  line_.setPen(penStyle(), 1);
  HGDIOBJ oldBrush = fill_.select(hdc, mode);
  HGDIOBJ oldPen = line_.select(hdc, mode);
  const int oldRop = ::SetROP2(hdc, R2_COPYPEN);
  drawFigure(hdc);
  ::SetROP2(hdc, oldRop);
  line_.deselect(hdc, oldPen);
  fill_.deselect(hdc, oldBrush);
  if (s & Selected) drawHandles(hdc, 0);
}

void Shape::erase(HDC hdc) {
  if (state() & Hidden) return;
  setState(Hidden);
  GraphicWindow* w = getParent();
  if (w == nullptr || w->drawingSuspended()) return;
  if (state() & FastPaint) {
    if (hdc != nullptr) drawOutline(hdc);
    return;
  }
  if (w->HWindow == nullptr) return;
  RECT b;
  boundingRect(b);
  w->logicalToDevice(b);
  TRect d = TRect(b).Normalized().Inflate(1, 1);
  ::InvalidateRect(w->HWindow, &d, TRUE);
}

int Shape::setColor(DWORD* fill, DWORD* line, DWORD*) {
  int changed = 0;
  if (fill != nullptr && fill_ != *fill) {
    fill_.setColor(*fill);
    changed = 1;
  }
  if (line != nullptr && line_ != *line) {
    line_.setColor(*line);
    changed = 1;
  }
  return changed;
}

void Shape::innerRect(RECT& r) const { rawRect(r); }

void Shape::drawHalo(HDC hdc) {
  if (!isRasterDisplay(hdc)) return;
  HBRUSH yellow = ::CreateSolidBrush(HaloColour);
  HGDIOBJ oldBrush = ::SelectObject(hdc, yellow);
  HGDIOBJ oldPen = ::SelectObject(hdc, ::GetStockObject(NULL_PEN));
  const int oldRop = ::SetROP2(hdc, R2_NOTXORPEN);
  figureInflate_ = 7;
  drawFigure(hdc);
  figureInflate_ = 0;
  ::SetROP2(hdc, oldRop);
  ::SelectObject(hdc, oldPen);
  ::SelectObject(hdc, oldBrush);
  ::DeleteObject(yellow);
}

void Shape::drawInverted(HDC hdc) {
  const int oldRop = ::SetROP2(hdc, R2_NOT);
  HGDIOBJ oldBrush = ::SelectObject(hdc, ::GetStockObject(BLACK_BRUSH));
  HGDIOBJ oldPen = ::SelectObject(hdc, ::GetStockObject(NULL_PEN));
  drawFigure(hdc);
  ::SelectObject(hdc, oldPen);
  ::SelectObject(hdc, oldBrush);
  ::SetROP2(hdc, oldRop);
}

void Shape::drawHandles(HDC hdc, int erase) {
  RECT r;
  rect(r);
  const int H = HandleSize, half = HandleSize / 2;
  const LONG cx = (r.left + r.right) >> 1, cy = (r.top + r.bottom) >> 1;
  const RECT corners[4] = {{r.left, r.top, r.left + H, r.top + H},
                           {r.right - H, r.top, r.right, r.top + H},
                           {r.left, r.bottom - H, r.left + H, r.bottom},
                           {r.right - H, r.bottom - H, r.right, r.bottom}};
  const RECT edges[4] = {{cx - half, r.top, cx + half, r.top + H},
                         {cx - half, r.bottom - H, cx + half, r.bottom},
                         {r.left, cy - half, r.left + H, cy + half},
                         {r.right - H, cy - half, r.right, cy + half}};
  const DWORD s = state();
  const int mode = colourSelectMode();
  HPEN pen = nullptr;
  HBRUSH fill = nullptr;
  if (erase) {
    pen = ::CreatePen(PS_INSIDEFRAME, 1, ::GetSysColor(COLOR_WINDOW));
    fill = ::CreateSolidBrush(::GetSysColor(COLOR_WINDOW));
  } else {
    pen = ::CreatePen(PS_INSIDEFRAME, 1, line_.effective(mode & Color::UseColour, 0));
    fill = ::CreateSolidBrush(HandleColour);
  }
  HGDIOBJ oldPen = ::SelectObject(hdc, pen);
  HGDIOBJ oldBrush = ::SelectObject(hdc, fill);
  const int oldRop = ::SetROP2(hdc, R2_COPYPEN);
  HGDIOBJ hollow = ::GetStockObject(HOLLOW_BRUSH);
  for (const RECT& c : corners) {
    ::SelectObject(hdc, (!erase && (s & NoResize)) ? hollow : static_cast<HGDIOBJ>(fill));
    ::Rectangle(hdc, c.left, c.top, c.right, c.bottom);
  }
  for (const RECT& e : edges) {
    ::SelectObject(hdc, (!erase && (s & (NoResize | NoEdgeResize))) ? hollow : static_cast<HGDIOBJ>(fill));
    ::Rectangle(hdc, e.left, e.top, e.right, e.bottom);
  }
  ::SetROP2(hdc, oldRop);
  ::SelectObject(hdc, oldBrush);
  ::SelectObject(hdc, oldPen);
  ::DeleteObject(fill);
  ::DeleteObject(pen);
}

void Shape::setSize(int width, int height, HDC hdc) {
  RECT r = rect_;
  r.right = clampCoordinate(static_cast<int64_t>(r.left) + width);
  r.bottom = clampCoordinate(static_cast<int64_t>(r.top) + height);
  setRect(r, hdc);
}
