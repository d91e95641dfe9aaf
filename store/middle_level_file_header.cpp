// The middle-level store's two header fields: written after the low-level
// header, read back with it, and rewritten in place (layout in
// middle_level_file_header.h).
#include "store/middle_level_file_header.h"

#include "store/low_level_store.h"

MiddleLevelFileHeader::MiddleLevelFileHeader(LowLevelStore* store) : LowLevelFileHeader(store) {}

MiddleLevelFileHeader::MiddleLevelFileHeader(LowLevelStore* store, const char* signature,
                                             ULONG version)
    : LowLevelFileHeader(store, signature, version) {}

void MiddleLevelFileHeader::classInvarient(const char* file, int line) const {
  LowLevelFileHeader::classInvarient(file, line);
}

void MiddleLevelFileHeader::doCreateExtension() {
  LowLevelStore* s = store();
  indexHandlePos_ = static_cast<ULONG>(s->tellp());
  s->write(indexHandle_);
  nextIDPos_ = static_cast<ULONG>(s->tellp());
  s->write(nextID_);
}

int MiddleLevelFileHeader::doReadExtension(int bytesSoFar) {
  LowLevelStore* s = store();
  indexHandlePos_ = static_cast<ULONG>(bytesSoFar);
  nextIDPos_ = indexHandlePos_ + 4;
  s->seekg(indexHandlePos_);
  s->read(&indexHandle_);
  s->read(&nextID_);
  return bytesSoFar + 8;
}

void MiddleLevelFileHeader::setIndexHandle(ULONG handle) {
  LowLevelStore* s = store();
  s->clear();
  s->seekp(indexHandlePos_);
  s->write(handle);
  indexHandle_ = handle;
}

ULONG MiddleLevelFileHeader::nextID() {
  LowLevelStore* s = store();
  s->clear();
  s->seekg(nextIDPos_);
  s->read(&nextID_);
  return nextID_;
}

void MiddleLevelFileHeader::setNextID(ULONG id) {
  LowLevelStore* s = store();
  s->clear();
  s->seekp(nextIDPos_);
  s->write(id);
  nextID_ = id;
}
