// A page window with 1,000 plain graphics: a full paint into the window's
// display list, and 10,000 hit tests through the window's hit index beside the
// plain layer walk over the same graphics (every graphic asked, layer by layer,
// as the window describes its search), which is the peer.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "bench_support.h"
#include "graphics/graphic_window.h"
#include "graphics/sensitive_graphic.h"
#include "graphics/shape.h"
#include "platform/render/headless_host.h"
#include "platform/win/window_manager.h"

namespace {

constexpr int kGraphics = 1000;
constexpr int kHits = 10000;
constexpr int kSide = 3200;

class RectShape : public Shape {
 public:
  RectShape(GraphicWindow* parent, RECT r) : Shape(parent) { setRect(r, nullptr); }
  void drawFigure(HDC hdc) override {
    RECT r = figureRect();
    ::Rectangle(hdc, r.left, r.top, r.right, r.bottom);
  }
};

class Box : public SensitiveGraphic {
 public:
  Box(GraphicWindow* parent, RECT r) : SensitiveGraphic(new RectShape(parent, r)) {}
  void setAutoSize(HDC) override {}
  HMENU createPopup() override { return nullptr; }
};

class Page : public GraphicWindow {
 public:
  explicit Page(TWindow* parent) : TWindow(parent, "bench"), GraphicWindow(parent, "bench") {
    Attr.Style = WS_CHILD | WS_VISIBLE;
    Attr.W = kSide;
    Attr.H = kSide;
  }
  int isModified() override { return 0; }
  void setModified(int) override {}
};

struct Scene {
  Scene() : host(kSide + 100, kSide + 100) {
    frame = std::make_unique<TWindow>(host.makeTopLevel(kSide, kSide, "Bench"));
    page = std::make_unique<Page>(frame.get());
    page->Create();
    std::mt19937 rng(1000);
    const BYTE layers[] = {0x60, 0x61, 0x80};
    for (int i = 0; i < kGraphics; ++i) {
      const int x = static_cast<int>(rng() % (kSide - 100)), y = static_cast<int>(rng() % (kSide - 100));
      const int w = 20 + static_cast<int>(rng() % 80), h = 20 + static_cast<int>(rng() % 60);
      auto* b = new Box(page.get(), {x, y, x + w, y + h});
      b->setLayer(layers[rng() % 3]);
      page->addSNode(b);
    }
    page->updateScrollBars(1);
    host.run();
    for (int i = 0; i < kHits; ++i) {
      points.push_back(packPoint(static_cast<int>(rng() % kSide), static_cast<int>(rng() % kSide)));
    }
  }
  HeadlessHost host;
  std::unique_ptr<TWindow> frame;
  std::unique_ptr<Page> page;
  std::vector<LONG> points;
};

Scene& scene() {
  static Scene s;
  return s;
}

SensitiveGraphic* layerWalk(const std::vector<SensitiveGraphic*>& list, LONG point) {
  int ceiling = 0xFF;
  for (;;) {
    int below = -1;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      const int layer = (*it)->paintLayer();
      if (layer == ceiling) {
        if ((*it)->hitTest(point)) return *it;
      } else if (layer < ceiling) {
        below = std::max(below, layer);
      }
    }
    if (ceiling == 0 || below < 0) return nullptr;
    ceiling = below;
  }
}

double g_paint = 0, g_index = 0, g_walk = 0;
std::size_t g_commands = 0;
int g_agree = 0;

void paint(benchmark::State& state) {
  Scene& s = scene();
  for (auto _ : state) {
    bench::Stopwatch w;
    s.page->Invalidate(true);
    UpdateWindow(s.page->HWindow);
    g_paint = w.seconds();
  }
  g_commands = WindowManager::instance().find(s.page->HWindow)->list.size();
  state.counters["commands"] = static_cast<double>(g_commands);
}

void hitIndex(benchmark::State& state) {
  Scene& s = scene();
  for (auto _ : state) {
    bench::Stopwatch w;
    int found = 0;
    for (LONG p : s.points) {
      GMessage m;
      m.message = WM_MOUSEMOVE;
      m.position = p;
      found += s.page->graphicAt(m) != nullptr;
    }
    benchmark::DoNotOptimize(found);
    g_index = w.seconds();
  }
}

void hitWalk(benchmark::State& state) {
  Scene& s = scene();
  for (auto _ : state) {
    bench::Stopwatch w;
    int found = 0;
    for (LONG p : s.points) found += layerWalk(s.page->sensitiveGraphics(), s.page->deviceToLogical(p)) != nullptr;
    benchmark::DoNotOptimize(found);
    g_walk = w.seconds();
  }
  g_agree = 0;
  for (LONG p : s.points) {
    GMessage m;
    m.message = WM_MOUSEMOVE;
    m.position = p;
    g_agree += s.page->graphicAt(m) == layerWalk(s.page->sensitiveGraphics(), s.page->deviceToLogical(p));
  }
}

void printSummary() {
  bench::Table t({"task", "ms", "us per hit test", "walk / index"});
  t.add({"paint 1,000 graphics", bench::format("%.2f", g_paint * 1e3), "-", "-"});
  t.add({"10,000 hit tests, index", bench::format("%.2f", g_index * 1e3), bench::format("%.2f", g_index * 1e6 / kHits),
         bench::format("%.1f", g_index > 0 ? g_walk / g_index : 0.0)});
  t.add({"10,000 hit tests, layer walk", bench::format("%.2f", g_walk * 1e3),
         bench::format("%.2f", g_walk * 1e6 / kHits), "-"});
  t.print(bench::format("%d graphics on a %d x %d page, %zu commands painted, %d of %d answers equal", kGraphics, kSide,
                        kSide, g_commands, g_agree, kHits)
              .c_str());
  if (std::getenv("TVX_BENCH_MARKDOWN") != nullptr) t.printMarkdown();
}

}  // namespace

BENCHMARK(paint)->Name("graphics/paint")->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(hitIndex)->Name("graphics/hit_index")->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(hitWalk)->Name("graphics/hit_walk")->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv, printSummary); }
