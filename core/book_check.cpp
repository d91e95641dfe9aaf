// The book's integrity check (see book_check.h for what is checked and how every
// walk is bounded). The file is read into memory once; every field is taken
// through bounds-checked little-endian accessors, so a damaged file can only ever
// produce problem lines.
#include "core/book_check.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include "core/attr_translator.h"
#include "core/attr_value_list.h"
#include "core/map_text_check.h"
#include "core/record_content.h"
#include "store/byte_order.h"

namespace {

// ---- Book layout constants (the store and book formats) ----
const ULONG HeaderFieldSize = 4;
const ULONG BlockOverhead = 22;      // 18 header + 4 trailer
const ULONG BlockUserStart = 18;
const ULONG MinBlockSize = 54;
const WORD FreeMark = 1;
const WORD FirstMark = 2;
const ULONG MaxStoreVersion = 32;
const int SignatureLimit = 80;
const char StoreSignature[] = "#MLS#";
const char BookSignature[] = "#NXST#";
const char HashSignature[] = "#~HS&#";
const ULONG HashHeaderSize = 21;
const ULONG EmptySlot = 0xFFFFFFFFu;
const int BookFacets = 6;
const ULONG KindPage = 1, KindLink = 2, KindTypePage = 4;
const std::size_t MaxEntryText = 256;    // name and type of an entry header
const std::size_t MaxPageRef = 787;      // a reference text in a link record
const std::size_t MaxLinkRef = 561;      // a reference text in a link list

using byte_order::u32;
using byte_order::u16;
std::string num(ULONG v) { return std::to_string(v); }

struct BlockInfo {
  ULONG handle = 0;
  ULONG size = 0;
  ULONG length = 0;
  ULONG next = 0;
  ULONG fourth = 0;
  WORD marks = 0;
  bool isFree() const { return (marks & FreeMark) != 0; }
  bool isFirst() const { return (marks & FirstMark) != 0; }
};

// Owner of a block: nobody yet, the free list, or a chain (by its first handle).
const ULONG OwnerNone = 0;
const ULONG OwnerFree = 1;

struct Entry {
  ULONG id = 0;
  ULONG kind = 0;
  std::vector<ULONG> facets;
  // Facets that name no usable record (already reported; later checks skip them).
  std::vector<bool> badFacet;
  // Decoded entry header.
  bool hasHeader = false;
  std::string name;
  std::string type;
};

// A reference text split into its parts; local when it names this book.
struct RefText {
  bool local = false;
  bool hasId = false;
  ULONG id = 0;
  bool hasName = false;
  std::string name;
  bool ok = false;
};

RefText parseRef(const std::string& text) {
  RefText r;
  std::string rest = text;
  bool hasNet = false;
  std::size_t at = rest.find("#@");
  if (at != std::string::npos) {
    hasNet = at > 0;
    rest = rest.substr(at + 2);
  }
  std::string book;
  at = rest.find("#$");
  if (at != std::string::npos) {
    book = rest.substr(0, at);
    rest = rest.substr(at + 2);
  }
  r.local = !hasNet && (book.empty() || book == "<this>");
  std::size_t digits = 0;
  while (digits < rest.size() && digits < 11 && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
  if (digits > 0 && digits <= 10) {
    unsigned long long v = std::stoull(rest.substr(0, digits));
    if (v <= 0xFFFFFFFFull) {
      r.hasId = true;
      r.id = static_cast<ULONG>(v);
    }
    rest = rest.substr(digits);
    if (!rest.empty() && rest[0] == ':') {
      r.hasName = true;
      r.name = rest.substr(1);
    } else if (!rest.empty()) {
      return r;  // digits followed by something else
    }
  } else if (!rest.empty() && rest[0] == ':') {
    r.hasName = true;
    r.name = rest.substr(1);
  } else {
    r.hasName = !rest.empty();
    r.name = rest;
  }
  r.ok = r.hasId || r.hasName;
  return r;
}

class Checker {
 public:
  explicit Checker(const std::string& bytes) : f_(bytes) {
    report_.fileSize = static_cast<ULONG>(bytes.size());
  }

  BookCheckReport run() {
    if (!checkHeader()) return report_;
    tileBlocks();
    checkFreeList();
    checkChains();
    {
      const std::size_t before = report_.serious;
      checkIdTable();
      tableDamaged_ = report_.serious != before;
    }
    checkFacets();
    checkEntries();
    return report_;
  }

 private:
  // Records a problem. Texts taken from the file (names, parser context) may
  // hold control bytes; they are shown escaped so that a problem stays one line.
  void problem(const std::string& where, const std::string& text, bool minor = false) {
    if (!minor) ++report_.serious;
    if (report_.problems.size() >= BookCheck::MaxProblems) {
      ++report_.unlisted;
      return;
    }
    report_.problems.push_back(BookProblem{where, oneLine(text), minor});
  }
  static std::string oneLine(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
      if (c == '\n') {
        out += "\\n";
      } else if (c == '\r') {
        out += "\\r";
      } else if (c < 0x20 || c == 0x7F) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02x", c);
        out += buf;
      } else {
        out += static_cast<char>(c);
      }
    }
    return out;
  }
  static std::string blockName(ULONG h) { return "block " + num(h); }
  static std::string idName(ULONG id) { return "ID " + num(id); }
  bool inFile(std::size_t at, std::size_t n) const { return at <= f_.size() && n <= f_.size() - at; }

  // Reads a NUL-terminated signature at `at`, within SignatureLimit bytes.
  bool signatureAt(std::size_t at, std::string* text, std::size_t* used) const {
    for (std::size_t i = 0; i < static_cast<std::size_t>(SignatureLimit) - 1; ++i) {
      if (!inFile(at + i, 1)) return false;
      if (f_[at + i] == '\0') {
        *text = f_.substr(at, i);
        *used = i + 1;
        return true;
      }
    }
    return false;
  }

  // ---- 1. The file header ----
  bool checkHeader() {
    const std::string where = "header";
    if (!inFile(0, HeaderFieldSize)) {
      problem(where, "file is too short for a store header (" + num(report_.fileSize) + " bytes)");
      return false;
    }
    headerSize_ = u32(f_, 0);
    std::size_t at = 4, used = 0;
    std::string appSig, storeSig;
    if (!signatureAt(at, &appSig, &used)) {
      problem(where, "application signature is not a NUL-terminated text of at most 78 characters");
      return false;
    }
    at += used;
    if (!inFile(at, 4)) {
      problem(where, "file ends inside the header");
      return false;
    }
    at += 4;  // application version
    if (!signatureAt(at, &storeSig, &used)) {
      problem(where, "store signature is not a NUL-terminated text of at most 78 characters");
      return false;
    }
    at += used;
    if (storeSig != StoreSignature) {
      problem(where, "store signature is \"" + storeSig + "\", not \"" + StoreSignature + "\"");
      return false;
    }
    if (!inFile(at, 16)) {
      problem(where, "file ends inside the header");
      return false;
    }
    const ULONG storeVersion = u32(f_, at);
    freeListHead_ = u32(f_, at + 4);
    indexHandle_ = u32(f_, at + 8);
    nextId_ = u32(f_, at + 12);
    at += 16;
    if (storeVersion > MaxStoreVersion) {
      problem(where, "store version " + num(storeVersion) + " is newer than " + num(MaxStoreVersion));
      return false;
    }
    if (appSig != BookSignature)
      problem(where, "application signature is \"" + appSig + "\", not \"" + BookSignature + "\"");
    if (headerSize_ < at || headerSize_ > report_.fileSize) {
      problem(where, "header size " + num(headerSize_) + " does not fit the header fields (" +
                         num(static_cast<ULONG>(at)) + " bytes) and the file (" +
                         num(report_.fileSize) + " bytes)");
      return false;
    }
    return true;
  }

  // ---- 2. Blocks tile the file ----
  void tileBlocks() {
    ULONG pos = headerSize_;
    // Bounded: every step advances by at least MinBlockSize bytes.
    while (pos < report_.fileSize) {
      const ULONG remaining = report_.fileSize - pos;
      if (remaining < BlockOverhead) {
        problem(blockName(pos), "only " + num(remaining) +
                                    " bytes remain after the last block (truncated file?)");
        return;
      }
      BlockInfo b;
      b.handle = pos;
      b.size = u32(f_, pos);
      b.length = u32(f_, pos + 4);
      b.next = u32(f_, pos + 8);
      b.fourth = u32(f_, pos + 12);
      b.marks = u16(f_, pos + 16);
      if (b.size < MinBlockSize) {
        problem(blockName(pos), "size " + num(b.size) + " is below the smallest block (54)");
        return;
      }
      if (b.size > remaining) {
        problem(blockName(pos), "size " + num(b.size) + " runs past the end of the file, " +
                                    num(remaining) + " bytes remain (truncated file?)");
        return;
      }
      const ULONG trailer = u32(f_, pos + b.size - 4);
      if (trailer != b.size)
        problem(blockName(pos),
                "trailer " + num(trailer) + " does not match the block size " + num(b.size));
      if ((b.marks & ~(FreeMark | FirstMark)) != 0)
        problem(blockName(pos), "unknown mark bits " + num(b.marks));
      if (b.length > b.size - BlockOverhead)
        problem(blockName(pos), "length " + num(b.length) + " exceeds the user area of " +
                                    num(b.size - BlockOverhead) + " bytes");
      index_[pos] = blocks_.size();
      blocks_.push_back(b);
      pos += b.size;
    }
    report_.blocks = static_cast<ULONG>(blocks_.size());
    tiled_ = true;
  }

  const BlockInfo* block(ULONG h) const {
    auto it = index_.find(h);
    return it == index_.end() ? nullptr : &blocks_[it->second];
  }
  ULONG& owner(ULONG h) { return owner_[h]; }

  // ---- 3. The free list ----
  void checkFreeList() {
    ULONG h = freeListHead_, prev = 0;
    const std::string where = "free list";
    // Bounded by the visited set: each block joins it at most once.
    while (h != 0) {
      const BlockInfo* b = block(h);
      if (!b) {
        problem(where, (prev ? "block " + num(prev) + " links to " : std::string("head ")) +
                           num(h) + ", which is not the start of a block");
        break;
      }
      if (owner(h) == OwnerFree) {
        problem(where, "loops back to block " + num(h));
        break;
      }
      owner(h) = OwnerFree;
      ++report_.freeBlocks;
      const std::string bw = blockName(h);
      if (!b->isFree()) problem(bw, "on the free list but not marked free");
      const bool head = prev == 0;
      if (head && !b->isFirst()) problem(bw, "head of the free list without the first mark");
      if (!head && b->isFirst()) problem(bw, "free block with the first mark is not the list's head");
      if (head && b->fourth != 0)
        problem(bw, "head of the free list has previous " + num(b->fourth) + ", expected 0");
      if (!head && b->fourth != prev)
        problem(bw, "free block links back to " + num(b->fourth) + ", expected " + num(prev));
      if (b->length != 0) problem(bw, "free block has length " + num(b->length));
      for (ULONG i = b->handle + BlockUserStart; i < b->handle + b->size - 4; ++i) {
        if (f_[i] != ' ') {
          problem(bw, "free block is not filled with spaces (byte " + num(i - b->handle) + ")",
                  true);
          break;
        }
      }
      prev = h;
      h = b->next;
    }
    const BlockInfo* last = nullptr;
    for (const BlockInfo& b : blocks_) {
      if (b.isFree() && owner_[b.handle] != OwnerFree)
        problem(blockName(b.handle), "marked free but not on the free list");
      if (b.isFree() && last && last->isFree())
        problem(blockName(b.handle),
                "free block follows free block " + num(last->handle) + " (not merged)", true);
      last = &b;
    }
  }

  // ---- 4. Chains ----
  void checkChains() {
    for (const BlockInfo& b : blocks_)
      if (b.isFirst() && !b.isFree()) owner(b.handle) = b.handle;
    for (const BlockInfo& b : blocks_) {
      if (!b.isFirst() || b.isFree()) continue;
      ++report_.records;
      ULONG length = b.length;
      std::vector<ULONG> members{b.handle};
      ULONG cur = b.handle, nextH = b.next;
      bool sound = true;
      // Bounded: every block gets an owner once; a second visit ends the walk.
      while (nextH != 0) {
        const BlockInfo* n = block(nextH);
        const std::string cw = blockName(cur);
        if (!n) {
          problem(cw, "next " + num(nextH) + " is not the start of a block");
          sound = false;
          break;
        }
        ULONG& o = owner(nextH);
        if (n->isFree() || o == OwnerFree) {
          problem(cw, "next block " + num(nextH) + " is free");
          sound = false;
          break;
        }
        if (o == b.handle) {
          problem(blockName(b.handle), "record loops back to block " + num(nextH));
          sound = false;
          break;
        }
        if (o != OwnerNone) {
          problem(blockName(nextH), "belongs to record " + num(b.handle) + " and to record " +
                                        num(o));
          sound = false;
          break;
        }
        o = b.handle;
        if (n->fourth != cur)
          problem(blockName(nextH), "links back to " + num(n->fourth) + ", expected " + num(cur));
        members.push_back(nextH);
        length += n->length;
        cur = nextH;
        nextH = n->next;
      }
      chains_[b.handle] = Chain{members, sound};
      (void)length;
    }
    for (const BlockInfo& b : blocks_)
      if (!b.isFree() && owner_[b.handle] == OwnerNone)
        problem(blockName(b.handle), "in use but part of no record");
  }

  struct Chain {
    std::vector<ULONG> blocks;
    bool sound = false;
  };

  bool isLiveRecord(ULONG h) const {
    auto it = chains_.find(h);
    return it != chains_.end();
  }
  // The bytes of a record (bounded by the blocks it owns, each inside the file).
  std::string recordBytes(ULONG h) const {
    std::string out;
    auto it = chains_.find(h);
    if (it == chains_.end()) return out;
    for (ULONG bh : it->second.blocks) {
      const BlockInfo* b = block(bh);
      const ULONG n = std::min(b->length, b->size - BlockOverhead);
      out.append(f_, bh + BlockUserStart, n);
    }
    return out;
  }

  // ---- 5. The ID table ----
  void checkIdTable() {
    const std::string where = "ID table";
    if (!isLiveRecord(indexHandle_)) {
      problem("header", "ID table handle " + num(indexHandle_) +
                            " does not name the first block of a record");
      return;
    }
    named_[indexHandle_] = "the ID table";
    const std::string t = recordBytes(indexHandle_);
    if (t.size() < HashHeaderSize || std::memcmp(t.data(), HashSignature, 7) != 0) {
      problem(where, "hash table signature missing");
      return;
    }
    const ULONG version = u32(t, 7);
    const ULONG entrySize = u16(t, 11), keySize = u16(t, 13), buckets = u16(t, 15);
    const ULONG freeHead = u32(t, 17);
    if (version > MaxStoreVersion) {
      problem(where, "version " + num(version) + " is newer than 32");
      return;
    }
    if (keySize != 4 || entrySize < 16 || (entrySize - 4) % 4 != 0 || buckets == 0) {
      problem(where, "bad layout: entry size " + num(entrySize) + ", key size " + num(keySize) +
                         ", buckets " + num(buckets));
      return;
    }
    facets_ = static_cast<int>((entrySize - 4) / 4 - 2);
    if (facets_ != BookFacets)
      problem(where, "entries have " + num(facets_) + " facets, a book has 6");
    const ULONG tableEnd = HashHeaderSize + buckets * entrySize;
    if (tableEnd > t.size()) {
      problem(where, "bucket table of " + num(buckets) + " buckets runs past the record's end");
      return;
    }
    auto validEntry = [&](ULONG p) {
      return p >= tableEnd && (p - tableEnd) % entrySize == 0 && p <= t.size() &&
             entrySize <= t.size() - p;
    };
    std::unordered_set<ULONG> seenEntries;
    std::unordered_map<ULONG, bool> seenIds;
    auto takeEntry = [&](ULONG p, ULONG bucket) {
      Entry e;
      e.id = u32(t, p);
      e.kind = u32(t, p + 4);
      for (int fi = 0; fi < facets_; ++fi) e.facets.push_back(u32(t, p + 8 + 4 * fi));
      e.badFacet.assign(e.facets.size(), false);
      if (e.id % buckets != bucket)
        problem(where, "ID " + num(e.id) + " sits in bucket " + num(bucket) + ", expected bucket " +
                           num(e.id % buckets));
      if (seenIds.count(e.id)) {
        problem(where, "ID " + num(e.id) + " appears twice");
        return;
      }
      seenIds[e.id] = true;
      if (e.id >= nextId_)
        problem(idName(e.id), "not below the next-ID counter " + num(nextId_));
      entries_.push_back(e);
    };
    for (ULONG b = 0; b < buckets; ++b) {
      const ULONG slot = HashHeaderSize + b * entrySize;
      ULONG link = u32(t, slot + entrySize - 4);
      if (link == EmptySlot) continue;
      takeEntry(slot, b);
      // Bounded by seenEntries: each overflow entry is visited at most once.
      while (link != 0) {
        if (!validEntry(link)) {
          problem(where, "bucket " + num(b) + " links to " + num(link) +
                             ", which is not an entry of the table");
          break;
        }
        if (!seenEntries.insert(link).second) {
          problem(where, "bucket " + num(b) + " chain loops at position " + num(link));
          break;
        }
        takeEntry(link, b);
        link = u32(t, link + entrySize - 4);
      }
    }
    std::unordered_set<ULONG> freeEntries;
    for (ULONG p = freeHead; p != 0;) {
      if (!validEntry(p)) {
        problem(where, "free entry list names " + num(p) + ", which is not an entry of the table");
        break;
      }
      if (seenEntries.count(p)) {
        problem(where, "entry at " + num(p) + " is both in use and on the free entry list");
        break;
      }
      if (!freeEntries.insert(p).second) {
        problem(where, "free entry list loops at position " + num(p));
        break;
      }
      p = u32(t, p + entrySize - 4);
    }
    // The entry count: the table is its bucket table and whole entries, and
    // every overflow entry is in one bucket's chain or on the free entry list.
    // An entry reached from nowhere is an ID the table has lost (a bucket count
    // or a link changed), not free space.
    if ((t.size() - tableEnd) % entrySize != 0)
      problem(where, "length " + num(static_cast<ULONG>(t.size())) + " is not the bucket table (" +
                         num(tableEnd) + " bytes) and whole entries of " + num(entrySize) + " bytes");
    ULONG unreached = 0, firstUnreached = 0;
    for (ULONG p = tableEnd; p <= t.size() && entrySize <= t.size() - p; p += entrySize) {
      if (seenEntries.count(p) || freeEntries.count(p)) continue;
      if (unreached++ == 0) firstUnreached = p;
    }
    if (unreached > 0)
      problem(where, num(unreached) + (unreached == 1 ? " entry is" : " entries are") +
                         " in no bucket's chain and not on the free entry list (the first at position " +
                         num(firstUnreached) + ")");
    report_.ids = static_cast<ULONG>(entries_.size());
  }

  // ---- 6. Facets name live records, each record named once ----
  void checkFacets() {
    for (Entry& e : entries_) {
      for (int fi = 0; fi < static_cast<int>(e.facets.size()); ++fi) {
        const ULONG h = e.facets[fi];
        if (h == 0) continue;
        const std::string where = idName(e.id);
        const std::string what = "facet " + std::to_string(fi) + " names ";
        const BlockInfo* b = block(h);
        if (!b) {
          problem(where, what + num(h) + ", which is not the start of a block");
        } else if (b->isFree()) {
          problem(where, what + "free block " + num(h));
        } else if (!b->isFirst()) {
          problem(where, what + "block " + num(h) + ", which is inside another record");
        } else {
          auto it = named_.find(h);
          if (it != named_.end()) {
            problem(where, what + "record " + num(h) + ", also named by " + it->second);
          } else {
            named_[h] = idName(e.id) + " facet " + std::to_string(fi);
            continue;
          }
        }
        e.facets[fi] = 0;  // not a usable record: later checks skip it
        e.badFacet[fi] = true;
      }
    }
    // A record nothing names is lost space only when it holds nothing a page,
    // link or entry holds and the ID table is sound; otherwise it is a page or
    // link whose ID is gone, and rewriting the book would lose it.
    for (const auto& c : chains_) {
      if (named_.count(c.first)) continue;
      const std::string bytes = recordBytes(c.first);
      const RecordContent::Kind kind = RecordContent::classify(bytes, true);
      std::string name;
      if (RecordContent::holdsData(kind)) {
        std::string what = RecordContent::describe(kind);
        if (kind == RecordContent::EntryHeader && RecordContent::entryHeader(bytes, &name, nullptr, nullptr))
          what += " (\"" + name + "\")";
        problem(blockName(c.first), "record is named by no ID but holds " + what + " (lost data)");
      } else if (tableDamaged_ && kind != RecordContent::Empty) {
        problem(blockName(c.first), "record is named by no ID while the ID table is damaged (lost data?)");
      } else {
        problem(blockName(c.first), "record is named by no ID (lost space)", true);
      }
    }
  }

  std::string facetBytes(const Entry& e, int facet) const {
    if (facet >= static_cast<int>(e.facets.size()) || e.facets[facet] == 0) return std::string();
    return recordBytes(e.facets[facet]);
  }
  bool hasFacet(const Entry& e, int facet) const {
    return facet < static_cast<int>(e.facets.size()) && e.facets[facet] != 0;
  }

  // ---- 7. Entries ----
  void checkEntries() {
    if (facets_ < 4) return;
    std::map<ULONG, Entry*> byId;
    for (Entry& e : entries_) byId[e.id] = &e;
    // Entry headers first: names resolve references.
    for (Entry& e : entries_) {
      const bool page = (e.kind & KindPage) != 0, link = (e.kind & KindLink) != 0;
      if (page && link) problem(idName(e.id), "kind " + num(e.kind) + " is both page and link");
      // Counted as the tool lists them: every entry that is not a link is a
      // page (the type page among them).
      if (link && !page)
        ++report_.links;
      else
        ++report_.pages;
      if (!page && !link) continue;
      if (!hasFacet(e, 0)) {
        if (e.badFacet[0]) continue;
        problem(idName(e.id), std::string(page ? "page" : "link") + " has no entry header");
        continue;
      }
      std::string why;
      if (!decodeHeader(facetBytes(e, 0), &e, &why))
        problem(idName(e.id), "entry header does not decode: " + why);
      else if (link && !e.name.empty())
        problem(idName(e.id), "link has the name \"" + e.name + "\"");
    }
    std::map<std::string, ULONG> pageByName;
    for (const Entry& e : entries_)
      if ((e.kind & KindPage) && e.hasHeader && !pageByName.count(e.name))
        pageByName[e.name] = e.id;
    auto resolvePage = [&](const RefText& r, ULONG* id) {
      if (r.hasId) {
        auto it = byId.find(r.id);
        if (it == byId.end() || !(it->second->kind & KindPage)) return false;
        *id = r.id;
        return true;
      }
      auto it = pageByName.find(r.name);
      if (it == pageByName.end()) return false;
      *id = it->second;
      return true;
    };
    // Link records: the pages at each end.
    std::map<ULONG, std::set<ULONG>> endsOf;  // link -> pages
    for (const Entry& e : entries_) {
      if (!(e.kind & KindLink) || (e.kind & KindPage)) continue;
      if (!hasFacet(e, 1)) {
        if (!e.badFacet[1]) problem(idName(e.id), "link has no link record");
        continue;
      }
      const std::string rec = facetBytes(e, 1);
      std::size_t at = 0, ends = 0;
      bool bad = false;
      std::set<ULONG>& pages = endsOf[e.id];
      // Bounded by the record's length: each item consumes at least two bytes.
      while (at < rec.size() && !bad) {
        std::size_t d = at;
        if (rec[d] == '-' || rec[d] == '+') ++d;
        const std::size_t digitsStart = d;
        while (d < rec.size() && d - digitsStart < 11 && rec[d] >= '0' && rec[d] <= '9') ++d;
        if (d == digitsStart || d >= rec.size() || rec[d] != '\0') {
          problem(idName(e.id), "link record item " + std::to_string(ends) +
                                    " does not start with a direction and a NUL");
          bad = true;
          break;
        }
        const std::size_t textStart = d + 1;
        const std::size_t nul = rec.find('\0', textStart);
        if (nul == std::string::npos || nul - textStart > MaxPageRef) {
          problem(idName(e.id), "link record item " + std::to_string(ends) +
                                    " has no NUL-terminated page reference of at most 787 characters");
          bad = true;
          break;
        }
        const std::string text = rec.substr(textStart, nul - textStart);
        const RefText r = parseRef(text);
        ULONG page = 0;
        if (!r.ok) {
          problem(idName(e.id), "end " + std::to_string(ends) + " has the bad page reference \"" +
                                    text + "\"");
        } else if (r.local) {
          if (!resolvePage(r, &page))
            problem(idName(e.id), "end " + std::to_string(ends) + " names page \"" + text +
                                      "\", which does not exist");
          else
            pages.insert(page);
        }
        ++ends;
        at = nul + 1;
      }
      if (!bad && ends < 2)
        problem(idName(e.id), "link record has " + std::to_string(ends) + " ends, a link needs 2");
    }
    // Link lists, and agreement both ways.
    std::map<ULONG, std::set<ULONG>> listed;  // page -> links
    for (const Entry& e : entries_) {
      if (!(e.kind & KindPage) || !hasFacet(e, 2)) continue;
      const std::string list = facetBytes(e, 2);
      std::size_t at = 0;
      bool ended = false;
      // Bounded by the list's length: each entry consumes at least one byte.
      while (at < list.size()) {
        if (static_cast<unsigned char>(list[at]) == 0xFF) {
          ended = true;
          if (at + 1 != list.size())
            problem(idName(e.id), "link list has " + num(static_cast<ULONG>(list.size() - at - 1)) +
                                      " bytes after its end mark");
          break;
        }
        const std::size_t nul = list.find('\0', at);
        if (nul == std::string::npos || nul - at > MaxLinkRef) {
          problem(idName(e.id), "link list entry is not a NUL-terminated text of at most 561 characters");
          ended = true;
          break;
        }
        const std::string text = list.substr(at, nul - at);
        at = nul + 1;
        const RefText r = parseRef(text);
        if (!r.ok || (r.local && (!r.hasId || r.hasName))) {
          problem(idName(e.id), "link list has the bad link reference \"" + text + "\"");
          continue;
        }
        if (!r.local) continue;
        auto it = byId.find(r.id);
        if (it == byId.end() || !(it->second->kind & KindLink)) {
          problem(idName(e.id), "link list names link " + num(r.id) + ", which does not exist");
          continue;
        }
        listed[e.id].insert(r.id);
        auto ends = endsOf.find(r.id);
        if (ends != endsOf.end() && !ends->second.count(e.id))
          problem(idName(e.id), "link list names link " + num(r.id) +
                                    ", which has no end at this page");
      }
      if (!ended) problem(idName(e.id), "link list has no end mark");
    }
    for (const auto& l : endsOf)
      for (ULONG page : l.second)
        if (!listed[page].count(l.first))
          problem(idName(l.first), "end page " + num(page) + " does not list this link");
    // Page bodies and attribute lists.
    for (const Entry& e : entries_) {
      if ((e.kind & (KindPage | KindTypePage)) && !(e.kind & KindLink) && hasFacet(e, 1)) {
        const std::string body = facetBytes(e, 1);
        if (!body.empty()) {
          std::string why;
          if (!MapTextCheck::parses(body, &why))
            problem(idName(e.id), "page body does not parse: " + why);
        }
      }
      if ((e.kind & (KindPage | KindLink | KindTypePage)) && hasFacet(e, 3)) {
        std::stringstream in(facetBytes(e, 3));
        AttrValueList list;
        AttrTranslator reader(&in, list);
        if (reader.read() < 0) {
          char text[256];
          reader.errorText(text, sizeof text);
          problem(idName(e.id), std::string("attribute list does not parse: ") + text);
        }
      }
    }
  }

  // name NUL type NUL digits: each text at most 256 characters, the flags 1 to
  // 10 digits fitting 32 bits and running to the end of the record.
  static bool decodeHeader(const std::string& h, Entry* e, std::string* why) {
    const std::size_t n1 = h.find('\0');
    if (n1 == std::string::npos || n1 > MaxEntryText) {
      *why = "no NUL after a name of at most 256 characters";
      return false;
    }
    const std::size_t n2 = h.find('\0', n1 + 1);
    if (n2 == std::string::npos || n2 - n1 - 1 > MaxEntryText) {
      *why = "no NUL after a type of at most 256 characters";
      return false;
    }
    const std::string digits = h.substr(n2 + 1);
    if (digits.empty() || digits.size() > 10 ||
        digits.find_first_not_of("0123456789") != std::string::npos ||
        std::stoull(digits) > 0xFFFFFFFFull) {
      *why = "flags are not an unsigned 32-bit decimal number";
      return false;
    }
    e->name = h.substr(0, n1);
    e->type = h.substr(n1 + 1, n2 - n1 - 1);
    e->hasHeader = true;
    return true;
  }

  const std::string& f_;
  BookCheckReport report_;
  ULONG headerSize_ = 0, freeListHead_ = 0, indexHandle_ = 0, nextId_ = 0;
  bool tiled_ = false;
  // The ID table had a problem: a record nothing names may be an entry it lost.
  bool tableDamaged_ = false;
  std::vector<BlockInfo> blocks_;
  std::unordered_map<ULONG, std::size_t> index_;
  std::unordered_map<ULONG, ULONG> owner_;
  std::map<ULONG, Chain> chains_;
  std::unordered_map<ULONG, std::string> named_;
  std::vector<Entry> entries_;
  int facets_ = 0;
};

}  // namespace

BookCheckReport BookCheck::checkBytes(const std::string& bytes) {
  if (bytes.size() > MaxFileSize) {
    BookCheckReport r;
    r.problems.push_back(BookProblem{"file", "larger than a book can be"});
    return r;
  }
  return Checker(bytes).run();
}

BookCheckReport BookCheck::checkFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  BookCheckReport r;
  if (!in) {
    r.problems.push_back(BookProblem{"file", "cannot be opened: " + path});
    return r;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<unsigned long long>(size) > MaxFileSize) {
    r.problems.push_back(BookProblem{"file", "larger than a book can be"});
    return r;
  }
  in.seekg(0);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (size > 0 && !in.read(&bytes[0], size)) {
    r.problems.push_back(BookProblem{"file", "cannot be read: " + path});
    return r;
  }
  return checkBytes(bytes);
}
