// Owns a store opened by the defragmenter or the salvage and deletes it,
// swallowing what its destructor may throw (a store's destructor throws only
// when streams on it are still open, which neither leaves behind).
#ifndef TOOLS_BLKPACK_STORE_OWNER_H
#define TOOLS_BLKPACK_STORE_OWNER_H

#include "store/middle_level_store.h"

struct StoreOwner {
  MiddleLevelStore* store = nullptr;  // owned
  StoreOwner() = default;
  StoreOwner(const StoreOwner&) = delete;
  StoreOwner& operator=(const StoreOwner&) = delete;
  ~StoreOwner() { close(); }
  void close() {
    MiddleLevelStore* s = store;
    store = nullptr;
    try {
      delete s;
    } catch (...) {
    }
  }
};

#endif  // TOOLS_BLKPACK_STORE_OWNER_H
