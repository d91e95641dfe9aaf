// MLStoreHandle: one ID record seen through its ID, flags and facets.
#include "store/ml_store_handle.h"

#include "store/middle_level_store.h"

MLStoreHandle::MLStoreHandle(MiddleLevelStore* store, ULONG id)
    : store_(store), id_(id), owned_(store->getHashRec(id)), record_(owned_.get()) {}

MLStoreHandle::MLStoreHandle(MiddleLevelStore* store, const ULONG* record)
    : store_(store), id_(record[0]), record_(record) {}

MLStoreHandle::~MLStoreHandle() = default;

void MLStoreHandle::classInvarient(const char*, int) const {}

int MLStoreHandle::facets() const { return store_->facets(); }

bool MLStoreHandle::isFacetEmpty(int facet) const {
  return facet < 0 || facet >= facets() || record_[2 + facet] == 0;
}

std::unique_ptr<StoreStream> MLStoreHandle::getFacet(int facet) const {
  if (isFacetEmpty(facet)) return nullptr;
  return store_->makeStream(record_[2 + facet]);
}
