// Grouping pen strokes by space and time (see pen_grouper.h).
#include "graphics/pen_grouper.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "graphics/group_annotation.h"
#include "graphics/pen_grouping_board.h"
#include "graphics/pen_stroke.h"

namespace {

uint64_t gap(LONG a, LONG b) { return static_cast<uint64_t>(std::llabs(static_cast<int64_t>(a) - b)); }

uint64_t nearest(LONG sLow, LONG sHigh, LONG gLow, LONG gHigh) {
  return std::min({gap(sHigh, gLow), gap(sHigh, gHigh), gap(sLow, gHigh), gap(sLow, gLow)});
}

}  // namespace

bool PenGrouper::isNear(PenStroke* stroke) {
  RECT g, s;
  pending_.Invalidate();  // a pending stroke may have been moved since
  if (!pending_.CalculateListBounds(g)) return true;
  stroke->GetBounds(s);
  const uint64_t width = static_cast<uint64_t>(static_cast<int64_t>(g.right) - g.left);
  const uint64_t height = static_cast<uint64_t>(static_cast<int64_t>(g.bottom) - g.top);
  const uint64_t xLimit = std::max<uint64_t>(minDistance_, width / distanceFactor_);
  const uint64_t yLimit = std::max<uint64_t>(minDistance_, height / distanceFactor_);
  return nearest(s.left, s.right, g.left, g.right) <= xLimit && nearest(s.top, s.bottom, g.top, g.bottom) <= yLimit;
}

void PenGrouper::AddPenStroke(PenStroke* stroke, DWORD time) {
  if (stroke == nullptr) return;
  CheckAndFlush(time);
  if (!isNear(stroke)) Flush();
  pending_.Add(stroke);
  lastStroke_ = board_.tickCount();
}

void PenGrouper::CheckAndFlush(DWORD time) {
  if (idleThreshold_ == 0 || pending_.Count() == 0) return;
  if (time == 0) time = board_.tickCount();
  // The clock wraps at 32 bits: the pause is the unsigned difference.
  if (static_cast<DWORD>(time - lastStroke_) > idleThreshold_) Flush();
}

bool PenGrouper::Idle() {
  CheckAndFlush(0);
  return pending_.Count() > 0;
}

void PenGrouper::Forget(PenThing* stroke) { pending_.Remove(stroke); }

GroupAnnotation* PenGrouper::Flush() {
  if (pending_.Count() == 0) return nullptr;
  if (pending_.Count() == 1) {
    pending_.Clear();  // stays a stroke of its own
    return nullptr;
  }
  std::vector<PenThing*> held;
  for (const AnnotationList::Bucket& b : pending_.buckets()) held.push_back(b.thing);
  pending_.Clear();
  return GroupOnBoard(board_, held);
}

GroupAnnotation* PenGrouper::GroupOnBoard(PenGroupingBoard& board, const std::vector<PenThing*>& things) {
  AnnotationList members;
  for (PenThing* t : things) members.Add(t);
  if (members.Count() < 2) return nullptr;
  board.beginChange();
  RECT r;
  members.CalculateListBounds(r);
  const RECT box = PenThing::boxAround(r);
  auto* group = new GroupAnnotation(board.boardWindow(), board.newObjectId(), box.left, box.top, box.right,
                                    box.bottom, nullptr, 0);
  for (const AnnotationList::Bucket& b : members.buckets()) {
    board.removeAnnotation(&b.thing->annotation());
    group->Add(b.thing, nullptr);
  }
  group->LockScale();
  board.addAnnotation(group);
  board.select(group);
  board.setModified(1);
  return group;
}
