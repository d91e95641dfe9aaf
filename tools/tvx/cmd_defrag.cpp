// cmd_defrag.cpp: "tvx defrag BOOK", the defragmenter run from tvx; the same as
// "blkpack BOOK" (tools/tvx/defrag.h).
#include <cstdio>
#include <string>

#include "tools/tvx/commands.h"
#include "tools/tvx/defrag.h"
#include "tools/tvx/tvx_common.h"

namespace {

const char kDefragHelp[] =
    "usage: tvx defrag BOOK\n"
    "\n"
    "Rewrites the book so that every record is one block and no free space is\n"
    "left, keeping every page, link, ID, kind, flag and byte, then checks the\n"
    "result and replaces the book in one step. A book that another program holds\n"
    "open is refused, and so is a book that \"tvx check\" finds problems in.\n"
    "The same as \"blkpack BOOK\".\n"
    "\n"
    "Example: tvx defrag solar.tvx\n";

}  // namespace

int cmdDefrag(int argc, char** argv) {
  CommandLine cl;
  int rc = parseCommandLine(argc, argv, {}, cl);
  if (rc != kExitOk) return rc;
  if (cl.help) {
    std::fputs(kDefragHelp, stdout);
    return kExitOk;
  }
  if ((rc = expectArgs("defrag", cl, 1, 1)) != kExitOk) return rc;
  DefragResult result;
  std::string why;
  if (!Defragmenter::run(cl.args[0], "tvx defrag", &result, &why)) return failure("%s", why.c_str());
  std::printf("%s: %u IDs, %u records, %u -> %u bytes\n", cl.args[0].c_str(), result.ids,
              result.records, result.oldSize, result.newSize);
  return kExitOk;
}
