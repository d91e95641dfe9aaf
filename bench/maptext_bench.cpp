// Map text writing and parsing beside JSON (RapidJSON) on the same content, and a
// plain byte scan (memchr for ')') as the upper bound of any reader.
//
// A page of N idea symbols holds N nodes (name, type name, rectangle, flags, page
// reference), N - 1 links chaining them (type, the two nodes, two values, flags)
// and N / 10 text annotations (name, rectangle, three values, a sentence of
// text). Pages of 100, 1,000 and 10,000 symbols are measured.
//
//   write    ours: KMEsrap into a string stream; JSON: RapidJSON's Writer into a
//            StringBuffer, from the same records
//   parse    ours: a MapRead-derived reader whose handlers count what they get,
//            over an in-memory stream buffer; JSON: RapidJSON Document::Parse
//            (a DOM) and RapidJSON Reader with a counting handler (SAX)
//   scan     memchr for ')' over the map text
//
// Every benchmark reports bytes per second of its own text; the summary after
// the report gives the ratios against RapidJSON. Both use CPU time: the work is
// single-threaded and in memory, and CPU time holds steady on a shared machine.
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "bench/bench_support.h"
#include "maptext/km_esrap.h"
#include "maptext/km_records.h"
#include "maptext/map_read.h"

namespace {

const char kTag[] = "Tavix";
const int kSizes[] = {100, 1000, 10000};

// ---------------------------------------------------------------------------
// The content of a page

struct NodeRec {
  LONG id;
  std::string name;
  std::string typeName;
  LONG x, y, x2, y2;
  ULONG flags;
  LONG refId;
};
struct LinkRec {
  LONG id;
  LONG typeId;
  LONG node1, node2;
  LONG a, b;
  ULONG flags;
};
struct AnnoRec {
  LONG id;
  std::string name;
  LONG x, y, x2, y2;
  ULONG flags;
  LONG values[3];
  std::string text;
};
struct PageContent {
  std::vector<NodeRec> nodes;
  std::vector<LinkRec> links;
  std::vector<AnnoRec> annotations;
};

PageContent makeContent(int symbols) {
  std::mt19937 rng(353u + static_cast<unsigned>(symbols));
  std::uniform_int_distribution<int> coord(0, 4000);
  std::uniform_int_distribution<int> word(0, 11);
  static const char* const words[] = {"river", "delta", "trade", "salt",  "harbour", "grain",
                                      "mill",  "road",  "tax",   "guild", "market",  "ferry"};
  static const char* const types[] = {"concept", "example", "question", "source"};
  PageContent c;
  for (int i = 1; i <= symbols; ++i) {
    NodeRec n;
    n.id = i;
    n.name = std::string(words[word(rng)]) + " " + words[word(rng)] + " " + std::to_string(i);
    n.typeName = types[i % 4];
    n.x = coord(rng);
    n.y = coord(rng);
    n.x2 = n.x + 120;
    n.y2 = n.y + 40;
    n.flags = static_cast<ULONG>(i % 3);
    n.refId = 1000 + i;
    c.nodes.push_back(std::move(n));
  }
  for (int i = 1; i < symbols; ++i) {
    c.links.push_back({symbols + i, 2 + i % 3, i, i + 1, 10, 20, static_cast<ULONG>(i % 2)});
  }
  for (int i = 1; i <= symbols / 10; ++i) {
    AnnoRec a;
    a.id = 2 * symbols + i;
    a.name = "Note " + std::to_string(i);
    a.x = coord(rng);
    a.y = coord(rng);
    a.x2 = a.x + 300;
    a.y2 = a.y + 80;
    a.flags = 1;
    a.values[0] = 12;
    a.values[1] = 0;
    a.values[2] = 255;
    a.text = std::string("The ") + words[word(rng)] + " of the " + words[word(rng)] +
             " shaped the " + words[word(rng)] + " \"here\", as the notes say.";
    c.annotations.push_back(std::move(a));
  }
  return c;
}

// ---------------------------------------------------------------------------
// Map text

std::string writeMapText(const PageContent& c) {
  std::stringstream out;
  KMEsrap w(&out, kTag);
  w.writeFile("Bench", 1, nullptr);
  for (const NodeRec& n : c.nodes) {
    w.writeNodeObject(n.id, n.name.c_str(), KM_ABSENT, n.typeName.c_str(), n.x, n.y, n.x2, n.y2,
                      n.flags, n.refId, nullptr, nullptr);
  }
  for (const LinkRec& l : c.links) {
    w.writeLinkObject(l.id, l.typeId, nullptr, l.node1, l.node2, l.a, l.b, l.flags, KM_ABSENT,
                      nullptr, nullptr);
  }
  for (const AnnoRec& a : c.annotations) {
    w.writeAnnotationObject(a.id, a.name.c_str(), a.x, a.y, a.x2, a.y2, a.flags, a.values, 3, 't',
                            a.text.c_str(), static_cast<ULONG>(a.text.size() + 1), nullptr,
                            KM_ABSENT);
  }
  w.close();
  if (w.getStatus() < 0) {
    std::fprintf(stderr, "maptext_bench: writing failed with status %ld\n",
                 static_cast<long>(w.getStatus()));
    std::exit(1);
  }
  return out.str();
}

// A read-only stream buffer over bytes in memory: the parser reads the text
// where it lies, as it would read a page body out of a stream buffer.
class MemoryBuf : public std::streambuf {
 public:
  MemoryBuf(const char* data, size_t n) {
    char* p = const_cast<char*>(data);
    setg(p, p, p + n);
  }

 protected:
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
    off_type base = dir == std::ios_base::beg ? 0 : dir == std::ios_base::cur ? gptr() - eback()
                                                                               : egptr() - eback();
    const off_type target = base + off;
    if (target < 0 || target > egptr() - eback()) return pos_type(off_type(-1));
    setg(eback(), eback() + target, egptr());
    return pos_type(target);
  }
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
    return seekoff(off_type(pos), std::ios_base::beg, which);
  }
};

// Counts the records it is handed and touches their values, so that nothing
// the parser delivers goes unused.
class CountingReader : public MapRead {
 public:
  explicit CountingReader(std::istream* in) : KMFileInfo(kTag), MapRead(kTag, in) {}
  int CMFileHeader(KM_FileHeader&) override { return 1; }
  int CMCM(KM_CM&) override { return 1; }
  int CMNode(KM_Node& n) override {
    ++nodes;
    sum += n.x + n.y + (n.name != nullptr ? n.name[0] : 0);
    return 1;
  }
  int CMLink(KM_Link& l) override {
    ++links;
    sum += l.nodeIds != nullptr ? l.nodeIds[0] : 0;
    return 1;
  }
  int CMNodeType(KM_NodeType&) override { return 1; }
  int CMLinkType(KM_LinkType&) override { return 1; }
  int CMAnnotation(KM_Annotation& a) override {
    ++annotations;
    sum += static_cast<long long>(a.dataSize);
    return 1;
  }
  int CMAttr(char*, char*) override { return 1; }

  long long nodes = 0, links = 0, annotations = 0, sum = 0;
};

// ---------------------------------------------------------------------------
// JSON

template <class Writer>
void writeJsonTo(Writer& w, const PageContent& c) {
  w.StartObject();
  w.Key("author");
  w.String("Bench");
  w.Key("version");
  w.Int(1);
  w.Key("nodes");
  w.StartArray();
  for (const NodeRec& n : c.nodes) {
    w.StartObject();
    w.Key("id");
    w.Int(n.id);
    w.Key("name");
    w.String(n.name.c_str(), static_cast<rapidjson::SizeType>(n.name.size()));
    w.Key("type");
    w.String(n.typeName.c_str(), static_cast<rapidjson::SizeType>(n.typeName.size()));
    w.Key("rect");
    w.StartArray();
    w.Int(n.x);
    w.Int(n.y);
    w.Int(n.x2);
    w.Int(n.y2);
    w.EndArray();
    w.Key("flags");
    w.Uint(n.flags);
    w.Key("ref");
    w.Int(n.refId);
    w.EndObject();
  }
  w.EndArray();
  w.Key("links");
  w.StartArray();
  for (const LinkRec& l : c.links) {
    w.StartObject();
    w.Key("id");
    w.Int(l.id);
    w.Key("type");
    w.Int(l.typeId);
    w.Key("nodes");
    w.StartArray();
    w.Int(l.node1);
    w.Int(l.node2);
    w.EndArray();
    w.Key("a");
    w.Int(l.a);
    w.Key("b");
    w.Int(l.b);
    w.Key("flags");
    w.Uint(l.flags);
    w.EndObject();
  }
  w.EndArray();
  w.Key("annotations");
  w.StartArray();
  for (const AnnoRec& a : c.annotations) {
    w.StartObject();
    w.Key("id");
    w.Int(a.id);
    w.Key("name");
    w.String(a.name.c_str(), static_cast<rapidjson::SizeType>(a.name.size()));
    w.Key("rect");
    w.StartArray();
    w.Int(a.x);
    w.Int(a.y);
    w.Int(a.x2);
    w.Int(a.y2);
    w.EndArray();
    w.Key("flags");
    w.Uint(a.flags);
    w.Key("values");
    w.StartArray();
    for (LONG v : a.values) w.Int(v);
    w.EndArray();
    w.Key("text");
    w.String(a.text.c_str(), static_cast<rapidjson::SizeType>(a.text.size()));
    w.EndObject();
  }
  w.EndArray();
  w.EndObject();
}

std::string writeJson(const PageContent& c) {
  rapidjson::StringBuffer sb;
  rapidjson::Writer<rapidjson::StringBuffer> w(sb);
  writeJsonTo(w, c);
  return std::string(sb.GetString(), sb.GetSize());
}

struct CountingHandler : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, CountingHandler> {
  long long objects = 0, values = 0;
  bool Default() {
    ++values;
    return true;
  }
  bool StartObject() {
    ++objects;
    return true;
  }
};

// ---------------------------------------------------------------------------
// The pages, made once per size

struct Fixture {
  PageContent content;
  std::string mapText;
  std::string json;
};

const Fixture& fixture(int symbols) {
  static std::map<int, Fixture> all;
  auto it = all.find(symbols);
  if (it != all.end()) return it->second;
  Fixture& f = all[symbols];
  f.content = makeContent(symbols);
  f.mapText = writeMapText(f.content);
  f.json = writeJson(f.content);
  // The reader must see every record, or the timings mean nothing.
  MemoryBuf buf(f.mapText.data(), f.mapText.size());
  std::istream in(&buf);
  CountingReader r(&in);
  r.readFile();
  if (r.getStatus() < 0 || r.nodes != static_cast<long long>(f.content.nodes.size()) ||
      r.links != static_cast<long long>(f.content.links.size()) ||
      r.annotations != static_cast<long long>(f.content.annotations.size())) {
    char text[300];
    r.errorText(text, sizeof text);
    std::fprintf(stderr, "maptext_bench: the written page did not read back: %s\n", text);
    std::exit(1);
  }
  return f;
}

void writeOurs(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string s = writeMapText(f.content);
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.mapText.size()));
}

void writeRapidJson(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string s = writeJson(f.content);
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.json.size()));
}

void parseOurs(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    MemoryBuf buf(f.mapText.data(), f.mapText.size());
    std::istream in(&buf);
    CountingReader r(&in);
    r.readFile();
    benchmark::DoNotOptimize(r.sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.mapText.size()));
}

void parseRapidJsonDom(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    rapidjson::Document d;
    d.Parse(f.json.c_str(), f.json.size());
    if (d.HasParseError()) state.SkipWithError("JSON did not parse");
    benchmark::DoNotOptimize(d.MemberCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.json.size()));
}

void parseRapidJsonSax(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    rapidjson::Reader reader;
    rapidjson::StringStream ss(f.json.c_str());
    CountingHandler h;
    if (!reader.Parse(ss, h)) state.SkipWithError("JSON did not parse");
    benchmark::DoNotOptimize(h.values);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.json.size()));
}

void scanMemchr(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const char* p = f.mapText.data();
    const char* end = p + f.mapText.size();
    long long closes = 0;
    while ((p = static_cast<const char*>(std::memchr(p, ')', static_cast<size_t>(end - p)))) != nullptr) {
      ++closes;
      ++p;
    }
    benchmark::DoNotOptimize(closes);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.mapText.size()));
}

void sizes(benchmark::internal::Benchmark* b) {
  for (int n : kSizes) b->Arg(n);
  b->Unit(benchmark::kMicrosecond);
}

// Keeps each run's time and throughput for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  struct Seen {
    double microseconds = 0;
    double bytesPerSecond = 0;
  };
  std::map<std::string, Seen> seen;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
      Seen s;
      s.microseconds = r.GetAdjustedCPUTime();
      auto bps = r.counters.find("bytes_per_second");
      if (bps != r.counters.end()) s.bytesPerSecond = bps->second.value;
      seen[r.benchmark_name()] = s;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

void printSummary(const SummaryReporter& rep) {
  auto get = [&](const char* what, int n) -> const SummaryReporter::Seen* {
    auto it = rep.seen.find(bench::format("%s/%d", what, n));
    return it == rep.seen.end() ? nullptr : &it->second;
  };
  bench::Table t({"symbols", "map text KB", "JSON KB", "write MB/s", "JSON write MB/s",
                  "write time ratio", "parse MB/s", "JSON DOM MB/s", "JSON SAX MB/s",
                  "memchr MB/s", "parse speed vs DOM", "parse speed vs SAX"});
  for (int n : kSizes) {
    const auto *w = get("maptext/write/ours", n), *jw = get("maptext/write/rapidjson", n),
               *p = get("maptext/parse/ours", n), *dom = get("maptext/parse/rapidjson_dom", n),
               *sax = get("maptext/parse/rapidjson_sax", n), *scan = get("maptext/scan/memchr", n);
    const Fixture& f = fixture(n);
    auto rate = [](const SummaryReporter::Seen* x) {
      return x ? bench::format("%.0f", x->bytesPerSecond / 1e6) : std::string("-");
    };
    // Ratios compare the time for the same content (the texts differ in length).
    auto ratio = [](const SummaryReporter::Seen* num, const SummaryReporter::Seen* den) {
      return num && den && den->microseconds > 0
                 ? bench::format("%.2f", num->microseconds / den->microseconds)
                 : std::string("-");
    };
    t.add({std::to_string(n), bench::format("%.0f", f.mapText.size() / 1024.0),
           bench::format("%.0f", f.json.size() / 1024.0), rate(w), rate(jw), ratio(w, jw), rate(p),
           rate(dom), rate(sax), rate(scan), ratio(dom, p), ratio(sax, p)});
  }
  t.print("Map text against RapidJSON (write time ratio: ours / JSON, below 1 is faster; parse speed: "
          "JSON time / ours for the same page, 0.5 is the target)");
  if (std::getenv("TVX_BENCH_MARKDOWN") != nullptr) t.printMarkdown();
}

}  // namespace

BENCHMARK(writeOurs)->Name("maptext/write/ours")->Apply(sizes);
BENCHMARK(writeRapidJson)->Name("maptext/write/rapidjson")->Apply(sizes);
BENCHMARK(parseOurs)->Name("maptext/parse/ours")->Apply(sizes);
BENCHMARK(parseRapidJsonDom)->Name("maptext/parse/rapidjson_dom")->Apply(sizes);
BENCHMARK(parseRapidJsonSax)->Name("maptext/parse/rapidjson_sax")->Apply(sizes);
BENCHMARK(scanMemchr)->Name("maptext/scan/memchr")->Apply(sizes);

int main(int argc, char** argv) {
  bench::scratchDir();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  printSummary(reporter);
  bench::removeScratchDir();
  return 0;
}
