// One end of a link: the page it joins and the direction of the link at that end.
//
// Directions as stored in a link record (a signed 32-bit number):
//   1  Destination  the link points to this end
//   2  Source       the link starts at this end
// Other values are kept as read; the core gives them no meaning.
#ifndef CORE_SPECIFIER_H
#define CORE_SPECIFIER_H

#include "core/node_ref.h"
#include "kit/string.h"
#include "platform/windows_types.h"

class Nexil;
class Node;
class TWindow;

class Specifier {
 public:
  enum LinkDir : int32_t { Destination = 1, Source = 2 };

  Specifier(int32_t dir, const NodeRef& ref) : dir_(dir), ref_(ref) {}

  // Same direction and equal references.
  bool operator==(const Specifier& other) const;

  int32_t dir() const { return dir_; }
  NodeRef& ref() { return ref_; }
  const NodeRef& ref() const { return ref_; }
  // The end page's name.
  const String& name() const { return ref_.name(); }

  // The end page opened for writing, or null (network ends are not fetched).
  Node* fetch(TWindow* parent, Nexil& app);
  // Shows the end page (the one already shown, or a fetched one): the page's
  // display result, or 3 when there is no page.
  int displayNode(TWindow* parent, Nexil& app);

 private:
  int32_t dir_;
  NodeRef ref_;
};

#endif  // CORE_SPECIFIER_H
