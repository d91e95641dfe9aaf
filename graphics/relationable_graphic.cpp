// Relations of a graphic: registering, following moves and dropping them when
// the graphic goes (see relationable_graphic.h).
#include "graphics/relationable_graphic.h"

#include <algorithm>
#include <vector>

#include "graphics/g_relation.h"
#include "graphics/graphic_window.h"

namespace {

bool sameEnds(const GRelation* a, const GRelation* b) { return a->from() == b->from() && a->to() == b->to(); }

}  // namespace

RelationableGraphic::~RelationableGraphic() { dropRelations(); }

void RelationableGraphic::dropRelations() {
  while (!from_.empty()) {
    GRelation* r = from_.front();
    from_.pop_front();
    r->fromGone();
  }
  while (!to_.empty()) {
    GRelation* r = to_.front();
    to_.pop_front();
    r->toGone();
  }
}

void RelationableGraphic::destroy() {
  dropRelations();
  delete this;
}

void RelationableGraphic::markPosition() {
  RECT r;
  rawRect(r);
  marked_ = {r.left, r.top};
}

void RelationableGraphic::moveTo(int x, int y, HDC hdc) {
  markPosition();
  BehaviouralGraphic::moveTo(x, y, hdc);
  RECT r;
  rawRect(r);
  moveRelationsBy(r.left - marked_.x, r.top - marked_.y, hdc);
}

void RelationableGraphic::moveRelationsBy(int dx, int dy, HDC hdc) {
  if (state() & Busy) return;
  setState(Busy);
  // Copies: a relation may leave the lists while it follows.
  const std::vector<GRelation*> from(from_.begin(), from_.end());
  const std::vector<GRelation*> to(to_.begin(), to_.end());
  for (GRelation* r : from) {
    if (std::find(from_.begin(), from_.end(), r) == from_.end()) continue;
    if (isSelected() && r->to() != nullptr && r->to()->isSelected()) continue;
    r->endMoved(1, dx, dy, hdc);
  }
  for (GRelation* r : to) {
    if (std::find(to_.begin(), to_.end(), r) == to_.end()) continue;
    if (isSelected() && r->from() != nullptr && r->from()->isSelected()) continue;
    r->endMoved(2, dx, dy, hdc);
  }
  clearState(Busy);
}

void RelationableGraphic::compute(TDC& dc) {
  BehaviouralGraphic::compute(dc);
  const std::vector<GRelation*> all = [&] {
    std::vector<GRelation*> v(from_.begin(), from_.end());
    v.insert(v.end(), to_.begin(), to_.end());
    return v;
  }();
  for (GRelation* r : all) r->compute(dc);
}

int RelationableGraphic::verify() {
  GraphicWindow* w = getParent();
  if (w != nullptr) {
    if (HDC hdc = w->getClientHDC()) {
      TDC dc(hdc);
      compute(dc);
      w->releaseClientHDC();
    }
  }
  return BehaviouralGraphic::verify();
}

void RelationableGraphic::addFromRelation(GRelation* r) {
  if (r == nullptr) return;
  for (GRelation* o : from_) {
    if (o == r || sameEnds(o, r)) return;
  }
  from_.push_back(r);
}

void RelationableGraphic::addToRelation(GRelation* r) {
  if (r == nullptr) return;
  for (GRelation* o : to_) {
    if (o == r || sameEnds(o, r)) return;
  }
  to_.push_back(r);
}

void RelationableGraphic::deleteRelation(GRelation* r) {
  from_.remove(r);
  to_.remove(r);
}
