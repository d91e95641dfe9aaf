// The content types a book offers its new pages (see book_types.h).
#include "core/book_types.h"

#include <algorithm>

#include "core/db.h"

BookTypes::~BookTypes() = default;

namespace {

// Each page-type list stays within what a list control is meant to show; a
// damaged book with many distinct types gives its first ones.
const std::size_t kMaxTypes = 4096;

void addOnce(std::vector<String>& names, const char* name) {
  if (name == nullptr || names.size() >= kMaxTypes) return;
  const String n(name);
  if (std::find(names.begin(), names.end(), n) == names.end()) names.push_back(n);
}

void collectName(const char* name, void* context) {
  addOnce(*static_cast<std::vector<String>*>(context), name);
}

int collectPageType(ULONG, const String&, const String& type, ULONG, void* data) {
  if (type.length() != 0) addOnce(*static_cast<std::vector<String>*>(data), type.c_str());
  return 0;
}

}  // namespace

std::vector<String> nodeTypeNames(DB& db) {
  std::vector<String> names;
  if (BookTypes* types = dynamic_cast<BookTypes*>(&db)) {
    types->forNodeTypes(collectName, &names);
  } else {
    db.doUntilNode(collectPageType, &names);
  }
  return names;
}

String defaultNodeType(DB& db) {
  if (BookTypes* types = dynamic_cast<BookTypes*>(&db)) {
    const char* name = types->defaultNodeTypeName(nullptr);
    return String(name != nullptr ? name : "");
  }
  return String("");
}
