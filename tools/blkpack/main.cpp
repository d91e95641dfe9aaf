// blkpack: the external defragmenter that the book database offers to start
// when a book has become fragmented. "blkpack BOOK" rewrites the book so that
// every record is one block and no free space is left, checks the result and
// replaces the book in one step (tools/blkpack/defragmenter.h); "blkpack
// --version" names the version. Exit status: 0 success, 1 failure, 2 wrong
// command line; errors are one line on standard error.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/blkpack/defragmenter.h"

namespace {

const char kUsage[] =
    "usage: blkpack BOOK\n"
    "       blkpack --version\n"
    "\n"
    "Rewrites the book file BOOK without fragmentation: every record becomes one\n"
    "block and no free space is left; every page, link, ID, kind, flag and byte\n"
    "is kept. The result is checked before it replaces the book. A book that\n"
    "another program holds open is refused, and so is a book that \"tvx check\"\n"
    "finds problems in (other than space no record uses).\n"
    "\n"
    "Options:\n"
    "  --version    show the version\n"
    "  -h, --help   show this help\n"
    "\n"
    "Example:\n"
    "  blkpack plants.tvx\n";

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
  if (argc != 2 || argv[1][0] == '\0' || (argv[1][0] == '-' && argv[1][1] != '\0')) {
    std::fprintf(stderr, "blkpack: expected one book file (try \"blkpack --help\")\n");
    return 2;
  }
  DefragResult result;
  std::string why;
  if (!Defragmenter::run(argv[1], "blkpack", &result, &why)) {
    std::fprintf(stderr, "blkpack: %s\n", why.c_str());
    return 1;
  }
  std::printf("%s: %s\n", argv[1], result.summary().c_str());
  return 0;
}
