// Test support: a map text reader whose handlers write each record they receive
// as one line of text, so that tests compare what a reader delivered with what
// they expect, line for line. Numbers are decimal; an absent value is "-".
#ifndef TESTS_MAPTEXT_RECORDING_READER_H
#define TESTS_MAPTEXT_RECORDING_READER_H

#include <istream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "maptext/km_records.h"
#include "maptext/map_read.h"

namespace maptext_test {

inline std::string num(LONG v) { return v == KM_ABSENT ? "-" : std::to_string(v); }
inline std::string unum(ULONG v) { return num(static_cast<LONG>(v)); }
inline std::string text(const char* s) { return s ? std::string("\"") + s + "\"" : "-"; }
inline std::string streamText(std::istream* s) {
  if (!s) return "-";
  // Read from the start and put the stream back where it was, so that a record
  // can be looked at more than once.
  std::streampos where = s->tellg();
  s->clear();
  s->seekg(0);
  std::string all((std::istreambuf_iterator<char>(*s)), std::istreambuf_iterator<char>());
  s->clear();
  s->seekg(where);
  return all;
}
inline std::string rect(const RECT* r) {
  if (!r) return "-";
  return "[" + num(r->left) + " " + num(r->top) + " " + num(r->right) + " " + num(r->bottom) +
         "]";
}
inline std::string arrow(const KM_ArrowHeadAttr& h) {
  return "<" + num(h.value1) + " " + num(h.value2) + " " + num(h.value3) + " " + num(h.fill1) +
         " " + num(h.fill2) + " " + num(h.line1) + " " + num(h.line2) + " " + num(h.line3) + ">";
}

// The handlers of a parsing class, on top of MapRead or a class derived from it.
// `headerResult` is what CMFileHeader answers.
template <class Base>
class Recording : public Base {
 public:
  // The application tag first, then the base's own constructor arguments.
  template <class... Args>
  explicit Recording(const char* tag, Args&&... args)
      : KMFileInfo(tag), Base(tag, std::forward<Args>(args)...) {}

  std::vector<std::string> lines;
  int headerResult = 1;

  int CMFileHeader(KM_FileHeader& h) override {
    lines.push_back("header cm=" + text(h.cmName) + " author=" + text(h.majorAuthor) + " v=" +
                    num(h.majorAuthorVersion1) + "," + num(h.majorAuthorVersion2) +
                    " multi=" + std::to_string(h.multiFile) + " ext=" + streamText(h.extensions) +
                    " names=" + streamText(h.names) + " authors=" + streamText(h.authors) +
                    " comments=" + streamText(h.comments));
    return headerResult;
  }
  int CMCM(KM_CM& cm) override {
    lines.push_back("cm v=" + num(cm.version) + " name=" + text(cm.name) + " bounds=" +
                    rect(cm.bounds) + " viewport=" + rect(cm.viewport) + " extra=" +
                    num(cm.extra));
    return 0;
  }
  int CMNodeType(KM_NodeType& t) override {
    lines.push_back("nodetype v=" + num(t.version) + " id=" + num(t.id) + " name=" +
                    text(t.name) + " parent=" + num(t.parent) + " shape=" + num(t.shape) + "," +
                    num(t.fill1) + "," + num(t.fill2) + "," + num(t.line1) + "," +
                    num(t.line2) + "," + num(t.line3) + "," + num(t.shapeValue) +
                    " text=" + num(t.textSpec) + " ext=" + streamText(t.extension));
    return 0;
  }
  int CMLinkType(KM_LinkType& t) override {
    lines.push_back("linktype v=" + num(t.version) + " id=" + num(t.id) + " name=" +
                    text(t.name) + " parent=" + num(t.parent) + " x=" + num(t.constraint1) +
                    "," + num(t.constraint2) + " text=" + num(t.textSpec) + " line=" +
                    num(t.line1) + "," + num(t.line2) + "," + num(t.line3) + " value=" +
                    num(t.lineValue) + " heads=" + arrow(t.arrowHead1) + arrow(t.arrowHead2) +
                    " ext=" + streamText(t.extension));
    return 0;
  }
  int CMNode(KM_Node& n) override {
    lines.push_back("node v=" + num(n.version) + " id=" + num(n.id) + " name=" + text(n.name) +
                    " type=" + num(n.typeId) + "/" + text(n.typeName) + " at=" + num(n.x) +
                    "," + num(n.y) + "," + num(n.x2) + "," + num(n.y2) + " flags=" +
                    unum(n.flags) + " ref=" + num(n.refId) + "/" + text(n.ref) +
                    " ext=" + streamText(n.extension));
    return 0;
  }
  int CMLink(KM_Link& l) override {
    std::string ids = "-";
    if (l.nodeIds) {
      ids = "[";
      // The list ends at its first absent entry.
      for (const LONG* p = l.nodeIds; *p != KM_ABSENT; ++p) ids += num(*p) + " ";
      ids += "]";
    }
    lines.push_back("link v=" + num(l.version) + " id=" + num(l.id) + " type=" +
                    num(l.typeId) + "/" + text(l.typeName) + " nodes=" + ids + " ab=" +
                    num(l.a) + "," + num(l.b) + " flags=" + unum(l.flags) + " ref=" +
                    num(l.refId) + "/" + text(l.ref) + " ext=" + streamText(l.extension));
    return 0;
  }
  int CMAnnotation(KM_Annotation& a) override {
    std::string values;
    for (int i = 0; i < a.valueCount; ++i) values += (i ? " " : "") + num(a.values[i]);
    std::string data = "-";
    if (a.data) {
      if (a.kind == 'o' || a.kind == 'm') {
        data = "bytes:" + std::to_string(a.dataSize);
      } else {
        data = text(static_cast<const char*>(a.data)) + ":" + std::to_string(a.dataSize);
      }
    }
    lines.push_back("anno v=" + num(a.version) + " id=" + num(a.id) + " name=" + text(a.name) +
                    " at=" + num(a.x) + "," + num(a.y) + "," + num(a.x2) + "," + num(a.y2) +
                    " flags=" + unum(a.flags) + " values=[" + values + "] extra=" +
                    num(a.extra) + " kind=" + (a.kind ? std::string(1, a.kind) : "0") +
                    " data=" + data + " ext=" + streamText(a.extension));
    return 0;
  }
  int CMAttr(char* name, char* value) override {
    lines.push_back("attr " + text(name) + "=" + text(value));
    return 0;
  }
};

// A plain parser on a stream, with the page windows' application tag.
class RecordingReader : public Recording<MapRead> {
 public:
  explicit RecordingReader(std::istream* in, const char* tag = "Tavix: Netscape Plugin")
      : KMFileInfo(tag), Recording<MapRead>(tag, in) {}
};

}  // namespace maptext_test

#endif  // TESTS_MAPTEXT_RECORDING_READER_H
