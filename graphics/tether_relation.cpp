// Placing a tether's wedge on its annotation (see tether_relation.h).
#include "graphics/tether_relation.h"

#include "graphics/graphic_window.h"
#include "graphics/relationable_graphic.h"
#include "kit/file_helpers.h"

TetherRelation::TetherRelation(RelationableGraphic* annotation, RelationableGraphic* target)
    : GRelation(annotation, target, new Tether(annotation != nullptr ? annotation->getParent() : nullptr),
                Independent) {
  placeLine(nullptr);  // the base too: the base class placed only the ends
  playIfSounds("NXNEWTET.WAV");
}

TetherRelation::~TetherRelation() { playIfSounds("NXDELTET.WAV"); }

void TetherRelation::playIfSounds(const char* file) const {
  GraphicWindow* w = Render != nullptr ? Render->getParent() : nullptr;
  if (w != nullptr && w->sounds()) playSound(file);
}

void TetherRelation::compute(TDC& dc) {
  if (isPaintable()) invalidate();
  GRelation::compute(dc);
}

void TetherRelation::placeLine(HDC hdc) {
  if (Render == nullptr || from() == nullptr || to() == nullptr) return;
  POINT start = {0, 0}, tip = {0, 0};
  joinPoints(start, tip);
  RECT r;
  from()->rect(r);
  POINT b1, b2;
  baseFor(r, start, b1, b2);
  tether().setBase(b1, b2);
  RECT ends = {start.x, start.y, tip.x, tip.y};
  Render->setRect(ends, hdc);
}

void TetherRelation::baseFor(const RECT& r, POINT s, POINT& b1, POINT& b2) {
  const LONG h = HalfBase;
  const LONG m = (r.top + r.bottom) / 2;
  if (s.x == r.left || s.x == r.right) {
    const LONG edge = s.x, inward = s.x == r.left ? h : -h;
    if (s.y == r.top) {
      b1 = {edge, r.top + h};
      b2 = {edge + inward, r.top};
    } else if (s.y == r.bottom) {
      b1 = {edge, r.bottom - h};
      b2 = {edge + inward, r.bottom};
    } else {
      b1 = {edge, m - h};
      b2 = {edge, m + h};
    }
    return;
  }
  const LONG c = (r.left + r.right) / 2, y = s.y == r.top ? r.top : r.bottom;
  b1 = {c - h, y};
  b2 = {c + h, y};
}
