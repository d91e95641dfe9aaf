// What the salvage costs: a 10,000-page book whose ID table is destroyed,
// salvaged into a new book (tools/blkpack/salvager.h), beside the salvage of
// the same book with its table sound and the defragmenter's rewrite of the
// sound book (tools/blkpack/defragmenter.h), which writes the same new book
// through the table. No other program reads this file format, so the
// defragmenter is the reference: the ratio says what finding every ID again
// by a walk over the blocks adds to copying the book.
//
// The book: 10,000 pages with bodies of 100 bytes to 16 KB (log-uniform sizes,
// fixed seed; each body valid map text), then a quarter of the pages deleted and
// as many made again, so that the free list and the ID table's free entries
// hold what a used book's hold. The destroyed copy has the table's header
// (signature, sizes, bucket count, free-entry head) zeroed, every entry's link
// overwritten, and the file header's ID-table handle zeroed: nothing names the
// table and nothing in it can be walked; only the entries' own words remain.
//
// Every salvage is verified outside the timing: every page comes back with its
// ID, kind, entry header and body. Each variant runs TVX_BENCH_RUNS times
// (default 5), interleaved; the medians are reported. TVX_BENCH_PAGES (default
// 10000) shrinks the book.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "bench/bench_book.h"
#include "bench/bench_support.h"
#include "core/db.h"
#include "core/nexil.h"
#include "kit/string.h"
#include "platform/io/share_open.h"
#include "store/middle_level_store.h"
#include "tools/blkpack/defragmenter.h"
#include "tools/blkpack/salvager.h"

namespace {

int envInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? std::max(1, std::atoi(v)) : fallback;
}

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "salvage_bench: %s\n", what.c_str());
  std::exit(2);
}

using bench::BenchNexil;

using bench::app;

using bench::body;

std::string readAll(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) fail("cannot read " + path);
  std::string out;
  char buf[65536];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
  std::fclose(f);
  return out;
}
void writeAll(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) fail("cannot write " + path);
  std::fclose(f);
}
ULONG get32(const std::string& b, std::size_t at) {
  ULONG v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}
void put32(std::string& b, std::size_t at, ULONG v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct Book {
  std::string sound, destroyed;
  // ID -> kind, entry header and body, as the sound book reads.
  std::map<ULONG, std::string> pages;
};

std::string facet(MiddleLevelStore& s, ULONG id, int f) {
  std::unique_ptr<StoreStream> st = s.find_noThrow(id, f);
  if (!st) return std::string();
  return std::string((std::istreambuf_iterator<char>(*st)), std::istreambuf_iterator<char>());
}

std::map<ULONG, std::string> pagesOf(const std::string& path) {
  std::map<ULONG, std::string> out;
  std::unique_ptr<MiddleLevelStore> s(MiddleLevelStore::make(path.c_str(), 0, 0x40));
  std::vector<std::pair<ULONG, ULONG>> ids;
  s->enumerateRecords(
      [](const ULONG* r, void* c) {
        static_cast<std::vector<std::pair<ULONG, ULONG>>*>(c)->emplace_back(r[0], r[1]);
        return 0;
      },
      &ids);
  for (const auto& e : ids)
    if (e.second == DB::KindNode)
      out[e.first] = std::to_string(e.second) + "|" + facet(*s, e.first, 0) + "|" + facet(*s, e.first, 1);
  return out;
}

// Zeroes the table's header and the handle naming it, and overwrites every
// entry's link (see the top of the file).
std::string destroyTable(const std::string& sound) {
  std::string b = sound;
  std::size_t at = 4;
  at += std::strlen(b.c_str() + at) + 1 + 4;
  at += std::strlen(b.c_str() + at) + 1 + 4;
  const std::size_t handlePos = at + 4;
  // The table's stream, byte by byte, as file offsets (the sound chain).
  std::vector<std::size_t> stream;
  for (ULONG h = get32(b, handlePos); h != 0; h = get32(b, h + 8))
    for (ULONG i = 0; i < get32(b, h + 4); ++i) stream.push_back(h + 18 + i);
  if (stream.size() < 21) fail("no ID table to destroy");
  for (std::size_t i = 0; i < 21; ++i) b[stream[i]] = '\0';
  for (std::size_t link = 21 + 32; link + 4 <= stream.size(); link += 36)
    for (int i = 0; i < 4; ++i) b[stream[link + i]] = static_cast<char>(0xA5);
  put32(b, handlePos, 0);
  return b;
}

const Book& book() {
  static Book b;
  if (!b.sound.empty()) return b;
  b.sound = bench::scratchDir() + "sound.tvx";
  b.destroyed = bench::scratchDir() + "destroyed.tvx";
  const int pages = envInt("TVX_BENCH_PAGES", 10000);
  std::mt19937 rng(42);
  {
    std::unique_ptr<DB> db(new DB(app(), "", nullptr, 0, 0));
    db->store()->commit();
    writeAll(b.sound, readAll(db->workPath().c_str()));
  }
  std::unique_ptr<DB> db(new DB(app(), "", b.sound.c_str(), _O_RDWR, _SH_DENYWR));
  if (db->isReadOnly()) fail("the book opened read-only");
  std::vector<ULONG> ids;
  auto add = [&](const std::string& name) {
    const ULONG id = db->createNode(String(name.c_str()), String("Topic"), 0);
    std::unique_ptr<std::iostream> s = db->getNodeStream(id, 1);
    const std::string text = body(rng);
    s->write(text.data(), static_cast<std::streamsize>(text.size()));
    s->flush();
    ids.push_back(id);
  };
  for (int i = 0; i < pages; ++i) add("Page " + std::to_string(i));
  for (int i = 0; i < pages / 4; ++i) {
    const size_t at = rng() % ids.size();
    db->removeEntry(ids[at]);
    ids.erase(ids.begin() + static_cast<long>(at));
  }
  for (int i = 0; i < pages / 4; ++i) add("New page " + std::to_string(i));
  if (db->commit() != 0) fail("commit failed");
  db.reset();
  writeAll(b.destroyed, destroyTable(readAll(b.sound)));
  b.pages = pagesOf(b.sound);
  if (b.pages.size() != static_cast<std::size_t>(pages)) fail("the book has the wrong number of pages");
  return b;
}

int g_run = 0;

double salvage(const std::string& from, SalvageResult* result) {
  const std::string to = bench::scratchDir() + "salvaged-" + std::to_string(g_run++) + ".tvx";
  std::string why;
  bench::Stopwatch w;
  if (!Salvager::run(from, to, result, &why)) fail("salvage failed: " + why);
  const double s = w.seconds();
  // Every page back with its ID, kind, header and body.
  std::map<ULONG, std::string> got = pagesOf(to);
  for (const auto& p : book().pages) {
    auto it = got.find(p.first);
    if (it == got.end() || it->second != p.second) fail("page " + std::to_string(p.first) + " was not recovered");
  }
  ::unlink(to.c_str());
  return s;
}

double defrag() {
  const std::string copy = bench::scratchDir() + "defrag.tvx";
  writeAll(copy, readAll(book().sound));
  DefragResult result;
  std::string why;
  bench::Stopwatch w;
  if (!Defragmenter::run(copy, "salvage_bench", &result, &why)) fail("defrag failed: " + why);
  const double s = w.seconds();
  ::unlink(copy.c_str());
  return s;
}

const char* const kVariants[] = {"salvage, ID table destroyed", "salvage, ID table sound",
                                 "defragment the sound book (reference)"};
std::vector<double> g_times[3];
SalvageResult g_destroyed;

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void runAll(benchmark::State& state) {
  const int rounds = envInt("TVX_BENCH_RUNS", 5);
  book();
  for (auto _ : state) {
    for (int r = 0; r < rounds; ++r) {
      g_times[0].push_back(salvage(book().destroyed, &g_destroyed));
      SalvageResult sound;
      g_times[1].push_back(salvage(book().sound, &sound));
      g_times[2].push_back(defrag());
    }
    state.SetIterationTime(median(g_times[0]));
  }
  state.counters["file_MB"] = static_cast<double>(bench::fileSize(book().sound)) / 1e6;
}

void printSummary() {
  bench::Table t({"variant", "median ms", "against the reference"});
  const double ref = median(g_times[2]);
  for (int i = 0; i < 3; ++i) {
    const double m = median(g_times[i]);
    t.add({kVariants[i], bench::format("%.1f", m * 1e3), i < 2 ? bench::format("%.2f", m / ref) : "-"});
  }
  t.print(bench::format("%zu pages, book file %.1f MB, %zu runs of each; destroyed: %s",
                        book().pages.size(), bench::fileSize(book().sound) / 1e6, g_times[0].size(),
                        g_destroyed.summary().c_str())
              .c_str());
  if (std::getenv("TVX_BENCH_MARKDOWN") != nullptr) t.printMarkdown();
}

}  // namespace

BENCHMARK(runAll)->Name("salvage/destroyed-table")->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv, printSummary); }
