// A reference to a link of a book. A link is an entry of kind 2 whose facet 1
// holds its link record (see core/link.h); LinkRef names it by text and opens,
// saves and deletes it.
//
// Link reference text: like a page reference (core/component_ref.h), but the
// entry part is always the decimal link ID and never a name:
//
//   "<this>#$" id                  a link of the context book, relative form
//   [net "#@"] [book "#$"] id      otherwise
//
// getLink returns a new Link that the caller owns.
#ifndef CORE_LINK_REF_H
#define CORE_LINK_REF_H

#include <iosfwd>

#include "core/component_ref.h"
#include "kit/string.h"
#include "platform/windows_types.h"

class Link;
class Nexil;

class LinkRef : public ComponentRef {
 public:
  LinkRef() = default;
  // Parses `text` when it is not empty and binds the context book.
  LinkRef(const char* text, DB* context);
  // Binds `db` (also as the context) and sets the ID.
  LinkRef(DB* db, ULONG uid);
  LinkRef(const LinkRef& other) = default;
  LinkRef& operator=(const LinkRef& other) = default;
  ~LinkRef() override;

  // ---- Reference slots ----
  String makeString(Nexil& app, bool relative) override;
  // "name (net -> book) -> id", at most 1047 characters.
  String Description() override;
  // True for a reference that does not resolve locally or names no record.
  bool isEmpty(Nexil& app) override;

  // ---- Link operations ----
  // Builds the link from a record stream positioned at its start; null when the
  // link could not be made. The caller owns the link.
  virtual Link* getLink(std::iostream* record);
  // Writes the link's record: 0, or -1 on any failure (reported).
  virtual int saveLink(Link& link, Nexil& app);
  // Removes the link entry from its book: the book's result, -1 on failure.
  virtual int deleteLink(Nexil& app);
  // Opens the link: a new Link (read-only without mode bit 0x2), or null.
  virtual Link* getLink(Nexil& app, ULONG mode);
};

#endif  // CORE_LINK_REF_H
