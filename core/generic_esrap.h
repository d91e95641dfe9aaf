// The writer of the header part of any member of the map text family: the
// signature line with the member's own signature() and the map text section
// header. It is the map text structured writer (maptext/km_esrap.h) narrowed to
// those productions; a member adds its body (writeBody) and what goes in it.
//
//   signature " " 161 CR LF                        -- the file version, 353
//   "(a" author "," version "," 1 ")" "," {header annotations}
//
// Status: as the map text writer (-101 file already written, -102 the file could
// not be made, -103 output stream in bad state, -104 header already written,
// -112 no output, -113 body already open); negative stops all writing.
#ifndef CORE_GENERIC_ESRAP_H
#define CORE_GENERIC_ESRAP_H

#include <istream>
#include <ostream>

#include "core/generic_file_info.h"
#include "maptext/km_esrap.h"

class GenericEsrap : protected KMEsrap, public virtual GenericFileInfo {
 public:
  using KMEsrap::BAD_STREAM;
  using KMEsrap::BODY_OPEN;
  using KMEsrap::CANT_CREATE;
  using KMEsrap::FILE_DONE;
  using KMEsrap::HEADER_DONE;
  using KMEsrap::NO_OUTPUT;

  // As the map text writer: no output (status -112), a file made or truncated,
  // or a stream (not owned).
  explicit GenericEsrap(const char* appTag);
  GenericEsrap(const char* appTag, const char* path);
  GenericEsrap(std::ostream* out, const char* appTag);
  ~GenericEsrap() override;

  // Both start a new file: status and productions reset.
  virtual LONG open(const char* path);
  virtual LONG attach(std::ostream* out);
  using KMEsrap::getStatus;
  using KMEsrap::isOpen;
  using KMEsrap::setPrettyPrint;
  using KMEsrap::status;
  using KMEsrap::writer;

  // The signature line, then the body.
  LONG writeFile(const char* author, LONG version, std::istream* ext);
  // The signature line with this file's own signature().
  LONG writeSignatureLine() { return KMEsrap::writeSignatureLine(signature()); }
  // The member's body: opened with the section header.
  virtual LONG writeBody(const char* author, LONG version, std::istream* ext) = 0;

  using KMEsrap::closeSectionHeader;
  using KMEsrap::writeAuthorSpec;
  using KMEsrap::writeComment;
  using KMEsrap::writeExtension;
  using KMEsrap::writeNameSpec;
  using KMEsrap::writeSectionHeader;

 protected:
  // True while output is possible and no error stopped it.
  bool writing() { return getStatus() >= 0 && isOpen(); }
  // Closes the shared productions and flushes.
  LONG closeHeader() { return KMEsrap::close(); }

 private:
  bool fileDone_ = false;
};

#endif  // CORE_GENERIC_ESRAP_H
