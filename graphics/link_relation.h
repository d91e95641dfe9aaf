// The relation from a link box to one of the link's destination symbols: a
// relation whose ends move independently and whose line (an arrow, owned) goes
// from the box to the symbol.
#ifndef GRAPHICS_LINK_RELATION_H
#define GRAPHICS_LINK_RELATION_H

#include "graphics/g_relation.h"

class LinkRelation : public GRelation {
 public:
  LinkRelation(RelationableGraphic* box, RelationableGraphic* destination, VisualGraphic* line)
      : GRelation(box, destination, line, Independent) {}
  ~LinkRelation() override;
};

#endif  // GRAPHICS_LINK_RELATION_H
