// The free list: release with coalescing, first-fit allocation with splitting,
// list order, and lists damaged on disk.
#include "store/free_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/io/share_open.h"
#include "store/chain.h"
#include "store/low_level_store.h"
#include "store_test_support.h"

namespace {

class FreeListTest : public ::testing::Test {
 protected:
  StorePtr makeNew() {
    std::remove(path_.c_str());
    return StorePtr(LowLevelStore::make(path_.c_str(), kTestSignature, 7, _SH_DENYWR));
  }
  std::string disk(LowLevelStore& store) {
    store.commit();
    return readBytes(path_);
  }
  StoreScratch scratch_;
  std::string path_ = scratch_.file("free.store");
};

// Records A, B, C (54 bytes each at 29, 83, 137) and D after them; A, B and C
// are freed in every order and always end as one free block.
TEST_F(FreeListTest, ThreeAdjacentRecordsFreedInAnyOrderLeaveOneFreeBlock) {
  const std::vector<std::vector<int>> orders = {{0, 1, 2}, {2, 1, 0}, {1, 0, 2}, {0, 2, 1},
                                                {1, 2, 0}, {2, 0, 1}};
  for (const std::vector<int>& order : orders) {
    const std::string what = "order " + std::to_string(order[0]) + std::to_string(order[1]) +
                             std::to_string(order[2]);
    StorePtr store = makeNew();
    ULONG handles[3];
    for (ULONG& h : handles) {
      std::unique_ptr<Chain> c = store->alloc(0);
      c->write("data", 4);
      h = c->handle();
    }
    store->alloc(0)->write("D", 1);
    for (int i : order) store->free(handles[i]);
    const std::string bytes = disk(*store);
    const std::vector<DiskBlock> blocks = diskBlocks(bytes);
    ASSERT_EQ(2u, blocks.size()) << what;
    EXPECT_EQ(29u, blocks[0].handle) << what;
    EXPECT_EQ(162u, blocks[0].size) << what;
    EXPECT_EQ(3u, blocks[0].marks) << what << ": free and first";
    EXPECT_EQ(std::vector<uint32_t>{29}, diskFreeList(bytes, kTestFreeListPos)) << what;
  }
}

TEST_F(FreeListTest, NewFreeBlocksGoToTheHeadAndFirstFitFollowsListOrder) {
  StorePtr store = makeNew();
  std::vector<ULONG> h;
  for (int i = 0; i < 5; ++i) h.push_back(store->alloc(i % 2 == 0 ? 100 : 0)->handle());
  store->free(h[0]);
  store->free(h[2]);
  store->free(h[4]);  // the last block of the file: freed, not cut off
  const std::string bytes = disk(*store);
  EXPECT_EQ((std::vector<uint32_t>{h[4], h[2], h[0]}), diskFreeList(bytes, kTestFreeListPos));
  // First fit takes the head even though a later block fits as well.
  EXPECT_EQ(h[4], store->alloc(90)->handle());
  EXPECT_EQ(h[2], store->alloc(90)->handle());
  const std::string after = disk(*store);
  EXPECT_EQ(std::vector<uint32_t>{h[0]}, diskFreeList(after, kTestFreeListPos));
  EXPECT_EQ(bytes.size(), after.size());
}

// A free block of 122 bytes at the head of the list: a request leaves less than
// 54 bytes over (taken whole) or enough for a block of its own (split).
TEST_F(FreeListTest, SurrenderTakesSmallRemaindersWholeAndSplitsLargeOnes) {
  const struct {
    ULONG userSize;
    uint32_t size;       // size of the block handed out
    uint32_t freeLeft;   // size of the free block left behind (0: none)
  } cases[] = {{100, 122, 0}, {47, 122, 0}, {46, 68, 54}, {10, 54, 68}};
  for (const auto& c : cases) {
    StorePtr store = makeNew();
    const ULONG a = store->alloc(100)->handle();
    store->alloc(0);
    store->free(a);
    FreeList list(store.get(), store->freeListPtr());
    std::unique_ptr<Block> got = list.surrender(c.userSize, 64);
    ASSERT_NE(nullptr, got) << "user size " << c.userSize;
    EXPECT_EQ(a, got->handle());
    EXPECT_EQ(c.size, got->header().size()) << "user size " << c.userSize;
    EXPECT_EQ(64u, got->header().extensionSize());
    const std::string bytes = disk(*store);
    EXPECT_EQ(64u, le32(bytes, a + 12)) << "extension size stored in the first block";
    EXPECT_EQ(2u, le16(bytes, a + 16)) << "first mark only";
    const std::vector<uint32_t> list2 = diskFreeList(bytes, kTestFreeListPos);
    if (c.freeLeft == 0) {
      EXPECT_TRUE(list2.empty()) << "user size " << c.userSize;
    } else {
      ASSERT_EQ(1u, list2.size()) << "user size " << c.userSize;
      EXPECT_EQ(a + c.size, list2[0]);
      EXPECT_EQ(c.freeLeft, le32(bytes, list2[0]));
    }
    diskBlocks(bytes);
  }
}

TEST_F(FreeListTest, NothingLargeEnoughMeansTheFileGrows) {
  StorePtr store = makeNew();
  const ULONG a = store->alloc(0)->handle();
  store->alloc(0);
  store->free(a);
  const ULONG end = store->fileSize();
  EXPECT_EQ(end, store->alloc(33)->handle()) << "55 bytes do not fit a 54-byte block";
  EXPECT_EQ(a, store->freeListPtr());
}

// A list whose last block leads back to its head, and one whose link leads to
// a block in use: allocation stops walking and appends instead; release of a
// record never follows the damaged link.
TEST_F(FreeListTest, DamagedListsAreNeverWalkedInCircles) {
  const struct {
    const char* what;
    bool toRecordInUse;
  } cases[] = {{"loop back to the head", false}, {"link into a record", true}};
  for (const auto& c : cases) {
    ULONG h[5];
    {
      StorePtr store = makeNew();
      for (ULONG& x : h) x = store->alloc(0)->handle();
      store->free(h[1]);
      store->free(h[3]);  // list: h3 -> h1
    }
    patch32(path_, h[1] + 8, c.toRecordInUse ? static_cast<uint32_t>(h[2])
                                             : static_cast<uint32_t>(h[3]));
    StorePtr store(LowLevelStore::make(path_.c_str(), _O_RDWR, _SH_DENYWR));
    const ULONG end = store->fileSize();
    EXPECT_EQ(end, store->alloc(100)->handle()) << c.what;
    FreeList list(store.get(), store->freeListPtr());
    try {
      list.findFirstFit(1000);
      ADD_FAILURE() << c.what << ": the walk ended normally";
    } catch (const LowLevelStore::BadChainException& e) {
      EXPECT_STREQ(c.toRecordInUse ? "Free list link leads to a block that is not on the list"
                                   : "Free list loops",
                   e.message())
          << c.what;
    }
  }
}

TEST_F(FreeListTest, AHeadThatIsNotAFreeBlockIsRefused) {
  ULONG a;
  {
    StorePtr store = makeNew();
    a = store->alloc(0)->handle();
    store->alloc(0);
  }
  patch32(path_, kTestFreeListPos, static_cast<uint32_t>(a));  // a record in use
  StorePtr store(LowLevelStore::make(path_.c_str(), _O_RDWR, _SH_DENYWR));
  EXPECT_NE(a, store->alloc(0)->handle()) << "a record in use was handed out again";
  try {
    std::unique_ptr<Block> block = store->lookupBlock(a);
    store->freeBlock(block);
    FAIL() << "released into a list whose head is in use";
  } catch (const LowLevelStore::BadStreamException& e) {
    EXPECT_STREQ("Store header read failed", e.message());
  }
}

}  // namespace
