// Helpers for the block store's tests: a private scratch folder, whole-file byte
// access, little-endian field patching, and an independent reader of the store
// file's block list that checks the layout invariants from the bytes alone.
#ifndef TESTS_STORE_STORE_TEST_SUPPORT_H
#define TESTS_STORE_STORE_TEST_SUPPORT_H

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kit/error.h"
#include "store/low_level_store.h"

// A fresh folder under $TMPDIR, removed with its contents when the object goes.
class StoreScratch {
 public:
  StoreScratch();
  ~StoreScratch();
  StoreScratch(const StoreScratch&) = delete;
  StoreScratch& operator=(const StoreScratch&) = delete;
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Deletes a store (its destructor only throws when chains remain, a test fault).
struct StoreDeleter {
  void operator()(LowLevelStore* store) const { delete store; }
};
typedef std::unique_ptr<LowLevelStore, StoreDeleter> StorePtr;

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);
uint32_t le32(const std::string& bytes, std::size_t offset);
uint16_t le16(const std::string& bytes, std::size_t offset);
// Overwrites 4 bytes at `offset` of the file with `value`, little-endian.
void patch32(const std::string& path, std::size_t offset, uint32_t value);
std::string le32Bytes(uint32_t value);

// One block as the bytes on disk describe it.
struct DiskBlock {
  uint32_t handle;
  uint32_t size;
  uint32_t length;
  uint32_t next;
  uint32_t fourth;
  uint16_t marks;
};

// The blocks of a store file in file order, from the header size (the first 4
// bytes) to the end. Adds a test failure for a block whose size is below 54 or
// whose trailer differs, or when the blocks do not end exactly at the end.
std::vector<DiskBlock> diskBlocks(const std::string& bytes);
// The free list from the head stored at `freeListPos`, following next; adds a
// test failure when a link breaks the list invariants.
std::vector<uint32_t> diskFreeList(const std::string& bytes, std::size_t freeListPos);

// Offsets in the header of a store made with the test signature "#TEST#".
const uint32_t kTestHeaderSize = 29;
const std::size_t kTestFreeListPos = 25;
const char kTestSignature[] = "#TEST#";

// Collects what is reported through the error function instead of showing it.
class ReportCapture : public ErrorHandler {
 public:
  ReportCapture();
  ~ReportCapture() override;
  int handleError(char kind, const char* text) override;
  std::vector<std::pair<char, std::string>> seen;
};

#endif  // TESTS_STORE_STORE_TEST_SUPPORT_H
