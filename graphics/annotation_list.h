// The members of a pen group, and the strokes a pen grouper holds back: pen
// things in the order they were added, each with a rectangle (for a group,
// the member's place in the group's normal coordinates). The list does not own
// the things. It walks them with one cursor and keeps the union of their
// current bounds until the list changes or is told that a bound moved.
//
// Invariants (checked by invariantsHold):
// 1. No thing is listed twice.
// 2. The cursor lies within 0 ... Count().
#ifndef GRAPHICS_ANNOTATION_LIST_H
#define GRAPHICS_ANNOTATION_LIST_H

#include <vector>

#include "platform/windows_types.h"

class PenThing;

class AnnotationList {
 public:
  struct Bucket {
    PenThing* thing;  // not owned
    RECT rect;
  };

  // Appends `thing` with `rect`, or with its current bounds when `rect` is
  // null; a thing already listed is not added again (false).
  bool Add(PenThing* thing, const RECT* rect = nullptr);
  // Unlinks the node holding `thing`; false when there is none.
  bool Remove(PenThing* thing);
  bool Contains(const PenThing* thing) const;
  ULONG Count() const { return static_cast<ULONG>(nodes_.size()); }
  void ResetIterator() { cursor_ = 0; }
  // The next member, or null after the last.
  PenThing* GetNext();
  // The next node with its rectangle, or null after the last.
  const Bucket* GetNextBucket();
  const std::vector<Bucket>& buckets() const { return nodes_; }
  // The union of the members' current bounds (empty without members); false
  // when there are none.
  bool CalculateListBounds(RECT& r);
  // A member's bounds changed: the union is computed again when next asked.
  void Invalidate() { valid_ = false; }
  // Forgets every member.
  void Clear();
  bool invariantsHold() const;

 private:
  std::vector<Bucket> nodes_;
  std::size_t cursor_ = 0;
  RECT bounds_ = {0, 0, 0, 0};
  bool valid_ = false;
};

#endif  // GRAPHICS_ANNOTATION_LIST_H
