// A map text reader that accepts every record, and the two questions asked of
// it (see map_text_check.h).
#include "core/map_text_check.h"

#include <sstream>

#include "maptext/km_token.h"
#include "maptext/map_read.h"

namespace {

// The application tag is the page windows' own, so that a page body is read
// as they read it; nothing here depends on the versions it records.
class AcceptingReader : public MapRead {
 public:
  explicit AcceptingReader(std::istream* in)
      : KMFileInfo("Tavix: Netscape Plugin"), MapRead("Tavix: Netscape Plugin", in) {}
  // Bit 0 set: the header is accepted.
  int CMFileHeader(KM_FileHeader&) override { return 1; }
  int CMCM(KM_CM&) override { return 0; }
  int CMNode(KM_Node&) override { return 0; }
  int CMLink(KM_Link&) override { return 0; }
  int CMNodeType(KM_NodeType&) override { return 0; }
  int CMLinkType(KM_LinkType&) override { return 0; }
  int CMAnnotation(KM_Annotation&) override { return 0; }
  int CMAttr(char*, char*) override { return 0; }
};

bool read(const std::string& text, bool whole, std::string* why) {
  std::istringstream in(text);
  AcceptingReader reader(&in);
  reader.readFile();
  if (whole && reader.getStatus() >= 0 && reader.lexer() != nullptr) {
    if (reader.lexer()->readKMToken() != KMToken::END_OF_INPUT) {
      reader.lexer()->requeueKMToken();
      reader.status(MapRead::EXPECTED_EOF);
    }
  }
  if (reader.getStatus() >= 0) return true;
  char buf[512];
  reader.errorText(buf, sizeof buf);
  *why = buf;
  return false;
}

}  // namespace

bool MapTextCheck::parses(const std::string& text, std::string* why) { return read(text, false, why); }

bool MapTextCheck::parsesWhole(const std::string& text, std::string* why) {
  return read(text, true, why);
}
