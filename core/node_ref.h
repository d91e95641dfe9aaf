// A reference to a page of a book, and the page-level operations on the book that
// go through it: open a page body and build a page from it, save a page back,
// delete a page together with its links, and read and write the page's link list.
//
// A NodeRef is a ComponentRef (see core/component_ref.h for the reference text and
// its resolution) whose entry is a page: an ID of kind 1 whose facet 1 holds the
// page body (map text) and facet 2 its link list (see core/links.h).
//
// Ownership across the interface:
//   - getNode returns a page owned by its window (the window deletes it); a page
//     made without a window belongs to the caller.
//   - A body stream opened for writing is handed to the page's window, which owns
//     it from then on (NodeWindow::ownsStream(1)) and deletes it when it closes it.
//
// Nothing throws out of these operations: store failures are reported through
// error() and become the return codes given with each operation.
#ifndef CORE_NODE_REF_H
#define CORE_NODE_REF_H

#include <iosfwd>
#include <memory>

#include "core/component_ref.h"
#include "kit/string.h"
#include "platform/windows_types.h"

class LinkRef;
class Links;
class Nexil;
class Node;
class TWindow;

class NodeRef : public ComponentRef {
 public:
  // getNode mode bits.
  //   0x2  open the body for writing (made when missing); the page stays
  //        writable and its window keeps the stream for saving
  //   0x4  no meaning of its own in the core; passed on by callers (links open
  //        their ends with 0x6)
  enum Mode : ULONG { ModeWrite = 0x2, ModeFetch = 0x6 };
  // The longest page reference text written into a link record.
  static const int MaxTextLength = 787;

  NodeRef() = default;
  // Parses `text` when it is not empty and binds the context book.
  NodeRef(const char* text, DB* context);
  // Binds `db` (also as the context), sets the ID and looks up the entry's name.
  NodeRef(DB* db, ULONG uid);
  NodeRef(const NodeRef& other) = default;
  NodeRef& operator=(const NodeRef& other) = default;
  // Resets the reference and parses `text`.
  NodeRef& operator=(const char* text);
  ~NodeRef() override;

  // ---- Reference slots ----
  // The reference text: "<this>#$" for a page of the context book when
  // `relative`, otherwise [net "#@"] [book "#$"]; then the ID and ":" name.
  String makeString(Nexil& app, bool relative) override;
  // "name (net -> book) -> name (id)", at most 1047 characters.
  String Description() override;
  // Resolves the book, then a page given by name only by a fresh search of the
  // book's pages. A reference that still has no ID has locality 2.
  int resolve(Nexil& app) override;
  // True for a reference that does not resolve locally; otherwise the shown
  // page's own emptiness, or whether the page body is empty in the book.
  bool isEmpty(Nexil& app) override;

  // ---- Page operations ----
  virtual int backupNode();
  virtual int recoverNode(TWindow* parent, ULONG& result);
  // Builds a page from a body stream positioned at its start; the stream stays
  // the caller's. Null when no page could be made.
  virtual Node* getNode(std::iostream* body, Nexil& app);
  // Runs the page reference dialog: 0 OK, 1 Cancel.
  virtual int set(Nexil& app);
  // Writes the set as the page's link list (an empty set removes the list):
  // 0, -2 without a stream, -1 after a store failure.
  virtual int saveLinks(Links& links, Nexil& app);
  // Adds a link to the page's link list: 0, -2 without a stream, -1 after a failure.
  virtual int saveLink(TWindow* parent, LinkRef& link, Nexil& app);
  // Removes every entry equal to `link` from the page's link list; codes as saveLink.
  virtual int deleteLink(TWindow* parent, LinkRef& link, Nexil& app);
  // The link list stream, made when missing on a writable book; null when none.
  virtual std::unique_ptr<std::iostream> getLinkListStream(Nexil& app);
  // Opens the page: a new page object, or null. See ModeWrite.
  virtual Node* getNode(TWindow* parent, Nexil& app, ULONG mode);
  // The page's link list as a set; null when the page has no link list.
  virtual std::unique_ptr<Links> getLinks(TWindow* parent, Nexil& app);
  // Saves a page through its window: 0, -1 refused, -2 write error.
  virtual int saveNode(Node& node, Nexil& app);
  // Writes a page to `body` through the application: 0, or 1 on failure.
  virtual int saveNode(Node& node, Nexil& app, std::iostream* body);
  // Deletes the page after telling each of its links; the removal result, -98
  // when nothing was attempted.
  virtual int deleteNode(Nexil& app);

 private:
  // The link list stream; created only when `create` and the book is writable.
  std::unique_ptr<std::iostream> linkListStream(Nexil& app, bool create, int* failure);
  // The page's link list read without creating it: null when there is none.
  std::unique_ptr<Links> readLinks(Nexil& app);
};

#endif  // CORE_NODE_REF_H
