// blkpack: the external defragmenter that the book database offers to start
// when a book has become fragmented. "blkpack BOOK" rewrites the book so that
// every record is one block and no free space is left, checks the result and
// replaces the book in one step (tools/blkpack/defragmenter.h); a damaged book
// is refused with its problems listed. "blkpack --salvage BOOK NEW" copies what
// a damaged book still holds into the new book NEW (tools/blkpack/salvager.h).
// "blkpack --version" names the version. Exit status: 0 success, 1 failure, 2
// wrong command line; errors are one line on standard error.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/blkpack/defragmenter.h"
#include "tools/blkpack/salvager.h"

namespace {

const char kUsage[] =
    "usage: blkpack BOOK\n"
    "       blkpack --salvage BOOK NEW\n"
    "       blkpack --version\n"
    "\n"
    "Rewrites the book file BOOK without fragmentation: every record becomes one\n"
    "block and no free space is left; every page, link, ID, kind, flag and byte\n"
    "is kept. The result is checked before it replaces the book. A book that\n"
    "another program holds open is refused, and so is a book that \"tvx check\"\n"
    "finds problems in (other than space that holds nothing); its problems are\n"
    "listed and the book is left as it was.\n"
    "\n"
    "With --salvage, BOOK is only read: every page, link and attribute that can\n"
    "still be read from it goes into the new book NEW, found through the ID table\n"
    "where it is sound and by a walk over the blocks where it is not, and every\n"
    "record that cannot be read is kept byte for byte in a page of its own named\n"
    "\"lost+found N\". What was found where is listed. NEW must not exist yet.\n"
    "The same as \"tvx salvage BOOK NEW\".\n"
    "\n"
    "Options:\n"
    "  --salvage    copy what a damaged book holds into a new book\n"
    "  --version    show the version\n"
    "  -h, --help   show this help\n"
    "\n"
    "Examples:\n"
    "  blkpack plants.tvx\n"
    "  blkpack --salvage damaged.tvx rescued.tvx\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("blkpack %s\n", TVX_VERSION);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--salvage") == 0) {
    if (argc != 4 || argv[2][0] == '\0' || argv[3][0] == '\0') {
      std::fprintf(stderr, "blkpack: --salvage expects a book file and a new one (try \"blkpack --help\")\n");
      return 2;
    }
    SalvageResult result;
    std::string why;
    if (!Salvager::run(argv[2], argv[3], &result, &why)) {
      std::fprintf(stderr, "blkpack: %s\n", why.c_str());
      return 1;
    }
    for (const std::string& line : result.lines) std::printf("%s\n", line.c_str());
    std::printf("%s: %s, from %s\n", argv[3], result.summary().c_str(), argv[2]);
    return 0;
  }
  if (argc != 2 || argv[1][0] == '\0' || (argv[1][0] == '-' && argv[1][1] != '\0')) {
    std::fprintf(stderr, "blkpack: expected one book file (try \"blkpack --help\")\n");
    return 2;
  }
  DefragResult result;
  std::string why;
  if (!Defragmenter::run(argv[1], "blkpack", &result, &why)) {
    for (const std::string& p : result.problems) std::printf("%s\n", p.c_str());
    std::fprintf(stderr, "blkpack: %s\n", why.c_str());
    return 1;
  }
  std::printf("%s: %s\n", argv[1], result.summary().c_str());
  return 0;
}
