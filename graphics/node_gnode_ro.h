// The idea symbol of a page of a book opened read-only: it opens its page, or
// the web address in its page's "URL" attribute (through the hook the plug-in
// installs), and changes nothing in the book.
#ifndef GRAPHICS_NODE_GNODE_RO_H
#define GRAPHICS_NODE_GNODE_RO_H

#include <string>

#include "graphics/node_gnode.h"

class NodeGNodeRO : public NodeGNode {
 public:
  // Opens `url` (the attribute's text after its first two characters) for
  // `symbol`'s page; installed by the plug-in. 0 on success.
  typedef int (*UrlHook)(NodeGNodeRO& symbol, const char* url);
  static void setUrlHook(UrlHook hook);

  using NodeGNode::NodeGNode;
  ~NodeGNodeRO() override;

  // The page's "URL" attribute, or empty.
  virtual std::string findURL() const;
  // A window and a valid reference whose page is not empty.
  virtual bool hasPage();
  virtual void gotoURL();
  // The address a stored "URL" value leads to. Books keep the address after a
  // two-character prefix; a value that already begins with a scheme ("https:",
  // "mailto:" ...) is the address itself, as the tools store it. Empty when
  // nothing is left.
  static std::string addressOf(const std::string& stored);
  void gotoNode() override;
  void handleMessage(GMessage& msg) override;
  HMENU createPopup() override;
  void WMLButtonDblClk(GMessage& msg) override;
};

#endif  // GRAPHICS_NODE_GNODE_RO_H
