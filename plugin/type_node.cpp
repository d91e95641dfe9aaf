// TypeNode: the type page read from its body, its repairs, its default names
// and its writing.
#include "plugin/type_node.h"

#include <cstring>
#include <istream>
#include <ostream>
#include <string>

#include "core/db.h"
#include "core/node_ref.h"
#include "kit/error.h"
#include "kit/string.h"
#include "maptext/km_esrap.h"
#include "plugin/type_page_book.h"

namespace {

const char kRootName[] = "Undefined";
// The parse failure's text in the message: at most this many characters.
const int kParseErrorText = 100;

void copyName(char* into, const char* name) {
  std::size_t n = std::strlen(name);
  if (n > TypeNode::MaxDefaultName) n = TypeNode::MaxDefaultName;
  std::memcpy(into, name, n);
  into[n] = '\0';
}

}  // namespace

TypePageBook::~TypePageBook() = default;

TypeNode::TypeNode(const NodeRef& ref, std::iostream* body, Nexil& app)
    : KMFileInfo(AppTag), Node(nullptr, ref, String(""), app), KMTranslator(AppTag, body) {
  copyName(defaultNodeTypeName_, kRootName);
  copyName(defaultLinkTypeName_, kRootName);

  std::unique_ptr<XType> nodeRoot = NodeType::Undefined().clone(kRootName);
  nodeTypes_.add(nodeRoot);
  std::unique_ptr<XType> linkRoot = LinkType::Undefined().clone(kRootName);
  linkTypes_.add(linkRoot);

  if (body != nullptr && body->good() &&
      body->peek() != std::char_traits<char>::eof()) {
    readFile();
    if (MapRead::getStatus() < 0) {
      char text[kParseErrorText + 1];
      errorText(text, sizeof text);
      error(nullptr, 'E', "parse->readFile(): %s\n", text);
      if (!headerWhole_) {
        names.reset();
        authors.reset();
        comments.reset();
        extensions.reset();
      }
    }
  }
  // A body read to its end leaves the stream's end-of-file state behind; the
  // page's stream is still the book's, to be written again.
  if (body != nullptr) body->clear();
  consistencyCheck();
}

TypeNode::~TypeNode() {
  TypePageBook* b = book();
  if (b != nullptr && b->cachedTypeNode() == this) b->dropTypeNode();
}

int TypeNode::CMFileHeader(KM_FileHeader&) {
  headerWhole_ = MapRead::getStatus() >= 0;
  return -1;
}

int TypeNode::CMNodeType(KM_NodeType& record) {
  std::unique_ptr<XType> t(new NodeType(record));
  return nodeTypes_.add(t);
}

int TypeNode::CMLinkType(KM_LinkType& record) {
  std::unique_ptr<XType> t(new LinkType(record));
  return linkTypes_.add(t);
}

int TypeNode::consistencyCheck() {
  int repairs = nodeTypes_.consistencyCheck() + linkTypes_.consistencyCheck();
  LONG cursor = -1;
  for (XType* t = linkTypes_.iterate(cursor); t != nullptr; t = linkTypes_.iterate(cursor)) {
    if (nodeTypes_.find(t->get(LinkType::Source)) == nullptr) {
      t->set(LinkType::Source, 0);
      error(nullptr, 'z', "typedb consistency: source of %s not found -- set to Undefined",
            t->name());
      ++repairs;
    }
    if (nodeTypes_.find(t->get(LinkType::Destination)) == nullptr) {
      t->set(LinkType::Destination, 0);
      // The destination's repair is reported with the source's text.
      error(nullptr, 'z', "typedb consistency: source of %s not found -- set to Undefined",
            t->name());
      ++repairs;
    }
  }
  return repairs;
}

TypePageBook* TypeNode::book() const { return dynamic_cast<TypePageBook*>(db()); }

void TypeNode::setModified(int flag) {
  if (flag != 0) {
    if (TypePageBook* b = book()) b->setModified(1);
  }
  Node::setModified(flag);
}

LONG TypeNode::writeTo(std::ostream& out) {
  KMEsrap w(&out, AppTag);
  static_cast<KMFileInfo&>(w) = static_cast<const KMFileInfo&>(*this);
  w.setPrettyPrint(1);
  static_cast<KMFileInfo&>(w).saveOn(w);
  w.writeCMTypes();
  nodeTypes_.saveOn(w);
  linkTypes_.saveOn(w);
  w.closeCMTypes();
  w.close();
  return w.getStatus();
}

void TypeNode::defaultNodeTypeName(const char* name) {
  if (name != nullptr) copyName(defaultNodeTypeName_, name);
}

void TypeNode::defaultLinkTypeName(const char* name) {
  if (name != nullptr) copyName(defaultLinkTypeName_, name);
}
