// Opening a book in the plug-in as a browser does, to the home page painted:
// the instance made, its window given, the book streamed in 1023-byte blocks
// into the temporary copy, the copy opened read-only, the home page read and
// painted, then the instance destroyed (its copy deleted). Beside it, the peer:
// the same book's home page read from the book and painted by a page window
// directly, without the plug-in's copy and window around it, which is the
// floor the plug-in's own work is measured against. The book is the example,
// with its 16 pages.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <memory>
#include <sstream>

#include "bench_book.h"
#include "core/db.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/poster_board_node.h"
#include "tools/npbrowse/np_host.h"

namespace {

std::vector<char> exampleBook() {
  std::ifstream in(EXAMPLE_BOOK, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void BM_OpenExampleToHomePagePainted(benchmark::State& state) {
  const std::vector<char> book = exampleBook();
  NpHost host(640, 480);
  std::string why;
  if (!host.open(PLUGIN_LIBRARY, &why) || host.start() != NPERR_NO_ERROR) {
    state.SkipWithError(why.c_str());
    return;
  }
  std::size_t commands = 0;
  for (auto _ : state) {
    host.newInstance({});
    host.setWindow();
    host.stream(book);
    commands = host.picture().size();
    host.destroyInstance(nullptr);
  }
  state.counters["bytes"] = static_cast<double>(book.size());
  // What the painted home page holds: a failed open would paint only the strip.
  state.counters["drawn"] = static_cast<double>(commands);
}
BENCHMARK(BM_OpenExampleToHomePagePainted)->Unit(benchmark::kMillisecond);

int firstHomePage(ULONG id, const String&, const String&, ULONG, void* data) {
  *static_cast<ULONG*>(data) = id;
  return 1;
}

// The peer: the book opened in place, its home page read and painted.
void BM_HomePagePaintedDirectly(benchmark::State& state) {
  HeadlessHost host(800, 600);
  TWindow frame(host.makeTopLevel(640, 480, "Bench"));
  std::size_t commands = 0;
  for (auto _ : state) {
    // The book goes when the last reference to it does (the page's is the last).
    DBRef book(new DB(bench::app(), "", EXAMPLE_BOOK, 0, 0x40));
    DB& db = *book.db();
    ULONG home = 0;
    db.doUntilEntry(firstHomePage, &home, 8);
    std::stringstream body;
    if (std::unique_ptr<std::iostream> in = db.getNodeStream(home, 0)) body << in->rdbuf();
    auto* node = new Node(nullptr, NodeRef(&db, home), String("Undefined"), bench::app());
    auto page = std::make_unique<PosterBoardNode>(&frame, node, bench::app());
    page->Attr.Style = WS_CHILD | WS_VISIBLE;
    page->Attr.W = 640;
    page->Attr.H = 459;
    page->readBody(&body);
    page->attach(nullptr);
    page->Create();
    host.run();
    commands = host.picture(page->HWindow).size();
  }
  state.counters["drawn"] = static_cast<double>(commands);
}
BENCHMARK(BM_HomePagePaintedDirectly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
