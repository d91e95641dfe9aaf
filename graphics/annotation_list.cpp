// The member list of pen groups (see annotation_list.h).
#include "graphics/annotation_list.h"

#include <algorithm>
#include <set>

#include "graphics/pen_thing.h"

bool AnnotationList::Add(PenThing* thing, const RECT* rect) {
  if (thing == nullptr || Contains(thing)) return false;
  RECT r;
  if (rect != nullptr) r = *rect;
  else thing->GetBounds(r);
  nodes_.push_back({thing, r});
  valid_ = false;
  return true;
}

bool AnnotationList::Remove(PenThing* thing) {
  auto it = std::find_if(nodes_.begin(), nodes_.end(), [&](const Bucket& b) { return b.thing == thing; });
  if (it == nodes_.end()) return false;
  const std::size_t at = static_cast<std::size_t>(it - nodes_.begin());
  nodes_.erase(it);
  if (at < cursor_) --cursor_;  // the walk goes on with the node after it
  valid_ = false;
  return true;
}

bool AnnotationList::Contains(const PenThing* thing) const {
  return std::any_of(nodes_.begin(), nodes_.end(), [&](const Bucket& b) { return b.thing == thing; });
}

PenThing* AnnotationList::GetNext() {
  const Bucket* b = GetNextBucket();
  return b != nullptr ? b->thing : nullptr;
}

const AnnotationList::Bucket* AnnotationList::GetNextBucket() {
  if (cursor_ >= nodes_.size()) return nullptr;
  return &nodes_[cursor_++];
}

bool AnnotationList::CalculateListBounds(RECT& r) {
  if (!valid_) {
    bounds_ = {0, 0, 0, 0};
    bool first = true;
    for (Bucket& b : nodes_) {
      RECT m;
      b.thing->GetBounds(m);
      // Every member counts, a line one unit thin or a point as well.
      if (first) {
        bounds_ = m;
      } else {
        bounds_.left = std::min(bounds_.left, m.left);
        bounds_.top = std::min(bounds_.top, m.top);
        bounds_.right = std::max(bounds_.right, m.right);
        bounds_.bottom = std::max(bounds_.bottom, m.bottom);
      }
      first = false;
    }
    valid_ = true;
  }
  r = bounds_;
  return !nodes_.empty();
}

void AnnotationList::Clear() {
  nodes_.clear();
  cursor_ = 0;
  valid_ = false;
}

bool AnnotationList::invariantsHold() const {
  std::set<const PenThing*> seen;
  for (const Bucket& b : nodes_) {
    if (!seen.insert(b.thing).second) return false;
  }
  return cursor_ <= nodes_.size();
}
