// A map text reader and writer over one file or stream: the parser (MapRead) and
// the structured writer (KMEsrap) share one KMFileInfo, so a map text read
// through a translator is written back with the same header. Page windows, the
// type page and the attribute reader derive from it and supply the handlers.
//
// Opening a file is locking-aware. Mode bits: 0x2 read and write (else read
// only), 0x4 fall back to read only when writing is refused, 0x8 create a
// missing file. A writer denies others writing; a reader denies nothing. At most
// three attempts are made; between two attempts that found the file locked the
// translator beeps and waits one second. The outcome is kept in the parser's
// status:
//
//   CODE   MEANING
//   -201   the file does not exist
//   -202   too many open files
//    201   read-write access was refused; the file was opened read-only instead
//   -203   the file stayed locked through all attempts
//   -204   invalid access
//   -205   a stream could not be made on the open file
#ifndef MAPTEXT_KM_TRANSLATOR_H
#define MAPTEXT_KM_TRANSLATOR_H

#include <iostream>
#include <memory>

#include "maptext/km_esrap.h"
#include "maptext/map_read.h"
#include "platform/io/fd_stream.h"
#include "platform/windows_types.h"

class KMTranslator : public MapRead, public KMEsrap {
 public:
  // Open mode bits.
  static constexpr short MODE_READ_WRITE = 0x2;
  static constexpr short MODE_READ_ONLY_FALLBACK = 0x4;
  static constexpr short MODE_CREATE = 0x8;

  // Open outcomes.
  static constexpr LONG NOT_FOUND = -201;
  static constexpr LONG TOO_MANY_OPEN_FILES = -202;
  static constexpr LONG OPENED_READ_ONLY = 201;
  static constexpr LONG LOCKED = -203;
  static constexpr LONG INVALID_ACCESS = -204;
  static constexpr LONG NO_STREAM = -205;

  // How many times a locked file is tried, and the wait between two tries.
  static constexpr int OPEN_ATTEMPTS = 3;
  static constexpr DWORD RETRY_WAIT_MS = 1000;

  // The most derived class passes the application tag to KMFileInfo itself.
  KMTranslator(const char* appTag, const char* path, short mode);
  // Works on `s` (not owned).
  KMTranslator(const char* appTag, std::iostream* s);
  // No stream.
  explicit KMTranslator(const char* appTag);

  // Closes the current stream, then opens the file and, on success, attaches
  // both sides to a stream on it (owned). Returns the parser's status.
  LONG open(const char* path, short mode);
  // Closes the current stream and attaches both sides to `s` (not owned).
  LONG attach(std::iostream* s);

  // ---- Virtual operations, continuing the parser's slots ----
  // For an owned stream: closes the writer (which cuts the file at its position
  // when a body was written), closes the file and deletes the stream. In every
  // case the translator is left without a stream.
  virtual void closeStream();
  // The parser's status when negative, otherwise the writer's.
  virtual LONG status();
  // Both sides' statuses are non-negative.
  virtual bool ok();
  // A stream exists and both sides are attached to it.
  virtual bool isOpen();
  // Writes the file header from the file information (KMFileInfo::saveOn);
  // -1 without a stream, otherwise the writer's status.
  virtual LONG save();
  ~KMTranslator() override;

  // The parser's status, where the outcome of an open is kept (201 included);
  // KMEsrap::getStatus() gives the writer's.
  LONG getStatus() const { return MapRead::getStatus(); }
  std::iostream* getStream() const { return stream; }
  bool ownsTheStream() const { return ownsStream; }

  // The wait between two attempts on a locked file; tests install one that
  // does not sleep. Returns the previous one. Null restores the real wait.
  typedef void (*RetryWait)(DWORD milliseconds);
  static RetryWait setRetryWait(RetryWait wait);

  bool classInvarient(const char* file, int line) const;

 protected:
  // Drops both sides' hold on the stream without touching the stream.
  void detachSides();

  std::iostream* stream;
  bool ownsStream;

 private:
  int fd;
  std::unique_ptr<FdStream> ownedStream;
};

#endif  // MAPTEXT_KM_TRANSLATOR_H
