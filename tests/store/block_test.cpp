// Blocks: sizes, user bytes written and read in place, physical neighbours, and
// the checks that refuse a block header that does not describe a sound block.
#include "store/block.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/io/share_open.h"
#include "store/chain.h"
#include "store/low_level_store.h"
#include "store_test_support.h"

namespace {

class BlockTest : public ::testing::Test {
 protected:
  StorePtr makeNew() {
    return StorePtr(LowLevelStore::make(path_.c_str(), kTestSignature, 7, _SH_DENYWR));
  }
  StorePtr open() { return StorePtr(LowLevelStore::make(path_.c_str(), _O_RDWR, _SH_DENYWR)); }
  // Three records of user sizes 0, 60 and 0 at 29, 83 and 165.
  void makeThree() {
    StorePtr store = makeNew();
    store->alloc(0);
    store->alloc(60)->write(std::string(60, 'z').data(), 60);
    store->alloc(0);
  }
  StoreScratch scratch_;
  std::string path_ = scratch_.file("block.store");
};

TEST_F(BlockTest, SizeFromUserSizeKeepsTheMinimumOf32UserBytes) {
  const struct {
    ULONG user;
    ULONG size;
  } cases[] = {{0, 54}, {10, 54}, {32, 54}, {33, 55}, {100, 122}, {4864, 4886}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.size, Block::computeSizeFromUserSize(c.user)) << "user size " << c.user;
  }
}

TEST_F(BlockTest, WritesStopAtTheUserSizeAndRaiseTheLengthOnDiskAtOnce) {
  StorePtr store = makeNew();
  const ULONG handle = store->alloc(60)->handle();
  std::unique_ptr<Block> block = store->lookupBlock(handle);
  EXPECT_EQ(60u, block->getUserSize());
  EXPECT_EQ(20, block->write(std::string(20, 'a').data(), 20));
  EXPECT_EQ(40, block->write(std::string(100, 'b').data(), 100));
  EXPECT_EQ(0, block->write("c", 1));
  // The length on disk, read through a second block object.
  EXPECT_EQ(60u, store->lookupBlock(handle)->header().length());
  store->commit();
  const std::string bytes = readBytes(path_);
  EXPECT_EQ(60u, le32(bytes, handle + 4));
  EXPECT_EQ(std::string(20, 'a') + std::string(40, 'b'), bytes.substr(handle + 18, 60));
  EXPECT_EQ(82u, le32(bytes, handle + 78)) << "the trailer is left alone";

  std::unique_ptr<Block> reader = store->lookupBlock(handle);
  char buffer[100];
  EXPECT_EQ(15, reader->read(buffer, 15));
  EXPECT_EQ(45, reader->read(buffer, 100));
  EXPECT_EQ(0, reader->read(buffer, 100));
  EXPECT_EQ('b', (*reader)[59]);
  EXPECT_EQ(0xFF, (*reader)[60]) << "index length is past the data";
}

TEST_F(BlockTest, NeighboursEndAtTheHeaderAndAtTheEndOfTheFile) {
  makeThree();
  StorePtr store = open();
  std::unique_ptr<Block> first = store->lookupBlock(29);
  std::unique_ptr<Block> middle = store->lookupBlock(83);
  std::unique_ptr<Block> last = store->lookupBlock(165);
  EXPECT_EQ(nullptr, first->getPredecessorBlock());
  EXPECT_EQ(nullptr, last->getSuccessorBlock());
  ASSERT_NE(nullptr, middle->getPredecessorBlock());
  EXPECT_EQ(29u, middle->getPredecessorBlock()->handle());
  ASSERT_NE(nullptr, middle->getSuccessorBlock());
  EXPECT_EQ(165u, middle->getSuccessorBlock()->handle());
}

// Each damage of the middle block's header is refused when the block is read.
TEST_F(BlockTest, UnsoundBlockHeadersAreRefused) {
  makeThree();
  const std::string pristine = readBytes(path_);
  const struct Case {
    const char* what;
    std::size_t offset;
    uint32_t value;
    const char* kind;
    const char* message;
  } cases[] = {
      {"trailer differs", 83 + 78, 81, "Bad block", "Mismatched header and trailer sizes"},
      {"size 0", 83, 0, "Bad block", "Block size below the minimum block size"},
      {"size 4 (reads itself as trailer)", 83, 4, "Bad block",
       "Block size below the minimum block size"},
      {"size 21", 83, 21, "Bad block", "Block size below the minimum block size"},
      {"size 53", 83, 53, "Bad block", "Block size below the minimum block size"},
      {"size past the end", 83, 100000, "Block header read failed", "Header/Trailer read failure"},
      {"size past any file", 83, 0xFFFFFFF0u, "Block header read failed",
       "Header/Trailer read failure"},
      {"length beyond the user size", 83 + 4, 61, "Bad block",
       "Block length exceeds its user size"},
  };
  for (const Case& c : cases) {
    writeBytes(path_, pristine);
    patch32(path_, c.offset, c.value);
    StorePtr store = open();
    try {
      store->lookup(83);
      ADD_FAILURE() << c.what << ": the block was accepted";
    } catch (const LowLevelStore::BadBlockException& e) {
      EXPECT_STREQ(c.kind, e.kindText()) << c.what;
      EXPECT_STREQ(c.message, e.message()) << c.what;
    }
    // The store is still usable: the untouched records can be read.
    EXPECT_EQ(29u, store->lookup(29)->handle()) << c.what;
  }
}

TEST_F(BlockTest, ABadPredecessorIsReportedAndRefusesTheReleaseBeforeAnythingChanges) {
  makeThree();
  // The 4 bytes before the last block claim a predecessor that does not end there.
  patch32(path_, 165 - 4, 50);
  ReportCapture reports;
  StorePtr store = open();
  std::unique_ptr<Block> block = store->lookupBlock(29);
  store->freeBlock(block);  // the first release into an empty list needs no neighbours
  store->commit();
  const std::string before = readBytes(path_);
  EXPECT_THROW(store->free(165), LowLevelStore::StoreException);
  ASSERT_EQ(1u, reports.seen.size());
  EXPECT_EQ('E', reports.seen[0].first);
  EXPECT_EQ("E: Block::getPredecessorBlock: found bad predecessor block", reports.seen[0].second);
  store->commit();
  EXPECT_EQ(before, readBytes(path_));
  EXPECT_EQ(165u, store->lookup(165)->handle()) << "the record is still in use";
}

}  // namespace
