// Little-endian words read from a file's bytes held in a string: the store's
// file format keeps every number least significant byte first, and the
// checker, the block walk and the salvage read them straight from bytes.
// REQUIRES (each): at + the word's size <= b.size().
#ifndef STORE_BYTE_ORDER_H
#define STORE_BYTE_ORDER_H

#include <cstddef>
#include <string>

#include "platform/windows_types.h"

namespace byte_order {

inline ULONG u32(const std::string& b, std::size_t at) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(b.data()) + at;
  return static_cast<ULONG>(p[0]) | static_cast<ULONG>(p[1]) << 8 |
         static_cast<ULONG>(p[2]) << 16 | static_cast<ULONG>(p[3]) << 24;
}

inline WORD u16(const std::string& b, std::size_t at) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(b.data()) + at;
  return static_cast<WORD>(p[0] | p[1] << 8);
}

}  // namespace byte_order

#endif  // STORE_BYTE_ORDER_H
