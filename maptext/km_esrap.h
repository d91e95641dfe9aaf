// The map text structured writer: writes a whole map text (or a fragment of
// one) from a sequence of calls, in exactly the grammar MapRead reads.
//
// It keeps track of which productions are open, brings the output into the
// state each call needs (opening the enclosing productions and writing exactly
// the separators the grammar expects between the parts it skips), closes them in
// order, and back-patches the object count of each section.
//
// What it writes (versions: 353 on the signature line, 354 everywhere else):
//
//   "#CM&^# 161" CR LF
//   "(B" "(a" author "," v1 "," 1 ")" "," {header annotations}      -- body, header
//        "," ["(T" 162 "," count8 "," {type} ")"]                   -- types block
//        "," ["(C" 162 "," rect "," rect "," [extra] ","            -- concept map
//              "," ["(N" 162 "," count8 "," {node} ")"]
//              "," ["(L" 162 "," count8 "," {link} ")"]
//              "," ["(A" 162 "," count8 "," {annotation} ")"] ")"]
//   ")"
//
// count8 is a zero-filled eight-digit hexadecimal count, written as 00000000 when
// its block opens and overwritten in place when it closes, so the output stream
// must be seekable for the counts to be right (readers ignore them).
//
// Separators are counted by part: the body has three parts (header, types,
// concept map) and the concept map four (header, nodes, links, annotations).
// Moving on to a later part closes whatever is open in the current one and
// writes one comma per part passed, so skipped parts stay empty but separated:
// a concept map right after the header gets two commas, an annotation section
// right after the concept map header three.
//
// Absent values: an integer argument equal to KM_ABSENT (0x80000000), a null
// text, stream or rectangle is written as nothing at its position, so the
// separators remain and the reader sees it as absent. A rectangle coordinate of
// -32768 is also left out (the reader then gives 0x8000 for it).
//
// Status: negative stops all writing; every write operation returns the status.
//   -101 file already written         -108 link section already written
//   -102 the file could not be made   -109 annotation section already written
//   -103 output stream in bad state   -110 link section without open node section
//   -104 section header already written -111 unknown annotation kind
//   -105 concept map already written  -112 no output
//   -106 types block already written  -113 body already open
//   -107 node section already written
#ifndef MAPTEXT_KM_ESRAP_H
#define MAPTEXT_KM_ESRAP_H

#include <istream>
#include <memory>
#include <ostream>

#include "maptext/km_file_info.h"
#include "maptext/km_records.h"
#include "maptext/km_xel.h"
#include "platform/windows_types.h"

class KMEsrap : public virtual KMFileInfo {
 public:
  static constexpr LONG FILE_DONE = -101;
  static constexpr LONG CANT_CREATE = -102;
  static constexpr LONG BAD_STREAM = -103;
  static constexpr LONG HEADER_DONE = -104;
  static constexpr LONG CM_DONE = -105;
  static constexpr LONG TYPES_DONE = -106;
  static constexpr LONG NODES_DONE = -107;
  static constexpr LONG LINKS_DONE = -108;
  static constexpr LONG ANNOTATIONS_DONE = -109;
  static constexpr LONG NO_NODE_SECTION = -110;
  static constexpr LONG BAD_ANNOTATION_KIND = -111;
  static constexpr LONG NO_OUTPUT = -112;
  static constexpr LONG BODY_OPEN = -113;

  // Production flags (the done and open sets).
  enum Production : uint16_t {
    P_FILE = 0x0001,
    P_BODY = 0x0002,
    P_SECTION_HEADER = 0x0004,
    P_TYPES = 0x0008,
    P_NODE_TYPE = 0x0010,
    P_LINK_TYPE = 0x0020,
    P_CONCEPT_MAP = 0x0040,
    P_CM_HEADER = 0x0080,
    P_NODE_SECTION = 0x0100,
    P_NODE_OBJECT = 0x0200,
    P_LINK_SECTION = 0x0400,
    P_LINK_OBJECT = 0x0800,
    P_ANNO_SECTION = 0x1000,
    P_ANNO_OBJECT = 0x2000
  };

  // No output: status -112. The application tag goes to the file information
  // when this object is the most derived.
  explicit KMEsrap(const char* appTag);
  // Creates (or truncates) the file `path` and writes to it.
  KMEsrap(const char* appTag, const char* path);
  // Writes to `out` (not owned).
  KMEsrap(std::ostream* out, const char* appTag);
  // Closes when something is open.
  ~KMEsrap() override;
  KMEsrap(const KMEsrap&) = delete;
  KMEsrap& operator=(const KMEsrap&) = delete;

  // ---- Output ----
  // Both reset the status and the production sets and replace the writer; on
  // success pretty printing is on. open: -102 when the file cannot be made;
  // attach: -103 for a null stream or one in a bad state.
  LONG open(const char* path);
  LONG attach(std::ostream* out);
  void setPrettyPrint(int on);
  bool isOpen() const;
  LONG status(LONG code);
  LONG getStatus() const { return status_; }
  uint16_t doneSet() const { return done; }
  uint16_t openSet() const { return openProductions; }
  KMXel* writer() { return xel.get(); }
  // With the body open: closeBody, flush and cut the file at the current
  // position. Otherwise closes whatever is open (without the body's close
  // paren) and flushes. The production sets are cleared either way.
  LONG close();

  // ---- File level ----
  LONG writeFile(const char* author, LONG version, std::istream* ext);
  LONG writeSignatureLine();
  // The same for a member of the map text family with its own file signature.
  LONG writeSignatureLine(const char* signature);
  LONG writeBody(const char* author, LONG version, std::istream* ext);
  // The major author specifier, a comma, then the header annotations kept in the
  // file information (concept map name, names, authors, comments, extensions),
  // then `ext`.
  LONG writeSectionHeader(const char* author, LONG version, std::istream* ext);
  LONG closeSectionHeader();
  LONG closeBody();
  LONG writeAuthorSpec(const char* name, LONG version1, LONG version2);
  LONG writeAuthorSpec(std::istream* block);
  LONG writeNameSpec(const char* name);
  LONG writeNameSpec(std::istream* block);
  LONG writeComment(const char* text);
  LONG writeComment(std::istream* comment);
  // app -1 stands for thisAppVersion2.
  LONG writeExtension(LONG app, LONG id, const char* text);
  LONG writeExtension(std::istream* ext);
  // "(V" name "," value ")": one attribute pair.
  LONG writePair(const char* name, const char* value);

  // ---- Types ----
  LONG writeCMTypes();
  LONG closeCMTypes();
  LONG writeNodeType(LONG id, const char* name, LONG parent, LONG shape, LONG fill1, LONG fill2,
                     LONG line1, LONG line2, LONG line3, LONG shapeValue, LONG textSpec,
                     std::istream* ext);
  LONG writeLinkType(LONG id, const char* name, LONG parent, LONG constraint1, LONG constraint2,
                     LONG textSpec, LONG line1, LONG line2, LONG line3, LONG lineValue,
                     LONG a1Value1, LONG a1Value2, LONG a1Value3, LONG a1Fill1, LONG a1Fill2,
                     LONG a1Line1, LONG a1Line2, LONG a1Line3, LONG a2Value1, LONG a2Value2,
                     LONG a2Value3, LONG a2Fill1, LONG a2Fill2, LONG a2Line1, LONG a2Line2,
                     LONG a2Line3, std::istream* ext);
  // The same with the arrow heads as records.
  LONG writeLinkType(LONG id, const char* name, LONG parent, LONG constraint1, LONG constraint2,
                     LONG textSpec, LONG line1, LONG line2, LONG line3, LONG lineValue,
                     const KM_ArrowHeadAttr& head1, const KM_ArrowHeadAttr& head2,
                     std::istream* ext);
  LONG closeNodeOrLinkType();

  // ---- Concept map ----
  LONG writeConceptMap(const RECT* bounds, const RECT* viewport, LONG extra);
  LONG closeConceptMap();
  LONG writeCMHeader(const RECT* bounds, const RECT* viewport, LONG extra);
  LONG closeCMHeader();
  LONG writeNodeSection();
  LONG closeNodeSection();
  LONG writeNodeObject(LONG id, const char* name, LONG typeId, const char* typeName, LONG x,
                       LONG y, LONG x2, LONG y2, ULONG flags, LONG refId, const char* ref,
                       std::istream* ext);
  LONG closeNodeObj();
  LONG writeLinkSection();
  LONG closeLinkSection();
  LONG writeLinkObject(LONG id, LONG typeId, const char* typeName, LONG node1, LONG node2,
                       LONG a, LONG b, ULONG flags, LONG refId, const char* ref,
                       std::istream* ext);
  LONG closeLinkObj();
  LONG writeAnnotationSection();
  LONG closeAnnoSection();
  // kind: 't', 'g', 'p' text (data a NUL-terminated text), 'o' OLE object, 'm'
  // publish/subscribe object (data dataSize bytes); anything else -111.
  LONG writeAnnotationObject(LONG id, const char* name, LONG x, LONG y, LONG x2, LONG y2,
                             ULONG flags, const LONG* values, int valueCount, char kind,
                             const void* data, ULONG dataSize, std::istream* ext, LONG extra);
  LONG closeAnnoObj();
  LONG writeText(char kind, const char* text);
  LONG writeMSOLE(const void* data, ULONG size);
  LONG writeMacSubPub(const void* data, ULONG size);

  // ---- Specs (only the values present are written; separators stay) ----
  LONG writeRectangle(const RECT* rect);
  LONG writeShapeSpec(LONG shape, LONG fill1, LONG fill2, LONG line1, LONG line2, LONG line3,
                      LONG shapeValue);
  LONG writeParentSpec(LONG parent);
  LONG writeLinkConstraint(LONG constraint1, LONG constraint2);
  LONG writeFillSpec(LONG fill1, LONG fill2);
  LONG writeLineSpec(LONG line1, LONG line2, LONG line3);
  LONG writeTextSpec(LONG textSpec);
  // No font block is written.
  LONG writeFont();
  LONG writeArrowHeadSpec(LONG value1, LONG value2, LONG value3, LONG fill1, LONG fill2,
                          LONG line1, LONG line2, LONG line3);

  bool classInvarient(const char* file, int line) const;

 private:
  bool writing() const { return status_ >= 0 && xel && xel->isOpen(); }
  bool isOpenP(uint16_t p) const { return (openProductions & p) != 0; }
  bool isDoneP(uint16_t p) const { return (done & p) != 0; }
  void begin(uint16_t p) {
    openProductions |= p;
    done |= p;
  }
  void end(uint16_t p) { openProductions &= static_cast<uint16_t>(~p); }
  void resetState();
  void opt(LONG value);
  void text(const char* s);
  void comma();
  // Moves the body, or the concept map, on to part `target`, closing what is
  // open in each part passed and writing one comma per part.
  void advanceBody(int target);
  void advanceCM(int target);
  // Closes what is open below the body (types, concept map or sections).
  void closeInner();

  std::unique_ptr<KMXel> xel;
  LONG status_;
  uint16_t done;
  uint16_t openProductions;
  LONG typesMark;
  LONG nodesMark;
  LONG linksMark;
  LONG annotationsMark;
  LONG typesCount;
  LONG nodesCount;
  LONG linksCount;
  LONG annotationsCount;
  // Separators written so far in the body (0..2) and in the concept map (0..3).
  int bodyPart;
  int cmPart;
  // True while concept map parts are being written (in a concept map, or
  // sections written on their own).
  bool cmContext;
};

#endif  // MAPTEXT_KM_ESRAP_H
