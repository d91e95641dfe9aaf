// Joining two graphics with a line (see g_relation.h).
#include "graphics/g_relation.h"

#include <cstdint>

#include "graphics/graphic_window.h"
#include "graphics/relationable_graphic.h"

GRelation::GRelation(RelationableGraphic* from, RelationableGraphic* to, VisualGraphic* line, int followMode)
    : BehaviouralGraphic(line), from_(from), to_(to), followMode_(followMode) {
  if (Render != nullptr && Render->getParent() == nullptr) {
    GraphicWindow* w = from != nullptr ? from->getParent() : (to != nullptr ? to->getParent() : nullptr);
    if (w != nullptr) Render->setParent(w);
  }
  if (from_ != nullptr) from_->addFromRelation(this);
  if (to_ != nullptr) to_->addToRelation(this);
  placeLine(nullptr);
}

GRelation::~GRelation() {
  if (from_ != nullptr) from_->deleteRelation(this);
  if (to_ != nullptr) to_->deleteRelation(this);
  from_ = to_ = nullptr;
}

void GRelation::destroy() {
  // Deleted whether or not an end is left: nothing else would delete it.
  delete this;
}

void GRelation::chooseSides(int a1, int a2, int b1, int b2, int& sideA, int& sideB) {
  const int cA = (a1 + a2) >> 1, cB = (b1 + b2) >> 1;
  if (b2 - b1 < a2 - a1) {
    if (cB < cA) {
      if (cB < a1) {
        sideA = 1;
        sideB = a1 <= b2 ? 2 : 4;
      } else {
        sideA = 2;
        sideB = cA <= b2 ? 2 : 4;
      }
    } else if (a2 < cB) {
      sideA = 4;
      sideB = b1 <= a2 ? 2 : 1;
    } else {
      sideA = 2;
      sideB = b1 <= cA ? 2 : 1;
    }
  } else if (cB < cA) {
    if (b2 < cA) {
      sideB = 4;
      sideA = a1 <= b2 ? 2 : 1;
    } else {
      sideB = 2;
      sideA = a1 <= cB ? 2 : 1;
    }
  } else if (cA < b1) {
    sideB = 1;
    sideA = b1 <= a2 ? 2 : 4;
  } else {
    sideB = 2;
    sideA = cB <= a2 ? 2 : 4;
  }
}

void GRelation::joinPoints(POINT& fromPt, POINT& toPt) {
  if (from_ == nullptr || to_ == nullptr) return;
  RECT a, b;
  from_->rect(a);
  to_->rect(b);
  auto s16 = [](LONG v) { return static_cast<int>(static_cast<int16_t>(v)); };
  int ax = 0, bx = 0, ay = 0, by = 0;
  chooseSides(s16(a.left), s16(a.right), s16(b.left), s16(b.right), ax, bx);
  chooseSides(s16(a.top), s16(a.bottom), s16(b.top), s16(b.bottom), ay, by);
  from_->getJoinPoint(static_cast<joinPoint>(ax | (ay << 3)), fromPt);
  to_->getJoinPoint(static_cast<joinPoint>(bx | (by << 3)), toPt);
}

void GRelation::placeLine(HDC hdc) {
  if (Render == nullptr || from_ == nullptr || to_ == nullptr) return;
  POINT f = {0, 0}, t = {0, 0};
  joinPoints(f, t);
  RECT r = {f.x, f.y, t.x, t.y};
  Render->setRect(r, hdc);
}

void GRelation::compute(TDC& dc) { placeLine(isPaintable() ? dc.GetHDC() : nullptr); }

void GRelation::draw(TDC& dc, int force) {
  if (!force && !isPaintable()) return;
  render().draw(dc, 1);
}

bool GRelation::pasteEligible() const {
  return !isSelected() && from_ != nullptr && to_ != nullptr && from_->pasteEligible() && to_->pasteEligible();
}

void GRelation::fromGone() {
  from_ = nullptr;
  destroy();
}

void GRelation::toGone() {
  to_ = nullptr;
  destroy();
}

void GRelation::endMoved(int which, int dx, int dy, HDC hdc) {
  if (state() & Busy) return;
  setState(Busy);
  invalidate();
  if (followMode_ == ToFollowsFrom && which == 1 && to_ != nullptr) to_->moveBy(dx, dy, hdc);
  if (followMode_ == FromFollowsTo && which == 2 && from_ != nullptr) from_->moveBy(dx, dy, hdc);
  GraphicWindow* w = getParent();
  HDC use = hdc;
  bool borrowed = false;
  if (use == nullptr && w != nullptr) {
    use = w->getClientHDC();
    borrowed = use != nullptr;
  }
  if (use != nullptr) {
    TDC dc(use);
    compute(dc);
  } else {
    placeLine(nullptr);
  }
  if (borrowed) w->releaseClientHDC();
  invalidate();
  clearState(Busy);
}
