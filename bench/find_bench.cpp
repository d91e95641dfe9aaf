// Find across a large book: a generated book of 10,000 pages
// (TVX_BENCH_FIND_PAGES) with an empty type page first, each page a concept map
// of three idea symbols, a link box and a text box, searched by the plug-in's
// find (TopicGrep through the book manager, every page read by its page window
// and asked whether it matches) for a word that only the last page's text box
// holds, so that every page is opened. Beside it: the same search over page
// names only, and the peer, a plain byte scan of every page body for the word
// (each body read whole from the store, lower-cased and searched), which is the
// floor of any find that reads every page. TVX_BENCH_RUNS rounds (default 3);
// medians and pages per second are reported.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench_book.h"
#include "bench_support.h"
#include "core/db.h"
#include "platform/owl/t_window.h"
#include "store/middle_level_store.h"
#include "platform/io/share_open.h"
#include "platform/render/headless_host.h"
#include "plugin/orvane_nexil.h"
#include "plugin/t_find_params.h"
#include "plugin/topic_grep.h"

namespace {

int envInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && std::atoi(v) > 0 ? std::atoi(v) : fallback;
}

void fail(const std::string& why) {
  std::fprintf(stderr, "find_bench: %s\n", why.c_str());
  std::exit(1);
}

const char* const kWord = "Needle";

// Page `i`: three symbols, a link box between two of them, a text box; the
// last page's text box holds the word.
std::string pageBody(int i, bool last) {
  const std::string n = std::to_string(i);
  const std::string note = last ? std::string("The only page that holds the ") + kWord + " word."
                                : "Notes on topic " + n + ", written for the find benchmark.";
  return "#CM&^# 161\r\n(B\r\n (a\"Tavix: Netscape Plugin\",1,1),\r\n (n\"Page " + n +
         "\"),,\r\n (C162,\r\n  (r0,0,2f8,208),\r\n  (r0,0,2f8,208),0,,\r\n  (N162,00000003,\r\n"
         "   (n1,\"Topic " + n + " alpha\",\"Topic\",14a,e6,,,0,,)\r\n"
         "   (n2,\"Topic " + n + " beta\",\"Topic\",244,e6,,,0,,)\r\n"
         "   (n3,\"Topic " + n + " gamma\",\"Topic\",50,1d6,,,0,,)),\r\n"
         "  (L162,00000001,\r\n   (l4,\"leads to\",\r\n    (i1,2),1d1,e3,0,,)),\r\n"
         "  (A162,00000001,\r\n   (a5,,1b8,6,2e4,46,0,,,\r\n    (t\"" + note + "\"),))))\r\n";
}

struct Book {
  std::string path;
  int pages = 0;
};

const Book& book() {
  static Book b;
  if (!b.path.empty()) return b;
  b.path = bench::scratchDir() + "find.tvx";
  b.pages = envInt("TVX_BENCH_FIND_PAGES", 10000);
  {
    std::unique_ptr<DB> db(new DB(bench::app(), "", nullptr, 0, 0));
    db->store()->commit();
    const std::string cmd = "cp '" + std::string(db->workPath().c_str()) + "' '" + b.path + "'";
    if (std::system(cmd.c_str()) != 0) fail("could not copy the new book");
  }
  std::unique_ptr<DB> db(new DB(bench::app(), "", b.path.c_str(), _O_RDWR, _SH_DENYWR));
  if (db->isReadOnly()) fail("the book opened read-only");
  // The type page first, as in a book the plug-in made: empty, so the two root types.
  const ULONG types = db->createNode(String("Types"), String("Type page"), 0);
  if (types == 0xFFFFFFFFu || db->setKind(types, 0x4) != 0) fail("cannot make the type page");
  for (int i = 0; i < b.pages; ++i) {
    const ULONG id = db->createNode(String(("Page " + std::to_string(i)).c_str()), String("Topic"), 0);
    const std::string text = pageBody(i, i == b.pages - 1);
    std::unique_ptr<std::iostream> s = db->getNodeStream(id, 1);
    if (!s) fail("no page stream to write");
    s->write(text.data(), static_cast<std::streamsize>(text.size()));
    s->flush();
  }
  if (db->commit() != 0) fail("commit failed");
  return b;
}

// One find on a fresh book manager: the seconds it took; fails unless exactly
// `expected` pages were found.
double find(DWORD where, std::size_t expected) {
  HeadlessHost host(640, 480);
  TWindow frame(host.makeTopLevel(640, 480, "Find"));
  OrvaneNexil manager;
  DBRef ref;
  if (manager.addDB(ref, "", book().path.c_str(), _O_RDONLY, _SH_DENYNO) != 0) fail("cannot open the book");
  TFindParams params;
  params.findText = String(kWord);
  params.book.ref(ref.db());
  params.flags = where | TFindOptions::WholeWord;
  bench::Stopwatch w;
  {
    TopicGrep grep(manager, params, &frame);
    grep.Setup();
    grep.findMatches();
  }
  const double s = w.seconds();
  if (params.results.size() != expected || params.unreadable != 0) {
    fail(bench::format("found %zu pages (%lu unreadable), expected %zu", params.results.size(),
                       static_cast<unsigned long>(params.unreadable), expected));
  }
  return s;
}

int scanBody(ULONG id, const String&, const String&, ULONG, void* data) {
  auto* d = static_cast<std::pair<DB*, std::size_t>*>(data);
  std::unique_ptr<std::iostream> in = d->first->getNodeStream(id, 0);
  if (!in) return 0;
  std::string body((std::istreambuf_iterator<char>(*in)), std::istreambuf_iterator<char>());
  if (TFindParams::lowered(body.c_str()).find("needle") != std::string::npos) ++d->second;
  return 0;
}

double byteScan() {
  bench::Stopwatch w;
  std::unique_ptr<DB> db(new DB(bench::app(), "", book().path.c_str(), _O_RDONLY, _SH_DENYNO));
  std::pair<DB*, std::size_t> data(db.get(), 0);
  db->doUntilNode(&scanBody, &data);
  const double s = w.seconds();
  if (data.second != 1) fail("the byte scan did not find the one page");
  return s;
}

std::vector<double> g_times[3];
const char* const kVariants[3] = {"find in contents (every page read)", "find in names only",
                                  "byte scan of every body (peer)"};

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void runAll(benchmark::State& state) {
  const int rounds = envInt("TVX_BENCH_RUNS", 3);
  book();
  byteScan();  // warm-up: the file in the page cache
  for (auto _ : state) {
    for (int r = 0; r < rounds; ++r) {
      g_times[0].push_back(find(TFindOptions::Contents, 1));
      g_times[1].push_back(find(TFindOptions::Names, 0));
      g_times[2].push_back(byteScan());
    }
    state.SetIterationTime(median(g_times[0]));
  }
  state.counters["pages"] = book().pages;
}

void printSummary() {
  bench::Table t({"variant", "median ms", "pages/s", "vs byte scan"});
  const double peer = median(g_times[2]);
  for (int i = 0; i < 3; ++i) {
    const double m = median(g_times[i]);
    t.add({kVariants[i], bench::format("%.1f", m * 1e3), bench::format("%.0f", m > 0 ? book().pages / m : 0),
           bench::format("%.2f", peer > 0 ? m / peer : 0)});
  }
  t.print(bench::format("%d pages, book file %.1f MB, %zu rounds", book().pages,
                        bench::fileSize(book().path) / 1e6, g_times[0].size())
              .c_str());
  if (std::getenv("TVX_BENCH_MARKDOWN") != nullptr) t.printMarkdown();
}

}  // namespace

BENCHMARK(runAll)->Name("find/contents")->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv, printSummary); }
