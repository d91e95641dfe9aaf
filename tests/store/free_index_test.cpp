// The in-memory copy of the free list: after any mix of allocations, releases,
// growth and cuts it lists exactly the blocks the file's list holds, in list
// order, and its first fit is the block a walk of the file's list stops at.
#include "store/free_index.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/io/share_open.h"
#include "store/block.h"
#include "store/chain.h"
#include "store/low_level_store.h"
#include "store_test_support.h"

namespace {

// The file's free list, walked from its head (the test's own reference walk).
std::vector<std::pair<ULONG, ULONG>> walkFileList(LowLevelStore& store) {
  std::vector<std::pair<ULONG, ULONG>> all;
  for (ULONG at = store.freeListPtr(); at != 0 && all.size() < 100000;) {
    std::unique_ptr<Block> b = store.lowLevelLookup(at);
    all.emplace_back(at, b->header().size());
    at = b->header().next();
  }
  return all;
}

ULONG walkFirstFit(const std::vector<std::pair<ULONG, ULONG>>& list, ULONG size) {
  for (const auto& e : list) {
    if (e.second >= size) return e.first;
  }
  return 0;
}

TEST(FreeIndexTest, ClassesGrowWithSizeAndSplitEachPowerOfTwoInFour) {
  EXPECT_EQ(FreeIndex::classOf(54), FreeIndex::classOf(55));
  ULONG previous = 0;
  for (ULONG size = 1; size < 5000000; size += size / 7 + 1) {
    const int c = FreeIndex::classOf(size);
    EXPECT_GE(c, static_cast<int>(previous)) << size;
    previous = static_cast<ULONG>(c);
  }
  EXPECT_EQ(FreeIndex::ClassCount - 1, FreeIndex::classOf(0xFFFFFFFFu));
  EXPECT_NE(FreeIndex::classOf(64), FreeIndex::classOf(80));
}

TEST(FreeIndexTest, FirstFitIsTheFirstLargeEnoughBlockInListOrder) {
  FreeIndex index;
  index.pushBack(1000, 60);
  index.pushBack(2000, 500);
  index.pushBack(3000, 90);
  index.pushFront(4000, 70);  // now first
  EXPECT_EQ(4000u, index.head());
  EXPECT_EQ(4000u, index.firstFit(60));
  EXPECT_EQ(2000u, index.firstFit(71));  // after 70 come 60, then 500
  EXPECT_EQ(2000u, index.firstFit(91));
  EXPECT_EQ(0u, index.firstFit(501));
  index.update(2000, 2100, 400);  // split off its front: same place on the list
  EXPECT_EQ(2100u, index.firstFit(91));
  index.erase(2100);
  EXPECT_EQ(0u, index.firstFit(91));
  EXPECT_EQ(3000u, index.firstFit(71));
}

TEST(FreeIndexTest, TheCopyFollowsTheFileThroughRandomAllocationAndRelease) {
  StoreScratch scratch;
  const std::string path = scratch.file("free.store");
  StorePtr store(LowLevelStore::make(path.c_str(), kTestSignature, 7, _SH_DENYWR));
  std::mt19937 rng(11);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<ULONG> live;
  for (int step = 0; step < 2500; ++step) {
    const int op = pick(0, 9);
    if (op < 5 || live.empty()) {
      std::unique_ptr<Chain> c = store->alloc(static_cast<ULONG>(pick(0, 3000)));
      std::string bytes(static_cast<std::size_t>(pick(1, 4000)), 'x');
      c->write(bytes.data(), static_cast<int>(bytes.size()));
      live.push_back(c->handle());
    } else if (op < 8) {
      const std::size_t i = static_cast<std::size_t>(pick(0, static_cast<int>(live.size()) - 1));
      store->free(live[i]);
      live.erase(live.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      std::unique_ptr<Chain> c = store->lookup(live[static_cast<std::size_t>(
          pick(0, static_cast<int>(live.size()) - 1))]);
      c->truncate(pick(0, 200));
    }
    FreeIndex* index = store->freeIndex();
    ASSERT_NE(nullptr, index);
    const auto fileList = walkFileList(*store);
    ASSERT_EQ(fileList, index->listed()) << "step " << step;
    ASSERT_EQ("", checkFreeIndex(store.get())) << "step " << step;
    for (ULONG size : {54u, 200u, 1000u, 3000u, 9000u}) {
      ASSERT_EQ(walkFirstFit(fileList, size), index->firstFit(size)) << "step " << step;
    }
  }
}

}  // namespace
