// Cutting a record short: the chain keeps its first block, later blocks return to
// the free list, and a stream over the record sees the new end.
#include <gtest/gtest.h>

#include <string>

#include "store/chain.h"
#include "store/low_level_store.h"
#include "store/store_stream.h"
#include "store_test_support.h"

namespace {

TEST(ChainTruncate, CutsInsideALaterBlockAndFreesTheRest) {
  StoreScratch scratch;
  const std::string path = scratch.file("cut.store");
  StorePtr store(LowLevelStore::make(path.c_str(), kTestSignature, 1, 0x20));
  ULONG handle = 0;
  {
    // Three blocks: records written in turns so that the first one links blocks.
    auto a = store->alloc(40);
    auto b = store->alloc(40);
    handle = a->handle();
    a->write(std::string(40, 'a').data(), 40);
    b->write(std::string(40, 'b').data(), 40);
    a->write(std::string(60, 'c').data(), 60);  // links a second block at the end
    b->write("b", 1);                           // b grows behind it
    a->write(std::string(50, 'd').data(), 50);  // so a links a third
    ASSERT_EQ(150, a->getUserSize());
  }
  store->stream()->flush();  // the store's file shows its writes once flushed
  const std::size_t blocksBefore = diskBlocks(readBytes(path)).size();
  {
    auto a = store->lookup(handle);
    EXPECT_FALSE(a->truncate(150)) << "the end itself cuts nothing";
    EXPECT_FALSE(a->truncate(400));
    EXPECT_TRUE(a->truncate(70));
    EXPECT_EQ(70, a->getUserSize());
    char buf[100];
    EXPECT_EQ(70, a->read(buf, sizeof buf));
    EXPECT_EQ(std::string(40, 'a') + std::string(30, 'c'), std::string(buf, 70));
  }
  store->stream()->flush();
  const std::string bytes = readBytes(path);
  std::vector<DiskBlock> blocks = diskBlocks(bytes);
  int freeBlocks = 0;
  for (const DiskBlock& b : blocks) freeBlocks += (b.marks & 1) ? 1 : 0;
  EXPECT_GE(freeBlocks, 1) << "the cut-off block went to the free list";
  EXPECT_LE(blocks.size(), blocksBefore);
  diskFreeList(bytes, kTestFreeListPos);  // the free list stays sound
  {
    auto a = store->lookup(handle);
    EXPECT_TRUE(a->truncate(0));
    EXPECT_EQ(0, a->getUserSize());
    EXPECT_EQ(handle, a->handle()) << "the record keeps its first block";
  }
}

TEST(ChainTruncate, AStreamCutAtItsPutPositionReadsOnlyTheNewText) {
  StoreScratch scratch;
  const std::string path = scratch.file("stream.store");
  StorePtr store(LowLevelStore::make(path.c_str(), kTestSignature, 1, 0x20));
  ULONG handle = 0;
  {
    auto c = store->alloc(0);
    handle = c->handle();
  }
  {
    StoreStream s(store.get(), handle);
    s << std::string(500, 'x');
  }
  {
    StoreStream s(store.get(), handle);
    s << "short text";
    Truncatable* cut = dynamic_cast<Truncatable*>(s.rdbuf());
    ASSERT_NE(nullptr, cut);
    EXPECT_TRUE(cut->truncateAt(s.tellp()));
    s.seekg(0);
    std::string all((std::istreambuf_iterator<char>(s)), std::istreambuf_iterator<char>());
    EXPECT_EQ("short text", all);
  }
  auto c = store->lookup(handle);
  EXPECT_EQ(10, c->getUserSize());
}

}  // namespace
