// The map text parser: reads one map text (a page body, a type page or an
// attribute list) and hands every structure it recognises to a virtual handler
// as a plain record (maptext/km_records.h). It knows nothing of graphics or
// books; page windows, the type page and the attribute reader derive from it
// (through KMTranslator) and implement the handlers.
//
// Grammar ("(x" is a left paren with tag x; "," a comma; int, str, bin the atoms;
// [..] optional; {..} any number; v354 marks items present only when the
// enclosing section's version is 354 or more):
//
//   file        = "#CM&^#" int [int] body          -- signature line; 2nd int = multi-file
//   body        = "(B" header types "," cm ")"
//   header      = "(a" [str] "," [int] "," [int] ")" "," {annote} ","
//   annote      = author | "(c" .. ")" | "(e" .. ")" | "(n" str ")" | "(n" .. ")"
//   author      = "(a" [str] "," [int] "," [int] ")"
//   types       = ["(T" int "," [int] "," {nodetype | linktype} ")"]
//   nodetype    = "(n" int "," [str] "," v354:(parent ",") shape "," text "," {ext} ")"
//   linktype    = "(l" int "," [str] "," v354:(parent "," constraint ",") text ","
//                 line "," [int] "," arrow "," arrow "," [parent] [constraint] {ext} ")"
//   cm          = ["(C" int "," rect "," rect "," v354:([int] ",") ","
//                  nodes "," links "," annos ")"]
//   nodes       = ["(N" int "," [int] "," {node} ")"]       -- links "(L", annos "(A"
//   node        = "(n" int "," [str] "," (str|[int]) "," [int] "," [int] "," [int] ","
//                 [int] v354:("," [int]) "," (str|[int]) "," {ext} ")"
//   link        = "(l" int "," (str|[int]) "," ["(i" [int] {"," [int]} ")"] ","
//                 [int] "," [int] v354:("," [int]) "," (str|[int]) "," {ext} ")"
//   anno        = "(a" int "," [str] "," [int] "," [int] "," [int] "," [int] "," [int] ","
//                 {int} v354:("," [int]) "," body "," {ext} ")"
//   body        = ["(t"|"(g"|"(p" [str] ")"] | ["(o"|"(m" [bin] ")"]
//   rect        = ["(r" [int] "," [int] "," [int] "," [int] ")"]
//   shape       = ["(s" [int] "," fill "," line "," [int] ")"]
//   fill        = ["(f" [int] "," [int] ")"]      line = ["(L" [int] "," [int] "," [int] ")"]
//   text        = ["(t" [int] "," font ")"]       font = ["(F" .. ")"]  -- skipped whole
//   parent      = ["(p" [int] "," ")"]           constraint = ["(x" [int] "," [int] "," ")"]
//   arrow       = ["(h" [int] "," [int] "," [int] "," fill "," line ")"]
//   ext         = "(e" .. ")"                    -- kept as map text
//   attrs       = {"(V" [str] "," [str] ")"}     -- an attribute list, read alone
//
// Status: negative is an error and stops every further reading step (so the
// first error and its input position survive to the end); 0 and 1 are success,
// 1 meaning that an optional item was not there. Nothing is thrown or shown; the
// owner decides whether to show errorText().
//
// Hostile input: the grammar has a fixed depth; the only nested constructs
// (font blocks and kept blocks) are skipped or copied by the lexer without
// recursion. Every loop over items ends at the first token that does not start
// another item, and each item consumes at least one token, so the input's length
// bounds every loop; arrays and collected streams grow only as tokens arrive.
#ifndef MAPTEXT_MAP_READ_H
#define MAPTEXT_MAP_READ_H

#include <istream>
#include <memory>
#include <sstream>

#include "maptext/km_file_info.h"
#include "maptext/km_lex.h"
#include "maptext/km_records.h"
#include "platform/windows_types.h"

class MapRead : public virtual KMFileInfo {
 public:
  // Status codes.
  static constexpr LONG SUCCESS = 0;
  static constexpr LONG OPTIONAL_ABSENT = 1;
  static constexpr LONG CANT_OPEN = -1;
  static constexpr LONG BAD_SIGNATURE = -2;
  static constexpr LONG BAD_VERSION = -3;
  static constexpr LONG BAD_MAJOR_AUTHOR = -4;
  static constexpr LONG EXPECTED_SEPARATOR = -6;
  static constexpr LONG EXPECTED_FILE_ANNOTATION = -7;
  static constexpr LONG EXPECTED_CLOSE_PAREN = -8;
  static constexpr LONG BAD_NAME_SPEC = -9;
  static constexpr LONG MULTI_FILE = -10;
  static constexpr LONG EXPECTED_EOF = -11;
  static constexpr LONG EXPECTED_INTEGER = -12;
  static constexpr LONG NO_INPUT = -13;

  // The file signature that starts every map text file.
  static constexpr const char* SIGNATURE = "#CM&^#";

  // Sets up the file information with `appTag` (when this object is the most
  // derived), then opens `path` (status -1 when it cannot be opened).
  MapRead(const char* appTag, const char* path);
  // The same on a stream (not owned; it must outlive the parser or be detached).
  MapRead(const char* appTag, std::istream* in);
  // No input: status -13.
  explicit MapRead(const char* appTag);
  MapRead(const MapRead&) = delete;
  MapRead& operator=(const MapRead&) = delete;

  // ---- Virtual operations, in slot order ----
  // Reads one extension block into `into` (made on first use); the default keeps
  // an "(e" block as map text. Returns the status (1 when no "(e" block is next).
  virtual LONG readExtension(std::unique_ptr<std::stringstream>& into);
  // The handlers. Only CMFileHeader's result is looked at: bit 0 clear marks the
  // header rejected (headerRejected), which the parser itself does not act on.
  virtual int CMFileHeader(KM_FileHeader& header) = 0;
  virtual int CMCM(KM_CM& cm) = 0;
  virtual int CMNode(KM_Node& node) = 0;
  virtual int CMLink(KM_Link& link) = 0;
  virtual int CMNodeType(KM_NodeType& type) = 0;
  virtual int CMLinkType(KM_LinkType& type) = 0;
  virtual int CMAnnotation(KM_Annotation& annotation) = 0;
  // One attribute pair; either text may be null. Both are freed after the call.
  virtual int CMAttr(char* name, char* value) = 0;
  ~MapRead() override;

  // ---- Input ----
  // Clears the status, the error offset and the three flags, and drops the lexer.
  void init();
  // Replaces the lexer with one on the file: status -1 and no lexer when it
  // cannot be opened, otherwise 0. Returns the status.
  LONG open(const char* path);
  // The same on a stream; a null stream only drops the old lexer.
  LONG attach(std::istream* in);
  // True when a lexer with a stream exists.
  bool isOpen() const;
  // Sets the status and records the lexer's input position; returns `code`.
  LONG status(LONG code);
  LONG getStatus() const { return status_; }
  LONG getErrorOffset() const { return errorOffset; }
  bool isMultiFile() const { return multiFile; }
  bool wasHeaderRead() const { return headerRead; }
  bool wasHeaderRejected() const { return headerRejected; }
  // The lexer (null when no input is attached).
  KMLex* lexer() { return lex.get(); }

  // The text of a status code ("Success" for any value >= 0).
  static const char* statusText(LONG code);
  // Describes the status in `buf` (`size` bytes with the NUL). When the full
  // message fits (text length + 90 < size) and there is input:
  //   "<text> (<status>) found <token> at offset <offset> before \"<next 20 bytes>\""
  // and returns 0 (the next 20 bytes of input are consumed as context).
  // Otherwise copies the bare text, truncated to size - 1 characters, and
  // returns text length + 90 when the text fitted (the size the full message
  // needs), else 0.
  int errorText(char* buf, int size);

  // ---- Productions; each returns the status and does nothing when it is
  // negative on entry ----
  LONG readFile();
  LONG readAttrs();
  LONG readSignatureLine();
  // The same for a member of the map text family with its own file signature.
  LONG readSignatureLine(const char* signature);
  LONG readBody();
  LONG readFileHeader();
  LONG readSectionHeader();
  LONG readAnnote();
  LONG readMajorAuthorSpec();
  LONG readAuthorSpec(std::unique_ptr<std::stringstream>& into);
  // Records version1/2 as this application's numbers when `name` equals the
  // application tag and both are still KM_ABSENT; returns 1 then, else 0.
  int checkThisApp(const char* name, LONG version1, LONG version2);
  LONG readCMName();
  LONG readConceptMap();
  LONG readCMHeader();
  LONG readCMTypes();
  LONG readTypeObject();
  LONG readNodeType();
  LONG readLinkType();
  LONG readNodeSection();
  LONG readNodeObject();
  LONG readLinkSection();
  LONG readLinkObject();
  LONG readAnnotationSection();
  LONG readAnnotationObject();
  // An annotation body: `kind` the tag seen (0 without a left paren), `data` the
  // text (NUL-terminated) or bytes, `size` text length + 1 or byte count.
  LONG readAnnoSpec(std::unique_ptr<unsigned char[]>& data, ULONG& size, char& kind);
  LONG readText(char tag, std::unique_ptr<unsigned char[]>& data, ULONG& size);
  LONG readMSOLE(std::unique_ptr<unsigned char[]>& data, ULONG& size);
  LONG readMacSubPub(std::unique_ptr<unsigned char[]>& data, ULONG& size);
  // Keeps a whole "(tag" block as map text in `into` (made on first use).
  LONG readParenBlock(char tag, std::unique_ptr<std::stringstream>& into);
  LONG readShapeSpec(LONG& shape, LONG& fill1, LONG& fill2, LONG& line1, LONG& line2,
                     LONG& line3, LONG& shapeValue);
  LONG readParentSpec(LONG& parent);
  LONG readLinkConstraint(LONG& constraint1, LONG& constraint2);
  LONG readTextSpec(LONG& textSpec);
  LONG readFont();
  LONG readFillSpec(LONG& fill1, LONG& fill2);
  LONG readLineSpec(LONG& line1, LONG& line2, LONG& line3);
  LONG readArrowHeadSpec(KM_ArrowHeadAttr& head);
  LONG readRectangle(RECT& rect);

  bool classInvarient(const char* file, int line) const;

 protected:
  // Token helpers. Each reads the next token; when it is not what is asked for,
  // it is left unread (requeued) unless the helper says otherwise.
  // True when the next token is a left paren with `tag` (consumed); else left.
  bool nextIsOpen(char tag);
  // The tag of the next token when it is a left paren, else 0; never consumed.
  char peekOpenTag();
  // Expects a comma (-6) or a close paren (-8); consumes the token either way.
  LONG expectComma();
  LONG expectClose();
  // An optional integer: KM_ABSENT and the token left when none is next.
  LONG readOptInt();
  // A required integer: `code` as status and KM_ABSENT when none is next.
  LONG readInt(LONG code);
  // An optional string into `out` (true when one was read); the token left when
  // none is next.
  bool readOptString(std::unique_ptr<char[]>& out);
  // Either a string (into `text`) or an optional integer (returned).
  LONG readStringOrInt(std::unique_ptr<char[]>& text);
  // Extension blocks until one is not there, into `into`.
  void readExtensions(std::unique_ptr<std::stringstream>& into);
  // A positive status left by an optional item is success for the enclosing one.
  void clearOptional() {
    if (status_ > 0) status_ = 0;
  }

  std::unique_ptr<KMLex> lex;
  LONG errorOffset;
  LONG status_;
  bool multiFile;
  bool headerRead;
  bool headerRejected;
};

#endif  // MAPTEXT_MAP_READ_H
