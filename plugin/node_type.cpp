// NodeType: the node-type record's fields as attributes and back.
#include "plugin/node_type.h"

#include "maptext/km_esrap.h"

namespace {

const LONG A = KM_ABSENT;

// The record the root node type is made from.
const KM_NodeType kUndefinedRecord = {KM_SECTION_VERSION, 0, "Undefined", 0,
                                      /*shape*/ 2, /*fill1*/ 0xFFFFFF, A, /*line1*/ 0, A, A,
                                      /*shapeValue*/ 0, /*textSpec*/ 0, nullptr};

}  // namespace

NodeType::NodeType(const KM_NodeType& r) {
  const LONG values[AttrCount] = {r.textSpec, r.line1, r.fill1, r.shape, r.shapeValue};
  init(nullptr, r.id, r.name, r.parent, AttrCount, values);
}

NodeType::NodeType(TypeRep* rep, LONG id, const char* name, LONG parent, const LONG* values) {
  init(rep, id, name, parent, AttrCount, values);
}

const NodeType& NodeType::Undefined() {
  static const NodeType root(kUndefinedRecord);
  return root;
}

std::unique_ptr<XType> NodeType::clone(const char* name) const {
  LONG values[AttrCount];
  for (int i = 0; i < AttrCount; ++i) values[i] = peek(i);
  return std::unique_ptr<XType>(new NodeType(rep(), -1, name, parent(), values));
}

bool NodeType::saveOn(KMEsrap& w) const {
  w.writeNodeType(id(), name(), parent(), peek(Shape), peek(FillColor), A, peek(LineColor), A, A,
                  peek(ShapeValue), peek(TextColor), nullptr);
  w.closeNodeOrLinkType();
  return w.getStatus() < 0;
}
