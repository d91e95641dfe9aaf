// The check before an edit (see book_edit_check.h): the ID table's facets
// compared with one another, and the block chains of the records an edit will
// change looked up block by block.
#include "core/book_edit_check.h"

#include <algorithm>
#include <memory>
#include <string>

#include "kit/error_msg_exception.h"
#include "store/block.h"
#include "store/free_index.h"
#include "store/middle_level_file_header.h"
#include "store/middle_level_store.h"

namespace {

// One facet that names a record, where the ID table holds it.
struct Naming {
  ULONG handle;
  ULONG id;
  int facet;
  // Table order, so that "also named by" names the facet met first, as the
  // integrity check does.
  std::size_t order;
};

struct TableWalk {
  int facets;
  std::vector<Naming> namings;
};

int collectNamings(const ULONG* record, void* context) {
  TableWalk* walk = static_cast<TableWalk*>(context);
  for (int f = 0; f < walk->facets; ++f) {
    const ULONG h = record[2 + f];
    if (h != 0) walk->namings.push_back(Naming{h, record[0], f, walk->namings.size()});
  }
  return 0;
}

std::string idFacet(ULONG id, int facet) {
  return "ID " + std::to_string(id) + " facet " + std::to_string(facet);
}

// The records of one ID, block by block (check 2).
bool recordSound(MiddleLevelStore& store, ULONG id, int facet, ULONG handle,
                 std::string* problem) {
  const std::string where = "ID " + std::to_string(id) + ": facet " + std::to_string(facet) + " names ";
  std::unique_ptr<Block> block = store.lowLevelLookup(handle);
  if (block->header().free_mark()) {
    *problem = where + "free block " + std::to_string(handle);
    return false;
  }
  if (!block->header().first_mark()) {
    *problem = where + "block " + std::to_string(handle) + ", which is inside another record";
    return false;
  }
  const ULONG limit = store.blockCountLimit();
  for (ULONG steps = 0; block->header().next() != 0; ++steps) {
    const ULONG cur = block->handle();
    const ULONG next = block->header().next();
    const std::string here = "block " + std::to_string(cur) + ": ";
    if (steps >= limit || next == handle) {
      *problem = "block " + std::to_string(handle) + ": record loops back to block " +
                 std::to_string(next);
      return false;
    }
    block = store.lowLevelLookup(next);
    const BlockHeader& h = block->header();
    if (h.free_mark()) {
      *problem = here + "next block " + std::to_string(next) + " is free";
      return false;
    }
    if (h.first_mark() || h.prev() != cur) {
      *problem = "block " + std::to_string(next) + ": links back to " + std::to_string(h.prev()) +
                 ", expected " + std::to_string(cur);
      return false;
    }
  }
  return true;
}

// No facet names a place inside a block of the free list (`n` sorted by handle).
bool namesNoFreeSpace(MiddleLevelStore& store, const std::vector<Naming>& n, std::string* problem) {
  FreeIndex* index = nullptr;
  try {
    index = store.freeIndex();
  } catch (const ErrorMsgException&) {
    store.clear();
  }
  if (index == nullptr || index->count() == 0) return true;  // no copy: check 2 says why
  std::vector<std::pair<ULONG, ULONG>> free = index->listed();
  std::sort(free.begin(), free.end());
  for (const Naming& x : n) {
    // The last free block starting at or before the handle.
    auto it = std::upper_bound(free.begin(), free.end(), std::make_pair(x.handle, ~0u));
    if (it == free.begin()) continue;
    --it;
    if (x.handle - it->first >= it->second) continue;
    *problem = "ID " + std::to_string(x.id) + ": facet " + std::to_string(x.facet) + " names " +
               (x.handle == it->first ? "free block " + std::to_string(x.handle)
                                      : std::to_string(x.handle) + ", which is not the start of a block");
    return false;
  }
  return true;
}

}  // namespace

bool BookEditCheck::idTable(MiddleLevelStore& store, std::string* problem) {
  TableWalk walk{store.facets(), {}};
  try {
    store.enumerateRecords(collectNamings, &walk);
  } catch (const ErrorMsgException& e) {
    store.clear();
    *problem = std::string("ID table: cannot be read: ") + e.description();
    return false;
  }
  const ULONG index = store.mlHeader()->indexHandle();
  std::vector<Naming>& n = walk.namings;
  for (const Naming& x : n) {
    if (x.handle == index) {
      *problem = "ID " + std::to_string(x.id) + ": facet " + std::to_string(x.facet) +
                 " names record " + std::to_string(x.handle) + ", also named by the ID table";
      return false;
    }
  }
  std::sort(n.begin(), n.end(), [](const Naming& a, const Naming& b) {
    return a.handle != b.handle ? a.handle < b.handle : a.order < b.order;
  });
  // The first repeat in table order is the one reported.
  const Naming* second = nullptr;
  const Naming* first = nullptr;
  for (std::size_t i = 1; i < n.size(); ++i) {
    if (n[i].handle != n[i - 1].handle) continue;
    // n[i - 1] is met before n[i]; the earliest naming of this handle comes first.
    std::size_t j = i - 1;
    while (j > 0 && n[j - 1].handle == n[i].handle) --j;
    if (second == nullptr || n[i].order < second->order) {
      second = &n[i];
      first = &n[j];
    }
  }
  if (second == nullptr) return namesNoFreeSpace(store, n, problem);
  *problem = "ID " + std::to_string(second->id) + ": facet " + std::to_string(second->facet) +
             " names record " + std::to_string(second->handle) + ", also named by " +
             idFacet(first->id, first->facet);
  return false;
}

bool BookEditCheck::freeList(MiddleLevelStore& store, std::string* problem) {
  try {
    if (store.freeListPtr() == 0 || store.freeIndex() != nullptr) return true;
  } catch (const ErrorMsgException&) {
    store.clear();
  }
  *problem = "free list: is not a sound list of free blocks";
  return false;
}

bool BookEditCheck::entries(MiddleLevelStore& store, const std::vector<ULONG>& ids,
                            std::string* problem) {
  for (ULONG id : ids) {
    std::unique_ptr<ULONG[]> record = store.getHashRec_noThrow(id);
    if (!record) continue;
    for (int f = 0; f < store.facets(); ++f) {
      const ULONG h = record[2 + f];
      if (h == 0) continue;
      try {
        if (!recordSound(store, id, f, h, problem)) return false;
      } catch (const ErrorMsgException&) {
        store.clear();
        *problem = "ID " + std::to_string(id) + ": facet " + std::to_string(f) + " names " +
                   std::to_string(h) + ", which is not the start of a block";
        return false;
      }
    }
  }
  return true;
}
