// A relation keeps a line between two relationable graphics, its from end and
// its to end: it registers with both, places the line's end points at the join
// points it chooses on the two rectangles, follows their moves and, in a follow
// mode, moves one end when the other moves. The line is the relation's render
// and is owned by it.
//
// Join points: on each axis independently, the wider of the two rectangles
// attaches at its edge facing the other (or at its centre when they overlap on
// that axis), the narrower one at its centre when it lies within the other's
// span, else at its facing edge. Coordinates are compared as signed 16-bit
// values.
//
// Follow modes: 0 the ends move independently; 1 when the from end moves the
// to end moves by the same amount; 2 the other way round.
#ifndef GRAPHICS_G_RELATION_H
#define GRAPHICS_G_RELATION_H

#include "graphics/behavioural_graphic.h"

class RelationableGraphic;

class GRelation : public BehaviouralGraphic {
 public:
  enum FollowMode { Independent = 0, ToFollowsFrom = 1, FromFollowsTo = 2 };

  // Takes ownership of `line`; registers with both ends and places the line
  // (without drawing).
  GRelation(RelationableGraphic* from, RelationableGraphic* to, VisualGraphic* line, int followMode = Independent);
  // Tells each remaining end, leaves the window and deletes the line.
  ~GRelation() override;

  void destroy() override;
  void compute(TDC& dc) override;
  void draw(TDC& dc, int force) override;
  bool pasteEligible() const override;

  virtual void joinPoints(POINT& from, POINT& to);
  virtual void fromGone();
  virtual void toGone();
  // Both ends are present.
  virtual bool isAttached() const { return from_ != nullptr && to_ != nullptr; }
  // End `which` (1 from, 2 to) moved by (dx, dy).
  virtual void endMoved(int which, int dx, int dy, HDC hdc);

  RelationableGraphic* from() const { return from_; }
  RelationableGraphic* to() const { return to_; }
  int followMode() const { return followMode_; }
  void setFollowMode(int mode) { followMode_ = mode; }

  // The side chooser on one axis: spans [a1, a2] and [b1, b2]; sets the join
  // bits (1 low side, 2 centre, 4 high side) for A and for B.
  static void chooseSides(int a1, int a2, int b1, int b2, int& sideA, int& sideB);

 protected:
  // Puts the line's end points at the chosen join points (drawing through `hdc`
  // when given). A relation whose line has more to it than two ends places the
  // rest here too; the constructor calls this class's own.
  virtual void placeLine(HDC hdc);

 private:

  RelationableGraphic* from_;  // not owned
  RelationableGraphic* to_;    // not owned
  int32_t followMode_;
};

#endif  // GRAPHICS_G_RELATION_H
