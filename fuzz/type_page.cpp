// Reader target: the type page. The input is read as the body of a book's type
// page (a TypeNode on an in-memory stream), which repairs what it finds, and is
// then written back. The written page must read back with no parse error and no
// repair, giving the same types (ids, names, parents, raw attribute values), and
// writing that again must give the same bytes. Anything else is a finding (abort).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "core/node_ref.h"
#include "fuzz/fuzz_support.h"
#include "plugin/type_node.h"

namespace {

// Every type of a repository, one line each.
std::string dump(const TypeRep& rep) {
  std::string out;
  LONG cursor = -1;
  for (XType* t = rep.iterate(cursor); t != nullptr; t = rep.iterate(cursor)) {
    out += std::to_string(t->id()) + " " + t->name() + " " + std::to_string(t->parent());
    for (int i = 0; i < t->attrCount(); ++i) out += " " + std::to_string(t->peek(i));
    out += "\n";
  }
  return out;
}

// Counts what reading a page reports: repairs (notes) and problems.
class Reports : public ErrorHandler {
 public:
  Reports() : previous_(ErrorHandler::applicationHandler()) {
    ErrorHandler::setApplicationHandler(this);
  }
  ~Reports() override { ErrorHandler::setApplicationHandler(previous_); }
  int handleError(char kind, const char* text) override {
    if (kind == 'z') ++repairs;
    else ++problems;
    last = text != nullptr ? text : "";
    return 0;
  }
  int repairs = 0;
  int problems = 0;
  std::string last;

 private:
  ErrorHandler* previous_;
};

struct Pass {
  std::string types;
  std::string written;
  LONG writeStatus;
  int repairs;
  int problems;
  std::string lastReport;
};

Pass read(FuzzNexil& app, const std::string& text) {
  Reports reports;
  std::stringstream in(text);
  TypeNode page(NodeRef(), &in, app);
  Pass p;
  if (!page.nodeTypes().classInvarient(__FILE__, __LINE__) ||
      !page.linkTypes().classInvarient(__FILE__, __LINE__)) {
    std::fprintf(stderr, "type page: a repository breaks its invariant\n");
    std::abort();
  }
  if (page.consistencyCheck() != 0) {
    std::fprintf(stderr, "type page: a second check still finds repairs\n");
    std::abort();
  }
  p.types = dump(page.nodeTypes()) + "--\n" + dump(page.linkTypes());
  std::ostringstream out;
  p.writeStatus = page.writeTo(out);
  p.written = out.str();
  p.repairs = reports.repairs;
  p.problems = reports.problems;
  p.lastReport = reports.last;
  return p;
}

void fail(const char* what, const std::string& a, const std::string& b) {
  std::fprintf(stderr, "type page: %s\n--- first\n%s\n--- second\n%s\n", what, a.c_str(),
               b.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 16)) return 0;
  quietProcess();
  FuzzNexil app;
  const Pass first = read(app, std::string(reinterpret_cast<const char*>(data), size));
  if (first.writeStatus < 0) fail("the page could not be written", first.types, "");
  const Pass second = read(app, first.written);
  if (second.repairs != 0 || second.problems != 0) {
    fail(("the written page reports: " + second.lastReport).c_str(), first.written, "");
  }
  if (second.types != first.types) fail("types differ", first.types, second.types);
  if (second.written != first.written) fail("writing again changed the bytes", first.written, second.written);
  return 0;
}
