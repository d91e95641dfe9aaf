// What the book's integrity check (core/book_check.h) found: a list of
// problems, each naming the block or ID it is about, the problems beyond the
// listed ones counted, and a few counts of what the book holds for the summary
// line. The report is a value; it can print itself as one JSON object for
// scripts.
#ifndef CORE_BOOK_CHECK_REPORT_H
#define CORE_BOOK_CHECK_REPORT_H

#include <cstddef>
#include <string>
#include <vector>

#include "platform/windows_types.h"

// One problem: what it is about ("header", "block 1234", "ID 7", "ID table",
// "free list") and what is wrong.
struct BookProblem {
  std::string where;
  std::string text;
  // True for a problem that loses no data and that rewriting the book removes
  // (space named by nothing, free space left unmerged or not blanked).
  bool minor = false;
  // The line printed for it: "<where>: <text>".
  std::string line() const { return where + ": " + text; }
};

// What the check found, with a few counts for the summary line.
struct BookCheckReport {
  std::vector<BookProblem> problems;
  // Problems found beyond those listed (MaxProblems).
  std::size_t unlisted = 0;
  ULONG fileSize = 0;
  ULONG blocks = 0;
  ULONG freeBlocks = 0;
  ULONG records = 0;
  ULONG ids = 0;
  ULONG pages = 0;
  ULONG links = 0;
  // Problems that are not minor, listed or not.
  std::size_t serious = 0;
  bool ok() const { return problems.empty() && unlisted == 0; }
  // Nothing but minor problems: the book's data is all reachable and sound.
  bool sound() const { return serious == 0; }
  // The whole report as one JSON object:
  // {"book":..., "ok":..., "blocks":..., ...,
  //  "problems":[{"where":..., "problem":..., "minor":...}]}
  std::string json(const std::string& bookName) const;
};

#endif  // CORE_BOOK_CHECK_REPORT_H
