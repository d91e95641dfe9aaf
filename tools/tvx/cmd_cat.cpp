// cmd_cat.cpp: "tvx cat BOOK PAGE" writes a page's body, its map text, to
// standard output byte for byte. A page without a body writes nothing.
#include <cstdio>
#include <string>

#include "tools/tvx/commands.h"
#include "tools/tvx/tvx_common.h"

namespace {

const char kHelp[] =
    "usage: tvx cat BOOK PAGE\n"
    "\n"
    "Writes the body of PAGE (its map text) to standard output, byte for byte.\n"
    "PAGE is a page ID (decimal) or a page name.\n"
    "\n"
    "Example:\n"
    "  tvx cat plants.tvx \"Leaves\" > leaves.map\n";

}  // namespace

int cmdCat(int argc, char** argv) {
  CommandLine cl;
  int rc = parseCommandLine(argc, argv, {}, cl);
  if (rc != kExitOk) return rc;
  if (cl.help) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if ((rc = expectArgs("cat", cl, 2, 2)) != kExitOk) return rc;
  BookSession book;
  if ((rc = book.openForReading(cl.args[0])) != kExitOk) return rc;
  const ULONG id = findPageOrReport(book, cl.args[1]);
  if (id == kNoEntry) return kExitFailure;
  std::string body;
  if (!readFacet(book.db(), id, DB::Body, &body)) {
    return failure("the body of page '%s' cannot be read: %s is damaged", cl.args[1].c_str(),
                   cl.args[0].c_str());
  }
  if (std::fwrite(body.data(), 1, body.size(), stdout) != body.size() || std::fflush(stdout) != 0) {
    return failure("cannot write to standard output");
  }
  return kExitOk;
}
