// Movable memory blocks (see global_memory.h).
#include "platform/system/global_memory.h"

#include <map>
#include <memory>
#include <vector>

namespace {

struct Block {
  std::vector<unsigned char> bytes;
  int locks = 0;
};

std::map<uintptr_t, std::unique_ptr<Block>>& blocks() {
  static std::map<uintptr_t, std::unique_ptr<Block>> table;
  return table;
}
uintptr_t g_next = 0xE0000;

Block* find(HGLOBAL h) {
  auto it = blocks().find(reinterpret_cast<uintptr_t>(h));
  return it == blocks().end() ? nullptr : it->second.get();
}

}  // namespace

HGLOBAL GlobalAlloc(UINT, std::size_t bytes) {
  if (bytes > kMaxGlobalBlock) return nullptr;
  auto b = std::make_unique<Block>();
  b->bytes.assign(bytes == 0 ? 1 : bytes, 0);  // zeroed whatever the flags
  b->bytes.resize(bytes);
  uintptr_t h = g_next;
  g_next += 4;
  blocks()[h] = std::move(b);
  return reinterpret_cast<HGLOBAL>(h);
}

void* GlobalLock(HGLOBAL h) {
  Block* b = find(h);
  if (b == nullptr) return nullptr;
  ++b->locks;
  // An empty block still gives a valid pointer.
  if (b->bytes.empty()) b->bytes.reserve(1);
  return b->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL h) {
  Block* b = find(h);
  if (b == nullptr || b->locks == 0) return FALSE;
  --b->locks;
  return b->locks > 0;
}

std::size_t GlobalSize(HGLOBAL h) {
  Block* b = find(h);
  return b != nullptr ? b->bytes.size() : 0;
}

HGLOBAL GlobalFree(HGLOBAL h) {
  return blocks().erase(reinterpret_cast<uintptr_t>(h)) != 0 ? nullptr : h;
}
