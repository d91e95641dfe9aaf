// cmd_link.cpp: "tvx link add BOOK FROM TO" and "tvx link rm BOOK LINK" make
// and delete links between pages through the core's Link: a new link is saved
// with its record and registered in the link list of both ends; a deleted
// link leaves the link list of every end it names.
#include <cstdio>
#include <memory>
#include <string>

#include "core/link.h"
#include "core/link_ref.h"
#include "core/node_ref.h"
#include "tools/tvx/commands.h"

namespace {

int linkAdd(BookSession& book, const std::string& fromText, const std::string& toText,
            const std::string& type) {
  DB& db = book.db();
  TvxNexil& app = book.app();
  const ULONG from = findPageOrReport(book, fromText);
  if (from == kNoEntry) return kExitFailure;
  const ULONG to = findPageOrReport(book, toText);
  if (to == kNoEntry) return kExitFailure;
  int rc = book.checkEntries({from, to});
  if (rc != kExitOk) return rc;
  const NodeRef first(&db, from);
  const NodeRef second(&db, to);
  Link link(&db, String(type.c_str()), first, second, app);
  if (link.isInvalid() || link.linkRef() == nullptr) return failure("cannot make the link");
  if (link.status() != Link::Good) {
    return failure("cannot link '%s' to '%s': an end does not resolve", fromText.c_str(), toText.c_str());
  }
  if (link.save(app, 1) != 0) return failure("cannot save the link");
  const ULONG id = link.linkRef()->uid();
  if (book.commit() != kExitOk) return kExitFailure;
  std::printf("%lu\n", static_cast<unsigned long>(id));
  return kExitOk;
}

int linkRm(BookSession& book, const std::string& linkText) {
  DB& db = book.db();
  ULONG id = 0;
  if (!parseULong(linkText, &id) || db.kind(id) == 0 || !isLinkKind(db.kind(id))) {
    return failure("no link '%s' in %s", linkText.c_str(), book.path().c_str());
  }
  if (book.checkEntries({id}) != kExitOk) return kExitFailure;
  LinkRef ref(&db, id);
  std::unique_ptr<Link> link(ref.getLink(book.app(), NodeRef::ModeWrite));
  int rc = 0;
  if (link) {
    rc = link->destroy(book.app());
  } else {
    // A link without a record names no pages: only its entry is left to go.
    rc = ref.deleteLink(book.app());
  }
  if (rc != 0) return failure("cannot delete link %s", linkText.c_str());
  return book.commit();
}

int cmdLink(const CommandLine& line) {
  CommandLine cl = line;  // the action is taken off its arguments
  int rc = kExitOk;
  if (cl.args.empty()) return usageError("link", "missing action (add or rm)");
  const std::string action = cl.args[0];
  cl.args.erase(cl.args.begin());
  if (action == "add") {
    if ((rc = expectArgs("link", cl, 3, 3)) != kExitOk) return rc;
  } else if (action == "rm") {
    if ((rc = expectArgs("link", cl, 2, 2)) != kExitOk) return rc;
    if (cl.has("type")) return usageError("link", "--type belongs to \"link add\"");
  } else {
    return usageError("link", "unknown action \"%s\"", action.c_str());
  }
  if ((rc = checkEntryText("link", "type", cl.value("type", ""))) != kExitOk) return rc;
  BookSession book;
  if ((rc = book.openForWriting(cl.args[0], cl.has("force"))) != kExitOk) return rc;
  if (action == "add") return linkAdd(book, cl.args[1], cl.args[2], cl.value("type", "Undefined"));
  return linkRm(book, cl.args[1]);
}

}  // namespace

const Command linkCommand = {
    "link",
    "add or remove a link between pages",
    "tvx link add [--type TYPE] BOOK FROM TO\n"
    "tvx link rm BOOK LINK",
    "add   makes a link of type TYPE (default \"Undefined\") from page FROM to\n"
    "      page TO, lists it with both pages, and prints its ID\n"
    "rm    deletes the link with ID LINK and takes it off its pages' lists\n"
    "\n"
    "FROM and TO are page IDs (decimal) or page names. A damaged book is refused\n"
    "with the first problems \"tvx check\" finds, unless --force is given.\n",
    {{"type", "TYPE", "with add: the link's type (default \"Undefined\")"}, kForceOption},
    "tvx link add --type \"part of\" plants.tvx Leaves Plant\n"
    "tvx link rm plants.tvx 17",
    cmdLink,
};
