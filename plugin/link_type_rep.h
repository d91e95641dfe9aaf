// The book's link types (see plugin/type_rep.h): rooted at LinkType::Undefined,
// named "Link" in messages.
#ifndef PLUGIN_LINK_TYPE_REP_H
#define PLUGIN_LINK_TYPE_REP_H

#include "plugin/link_type.h"
#include "plugin/type_rep.h"

class LinkTypeRep : public TypeRep {
 public:
  LinkTypeRep() = default;
  LinkTypeRep& operator=(LinkTypeRep&& other) {
    TypeRep::operator=(std::move(other));
    return *this;
  }
  const XType& undefined() const override { return LinkType::Undefined(); }
  const char* kind() const override { return "Link"; }
};

#endif  // PLUGIN_LINK_TYPE_REP_H
