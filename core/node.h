// A page of a book in memory. A Node names its page entry through an owned
// NodeRef and is shown in a NodeWindow: the window owns the node and deletes it;
// deleting the node first detaches it from its window and destroys the window's
// interface element (the window object itself belongs to whoever made it).
//
// State bits (core/component.h): 0x1 modified, 0x2 invalid, 0x4 read-only,
// 0x8 saved at least once.
#ifndef CORE_NODE_H
#define CORE_NODE_H

#include "core/component.h"
#include "core/node_ref.h"
#include "kit/string.h"

class DB;
class Nexil;
class NexilWindow;
class NodeWindow;
class TApplication;
class TRect;

class Node : public Component {
 public:
  // Creates a new page entry named `name` of content type `kind` in `db`. On a
  // read-only book the node is read-only; when the entry cannot be made the
  // node is invalid.
  Node(NodeWindow* w, DB* db, const String& name, const String& kind, Nexil& app);
  // A node for an existing page; read-only when its book is.
  Node(NodeWindow* w, const NodeRef& r, const String& kind, Nexil& app);
  // Detaches from the window and destroys the window's interface element.
  ~Node() override;

  // Runs the new-page dialog; the page made, or null.
  static Node* make(NexilWindow* parent, Nexil& app, DB* db, const char* name,
                    const char* kind);

  DB* db() const { return nodeRef() != nullptr ? nodeRef()->db() : nullptr; }
  ULONG uid() const { return nodeRef() != nullptr ? nodeRef()->uid() : ComponentRef::NoUID; }
  const String& name() const;

  // 0 saved, 1 nothing to save (unmodified, no force), -1 refused, -2 write error.
  int save(Nexil& app, int force);
  void setReadOnly(int on) override;
  // The reference check; 2 when the window's caption differs from the page name.
  // A nonzero result puts the page name back into the caption and marks the
  // node modified.
  int verify(Nexil& app) override;
  // Shows the page in its window: 1 shown, 0 failure (reported).
  int display(TRect* r);

  NodeRef* nodeRef() const { return static_cast<NodeRef*>(ref()); }
  // Makes this node name the page `r` names.
  void nodeRef(const NodeRef* r);
  NodeWindow* window() const { return window_; }
  void window(NodeWindow* w) { window_ = w; }
  const String& kind() const { return kind_; }
  // Sets the content type unless the node is read-only; returns it.
  const String& kind(const String* k);

  // Asks, then deletes the page: 0 deleted, 1 cancelled, 2 failed, 3 read-only.
  int deleteNode(Nexil& app);
  // Runs the page attributes dialog: 0 OK, 1 Cancel, 2 failure.
  int edit(TApplication* a, Nexil& app);
  // Puts the name into the caption and the reference (the stored entry is
  // renamed by the caller through ComponentRef::rename).
  void rename(const String& name);
  // Frames a read-only page's window.
  void drawEnhancedNCArea() const;

 private:
  NodeWindow* window_ = nullptr;
  String kind_;
};

#endif  // CORE_NODE_H
