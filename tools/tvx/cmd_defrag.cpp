// cmd_defrag.cpp: "tvx defrag BOOK", the defragmenter run from tvx; the same as
// "blkpack BOOK" (tools/blkpack/defragmenter.h).
#include <cstdio>
#include <string>

#include "tools/blkpack/defragmenter.h"
#include "tools/tvx/commands.h"

namespace {

int cmdDefrag(const CommandLine& cl) {
  int rc = expectArgs("defrag", cl, 1, 1);
  if (rc != kExitOk) return rc;
  DefragResult result;
  std::string why;
  if (!Defragmenter::run(cl.args[0], "tvx defrag", &result, &why)) {
    for (const std::string& p : result.problems) std::printf("%s\n", p.c_str());
    std::fflush(stdout);
    return failure("%s", why.c_str());
  }
  std::printf("%s: %s\n", cl.args[0].c_str(), result.summary().c_str());
  return kExitOk;
}

}  // namespace

const Command defragCommand = {
    "defrag",
    "rewrite the book without fragmentation (as blkpack)",
    "tvx defrag BOOK",
    "Rewrites the book so that every record is one block and no free space is\n"
    "left, keeping every page, link, ID, kind, flag and byte, then checks the\n"
    "result and replaces the book in one step. A book that another program holds\n"
    "open is refused, and so is a book that \"tvx check\" finds problems in (other\n"
    "than space that holds nothing): its problems are listed and the book is left\n"
    "as it was; \"tvx salvage\" copies what such a book holds into a new one.\n"
    "The same as \"blkpack BOOK\".\n",
    {},
    "tvx defrag solar.tvx",
    cmdDefrag,
};
