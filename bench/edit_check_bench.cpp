// What the check before an edit costs: one edit on the 10,000-page book, with
// and without the edit check that tvx's editing commands make
// (core/book_edit_check.h), the peer being the same edit without it.
//
// The book: 10,000 pages with bodies of 100 bytes to 16 KB (log-uniform sizes,
// fixed seed; each body valid map text), then a quarter of the pages deleted and
// as many made again, so that the free list holds what a used book's holds.
//
// One edit is what "tvx page rename" does beneath the command line: the book
// opened for writing, one page renamed through the book database, the work
// committed to the book file, the book closed. The check adds the free list's
// checked walk, the ID table's facets compared and the renamed page's records
// looked up block by block. The whole integrity check (core/book_check.h), which
// an edit runs only on a book the quick check finds damaged, is timed beside it
// to show why it is not run on every edit.
//
// Each variant runs TVX_BENCH_EDITS times (default 15), interleaved so that a
// slow moment of the machine falls on all of them; the medians are reported.
// Environment: TVX_BENCH_PAGES (default 10000), TVX_BENCH_EDITS.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/bench_book.h"
#include "bench/bench_support.h"
#include "core/book_check.h"
#include "core/book_edit_check.h"
#include "core/db.h"
#include "core/nexil.h"
#include "kit/string.h"
#include "platform/io/share_open.h"
#include "store/middle_level_store.h"

namespace {

int envInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? std::max(1, std::atoi(v)) : fallback;
}

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "edit_check_bench: %s\n", what);
  std::exit(2);
}

using bench::BenchNexil;

using bench::app;

using bench::body;

void writeBody(DB& db, ULONG id, const std::string& text) {
  std::unique_ptr<std::iostream> s = db.getNodeStream(id, 1);
  if (!s) fail("no page stream to write");
  s->write(text.data(), static_cast<std::streamsize>(text.size()));
  s->flush();
}

std::unique_ptr<DB> openForWriting(const std::string& path) {
  std::unique_ptr<DB> db(new DB(app(), "", path.c_str(), _O_RDWR, _SH_DENYWR));
  if (db->isReadOnly()) fail("the book opened read-only");
  return db;
}

struct Book {
  std::string path;
  std::vector<ULONG> pages;
};

const Book& book() {
  static Book b;
  if (!b.path.empty()) return b;
  b.path = bench::scratchDir() + "edit.tvx";
  const int pages = envInt("TVX_BENCH_PAGES", 10000);
  std::mt19937 rng(42);
  {
    std::unique_ptr<DB> db(new DB(app(), "", nullptr, 0, 0));
    db->store()->commit();
    const std::string cmd = "cp '" + std::string(db->workPath().c_str()) + "' '" + b.path + "'";
    if (std::system(cmd.c_str()) != 0) fail("could not copy the new book");
  }
  std::unique_ptr<DB> db = openForWriting(b.path);
  for (int i = 0; i < pages; ++i) {
    const ULONG id = db->createNode(String(("Page " + std::to_string(i)).c_str()), String("Topic"), 0);
    writeBody(*db, id, body(rng));
    b.pages.push_back(id);
  }
  if (db->commit() != 0) fail("commit failed");
  // A quarter of the pages go and as many come: the free list of a used book.
  for (int i = 0; i < pages / 4; ++i) {
    const size_t at = rng() % b.pages.size();
    db->removeEntry(b.pages[at]);
    b.pages.erase(b.pages.begin() + static_cast<long>(at));
  }
  for (int i = 0; i < pages / 4; ++i) {
    const ULONG id = db->createNode(String(("New page " + std::to_string(i)).c_str()), String("Topic"), 0);
    writeBody(*db, id, body(rng));
    b.pages.push_back(id);
  }
  if (db->commit() != 0) fail("commit failed");
  return b;
}

int g_edit = 0;

// One edit as "tvx page rename" makes it; with `check`, the edit check first.
void edit(bool check) {
  const Book& b = book();
  std::unique_ptr<DB> db = openForWriting(b.path);
  const ULONG id = b.pages[static_cast<size_t>(g_edit) % b.pages.size()];
  if (check) {
    std::string problem;
    MiddleLevelStore& s = *db->store();
    if (!BookEditCheck::freeList(s, &problem) || !BookEditCheck::idTable(s, &problem) ||
        !BookEditCheck::entries(s, {id}, &problem)) {
      fail(("the edit check found " + problem).c_str());
    }
  }
  const String name(("Renamed " + std::to_string(g_edit++)).c_str());
  if (db->changeName_Type_Flags(id, &name, nullptr, nullptr) != 0) fail("rename failed");
  if (db->commit() != 0) fail("commit failed");
}

// The check alone, on a book opened for writing (the open not timed).
double checkOnly() {
  const Book& b = book();
  std::unique_ptr<DB> db = openForWriting(b.path);
  db->workPath();  // the working copy landed
  bench::Stopwatch w;
  std::string problem;
  MiddleLevelStore& s = *db->store();
  if (!BookEditCheck::freeList(s, &problem) || !BookEditCheck::idTable(s, &problem) ||
      !BookEditCheck::entries(s, {b.pages.front()}, &problem)) {
    fail(("the edit check found " + problem).c_str());
  }
  return w.seconds();
}

double wholeCheck() {
  bench::Stopwatch w;
  const BookCheckReport r = BookCheck::checkFile(book().path);
  if (!r.sound()) fail("the whole check found the book damaged");
  return w.seconds();
}

const char* const kVariants[] = {"edit without the check", "edit with the check", "the edit check alone",
                                 "the whole integrity check"};
std::vector<double> g_times[4];

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void runAll(benchmark::State& state) {
  const int rounds = envInt("TVX_BENCH_EDITS", 15);
  book();
  edit(false);  // warm-up: the first edit pays for the process's first touches
  edit(true);
  for (auto _ : state) {
    for (int r = 0; r < rounds; ++r) {
      {
        bench::Stopwatch w;
        edit(false);
        g_times[0].push_back(w.seconds());
      }
      {
        bench::Stopwatch w;
        edit(true);
        g_times[1].push_back(w.seconds());
      }
      g_times[2].push_back(checkOnly());
      if (r < 3) g_times[3].push_back(wholeCheck());
    }
    state.SetIterationTime(median(g_times[1]));
  }
  state.counters["file_MB"] = static_cast<double>(bench::fileSize(book().path)) / 1e6;
}

void printSummary() {
  // Only the second row is an edit with something added; the last two are
  // timed on their own.
  bench::Table t({"variant", "median ms", "added to an edit"});
  const double base = median(g_times[0]);
  for (int i = 0; i < 4; ++i) {
    const double m = median(g_times[i]);
    t.add({kVariants[i], bench::format("%.2f", m * 1e3),
           i == 1 ? bench::format("%+.2f ms", (m - base) * 1e3) : "-"});
  }
  t.print(bench::format("%zu pages, book file %.1f MB, %zu edits of each kind", book().pages.size(),
                        bench::fileSize(book().path) / 1e6, g_times[0].size())
              .c_str());
  if (std::getenv("TVX_BENCH_MARKDOWN") != nullptr) t.printMarkdown();
}

}  // namespace

BENCHMARK(runAll)->Name("edit/check")->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv, printSummary); }
