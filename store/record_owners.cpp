// The count of facets naming each record (see record_owners.h).
#include "store/record_owners.h"

ULONG RecordOwners::count(ULONG handle) const {
  if (handle == 0) return 0;
  auto it = counts_.find(handle);
  return it == counts_.end() ? 0 : it->second;
}

void RecordOwners::change(ULONG from, ULONG to) {
  if (from == to) return;
  if (from != 0) {
    auto it = counts_.find(from);
    if (it != counts_.end() && --it->second == 0) counts_.erase(it);
  }
  if (to != 0) ++counts_[to];
}
