// The file header of a middle-level store: the low-level header followed by two
// fields of its own, which are rewritten in place whenever they change.
//
// Extension layout (right after the low-level header's freeList field; the
// header's size field covers it; integers little-endian):
//
//   OFFSET     SIZE      DESCRIPTION
//   E          4         index handle: the record holding the ID table (a hash
//                        stream); 0 only while a new store is being made
//   E+4        4         next ID: the ID that the next createID without a
//                        requested ID hands out; 0 in a new store
//
// E is 18 + the lengths of the two signatures with their NULs (see
// store/low_level_file_header.h). The next-ID field lives only in the file: it is
// re-read before every use, so two store objects on one file never hand out the
// same ID twice in sequence.
#ifndef STORE_MIDDLE_LEVEL_FILE_HEADER_H
#define STORE_MIDDLE_LEVEL_FILE_HEADER_H

#include "platform/windows_types.h"
#include "store/low_level_file_header.h"

class MiddleLevelFileHeader : public LowLevelFileHeader {
 public:
  // An empty header, to be filled by read().
  explicit MiddleLevelFileHeader(LowLevelStore* store);
  // A header for a new file: index handle 0, next ID 0.
  MiddleLevelFileHeader(LowLevelStore* store, const char* signature, ULONG version);

  void classInvarient(const char* file, int line) const override;
  // Writes both extension fields (at the store's put position) and records
  // where they are.
  void doCreateExtension() override;
  // Reads both fields after `bytesSoFar` bytes; returns bytesSoFar + 8.
  int doReadExtension(int bytesSoFar) override;

  ULONG indexHandle() const { return indexHandle_; }
  // Stores the handle and rewrites its field in place.
  void setIndexHandle(ULONG handle);
  // Re-reads the next-ID field from the file and returns it.
  ULONG nextID();
  // Rewrites the next-ID field in place.
  void setNextID(ULONG id);

  ULONG indexHandlePos() const { return indexHandlePos_; }
  ULONG nextIDPos() const { return nextIDPos_; }

 private:
  ULONG indexHandle_ = 0;
  ULONG nextID_ = 0;
  ULONG indexHandlePos_ = 0;
  ULONG nextIDPos_ = 0;
};

#endif  // STORE_MIDDLE_LEVEL_FILE_HEADER_H
