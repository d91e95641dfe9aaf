// What a record's bytes hold, judged from the bytes alone: an entry header, a
// page body, a link record, a link list, an attribute list, nothing, or bytes
// of no kind the book writes. The book's integrity check asks it of every
// record that no ID names, to tell space that holds nothing (lost space) from a
// page, link or entry whose ID is gone (lost data); the salvage asks it of
// every record it finds, to say what it kept and to recognise a record that
// reads whole although its last link is damaged.
//
// The forms, as the book database writes them:
//
//   entry header   name NUL type NUL flags: each text at most 256 bytes, the
//                  flags 1 to 10 decimal digits fitting 32 bits, at the end
//   page body      map text: "#CM&^#" and a body the map text reader accepts
//   link record    items [+-]digits NUL reference NUL, a reference at most 787
//                  bytes, two items or more, nothing after them
//   link list      references NUL-terminated (each at most 561 bytes), at least
//                  one, then the end mark 0xFF as the last byte
//   attribute list map-text pairs (V"name","value") the attribute reader
//                  accepts, at least one (layout may come before them)
//
// Every test is bounded by the record's length; the map text reader is bounded
// by its own rules (maptext/map_read.h).
#ifndef CORE_RECORD_CONTENT_H
#define CORE_RECORD_CONTENT_H

#include <string>

#include "platform/windows_types.h"

class RecordContent {
 public:
  enum Kind { Empty, EntryHeader, PageBody, LinkRecord, LinkList, AttrList, Unknown };

  // The first of the forms above that the bytes have (tested in the order of
  // the enumeration); a page body only needs to begin with the map-text
  // signature when `signatureIsBody` is set (a body damaged further on is still
  // a page's data).
  static Kind classify(const std::string& bytes, bool signatureIsBody = false);
  // "an entry header", "a page body", ... "nothing", "bytes of no known kind".
  static const char* describe(Kind kind);
  // True when the bytes hold data a page or link owns: anything but nothing
  // and bytes of no known kind.
  static bool holdsData(Kind kind) { return kind != Empty && kind != Unknown; }

  // The entry header's parts; false when the bytes are not one.
  static bool entryHeader(const std::string& bytes, std::string* name, std::string* type,
                          ULONG* flags);
  static bool pageBody(const std::string& bytes);
  static bool linkRecord(const std::string& bytes);
  static bool linkList(const std::string& bytes);
  static bool attrList(const std::string& bytes);
};

#endif  // CORE_RECORD_CONTENT_H
