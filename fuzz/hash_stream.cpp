// Reader target: the ID table's hash stream alone, over an in-memory stream
// holding the input. The header is read, every record enumerated, a few keys
// (taken from the input's own records and from its tail) looked up, and one
// record inserted and removed again, all of which must end in a result or a
// hash-stream exception.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "kit/error_msg_exception.h"
#include "store/hash_stream.h"

namespace {

struct Keys {
  std::vector<std::string> keys;
  std::size_t keySize;
};

int collect(const char* entry, void* context) {
  Keys* k = static_cast<Keys*>(context);
  // Bounded: the walk itself is bounded by the table; only the first few keys
  // are kept.
  if (k->keys.size() < 8) k->keys.emplace_back(entry, k->keySize);
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 18)) return 0;
  std::unique_ptr<std::iostream> stream(new std::stringstream(
      std::string(reinterpret_cast<const char*>(data), size),
      std::ios::in | std::ios::out | std::ios::binary));
  try {
    HashStream table(std::move(stream));
    Keys keys{{}, table.keySize()};
    table.enumerate(collect, &keys);
    // A key made of the input's last bytes, which may name nothing.
    std::string tail(table.keySize(), '\0');
    for (std::size_t i = 0; i < tail.size() && i < size; ++i) tail[i] = static_cast<char>(data[size - 1 - i]);
    keys.keys.push_back(tail);
    for (const std::string& key : keys.keys) {
      table.find_noThrow(key.data());
      try {
        table.find(key.data());
      } catch (const ErrorMsgException&) {
      }
    }
    // A write through the same walks: add a record, then take it away again.
    const std::size_t recordSize = table.entrySize() >= 4 ? table.entrySize() - 4u : 0u;
    std::vector<char> record(recordSize, 'r');
    std::memcpy(record.data(), tail.data(), std::min(tail.size(), record.size()));
    table.insert(record.data());
    table.find(record.data());
    table.remove(record.data());
  } catch (const ErrorMsgException&) {
  }
  return 0;
}
