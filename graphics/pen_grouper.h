// The pen grouper: decides, stroke by stroke, when the strokes drawn so far on
// a board become one pen group. Strokes drawn close together in space (and,
// when grouping by time is on, in time) are held back as pending; a stroke
// drawn far from them, or a pause longer than the idle threshold, flushes
// them: several become one group, a single one stays a stand-alone stroke.
//
// A new stroke S is near the pending strokes, whose bounds' union is G, when
//   dx = min(|S.right - G.left|, |S.right - G.right|, |S.left - G.right|,
//            |S.left - G.left|)  <=  max(minimum distance, G width / factor)
// and dy, likewise from the tops and bottoms, <= max(minimum distance,
// G height / factor) (unsigned integer division).
//
// Settings: idle threshold 500 ms (0 turns grouping by time off), distance
// factor 2 (0 is taken as 1), minimum distance 40 page units.
//
// States: idle (nothing pending) and pending (one or more strokes held, each
// still an ordinary annotation on the board). Flush returns to idle.
#ifndef GRAPHICS_PEN_GROUPER_H
#define GRAPHICS_PEN_GROUPER_H

#include <vector>

#include "graphics/annotation_list.h"
#include "platform/windows_types.h"

class GroupAnnotation;
class PenGroupingBoard;
class PenStroke;
class PenThing;

class PenGrouper {
 public:
  static constexpr DWORD DefaultIdleThreshold = 500;
  static constexpr ULONG DefaultDistanceFactor = 2;
  static constexpr ULONG DefaultMinDistance = 40;

  explicit PenGrouper(PenGroupingBoard& board) : board_(board) {}
  PenGrouper(const PenGrouper&) = delete;
  PenGrouper& operator=(const PenGrouper&) = delete;

  // Holds `stroke` (a stroke on the board, begun at tick `time`) back; the
  // pending strokes are flushed first when the pause before it was too long
  // or it is not near them.
  void AddPenStroke(PenStroke* stroke, DWORD time);
  // Several pending strokes become one group on the board (the group made, or
  // null); a single one is left as it is.
  GroupAnnotation* Flush();
  // Flushes when more than the idle threshold has passed since the last
  // stroke (time 0: now) and strokes are pending.
  void CheckAndFlush(DWORD time);
  // The idle step: true while strokes are pending.
  bool Idle();
  // The board is about to delete `stroke` (a pending stroke, or any other
  // thing): it is no longer pending. Only its address is used.
  void Forget(PenThing* stroke);
  // The board is about to delete all it holds: nothing is pending any more.
  void ForgetAll() { pending_.Clear(); }

  // Gathers `things` (pen strokes and groups on `board`, at least two) into
  // one new group, as a flush gathers the pending strokes: the board begins
  // the change; a group with a fresh id whose box is the union of their
  // bounds grown by 6 (7 right and bottom) takes each off the board into
  // itself at its current bounds; it is locked at scale 1:1, put on the
  // board, selected, and the board marked modified. The group, or null for
  // fewer than two things.
  static GroupAnnotation* GroupOnBoard(PenGroupingBoard& board, const std::vector<PenThing*>& things);

  void SetIdleThreshold(DWORD ms) { idleThreshold_ = ms; }
  void SetDistanceFactor(ULONG n) { distanceFactor_ = n != 0 ? n : 1; }
  void SetMinDistance(ULONG n) { minDistance_ = n; }
  DWORD idleThreshold() const { return idleThreshold_; }
  ULONG distanceFactor() const { return distanceFactor_; }
  ULONG minDistance() const { return minDistance_; }
  ULONG pendingCount() const { return pending_.Count(); }

 private:
  bool isNear(PenStroke* stroke);

  PenGroupingBoard& board_;
  AnnotationList pending_;
  DWORD idleThreshold_ = DefaultIdleThreshold;
  ULONG distanceFactor_ = DefaultDistanceFactor;
  ULONG minDistance_ = DefaultMinDistance;
  DWORD lastStroke_ = 0;
};

#endif  // GRAPHICS_PEN_GROUPER_H
