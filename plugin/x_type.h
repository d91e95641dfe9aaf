// A type of the book's style sheet: the common part of node types and link
// types. Types form single-inheritance trees rooted at the type "Undefined"
// (id 0); a type keeps a small fixed vector of display attributes, and an
// attribute it leaves unset is taken from its parent chain (get).
//
// Fields:
//
//   FIELD      TYPE                 MEANING
//   rep        TypeRep*             the repository holding the type; null until inserted
//   id         int32                type id; negative: not yet assigned; 0: the root
//   name       String               compared byte for byte, case-sensitively
//   parent     int32                id of the parent type; 0 for a child of the root
//   attrCount  uint16               5 for node types, 4 for link types
//   attrs      int32[attrCount]     KM_ABSENT (0x80000000) means not set: inherit
//
// Invariants (checked by classInvarient and the tests):
//   1. attrs holds exactly attrCount values.
//   2. A type held by a repository has rep == that repository and a
//      non-negative id equal to the slot that holds it.
//
// Class tree: XType -> CommonType -> NodeType, LinkType. The virtual
// operations, in slot order: clone, undefined, saveOn.
#ifndef PLUGIN_X_TYPE_H
#define PLUGIN_X_TYPE_H

#include <cstdint>
#include <memory>

#include "kit/string.h"
#include "maptext/km_records.h"
#include "platform/windows_types.h"

class KMEsrap;
class TypeRep;

class XType {
 public:
  // The value of an attribute that is not set.
  static constexpr LONG Unset = KM_ABSENT;

  virtual ~XType();
  XType(const XType&) = delete;
  XType& operator=(const XType&) = delete;

  // ---- Virtual operations, in slot order ----
  // A new type of the same class with the same rep and parent, id -1, `name`
  // and a copy of the attributes. The caller owns it.
  virtual std::unique_ptr<XType> clone(const char* name) const = 0;
  // The class's root type.
  virtual const XType& undefined() const = 0;
  // Writes the type as a map-text type record; true when the writer's status
  // is negative afterwards (its stream went bad or it refused).
  virtual bool saveOn(KMEsrap& w) const = 0;

  // Sets every field; copies the name (null: empty). Each of the attrCount
  // values comes from `values`, or is unset when `values` is null.
  void init(TypeRep* rep, LONG id, const char* name, LONG parent, uint16_t attrCount,
            const LONG* values);

  // The stored value of attribute i, possibly Unset (Unset for i out of range).
  LONG peek(int i) const;
  // Stores the value (nothing for i out of range).
  void set(int i, LONG value);
  // The effective value: the stored one, or the first set along the parent
  // chain, or the class root's. A chain that loops, or is longer than the
  // repository has types, counts as reaching the root.
  LONG get(int i) const;
  // Sets the parent to `p` and returns 1 when the type has a repository and
  // `p` does not inherit from this type; otherwise returns 0 and keeps it.
  int setParent(LONG p);

  TypeRep* rep() const { return rep_; }
  LONG id() const { return id_; }
  const char* name() const { return name_.c_str(); }
  LONG parent() const { return parent_; }
  uint16_t attrCount() const { return attrCount_; }

  // Reports a broken invariant 1 through the error channel; true when sound.
  bool classInvarient(const char* file, int line) const;

 protected:
  XType() = default;

 private:
  friend class TypeRep;

  TypeRep* rep_ = nullptr;
  LONG id_ = -1;
  String name_;
  LONG parent_ = 0;
  uint16_t attrCount_ = 0;
  std::unique_ptr<LONG[]> attrs_;
};

// The common base of node and link types; adds nothing.
class CommonType : public XType {
 protected:
  CommonType() = default;
};

#endif  // PLUGIN_X_TYPE_H
