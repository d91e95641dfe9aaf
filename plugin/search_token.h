// Where a find stopped on a page, so that a later find-next goes on from
// there: the idea symbol last matched (NodeSearchToken) and the position
// within the text box last matched (TextBoxSearchToken).
//
// States of a NodeSearchToken: fresh (after reset: fresh = 1, id = -1, nothing
// matched yet) and placed (after nodeId: fresh = 0, id = the symbol's object id).
#ifndef PLUGIN_SEARCH_TOKEN_H
#define PLUGIN_SEARCH_TOKEN_H

#include "platform/windows_types.h"

class NodeSearchToken {
 public:
  NodeSearchToken() { reset(); }
  void reset();
  void nodeId(LONG id);
  LONG nodeId() const { return id_; }
  bool isFresh() const { return fresh_ != 0; }

 private:
  LONG fresh_ = 1;
  LONG id_ = -1;
};

class TextBoxSearchToken {
 public:
  TextBoxSearchToken() { reset(); }
  void reset() { position_ = 0; }
  LONG position() const { return position_; }
  void setPosition(LONG p) { position_ = p; }

 private:
  LONG position_ = 0;
};

class SearchToken {
 public:
  void reset();
  NodeSearchToken node;
  TextBoxSearchToken textBox;
};

#endif  // PLUGIN_SEARCH_TOKEN_H
