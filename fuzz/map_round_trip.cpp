// Reader target: the map text round trip. Text that reads without error is
// written back through the structured writer record by record, and the written
// text must read back with status 0 and the same records; writing that again
// must give the same bytes (the writer's output is a fixed point).
//
// What the writer cannot express is left out of the comparison: a link keeps
// its first two page ids (a missing id list counts as an empty one), the file header keeps the major author's first
// version number, every section is written in the writer's own version, and a text
// body ends at its first NUL. Anything else that differs is a finding (abort).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "maptext/km_esrap.h"
#include "maptext/map_read.h"
#include "tests/maptext/recording_reader.h"

namespace {

const char kTag[] = "Tavix: Netscape Plugin";
const LONG A = KM_ABSENT;

// Reads a page, records each record as a line and writes it straight back.
class Copier : public maptext_test::Recording<MapRead> {
 public:
  Copier(std::istream* in, std::ostream* out)
      : KMFileInfo(kTag), maptext_test::Recording<MapRead>(kTag, in), w(out, kTag) {
    w.setPrettyPrint(0);
  }
  int CMFileHeader(KM_FileHeader& h) override {
    // Only the first version number reaches the writer.
    h.majorAuthorVersion2 = A;
    Recording::CMFileHeader(h);
    w.setCMName(h.cmName);
    copyStream(h.names, w.names);
    copyStream(h.authors, w.authors);
    copyStream(h.comments, w.comments);
    copyStream(h.extensions, w.extensions);
    w.writeFile(h.majorAuthor, h.majorAuthorVersion1, nullptr);
    return 1;
  }
  int CMCM(KM_CM& cm) override {
    cm.version = KM_SECTION_VERSION;
    Recording::CMCM(cm);
    w.writeConceptMap(cm.bounds, cm.viewport, cm.extra);
    return 0;
  }
  int CMNodeType(KM_NodeType& t) override {
    t.version = KM_SECTION_VERSION;
    Recording::CMNodeType(t);
    w.writeNodeType(t.id, t.name, t.parent, t.shape, t.fill1, t.fill2, t.line1, t.line2, t.line3,
                    t.shapeValue, t.textSpec, t.extension);
    return 0;
  }
  int CMLinkType(KM_LinkType& t) override {
    t.version = KM_SECTION_VERSION;
    Recording::CMLinkType(t);
    w.writeLinkType(t.id, t.name, t.parent, t.constraint1, t.constraint2, t.textSpec, t.line1,
                    t.line2, t.line3, t.lineValue, t.arrowHead1, t.arrowHead2, t.extension);
    return 0;
  }
  int CMNode(KM_Node& n) override {
    n.version = KM_SECTION_VERSION;
    Recording::CMNode(n);
    w.writeNodeObject(n.id, n.name, n.typeId, n.typeName, n.x, n.y, n.x2, n.y2, n.flags, n.refId,
                      n.ref, n.extension);
    return 0;
  }
  int CMLink(KM_Link& l) override {
    // The writer takes two page ids: compare what it can write.
    LONG ids[3] = {A, A, A};
    if (l.nodeIds != nullptr) {
      ids[0] = l.nodeIds[0];
      if (ids[0] != A) ids[1] = l.nodeIds[1];
    }
    // No id list and an empty one are the same to the writer (it writes the
    // list either way), so both are recorded as an empty list.
    LONG* original = l.nodeIds;
    l.nodeIds = ids;
    l.version = KM_SECTION_VERSION;
    Recording::CMLink(l);
    l.nodeIds = original;
    w.writeLinkObject(l.id, l.typeId, l.typeName, ids[0], ids[1], l.a, l.b, l.flags, l.refId,
                      l.ref, l.extension);
    return 0;
  }
  int CMAnnotation(KM_Annotation& a) override {
    a.version = KM_SECTION_VERSION;
    // A text body is written as a text: it ends at its first NUL (an escaped NUL
    // inside a quoted string reads back as one).
    if ((a.kind == 't' || a.kind == 'g' || a.kind == 'p') && a.data != nullptr) {
      a.dataSize = static_cast<ULONG>(std::strlen(static_cast<const char*>(a.data)) + 1);
    }
    Recording::CMAnnotation(a);
    w.writeAnnotationObject(a.id, a.name, a.x, a.y, a.x2, a.y2, a.flags, a.values, a.valueCount,
                            a.kind, a.data, a.dataSize, a.extension, a.extra);
    return 0;
  }

  KMEsrap w;

 private:
  static void copyStream(std::istream* from, std::unique_ptr<std::stringstream>& to) {
    if (from == nullptr) return;
    std::ostringstream all;
    all << from->rdbuf();
    KMFileInfo::makeStream(to) << all.str();
  }
};

struct Pass {
  LONG readStatus;
  LONG writeStatus;
  std::vector<std::string> records;
  std::string written;
};

Pass copy(const std::string& text) {
  std::istringstream in(text);
  std::stringstream out;
  Copier c(&in, &out);
  Pass p;
  p.readStatus = c.readFile();
  c.attach(nullptr);
  c.w.close();
  p.writeStatus = c.w.getStatus();
  p.records = c.lines;
  p.written = out.str();
  return p;
}

void fail(const char* what, const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::fprintf(stderr, "round trip: %s\n", what);
  for (std::size_t i = 0; i < a.size() || i < b.size(); ++i) {
    const std::string x = i < a.size() ? a[i] : "(none)";
    const std::string y = i < b.size() ? b[i] : "(none)";
    if (x != y) std::fprintf(stderr, "  record %zu\n  expected %s\n  actual   %s\n", i, x.c_str(), y.c_str());
  }
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 16)) return 0;
  const Pass first = copy(std::string(reinterpret_cast<const char*>(data), size));
  // Only text that reads whole and that the writer accepts has a round trip.
  if (first.readStatus != 0 || first.writeStatus < 0) return 0;
  // A signature line without a body reads as an empty file: nothing to write.
  if (first.records.empty()) return 0;
  const Pass second = copy(first.written);
  if (second.readStatus != 0) fail(("written text does not read: status " + std::to_string(second.readStatus)).c_str(), {first.written}, {});
  if (second.records != first.records) fail("records differ", first.records, second.records);
  if (second.written != first.written) fail("writing again changed the bytes", {first.written}, {second.written});
  return 0;
}
