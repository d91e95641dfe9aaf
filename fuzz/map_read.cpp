// Reader target: map text through the whole grammar. The input is read once as
// a map text file (MapRead::readFile) and once as an attribute list
// (readAttrs), and the error text is asked for; each must end in a status.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "maptext/map_read.h"

namespace {

const char kTag[] = "Tavix: Netscape Plugin";

// Touches every field a handler can be given, so that a record that points
// outside its buffers shows up under the sanitizers.
class TouchingReader : public MapRead {
 public:
  explicit TouchingReader(std::istream* in) : KMFileInfo(kTag), MapRead(kTag, in) {}
  unsigned long sum = 0;
  void text(const char* s) {
    // Bounded by the string's own terminator (the reader promises one).
    if (s != nullptr) sum += std::string(s).size();
  }
  void stream(std::istream* s) {
    if (s == nullptr) return;
    std::ostringstream all;
    all << s->rdbuf();
    sum += all.str().size();
  }
  int CMFileHeader(KM_FileHeader& h) override {
    text(h.cmName);
    text(h.majorAuthor);
    stream(h.extensions);
    stream(h.names);
    stream(h.authors);
    stream(h.comments);
    return 1;
  }
  int CMCM(KM_CM& cm) override {
    text(cm.name);
    if (cm.bounds != nullptr) sum += static_cast<unsigned long>(cm.bounds->left);
    if (cm.viewport != nullptr) sum += static_cast<unsigned long>(cm.viewport->bottom);
    return 0;
  }
  int CMNode(KM_Node& n) override {
    text(n.name);
    text(n.typeName);
    text(n.ref);
    stream(n.extension);
    return 0;
  }
  int CMLink(KM_Link& l) override {
    text(l.typeName);
    text(l.ref);
    // The id list ends at its first absent entry.
    if (l.nodeIds != nullptr)
      for (const LONG* p = l.nodeIds; *p != KM_ABSENT; ++p) sum += static_cast<unsigned long>(*p);
    stream(l.extension);
    return 0;
  }
  int CMNodeType(KM_NodeType& t) override {
    text(t.name);
    stream(t.extension);
    return 0;
  }
  int CMLinkType(KM_LinkType& t) override {
    text(t.name);
    stream(t.extension);
    return 0;
  }
  int CMAnnotation(KM_Annotation& a) override {
    text(a.name);
    for (int i = 0; i < a.valueCount; ++i) sum += static_cast<unsigned long>(a.values[i]);
    if (a.data != nullptr) {
      const unsigned char* p = static_cast<const unsigned char*>(a.data);
      for (ULONG i = 0; i < a.dataSize; ++i) sum += p[i];
    }
    stream(a.extension);
    return 0;
  }
  int CMAttr(char* name, char* value) override {
    text(name);
    text(value);
    return 0;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 18)) return 0;
  const std::string input(reinterpret_cast<const char*>(data), size);
  char message[400];
  {
    std::istringstream in(input);
    TouchingReader reader(&in);
    reader.readFile();
    reader.errorText(message, sizeof message);
    reader.attach(nullptr);
  }
  {
    std::istringstream in(input);
    TouchingReader reader(&in);
    reader.readAttrs();
    reader.errorText(message, 40);
    reader.attach(nullptr);
  }
  return 0;
}
