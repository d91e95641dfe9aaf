// A book-level link in memory: a typed link joining two or more pages. Its entry
// (kind 2) holds the link's type in its entry header and its ends in the link
// record; each end page lists the link in its link list (core/links.h), so that a
// page knows its links and deleting a page reaches them.
//
// Link record (facet 1 of a link entry), one item per end in list order, nothing
// before or after:
//
//   OFFSET  SIZE        DESCRIPTION
//   0       d           the end's direction, signed decimal ASCII digits
//   d       1           NUL
//   d+1     n (<= 787)  the end page's reference text, relative form
//   d+1+n   1           NUL
//   ...                 the next end
//
// Reading stops at the first item that does not start with a number. Reading is
// bounded: a direction by 11 characters, a reference text by 787 (a longer one
// ends the record), the number of items by MaxEnds, kept or skipped (a record
// naming more makes the link invalid, so that it is never saved back cut short).
//
// Status: 0 good, 8 the first end did not verify, 9 the second end did not.
// A link is owned by whoever made it (LinkRef::getLink hands it to the caller).
#ifndef CORE_LINK_H
#define CORE_LINK_H

#include <iosfwd>
#include <memory>
#include <vector>

#include "core/component.h"
#include "core/link_ref.h"
#include "core/specifier.h"
#include "kit/string.h"

class DB;
class Nexil;
class NodeRef;

class Link : public Component {
 public:
  static const int MaxEnds = 4096;
  enum Status { Good = 0, FirstEndBad = 8, SecondEndBad = 9 };

  // Makes a new link entry of `type` in `db` from `first` (direction 2) to
  // `second` (direction 1) and verifies both ends. The new link is modified
  // (not yet saved).
  Link(DB* db, const String& type, const NodeRef& first, const NodeRef& second, Nexil& app);
  // Reads a link record; ends whose page reference does not resolve are
  // reported and skipped.
  Link(const LinkRef& ref, std::istream& record);
  ~Link() override;

  LinkRef* linkRef() const { return static_cast<LinkRef*>(ref()); }

  // Writes the link record.
  void printOn(std::ostream& out, Nexil& app);
  // Saves the record and registers the link with every end: 0 saved, 1 nothing
  // to save, -1 refused or failed.
  int save(Nexil& app, int force);
  // Deletes the link entry and removes the link from every end's list; returns
  // the first result.
  int destroy(Nexil& app);

  // Same type and same ends.
  bool operator==(const Link& other) const;
  bool isEqualType(const Link& other) const;
  // Every end of this link has an end of the other with the same direction and
  // an equal reference, and both have as many ends.
  bool isEqualRef(const Link& other) const;

  // Sets the type (and the stored type) when `t` is given; returns the type.
  const String& type(const String* t);
  // The type, loaded from the book when not known yet.
  const String& type();

  // -16 when the stored type differed (the link then takes it), 1 when the
  // reference check failed, else 0.
  int verify(Nexil& app) override;

  int addSpecifier(const Specifier& s, Nexil& app);
  int removeSpecifier(const Specifier& s, Nexil& app);
  int registerSpec(Specifier& s, Nexil& app);
  int unregisterSpec(Specifier& s, Nexil& app);
  int registerAll(Nexil& app);
  int unregisterAll(Nexil& app);

  // Page `uid` has been deleted: every end on that page is removed; a link that
  // would keep fewer than 2 ends is destroyed instead.
  void notifyKilledRef(ULONG uid, Nexil& app);

  // Calls fn for each end in order until it returns nonzero; returns that value.
  int iterate(int (*fn)(Specifier&, void*), void* data);
  std::size_t specCount() const { return specs_.size(); }
  Specifier& specifier(std::size_t i) { return *specs_[i]; }

 private:
  // The application of the link's book (null when it has none).
  Nexil* appOf() const;
  void addEnd(int32_t dir, const NodeRef& ref);

  String type_;
  std::vector<std::unique_ptr<Specifier>> specs_;
};

#endif  // CORE_LINK_H
