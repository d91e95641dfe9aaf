// A page from its map text to a finished display list: a page of N idea symbols
// (of several types, on a grid) and N links between neighbours, read by the page
// window (every record made a symbol or a link box with its arrows, through the
// page classes), then painted into the window's display list. Beside it, the
// peer: the same text through the map text parser alone, with handlers that
// keep nothing, which is the floor any page reader pays. N = 100, 1,000 and
// 10,000; the time should grow linearly with N.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <map>
#include <sstream>
#include <string>

#include "bench_book.h"
#include "bench_support.h"
#include "core/nexil.h"
#include "graphics/view_node.h"
#include "maptext/map_read.h"
#include "platform/render/headless_host.h"

namespace {

const char* const kTypes[] = {"Star", "Planet", "Moon", "Region", "Topic"};

// The page body: N symbols in rows of 40, N links from each symbol to the next.
std::string pageText(int n) {
  std::string s = "#CM&^# 161\r\n\r\n(B\r\n (a\"Tavix: Netscape Plugin\",1,1),\r\n (n\"Bench\"),,\r\n (C162,\r\n"
                  "  (r0,0,2f8,208),\r\n  (r0,0,2f8,208),0,,\r\n";
  char buf[256];
  std::snprintf(buf, sizeof buf, "  (N162,%08x,\r\n", n);
  s += buf;
  for (int i = 1; i <= n; ++i) {
    std::snprintf(buf, sizeof buf, "   (n%x,\"Idea %d\",\"%s\",%x,%x,,,0,,)%s\r\n", i, i, kTypes[i % 5],
                  40 + (i % 40) * 120, 40 + (i / 40) * 90, i == n ? ")," : "");
    s += buf;
  }
  std::snprintf(buf, sizeof buf, "  (L162,%08x,\r\n", n);
  s += buf;
  for (int i = 1; i <= n; ++i) {
    const int to = i < n ? i + 1 : 1;
    std::snprintf(buf, sizeof buf, "   (l%x,\"leads to\",\r\n    (i%x,%x),0,0,0,,)%s\r\n", n + i, i, to,
                  i == n ? "))))" : "");
    s += buf;
  }
  return s;
}

class NullReader : public MapRead {
 public:
  explicit NullReader(std::istream* in) : KMFileInfo(ViewNode::AppTag), MapRead(ViewNode::AppTag, in) {}
  int CMFileHeader(KM_FileHeader&) override { return 0; }
  int CMCM(KM_CM&) override { return 0; }
  int CMNode(KM_Node&) override { return 0; }
  int CMLink(KM_Link&) override { return 0; }
  int CMNodeType(KM_NodeType&) override { return 0; }
  int CMLinkType(KM_LinkType&) override { return 0; }
  int CMAnnotation(KM_Annotation&) override { return 0; }
  int CMAttr(char*, char*) override { return 0; }
};

std::map<long, double> g_page, g_parse;  // seconds per page
std::map<long, long> g_commands;

void page(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string text = pageText(n);
  HeadlessHost host(1600, 1200);
  TWindow frame(host.makeTopLevel(1400, 1000, "Bench"));
  bench::BenchNexil& app = bench::app();
  long commands = 0;
  double total = 0;
  for (auto _ : state) {
    bench::Stopwatch watch;
    std::stringstream in(text);
    auto p = std::make_unique<ViewNode>(&frame, nullptr, app);
    p->Attr.Style = WS_CHILD | WS_VISIBLE;
    p->Attr.W = 1400;
    p->Attr.H = 1000;
    p->attach(&in);
    p->readFile();
    p->attach(nullptr);
    p->Create();
    host.run();
    const DisplayList list = host.picture(p->HWindow);
    commands = static_cast<long>(list.commands().size());
    benchmark::DoNotOptimize(commands);
    total += watch.seconds();
    state.PauseTiming();
    p.reset();
    state.ResumeTiming();
  }
  if (state.iterations() > 0) g_page[n] = total / static_cast<double>(state.iterations());
  g_commands[n] = commands;
}

void parse(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string text = pageText(n);
  double total = 0;
  for (auto _ : state) {
    bench::Stopwatch watch;
    std::stringstream in(text);
    NullReader r(&in);
    r.readFile();
    benchmark::DoNotOptimize(r.getStatus());
    total += watch.seconds();
  }
  if (state.iterations() > 0) g_parse[n] = total / static_cast<double>(state.iterations());
}

void printSummary() {
  bench::Table t({"symbols + links", "page ms", "parse only ms", "page / parse", "page ms per 1,000 symbols",
                  "display list commands"});
  for (const auto& [n, seconds] : g_page) {
    const auto p = g_parse.find(n);
    t.add({bench::format("%ld + %ld", n, n), bench::format("%.2f", seconds * 1e3),
           p != g_parse.end() ? bench::format("%.2f", p->second * 1e3) : "-",
           p != g_parse.end() ? bench::format("%.1f", seconds / p->second) : "-",
           bench::format("%.2f", seconds * 1e3 * 1000.0 / static_cast<double>(n)),
           bench::format("%ld", g_commands[n])});
  }
  t.print("a page from its map text to a finished display list (one frame at 60 Hz is 16.7 ms)");
  if (std::getenv("TVX_BENCH_MARKDOWN") != nullptr) t.printMarkdown();
}

}  // namespace

BENCHMARK(page)->Name("page/map_text_to_display_list")->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(parse)->Name("page/parse_only")->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv, printSummary); }
