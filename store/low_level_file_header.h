// The header at the start of every store file: how long it is, who made the file
// (application signature and version), which store layer owns its layout (store
// signature and version) and where the free list starts. A derived store appends
// its own fields through doCreateExtension / doReadExtension.
//
// File header layout (integers little-endian, no padding):
//
//   OFFSET     SIZE      DESCRIPTION
//   0          4         size: total bytes of the header including any extension;
//                        the first block starts here
//   4          n+1       application signature, NUL-terminated, n <= 78
//   5+n        4         version: the application's version number
//   9+n        m+1       store signature, NUL-terminated: "#LLS#" for a plain
//                        low-level store, "#MLS#" for a middle-level store
//   10+n+m     4         store version: layout version of the store layer (32)
//   14+n+m     4         freeList: handle of the head of the free list, 0 = empty
//   18+n+m     ...       extension written by a derived header (none here)
//
// Invariants checked on reading:
//   1. Both signatures end in a NUL within 80 bytes and are not empty reads.
//   2. The store signature is the one of the store layer that opens the file.
//   3. The store version is at most 32 (older layouts are accepted).
//   4. bytes read <= size <= file length, so blocks never overlap the header.
// freeList is checked where it is used (a bad head makes allocation append at
// the end of the file and a release fail), so a damaged free list never keeps
// the records of a file from being read.
// Every failed check throws one of the store's BadStreamException family after
// clearing the stream's error state.
#ifndef STORE_LOW_LEVEL_FILE_HEADER_H
#define STORE_LOW_LEVEL_FILE_HEADER_H

#include <string>

#include "platform/windows_types.h"

class LowLevelStore;

class LowLevelFileHeader {
 public:
  // The layout version this code writes; files with a higher one are refused.
  static constexpr ULONG CurrentStoreVersion = 32;
  // Longest signature text accepted (the NUL makes 79 bytes of an 80-byte line).
  static constexpr int SignatureLimit = 80;

  // An empty header, to be filled by read().
  explicit LowLevelFileHeader(LowLevelStore* store);
  // A header for a new file: store version 32, empty free list.
  LowLevelFileHeader(LowLevelStore* store, const char* signature, ULONG version);
  virtual ~LowLevelFileHeader();
  LowLevelFileHeader(const LowLevelFileHeader&) = delete;
  LowLevelFileHeader& operator=(const LowLevelFileHeader&) = delete;

  virtual void classInvarient(const char* file, int line) const;
  virtual ULONG size() const { return size_; }
  // Writes the header at the store's current put position (offset 0 of a new,
  // empty file), records freeListPos just before the freeList field, lets the
  // extension write itself and then fixes the size field up.
  virtual void create();
  // Reads and checks the header from offset 0 (see the invariants above).
  virtual void read();
  // Writes the fields a derived header appends; nothing here.
  virtual void doCreateExtension();
  // Reads the fields a derived header appends after `bytesSoFar` bytes; returns
  // the new byte count (unchanged here).
  virtual int doReadExtension(int bytesSoFar);

  // Takes the current put position as size, rewrites offset 0 with it and puts
  // the put position back where it was.
  void fixupSize();

  const char* signature() const { return signature_.c_str(); }
  ULONG version() const { return version_; }
  ULONG storeVersion() const { return storeVersion_; }
  ULONG freeList() const { return freeList_; }
  void setFreeList(ULONG handle) { freeList_ = handle; }
  ULONG freeListPos() const { return freeListPos_; }
  LowLevelStore* store() const { return store_; }

 private:
  // Reads a NUL-terminated text of at most SignatureLimit bytes. False when
  // nothing was read or the limit was reached without a NUL.
  bool readSignature(std::string* text, int* bytesRead);

  LowLevelStore* store_;
  std::string signature_;
  ULONG size_ = 0;
  ULONG freeList_ = 0;
  ULONG freeListPos_ = 0;
  ULONG version_ = 0;
  ULONG storeVersion_ = CurrentStoreVersion;
};

#endif  // STORE_LOW_LEVEL_FILE_HEADER_H
