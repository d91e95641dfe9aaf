// The link box of a page of a book opened read-only: its menu offers only
// "Push to &Back" and "&Delete From Page".
#ifndef GRAPHICS_LINK_GNODE_RO_H
#define GRAPHICS_LINK_GNODE_RO_H

#include "graphics/link_gnode.h"

class LinkGNodeRO : public LinkGNode {
 public:
  using LinkGNode::LinkGNode;
  ~LinkGNodeRO() override;
  HMENU createPopup() override;
};

#endif  // GRAPHICS_LINK_GNODE_RO_H
