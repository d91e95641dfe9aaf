// The page window's type page: found in the page's book, read once and kept,
// and the looks of symbols and links taken from it (see view_node.h).
#include <sstream>

#include "core/db.h"
#include "core/node_ref.h"
#include "graphics/view_node.h"
#include "plugin/type_node.h"
#include "plugin/type_page_book.h"

namespace {

constexpr ULONG kTypePageKind = 0x4;

struct Search {
  DB* db;
  ULONG found = ComponentRef::NoUID;
};

int firstTypePage(ULONG id, const String&, const String&, ULONG, void* data) {
  auto* s = static_cast<Search*>(data);
  const ULONG kind = s->db->kind(id);
  if ((kind & kTypePageKind) == 0 || (kind & (DB::KindNode | DB::KindLink)) == DB::KindLink) return 0;
  s->found = id;
  return 1;
}

// The effective attributes of the type named `name` in `rep`, else of the
// repository's root.
void looksOf(const TypeRep* rep, const XType& root, const char* name, LONG* attrs, int count) {
  const XType* t = nullptr;
  if (rep != nullptr) {
    if (name != nullptr && *name != '\0') t = rep->find(-1, name);
    if (t == nullptr) t = rep->find(0);
  }
  if (t == nullptr) t = &root;
  for (int i = 0; i < count; ++i) attrs[i] = t->get(i);
}

std::string nameOf(const TypeRep* rep, LONG id) {
  const XType* t = rep != nullptr ? rep->find(id) : nullptr;
  if (t == nullptr && rep != nullptr) t = rep->find(0);
  return t != nullptr ? t->name() : "Undefined";
}

}  // namespace

TypeNode* ViewNode::typeNode() {
  if (types_ != nullptr) return types_;
  DB* book = db();
  if (book == nullptr) return nullptr;
  if (auto* cached = dynamic_cast<TypePageBook*>(book)) {
    if (TypeNode* t = cached->cachedTypeNode()) return t;
    if (cached->lacksTypePage()) return nullptr;
  }
  if (typesTried_) return nullptr;
  typesTried_ = true;
  Search s{book};
  book->doUntilEntry(firstTypePage, &s, kTypePageKind);
  if (s.found == ComponentRef::NoUID) return nullptr;
  // The kept page keeps a pointer to the text it was read from.
  typeBody_ = std::make_unique<std::stringstream>();
  if (std::unique_ptr<std::iostream> in = book->getNodeStream(s.found, 0)) *typeBody_ << in->rdbuf();
  typeBody_->clear();
  typeBody_->seekg(0);
  ownTypes_ = std::make_unique<TypeNode>(NodeRef(book, s.found), typeBody_.get(), app_);
  types_ = ownTypes_.get();
  return types_;
}

void ViewNode::nodeTypeLooks(const char* type, LONG attrs[5]) {
  TypeNode* t = typeNode();
  looksOf(t != nullptr ? &t->nodeTypes() : nullptr, NodeType::Undefined(), type, attrs, 5);
}

void ViewNode::linkTypeLooks(const char* type, LONG attrs[4]) {
  TypeNode* t = typeNode();
  looksOf(t != nullptr ? &t->linkTypes() : nullptr, LinkType::Undefined(), type, attrs, 4);
}

std::string ViewNode::nodeTypeName(LONG id) {
  TypeNode* t = typeNode();
  return nameOf(t != nullptr ? &t->nodeTypes() : nullptr, id);
}

std::string ViewNode::linkTypeName(LONG id) {
  TypeNode* t = typeNode();
  return nameOf(t != nullptr ? &t->linkTypes() : nullptr, id);
}
