// Find positions (see search_token.h).
#include "plugin/search_token.h"

void NodeSearchToken::reset() {
  fresh_ = 1;
  id_ = -1;
}

void NodeSearchToken::nodeId(LONG id) {
  id_ = id;
  fresh_ = 0;
}

void SearchToken::reset() {
  node.reset();
  textBox.reset();
}
