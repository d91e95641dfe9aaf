// The plain records that the map text parser (MapRead) hands to its handlers,
// one per structure it recognises: the file header, the concept map header, each
// node type and link type, each node (idea symbol), link and annotation.
//
// The parser only moves numbers; what each number means belongs to the handler
// that consumes the record. Every text, array and stream in a record is owned by
// the parser and is valid only during the handler call; a handler that wants to
// keep one copies it.
//
// Absent values: an optional integer that the map text leaves out is
// KM_ABSENT (0x80000000, the most negative 32-bit value); an absent text, array,
// rectangle or stream is null. A rectangle coordinate left out of a present
// rectangle is KM_ABSENT_COORD (0x8000).
#ifndef MAPTEXT_KM_RECORDS_H
#define MAPTEXT_KM_RECORDS_H

#include <istream>

#include "platform/windows_types.h"

// The absent-value marker for optional integers in map text and saved records.
constexpr LONG KM_ABSENT = static_cast<LONG>(0x80000000u);
// The value of a rectangle coordinate that a present rectangle leaves out.
constexpr LONG KM_ABSENT_COORD = 0x8000;
// From this section version on, the optional fields that were added later
// (node and link flags, annotation extra value, node type parent specifier, link type
// parent specifier and constraint, concept map extra value) are present.
constexpr LONG KM_VERSION_354 = 354;
// The file version written on the signature line, and the version written for
// the concept map, the types block and the three sections.
constexpr LONG KM_FILE_VERSION = 353;
constexpr LONG KM_SECTION_VERSION = 354;

// The file header: the major author and the header annotations collected while
// reading it (each stream holds map-text blocks, or is null when none was seen).
struct KM_FileHeader {
  const char* cmName;
  const char* majorAuthor;
  LONG majorAuthorVersion1;
  LONG majorAuthorVersion2;
  int multiFile;
  std::istream* extensions;
  std::istream* names;
  std::istream* authors;
  std::istream* comments;
};

// The concept map header.
struct KM_CM {
  LONG version;    // the concept map's version integer
  const char* name;  // the concept map name, or null
  RECT* bounds;    // null when absent
  RECT* viewport;  // null when absent
  LONG extra;      // 0 when version < 354, else the optional value (may be KM_ABSENT)
};

struct KM_NodeType {
  LONG version;  // the types block's version
  LONG id;
  const char* name;
  LONG parent;
  LONG shape;
  LONG fill1;
  LONG fill2;
  LONG line1;
  LONG line2;
  LONG line3;
  LONG shapeValue;
  LONG textSpec;
  std::istream* extension;  // the type's extension blocks, or null
};

struct KM_ArrowHeadAttr {
  LONG value1;
  LONG value2;
  LONG value3;
  LONG fill1;
  LONG fill2;
  LONG line1;
  LONG line2;
  LONG line3;
};

struct KM_LinkType {
  LONG version;  // the types block's version
  LONG id;
  const char* name;
  LONG parent;
  LONG constraint1;
  LONG constraint2;
  LONG textSpec;
  LONG line1;
  LONG line2;
  LONG line3;
  LONG lineValue;
  KM_ArrowHeadAttr arrowHead1;
  KM_ArrowHeadAttr arrowHead2;
  std::istream* extension;
};

struct KM_Node {
  LONG version;  // the node section's version
  LONG id;
  const char* name;
  LONG typeId;
  const char* typeName;
  LONG x;
  LONG y;
  LONG x2;
  LONG y2;
  ULONG flags;
  LONG refId;
  const char* ref;
  std::istream* extension;
};

struct KM_Link {
  LONG version;  // the link section's version
  LONG id;
  LONG typeId;
  const char* typeName;
  // The ids of the joined nodes, source first, ended by KM_ABSENT; null when the
  // link lists none.
  LONG* nodeIds;
  LONG a;
  LONG b;
  ULONG flags;
  LONG refId;
  const char* ref;
  std::istream* extension;
};

struct KM_Annotation {
  LONG version;  // the annotation section's version
  LONG id;
  const char* name;
  LONG x;
  LONG y;
  LONG x2;
  LONG y2;
  ULONG flags;
  LONG* values;  // valueCount integers (null when there are none)
  int valueCount;
  LONG extra;
  // 't', 'g' or 'p' for text, 'o' for an OLE object, 'm' for a publish/subscribe
  // object, the tag seen for any other body, 0 when there is no body.
  char kind;
  void* data;     // the text (NUL-terminated) or the bytes, or null
  ULONG dataSize;  // text length plus 1, or the byte count
  std::istream* extension;
};

#endif  // MAPTEXT_KM_RECORDS_H
