// TypeRep: lookup, id allocation, the changing operations, inheritance, the
// repair of parents and the writing of a repository's types.
#include "plugin/type_rep.h"

#include <cstdint>
#include <cstring>
#include <iterator>

#include "kit/error.h"
#include "maptext/km_esrap.h"

namespace {

const char kRootName[] = "Undefined";

// Copies every attribute value (unset ones too) of `from` into `into`.
void copyAttributes(const XType& from, XType& into) {
  const int n = from.attrCount() < into.attrCount() ? from.attrCount() : into.attrCount();
  for (int i = 0; i < n; ++i) into.set(i, from.peek(i));
}

}  // namespace

TypeRep::~TypeRep() = default;

TypeRep& TypeRep::operator=(TypeRep&& other) {
  if (this == &other) return *this;
  types_.clear();
  types_ = std::move(other.types_);
  names_ = std::move(other.names_);
  freeHint_ = other.freeHint_;
  other.types_.clear();
  other.names_.clear();
  other.freeHint_ = 0;
  for (auto& slot : types_) slot.second->rep_ = this;
  return *this;
}

int TypeRep::consistencyCheck() {
  int repairs = 0;
  LONG cursor = -1;
  for (XType* t = iterate(cursor); t != nullptr; t = iterate(cursor)) {
    if (find(t->parent()) == nullptr) {
      error(nullptr, 'z', "%s type inconsistency: parent of %s not found -- set to Undefined",
            kind(), t->name());
      resetParent(*t);
      ++repairs;
    } else if (t->id() != 0 && inheritsFrom(t->parent(), t->id())) {
      error(nullptr, 'z',
            "%s type inconsistency: cyclic inheritance -- parent of %s set to Undefined", kind(),
            t->name());
      resetParent(*t);
      ++repairs;
    }
  }
  return repairs;
}

bool TypeRep::saveOn(KMEsrap& w) const {
  LONG cursor = -1;
  for (XType* t = iterate(cursor); t != nullptr; t = iterate(cursor)) t->saveOn(w);
  return w.getStatus() < 0;
}

// ---- Lookup ----

XType* TypeRep::findHere(LONG id, const char* name) const {
  if (name == nullptr) {
    auto it = types_.find(id < 0 ? 0 : id);
    return it != types_.end() ? it->second.get() : nullptr;
  }
  auto named = names_.find(name);
  if (named == names_.end() || named->second.empty()) return nullptr;
  return types_.at(*named->second.begin()).get();
}

XType* TypeRep::findFrom(LONG id, const char* name, int local, const TypeRep** where) const {
  const TypeRep* rep = this;
  // Bounded: a chain of bases that loops is given up after MaxBaseDepth.
  for (int depth = 0;; ++depth) {
    XType* found = rep->findHere(id, name);
    const bool goOn = found == nullptr && rep->base_ != nullptr && depth + 1 < MaxBaseDepth &&
                      (local == 0 || (rep->flags_ & LocalStop) == 0);
    if (!goOn) {
      if (where != nullptr) *where = rep;
      return found;
    }
    rep = rep->base_;
  }
}

XType* TypeRep::find(LONG id, const char* name, TypeRep*& where, int local) {
  const TypeRep* ended = this;
  XType* found = findFrom(id, name, local, &ended);
  // Every repository on the way is reached through a non-const pointer (this
  // one, or a base), so handing it back as one is sound.
  where = const_cast<TypeRep*>(ended);
  return found;
}

XType* TypeRep::find(LONG id, const char* name, int local) const {
  return findFrom(id, name, local, nullptr);
}

// ---- Changing operations ----

bool TypeRep::insert(std::unique_ptr<XType>& type) {
  if (!type || type->id() < 0 || types_.size() >= MaxTypes) return false;
  if (types_.count(type->id()) != 0) return false;
  type->rep_ = this;
  const LONG id = type->id();
  names_[type->name()].insert(id);
  types_[id] = std::move(type);
  return true;
}

void TypeRep::remove(LONG id) {
  auto it = types_.find(id);
  if (it == types_.end()) return;
  auto named = names_.find(it->second->name());
  if (named != names_.end()) {
    named->second.erase(id);
    if (named->second.empty()) names_.erase(named);
  }
  types_.erase(it);
  if (id < freeHint_) freeHint_ = id;
}

int TypeRep::add(std::unique_ptr<XType>& type) {
  if (!type) return NotFound;
  if (type->id() < 0) {
    const LONG id = newId();
    if (id < 0) return TooManyTypes;
    type->id_ = id;
  }
  TypeRep* where = this;
  XType* byId = find(type->id(), nullptr, where, 1);
  if (byId == nullptr) {
    XType* byName = find(0, type->name(), where, 1);
    if (byName == nullptr) return where->insert(type) ? OK : TooManyTypes;
    if (std::strcmp(type->name(), kRootName) != 0) return NameExists;
    copyAttributes(*type, *byName);
    return OK;
  }
  if (type->id() != 0) return IdExists;
  copyAttributes(*type, *byId);
  return OK;
}

int TypeRep::del(LONG id, const char* name) {
  TypeRep* where = this;
  XType* t = find(id, name, where, 1);
  if (t == nullptr) return NotFound;
  if (t->id() == 0 || where->hasChildren(t->id())) return HasChildren;
  where->remove(t->id());
  return OK;
}

LONG TypeRep::newId() const {
  // Every id below the hint is in use: walk on from it over the run of used
  // ids there (each id is passed over once between two removals).
  LONG id = freeHint_;
  for (auto it = types_.lower_bound(id); it != types_.end() && it->first == id; ++it) {
    if (id == INT32_MAX) return -1;
    ++id;
  }
  freeHint_ = id;
  return id;
}

XType* TypeRep::get(const char* name, const XType* prototype) {
  if (name == nullptr) return nullptr;
  TypeRep* where = this;
  if (XType* found = find(0, name, where, 1)) return found;
  if (prototype == nullptr) prototype = findHere(0, nullptr);
  if (prototype == nullptr) prototype = &undefined();
  std::unique_ptr<XType> made = prototype->clone(name);
  const LONG id = where->newId();
  if (id < 0) return nullptr;
  made->id_ = id;
  XType* kept = made.get();
  return where->insert(made) ? kept : nullptr;
}

// ---- Enumeration and inheritance ----

XType* TypeRep::iterate(LONG& cursor) const {
  auto it = cursor < 0 ? types_.begin() : types_.upper_bound(cursor);
  if (it == types_.end()) return nullptr;
  cursor = it->first;
  return it->second.get();
}

bool TypeRep::hasChildren(LONG id) const {
  for (const auto& slot : types_) {
    if (slot.second->parent() == id) return true;
  }
  return false;
}

bool TypeRep::inheritsFrom(LONG a, LONG b) const {
  if (b > 0) {
    const std::size_t limit = walkLimit();
    std::size_t steps = 0;
    while (a != b && a > 0) {
      // A walk longer than the types there are has met a loop that does not
      // pass through b: a does not inherit from it.
      if (++steps > limit) return false;
      const XType* t = find(a);
      a = t != nullptr ? t->parent() : 0;
    }
  }
  return b == 0 || a == b;
}

int64_t TypeRep::count() const {
  return types_.empty() ? 0 : static_cast<int64_t>(types_.rbegin()->first) + 1;
}

std::size_t TypeRep::walkLimit() const {
  std::size_t n = 1;
  const TypeRep* rep = this;
  for (int depth = 0; rep != nullptr && depth < MaxBaseDepth; ++depth, rep = rep->base_) {
    n += rep->types_.size();
  }
  return n;
}

// ---- Texts and checks ----

const char* TypeRep::resultText(int code) {
  switch (code) {
    case OK:
      return "OK";
    case NotFound:
      return "type not found";
    case HasChildren:
      return "type has children";
    case IdExists:
      return "type id already exists";
    case NameExists:
      return "type name already exists";
    case TooManyTypes:
      return "too many types";
    default:
      return "?";
  }
}

void TypeRep::resultText(int code, char* buf, int n) {
  if (buf == nullptr || n < 0) return;
  const char* text = resultText(code);
  int i = 0;
  for (; i < n && text[i] != '\0'; ++i) buf[i] = text[i];
  buf[i] = '\0';
}

bool TypeRep::classInvarient(const char* file, int line) const {
  bool sound = types_.size() <= MaxTypes;
  std::size_t indexed = 0;
  for (const auto& named : names_) {
    for (LONG id : named.second) {
      auto it = types_.find(id);
      if (it == types_.end() || named.first != it->second->name()) sound = false;
      ++indexed;
    }
  }
  // Ids are distinct and not negative: all of 0 .. hint-1 are in use exactly
  // when hint ids lie below the hint.
  const auto belowHint = std::distance(types_.begin(), types_.lower_bound(freeHint_));
  if (indexed != types_.size() || freeHint_ < 0 || belowHint != freeHint_) sound = false;
  if (!sound) {
    error(nullptr, 'E', "Internal error... %s(%d): the %s type index does not match its slots",
          file, line, kind());
  }
  for (const auto& slot : types_) {
    const XType& t = *slot.second;
    if (slot.first < 0 || t.id() != slot.first || t.rep() != this ||
        !t.classInvarient(file, line)) {
      error(nullptr, 'E', "Internal error... %s(%d): %s type %s is out of place in slot %ld",
            file, line, kind(), t.name(), static_cast<long>(slot.first));
      sound = false;
    }
  }
  return sound;
}
