// EntryHeaderCache: the kept entry headers and their checker (see
// entry_header_cache.h).
#include "core/entry_header_cache.h"

#include <vector>

#include "store/middle_level_store.h"

std::shared_ptr<const EntryHeaderCache::Header> EntryHeaderCache::find(ULONG id,
                                                                       ULONG handle) const {
  const std::shared_ptr<const Header>* kept = headers_.find(id);
  if (kept == nullptr || (*kept)->handle != handle) return nullptr;
  return *kept;
}

void EntryHeaderCache::keep(ULONG id, std::shared_ptr<const Header> header) {
  if (headers_.size() < MaxEntries || headers_.find(id) != nullptr) {
    headers_.get(id) = std::move(header);
  }
}

void EntryHeaderCache::erase(ULONG id) { headers_.erase(id); }

std::string EntryHeaderCache::check(MiddleLevelStore& store, const std::vector<ULONG>& ids,
                                    ParseFn parse, int readBytes) const {
  std::vector<char> bytes(static_cast<std::size_t>(readBytes > 0 ? readBytes : 1));
  for (ULONG id : ids) {
    const ULONG handle = store.getFacet_noThrow(id, 0);
    const std::shared_ptr<const Header> kept = find(id, handle);
    if (kept == nullptr) continue;
    const ULONG steps = store.chainStepCount;
    bool failed = false;
    const int got = store.readRecordStart(handle, bytes.data(), readBytes, &failed);
    const std::string at = "ID " + std::to_string(id) + ": ";
    if (failed) return at + "the record could not be read";
    std::string name, type;
    ULONG flags = 0;
    parse(bytes.data(), static_cast<std::size_t>(got > 0 ? got : 0), &name, &type, &flags);
    if (name != kept->name.c_str() || type != kept->type.c_str() || flags != kept->flags) {
      return at + "kept \"" + kept->name.c_str() + "\" \"" + kept->type.c_str() + "\" " +
             std::to_string(kept->flags) + ", record holds \"" + name + "\" \"" + type + "\" " +
             std::to_string(flags);
    }
    if (store.chainStepCount - steps != kept->readSteps) {
      return at + "kept " + std::to_string(kept->readSteps) + " read steps, the read made " +
             std::to_string(store.chainStepCount - steps);
    }
  }
  return "";
}
