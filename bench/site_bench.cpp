// A whole book exported as a web site: a generated book of 10,000 pages
// (TVX_BENCH_SITE_PAGES), each a concept map of three idea symbols, a link box
// and a text box, is assembled with "tvx import" and then written by
// "tvx html" (every page drawn, its linked SVG, its HTML and its JSON Canvas
// written, the index and the search index; the book's graph is left out at
// this size). Beside it, the peer: "tvx render --all --format svg", the same
// pages drawn into plain SVG files and nothing else, which is the floor of any
// export that draws every page. Both run as the built programs, TVX_BENCH_RUNS
// times (default 3); the medians and pages per second are reported.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"

extern char** environ;

namespace {

int envInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && std::atoi(v) > 0 ? std::atoi(v) : fallback;
}

void fail(const std::string& why) {
  std::fprintf(stderr, "site_bench: %s\n", why.c_str());
  std::exit(1);
}

void writeText(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << text;
  if (!f) fail("cannot write " + path);
}

// Runs tvx with `args`, its output thrown away; false when it fails.
bool runTvx(const std::vector<std::string>& args) {
  std::vector<std::string> all = {TVX_BINARY};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, TVX_BINARY, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string ref(int id) { return "\"<this>#$" + std::to_string(id) + ":Page " + std::to_string(id) + "\""; }

// Page i's map: itself, the next page (with the link between them) and a
// page further on, and a text box.
std::string pageMap(int i, int n) {
  const int next = i % n + 1, far = (i * 37) % n + 1;
  return "#CM&^# 161\r\n\r\n(B\r\n (a\"Tavix: Netscape Plugin\",1,1),\r\n (n\"Page " + std::to_string(i) +
         "\"),,\r\n (C162,\r\n  (r0,0,2f8,208),\r\n  (r0,0,2f8,208),0,,\r\n  (N162,00000003,\r\n"
         "   (n1,\"Page " + std::to_string(i) + "\",\"Planet\",14a,e6,,,1000," + ref(i) + ",)\r\n"
         "   (n2,\"Page " + std::to_string(next) + "\",\"Planet\",244,e6,,,1000," + ref(next) + ",)\r\n"
         "   (n3,\"Page " + std::to_string(far) + "\",\"Planet\",28,1d6,,,1000," + ref(far) + ",)),\r\n"
         "  (L162,00000001,\r\n   (l4,\"orbits\",\r\n    (i1,2),1d1,e3,0,\"<this>#$" + std::to_string(n + i) +
         "\",)),\r\n  (A162,00000001,\r\n   (a5,,1b8,6,2e4,46,0,,,\r\n    (t\"Page " + std::to_string(i) +
         " of the generated book, with a few words to search for.\"),))))\r\n";
}

struct Book {
  int pages = 0;
  std::string path;
};

const Book& book() {
  static Book b = [] {
    Book out;
    out.pages = envInt("TVX_BENCH_SITE_PAGES", 10000);
    const std::string dir = bench::scratchDir() + "source";
    ::mkdir(dir.c_str(), 0777);
    ::mkdir((dir + "/pages").c_str(), 0777);
    std::ifstream types(std::string(TVX_SOURCE_DIR) + "/examples/solar-system/pages/types.map", std::ios::binary);
    std::string typesText((std::istreambuf_iterator<char>(types)), std::istreambuf_iterator<char>());
    writeText(dir + "/pages/types.map", typesText);
    const int n = out.pages;
    std::string m = "tvx-book 1\nsignature \"#NXST#\"\nversion 1568\nnext-id " + std::to_string(2 * n + 10) +
                    "\nhome 1\ntypes 0\n\npage 0\n  kind 4\n  name \"Types\"\n  type \"Type page\"\n  flags 0\n"
                    "  body \"pages/types.map\"\n";
    for (int i = 1; i <= n; ++i) {
      writeText(dir + "/pages/" + std::to_string(i) + ".map", pageMap(i, n));
      const int before = i == 1 ? n : i - 1;
      m += "\npage " + std::to_string(i) + "\n  kind " + (i == 1 ? "9" : "1") + "\n  name \"Page " +
           std::to_string(i) + "\"\n  type \"Planet\"\n  flags 0\n  body \"pages/" + std::to_string(i) +
           ".map\"\n  linklist \"<this>#$" + std::to_string(n + i) + "\" \"<this>#$" + std::to_string(n + before) +
           "\"\n";
      if (i % 10 == 0) m += "  attr \"URL\" \"https://example.org/page/" + std::to_string(i) + "\"\n";
    }
    for (int i = 1; i <= n; ++i) {
      m += "\nlink " + std::to_string(n + i) + "\n  kind 2\n  type \"orbits\"\n  flags 0\n  end 2 " + ref(i) +
           "\n  end 1 " + ref(i % n + 1) + "\n";
    }
    writeText(dir + "/book.manifest", m);
    out.path = bench::scratchDir() + "book.tvx";
    if (!runTvx({"import", dir, out.path})) fail("tvx import of the generated book failed");
    return out;
  }();
  return b;
}

std::vector<double> g_site, g_svg;

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double timed(const std::vector<std::string>& args) {
  bench::Stopwatch w;
  if (!runTvx(args)) fail("tvx " + args[0] + " failed");
  return w.seconds();
}

void runAll(benchmark::State& state) {
  const int rounds = envInt("TVX_BENCH_RUNS", 3);
  const Book& b = book();
  for (auto _ : state) {
    for (int r = 0; r < rounds; ++r) {
      g_site.push_back(timed({"html", "--force", b.path, bench::scratchDir() + "site"}));
      g_svg.push_back(timed({"render", "--all", "--format", "svg", "-o", bench::scratchDir() + "svg", b.path}));
    }
    state.SetIterationTime(median(g_site));
  }
  state.counters["pages_per_s"] = b.pages / median(g_site);
}

void printSummary() {
  bench::Table t({"export", "median s", "pages/s", "against the peer"});
  const double site = median(g_site), svg = median(g_svg);
  const int n = book().pages;  // the type page is not one of the site's pages
  t.add({"tvx html (site: HTML, linked SVG, canvas, index)", bench::format("%.2f", site),
         bench::format("%.0f", n / site), bench::format("%.2f", site / svg)});
  t.add({"tvx render --all --format svg (peer)", bench::format("%.2f", svg), bench::format("%.0f", n / svg), "-"});
  t.print(bench::format("%d pages, %zu runs of each", n, g_site.size()).c_str());
  if (std::getenv("TVX_BENCH_MARKDOWN") != nullptr) t.printMarkdown();
}

}  // namespace

BENCHMARK(runAll)->Name("site/10000-pages")->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv, printSummary); }
