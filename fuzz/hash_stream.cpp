// Reader target: the ID table's hash stream alone, over an in-memory stream
// holding the input. The header is read, every record enumerated, a few keys
// (taken from the input's own records and from its tail) looked up, and one
// record inserted and removed again, all of which must end in a result or a
// hash-stream exception.
//
// Oracle: the same work is done twice, by a table using its chain index and by
// one walking every chain through the stream; what they answer, what they throw
// and the bytes they leave must be the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
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

// The work on one table; returns a transcript of every answer and exception,
// and leaves the stream's bytes in `bytes`.
std::string work(const uint8_t* data, size_t size, bool indexed, std::string& bytes) {
  std::string transcript;
  auto owned = std::make_unique<std::stringstream>(
      std::string(reinterpret_cast<const char*>(data), size),
      std::ios::in | std::ios::out | std::ios::binary);
  std::stringstream* stream = owned.get();
  bytes.assign(reinterpret_cast<const char*>(data), size);
  try {
    HashStream table(std::move(owned));
    if (!indexed) table.setIndexBudget(0);
    auto note = [&](const char* entry, std::size_t n) {
      transcript += entry ? std::string(entry, n) : std::string("absent");
      transcript += '|';
    };
    Keys keys{{}, table.keySize()};
    table.enumerate(collect, &keys);
    // A key made of the input's last bytes, which may name nothing.
    std::string tail(table.keySize(), '\0');
    for (std::size_t i = 0; i < tail.size() && i < size; ++i) tail[i] = static_cast<char>(data[size - 1 - i]);
    keys.keys.push_back(tail);
    for (const std::string& key : keys.keys) {
      note(table.find_noThrow(key.data()).get(), table.entrySize());
      try {
        table.find(key.data());
      } catch (const ErrorMsgException& e) {
        transcript += e.message();
      }
    }
    // A write through the same walks: add a record, then take it away again.
    const std::size_t recordSize = table.entrySize() >= 4 ? table.entrySize() - 4u : 0u;
    std::vector<char> record(recordSize, 'r');
    std::memcpy(record.data(), tail.data(), std::min(tail.size(), record.size()));
    try {
      table.insert(record.data());
      note(table.find(record.data()).get(), table.entrySize());
      table.remove(record.data());
      for (const std::string& key : keys.keys) note(table.find_noThrow(key.data()).get(), table.entrySize());
    } catch (const ErrorMsgException& e) {
      transcript += e.message();
    }
    // Chains grown and cut: beside each key, a neighbour (its last byte changed,
    // so the same bucket when the key is longer than the hashed bytes); then
    // the key itself removed.
    for (const std::string& key : keys.keys) {
      std::string neighbour = key;
      if (!neighbour.empty()) neighbour.back() = static_cast<char>(neighbour.back() ^ 0x5A);
      std::memcpy(record.data(), neighbour.data(), std::min(neighbour.size(), record.size()));
      try {
        table.insert(record.data());
        table.remove(key.data());
      } catch (const ErrorMsgException& e) {
        transcript += e.message();
      }
      note(table.find_noThrow(key.data()).get(), table.entrySize());
      note(table.find_noThrow(neighbour.data()).get(), table.entrySize());
    }
    bytes = stream->str();  // the stream lives as long as the table
  } catch (const ErrorMsgException& e) {
    transcript += e.message();
  }
  return transcript;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 18)) return 0;
  std::string indexedBytes, walkedBytes;
  const std::string indexed = work(data, size, true, indexedBytes);
  const std::string walked = work(data, size, false, walkedBytes);
  if (indexed != walked || indexedBytes != walkedBytes) std::abort();
  return 0;
}
