// XType: the fields of a type, its attributes and their inheritance along the
// parent chain.
#include "plugin/x_type.h"

#include <cstdio>

#include "kit/error.h"
#include "plugin/type_rep.h"

XType::~XType() = default;

void XType::init(TypeRep* rep, LONG id, const char* name, LONG parent, uint16_t attrCount,
                 const LONG* values) {
  rep_ = rep;
  id_ = id;
  name_ = String(name);
  parent_ = parent;
  attrCount_ = attrCount;
  attrs_.reset(new LONG[attrCount]);
  for (uint16_t i = 0; i < attrCount; ++i) attrs_[i] = values != nullptr ? values[i] : Unset;
}

LONG XType::peek(int i) const {
  if (i < 0 || i >= attrCount_) return Unset;
  return attrs_[i];
}

void XType::set(int i, LONG value) {
  if (i < 0 || i >= attrCount_) return;
  attrs_[i] = value;
}

LONG XType::get(int i) const {
  const XType* t = this;
  // Each step moves one parent up; a chain longer than the repository has
  // types has met a loop and counts as reaching the root.
  const std::size_t limit = rep_ != nullptr ? rep_->walkLimit() : 1;
  std::size_t steps = 0;
  while (t->peek(i) == Unset && t->id() > 0) {
    if (++steps > limit) {
      t = nullptr;
      break;
    }
    const XType* parent = rep_ != nullptr ? rep_->find(t->parent()) : nullptr;
    t = parent != nullptr ? parent : (rep_ != nullptr ? &rep_->undefined() : &undefined());
  }
  if (t == nullptr || t->peek(i) == Unset) return undefined().peek(i);
  return t->peek(i);
}

int XType::setParent(LONG p) {
  if (rep_ == nullptr || rep_->inheritsFrom(p, id_)) return 0;
  parent_ = p;
  return 1;
}

bool XType::classInvarient(const char* file, int line) const {
  if (attrCount_ > 0 && !attrs_) {
    error(nullptr, 'E', "Internal error... %s(%d): type %s has no attributes", file, line,
          name());
    return false;
  }
  return true;
}
