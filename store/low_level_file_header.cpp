// LowLevelFileHeader: writing a new store file's header and reading and checking
// the header of an existing one (layout in low_level_file_header.h).
#include "store/low_level_file_header.h"

#include <cstring>
#include <iostream>

#include "kit/error.h"
#include "store/low_level_store.h"

LowLevelFileHeader::LowLevelFileHeader(LowLevelStore* store) : store_(store) {}

LowLevelFileHeader::LowLevelFileHeader(LowLevelStore* store, const char* signature,
                                       ULONG version)
    : store_(store), signature_(signature != nullptr ? signature : ""), version_(version) {}

LowLevelFileHeader::~LowLevelFileHeader() = default;

void LowLevelFileHeader::classInvarient(const char* file, int line) const {
  if (store_ == nullptr || storeVersion_ > CurrentStoreVersion) {
    error(nullptr, 'E', "Internal error: inconsistent LowLevelFileHeader at %s line %d",
          file != nullptr ? file : "?", line);
  }
}

void LowLevelFileHeader::create() {
  store_->write(ULONG(0));  // size, fixed up below
  store_->write(signature_.c_str(), static_cast<int>(signature_.size()) + 1);
  store_->write(version_);
  const char* storeSignature = store_->storeSignature();
  store_->write(storeSignature, static_cast<int>(std::strlen(storeSignature)) + 1);
  store_->write(storeVersion_);
  freeListPos_ = static_cast<ULONG>(store_->tellp());
  store_->write(freeList_);
  doCreateExtension();
  fixupSize();
}

void LowLevelFileHeader::fixupSize() {
  const LONG pos = store_->tellp();
  if (pos < 0) throw LowLevelStore::BadStreamException("Write failed");
  size_ = static_cast<ULONG>(pos);
  store_->seekp(0);
  store_->write(size_);
  store_->seekp(size_);
}

bool LowLevelFileHeader::readSignature(std::string* text, int* bytesRead) {
  // At most SignatureLimit - 1 bytes are taken, the NUL among them; a text that
  // would need the last byte of the line counts as too long.
  text->clear();
  for (int i = 0; i < SignatureLimit - 1; ++i) {
    char c;
    try {
      store_->read(&c, 1);
    } catch (const LowLevelStore::StoreException&) {
      store_->clear();
      return false;
    }
    if (c == '\0') {
      *bytesRead = i + 1;
      return true;
    }
    text->push_back(c);
  }
  return false;
}

void LowLevelFileHeader::read() {
  typedef LowLevelStore S;
  int count = 0;
  try {
    store_->seekg(0);
    store_->read(&size_);
  } catch (const S::StoreException&) {
    store_->clear();
    throw S::BadSizeException("Read bad size in header");
  }
  count += 4;

  std::string text;
  int consumed = 0;
  if (!readSignature(&text, &consumed)) {
    signature_.clear();
    store_->clear();
    throw S::BadSignatureException("Read bad application signature in header");
  }
  signature_ = text;
  count += consumed;

  try {
    store_->read(&version_);
  } catch (const S::StoreException&) {
    store_->clear();
    throw S::BadVersionException("Read bad version number in header");
  }
  count += 4;

  if (!readSignature(&text, &consumed) || text != store_->storeSignature()) {
    store_->clear();
    throw S::BadSignatureException("Read bad store signature in header");
  }
  count += consumed;

  try {
    store_->read(&storeVersion_);
  } catch (const S::StoreException&) {
    store_->clear();
    throw S::BadVersionException("Read bad store version number in header");
  }
  count += 4;
  if (storeVersion_ > CurrentStoreVersion) {
    store_->clear();
    throw S::BadVersionException("File was created by a more recent software version");
  }

  freeListPos_ = static_cast<ULONG>(count);
  try {
    store_->read(&freeList_);
  } catch (const S::StoreException&) {
    freeListPos_ = 0;
    store_->clear();
    throw S::BadFreeListPtrException("Read bad free list pointer in header");
  }
  count += 4;

  count = doReadExtension(count);

  if (store_->stream() == nullptr || !*store_->stream()) {
    store_->clear();
    throw S::BadStreamException("Header read failed");
  }
  // Blocks start at `size`: it must cover what was read and lie inside the file.
  if (count < 0 || size_ < static_cast<ULONG>(count) || size_ > store_->fileSize()) {
    store_->clear();
    throw S::BadSizeException("Header size does not fit the file");
  }
}

void LowLevelFileHeader::doCreateExtension() {}

int LowLevelFileHeader::doReadExtension(int bytesSoFar) { return bytesSoFar; }
