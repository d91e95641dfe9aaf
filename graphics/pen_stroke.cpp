// Pen strokes: their points, drawing, menu and stroke text (see pen_stroke.h).
#include "graphics/pen_stroke.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "graphics/graphic_window.h"
#include "kit/error.h"
#include "maptext/km_esrap.h"
#include "maptext/km_records.h"

PenStroke::PenStroke(GraphicWindow* window, LONG id, int left, int top, int right, int bottom, const POINT* points,
                     ULONG count, COLORREF colour, int width)
    : Annotation(window, id, left, top, right, bottom, 0), colour_(colour), width_(width) {
  setState(BoxHidden);
  if (points != nullptr) points_.assign(points, points + count);
  if (!points_.empty()) {
    RECT n = {points_[0].x, points_[0].y, points_[0].x, points_[0].y};
    for (const POINT& p : points_) {
      n.left = std::min(n.left, p.x);
      n.top = std::min(n.top, p.y);
      n.right = std::max(n.right, p.x);
      n.bottom = std::max(n.bottom, p.y);
    }
    // One past the largest coordinate (a one-point stroke is one unit square).
    if (n.right < INT32_MAX) ++n.right;
    if (n.bottom < INT32_MAX) ++n.bottom;
    scaler().SetNormalRect(n);
  }
  scaler().SetScaledRect(scaler().GetNormalRect());
  RECT box;
  rawRect(box);
  boundsSetFor(box);
}

PenStroke::PenStroke(GraphicWindow* window, LONG id, int left, int top, int right, int bottom, const char* text,
                     std::size_t length)
    : Annotation(window, id, left, top, right, bottom, 0) {
  setState(BoxHidden);
  if (text != nullptr) DeSerializePoints(text, length);
  RECT box;
  rawRect(box);
  scaler().SetScaledRect(box);
  boundsSetFor(box);
}

PenStroke::~PenStroke() = default;

// ---------------------------------------------------------------------------
// The record

PenStroke* PenStroke::make(GraphicWindow* window, KM_Annotation& record, HDC hdc) {
  return makeFromRecord<PenStroke>(window, record, hdc);
}

LONG PenStroke::saveOn(KMEsrap& w) {
  std::unique_ptr<char[]> text;
  const int made = allocateAndSerialize(text);
  if (made != 0) return made;
  return writeRecord(w, 'p', text.get());
}

int PenStroke::allocateAndSerialize(std::unique_ptr<char[]>& text) {
  return serializeInto(text, BufferSize, "Pen", [this](char* buffer, std::size_t size) { return SerializePoints(buffer, size); });
}

// ---------------------------------------------------------------------------
// The stroke text

int PenStroke::SerializePoints(char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return -1;
  const RECT& n = scaler().GetNormalRect();
  int at = print(buffer, size, 0, "%d,%d,%d,%d,%d,%d,%d ", static_cast<int32_t>(points_.size()), n.left, n.top,
               n.right, n.bottom, static_cast<int32_t>(colour_), width_);
  if (at < 0) return -1;
  for (const POINT& p : points_) {
    const int k = print(buffer, size, at, "%d,%d ", p.x, p.y);
    if (k < 0) return -1;
    at += k;
    if (static_cast<std::size_t>(at) + TailRoom > size) break;
  }
  return at;
}

std::size_t PenStroke::DeSerializePoints(const char* text, std::size_t length) {
  if (text == nullptr) return 0;
  Token t;
  LONG h[7];
  // A text without a whole header is not a stroke text: nothing is consumed.
  if (!peekToken(text, length, 0, t) || readNumbers(t, h, 7) != 7) return 0;
  std::size_t pos = t.end;
  const ULONG claimed = static_cast<ULONG>(h[0]);
  scaler().SetNormalRect({h[1], h[2], h[3], h[4]});
  colour_ = static_cast<COLORREF>(h[5]);
  width_ = h[6];
  // Each point takes at least four characters ("x,y "): room for what the
  // text can hold, whatever count it claims.
  const std::size_t end = std::min(length, MaxRead);
  const std::size_t room = (end > pos ? end - pos : 0) / 4 + 1;
  points_.clear();
  points_.reserve(std::min<std::size_t>(claimed, room));
  LONG xy[2];
  while (points_.size() < claimed && pos < MaxRead && peekToken(text, length, pos, t) && readNumbers(t, xy, 2) == 2) {
    points_.push_back({xy[0], xy[1]});
    pos = t.end;
  }
  return pos;
}

POINT PenStroke::operator[](ULONG i) {
  if (i >= points_.size()) return {0, 0};
  followBox();
  return scaler().ScalePoint(points_[i]);
}

// ---------------------------------------------------------------------------
// Bounds and drawing

void PenStroke::SetBounds(const RECT& r) {
  RECT b = r;
  PenScaler::Normalize(b);
  scaler().SetScaledRect(b);
  setRect(b, nullptr);
  RECT box;
  rawRect(box);
  boundsSetFor(box);
}

void PenStroke::Draw(HDC hdc) {
  if (hdc == nullptr || points_.empty()) return;
  followBox();
  std::vector<POINT> shown;
  shown.reserve(points_.size());
  for (const POINT& p : points_) shown.push_back(scaler().ScalePoint(p));
  HPEN pen = ::CreatePen(PS_SOLID, std::clamp(width_, 0, MaxDrawnWidth), colour_);
  HGDIOBJ old = ::SelectObject(hdc, pen);
  ::Polyline(hdc, shown.data(), static_cast<int>(shown.size()));
  ::SelectObject(hdc, old);
  ::DeleteObject(pen);
}

void PenStroke::invert(HDC hdc) {
  RECT r;
  rect(r);
  if (hdc != nullptr) ::InvertRect(hdc, &r);
}

int PenStroke::inkReach() const { return std::clamp(width_, 0, MaxDrawnWidth) / 2 + 1; }

int PenStroke::boundingRect(RECT& r) const {
  const int status = Annotation::boundingRect(r);
  if (!points_.empty()) addInk(r);
  return status;
}

void PenStroke::draw(TDC& dc, int force) {
  Annotation::draw(dc, force);
  if ((state() & ContentsHidden) || (!force && !isPaintable())) return;
  Draw(dc.GetHDC());
  if (master() != nullptr) DrawExtensions(dc.GetHDC());
}

HMENU PenStroke::createPopup() {
  HMENU m = Annotation::createPopup();
  appendPenItems(m);
  return m;
}

void PenStroke::handleMessage(GMessage& msg) {
  if (!penCommand(msg)) Annotation::handleMessage(msg);
}

bool PenStroke::invariantsHold() const { return Annotation::invariantsHold() && scaler().invariantsHold(); }
