// The manifest of an exported book: a small text file, "book.manifest", that
// together with the page bodies (map-text files) and a few raw files describes
// a whole book, so that `tvx export` and `tvx import` can move a book to and from
// a folder without losing a byte, and people can write books by hand.
//
// Folder layout:
//
//   book.manifest          this file
//   pages/<ID>.map         page bodies (map text), byte for byte
//   raw/<ID>-<F>.bin       a facet kept byte for byte when its bytes do not
//                          follow the book layout exactly (so it cannot be
//                          written as the lines below without changing it)
//
// Manifest lines (one item per line; words are bare or "quoted"; # starts a
// comment; indentation is free):
//
//   tvx-book 1                    first line: format and its version
//   signature "#NXST#"            the book's application signature
//   version 1568                  the book's application version
//   next-id N                     the store's next-ID counter
//   home ID                       the home page (sets kind bits 1 and 8)
//   types ID                      the type page (sets kind bit 4)
//   page ID | link ID             starts an entry; the lines below belong to it
//     kind K                      the ID's kind word (default 1 page, 2 link)
//     name "text"                 entry header: name, type and flags; any of
//     type "text"                 these lines makes the entry have a header
//     flags N                     (missing parts empty / 0)
//     body "pages/ID.map"         the page body file
//     attr "name" "value" | -     one attribute, in stored order; - = no value
//     linklist "ref" ...          the page's link list (reference texts)
//     end DIR "ref"               one end of a link record, in order
//     raw F "raw/ID-F.bin"        facet F holds exactly this file's bytes
//
// Quoted texts escape \" \\ \n \r \t and other control bytes as \xHH; bytes
// from 0x80 up are written as they are.
//
// Invariants: IDs are unique; an entry's facets are given at most once each
// (a raw line replaces the structured form of its facet); entries are listed
// in the order of the book's ID table, so importing keeps that order too.
//
// Reading is bounded by the text's length (at most MaxManifestSize bytes) and
// the number of entries by MaxEntries.
#ifndef TOOLS_TVX_BOOK_MANIFEST_H
#define TOOLS_TVX_BOOK_MANIFEST_H

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/windows_types.h"

struct ManifestAttr {
  std::string name;
  bool hasValue = false;
  std::string value;
};

struct ManifestEntry {
  ULONG id = 0;
  bool isLink = false;
  ULONG kind = 0;
  // Entry header (facet 0).
  bool hasHeader = false;
  std::string name, type;
  ULONG flags = 0;
  // Page body file (facet 1 of a page), relative to the folder.
  bool hasBody = false;
  std::string bodyFile;
  // Attribute list (facet 3), in stored order.
  bool hasAttrs = false;
  std::vector<ManifestAttr> attrs;
  // Link list (facet 2 of a page).
  bool hasLinkList = false;
  std::vector<std::string> linkList;
  // Link record (facet 1 of a link): direction and page reference of each end.
  bool hasRecord = false;
  std::vector<std::pair<LONG, std::string>> ends;
  // Facets kept byte for byte: facet -> file relative to the folder.
  std::map<int, std::string> raw;
};

class BookManifest {
 public:
  static const int FormatVersion = 1;
  static const std::size_t MaxManifestSize = 64u << 20;
  static const std::size_t MaxEntries = 1u << 20;
  static const char FileName[];  // "book.manifest"

  std::string signature = "#NXST#";
  ULONG version = 1568;
  ULONG nextId = 0;
  std::vector<ManifestEntry> entries;

  // The manifest text.
  std::string write() const;
  // Reads a manifest text; false with "<line>: <what>" in `error` when it is
  // not one.
  bool parse(const std::string& text, std::string* error);

  // ---- The book layout's byte forms, shared by export and import ----
  static std::string encodeHeader(const std::string& name, const std::string& type, ULONG flags);
  // Decodes name NUL type NUL digits; false when the bytes are not exactly that.
  static bool decodeHeader(const std::string& bytes, std::string* name, std::string* type,
                           ULONG* flags);
  static std::string encodeLinkList(const std::vector<std::string>& refs);
  static bool decodeLinkList(const std::string& bytes, std::vector<std::string>* refs);
  static std::string encodeRecord(const std::vector<std::pair<LONG, std::string>>& ends);
  static bool decodeRecord(const std::string& bytes, std::vector<std::pair<LONG, std::string>>* ends);
  // Attribute list bytes as the book writes them (pairs, ")" and a line end).
  static std::string encodeAttrs(const std::vector<ManifestAttr>& attrs);
  static bool decodeAttrs(const std::string& bytes, std::vector<ManifestAttr>* attrs);

  // Text quoted for the manifest, and read back.
  static std::string quote(const std::string& text);
};

#endif  // TOOLS_TVX_BOOK_MANIFEST_H
