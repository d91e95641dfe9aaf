// cmd_page.cpp: "tvx page add|rm|rename|retype BOOK ..." makes, deletes,
// renames and retypes pages. Every change goes through the core: a new page is
// made by the tool's page window (whose Node makes the entry), a page is
// deleted through its NodeRef, which first tells each link in its link list
// (a two-ended link goes with the page, a longer one loses that end), and
// names and types are changed through the page reference.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/node.h"
#include "core/node_ref.h"
#include "core/node_window.h"
#include "tools/tvx/commands.h"

namespace {

// A name no other page has (`self` may have it).
bool nameIsFree(DB& db, const std::string& name, ULONG self) {
  const ULONG other = db.resolveName(String(name.c_str()));
  return other == kNoEntry || other == self;
}

int pageAdd(BookSession& book, const std::string& name, const std::string& type) {
  DB& db = book.db();
  if (!nameIsFree(db, name, kNoEntry)) return failure("a page named '%s' already exists", name.c_str());
  NodeWindow* w = book.app().makeNodeWindow(&db, type.c_str(), name.c_str());
  Node* node = w != nullptr ? w->node() : nullptr;
  if (node == nullptr || node->isInvalid()) return failure("cannot make page '%s'", name.c_str());
  const ULONG id = node->uid();
  if (book.commit() != kExitOk) return kExitFailure;
  std::printf("%lu\n", static_cast<unsigned long>(id));
  return kExitOk;
}

int pageRm(BookSession& book, ULONG id, const std::string& page) {
  NodeRef ref(&book.db(), id);
  if (ref.deleteNode(book.app()) != 0) return failure("cannot delete page '%s'", page.c_str());
  return book.commit();
}

int pageRename(BookSession& book, ULONG id, const std::string& page, const std::string& name) {
  if (!nameIsFree(book.db(), name, id)) return failure("a page named '%s' already exists", name.c_str());
  NodeRef ref(&book.db(), id);
  const String newName(name.c_str());
  if (ref.rename(&newName, nullptr, nullptr) != 0) return failure("cannot rename page '%s'", page.c_str());
  return book.commit();
}

int pageRetype(BookSession& book, ULONG id, const std::string& page, const std::string& type) {
  NodeRef ref(&book.db(), id);
  const String newType(type.c_str());
  if (ref.rename(nullptr, &newType, nullptr) != 0) return failure("cannot retype page '%s'", page.c_str());
  return book.commit();
}

int cmdPage(const CommandLine& line) {
  CommandLine cl = line;  // the action is taken off its arguments
  int rc = kExitOk;
  if (cl.args.empty()) return usageError("page", "missing action (add, rm, rename or retype)");
  const std::string action = cl.args[0];
  cl.args.erase(cl.args.begin());
  std::size_t wanted = 0;
  if (action == "add") wanted = 2;
  else if (action == "rm") wanted = 2;
  else if (action == "rename" || action == "retype") wanted = 3;
  else return usageError("page", "unknown action \"%s\"", action.c_str());
  if ((rc = expectArgs("page", cl, wanted, wanted)) != kExitOk) return rc;
  if (cl.has("type") && action != "add") return usageError("page", "--type belongs to \"page add\"");
  if ((action == "add" || action == "rename") && cl.args.back().empty()) {
    return usageError("page", "a page name cannot be empty");
  }

  if (action == "add" || action == "rename") {
    if ((rc = checkEntryText("page", "page name", cl.args.back())) != kExitOk) return rc;
  }
  if (action == "retype" && (rc = checkEntryText("page", "type", cl.args.back())) != kExitOk) return rc;
  if ((rc = checkEntryText("page", "type", cl.value("type", ""))) != kExitOk) return rc;

  BookSession book;
  if ((rc = book.openForWriting(cl.args[0], cl.has("force"))) != kExitOk) return rc;
  if (action == "add") return pageAdd(book, cl.args[1], cl.value("type", "Undefined"));
  const ULONG id = findPageOrReport(book, cl.args[1]);
  if (id == kNoEntry) return kExitFailure;
  if ((rc = book.checkEntries({id})) != kExitOk) return rc;
  if (action == "rm") return pageRm(book, id, cl.args[1]);
  if (action == "rename") return pageRename(book, id, cl.args[1], cl.args[2]);
  return pageRetype(book, id, cl.args[1], cl.args[2]);
}

}  // namespace

const Command pageCommand = {
    "page",
    "add, remove, rename or retype a page",
    "tvx page add [--type TYPE] BOOK NAME\n"
    "tvx page rm BOOK PAGE\n"
    "tvx page rename BOOK PAGE NEWNAME\n"
    "tvx page retype BOOK PAGE TYPE",
    "add      makes a new, empty page named NAME (default type \"Undefined\") and\n"
    "         prints its ID; a name already in use is refused\n"
    "rm       deletes PAGE; each of its links is told first: a link between two\n"
    "         pages is deleted with it, a link with more ends loses this one\n"
    "rename   gives PAGE the name NEWNAME (refused when another page has it)\n"
    "retype   gives PAGE the type TYPE\n"
    "\n"
    "PAGE is a page ID (decimal) or a page name. A damaged book is refused with\n"
    "the first problems \"tvx check\" finds, unless --force is given.\n",
    {{"type", "TYPE", "with add: the new page's type (default \"Undefined\")"}, kForceOption},
    "tvx page add --type Topic plants.tvx \"Roots\"\n"
    "tvx page rename plants.tvx Roots \"Root systems\"\n"
    "tvx page rm plants.tvx 12",
    cmdPage,
};
