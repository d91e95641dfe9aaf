// cmd_check.cpp: "tvx check [--json] BOOK", the book's integrity check from the
// command line. Each problem is printed as one line naming the block or ID
// ("block 1234: trailer 60 does not match the block size 54"); --json prints the
// whole report as one JSON object instead. Exit 0 when the book is sound, 1 when
// problems were found, 2 for a wrong command line.
#include <cstdio>
#include <string>

#include "core/book_check.h"
#include "tools/tvx/commands.h"

namespace {

int cmdCheck(const CommandLine& cl) {
  if (cl.args.empty()) return usageError("check", "no book given");
  if (cl.args.size() > 1) return usageError("check", "too many arguments");
  const char* book = cl.args[0].c_str();
  const bool json = cl.has("json");
  const BookCheckReport report = BookCheck::checkFile(book);
  if (json) {
    std::printf("%s\n", report.json(book).c_str());
  } else {
    for (const BookProblem& p : report.problems) std::printf("%s\n", p.line().c_str());
    if (report.unlisted)
      std::printf("... and %s not listed\n",
                  counted(report.unlisted, "further problem", "further problems").c_str());
    if (report.ok())
      std::printf("%s: ok (%s, %u free, %s, %s)\n", book,
                  counted(report.blocks, "block", "blocks").c_str(), report.freeBlocks,
                  counted(report.pages, "page", "pages").c_str(),
                  counted(report.links, "link", "links").c_str());
  }
  if (!report.ok()) {
    const std::size_t count = report.problems.size() + report.unlisted;
    std::fprintf(stderr, "tvx: %s: %s found\n", book, counted(count, "problem", "problems").c_str());
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

const Command checkCommand = {
    "check",
    "check the book's structure and contents",
    "tvx check [--json] BOOK",
    "Checks the whole structure of a book file: the blocks tile the file and their\n"
    "trailers match, every block is free or in exactly one record, the free list is\n"
    "consistent both ways, the ID table is sound, every facet names a live record,\n"
    "entry headers decode, links and link lists agree both ways, and page bodies and\n"
    "attribute lists parse. Each problem is one line naming the block or ID.\n"
    "Exit status: 0 no problems, 1 problems found, 2 wrong command line.\n",
    {{"json", nullptr, "print the report as one JSON object"}},
    "tvx check solar.tvx",
    cmdCheck,
};
