// cmd_types.cpp: "tvx types BOOK" lists a book's node types and link types
// from its type page, as trees (each type indented below its parent), with
// each attribute's own value or, where the type leaves it unset, the value it
// inherits. The type page is read exactly as the plug-in reads it (TypeNode),
// so the repairs it would make to a damaged page (a missing parent, a cycle, a
// link end naming no node type) are reported after the listing; nothing is
// written: the book is opened read-only and the listing shows the types as
// the repairs leave them.
//
// The type page is the first entry, in store order, whose kind has bit 4 and
// whose body names a record (as the book manager finds it).
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/node_ref.h"
#include "kit/error.h"
#include "plugin/type_node.h"
#include "tools/tvx/commands.h"

namespace {

// Indentation stops growing here, so that a page whose types form one long
// chain still lists in lines of bounded width; deeper types carry their depth.
const std::size_t kMaxIndent = 40;

// What reading the type page reported: the repairs (notes) and any error.
class TypePageReports : public ErrorHandler {
 public:
  TypePageReports() : previous_(ErrorHandler::applicationHandler()) {
    ErrorHandler::setApplicationHandler(this);
  }
  ~TypePageReports() override { ErrorHandler::setApplicationHandler(previous_); }
  TypePageReports(const TypePageReports&) = delete;
  TypePageReports& operator=(const TypePageReports&) = delete;

  int handleError(char kind, const char* text) override {
    std::string line = text != nullptr ? text : "";
    if (line.size() >= 3 && line[1] == ':' && line[2] == ' ') line.erase(0, 3);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (kind == 'z' || kind == 'Z') {
      repairs.push_back(line);
    } else if (kind == 'E' || kind == '%' || kind == 'W' || kind == '7' || kind == 'F' ||
               kind == '&') {
      errors.push_back(line);
    }
    return 0;
  }

  std::vector<std::string> repairs;
  std::vector<std::string> errors;

 private:
  ErrorHandler* previous_;
};

// The type page entry, or kNoEntry.
ULONG findTypePage(DB& db) {
  for (const EntryInfo& e : allEntries(db)) {
    if (!isLinkKind(e.kind) && (e.kind & kKindTypePage) != 0 && facetNamesRecord(db, e.id, 1))
      return e.id;
  }
  return kNoEntry;
}

// A COLORREF (0x00BBGGRR) as "#RRGGBB"; a value that is no colour as hex.
std::string colour(LONG value) {
  char text[16];
  const ULONG v = static_cast<ULONG>(value);
  if (v > 0xFFFFFFu) {
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(v));
  } else {
    std::snprintf(text, sizeof text, "#%02lX%02lX%02lX", static_cast<unsigned long>(v & 0xFF),
                  static_cast<unsigned long>((v >> 8) & 0xFF),
                  static_cast<unsigned long>((v >> 16) & 0xFF));
  }
  return text;
}

enum class Show { Colour, Number, NodeTypeName };

struct AttrSpec {
  int index;
  const char* word;  // in the listing
  const char* key;   // in JSON
  Show show;
};

const AttrSpec kNodeAttrs[] = {
    {NodeType::TextColor, "text", "textColor", Show::Colour},
    {NodeType::LineColor, "line", "lineColor", Show::Colour},
    {NodeType::FillColor, "fill", "fillColor", Show::Colour},
    {NodeType::Shape, "shape", "shape", Show::Number},
    {NodeType::ShapeValue, "shape value", "shapeValue", Show::Number},
};
const AttrSpec kLinkAttrs[] = {
    {LinkType::TextColor, "text", "textColor", Show::Colour},
    {LinkType::LineColor, "line", "lineColor", Show::Colour},
    {LinkType::Source, "source", "source", Show::NodeTypeName},
    {LinkType::Destination, "destination", "destination", Show::NodeTypeName},
};

// One type in tree order.
struct Row {
  const XType* type;
  std::size_t depth;
};

// The types of `rep` in tree order: the root, then each type below the type
// its parent names (a parent that names none counts as the root). The walk
// keeps its own stack and visits each type once, so any parent links list in
// bounded time and stack.
std::vector<Row> treeOrder(const TypeRep& rep) {
  std::map<LONG, std::vector<const XType*>> children;
  std::vector<const XType*> all;
  LONG cursor = -1;
  for (const XType* t = rep.iterate(cursor); t != nullptr; t = rep.iterate(cursor)) {
    all.push_back(t);
    if (t->id() == 0) continue;
    const XType* parent = rep.find(t->parent());
    children[parent != nullptr ? parent->id() : 0].push_back(t);
  }
  std::vector<Row> rows;
  std::map<LONG, bool> listed;
  std::vector<Row> stack;
  const XType* root = rep.find(0);
  if (root != nullptr) stack.push_back({root, 0});
  // Types no walk from the root reaches (only a loop could leave one) follow,
  // each as a child of the root.
  std::size_t next = 0;
  for (;;) {
    if (stack.empty()) {
      while (next < all.size() && listed[all[next]->id()]) ++next;
      if (next == all.size()) break;
      stack.push_back({all[next], 1});
    }
    const Row row = stack.back();
    stack.pop_back();
    if (listed[row.type->id()]) continue;
    listed[row.type->id()] = true;
    rows.push_back(row);
    auto kids = children.find(row.type->id());
    if (kids == children.end()) continue;
    for (auto it = kids->second.rbegin(); it != kids->second.rend(); ++it) {
      if (!listed[(*it)->id()]) stack.push_back({*it, row.depth + 1});
    }
  }
  return rows;
}

std::string typeName(const TypeRep& nodes, LONG id) {
  const XType* t = nodes.find(id);
  return t != nullptr ? t->name() : "?";
}

std::string shown(const AttrSpec& a, LONG value, const TypeRep& nodes) {
  switch (a.show) {
    case Show::Colour:
      return colour(value);
    case Show::NodeTypeName:
      return typeName(nodes, value) + " (" + std::to_string(value) + ")";
    case Show::Number:
    default:
      return std::to_string(value);
  }
}

void printTree(const char* title, const TypeRep& rep, const AttrSpec* attrs, std::size_t n,
               const TypeRep& nodes) {
  std::printf("%s:\n", title);
  for (const Row& row : treeOrder(rep)) {
    const XType& t = *row.type;
    const std::size_t indent = 2 + 2 * (row.depth < kMaxIndent ? row.depth : kMaxIndent);
    std::string line(indent, ' ');
    if (row.depth > kMaxIndent) line += "(depth " + std::to_string(row.depth) + ") ";
    line += std::string(t.name()) + " (" + std::to_string(t.id()) + "):";
    for (std::size_t i = 0; i < n; ++i) {
      const AttrSpec& a = attrs[i];
      const bool own = t.peek(a.index) != XType::Unset;
      const std::string value = shown(a, t.get(a.index), nodes);
      line += std::string(i == 0 ? " " : ", ") + a.word + " " +
              (own ? value : "(inherited: " + value + ")");
    }
    std::printf("%s\n", line.c_str());
  }
}

std::string jsonTree(const TypeRep& rep, const AttrSpec* attrs, std::size_t n,
                     const TypeRep& nodes) {
  std::string out = "[";
  bool first = true;
  for (const Row& row : treeOrder(rep)) {
    const XType& t = *row.type;
    out += first ? "" : ",";
    first = false;
    out += "{\"id\":" + std::to_string(t.id()) + ",\"name\":" + jsonString(t.name()) +
           ",\"parent\":" + std::to_string(t.parent()) + ",\"depth\":" +
           std::to_string(row.depth) + ",\"attributes\":{";
    for (std::size_t i = 0; i < n; ++i) {
      const AttrSpec& a = attrs[i];
      const LONG value = t.get(a.index);
      std::string v;
      if (a.show == Show::Colour) v = jsonString(colour(value));
      else v = std::to_string(value);
      out += std::string(i == 0 ? "" : ",") + "\"" + a.key + "\":{\"value\":" + v;
      if (a.show == Show::NodeTypeName) out += ",\"name\":" + jsonString(typeName(nodes, value));
      out += std::string(",\"inherited\":") + (t.peek(a.index) == XType::Unset ? "true" : "false") +
             "}";
    }
    out += "}}";
  }
  return out + "]";
}

std::string jsonList(const std::vector<std::string>& lines) {
  std::string out = "[";
  for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? "," : "") + jsonString(lines[i]);
  return out + "]";
}

int cmdTypes(const CommandLine& cl) {
  int rc = expectArgs("types", cl, 1, 1);
  if (rc != kExitOk) return rc;
  const std::string& path = cl.args[0];
  BookSession book;
  if ((rc = book.openForReading(path)) != kExitOk) return rc;
  DB& db = book.db();

  const ULONG id = findTypePage(db);
  if (id == kNoEntry) return failure("%s: the book has no type page", path.c_str());
  std::string body;
  if (!readFacet(db, id, DB::Body, &body)) {
    return failure("%s: the type page's body (entry %lu) cannot be read", path.c_str(),
                   static_cast<unsigned long>(id));
  }

  std::stringstream in(body);
  TypePageReports reports;
  std::unique_ptr<TypeNode> page(new TypeNode(NodeRef(&db, id), &in, book.app()));
  const TypeRep& nodes = page->nodeTypes();
  const TypeRep& links = page->linkTypes();
  const std::size_t nodeAttrs = sizeof kNodeAttrs / sizeof kNodeAttrs[0];
  const std::size_t linkAttrs = sizeof kLinkAttrs / sizeof kLinkAttrs[0];

  if (cl.has("json")) {
    std::printf("{\"book\":%s,\"typePage\":%lu,\"nodeTypes\":%s,\"linkTypes\":%s,"
                "\"repairs\":%s,\"errors\":%s}\n",
                jsonString(path).c_str(), static_cast<unsigned long>(id),
                jsonTree(nodes, kNodeAttrs, nodeAttrs, nodes).c_str(),
                jsonTree(links, kLinkAttrs, linkAttrs, nodes).c_str(),
                jsonList(reports.repairs).c_str(), jsonList(reports.errors).c_str());
  } else {
    printTree("Node types", nodes, kNodeAttrs, nodeAttrs, nodes);
    printTree("Link types", links, kLinkAttrs, linkAttrs, nodes);
    if (reports.repairs.empty()) {
      std::printf("No repair needed.\n");
    } else {
      std::printf("Repairs the type page needs (%s, not written):\n",
                  counted(reports.repairs.size(), "repair", "repairs").c_str());
      for (const std::string& r : reports.repairs) std::printf("  %s\n", r.c_str());
    }
  }
  std::fflush(stdout);
  for (const std::string& e : reports.errors) failure("%s: type page: %s", path.c_str(), e.c_str());
  return reports.repairs.empty() && reports.errors.empty() ? kExitOk : kExitFailure;
}

}  // namespace

const Command typesCommand = {
    "types",
    "list the node and link types of the book's type page",
    "tvx types [--json] BOOK",
    "Lists the node types and the link types of the book's type page as trees,\n"
    "each type indented below its parent, with its id and its attributes: text,\n"
    "line and fill colours (as #RRGGBB), shape and shape value for node types;\n"
    "text and line colours and the source and destination node types for link\n"
    "types. An attribute the type leaves unset shows the value it inherits, as\n"
    "\"(inherited: VALUE)\".\n"
    "\n"
    "The type page is read as the plug-in reads it: the repairs a damaged page\n"
    "needs (a parent that names no type, a cycle of parents, a link end that\n"
    "names no node type) are listed after the types, which are shown as the\n"
    "repairs leave them. Nothing is written: the book is opened read-only.\n"
    "Repairs, or a type page that does not read whole, give exit status 1.\n",
    {{"json", nullptr, "one JSON object: the types in tree order, the repairs and errors"}},
    "tvx types solar-system.tvx\n"
    "tvx types --json solar-system.tvx\n",
    cmdTypes,
};
