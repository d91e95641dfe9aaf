// The plug-in's book: its type page and home page (see orvane_db.h).
#include "plugin/orvane_db.h"

#include <string>

#include "core/nexil.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "kit/error.h"
#include "plugin/link_type.h"
#include "plugin/link_type_rep.h"
#include "plugin/node_type_rep.h"
#include "plugin/orvane_nexil.h"
#include "plugin/type_node.h"

namespace {

struct FirstOfKind {
  ULONG found = ComponentRef::NoUID;
};

int takeFirst(ULONG id, const String&, const String&, ULONG, void* data) {
  static_cast<FirstOfKind*>(data)->found = id;
  return 1;
}

// The file's own name and extension, without drive or folders.
std::string leafName(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

OrvaneDB::OrvaneDB(Nexil& app, const char* netAddress, const char* fileName, int openFlags, int share)
    : DB(app, netAddress, fileName, openFlags, share), manager_(app) {}

OrvaneDB::~OrvaneDB() {
  delete typeNode_;
  typeNode_ = nullptr;
  if (auto* m = dynamic_cast<OrvaneNexil*>(&manager_)) m->deregisterDB(this);
}

TypeNode* OrvaneDB::tnode() {
  if (typeNode_ != nullptr) return typeNode_;
  typeNodeId_ = -1;
  FirstOfKind first;
  doUntilEntry(takeFirst, &first, TypePageKind);
  ULONG id = first.found;
  if (id == ComponentRef::NoUID && !isReadOnly()) {
    id = createNode(String("Types"), String("Types"), 0);
    if (id != ComponentRef::NoUID && setKind(id, TypePageKind) != 0) id = ComponentRef::NoUID;
  }
  if (id == ComponentRef::NoUID) {
    lacksTypePage_ = isReadOnly();
    return nullptr;
  }
  typeNodeId_ = static_cast<LONG>(id);
  const ULONG before = refCount();
  TypeNode* found = nullptr;
  {
    NodeRef ref(this, id);
    if (isReadOnly() && isBodyEmpty(id)) {
      // A read-only book keeps its empty type page: the two roots only.
      found = new TypeNode(ref, nullptr, manager_);
    } else {
      // A writable book's type page is opened for writing, so that a missing
      // body is made (and then seeded from the types file).
      Node* page = ref.getNode(nullptr, manager_, isReadOnly() ? 0u : static_cast<ULONG>(NodeRef::ModeWrite));
      found = dynamic_cast<TypeNode*>(page);
      if (found == nullptr) delete page;
    }
  }
  return keepTypeNode(found, before);
}

TypeNode* OrvaneDB::keepTypeNode(TypeNode* page, ULONG before) {
  typeNode_ = page;
  typeNodeRefs_ = page != nullptr && refCount() > before ? refCount() - before : 0;
  return typeNode_;
}

void OrvaneDB::releaseOwnReferences() {
  TypeNode* page = typeNode_;
  typeNode_ = nullptr;
  typeNodeRefs_ = 0;
  delete page;  // its reference was the last one: the book goes with it
}

const char* OrvaneDB::defaultNodeTypeName(const char* name) {
  TypeNode* t = tnode();
  if (t == nullptr) return "Undefined";
  if (name != nullptr) t->defaultNodeTypeName(name);
  return t->defaultNodeTypeName();
}

const char* OrvaneDB::defaultLinkTypeName(const char* name) {
  TypeNode* t = tnode();
  if (t == nullptr) return "Undefined";
  if (name != nullptr) t->defaultLinkTypeName(name);
  return t->defaultLinkTypeName();
}

void OrvaneDB::forNodeTypes(TypeNameFn fn, void* context) {
  TypeNode* t = tnode();
  if (t == nullptr || fn == nullptr) return;
  LONG cursor = -1;
  while (XType* type = t->nodeTypes().iterate(cursor)) fn(type->name(), context);
}

void OrvaneDB::forLinkTypes(TypeNameFn fn, void* context, const char* fromType, const char* toType) {
  TypeNode* t = tnode();
  if (t == nullptr || fn == nullptr || fromType == nullptr || toType == nullptr) return;
  const XType* from = t->nodeTypes().find(0, fromType);
  const XType* to = t->nodeTypes().find(0, toType);
  if (from == nullptr || to == nullptr) return;
  LONG cursor = -1;
  while (XType* type = t->linkTypes().iterate(cursor)) {
    const LONG source = type->get(LinkType::Source), destination = type->get(LinkType::Destination);
    if (t->nodeTypes().inheritsFrom(from->id(), source) && t->nodeTypes().inheritsFrom(to->id(), destination)) {
      fn(type->name(), context);
    }
  }
}

Node* OrvaneDB::openHomePage() {
  FirstOfKind first;
  doUntilEntry(takeFirst, &first, HomePageKind);
  ULONG id = first.found;
  bool made = false;
  if (id == ComponentRef::NoUID && !isReadOnly()) {
    const std::string name = "Home Page: " + leafName(bookName().c_str());
    id = createNode(String(name.c_str()), String("Undefined"), 0);
    if (id != ComponentRef::NoUID && setKind(id, NewHomePageKind) != 0) id = ComponentRef::NoUID;
    made = id != ComponentRef::NoUID;
  }
  if (id == ComponentRef::NoUID) {
    error(nullptr, 'I', "No home page exists for book %s", bookName().c_str());
    return nullptr;
  }
  (void)made;
  NodeRef ref(this, id);
  manager_.loadNode(nullptr, ref, 6, 0, nullptr, true);
  // The page shown is the main window's; the reference names it.
  auto* m = dynamic_cast<OrvaneNexil*>(&manager_);
  return m != nullptr ? m->lastLoaded() : nullptr;
}
