// A repository of types of one kind (node types or link types): lookup by id
// and by name, id allocation, inheritance tests, the changing operations with
// their result codes, the repair of inconsistent parents, and the writing of
// every type as map text. NodeTypeRep and LinkTypeRep supply the root and the
// word used in messages.
//
// Storage: the types are kept by id in a sparse slot table (an ordered map
// from id to owned type), so that an id read from a type page costs one entry
// whatever its size: a type with id 2,000,000,000 makes one slot, not two
// thousand million. count() is still one past the highest slot in use, and
// newId() the lowest empty slot, as an indexed array would give them. A
// name index (name -> ids in order) answers lookups by name, and a hint
// (every id below it is in use) makes newId cheap, so that adding a type
// costs the same whatever the repository holds.
//
// A repository holds at most MaxTypes (4096) types; adding one more is
// refused with result code 5 ("too many types"). A style sheet is a few dozen
// types; the bound keeps what a hostile type page can make small, and keeps
// the consistency check, whose cycle test walks each type's parent chain
// (quadratic in the number of types at worst), to a fraction of a second.
//
// Fields: the slots; base, another repository consulted when a lookup fails
// here (not owned, or null); flags, bit 0 (LocalStop) meaning that lookups
// asked to stay local stop at this repository.
//
// Result codes of the changing operations:
//
//   CODE  TEXT
//   0     "OK"
//   1     "type not found"
//   2     "type has children"
//   3     "type id already exists"
//   4     "type name already exists"
//   5     "too many types"
//   any other code: "?"
//
// Invariants (classInvarient; the tests check them after every operation):
//   1. Every slot holds a type whose id is the slot's and whose rep is this
//      repository; no slot is negative.
//   2. At most MaxTypes slots are in use.
//   3. The name index holds exactly the (name, id) pairs of the slots.
//   4. Every id below the free-id hint is in use.
//
// Bounded walks: every walk along parents (XType::get, inheritsFrom) takes at
// most walkLimit() steps, the number of types this repository and its bases
// hold, plus one; a longer walk has met a loop and stops (as reaching the
// root, or as not inheriting). The walk along bases stops after MaxBaseDepth
// repositories.
#ifndef PLUGIN_TYPE_REP_H
#define PLUGIN_TYPE_REP_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

#include "platform/windows_types.h"
#include "plugin/x_type.h"

class KMEsrap;

class TypeRep {
 public:
  enum Result : int {
    OK = 0,
    NotFound = 1,
    HasChildren = 2,
    IdExists = 3,
    NameExists = 4,
    TooManyTypes = 5
  };
  enum Flags : uint16_t { LocalStop = 0x1 };
  // The most types one repository holds.
  static constexpr std::size_t MaxTypes = 4096;
  // The most repositories a lookup visits (this one and its bases).
  static constexpr int MaxBaseDepth = 16;

  TypeRep() = default;
  virtual ~TypeRep();
  TypeRep(const TypeRep&) = delete;
  TypeRep& operator=(const TypeRep&) = delete;
  // Moves: deletes this repository's own types, takes the other's slots (the
  // other is left with none) and points every moved type's rep here. Base and
  // flags stay as they were on both sides.
  TypeRep& operator=(TypeRep&& other);

  // ---- Virtual operations, in slot order ----
  // The static root of the repository's kind.
  virtual const XType& undefined() const = 0;
  // The word used in messages ("Node", "Link").
  virtual const char* kind() const = 0;
  // Repairs each type whose parent is missing or whose parent inherits from it
  // (a cycle) by making it a child of the root, reporting each repair as a
  // note (kind 'z'):
  //   "<kind> type inconsistency: parent of <name> not found -- set to Undefined"
  //   "<kind> type inconsistency: cyclic inheritance -- parent of <name> set to Undefined"
  // Returns the number of repairs.
  virtual int consistencyCheck();
  // Writes every type in iteration order; true when the writer's status is
  // negative afterwards.
  virtual bool saveOn(KMEsrap& w) const;

  // Without a name: the type in slot `id` (a negative id is taken as 0). With a
  // name: the first type in id order with exactly that name. When nothing is
  // found here, the base is searched the same way unless `local` is nonzero
  // and this repository has LocalStop; `where` is set to the repository where
  // the search ended.
  XType* find(LONG id, const char* name, TypeRep*& where, int local);
  // The same without the repository where it ended.
  XType* find(LONG id, const char* name = nullptr, int local = 0) const;

  // Stores `type` in the slot of its id and sets its rep here. True when it
  // is taken (ownership moves here and `type` is left null); false, with the
  // type left to the caller, when its id is negative, its slot is in use, or
  // the repository is full.
  bool insert(std::unique_ptr<XType>& type);
  // Deletes the type in slot `id` and empties the slot.
  void remove(LONG id);
  // Adds a type (result codes above). An unassigned id gets newId(). A type
  // named "Undefined" whose id is new, or any type with id 0, has its
  // attribute values (unset ones too) copied into the existing root instead
  // of being kept. `type` is left null when the repository took it; otherwise
  // the caller still owns it.
  int add(std::unique_ptr<XType>& type);
  // Deletes the type named `name` (when given), else the one with `id`: 0; 1
  // when there is none; 2 for the root or a type with children.
  int del(LONG id, const char* name);
  // The lowest id whose slot is empty (count() when none is); -1 when no id
  // is left.
  LONG newId() const;
  // The type named `name`, made when missing: a clone of `prototype` (or of
  // this repository's type 0, or of the root) with that name and a new id.
  // Null only when the name is null or the repository is full.
  XType* get(const char* name, const XType* prototype);
  // The next type after slot `cursor` (a negative cursor starts at the first
  // slot); the cursor is set to its slot. Null at the end.
  XType* iterate(LONG& cursor) const;
  // Some type has parent `id`.
  bool hasChildren(LONG id) const;
  // Type `a` is type `b` or a descendant of it (every type inherits from 0).
  bool inheritsFrom(LONG a, LONG b) const;

  // One past the highest slot in use (0 when empty).
  int64_t count() const;
  // The number of types held.
  std::size_t size() const { return types_.size(); }
  // The most steps a walk along parents may take (see above).
  std::size_t walkLimit() const;

  TypeRep* base() const { return base_; }
  void base(TypeRep* b) { base_ = b; }
  uint16_t flags() const { return flags_; }
  void flags(uint16_t f) { flags_ = f; }

  // The text of a result code.
  static const char* resultText(int code);
  // Copies at most n characters of the text into `buf` (n + 1 bytes) and ends
  // it there.
  static void resultText(int code, char* buf, int n);

  // Reports a broken invariant through the error channel; true when sound.
  bool classInvarient(const char* file, int line) const;

 protected:
  // Sets the parent of a type of this repository (the repair's step).
  static void resetParent(XType& t) { t.parent_ = 0; }

 private:
  XType* findHere(LONG id, const char* name) const;
  XType* findFrom(LONG id, const char* name, int local, const TypeRep** where) const;

  std::map<LONG, std::unique_ptr<XType>> types_;
  std::unordered_map<std::string, std::set<LONG>> names_;
  // Every id below it is in use (invariant 4); newId moves it on.
  mutable LONG freeHint_ = 0;
  TypeRep* base_ = nullptr;
  uint16_t flags_ = 0;
};

#endif  // PLUGIN_TYPE_REP_H
