// Reads everything a book file holds, the way a viewer would reach it, and
// gives back what it found: every ID with its kind word, every facet's bytes
// read through the store streams, the decoded entry header, the page body and
// attribute list as the map text reader sees them, the link record's ends and
// the link list's entries. Problems are counted (reports through the error
// channel and negative status codes), so a caller can tell "the book said it was
// damaged" from "the book read cleanly".
//
// Bounds: the ID walk is the store's enumeration (bounded by its table); every
// facet read stops at MaxFacetBytes; the reader itself keeps at most MaxEntries
// entries, so a hostile file cannot make it hold more than a small multiple of
// its own size.
#ifndef FUZZ_WHOLE_BOOK_READER_H
#define FUZZ_WHOLE_BOOK_READER_H

#include <map>
#include <string>

#include "core/db.h"
#include "platform/windows_types.h"

class Nexil;

struct BookEntryImage {
  ULONG kind = 0;
  // The raw bytes of each facet ("" when empty); facetFailed when the stream
  // could not be made or read.
  std::string facets[DB::Facets];
  bool facetFailed[DB::Facets] = {false, false, false, false, false, false};
  // The entry header as the book decodes it; headerStatus is lookupName_Type_Flags'.
  int headerStatus = -1;
  std::string name;
  std::string type;
  ULONG flags = 0;
  // The map text reader's status on the page body (1: no body), the record
  // count it delivered.
  LONG bodyStatus = 1;
  int bodyRecords = 0;
  // readAttrs' status (1: no list) and the attributes as "name=value" lines.
  int attrStatus = 1;
  std::string attrs;
  // Link record: the ends as "direction reference" lines; -1 when unreadable.
  int linkEnds = -1;
  std::string linkRecord;
  // Link list: its references as lines.
  int linkListEntries = 0;
  std::string linkList;
};

struct BookImage {
  static const std::size_t MaxEntries = 100000;
  static const std::size_t MaxFacetBytes = 16u << 20;
  bool opened = false;
  std::map<ULONG, BookEntryImage> entries;
  // Reports of kinds 'E', 'F' and 'W' plus negative statuses met while reading.
  int problems = 0;
  // The last report's text (for test messages).
  std::string lastReport;
};

// Opens `path` read-only as a book with `app` and reads it whole. Never throws.
BookImage readWholeBook(Nexil& app, const std::string& path);

#endif  // FUZZ_WHOLE_BOOK_READER_H
