// The book store beside SQLite on one workload, phase by phase.
//
// The workload (the same data for both, from a fixed random seed):
//   create    10,000 pages, bodies of 100 bytes to 16 KB (log-uniform sizes;
//             each a map text page of one text annotation), then commit
//   read      close, reopen, read every body
//   rewrite   a random third of the bodies replaced by bodies of other sizes,
//             then commit
//   churn     half of the pages deleted and as many new ones created, then commit
//   enumerate every entry's name, type and flags
//   lookup    pages looked up by name
//
// The book goes through the book database exactly as the system uses it: pages
// made with DB::createNode, bodies written and read through the page streams, a
// body rewritten as a page save does (cleared, then written afresh), commit
// moving the work to the book file. SQLite gets one table (ID, name, type, flags,
// body), one transaction per phase and its default journal. The book keeps an
// index of page names in memory, built at its first lookup by name; SQLite gets an
// index on the name made at the start of the lookup phase, so that each engine's
// lookups pay for building its index and then use it.
//
// After the workload the book's fragmentation index (chain steps per chain opened
// while reading every body once) is measured, then again after the external
// defragmenter blkpack has rewritten the book, when that program is found beside
// this one or on PATH.
//
// Each engine runs the whole workload 1 + TVX_BENCH_WARMUP times (default one
// warm-up pass) and the last pass is reported. The first pass in a process pays
// for the process's first touches of memory (the system clears each page, and on
// a virtual machine the host may back it only then); run once, that cost fell
// on whichever engine ran first, which is the book.
//
// Environment: TVX_BENCH_PAGES (default 10000), TVX_BENCH_LOOKUPS (default 100),
// TVX_BENCH_WARMUP (default 1), TVX_BENCH_ID_INDEX (0: the fragmentation index is
// measured with the ID table's chain index turned off, every lookup a walk
// through the table's record; the figure must not change).
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/bench_book.h"
#include "bench/bench_support.h"
#include "core/db.h"
#include "core/nexil.h"
#include "kit/string.h"
#include "maptext/km_esrap.h"
#include "maptext/km_records.h"
#include "platform/io/share_open.h"
#include "store/middle_level_store.h"

namespace {

// ---------------------------------------------------------------------------
// The workload

const char* const kPhases[] = {"create", "read", "rewrite", "churn", "enumerate", "lookup"};
const int kPhaseCount = 6;

struct Page {
  std::string name;
  std::string type;
  uint32_t flags;
  std::string body;
};

struct Workload {
  std::vector<Page> pages;             // the first generation
  std::vector<size_t> rewrite;         // indices into pages
  std::vector<std::string> rewritten;  // their new bodies
  std::vector<size_t> removed;         // indices into pages
  std::vector<Page> added;             // the pages that replace them
  std::vector<std::string> lookups;    // names of pages alive at the end
  size_t bodyBytes = 0;
};

// Passes of each engine's workload: the warm-up passes and the one reported.
int passes() {
  const char* v = std::getenv("TVX_BENCH_WARMUP");
  const int warmups = v == nullptr || *v == '\0' ? 1 : std::max(0, std::min(std::atoi(v), 9));
  return 1 + warmups;
}

int envInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return fallback;
  const int n = std::atoi(v);
  return n > 0 ? n : fallback;
}

// A page body as the system stores it: a map text page, here one text
// annotation whose text makes the body about `size` bytes long (blkpack checks
// that every body reads as map text).
std::string makeBody(std::mt19937& rng, size_t size) {
  static const char* const words[] = {"river", "delta", "trade", "salt", "harbour", "grain",
                                      "mill",  "road",  "tax",   "guild", "market", "ferry"};
  std::uniform_int_distribution<int> pick(0, 11);
  const size_t overhead = 100;
  std::string text;
  while (text.size() + overhead < size) {
    text += words[pick(rng)];
    text += ' ';
  }
  std::stringstream out;
  KMEsrap w(&out, "Tavix");
  w.writeFile("Bench", 1, nullptr);
  const LONG values[1] = {12};
  w.writeAnnotationObject(1, "Note", 10, 10, 300, 80, 1, values, 1, 't', text.c_str(),
                          static_cast<ULONG>(text.size() + 1), nullptr, KM_ABSENT);
  w.close();
  return out.str();
}

size_t bodySize(std::mt19937& rng) {
  // Log-uniform between 100 bytes and 16 KB: many small pages, some large ones.
  std::uniform_real_distribution<double> u(std::log(100.0), std::log(16384.0));
  return static_cast<size_t>(std::exp(u(rng)));
}

const Workload& workload() {
  static Workload w;
  if (!w.pages.empty()) return w;
  std::mt19937 rng(20261208u);
  const int n = envInt("TVX_BENCH_PAGES", 10000);
  const char* types[] = {"map", "note", "index", "glossary"};
  for (int i = 0; i < n; ++i) {
    Page p;
    p.name = bench::format("Page %05d", i);
    p.type = types[i % 4];
    p.flags = static_cast<uint32_t>(i % 7);
    p.body = makeBody(rng, bodySize(rng));
    w.bodyBytes += p.body.size();
    w.pages.push_back(std::move(p));
  }
  std::vector<size_t> order(static_cast<size_t>(n));
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  w.rewrite.assign(order.begin(), order.begin() + n / 3);
  for (size_t i : w.rewrite) {
    std::string body;
    do {
      body = makeBody(rng, bodySize(rng));
    } while (body.size() == w.pages[i].body.size());
    w.rewritten.push_back(std::move(body));
  }
  std::shuffle(order.begin(), order.end(), rng);
  w.removed.assign(order.begin(), order.begin() + n / 2);
  for (int i = 0; i < n / 2; ++i) {
    Page p;
    p.name = bench::format("New page %05d", i);
    p.type = types[i % 4];
    p.flags = static_cast<uint32_t>(i % 5);
    p.body = makeBody(rng, bodySize(rng));
    w.added.push_back(std::move(p));
  }
  // Lookups: half among the survivors of the first generation, half among the
  // new pages, in random order.
  const int lookups = envInt("TVX_BENCH_LOOKUPS", 100);
  std::vector<bool> gone(static_cast<size_t>(n), false);
  for (size_t i : w.removed) gone[i] = true;
  std::vector<std::string> alive;
  for (int i = 0; i < n; ++i) {
    if (!gone[static_cast<size_t>(i)]) alive.push_back(w.pages[static_cast<size_t>(i)].name);
  }
  std::uniform_int_distribution<size_t> pickAlive(0, alive.size() - 1);
  std::uniform_int_distribution<size_t> pickAdded(0, w.added.size() - 1);
  for (int i = 0; i < lookups; ++i) {
    w.lookups.push_back(i % 2 == 0 ? alive[pickAlive(rng)] : w.added[pickAdded(rng)].name);
  }
  return w;
}

// What one engine measured.
struct Result {
  double seconds[kPhaseCount] = {0, 0, 0, 0, 0, 0};
  long long fileBytes = 0;
  double fragBefore = -1;
  double fragAfter = -1;
  long long fileBytesAfter = 0;
  bool done = false;
};
std::map<std::string, Result> g_results;

[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "store_bench: %s\n", why.c_str());
  std::exit(1);
}

// ---------------------------------------------------------------------------
// The book

using bench::BenchNexil;

void writeBody(DB& db, ULONG id, const std::string& body) {
  std::unique_ptr<std::iostream> s = db.getNodeStream(id, 1);
  if (!s) fail("no page stream to write");
  s->write(body.data(), static_cast<std::streamsize>(body.size()));
  s->flush();
  if (!*s) fail("page stream write failed");
}

size_t readBody(DB& db, ULONG id, std::vector<char>& buf) {
  std::unique_ptr<std::iostream> s = db.getNodeStream(id, 0);
  if (!s) return 0;
  size_t total = 0;
  for (;;) {
    s->read(buf.data(), static_cast<std::streamsize>(buf.size()));
    const std::streamsize got = s->gcount();
    total += static_cast<size_t>(got);
    if (got < static_cast<std::streamsize>(buf.size())) break;
  }
  return total;
}

// An empty book file, made the way a new book is saved for the first time.
void makeEmptyBook(BenchNexil& app, const std::string& path) {
  std::unique_ptr<DB> db(new DB(app, "", nullptr, 0, 0));
  db->store()->commit();
  const std::string work = db->workPath().c_str();
  const std::string cmd = "cp '" + work + "' '" + path + "'";
  if (std::system(cmd.c_str()) != 0) fail("could not copy the new book");
}

struct IdCollector {
  std::vector<ULONG> ids;
  size_t nameBytes = 0;
};

int collectEntry(ULONG id, const String& name, const String& type, ULONG flags, void* data) {
  IdCollector* c = static_cast<IdCollector*>(data);
  c->ids.push_back(id);
  c->nameBytes += name.length() + type.length() + (flags & 1);
  return 0;
}

// Reads every body of the book once and returns the fragmentation index that
// reading gave (chain steps per chain opened).
double readAllIndex(BenchNexil& app, const std::string& path) {
  std::unique_ptr<DB> db(new DB(app, "", path.c_str(), 0, _SH_DENYNO));
  const char* idIndex = std::getenv("TVX_BENCH_ID_INDEX");
  if (idIndex != nullptr && std::string(idIndex) == "0") db->store()->idTable()->setIndexBudget(0);
  db->store()->chainStepCount = 0;
  db->store()->chainOpenCount = 0;
  IdCollector c;
  db->doUntilNode(collectEntry, &c);
  std::vector<char> buf(64 * 1024);
  for (ULONG id : c.ids) readBody(*db, id, buf);
  return db->fragmentationIndex();
}

std::string findBlkpack() {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    self[n] = '\0';
    std::string dir(self);
    dir.erase(dir.rfind('/') + 1);
    if (access((dir + "blkpack").c_str(), X_OK) == 0) return dir + "blkpack";
  }
  const char* path = std::getenv("PATH");
  std::string all = path != nullptr ? path : "";
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find(':', start);
    if (end == std::string::npos) end = all.size();
    std::string d = all.substr(start, end - start);
    if (d.empty()) d = ".";
    if (access((d + "/blkpack").c_str(), X_OK) == 0) return d + "/blkpack";
    start = end + 1;
  }
  return std::string();
}

void runBook(benchmark::State& state) {
  const Workload& w = workload();
  const std::string book = bench::scratchDir() + "bench.tvx";
  Result r;
  for (auto _ : state) {
    std::remove(book.c_str());
    BenchNexil app;
    makeEmptyBook(app, book);
    std::vector<ULONG> ids(w.pages.size());
    std::vector<char> buf(64 * 1024);
    std::unique_ptr<DB> db;
    double total = 0;

    bench::Stopwatch t0;
    db.reset(new DB(app, "", book.c_str(), _O_RDWR, _SH_DENYWR));
    for (size_t i = 0; i < w.pages.size(); ++i) {
      const Page& p = w.pages[i];
      ids[i] = db->createNode(String(p.name.c_str()), String(p.type.c_str()), p.flags);
      writeBody(*db, ids[i], p.body);
    }
    if (db->commit() != 0) fail("commit failed");
    total += r.seconds[0] = t0.seconds();

    bench::Stopwatch t1;
    db.reset();
    db.reset(new DB(app, "", book.c_str(), _O_RDWR, _SH_DENYWR));
    size_t bytes = 0;
    for (ULONG id : ids) bytes += readBody(*db, id, buf);
    total += r.seconds[1] = t1.seconds();
    if (bytes != w.bodyBytes) fail("read back a different number of body bytes");

    bench::Stopwatch t2;
    for (size_t k = 0; k < w.rewrite.size(); ++k) {
      const ULONG id = ids[w.rewrite[k]];
      if (db->clearNodeStream(id) != 0) fail("clearing a body failed");
      writeBody(*db, id, w.rewritten[k]);
    }
    if (db->commit() != 0) fail("commit failed");
    total += r.seconds[2] = t2.seconds();

    bench::Stopwatch t3;
    for (size_t i : w.removed) {
      if (db->removeEntry(ids[i]) != 0) fail("removing a page failed");
    }
    for (const Page& p : w.added) {
      const ULONG id = db->createNode(String(p.name.c_str()), String(p.type.c_str()), p.flags);
      writeBody(*db, id, p.body);
    }
    if (db->commit() != 0) fail("commit failed");
    total += r.seconds[3] = t3.seconds();

    bench::Stopwatch t4;
    IdCollector c;
    db->doUntilNode(collectEntry, &c);
    total += r.seconds[4] = t4.seconds();
    if (c.ids.size() != w.pages.size()) fail("enumerated a different number of pages");

    bench::Stopwatch t5;
    size_t found = 0;
    for (const std::string& name : w.lookups) {
      if (db->resolveName(String(name.c_str())) != 0xFFFFFFFFu) ++found;
    }
    total += r.seconds[5] = t5.seconds();
    if (found != w.lookups.size()) fail("a page looked up by name was not found");
    db.reset();
    state.SetIterationTime(total);

    r.fileBytes = bench::fileSize(book);
    r.fragBefore = readAllIndex(app, book);
    const std::string blkpack = findBlkpack();
    if (!blkpack.empty()) {
      const std::string log = bench::scratchDir() + "blkpack.log";
      const std::string cmd = "'" + blkpack + "' '" + book + "' > '" + log + "' 2>&1";
      if (std::system(cmd.c_str()) == 0) {
        r.fragAfter = readAllIndex(app, book);
        r.fileBytesAfter = bench::fileSize(book);
      } else {
        std::fprintf(stderr, "store_bench: blkpack failed:\n");
        const std::string show = "cat '" + log + "' >&2";
        if (std::system(show.c_str()) != 0) std::fprintf(stderr, "(no output)\n");
      }
    }
  }
  for (int i = 0; i < kPhaseCount; ++i) state.counters[std::string(kPhases[i]) + "_ms"] = r.seconds[i] * 1e3;
  state.counters["file_MB"] = static_cast<double>(r.fileBytes) / 1e6;
  state.counters["frag_index"] = r.fragBefore;
  if (r.fragAfter >= 0) state.counters["frag_after_blkpack"] = r.fragAfter;
  r.done = true;
  g_results["book"] = r;
}

// ---------------------------------------------------------------------------
// SQLite

class Sql {
 public:
  explicit Sql(const std::string& path) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) fail("sqlite3_open failed");
  }
  ~Sql() { sqlite3_close(db_); }
  void exec(const char* sql) {
    char* msg = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
      std::string why = msg != nullptr ? msg : "?";
      sqlite3_free(msg);
      fail(std::string("sqlite: ") + why);
    }
  }
  sqlite3_stmt* prepare(const char* sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) != SQLITE_OK) fail("sqlite prepare failed");
    return st;
  }
  sqlite3* db() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

void step(sqlite3_stmt* st, int want) {
  const int rc = sqlite3_step(st);
  if (rc != want) fail(bench::format("sqlite step gave %d", rc));
}

void runSqlite(benchmark::State& state) {
  const Workload& w = workload();
  const std::string path = bench::scratchDir() + "bench.sqlite";
  Result r;
  for (auto _ : state) {
    std::remove(path.c_str());
    std::remove((path + "-journal").c_str());
    std::unique_ptr<Sql> db(new Sql(path));
    db->exec("CREATE TABLE pages(id INTEGER PRIMARY KEY, name TEXT, type TEXT, flags INTEGER, body BLOB)");
    std::vector<sqlite3_int64> ids(w.pages.size());
    std::vector<char> buf;
    double total = 0;

    auto insert = [&](Sql& s, sqlite3_stmt* st, const Page& p) {
      sqlite3_reset(st);
      sqlite3_bind_text(st, 1, p.name.data(), static_cast<int>(p.name.size()), SQLITE_STATIC);
      sqlite3_bind_text(st, 2, p.type.data(), static_cast<int>(p.type.size()), SQLITE_STATIC);
      sqlite3_bind_int64(st, 3, p.flags);
      sqlite3_bind_blob(st, 4, p.body.data(), static_cast<int>(p.body.size()), SQLITE_STATIC);
      step(st, SQLITE_DONE);
      return sqlite3_last_insert_rowid(s.db());
    };

    bench::Stopwatch t0;
    {
      db->exec("BEGIN");
      sqlite3_stmt* st = db->prepare("INSERT INTO pages(name, type, flags, body) VALUES(?, ?, ?, ?)");
      for (size_t i = 0; i < w.pages.size(); ++i) ids[i] = insert(*db, st, w.pages[i]);
      sqlite3_finalize(st);
      db->exec("COMMIT");
    }
    total += r.seconds[0] = t0.seconds();

    bench::Stopwatch t1;
    db.reset();
    db.reset(new Sql(path));
    size_t bytes = 0;
    {
      db->exec("BEGIN");
      sqlite3_stmt* st = db->prepare("SELECT body FROM pages WHERE id = ?");
      for (sqlite3_int64 id : ids) {
        sqlite3_reset(st);
        sqlite3_bind_int64(st, 1, id);
        step(st, SQLITE_ROW);
        const void* blob = sqlite3_column_blob(st, 0);
        const int n = sqlite3_column_bytes(st, 0);
        buf.assign(static_cast<const char*>(blob), static_cast<const char*>(blob) + n);
        bytes += static_cast<size_t>(n);
      }
      sqlite3_finalize(st);
      db->exec("COMMIT");
    }
    total += r.seconds[1] = t1.seconds();
    if (bytes != w.bodyBytes) fail("sqlite read back a different number of body bytes");

    bench::Stopwatch t2;
    {
      db->exec("BEGIN");
      sqlite3_stmt* st = db->prepare("UPDATE pages SET body = ? WHERE id = ?");
      for (size_t k = 0; k < w.rewrite.size(); ++k) {
        const std::string& body = w.rewritten[k];
        sqlite3_reset(st);
        sqlite3_bind_blob(st, 1, body.data(), static_cast<int>(body.size()), SQLITE_STATIC);
        sqlite3_bind_int64(st, 2, ids[w.rewrite[k]]);
        step(st, SQLITE_DONE);
      }
      sqlite3_finalize(st);
      db->exec("COMMIT");
    }
    total += r.seconds[2] = t2.seconds();

    bench::Stopwatch t3;
    {
      db->exec("BEGIN");
      sqlite3_stmt* del = db->prepare("DELETE FROM pages WHERE id = ?");
      for (size_t i : w.removed) {
        sqlite3_reset(del);
        sqlite3_bind_int64(del, 1, ids[i]);
        step(del, SQLITE_DONE);
      }
      sqlite3_finalize(del);
      sqlite3_stmt* st = db->prepare("INSERT INTO pages(name, type, flags, body) VALUES(?, ?, ?, ?)");
      for (const Page& p : w.added) insert(*db, st, p);
      sqlite3_finalize(st);
      db->exec("COMMIT");
    }
    total += r.seconds[3] = t3.seconds();

    bench::Stopwatch t4;
    size_t count = 0, nameBytes = 0;
    {
      db->exec("BEGIN");
      sqlite3_stmt* st = db->prepare("SELECT id, name, type, flags FROM pages");
      while (sqlite3_step(st) == SQLITE_ROW) {
        ++count;
        nameBytes += static_cast<size_t>(sqlite3_column_bytes(st, 1) + sqlite3_column_bytes(st, 2)) +
                     (sqlite3_column_int64(st, 3) & 1);
      }
      sqlite3_finalize(st);
      db->exec("COMMIT");
    }
    benchmark::DoNotOptimize(nameBytes);
    total += r.seconds[4] = t4.seconds();
    if (count != w.pages.size()) fail("sqlite enumerated a different number of pages");

    bench::Stopwatch t5;
    size_t found = 0;
    {
      db->exec("BEGIN");
      db->exec("CREATE INDEX pages_name ON pages(name)");
      sqlite3_stmt* st = db->prepare("SELECT id FROM pages WHERE name = ? LIMIT 1");
      for (const std::string& name : w.lookups) {
        sqlite3_reset(st);
        sqlite3_bind_text(st, 1, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
        if (sqlite3_step(st) == SQLITE_ROW) ++found;
      }
      sqlite3_finalize(st);
      db->exec("COMMIT");
    }
    total += r.seconds[5] = t5.seconds();
    if (found != w.lookups.size()) fail("sqlite did not find a page by name");
    db.reset();
    state.SetIterationTime(total);
    r.fileBytes = bench::fileSize(path);
  }
  for (int i = 0; i < kPhaseCount; ++i) state.counters[std::string(kPhases[i]) + "_ms"] = r.seconds[i] * 1e3;
  state.counters["file_MB"] = static_cast<double>(r.fileBytes) / 1e6;
  r.done = true;
  g_results["sqlite"] = r;
}

void printSummary() {
  auto b = g_results.find("book");
  auto s = g_results.find("sqlite");
  if (b == g_results.end() || s == g_results.end()) return;
  const Workload& w = workload();
  bench::Table t({"phase", "book ms", "SQLite ms", "book/SQLite"});
  for (int i = 0; i < kPhaseCount; ++i) {
    const double ours = b->second.seconds[i] * 1e3, theirs = s->second.seconds[i] * 1e3;
    t.add({kPhases[i], bench::format("%.1f", ours), bench::format("%.1f", theirs),
           theirs > 0 ? bench::format("%.2f", ours / theirs) : "-"});
  }
  t.add({"file size MB", bench::format("%.1f", b->second.fileBytes / 1e6),
         bench::format("%.1f", s->second.fileBytes / 1e6),
         bench::format("%.2f", static_cast<double>(b->second.fileBytes) /
                                   static_cast<double>(std::max(1LL, s->second.fileBytes)))});
  t.print(bench::format("%zu pages, %.1f MB of bodies, %zu lookups (ratio < 1: the book is faster)",
                        w.pages.size(), w.bodyBytes / 1e6, w.lookups.size())
              .c_str());
  std::printf("fragmentation index (chain steps per chain opened, reading every body): %.2f\n",
              b->second.fragBefore);
  if (b->second.fragAfter >= 0) {
    std::printf("after blkpack: %.2f, book file %.1f MB\n", b->second.fragAfter,
                b->second.fileBytesAfter / 1e6);
  } else {
    std::printf("after blkpack: not measured (blkpack not found beside this program or on PATH)\n");
  }
  if (std::getenv("TVX_BENCH_MARKDOWN") != nullptr) t.printMarkdown();
}

}  // namespace

BENCHMARK(runBook)
    ->Name("store/book")
    ->Iterations(passes())
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(runSqlite)
    ->Name("store/sqlite")
    ->Iterations(passes())
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv, printSummary); }
