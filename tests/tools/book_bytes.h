// Helpers for tests that damage book files on purpose: little-endian fields of
// the file header and of blocks read and written in a byte string, the blocks
// of a file in physical order, and where an ID's facet lives in the ID table.
#ifndef TESTS_TOOLS_BOOK_BYTES_H
#define TESTS_TOOLS_BOOK_BYTES_H

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "store/middle_level_store.h"

namespace book_bytes {

inline uint32_t get32(const std::string& b, std::size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b.at(at + i));
  return v;
}
inline void put32(std::string& b, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline uint16_t get16(const std::string& b, std::size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b.at(at)) |
                               static_cast<unsigned char>(b.at(at + 1)) << 8);
}

// The header fields a damaging test needs.
struct Header {
  uint32_t size = 0;
  uint32_t freeList = 0;
  uint32_t indexHandle = 0;
  uint32_t nextId = 0;
};

inline Header header(const std::string& b) {
  Header h;
  h.size = get32(b, 0);
  std::size_t at = 4;
  at += std::strlen(b.c_str() + at) + 1 + 4;  // application signature and version
  at += std::strlen(b.c_str() + at) + 1 + 4;  // store signature and version
  h.freeList = get32(b, at);
  h.indexHandle = get32(b, at + 4);
  h.nextId = get32(b, at + 8);
  return h;
}

struct BlockAt {
  uint32_t handle, size, length, next;
  uint16_t marks;
};

// The blocks of a sound file in physical order.
inline std::vector<BlockAt> blocks(const std::string& b) {
  std::vector<BlockAt> out;
  uint32_t pos = header(b).size;
  while (pos + 22 <= b.size()) {
    BlockAt k{pos, get32(b, pos), get32(b, pos + 4), get32(b, pos + 8), get16(b, pos + 16)};
    if (k.size < 54) break;
    out.push_back(k);
    pos += k.size;
  }
  return out;
}

// File offset of facet `facet` of an ID in the ID table of a book with 6
// facets and 128 buckets, for an ID below 128 (its entry is its bucket's slot,
// in the table's first block).
inline std::size_t facetFieldOffset(const std::string& b, uint32_t id, int facet) {
  const uint32_t index = header(b).indexHandle;
  return index + 18 + 21 + id * 36 + 8 + 4 * facet;
}

// The handle a facet names, read through the store (0 when empty).
inline uint32_t facetHandle(const std::string& book, uint32_t id, int facet) {
  MiddleLevelStore* s = MiddleLevelStore::make(book.c_str(), 0, 0x40);
  const uint32_t h = s->getFacet_noThrow(id, facet);
  delete s;
  return h;
}

}  // namespace book_bytes

#endif  // TESTS_TOOLS_BOOK_BYTES_H
