// Map text written by the structured writer reads back through the parser with
// status 0 and the same records, for pages with types, nodes, links,
// annotations of every kind and attribute lists; and a page read and written
// again comes out byte for byte the same.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "maptext/km_esrap.h"
#include "maptext/map_read.h"
#include "recording_reader.h"

using maptext_test::Recording;

namespace {

const char kTag[] = "Tavix: Netscape Plugin";
const LONG A = KM_ABSENT;

// A recording reader that also records the bytes of OLE and publish/subscribe
// bodies, which the plain recording gives only by size.
class Reader : public Recording<MapRead> {
 public:
  explicit Reader(std::istream* in) : KMFileInfo(kTag), Recording<MapRead>(kTag, in) {}
  int CMAnnotation(KM_Annotation& a) override {
    Recording<MapRead>::CMAnnotation(a);
    if ((a.kind == 'o' || a.kind == 'm') && a.data) {
      std::string hex;
      const unsigned char* p = static_cast<const unsigned char*>(a.data);
      char two[3];
      for (ULONG i = 0; i < a.dataSize; ++i) {
        std::snprintf(two, sizeof two, "%02x", p[i]);
        hex += two;
      }
      lines.back() += " bytes=" + hex;
    }
    return 0;
  }
};

std::unique_ptr<std::stringstream> streamOf(const std::string& text) {
  if (text.empty()) return nullptr;
  return std::unique_ptr<std::stringstream>(new std::stringstream(text));
}

// Writes a page through KMEsrap and hands the same records to a reader without
// input: its lines are what reading the written text must deliver.
class Page {
 public:
  explicit Page(bool pretty) : w(&out, kTag), expected(nullptr) { w.setPrettyPrint(pretty); }

  void file(const char* author, LONG version, const char* cmName, const std::string& names,
            const std::string& authors, const std::string& comments,
            const std::string& extensions) {
    w.setCMName(cmName);
    if (!names.empty()) KMFileInfo::makeStream(w.names) << names;
    if (!authors.empty()) KMFileInfo::makeStream(w.authors) << authors;
    if (!comments.empty()) KMFileInfo::makeStream(w.comments) << comments;
    if (!extensions.empty()) KMFileInfo::makeStream(w.extensions) << extensions;
    w.writeFile(author, version, nullptr);
    auto e = streamOf(extensions), n = streamOf(names), a = streamOf(authors),
         c = streamOf(comments);
    KM_FileHeader h = {cmName, author, version, 1, 0, e.get(), n.get(), a.get(), c.get()};
    expected.CMFileHeader(h);
    this->cmName = cmName;
  }
  void nodeType(KM_NodeType t, const std::string& ext = "") {
    auto x = streamOf(ext);
    w.writeNodeType(t.id, t.name, t.parent, t.shape, t.fill1, t.fill2, t.line1, t.line2, t.line3,
                    t.shapeValue, t.textSpec, x.get());
    t.version = KM_SECTION_VERSION;
    t.extension = x.get();
    expected.CMNodeType(t);
  }
  void linkType(KM_LinkType t) {
    w.writeLinkType(t.id, t.name, t.parent, t.constraint1, t.constraint2, t.textSpec, t.line1,
                    t.line2, t.line3, t.lineValue, t.arrowHead1, t.arrowHead2, nullptr);
    t.version = KM_SECTION_VERSION;
    t.extension = nullptr;
    expected.CMLinkType(t);
  }
  void conceptMap(RECT* bounds, RECT* viewport, LONG extra) {
    w.writeConceptMap(bounds, viewport, extra);
    KM_CM cm = {KM_SECTION_VERSION, cmName, bounds, viewport, extra};
    expected.CMCM(cm);
    cmWritten = true;
  }
  void node(KM_Node n, const std::string& ext = "") {
    impliedConceptMap();
    auto x = streamOf(ext);
    w.writeNodeObject(n.id, n.name, n.typeId, n.typeName, n.x, n.y, n.x2, n.y2, n.flags, n.refId,
                      n.ref, x.get());
    n.version = KM_SECTION_VERSION;
    n.extension = x.get();
    // A type given by number wins over a name; a reference likewise.
    if (n.typeId != A) n.typeName = nullptr;
    if (n.refId != A) n.ref = nullptr;
    expected.CMNode(n);
  }
  void link(LONG id, LONG typeId, const char* typeName, LONG n1, LONG n2, LONG a, LONG b,
            ULONG flags, LONG refId, const char* ref) {
    impliedConceptMap();
    w.writeLinkObject(id, typeId, typeName, n1, n2, a, b, flags, refId, ref, nullptr);
    LONG ids[3] = {n1, n2, A};
    KM_Link l = {KM_SECTION_VERSION, id, typeId, typeId != A ? nullptr : typeName, ids, a, b,
                 flags, refId, refId != A ? nullptr : ref, nullptr};
    expected.CMLink(l);
  }
  void annotation(LONG id, const char* name, LONG x, LONG y, LONG x2, LONG y2, ULONG flags,
                  std::vector<LONG> values, char kind, const void* data, ULONG dataSize,
                  LONG extra, const std::string& ext = "") {
    impliedConceptMap();
    auto e = streamOf(ext);
    w.writeAnnotationObject(id, name, x, y, x2, y2, flags, values.data(),
                            static_cast<int>(values.size()), kind, data, dataSize, e.get(),
                            extra);
    if (kind == 't' || kind == 'g' || kind == 'p') {
      dataSize = data ? static_cast<ULONG>(std::strlen(static_cast<const char*>(data)) + 1) : 0;
    }
    KM_Annotation an = {KM_SECTION_VERSION, id, name, x, y, x2, y2, flags,
                        values.empty() ? nullptr : values.data(), static_cast<int>(values.size()),
                        extra, kind, const_cast<void*>(data), dataSize, e.get()};
    expected.CMAnnotation(an);
  }
  void linkSection() {
    w.writeLinkSection();
  }
  std::string close() {
    w.close();
    return out.str();
  }

  std::stringstream out;
  KMEsrap w;
  Reader expected;

 private:
  void impliedConceptMap() {
    if (cmWritten) return;
    KM_CM cm = {KM_SECTION_VERSION, cmName, nullptr, nullptr, A};
    expected.CMCM(cm);
    cmWritten = true;
  }
  const char* cmName = nullptr;
  bool cmWritten = false;
};

KM_ArrowHeadAttr head(LONG v1, LONG v2, LONG v3, LONG f1, LONG f2, LONG l1, LONG l2, LONG l3) {
  return KM_ArrowHeadAttr{v1, v2, v3, f1, f2, l1, l2, l3};
}

const unsigned char kOle[9] = {0xd0, 0xcf, 0x11, 0xe0, 0, 0, 0, 0, 0x7f};
const unsigned char kPub[4] = {0, 0, 0, 0};

std::string everyByteText() {
  std::string s;
  for (int c = 1; c < 256; ++c) s.push_back(static_cast<char>(c));
  return s;
}

void authorOnly(Page& p) { p.file("Only author", 3, nullptr, "", "", "", ""); }

void typesOnly(Page& p) {
  p.file(kTag, 1, "Types", "", "", "", "");
  p.nodeType({0, 1, "Idea", A, 3, 4, 5, 6, 7, 8, 9, 10, nullptr}, "(e1,2,\"x\")");
  p.nodeType({0, 2, nullptr, 1, A, A, A, A, A, A, A, A, nullptr});
  p.nodeType({0, 3, "Fill only", 1, A, 0xff00, A, A, A, A, A, A, nullptr});
  p.linkType({0, 4, "Arrow", 2, 1, 0, 0xb, 1, 2, 3, 4, head(1, 2, 3, 4, 5, 6, 7, 8),
              head(A, A, A, A, A, A, A, 2), nullptr});
  p.linkType({0, 5, nullptr, A, A, A, A, A, A, A, A, head(A, A, A, A, A, A, A, A),
              head(A, A, A, A, A, A, A, A), nullptr});
  p.linkType({0, 6, "Lines", A, A, A, A, A, -1, A, 9, head(A, A, A, A, A, 1, 2, 3),
              head(A, -2, A, A, 7, A, A, A), nullptr});
}

void nodesOnly(Page& p) {
  p.file("Me", 1, nullptr, "", "", "", "");
  p.node({0, 1, "Plain", 1, nullptr, 10, 20, 110, 60, 0, A, nullptr, nullptr});
  p.node({0, 2, "Named type", A, "Idea", -100, -200, 0, 0, 0x80000001u, 42, nullptr, nullptr},
         "(e1,2,(x\"deep\"))(e3,4,)");
  p.node({0, 3, nullptr, A, nullptr, A, A, A, A, 0, A, "http://example.org/a b", nullptr});
  p.node({0, 0x7fffffff, "Quote \" backslash \\ tab \t line\nfeed", 5, nullptr, 1, 2, 3, 4,
          0xffffffffu, A, nullptr, nullptr});
}

void annotationsOnly(Page& p) {
  p.file("Me", 1, nullptr, "", "", "", "");
  static const std::string longText(300, 'L');
  p.annotation(1, "text", 1, 2, 3, 4, 0, {}, 't', "hello", 6, A);
  p.annotation(2, nullptr, A, A, A, A, 0, {1, -5, 0x7fffffff, A}, 'g', "ink", 4, 0);
  p.annotation(3, "pen", 0, 0, 0, 0, 7, {0}, 'p', longText.c_str(), 301, 9, "(e9,9,)");
}

void richPage(Page& p) {
  p.file(kTag, 2, "Map one", "(n\"alias\")", "(a\"Other\",7,8)", "(c\"note\")",
         "(e5,1,\"x\")");
  p.nodeType({0, 1, "Idea", A, 3, 4, 5, 6, 7, 8, 9, 10, nullptr});
  p.linkType({0, 2, "Arrow", 1, 1, 2, 0xb, 1, 2, 3, 4, head(1, 2, 3, 4, 5, 6, 7, 8),
              head(A, A, A, A, A, 6, 7, 8), nullptr});
  RECT bounds = {0, 0, 800, 600};
  RECT viewport = {-10, -20, 30, 40};
  p.conceptMap(&bounds, &viewport, 0);
  static const std::string every = everyByteText();
  p.node({0, 1, every.c_str(), 1, nullptr, 10, 20, 110, 60, 0, A, nullptr, nullptr});
  p.node({0, 2, "B", A, "Idea", 200, 20, 300, 60, 1, 7, nullptr, nullptr});
  p.node({0, 3, "C", 1, nullptr, 400, 20, 500, 60, 0, A, "other page", nullptr});
  p.link(10, 2, nullptr, 1, 2, 5, 6, 0, A, nullptr);
  p.link(11, A, "Arrow", 2, 3, A, A, 3, 9, nullptr);
  p.link(12, A, nullptr, 3, 1, 0, 0, 0, A, "why");
  p.annotation(20, "box", 1, 2, 3, 4, 0, {1, 2}, 't', "text body", 10, 0);
  p.annotation(21, nullptr, 5, 6, 7, 8, 0, {}, 'g', "group", 6, A);
  p.annotation(22, "pen", 5, 6, 7, 8, 0, {3}, 'p', "strokes", 8, 1);
  p.annotation(23, "ole", 9, 9, 99, 99, 0, {}, 'o', kOle, sizeof kOle, A);
  p.annotation(24, "pub", 9, 9, 99, 99, 0, {}, 'm', kPub, sizeof kPub, A);
}

void linksNeedNodes(Page& p) {
  p.file("Me", 1, nullptr, "", "", "", "");
  p.node({0, 1, nullptr, A, nullptr, A, A, A, A, 0, A, nullptr, nullptr});
  p.linkSection();  // an empty link section
}

struct PageCase {
  const char* name;
  void (*write)(Page&);
};

const PageCase kPages[] = {
    {"author only", authorOnly},
    {"types only", typesOnly},
    {"nodes only", nodesOnly},
    {"annotations only", annotationsOnly},
    {"empty link section", linksNeedNodes},
    {"rich page", richPage},
};

std::string joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

TEST(MaptextRoundTripTest, WrittenPagesReadBackWithTheSameRecords) {
  for (const PageCase& c : kPages) {
    for (int pretty = 0; pretty <= 1; ++pretty) {
      Page page(pretty != 0);
      c.write(page);
      const std::string text = page.close();
      ASSERT_EQ(0, page.w.getStatus()) << c.name;

      std::istringstream in(text);
      Reader reader(&in);
      LONG status = reader.readFile();
      char message[300];
      reader.errorText(message, sizeof message);
      EXPECT_EQ(0, status) << c.name << (pretty ? " (pretty)" : "") << ": " << message << "\n"
                           << text;
      EXPECT_EQ(joined(page.expected.lines), joined(reader.lines))
          << c.name << (pretty ? " (pretty)" : "");
    }
  }
}

// Reads a page and writes every record it receives straight back.
class Copier : public Reader {
 public:
  Copier(std::istream* in, std::ostream* out) : KMFileInfo(kTag), Reader(in), w(out, kTag) {
    w.setPrettyPrint(0);
  }
  int CMFileHeader(KM_FileHeader& h) override {
    Reader::CMFileHeader(h);
    w.setCMName(h.cmName);
    copyStream(h.names, w.names);
    copyStream(h.authors, w.authors);
    copyStream(h.comments, w.comments);
    copyStream(h.extensions, w.extensions);
    w.writeFile(h.majorAuthor, h.majorAuthorVersion1, nullptr);
    return 1;
  }
  int CMCM(KM_CM& cm) override {
    Reader::CMCM(cm);
    w.writeConceptMap(cm.bounds, cm.viewport, cm.extra);
    return 0;
  }
  int CMNodeType(KM_NodeType& t) override {
    Reader::CMNodeType(t);
    w.writeNodeType(t.id, t.name, t.parent, t.shape, t.fill1, t.fill2, t.line1, t.line2, t.line3,
                    t.shapeValue, t.textSpec, t.extension);
    return 0;
  }
  int CMLinkType(KM_LinkType& t) override {
    Reader::CMLinkType(t);
    w.writeLinkType(t.id, t.name, t.parent, t.constraint1, t.constraint2, t.textSpec, t.line1,
                    t.line2, t.line3, t.lineValue, t.arrowHead1, t.arrowHead2, t.extension);
    return 0;
  }
  int CMNode(KM_Node& n) override {
    Reader::CMNode(n);
    w.writeNodeObject(n.id, n.name, n.typeId, n.typeName, n.x, n.y, n.x2, n.y2, n.flags, n.refId,
                      n.ref, n.extension);
    return 0;
  }
  int CMLink(KM_Link& l) override {
    Reader::CMLink(l);
    LONG n1 = l.nodeIds ? l.nodeIds[0] : A;
    LONG n2 = (l.nodeIds && n1 != A) ? l.nodeIds[1] : A;
    w.writeLinkObject(l.id, l.typeId, l.typeName, n1, n2, l.a, l.b, l.flags, l.refId, l.ref,
                      l.extension);
    return 0;
  }
  int CMAnnotation(KM_Annotation& a) override {
    Reader::CMAnnotation(a);
    w.writeAnnotationObject(a.id, a.name, a.x, a.y, a.x2, a.y2, a.flags, a.values, a.valueCount,
                            a.kind, a.data, a.dataSize, a.extension, a.extra);
    return 0;
  }

  KMEsrap w;

 private:
  static void copyStream(std::istream* from, std::unique_ptr<std::stringstream>& to) {
    if (!from) return;
    std::ostringstream all;
    all << from->rdbuf();
    KMFileInfo::makeStream(to) << all.str();
  }
};

TEST(MaptextRoundTripTest, ReadingAndWritingAgainGivesTheSameBytes) {
  for (const PageCase& c : kPages) {
    Page page(false);
    c.write(page);
    const std::string first = page.close();

    std::istringstream in(first);
    std::stringstream again;
    Copier copier(&in, &again);
    EXPECT_EQ(0, copier.readFile()) << c.name;
    // The copier cannot know of an empty link section.
    if (c.write == linksNeedNodes) continue;
    copier.w.close();
    EXPECT_EQ(first, again.str()) << c.name;
  }
}

TEST(MaptextRoundTripTest, AttributeListsReadBack) {
  struct Pair {
    const char* name;
    const char* value;
  } pairs[] = {
      {"colour", "red"},
      {"empty value", nullptr},
      {nullptr, "no name"},
      {"quote\"and\\slash", "line\nfeed\ttab"},
  };
  std::stringstream out;
  KMEsrap w(&out, "Nexil");
  Reader expected(nullptr);
  for (const Pair& p : pairs) {
    w.writePair(p.name, p.value);
    std::string n = p.name ? p.name : "", v = p.value ? p.value : "";
    expected.CMAttr(p.name ? &n[0] : nullptr, p.value ? &v[0] : nullptr);
  }
  out << ")";  // an attribute stream ends with the close of its enclosing list
  ASSERT_EQ(0, w.getStatus());

  std::istringstream in(out.str());
  Reader reader(&in);
  EXPECT_GE(reader.readAttrs(), 0);
  EXPECT_EQ(joined(expected.lines), joined(reader.lines));
}

TEST(MaptextRoundTripTest, OmittedRectangleCoordinateReadsAsItsMarker) {
  // -32768 is left out of a rectangle, and an omitted coordinate reads as 0x8000.
  std::stringstream out;
  KMEsrap w(&out, kTag);
  w.writeFile("Me", 1, nullptr);
  RECT r = {-32768, 1, 2, KM_ABSENT};
  w.writeConceptMap(&r, nullptr, A);
  w.close();
  std::istringstream in(out.str());
  Reader reader(&in);
  EXPECT_EQ(0, reader.readFile());
  ASSERT_EQ(2u, reader.lines.size());
  EXPECT_EQ("cm v=354 name=- bounds=[32768 1 2 32768] viewport=- extra=-", reader.lines[1]);
}

}  // namespace
