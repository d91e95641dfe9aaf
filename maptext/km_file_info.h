// The header information that a map text carries from reading to writing: the
// versions read, the major author, the header annotations (author specs, name
// specs, comments and extension blocks, each collected as map text in an
// in-memory stream), and this application's own version numbers.
//
// KMFileInfo is a virtual base shared by the parser (MapRead) and the structured
// writer (KMEsrap), so that a class deriving from both (KMTranslator) reads a map
// text and writes it back with the same header. The most derived class
// constructs it with its application tag; the parser records
// thisAppVersion1/2 from an author specifier named by that tag only while both still
// hold KM_ABSENT, so a user that wants them recorded sets both to KM_ABSENT
// before reading.
//
// Ownership: the four streams and the three texts are owned here and are null
// when absent. clear() drops all seven; the destructor clears.
#ifndef MAPTEXT_KM_FILE_INFO_H
#define MAPTEXT_KM_FILE_INFO_H

#include <memory>
#include <sstream>

#include "platform/windows_types.h"

class KMEsrap;

class KMFileInfo {
 public:
  // fileVersion..annotationsVersion 0, no streams, no name, no major author,
  // majorAuthorVersion1/2 = 0 and 1, thisAppVersion1/2 = 0 and 1, and a copy of
  // `appTag` (null for none).
  explicit KMFileInfo(const char* appTag);
  // A deep copy, as operator=.
  KMFileInfo(const KMFileInfo& other);
  virtual ~KMFileInfo();

  // Deletes the four streams and the three texts (the application tag too) and
  // leaves them null. The numbers are kept.
  void clear();
  // Clears, then copies every field; each stream is copied into a new in-memory
  // stream with the same contents, so the copy is independent of the source.
  KMFileInfo& operator=(const KMFileInfo& other);

  // Starts the output file on `w` (KMEsrap::writeFile) with the major author and
  // majorAuthorVersion1 when there is a major author, otherwise with the
  // application tag and thisAppVersion1. Returns true when the writer's status
  // is negative afterwards.
  bool saveOn(KMEsrap& w);

  // The texts, or null.
  const char* getCMName() const { return cmName.get(); }
  const char* getMajorAuthor() const { return majorAuthor.get(); }
  const char* getAppTag() const { return appTag.get(); }
  // Replace a text with a copy of `text` (null clears it).
  void setCMName(const char* text);
  void setMajorAuthor(const char* text);
  void setAppTag(const char* text);

  // Makes the stream when it does not exist yet and returns it.
  static std::stringstream& makeStream(std::unique_ptr<std::stringstream>& s);
  // An owned copy of a NUL-terminated text (null for null).
  static std::unique_ptr<char[]> copyText(const char* text);

  bool classInvarient(const char* file, int line) const;

  LONG fileVersion;
  LONG cmVersion;
  LONG typesVersion;
  LONG nodesVersion;
  LONG linksVersion;
  LONG annotationsVersion;

  // Header annotations collected by the parser, each in map-text form, or null.
  std::unique_ptr<std::stringstream> extensions;
  std::unique_ptr<std::stringstream> names;
  std::unique_ptr<std::stringstream> authors;
  std::unique_ptr<std::stringstream> comments;

  std::unique_ptr<char[]> cmName;
  std::unique_ptr<char[]> majorAuthor;
  std::unique_ptr<char[]> appTag;

  LONG majorAuthorVersion1;
  LONG majorAuthorVersion2;
  LONG thisAppVersion1;
  LONG thisAppVersion2;
};

#endif  // MAPTEXT_KM_FILE_INFO_H
