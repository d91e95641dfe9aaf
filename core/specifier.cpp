// Link ends: comparing, fetching and showing the page at an end.
#include "core/specifier.h"

#include "core/nexil.h"
#include "core/node.h"
#include "kit/error.h"

bool Specifier::operator==(const Specifier& other) const {
  return dir_ == other.dir_ && ref_ == other.ref_;
}

Node* Specifier::fetch(TWindow* parent, Nexil& app) {
  if (!ref_.localFile(app)) {
    const String description = ref_.Description();
    error(nullptr, 'W', "Network Fetches not supported: ref '%s' (to node '%s')",
          description.c_str(), ref_.name().c_str());
    return nullptr;
  }
  return ref_.getNode(parent, app, NodeRef::ModeFetch);
}

int Specifier::displayNode(TWindow* parent, Nexil& app) {
  Node* node = app.getDisplayedNode(ref_);
  if (node == nullptr) node = fetch(parent, app);
  if (node == nullptr) {
    error(nullptr, 'W', "Specifier::displayNode: Unable to fetch node");
    return 3;
  }
  return node->display(nullptr);
}
