// The poster board's grouping: pen objects into pen groups and back, a pen
// object as an idea symbol's slave and back, and the slave a new symbol is
// made with from its page's attributes (see poster_board_node.h).
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/node_ref.h"
#include "graphics/client_dc_loan.h"
#include "graphics/group_annotation.h"
#include "graphics/node_gnode.h"
#include "graphics/pen_grouper.h"
#include "graphics/pen_stroke.h"
#include "graphics/poster_board_node.h"
#include "graphics/wait_cursor.h"

std::vector<SensitiveGraphic*> PosterBoardNode::selection() const {
  std::vector<SensitiveGraphic*> out;
  for (SensitiveGraphic* g : sensitiveGraphics())
    if (g->isSelected()) out.push_back(g);
  return out;
}

PenThing* PosterBoardNode::penPart(Graphic* g) {
  if (dynamic_cast<PenStroke*>(g) == nullptr && dynamic_cast<GroupAnnotation*>(g) == nullptr) return nullptr;
  return dynamic_cast<PenThing*>(g);
}

// ---------------------------------------------------------------------------
// What is offered

bool PosterBoardNode::canGroupPen() const {
  const std::vector<SensitiveGraphic*> s = selection();
  return s.size() >= 2 && std::all_of(s.begin(), s.end(), [](SensitiveGraphic* g) { return penPart(g) != nullptr; });
}

bool PosterBoardNode::canGroupMasterSlave() const {
  const std::vector<SensitiveGraphic*> s = selection();
  if (s.size() != 2) return false;
  const bool penFirst = penPart(s[0]) != nullptr && dynamic_cast<NodeGNode*>(s[1]) != nullptr;
  const bool symbolFirst = dynamic_cast<NodeGNode*>(s[0]) != nullptr && penPart(s[1]) != nullptr;
  return penFirst || symbolFirst;
}

bool PosterBoardNode::canUngroupGroup() const {
  const std::vector<SensitiveGraphic*> s = selection();
  return s.size() == 1 && dynamic_cast<GroupAnnotation*>(s[0]) != nullptr;
}

bool PosterBoardNode::canUngroupMasterSlave() const {
  const std::vector<SensitiveGraphic*> s = selection();
  return s.size() == 1 && dynamic_cast<NodeGNode*>(s[0]) != nullptr;
}

void PosterBoardNode::CMGroup() {
  if (canGroupPen()) GroupPen();
  else if (canGroupMasterSlave()) GroupMasterSlave();
}

void PosterBoardNode::CMUngroup() {
  if (canUngroupGroup()) UngroupGroup();
  else if (canUngroupMasterSlave()) UngroupMasterSlave();
}

// ---------------------------------------------------------------------------
// Pen groups

GroupAnnotation* PosterBoardNode::GroupPen() {
  if (!canGroupPen()) return nullptr;
  std::vector<PenThing*> things;
  for (SensitiveGraphic* g : selection()) {
    PenThing* t = penPart(g);
    // A member belongs to its group alone: a master lets it go first.
    if (t->master() != nullptr) t->SimpleSlave::setMaster(nullptr);
    g->setSelected(0, 1);
    things.push_back(t);
  }
  return PenGrouper::GroupOnBoard(*this, things);
}

bool PosterBoardNode::UngroupGroup() {
  if (!canUngroupGroup()) return false;
  auto* group = dynamic_cast<GroupAnnotation*>(selection().front());
  beginChange();
  RECT bounds;
  group->GetBounds(bounds);  // the members are placed where the group shows them
  group->invalidate();
  std::vector<PenThing*> members;
  for (const AnnotationList::Bucket& b : group->members().buckets()) members.push_back(b.thing);
  for (PenThing* t : members) group->Remove(t);
  removeNode(group);
  group->destroy();
  for (PenThing* t : members) {
    addAnnotation(&t->annotation());
    t->annotation().setSelected(1, 1);
  }
  setModified(1);
  return true;
}

// ---------------------------------------------------------------------------
// Master and slave

bool PosterBoardNode::GroupMasterSlave() {
  if (!canGroupMasterSlave()) return false;
  const std::vector<SensitiveGraphic*> s = selection();
  NodeGNode* symbol = dynamic_cast<NodeGNode*>(s[0]) != nullptr ? dynamic_cast<NodeGNode*>(s[0])
                                                                 : dynamic_cast<NodeGNode*>(s[1]);
  SensitiveGraphic* ink = symbol == s[0] ? s[1] : s[0];
  PenThing* pen = penPart(ink);
  // One slave per symbol, one master per slave.
  if (symbol->slave() != nullptr || pen->master() != nullptr) return false;
  WaitCursor wait;
  RECT inkBox;
  ink->rawRect(inkBox);
  suspendDrawing();
  const int attached = symbol->setSlave(pen);
  if (attached == 0) {
    ClientDCLoan loan(this);
    if (loan.get() != nullptr) {
      TDC dc(loan.get());
      symbol->compute(dc);
    }
    // The symbol goes round the ink where it is.
    symbol->moveTo(static_cast<int>((static_cast<int64_t>(inkBox.left) + inkBox.right) / 2),
                   static_cast<int>((static_cast<int64_t>(inkBox.top) + inkBox.bottom) / 2), loan.get());
    ink->clearState(Graphic::Selected | Graphic::Highlighted);
  }
  resumeDrawing(0);
  symbol->invalidate();
  ink->invalidate();
  if (attached != 0) return false;
  setModified(1);
  return true;
}

bool PosterBoardNode::UngroupMasterSlave() {
  if (!canUngroupMasterSlave()) return false;
  auto* symbol = dynamic_cast<NodeGNode*>(selection().front());
  if (symbol->slave() == nullptr) return false;
  Graphic* ink = symbol->slaveGraphic();
  if (ink != nullptr) ink->invalidate();
  symbol->setSlave(nullptr);
  symbol->invalidate();
  if (ink != nullptr) ink->invalidate();
  setModified(1);
  return true;
}

GNodeSlave* PosterBoardNode::checkCreateSlave(NodeRef* ref) {
  if (ref == nullptr) return nullptr;
  int length = 0;
  const char* kind = nullptr;
  ref->getAttributeLen("Pen", length);
  if (length > 0) {
    kind = "Pen";
  } else {
    ref->getAttributeLen("Group", length);
    if (length > 0) kind = "Group";
  }
  if (kind == nullptr) return nullptr;
  const bool pen = std::strcmp(kind, "Pen") == 0;
  // No more than the text's reader would read.
  const std::size_t most = (pen ? PenStroke::MaxRead : GroupAnnotation::MaxRead) + 1;
  std::vector<char> value(std::min<std::size_t>(static_cast<std::size_t>(length), most) + 1, '\0');
  int size = static_cast<int>(value.size());
  ref->getAttribute(kind, value.data(), size);
  const std::size_t n = strnlen(value.data(), value.size());
  const int wasModified = isModified();
  Annotation* made = nullptr;
  if (pen) made = new PenStroke(this, newObjectId(), 0, 0, 5, 5, value.data(), n);
  else made = new GroupAnnotation(this, newObjectId(), 0, 0, 5, 5, value.data(), n);
  setModified(wasModified);
  auto* slave = dynamic_cast<GNodeSlave*>(made);
  if (slave == nullptr) {
    made->destroy();
    return nullptr;
  }
  return slave;
}
