// The sample book the hostile-input tests damage: a few pages with map text
// bodies and attributes, links between them (so link records and link lists),
// a long page whose body spans several blocks, and records freed by removing a
// page and an attribute (so the free list is not empty). Also the block map of a
// book file, so that a test can aim at each block's header, trailer and links.
#ifndef TESTS_HOSTILE_SAMPLE_BOOK_H
#define TESTS_HOSTILE_SAMPLE_BOOK_H

#include <string>
#include <vector>

#include "platform/windows_types.h"

class Nexil;

// Makes the sample book and writes it to `path`; false when it could not be made.
bool makeSampleBook(Nexil& app, const std::string& path);

// One block of a store file as the file's bytes describe it.
struct BlockSpan {
  ULONG handle = 0;
  ULONG size = 0;
  bool free = false;
  bool first = false;
};

// The file header's size field, the free-list head and the ID table's handle.
struct StoreHeaderFields {
  ULONG headerSize = 0;
  ULONG freeList = 0;
  ULONG indexHandle = 0;
  ULONG nextID = 0;
  // Offsets of those fields in the file.
  ULONG freeListPos = 0;
  ULONG indexHandlePos = 0;
  ULONG nextIDPos = 0;
};

// Decodes the header of an undamaged store file.
StoreHeaderFields readHeaderFields(const std::string& bytes);
// The blocks that tile an undamaged store file, in file order.
std::vector<BlockSpan> blockMap(const std::string& bytes);

// Little-endian words in a byte string.
ULONG getWord(const std::string& bytes, ULONG at);
void putWord(std::string& bytes, ULONG at, ULONG value);

#endif  // TESTS_HOSTILE_SAMPLE_BOOK_H
