// The salvage (see salvager.h for the steps and why each is there). The
// damaged file is read into memory once and every field of it is taken through
// bounds-checked little-endian accessors; the new book is written through the
// store, as the defragmenter writes its packed copy.
#include "tools/blkpack/salvager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "core/attr_translator.h"
#include "core/attr_value_list.h"
#include "core/book_check.h"
#include "core/record_content.h"
#include "kit/error_msg_exception.h"
#include "store/block_walk.h"
#include "store/byte_order.h"
#include "store/middle_level_file_header.h"
#include "store/middle_level_store.h"
#include "tools/blkpack/durable_file.h"
#include "tools/blkpack/store_owner.h"

const char Salvager::LostFound[] = "lost+found";

namespace {

// The book layout the salvage writes and looks for.
const int BookFacets = 6;
const int BookBuckets = 128;
const ULONG BookVersion = 1568;
const char BookSignature[] = "#NXST#";
const char StoreSignature[] = "#MLS#";
const char HashSignature[] = "#~HS&#";  // with its NUL: 7 bytes
const ULONG HashHeaderSize = 21;
const ULONG EntrySize = (BookFacets + 3) * 4;  // ID, kind, facets, link
const ULONG EmptySlot = 0xFFFFFFFFu;
const ULONG MaxStoreVersion = 32;
const ULONG MaxFileSize = 0x7FFFFFFFu;
const ULONG KindPage = 1, KindLink = 2, KindTypePage = 4;
const int RawFacet = 4;
const int ShareDenyWrite = 0x20;
const int ShareDenyNone = 0x40;
const int OpenReadOnly = 0;

using byte_order::u32;
using byte_order::u16;
std::string num(unsigned long long v) { return std::to_string(v); }
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F || c == '"' || c == '\\') {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// What the damaged file's header gives, as far as it reads.
struct OldHeader {
  std::string signature = BookSignature;
  ULONG version = BookVersion;
  ULONG indexHandle = 0;
  ULONG nextId = 0;
  ULONG blocksStart = 0;  // where the blocks are looked for
  bool sound = false;
  std::string problem;
};

bool textAt(const std::string& f, std::size_t at, std::string* text, std::size_t* used) {
  for (std::size_t i = 0; i < 79 && at + i < f.size(); ++i) {
    if (f[at + i] == '\0') {
      *text = f.substr(at, i);
      *used = i + 1;
      return true;
    }
  }
  return false;
}

OldHeader readHeader(const std::string& f) {
  OldHeader h;
  // The header a book is made with: size, "#NXST#", version, "#MLS#", store
  // version, free list, ID table, next ID.
  h.blocksStart = 4 + sizeof BookSignature + 4 + sizeof StoreSignature + 16;
  std::string app, store;
  std::size_t at = 4, used = 0;
  if (f.size() < 4 || !textAt(f, at, &app, &used)) {
    h.problem = "no application signature";
    return h;
  }
  at += used;
  if (at + 4 > f.size()) return h.problem = "file ends inside the header", h;
  const ULONG version = u32(f, at);
  at += 4;
  if (!textAt(f, at, &store, &used) || store != StoreSignature) {
    h.problem = "no store signature \"#MLS#\"";
    return h;
  }
  at += used;
  if (at + 16 > f.size()) return h.problem = "file ends inside the header", h;
  const ULONG storeVersion = u32(f, at);
  h.indexHandle = u32(f, at + 8);
  h.nextId = u32(f, at + 12);
  at += 16;
  h.signature = app;
  h.version = version;
  const ULONG size = u32(f, 0);
  h.blocksStart = static_cast<ULONG>(at);
  if (size != at) return h.problem = "header size " + num(size) + ", expected " + num(at), h;
  if (storeVersion > MaxStoreVersion)
    return h.problem = "store version " + num(storeVersion) + " is newer than 32", h;
  h.sound = true;
  return h;
}

// One ID as an entry of the ID table gives it.
struct FoundEntry {
  ULONG id = 0;
  ULONG kind = 0;
  ULONG facets[BookFacets] = {0, 0, 0, 0, 0, 0};
  int rank = 0;  // 0 reached from its bucket, 1 found elsewhere, 2 a free entry
  std::string where;
};

// A facet of a recovered ID: the record whose bytes it takes.
struct TakenFacet {
  const BlockWalk::Record* record = nullptr;
};

struct RecoveredEntry {
  FoundEntry entry;
  TakenFacet facets[BookFacets];
  std::string name;
};

// Something kept in lost+found.
struct Kept {
  ULONG at = 0;  // file offset, for the order
  std::string where;
  std::string holds;
  std::string was;  // "facet 1 of ID 7", or ""
  const BlockWalk::Record* record = nullptr;
  const BlockWalk::Gap* gap = nullptr;
};

class Salvage {
 public:
  Salvage(const std::string& file, SalvageResult* result)
      : f_(file), result_(result), header_(readHeader(file)), walk_(file, header_.blocksStart) {}

  bool run(const std::string& fresh, std::string* why);

 private:
  void line(const std::string& text) {
    if (result_->lines.size() < Salvager::MaxLines)
      result_->lines.push_back(text);
    else
      ++unlisted_;
  }
  RecordContent::Kind kindOf(const BlockWalk::Record& r) {
    auto it = kinds_.find(r.first);
    if (it != kinds_.end()) return it->second;
    const RecordContent::Kind k = RecordContent::classify(walk_.bytes(r));
    kinds_[r.first] = k;
    return k;
  }
  bool isHeaderRecord(ULONG h) const { return headerRecords_.count(h) != 0; }
  void findTable();
  bool walkTable(const std::string& t);
  void scan(const std::string& bytes, int rank, const std::string& where, bool tablePositions);
  void takeEntries();
  bool readsAs(int facet, ULONG kind, const std::string& bytes);
  void keepTheRest();
  bool write(const std::string& fresh, std::string* why);
  std::string lostFoundAttrs(const Kept& k) const;

  const std::string& f_;
  SalvageResult* result_;
  OldHeader header_;
  BlockWalk walk_;
  std::size_t unlisted_ = 0;
  std::unordered_map<ULONG, RecordContent::Kind> kinds_;
  std::unordered_set<ULONG> headerRecords_;
  const BlockWalk::Record* table_ = nullptr;
  bool tableSound_ = false;
  ULONG buckets_ = BookBuckets;
  std::vector<FoundEntry> found_;
  std::unordered_set<ULONG> reached_;      // table positions reached from their bucket
  std::unordered_set<ULONG> freeEntries_;  // table positions on its free entry list
  std::vector<RecoveredEntry> recovered_;
  std::unordered_map<ULONG, ULONG> claimed_;  // record -> the ID that took it
  std::unordered_set<ULONG> cutKept_;         // cut records kept whole by a facet
  std::vector<Kept> kept_;
};

void Salvage::findTable() {
  const BlockWalk::Record* named = walk_.recordAt(header_.indexHandle);
  auto signed_ = [&](const BlockWalk::Record* r) {
    if (r == nullptr) return false;
    const std::string b = walk_.bytes(*r);
    return b.size() >= sizeof HashSignature && std::memcmp(b.data(), HashSignature, sizeof HashSignature) == 0;
  };
  if (signed_(named)) {
    table_ = named;
    return;
  }
  for (const BlockWalk::Record& r : walk_.records()) {
    if (r.fragment) break;
    if (signed_(&r)) {
      table_ = &r;
      line("ID table: found at block " + num(r.first) + " by its signature (the header names " +
           num(header_.indexHandle) + ")");
      return;
    }
  }
}

// The table's own walk, as the book's check makes it. True when it is sound;
// the entries reached from their buckets are kept in found_ either way.
bool Salvage::walkTable(const std::string& t) {
  if (t.size() < HashHeaderSize) {
    line("ID table: damaged (shorter than its header)");
    return false;
  }
  const ULONG version = u32(t, 7), entrySize = u16(t, 11), keySize = u16(t, 13);
  const ULONG buckets = u16(t, 15), freeHead = u32(t, 17);
  if (version > MaxStoreVersion || entrySize != EntrySize || keySize != 4 || buckets == 0 ||
      HashHeaderSize + buckets * EntrySize > t.size()) {
    line("ID table: damaged (version " + num(version) + ", entry size " + num(entrySize) +
         ", key size " + num(keySize) + ", " + num(buckets) + " buckets in " + num(t.size()) + " bytes)");
    return false;
  }
  buckets_ = buckets;
  const ULONG tableEnd = HashHeaderSize + buckets * EntrySize;
  auto overflow = [&](ULONG p) {
    return p >= tableEnd && (p - tableEnd) % EntrySize == 0 && p <= t.size() && EntrySize <= t.size() - p;
  };
  std::string problem;
  std::unordered_set<ULONG> ids, seen;
  auto take = [&](ULONG p, ULONG bucket) {
    FoundEntry e;
    e.id = u32(t, p);
    e.kind = u32(t, p + 4);
    for (int fi = 0; fi < BookFacets; ++fi) e.facets[fi] = u32(t, p + 8 + 4 * fi);
    e.rank = 0;
    e.where = "the ID table (bucket " + num(bucket) + ")";
    if (e.id % buckets != bucket) {
      if (problem.empty()) problem = "ID " + num(e.id) + " sits in bucket " + num(bucket);
      return;
    }
    if (!ids.insert(e.id).second) {
      if (problem.empty()) problem = "ID " + num(e.id) + " appears twice";
      return;
    }
    reached_.insert(p);
    found_.push_back(e);
  };
  for (ULONG b = 0; b < buckets; ++b) {
    const ULONG slot = HashHeaderSize + b * EntrySize;
    ULONG link = u32(t, slot + EntrySize - 4);
    if (link == EmptySlot) continue;
    take(slot, b);
    // Bounded by `seen`: each overflow entry is visited once.
    while (link != 0) {
      if (!overflow(link) || !seen.insert(link).second) {
        if (problem.empty()) problem = "bucket " + num(b) + "'s chain is broken at " + num(link);
        break;
      }
      take(link, b);
      link = u32(t, link + EntrySize - 4);
    }
  }
  for (ULONG p = freeHead; p != 0;) {
    if (!overflow(p) || seen.count(p) || !freeEntries_.insert(p).second) {
      if (problem.empty()) problem = "the free entry list is broken at " + num(p);
      break;
    }
    p = u32(t, p + EntrySize - 4);
  }
  if ((t.size() - tableEnd) % EntrySize != 0 && problem.empty())
    problem = "its length " + num(t.size()) + " is not its bucket table and whole entries";
  ULONG unreached = 0;
  for (ULONG p = tableEnd; p <= t.size() && EntrySize <= t.size() - p; p += EntrySize)
    if (!seen.count(p) && !freeEntries_.count(p)) ++unreached;
  if (unreached > 0 && problem.empty())
    problem = num(unreached) + (unreached == 1 ? " entry is" : " entries are") +
              " in no bucket's chain and not on the free entry list";
  if (!table_->whole && problem.empty())
    problem = "its record is cut short at block " + num(table_->cutAt);
  if (problem.empty()) return true;
  line("ID table: damaged (" + problem + ")");
  return false;
}

// Looks for entries at every position of `bytes` (see salvager.h, step 3).
void Salvage::scan(const std::string& bytes, int rank, const std::string& where, bool tablePositions) {
  const ULONG fileSize = static_cast<ULONG>(f_.size());
  // Bounded: each turn moves on by one byte or by a whole entry.
  for (std::size_t i = 0; i + EntrySize <= bytes.size();) {
    const ULONG f0 = u32(bytes, i + 8);
    if (f0 < header_.blocksStart || f0 >= fileSize || !isHeaderRecord(f0) ||
        (tablePositions && reached_.count(static_cast<ULONG>(i)))) {
      ++i;
      continue;
    }
    FoundEntry e;
    e.id = u32(bytes, i);
    e.kind = u32(bytes, i + 4);
    bool ok = e.id != 0xFFFFFFFFu && (e.kind & (KindPage | KindLink | KindTypePage)) != 0 &&
              u32(bytes, i + EntrySize - 4) != EmptySlot;
    for (int fi = 0; ok && fi < BookFacets; ++fi) {
      e.facets[fi] = u32(bytes, i + 8 + 4 * fi);
      ok = e.facets[fi] == 0 || walk_.recordAt(e.facets[fi]) != nullptr;
    }
    if (!ok) {
      ++i;
      continue;
    }
    const bool freeEntry = tablePositions && freeEntries_.count(static_cast<ULONG>(i));
    e.rank = freeEntry ? 2 : rank;
    e.where = where + " at byte " + num(i) + (freeEntry ? " (a free entry)" : "");
    found_.push_back(e);
    i += EntrySize;
  }
}

// Whether the bytes read whole as what `facet` of an ID of `kind` holds.
bool Salvage::readsAs(int facet, ULONG kind, const std::string& bytes) {
  const bool link = (kind & KindLink) && !(kind & KindPage);
  switch (facet) {
    case 0:
      return RecordContent::entryHeader(bytes, nullptr, nullptr, nullptr);
    case 1:
      return link ? RecordContent::linkRecord(bytes) : RecordContent::pageBody(bytes);
    case 2:
      return RecordContent::linkList(bytes);
    case 3:
      return RecordContent::attrList(bytes);
    default:
      return false;
  }
}

void Salvage::takeEntries() {
  std::stable_sort(found_.begin(), found_.end(),
                   [](const FoundEntry& a, const FoundEntry& b) { return a.rank < b.rank; });
  std::unordered_map<ULONG, std::size_t> byId;
  for (const FoundEntry& e : found_) {
    if (e.id == 0xFFFFFFFFu) {
      // The counter cannot pass it: the new book could not hand out another ID.
      line("ID 4294967295: an entry in " + e.where + " is passed over (no book can hold that ID)");
      continue;
    }
    auto dup = byId.find(e.id);
    if (dup != byId.end()) {
      const FoundEntry& first = recovered_[dup->second].entry;
      if (first.kind != e.kind || !std::equal(e.facets, e.facets + BookFacets, first.facets))
        line("ID " + num(e.id) + ": another entry for it in " + e.where + " is passed over");
      continue;
    }
    if (e.rank > 0 && claimed_.count(e.facets[0])) {
      line("ID " + num(e.id) + ": an entry in " + e.where + " is passed over (its entry header " +
           num(e.facets[0]) + " belongs to ID " + num(claimed_[e.facets[0]]) + ")");
      continue;
    }
    RecoveredEntry r;
    r.entry = e;
    for (int fi = 0; fi < BookFacets; ++fi) {
      const ULONG h = e.facets[fi];
      if (h == 0) continue;
      const std::string at = "ID " + num(e.id) + ": facet " + num(fi) + " ";
      const BlockWalk::Record* rec = walk_.recordAt(h);
      if (rec == nullptr) {
        line(at + "names " + num(h) + ", which is not the start of a record; left empty");
        continue;
      }
      if (rec == table_) {
        line(at + "names the ID table's record; left empty");
        continue;
      }
      auto other = claimed_.find(h);
      if (other != claimed_.end()) {
        if (e.rank > 0) {
          line(at + "names record " + num(h) + ", which belongs to ID " + num(other->second) +
               "; left empty");
          continue;
        }
        line(at + "names record " + num(h) + ", also named by ID " + num(other->second) +
             "; each has a copy");
      }
      if (!rec->whole) {
        if (!readsAs(fi, e.kind, walk_.bytes(*rec))) continue;  // kept in lost+found
        cutKept_.insert(h);
        line(at + "record " + num(h) + " is cut short at block " + num(rec->cutAt) +
             " but reads whole; taken");
      }
      claimed_.emplace(h, e.id);
      r.facets[fi].record = rec;
    }
    if (r.facets[0].record != nullptr)
      RecordContent::entryHeader(walk_.bytes(*r.facets[0].record), &r.name, nullptr, nullptr);
    if (e.rank > 0) {
      line("ID " + num(e.id) + (r.name.empty() ? std::string() : " " + quoted(r.name)) +
           ": found in " + e.where);
      ++result_->fromWalk;
    } else {
      ++result_->fromTable;
    }
    byId[e.id] = recovered_.size();
    recovered_.push_back(std::move(r));
  }
}

void Salvage::keepTheRest() {
  // Cut records named by a facet but not taken: remember whose they were.
  std::unordered_map<ULONG, std::string> was;
  for (const FoundEntry& e : found_)
    for (int fi = 0; fi < BookFacets; ++fi)
      if (e.facets[fi] != 0 && !was.count(e.facets[fi]))
        was[e.facets[fi]] = "facet " + num(fi) + " of ID " + num(e.id);
  for (const BlockWalk::Record& r : walk_.records()) {
    if (claimed_.count(r.first) && (r.whole || cutKept_.count(r.first))) continue;
    if (&r == table_ && tableSound_) continue;
    const std::string bytes = walk_.bytes(r);
    if (bytes.empty()) continue;  // holds nothing
    Kept k;
    k.at = r.first;
    k.record = &r;
    if (r.fragment) {
      k.where = "blocks from " + num(r.first);
      k.holds = "blocks cut off from their record";
    } else {
      k.where = "block " + num(r.first);
      const RecordContent::Kind kind = kindOf(r);
      k.holds = &r == table_ ? std::string("the damaged ID table") : RecordContent::describe(kind);
      std::string name;
      if (kind == RecordContent::EntryHeader && RecordContent::entryHeader(bytes, &name, nullptr, nullptr))
        k.holds += " (" + quoted(name) + ")";
      if (!r.whole) k.holds += ", cut short at block " + num(r.cutAt);
      auto w = was.find(r.first);
      if (w != was.end()) k.was = w->second;
    }
    kept_.push_back(k);
  }
  for (const BlockWalk::Gap& g : walk_.gaps()) {
    Kept k;
    k.at = g.at;
    k.gap = &g;
    k.where = "bytes " + num(g.at) + " to " + num(static_cast<unsigned long long>(g.at) + g.size - 1);
    k.holds = "bytes that are no block";
    kept_.push_back(k);
  }
  std::sort(kept_.begin(), kept_.end(), [](const Kept& a, const Kept& b) { return a.at < b.at; });
}

std::string Salvage::lostFoundAttrs(const Kept& k) const {
  std::stringstream out;
  AttrValueList list;
  // Added last first: the list writes the most recently added first.
  if (!k.was.empty()) list.add("was", k.was.c_str());
  list.add("holds", k.holds.c_str());
  const std::string size = num(k.record ? walk_.bytes(*k.record).size() : k.gap->size);
  list.add("bytes", size.c_str());
  list.add("found", k.where.c_str());
  AttrTranslator::write(&out, list);
  return out.str();
}

bool Salvage::write(const std::string& fresh, std::string* why) {
  // A sound table's order is kept (the order in which the book enumerates its
  // entries, which decides between two pages of one name); IDs found by the
  // walk go in increasing order. Lost+found pages come above them all.
  if (!tableSound_)
    std::sort(recovered_.begin(), recovered_.end(),
              [](const RecoveredEntry& a, const RecoveredEntry& b) { return a.entry.id < b.entry.id; });
  unsigned long long highest = 0;
  for (const RecoveredEntry& r : recovered_) highest = std::max<unsigned long long>(highest, r.entry.id + 1ull);
  unsigned long long nextId = std::max<unsigned long long>(header_.nextId, highest);
  if (nextId + kept_.size() > 0xFFFFFFFFull) nextId = highest;
  if (nextId + kept_.size() > 0xFFFFFFFFull) {
    *why = "no IDs are left for the lost+found pages";
    return false;
  }
  // The lost+found pages' facets that keep bytes, for the read-back.
  std::vector<std::pair<ULONG, int>> keptFacets;
  try {
    StoreOwner dst;
    dst.store = MiddleLevelStore::make(fresh.c_str(), header_.signature.c_str(), header_.version,
                                       BookFacets, ShareDenyWrite,
                                       tableSound_ ? static_cast<int>(buckets_) : BookBuckets);
    // Every ID first, so that the ID table (the first record) grows in place.
    for (const RecoveredEntry& r : recovered_) dst.store->createID(r.entry.kind, &r.entry.id);
    const ULONG firstLost = static_cast<ULONG>(nextId);
    for (std::size_t i = 0; i < kept_.size(); ++i) {
      const ULONG id = firstLost + static_cast<ULONG>(i);
      dst.store->createID(KindPage, &id);
    }
    auto put = [&](ULONG id, int facet, const std::string& bytes) {
      std::unique_ptr<StoreStream> out = dst.store->insert(id, facet, static_cast<ULONG>(bytes.size()));
      out->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      out->flush();
      if (!*out) throw std::runtime_error("cannot write the new book " + fresh);
    };
    for (const RecoveredEntry& r : recovered_) {
      const bool link = (r.entry.kind & KindLink) && !(r.entry.kind & KindPage);
      if (link)
        ++result_->links;
      else
        ++result_->pages;
      for (int fi = 0; fi < BookFacets; ++fi) {
        if (r.facets[fi].record == nullptr) continue;
        const std::string bytes = walk_.bytes(*r.facets[fi].record);
        put(r.entry.id, fi, bytes);
      }
    }
    for (std::size_t i = 0; i < kept_.size(); ++i) {
      const Kept& k = kept_[i];
      const ULONG id = firstLost + static_cast<ULONG>(i);
      const std::string name = std::string(Salvager::LostFound) + " " + num(i + 1);
      std::string header = name;
      header += '\0';
      header += Salvager::LostFound;
      header += '\0';
      header += '0';
      put(id, 0, header);
      const std::string bytes = k.record ? walk_.bytes(*k.record) : walk_.bytes(*k.gap);
      const bool body = k.record && !k.record->fragment && RecordContent::pageBody(bytes);
      put(id, body ? 1 : RawFacet, bytes);
      put(id, 3, lostFoundAttrs(k));
      keptFacets.emplace_back(id, body ? 1 : RawFacet);
      line(name + " (ID " + num(id) + "): " + k.where + ", " + num(bytes.size()) + " bytes, " + k.holds +
           (k.was.empty() ? std::string() : ", was " + k.was));
    }
    const unsigned long long after = nextId + kept_.size();
    if (dst.store->mlHeader()->nextID() < after) dst.store->mlHeader()->setNextID(static_cast<ULONG>(after));
    dst.store->commit();  // throws when any write of the new book was lost
    dst.close();

    // Read the new book back: every facet written holds the bytes it was given.
    StoreOwner back;
    back.store = MiddleLevelStore::make(fresh.c_str(), OpenReadOnly, ShareDenyNone);
    auto readBack = [&](ULONG id, int facet) {
      std::unique_ptr<StoreStream> s = back.store->find(id, facet);
      return std::string((std::istreambuf_iterator<char>(*s)), std::istreambuf_iterator<char>());
    };
    for (const RecoveredEntry& r : recovered_) {
      for (int fi = 0; fi < BookFacets; ++fi) {
        if (r.facets[fi].record == nullptr || readBack(r.entry.id, fi) == walk_.bytes(*r.facets[fi].record))
          continue;
        *why = "the new book does not read back facet " + num(fi) + " of ID " + num(r.entry.id);
        return false;
      }
    }
    for (std::size_t i = 0; i < kept_.size(); ++i) {
      const Kept& k = kept_[i];
      if (readBack(keptFacets[i].first, keptFacets[i].second) ==
          (k.record ? walk_.bytes(*k.record) : walk_.bytes(*k.gap)))
        continue;
      *why = "the new book does not read back lost+found " + num(i + 1);
      return false;
    }
    back.close();
  } catch (const ErrorMsgException& e) {
    *why = "writing the new book failed: " + e.description();
    return false;
  } catch (const std::exception& e) {
    *why = e.what();
    return false;
  }
  result_->ids = static_cast<ULONG>(recovered_.size());
  result_->lostFound = static_cast<ULONG>(kept_.size());
  return true;
}

bool Salvage::run(const std::string& fresh, std::string* why) {
  if (!header_.sound)
    line("header: damaged (" + header_.problem + "); blocks looked for from byte " +
         num(header_.blocksStart));
  if (!walk_.gaps().empty())
    line("blocks: " + num(walk_.gaps().size()) + (walk_.gaps().size() == 1 ? " stretch" : " stretches") +
         " of bytes that are no block (the first at byte " + num(walk_.gaps().front().at) + ")");
  for (const BlockWalk::Record& r : walk_.records()) {
    if (r.fragment) break;
    const std::string bytes = walk_.bytes(r);
    if (bytes.size() <= 2 * 256 + 12 && RecordContent::entryHeader(bytes, nullptr, nullptr, nullptr))
      headerRecords_.insert(r.first);
  }
  findTable();
  std::string tableBytes;
  if (table_ != nullptr) {
    tableBytes = walk_.bytes(*table_);
    tableSound_ = walkTable(tableBytes);
  } else {
    line("ID table: not found");
  }
  if (!tableSound_) {
    // The IDs are looked for: in the table's bytes, then wherever else an
    // entry may have ended up.
    // The table's bytes go on past its length in its last block: an entry cut
    // off by a damaged length is still there.
    if (table_ != nullptr) scan(tableBytes + walk_.slack(*table_), 1, "the ID table's record", true);
    for (const BlockWalk::Record& r : walk_.records()) {
      if (&r == table_) continue;
      if (!r.fragment && RecordContent::holdsData(kindOf(r))) continue;
      scan(walk_.bytes(r), 1, (r.fragment ? "blocks from " : "the record at block ") + num(r.first), false);
    }
    for (const BlockWalk::Gap& g : walk_.gaps())
      scan(walk_.bytes(g), 1, "the bytes from " + num(g.at), false);
  }
  takeEntries();
  keepTheRest();
  if (!write(fresh, why)) return false;
  // What the new book still holds that does not read as the book layout says
  // (a page body that never parsed, a link list naming a link that is gone) is
  // kept as it was; the check names it.
  const BookCheckReport check = BookCheck::checkFile(fresh);
  for (const BookProblem& p : check.problems) line("new book: " + p.line());
  if (unlisted_ > 0) result_->lines.push_back("... and " + num(unlisted_) + " further lines");
  return true;
}

bool readFile(const std::string& path, std::string* bytes, std::string* why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *why = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<unsigned long long>(size) > MaxFileSize) {
    *why = path + " is larger than a book can be";
    return false;
  }
  in.seekg(0);
  bytes->assign(static_cast<std::size_t>(size), '\0');
  if (size > 0 && !in.read(&(*bytes)[0], size)) {
    *why = "cannot read " + path;
    return false;
  }
  return true;
}

}  // namespace

std::string SalvageResult::summary() const {
  auto counted = [](unsigned long long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  return counted(ids, "ID", "IDs") + " (" + counted(pages, "page", "pages") + ", " +
         counted(links, "link", "links") + "): " + std::to_string(fromTable) + " through the ID table, " +
         std::to_string(fromWalk) + " found by a walk over the blocks; " +
         counted(lostFound, "record", "records") + " kept in lost+found";
}

bool Salvager::run(const std::string& book, const std::string& newBook, SalvageResult* result,
                   std::string* why) {
  *result = SalvageResult();
  struct stat st;
  if (::stat(newBook.c_str(), &st) == 0) {
    *why = newBook + " already exists (salvage makes a new book)";
    return false;
  }
  std::string bytes;
  if (!readFile(book, &bytes, why)) return false;
  const std::string fresh = freshNameBeside(newBook, "salvage");
  if (fresh.empty()) {
    *why = "cannot make a new file beside " + newBook + ": " + std::strerror(errno);
    return false;
  }
  const RemovedOnExit remover{fresh};
  Salvage salvage(bytes, result);
  if (!salvage.run(fresh, why)) return false;
  if (!syncFile(fresh)) {
    *why = "cannot flush " + fresh + " to disk: " + std::strerror(errno);
    return false;
  }
  // link() gives the new book its name only if nobody took the name meanwhile.
  if (::link(fresh.c_str(), newBook.c_str()) != 0) {
    *why = "cannot make " + newBook + ": " + std::strerror(errno);
    return false;
  }
  syncFolderOf(newBook);
  return true;
}
