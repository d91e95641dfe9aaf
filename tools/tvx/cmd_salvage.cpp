// cmd_salvage.cpp: "tvx salvage BOOK NEW", the salvage run from tvx; the same
// as "blkpack --salvage BOOK NEW" (tools/blkpack/salvager.h). What was found
// where is printed one line each, then the summary line.
#include <cstdio>
#include <string>

#include "tools/blkpack/salvager.h"
#include "tools/tvx/commands.h"

namespace {

int cmdSalvage(const CommandLine& cl) {
  int rc = expectArgs("salvage", cl, 2, 2);
  if (rc != kExitOk) return rc;
  SalvageResult result;
  std::string why;
  if (!Salvager::run(cl.args[0], cl.args[1], &result, &why)) return failure("%s", why.c_str());
  for (const std::string& line : result.lines) std::printf("%s\n", line.c_str());
  std::printf("%s: %s, from %s\n", cl.args[1].c_str(), result.summary().c_str(), cl.args[0].c_str());
  return kExitOk;
}

}  // namespace

const Command salvageCommand = {
    "salvage",
    "copy what a damaged book holds into a new book",
    "tvx salvage BOOK NEW",
    "Reads the damaged book BOOK (it is not changed) and writes the new book NEW\n"
    "holding every page, link and attribute that can still be read: IDs are found\n"
    "through the ID table where it is sound and by a walk over the blocks where it\n"
    "is not, and keep their numbers, kinds and bytes. Every record that cannot be\n"
    "read (no ID names it, or its blocks are cut apart), and any bytes that are no\n"
    "block, is kept byte for byte in a page of its own named \"lost+found N\", with\n"
    "attributes saying where it was found and what it seems to hold; a page body\n"
    "is that page's body, anything else its facet 4. Each line says what was\n"
    "found where. NEW must not exist yet. The same as \"blkpack --salvage\".\n",
    {},
    "tvx salvage damaged.tvx rescued.tvx",
    cmdSalvage,
};
