// A view of one ID record of a middle-level store: its ID, flags and facets. The
// handle either owns a copy of the record (fetched by ID) or wraps a record that
// someone else owns (the enumeration hands out such handles).
#ifndef STORE_ML_STORE_HANDLE_H
#define STORE_ML_STORE_HANDLE_H

#include <memory>

#include "platform/windows_types.h"
#include "store/store_stream.h"

class MiddleLevelStore;

class MLStoreHandle {
 public:
  // Fetches and owns a copy of the ID's record; HashStream::NotFound
  // "HashStream::find::NotFound" for an unknown ID.
  MLStoreHandle(MiddleLevelStore* store, ULONG id);
  // Wraps `record` (facets + 2 words), which must outlive the handle.
  MLStoreHandle(MiddleLevelStore* store, const ULONG* record);
  virtual ~MLStoreHandle();
  MLStoreHandle(const MLStoreHandle&) = delete;
  MLStoreHandle& operator=(const MLStoreHandle&) = delete;

  virtual void classInvarient(const char* file, int line) const;

  ULONG getID() const { return record_[0]; }
  ULONG getFlags() const { return record_[1]; }
  int facets() const;
  // A new stream on the facet's record; null when the facet is empty or out of
  // range (0 ... facets - 1). A facet naming a freed record throws as
  // MiddleLevelStore::makeStream.
  std::unique_ptr<StoreStream> getFacet(int facet) const;
  // True when the facet is empty or out of range.
  bool isFacetEmpty(int facet) const;
  MiddleLevelStore* store() const { return store_; }

 private:
  MiddleLevelStore* store_;
  ULONG id_;
  std::unique_ptr<ULONG[]> owned_;
  const ULONG* record_;
};

#endif  // STORE_ML_STORE_HANDLE_H
