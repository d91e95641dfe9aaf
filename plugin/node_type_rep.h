// The book's node types (see plugin/type_rep.h): rooted at NodeType::Undefined,
// named "Node" in messages.
#ifndef PLUGIN_NODE_TYPE_REP_H
#define PLUGIN_NODE_TYPE_REP_H

#include "plugin/node_type.h"
#include "plugin/type_rep.h"

class NodeTypeRep : public TypeRep {
 public:
  NodeTypeRep() = default;
  NodeTypeRep& operator=(NodeTypeRep&& other) {
    TypeRep::operator=(std::move(other));
    return *this;
  }
  const XType& undefined() const override { return NodeType::Undefined(); }
  const char* kind() const override { return "Node"; }
};

#endif  // PLUGIN_NODE_TYPE_REP_H
