// cmd_cat.cpp: "tvx cat BOOK PAGE" writes a page's body, its map text, to
// standard output byte for byte. A page without a body writes nothing.
#include <cstdio>
#include <string>

#include "tools/tvx/commands.h"

namespace {

int cmdCat(const CommandLine& cl) {
  int rc = expectArgs("cat", cl, 2, 2);
  if (rc != kExitOk) return rc;
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

}  // namespace

const Command catCommand = {
    "cat",
    "write a page's body (map text) to standard output",
    "tvx cat BOOK PAGE",
    "Writes the body of PAGE (its map text) to standard output, byte for byte;\n"
    "a page without a body writes nothing. PAGE is a page ID (decimal) or a page\n"
    "name.\n",
    {},
    "tvx cat plants.tvx \"Leaves\" > leaves.map",
    cmdCat,
};
