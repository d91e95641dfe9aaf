// An NXL link file reader and writer over one file or stream: NXLParse and
// NXLEsrap share one NXLFileInfo, so a link file read through a translator is
// written back with the same header.
//
// Opening a file follows the map text translator's locking-aware rules (mode
// bits 0x2 read and write, 0x4 fall back to read only, 0x8 create; outcomes
// -201 not found, -202 too many open files, 201 opened read-only instead, -203
// locked, -204 invalid access, -205 no stream; see maptext/km_translator.h): the
// file is opened by a map text translator kept for that purpose, and both sides
// work on its stream, which the translator owns until closeStream.
#ifndef CORE_NXL_TRANSLATOR_H
#define CORE_NXL_TRANSLATOR_H

#include <iostream>
#include <memory>

#include "core/nxl_esrap.h"
#include "core/nxl_parse.h"
#include "platform/windows_types.h"

class NXLTranslator : public NXLParse, public NXLEsrap {
 public:
  NXLTranslator(const char* appTag, const char* path, short mode);
  // Works on `s` (not owned).
  NXLTranslator(const char* appTag, std::iostream* s);
  // No stream.
  explicit NXLTranslator(const char* appTag);
  ~NXLTranslator() override;

  // Closes the current stream, opens the file and attaches both sides to it.
  // Returns the reader's status.
  LONG open(const char* path, short mode);
  // Closes the current stream and attaches both sides to `s` (not owned).
  LONG attach(std::iostream* s);
  // Closes what the writer has open (a file is cut at the end of what was
  // written), and for a file of its own closes it. The translator is left
  // without a stream.
  virtual void closeStream();
  // The reader's status when negative, otherwise the writer's.
  virtual LONG status();
  virtual bool ok();
  virtual bool isOpen();
  // Writes the file with the header kept in the file information (the major
  // author when there is one, else the application tag): -1 without a stream,
  // otherwise the writer's status.
  virtual LONG saveInternal();

  std::iostream* getStream() const { return stream_; }

 private:
  class Opener;
  // Opens files for us; owns the stream of a file we opened (null otherwise).
  std::unique_ptr<Opener> opener_;
  std::iostream* stream_ = nullptr;
};

#endif  // CORE_NXL_TRANSLATOR_H
