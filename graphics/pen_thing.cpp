// What pen strokes and pen groups share (see pen_thing.h).
#include "graphics/pen_thing.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdint>
#include <cstring>

#include "graphics/annotation.h"
#include "graphics/client_dc_loan.h"
#include "graphics/graphic_window.h"
#include "graphics/view_node.h"
#include "kit/error.h"
#include "maptext/km_records.h"

RECT PenThing::boxAround(const RECT& b) {
  return {clampCoordinate(static_cast<int64_t>(b.left) - MarginBefore),
          clampCoordinate(static_cast<int64_t>(b.top) - MarginBefore),
          clampCoordinate(static_cast<int64_t>(b.right) + MarginAfter),
          clampCoordinate(static_cast<int64_t>(b.bottom) + MarginAfter)};
}

// ---------------------------------------------------------------------------
// Bounds

void PenThing::boundsSetFor(const RECT& box) { followedBox_ = box; }

RECT PenThing::followedBounds() const {
  RECT box;
  annotation().rawRect(box);
  RECT moved = scaler_.GetScaledRect();
  if (::EqualRect(&box, &followedBox_)) return moved;
  const bool sameSize = box.right - box.left == followedBox_.right - followedBox_.left &&
                        box.bottom - box.top == followedBox_.bottom - followedBox_.top;
  const bool noExtent = followedBox_.right - followedBox_.left == 0 || followedBox_.bottom - followedBox_.top == 0;
  if (sameSize || noExtent) {
    // Moved, or nothing to scale by: the bounds move with the box's corner,
    // exactly (a drag never shifts the ink by a unit of rounding).
    const int64_t dx = static_cast<int64_t>(box.left) - followedBox_.left;
    const int64_t dy = static_cast<int64_t>(box.top) - followedBox_.top;
    return {clampCoordinate(moved.left + dx), clampCoordinate(moved.top + dy), clampCoordinate(moved.right + dx),
            clampCoordinate(moved.bottom + dy)};
  }
  // The old box mapped onto the new one carries the bounds along.
  PenScaler along;
  along.SetNormalRect(followedBox_);
  along.SetScaledRect(box);
  return along.ScaleRect(moved);
}

void PenThing::addInk(RECT& r) const {
  const RECT b = followedBounds();
  const int64_t reach = inkReach();
  r = {std::min(r.left, clampCoordinate(b.left - reach)), std::min(r.top, clampCoordinate(b.top - reach)),
       std::max(r.right, clampCoordinate(b.right + reach)), std::max(r.bottom, clampCoordinate(b.bottom + reach))};
}

void PenThing::followBox() {
  RECT box;
  annotation().rawRect(box);
  if (::EqualRect(&box, &followedBox_)) return;
  scaler_.SetScaledRect(followedBounds());
  followedBox_ = box;
  boundsFollowed();
}

void PenThing::GetBounds(RECT& r) {
  followBox();
  r = scaler_.GetScaledRect();
}

void PenThing::SetOriginalSize() {
  followBox();
  const RECT& n = scaler_.GetNormalRect();
  const RECT& s = scaler_.GetScaledRect();
  const RECT one = {s.left, s.top, clampCoordinate(static_cast<int64_t>(s.left) + (static_cast<int64_t>(n.right) - n.left)),
                    clampCoordinate(static_cast<int64_t>(s.top) + (static_cast<int64_t>(n.bottom) - n.top))};
  SetBounds(one);
}

// ---------------------------------------------------------------------------
// Tokens

bool PenThing::peekToken(const char* text, std::size_t length, std::size_t pos, Token& token) {
  while (pos < length && text[pos] == ' ') ++pos;
  if (pos >= length) return false;
  std::size_t end = pos;
  // Never looks further than one character past the longest token.
  while (end < length && text[end] != ' ' && end - pos <= MaxToken) ++end;
  if (end - pos > MaxToken) return false;
  token = {text + pos, end - pos, end < length ? end + 1 : end};
  return true;
}

int PenThing::readNumbers(const Token& token, LONG* out, int n) {
  std::size_t i = 0;
  const std::size_t len = token.length;
  const char* s = token.text;
  for (int k = 0; k < n; ++k) {
    if (k > 0) {
      if (i >= len || s[i] != ',') return k;
      ++i;
    }
    while (i < len && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    bool negative = false;
    if (i < len && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i >= len || !std::isdigit(static_cast<unsigned char>(s[i]))) return k;
    int64_t v = 0;
    for (; i < len && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
      v = std::min<int64_t>(v * 10 + (s[i] - '0'), int64_t{1} << 32);
    }
    if (negative) v = -v;
    out[k] = static_cast<LONG>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  }
  return n;
}

int PenThing::print(char* buffer, std::size_t size, std::size_t at, const char* format, ...) {
  if (buffer == nullptr || at >= size) return -1;
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer + at, size - at, format, args);
  va_end(args);
  return n < 0 || static_cast<std::size_t>(n) >= size - at ? -1 : n;
}

// ---------------------------------------------------------------------------
// Records

void PenThing::recordDetails(GraphicWindow* window, const KM_Annotation& record, LONG& id, RECT& box,
                             const char*& text, std::size_t& length) {
  id = record.id == KM_ABSENT ? Annotation::freshId(window) : record.id;
  const int64_t x = record.x == KM_ABSENT ? 0 : record.x;
  const int64_t y = record.y == KM_ABSENT ? 0 : record.y;
  const int64_t x2 = record.x2 == KM_ABSENT ? x + Annotation::DefaultWidth : record.x2;
  const int64_t y2 = record.y2 == KM_ABSENT ? y + Annotation::DefaultHeight : record.y2;
  box = {clampCoordinate(std::min(x, x2)), clampCoordinate(std::min(y, y2)), clampCoordinate(std::max(x, x2)),
         clampCoordinate(std::max(y, y2))};
  text = nullptr;
  length = 0;
  if (record.data != nullptr && record.dataSize > 0) {
    text = static_cast<const char*>(record.data);
    length = strnlen(text, record.dataSize);
  }
}

void PenThing::finishMake(GraphicWindow* window, KM_Annotation& record, HDC hdc, int wasModified) {
  Annotation& a = annotation();
  if (record.flags != static_cast<ULONG>(KM_ABSENT)) {
    a.assignState((a.state() & ~Annotation::SavedFlagsMask) | (record.flags & Annotation::SavedFlagsMask));
  }
  window->addSNode(&a);
  a.linkTo(record.values, record.valueCount);
  if (hdc != nullptr) {
    TDC dc(hdc);
    a.compute(dc);
    a.draw(dc, 0);
  } else {
    a.clearState(Graphic::Hidden);  // laid out at the next paint
  }
  if (record.extra != KM_ABSENT) {
    auto* page = dynamic_cast<ViewNode*>(window);
    setMaster(page != nullptr ? page->mapID(record.extra) : record.extra);
  }
  if (!wasModified) window->setModified(0);
}

void PenThing::reportSaveFailure(const char* format, const char* what) { error(nullptr, 'E', format, what); }

int PenThing::modifiedState(GraphicWindow* window) { return window->isModified(); }

LONG PenThing::writeRecord(KMEsrap& w, char kind, const char* text) {
  const Annotation& a = annotation();
  RECT box;
  std::vector<LONG> ids;
  a.getSaveDetails(box, ids);
  LONG master = KM_ABSENT;
  if (getMasterId(master) != 0) master = KM_ABSENT;
  return w.writeAnnotationObject(a.id(), nullptr, box.left, box.top, box.right, box.bottom,
                                 a.state() & Annotation::SavedFlagsMask, ids.empty() ? nullptr : ids.data(),
                                 static_cast<int>(ids.size()), kind, text,
                                 static_cast<ULONG>(std::char_traits<char>::length(text)), nullptr, master);
}

// ---------------------------------------------------------------------------
// Menu

void PenThing::appendPenItems(HMENU menu) { ::AppendMenu(menu, MF_STRING, CmAutoSize, "&Auto Size"); }

bool PenThing::penCommand(GMessage& msg) {
  if (msg.keys != CmAutoSize) return false;
  Annotation& a = annotation();
  a.invalidate();
  SetOriginalSize();
  if (GraphicWindow* w = a.getParent()) {
    ClientDCLoan loan(w);
    if (loan.get() != nullptr) {
      TDC dc(loan.get());
      a.compute(dc);
    }
    w->setModified(1);  // the box is saved
  }
  a.invalidate();
  msg.result = 0;
  return true;
}
