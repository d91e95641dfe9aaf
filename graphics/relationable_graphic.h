// A behavioural graphic that relations can join: it keeps the relations whose
// from end it is and those whose to end it is (not owned), tells them when it
// moves, and destroys them when it goes (their lines go with them; the other
// ends stay).
//
// Moves are measured from the marked position, the rectangle's left and top
// when markPosition was last called; moveTo marks before it moves.
#ifndef GRAPHICS_RELATIONABLE_GRAPHIC_H
#define GRAPHICS_RELATIONABLE_GRAPHIC_H

#include <list>

#include "graphics/behavioural_graphic.h"

class GRelation;

class RelationableGraphic : public BehaviouralGraphic {
 public:
  explicit RelationableGraphic(VisualGraphic* render) : BehaviouralGraphic(render) {}
  // Relations still attached are told that this end is gone.
  ~RelationableGraphic() override;

  void destroy() override;
  void moveTo(int x, int y, HDC hdc) override;
  // Recomputes the graphic, then every relation of both lists.
  void compute(TDC& dc) override;
  int verify() override;
  void moveRelationsBy(int dx, int dy, HDC hdc) override;

  virtual void markPosition();
  // Both ignore a relation that joins the same two ends as one already listed.
  virtual void addFromRelation(GRelation* r);
  virtual void addToRelation(GRelation* r);
  // Removes the relation from both lists.
  virtual void deleteRelation(GRelation* r);

  const std::list<GRelation*>& fromRelations() const { return from_; }
  const std::list<GRelation*>& toRelations() const { return to_; }
  POINT markedPosition() const { return marked_; }

 private:
  void dropRelations();

  std::list<GRelation*> from_;  // not owned
  std::list<GRelation*> to_;    // not owned
  POINT marked_ = {0, 0};
};

#endif  // GRAPHICS_RELATIONABLE_GRAPHIC_H
