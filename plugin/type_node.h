// The type page of a book in memory: the book's node types and link types,
// read from the body of the book's page of kind 4 (a map text holding a types
// block) and written back the same way. It has no window and is never shown;
// idea symbols and links consult it for their colours and shapes.
//
// A type page body, as read and written:
//
//   "#CM&^#" 161 CR LF
//   "(B" "(a" "orvane" "," v1 "," 1 ")" "," {header annotations}
//        "," "(T" 162 "," count8 "," {node type | link type} ")" ")"
//
// (see maptext/map_read.h for the records; plugin/node_type.h and
// plugin/link_type.h for what each field of a type record becomes). Records of
// any other kind are read past and not kept.
//
// Construction: both repositories start with their "Undefined" root (id 0);
// the body's type records are added one by one (TypeRep::add: a record whose
// id or name is already there is refused with its code and the reading goes
// on; one with id 0, or a new id named "Undefined", sets the root's
// attributes); a parse failure is reported ('E' "parse->readFile(): <text>")
// and keeps what was read before it; then consistencyCheck repairs what the
// body left inconsistent.
//
// Header annotations (names, authors, comments, extension blocks) are kept
// as map text and written back with the page. When the body fails inside its
// file header, the annotation being read is cut short, and writing it back
// would make a page that no longer reads (and so loses every type): the
// header annotations of such a body are dropped instead; the major author and
// the page name, read as whole values, are kept.
//
// consistencyCheck: the repositories' own checks (missing parents, cycles),
// then for each link type whose effective source (attribute 2) or destination
// (attribute 3) names no node type: the attribute is set to 0 and the repair
// reported as a note ('z'). Both ends are reported with the same text,
//   "typedb consistency: source of <link type> not found -- set to Undefined"
// word for word as the book system reports them.
//
// Default type names: each at most MaxDefaultName (255) characters; a longer
// name is cut there.
//
// The book: when the page's book is a TypePageBook (the plug-in's book
// database), setModified marks the book modified too, and destruction makes
// the book forget its cached type page when it is this one.
#ifndef PLUGIN_TYPE_NODE_H
#define PLUGIN_TYPE_NODE_H

#include <cstddef>
#include <iosfwd>

#include "core/node.h"
#include "maptext/km_translator.h"
#include "plugin/link_type_rep.h"
#include "plugin/node_type_rep.h"

class Nexil;
class NodeRef;
class TypePageBook;

class TypeNode : public Node, public KMTranslator {
 public:
  // The application tag of a type page's map text.
  static constexpr const char* AppTag = "orvane";
  static constexpr std::size_t MaxDefaultName = 255;

  // Builds the type page named by `ref` from `body` (not owned; null or at its
  // end: the page holds only the two roots), through the construction steps
  // above.
  TypeNode(const NodeRef& ref, std::iostream* body, Nexil& app);
  ~TypeNode() override;

  // ---- Record callbacks: type records are kept, every other record is not ----
  // Notes whether the file header was read whole (see the header annotations
  // above); keeps nothing.
  int CMFileHeader(KM_FileHeader&) override;
  int CMCM(KM_CM&) override { return -1; }
  int CMNode(KM_Node&) override { return -1; }
  int CMLink(KM_Link&) override { return -1; }
  int CMAnnotation(KM_Annotation&) override { return -1; }
  int CMAttr(char*, char*) override { return -1; }
  // Builds a type from the record and adds it; TypeRep::add's result code.
  int CMNodeType(KM_NodeType& record) override;
  int CMLinkType(KM_LinkType& record) override;

  // The repairs described above; returns their number.
  int consistencyCheck();
  // Marks the book modified too when `flag` is nonzero and the book is a
  // TypePageBook; then records the flag on the page.
  void setModified(int flag) override;
  // A type page is never read again in place: nothing is done, 0.
  int reload() { return 0; }

  // Writes the whole type page to `out`: the file header as it was read (or
  // this application's), then every node type and every link type in id
  // order. Returns the writer's status (negative on failure).
  LONG writeTo(std::ostream& out);

  NodeTypeRep& nodeTypes() { return nodeTypes_; }
  LinkTypeRep& linkTypes() { return linkTypes_; }
  const NodeTypeRep& nodeTypes() const { return nodeTypes_; }
  const LinkTypeRep& linkTypes() const { return linkTypes_; }

  const char* defaultNodeTypeName() const { return defaultNodeTypeName_; }
  const char* defaultLinkTypeName() const { return defaultLinkTypeName_; }
  // Copies `name` (cut at MaxDefaultName characters); null changes nothing.
  void defaultNodeTypeName(const char* name);
  void defaultLinkTypeName(const char* name);

 private:
  // The page's book as a TypePageBook, or null.
  TypePageBook* book() const;

  NodeTypeRep nodeTypes_;
  LinkTypeRep linkTypes_;
  // The file header's annotations were read whole.
  bool headerWhole_ = false;
  char defaultNodeTypeName_[MaxDefaultName + 1];
  char defaultLinkTypeName_[MaxDefaultName + 1];
};

#endif  // PLUGIN_TYPE_NODE_H
