// The set of links a page lists: the link references read from and written to a
// page's link list (facet 2 of the page entry).
//
// Link list layout, entry after entry, nothing before:
//
//   OFFSET  SIZE        DESCRIPTION
//   0       n (<= 561)  a link reference text, relative form (core/link_ref.h)
//   n       1           NUL
//   ...                 further entries
//   end     1           0xFF, after the last entry
//
// An empty list is never stored: the facet is removed instead.
//
// Invariants: the set holds no two equal references (adding an equal one does
// nothing); the order is the order of first addition.
//
// Reading is bounded: each text by 561 characters (a longer one is dropped as
// bad), the number of entries by MaxEntries, and the whole walk by the stream.
#ifndef CORE_LINKS_H
#define CORE_LINKS_H

#include <iosfwd>
#include <memory>
#include <vector>

#include "core/link_ref.h"

class DB;
class Nexil;

class Links {
 public:
  static const int MaxTextLength = 561;
  static const unsigned char Terminator = 0xFF;
  // The most entries read from one list; the rest of a longer list is dropped.
  static const std::size_t MaxEntries = 16384;
  static const std::size_t InitialRoom = 29;

  Links();
  // Reads a link list from `s` with `context` as the book of relative references.
  Links(std::istream* s, DB* context);
  ~Links();
  Links(const Links&) = delete;
  Links& operator=(const Links&) = delete;

  // Reads entries up to the terminator or the end of the stream and adds each
  // that resolves; returns the number added. The stream's state is cleared.
  int read(std::istream* s, DB* context);
  // Writes the list layout above; returns the number of entries written.
  int save(std::ostream* s, Nexil& app);

  // Adds a copy of `ref` unless an equal reference is present; true when added.
  bool add(const LinkRef& ref);
  // Removes every entry equal to `ref`; returns how many were removed.
  int remove(const LinkRef& ref);
  std::size_t count() const { return refs_.size(); }
  bool isEmpty() const { return refs_.empty(); }
  LinkRef& at(std::size_t i) { return *refs_[i]; }
  const LinkRef& at(std::size_t i) const { return *refs_[i]; }

 private:
  std::vector<std::unique_ptr<LinkRef>> refs_;
};

#endif  // CORE_LINKS_H
