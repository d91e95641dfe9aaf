// The entry headers a book has already read or written (facet 0 of each ID: the
// name, the type and the flags), kept by ID so that walks over every entry
// (listing pages, finding one by name) read no record for an entry already seen.
//
// Invariants:
//   1. A kept header answers for its ID only while the ID's facet 0 still names
//      the record it was kept for (`handle`); find() is asked with the handle
//      the ID record names now, so a header rewritten into a fresh record, or a
//      removed entry, is never answered from an older one.
//   2. Its name, type and flags are what a reader parses from that record's
//      first bytes: a header is kept from bytes just read without a failing read
//      of the file, or from bytes just written when a reader parsing them back
//      gets the same texts (no NUL inside, at most 256 characters each) and the
//      record is one block.
//   3. `readSteps` is the number of chain steps the read of the record's start
//      makes; an answer charges the store one chain open and those steps
//      (LowLevelStore::chargeRecordRead), the counts of the read it saves.
//   4. At most MaxEntries headers are kept (beyond that, headers are read each
//      time), so a book with a huge ID table cannot make it grow without bound.
// check() compares the kept headers with a plain read of each record.
#ifndef CORE_ENTRY_HEADER_CACHE_H
#define CORE_ENTRY_HEADER_CACHE_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "kit/string.h"
#include "platform/windows_types.h"
#include "store/handle_map.h"

class MiddleLevelStore;

class EntryHeaderCache {
 public:
  struct Header {
    ULONG handle;  // the header record it came from
    String name;
    String type;
    ULONG flags;
    ULONG readSteps;
  };
  // How a reader turns a header's bytes into name, type and flags.
  typedef void (*ParseFn)(const char* bytes, std::size_t n, std::string* name, std::string* type,
                          ULONG* flags);
  static constexpr std::size_t MaxEntries = 1u << 20;

  // The header kept for `id` from the record at `handle`, or null. Shared, so
  // that a caller holding one may let the entry change or go.
  std::shared_ptr<const Header> find(ULONG id, ULONG handle) const;
  // Keeps `header` for `id` (unless MaxEntries other IDs are kept already).
  void keep(ULONG id, std::shared_ptr<const Header> header);
  void erase(ULONG id);
  std::size_t size() const { return headers_.size(); }

  // For each of `ids` with a kept header for the record its facet 0 names, reads
  // that record's first `readBytes` bytes as the book does, parses them with
  // `parse`, and compares texts, flags and the steps the read made. Returns ""
  // when all agree, else the first difference.
  std::string check(MiddleLevelStore& store, const std::vector<ULONG>& ids, ParseFn parse,
                    int readBytes) const;

 private:
  HandleMap<std::shared_ptr<const Header>> headers_;
};

#endif  // CORE_ENTRY_HEADER_CACHE_H
