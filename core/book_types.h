// The content types a book offers its new pages, as the page dialogs list them.
// A book that keeps a style sheet of idea types (the plug-in's book database)
// derives from BookTypes and names them in the style sheet's order, with its
// default type. A book that does not (a plain DB, as the tools open) offers the
// distinct types its pages already have, in store order, and no default.
#ifndef CORE_BOOK_TYPES_H
#define CORE_BOOK_TYPES_H

#include <vector>

#include "kit/string.h"

class DB;

class BookTypes {
 public:
  typedef void (*TypeNameFn)(const char* name, void* context);
  virtual ~BookTypes();
  // The default node-type name; a non-null `name` replaces it first.
  virtual const char* defaultNodeTypeName(const char* name) = 0;
  // Calls `fn` with each node type's name in the book's order.
  virtual void forNodeTypes(TypeNameFn fn, void* context) = 0;
};

// The node-type names `db` offers (see above); each name once.
std::vector<String> nodeTypeNames(DB& db);
// The type a new page of `db` starts with: the book's default, or "" for a book
// without a style sheet.
String defaultNodeType(DB& db);

#endif  // CORE_BOOK_TYPES_H
