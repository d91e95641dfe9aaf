// The header part of the map text grammar for any file signature. GenericParse
// is the map text parser (maptext/map_read.h) narrowed to the productions every
// member of the family shares: the signature line, read with the member's own
// signature, and the section header with its annotations. The productions, the
// status codes and texts ("Bad signature", "Expected separator", ...) and the
// error text format are the map text parser's own; a member adds its body.
//
//   file     = signature int body                 -- signature(): up to a blank
//   header   = "(a" [str] "," [int] "," [int] ")" "," {annote} ","
//   annote   = author | "(c" .. ")" | "(e" .. ")" | "(n" str ")" | "(n" .. ")"
//
// Nothing is thrown or shown; the owner decides whether to show errorText().
#ifndef CORE_GENERIC_PARSE_H
#define CORE_GENERIC_PARSE_H

#include <istream>

#include "core/generic_file_info.h"
#include "maptext/map_read.h"

class GenericParse : protected MapRead, public virtual GenericFileInfo {
 public:
  // As the map text parser: a file (status -1 when it cannot be opened), a
  // stream (not owned), or no input (status -13).
  GenericParse(const char* appTag, const char* path);
  GenericParse(const char* appTag, std::istream* in);
  explicit GenericParse(const char* appTag);
  ~GenericParse() override;

  // The file header handler; its bit 0 clear marks the header rejected.
  int CMFileHeader(KM_FileHeader& header) override;

  // ---- Input and status ----
  using MapRead::attach;
  using MapRead::errorText;
  using MapRead::getErrorOffset;
  using MapRead::getStatus;
  using MapRead::init;
  using MapRead::isMultiFile;
  using MapRead::isOpen;
  using MapRead::lexer;
  using MapRead::open;
  using MapRead::status;
  using MapRead::statusText;
  using MapRead::wasHeaderRead;
  using MapRead::wasHeaderRejected;

  // ---- Header productions ----
  using MapRead::readSignatureLine;
  // The signature line with this file's own signature().
  LONG readSignatureLine() { return MapRead::readSignatureLine(signature()); }
  using MapRead::checkThisApp;
  using MapRead::readAnnote;
  using MapRead::readAuthorSpec;
  using MapRead::readFileHeader;
  using MapRead::readMajorAuthorSpec;
  using MapRead::readParenBlock;
  using MapRead::readSectionHeader;
  // A name block: the first one names the file's content.
  LONG readName() { return readCMName(); }

 private:
  // The map text records have no place in the family's shared part.
  int CMCM(KM_CM&) override { return 0; }
  int CMNode(KM_Node&) override { return 0; }
  int CMLink(KM_Link&) override { return 0; }
  int CMNodeType(KM_NodeType&) override { return 0; }
  int CMLinkType(KM_LinkType&) override { return 0; }
  int CMAnnotation(KM_Annotation&) override { return 0; }
  int CMAttr(char*, char*) override { return 0; }
};

#endif  // CORE_GENERIC_PARSE_H
