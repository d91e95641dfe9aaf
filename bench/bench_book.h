// What the benchmarks that make books share: the application object a book
// database needs (no windows, no pages to show), and the body of a page of
// the sizes the store workloads use.
#ifndef BENCH_BENCH_BOOK_H
#define BENCH_BENCH_BOOK_H

#include <cmath>
#include <random>
#include <string>

#include "core/nexil.h"

namespace bench {

class BenchNexil : public Nexil {
 public:
  int addDB(DBRef&, const char*, const char*, int, int) override { return -1; }
  int findDB(DBRef&, const char*, const char*) override { return 1; }
  Node* getDisplayedNode(NodeRef&) override { return nullptr; }
  Node* instantiateNode(std::iostream*, NodeRef&) override { return nullptr; }
  int saveNode(std::iostream&, Node&) override { return -1; }
  int loadNode(TWindow*, NodeRef&, int, int, TRect*, bool) override { return -1; }
  NodeWindow* makeNodeWindow(DB*, const char*, const char*) override { return nullptr; }
};

// One application object for the whole run.
inline BenchNexil& app() {
  static BenchNexil a;
  return a;
}

// A map text page of one text annotation whose body is 100 bytes to 16 KB,
// log-uniform.
inline std::string body(std::mt19937& rng) {
  const double lo = std::log(100.0), hi = std::log(16384.0);
  const double size = std::exp(lo + (hi - lo) * (rng() / 4294967296.0));
  return "#CM&^# 161\r\n(B(a\"" + std::string(static_cast<size_t>(size), 'x') + "\",1,1),,,)\r\n";
}

}  // namespace bench

#endif  // BENCH_BENCH_BOOK_H
