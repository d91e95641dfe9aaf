// The page window every concrete page window derives from. It owns the Node it
// shows and forwards the page-level commands to it; what a page looks like, how
// its body is read and written, and whether it is empty are the concrete
// window's business, through the five operations left to it:
//
//   isOpen()         whether a body stream is attached
//   isEmpty()        whether the page has no content
//   attach(s)        attaches a body stream, closing (and, when owned, deleting)
//                    the one attached before; attach(nullptr) detaches
//   application()    the application object
//   ownsStream(on)   sets, and returns, whether the window deletes the attached
//                    stream when it closes it
//
// Saving: NodeRef::saveNode has the window write its content with save(). A
// concrete window overrides save() to write its content to the attached stream;
// when it does not, the page-level save below runs once and a nested call for
// the same window fails with -1 instead of recursing.
#ifndef CORE_NODE_WINDOW_H
#define CORE_NODE_WINDOW_H

#include <iosfwd>

#include "kit/string.h"
#include "platform/owl/t_window.h"
#include "platform/windows_types.h"

class DB;
class Nexil;
class Node;
class NodeRef;

class NodeWindow : public virtual TWindow {
 public:
  // Makes a node for a new page named `name` of type `kind` (empty when null)
  // in the application's current book.
  NodeWindow(Nexil& app, const char* name, const char* kind);
  // Shows an existing node and takes ownership of it.
  explicit NodeWindow(Node* node);
  ~NodeWindow() override;

  virtual void classInvarient(const char* file, int line);
  // Detaches and deletes the node.
  virtual void destroyNode();
  virtual Node* node() const { return node_; }
  virtual NodeRef* nodeRef() const;
  // The page name text, null without a node.
  virtual const char* name() const;
  virtual DB* db() const;
  virtual ULONG uid() const;
  // Node::save without force; -1 without a node.
  virtual int save();
  // Saves only a writable node; 0 otherwise.
  virtual int saveConditional();

  // ---- Left to the concrete page window ----
  virtual bool isOpen() = 0;
  virtual bool isEmpty() = 0;
  // `s` is handed over under the ownsStream rule (raw: ownership is decided by
  // the later ownsStream call).
  virtual void attach(std::iostream* s) = 0;
  virtual Nexil& application() = 0;
  virtual int ownsStream(int own) = 0;

  virtual bool readOnly() const;
  virtual void setReadOnly(int on);
  virtual bool isModified() const;
  virtual void setModified(int on);

  // ---- Commands ----
  int CMFileSave();
  int CMDeleteNode();
  int CMAttributes();

  // Used by Node: forget the node without deleting it.
  void releaseNode() { node_ = nullptr; }

 private:
  Node* node_ = nullptr;  // owned
  bool saving_ = false;
};

#endif  // CORE_NODE_WINDOW_H
