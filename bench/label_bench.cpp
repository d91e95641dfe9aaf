// Label layout and shape fitting per idea symbol: a label of 100, 1,000 and
// 10,000 characters wrapped by the text block (which gallops over the blanks to
// find where each line ends), beside the plain step by step wrap that measures
// every candidate line from the whole rest back, blank by blank (the peer, on
// the same text and context; it gives the same lines); and the fit of each of
// the ten glyph shapes around a 1,000-character label (layout and fitting).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "graphics/graphic_text_block.h"
#include "graphics/labeled_shape_db.h"
#include "platform/owl/t_dc.h"
#include "platform/render/headless_host.h"
#include "tests/graphics/label_wrap_reference.h"

namespace {

// Words of a concept map's labels, in a seeded order.
std::string labelText(std::size_t length) {
  const char* pool[] = {"Jupiter", "and", "its", "moons", "orbit", "the", "Sun", "a", "gas", "giant", "with",
                        "rings", "of", "ice", "Galilean", "satellites", "Io", "Europa"};
  std::mt19937 rng(static_cast<unsigned>(length));
  std::string s;
  while (s.size() < length) {
    if (!s.empty()) s += ' ';
    s += pool[rng() % 18];
  }
  s.resize(length);
  while (!s.empty() && s.back() == ' ') s.back() = 'x';
  return s;
}

struct Context {
  Context() {
    hdc = ::CreateCompatibleDC(nullptr);
    font = ::CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    ::SelectObject(hdc, font);
  }
  ~Context() {
    ::DeleteDC(hdc);
    ::DeleteObject(font);
  }
  HeadlessHost host;
  HDC hdc = nullptr;
  HFONT font = nullptr;
};

Context& context() {
  static Context c;
  return c;
}

std::map<long, double> g_ours, g_plain;
std::map<long, int> g_lines, g_agree;
double g_fit = 0;

void ours(benchmark::State& state) {
  Context& c = context();
  const std::string text = labelText(static_cast<std::size_t>(state.range(0)));
  GraphicTextBlock block(nullptr, text.c_str());
  TDC dc(c.hdc);
  double total = 0;
  long n = 0;
  for (auto _ : state) {
    bench::Stopwatch w;
    block.setText(text.c_str());
    block.compute(dc);
    total += w.seconds();
    ++n;
  }
  g_ours[state.range(0)] = total / n;
  g_lines[state.range(0)] = block.lineCount();
  std::vector<std::string> lines;
  for (int i = 0; i < block.lineCount(); ++i) lines.push_back(block.line(i));
  // The block measures with the system font when it has no window.
  HGDIOBJ old = ::SelectObject(c.hdc, ::GetStockObject(SYSTEM_FONT));
  g_agree[state.range(0)] = lines == referenceLabelWrap(c.hdc, text);
  ::SelectObject(c.hdc, old);
  state.counters["lines"] = block.lineCount();
}

void plain(benchmark::State& state) {
  Context& c = context();
  const std::string text = labelText(static_cast<std::size_t>(state.range(0)));
  HGDIOBJ old = ::SelectObject(c.hdc, ::GetStockObject(SYSTEM_FONT));
  double total = 0;
  long n = 0;
  for (auto _ : state) {
    bench::Stopwatch w;
    benchmark::DoNotOptimize(referenceLabelWrap(c.hdc, text));
    total += w.seconds();
    ++n;
  }
  ::SelectObject(c.hdc, old);
  g_plain[state.range(0)] = total / n;
}

void fit(benchmark::State& state) {
  Context& c = context();
  const std::string text = labelText(1000);
  std::vector<std::unique_ptr<LabeledShape>> shapes;
  for (int g = 0; g < LabeledShapeDB::GlyphCount; ++g) {
    shapes.push_back(LabeledShapeDB::instantiateGlyphShape(g, nullptr, nullptr, 0xFF));
  }
  TDC dc(c.hdc);
  double total = 0;
  long n = 0;
  for (auto _ : state) {
    bench::Stopwatch w;
    for (auto& s : shapes) {
      s->setText(text.c_str());
      s->compute(dc);
    }
    total += w.seconds();
    n += LabeledShapeDB::GlyphCount;
  }
  g_fit = total / n;
}

void printSummary() {
  bench::Table t({"label characters", "lines", "text block us", "plain wrap us", "plain / block", "same lines"});
  for (const auto& [len, seconds] : g_ours) {
    const auto p = g_plain.find(len);
    t.add({bench::format("%ld", len), bench::format("%d", g_lines[len]), bench::format("%.1f", seconds * 1e6),
           p != g_plain.end() ? bench::format("%.1f", p->second * 1e6) : "-",
           p != g_plain.end() ? bench::format("%.0f", p->second / seconds) : "-", g_agree[len] ? "yes" : "NO"});
  }
  t.print("label layout (wrap of one label)");
  if (std::getenv("TVX_BENCH_MARKDOWN") != nullptr) t.printMarkdown();
  bench::Table f({"per symbol", "us"});
  f.add({"fit one of the ten glyph shapes (all lines) around a 1,000-character label", bench::format("%.1f", g_fit * 1e6)});
  f.print("shape fitting");
  if (std::getenv("TVX_BENCH_MARKDOWN") != nullptr) f.printMarkdown();
}

}  // namespace

BENCHMARK(ours)->Name("label/layout")->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(plain)->Name("label/plain_wrap")->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(fit)->Name("label/shape_fit")->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv, printSummary); }
