// The page window's part in a find: the page matches when one of its graphics
// that can be searched (idea symbols, link boxes, text boxes) matches; the
// pen annotations hold no text and are passed over.
#include <vector>

#include "graphics/graphic.h"
#include "graphics/view_node.h"
#include "plugin/search_token.h"

namespace {

void collect(Graphic* g, void* arg) { static_cast<std::vector<Graphic*>*>(arg)->push_back(g); }

}  // namespace

LONG ViewNode::forEachMatch(TFindParams* params, MatchCallback fn, void* arg) const {
  if (params == nullptr) return 0;
  // Collected first, so that a callback that selects graphics cannot disturb the walk.
  std::vector<Graphic*> graphics;
  const_cast<ViewNode*>(this)->forEachGraphic(&collect, &graphics);
  LONG matched = 0;
  for (Graphic* g : graphics) {
    auto* s = dynamic_cast<Searchable*>(g);
    if (s == nullptr || !s->matchFound(params)) continue;
    ++matched;
    if (fn != nullptr && fn(*g, arg) != 0) break;
  }
  return matched;
}

namespace {

int stopAtFirst(Graphic&, void*) { return 1; }

struct FirstMatch {
  TFindParams* params;
  SearchToken* token;
};

int showFirst(Graphic& g, void* arg) {
  auto* f = static_cast<FirstMatch*>(arg);
  dynamic_cast<Searchable&>(g).firstMatch(f->params, *f->token);
  return 1;
}

}  // namespace

int ViewNode::matchFound(TFindParams* params) const { return forEachMatch(params, &stopAtFirst, nullptr) > 0; }

int ViewNode::firstMatch(TFindParams* params, SearchToken& token) {
  token.reset();
  deselectAll();
  FirstMatch f{params, &token};
  return forEachMatch(params, &showFirst, &f) > 0 ? 0 : 1;
}
