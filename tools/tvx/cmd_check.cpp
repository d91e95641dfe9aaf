// cmd_check.cpp: "tvx check [--json] BOOK", the book's integrity check from the
// command line. Each problem is printed as one line naming the block or ID
// ("block 1234: trailer 60 does not match the block size 54"); --json prints the
// whole report as one JSON object instead. Exit 0 when the book is sound, 1 when
// problems were found, 2 for a wrong command line.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/tvx/book_check.h"
#include "tools/tvx/commands.h"

namespace {

const char kCheckHelp[] =
    "usage: tvx check [--json] BOOK\n"
    "\n"
    "Checks the whole structure of a book file: the blocks tile the file and their\n"
    "trailers match, every block is free or in exactly one record, the free list is\n"
    "consistent both ways, the ID table is sound, every facet names a live record,\n"
    "entry headers decode, links and link lists agree both ways, and page bodies and\n"
    "attribute lists parse. Each problem is one line naming the block or ID.\n"
    "\n"
    "  --json   print the report as one JSON object\n"
    "\n"
    "Exit status: 0 no problems, 1 problems found, 2 wrong command line.\n";

}  // namespace

int cmdCheck(int argc, char** argv) {
  bool json = false;
  const char* book = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kCheckHelp, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      std::fprintf(stderr, "tvx: check: unknown option \"%s\"\n", argv[i]);
      return 2;
    } else if (!book) {
      book = argv[i];
    } else {
      std::fprintf(stderr, "tvx: check: too many arguments (try \"tvx check --help\")\n");
      return 2;
    }
  }
  if (!book) {
    std::fprintf(stderr, "tvx: check: no book given (try \"tvx check --help\")\n");
    return 2;
  }
  const BookCheckReport report = BookCheck::checkFile(book);
  if (json) {
    std::printf("%s\n", report.json(book).c_str());
  } else {
    for (const BookProblem& p : report.problems) std::printf("%s\n", p.line().c_str());
    if (report.unlisted)
      std::printf("... and %zu further problems not listed\n", report.unlisted);
    if (report.ok())
      std::printf("%s: ok (%u blocks, %u free, %u pages, %u links)\n", book, report.blocks,
                  report.freeBlocks, report.pages, report.links);
  }
  if (!report.ok()) {
    const std::size_t count = report.problems.size() + report.unlisted;
    std::fprintf(stderr, "tvx: %s: %zu problem%s found\n", book, count, count == 1 ? "" : "s");
    return 1;
  }
  return 0;
}
