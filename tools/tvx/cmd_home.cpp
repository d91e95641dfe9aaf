// cmd_home.cpp: "tvx home BOOK [PAGE]" shows or sets a book's home page, the
// page the browser shows first: the first entry whose kind word has both the
// page bit (1) and the home bit (8). Setting it gives the new page the home
// bit and takes it from every other page, so that exactly one remains.
#include <cstdio>
#include <string>

#include "tools/tvx/commands.h"

namespace {

int cmdHome(const CommandLine& cl) {
  int rc = expectArgs("home", cl, 1, 2);
  if (rc != kExitOk) return rc;
  BookSession book;
  if (cl.args.size() == 1) {
    if ((rc = book.openForReading(cl.args[0])) != kExitOk) return rc;
    const ULONG home = findHomePage(book.db());
    if (home == kNoEntry) return failure("%s has no home page", cl.args[0].c_str());
    String name("");
    book.db().lookupName_Type_Flags(home, &name, nullptr, nullptr);
    std::printf("%lu %s\n", static_cast<unsigned long>(home), name.c_str());
    return kExitOk;
  }

  if ((rc = book.openForWriting(cl.args[0], cl.has("force"))) != kExitOk) return rc;
  DB& db = book.db();
  const ULONG id = findPageOrReport(book, cl.args[1]);
  if (id == kNoEntry) return kExitFailure;
  if ((rc = book.checkEntries({id})) != kExitOk) return rc;
  const ULONG kind = db.kind(id);
  if ((kind & kKindPage) == 0) return failure("'%s' is not a page that can be a home page", cl.args[1].c_str());
  // Bounded by the entries of the ID table.
  for (const EntryInfo& e : allEntries(db)) {
    if (e.id != id && (e.kind & (kKindPage | kKindHome)) == (kKindPage | kKindHome) && db.setKind(e.id, e.kind & ~kKindHome) != 0) {
      return failure("cannot change the kind of entry %lu", static_cast<unsigned long>(e.id));
    }
  }
  if (db.setKind(id, kind | kKindPage | kKindHome) != 0) {
    return failure("cannot make '%s' the home page", cl.args[1].c_str());
  }
  return book.commit();
}

}  // namespace

const Command homeCommand = {
    "home",
    "show or set the book's home page",
    "tvx home BOOK          show the home page (ID and name)\n"
    "tvx home BOOK PAGE     make PAGE the home page",
    "The home page is the page shown when the book is opened. A book without one\n"
    "gives exit status 1. PAGE is a page ID (decimal) or a page name. Setting it\n"
    "in a damaged book is refused with the first problems \"tvx check\" finds,\n"
    "unless --force is given.\n",
    {kForceOption},
    "tvx home plants.tvx \"Plants\"",
    cmdHome,
};
