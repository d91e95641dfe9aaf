// Chains: writing and reading records across blocks, growth in place and by
// linking, positioning, and walks over damaged links.
#include "store/chain.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/system/desktop.h"
#include "platform/io/share_open.h"
#include "store/block.h"
#include "store/low_level_store.h"
#include "store_test_support.h"

namespace {

class ChainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_.reset(LowLevelStore::make(path_.c_str(), kTestSignature, 7, _SH_DENYWR));
  }
  std::string diskAfterCommit() {
    store_->commit();
    return readBytes(path_);
  }
  static int writeText(Chain& chain, const std::string& text) {
    return chain.write(text.data(), static_cast<int>(text.size()));
  }
  static std::string readAll(Chain& chain) {
    std::string back(4096, '\0');
    const int got = chain.read(&back[0], static_cast<int>(back.size()));
    back.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return back;
  }
  StoreScratch scratch_;
  std::string path_ = scratch_.file("chain.store");
  StorePtr store_;
};

TEST_F(ChainTest, TenBytesFitTheMinimumBlockOfARecordOfUserSizeZero) {
  std::unique_ptr<Chain> chain = store_->alloc(0);
  EXPECT_EQ(10, writeText(*chain, "0123456789"));
  EXPECT_EQ(10, chain->tellp());
  EXPECT_EQ(10, chain->getUserSize());
  const std::string bytes = diskAfterCommit();
  EXPECT_EQ(29u + 54u, bytes.size());
  EXPECT_EQ(10u, le32(bytes, 29 + 4));
  EXPECT_EQ("0123456789" + std::string(22, ' '), bytes.substr(29 + 18, 32));
}

// Writing past the end of the last record of the file grows its only block.
TEST_F(ChainTest, TheLastRecordOfTheFileGrowsInPlaceWithoutAStep) {
  std::unique_ptr<Chain> chain = store_->alloc(0);
  const std::string text(100, 'g');
  const ULONG steps = store_->chainStepCount;
  EXPECT_EQ(100, writeText(*chain, text));
  EXPECT_EQ(steps, store_->chainStepCount);
  chain->seekg(0);
  EXPECT_EQ(text, readAll(*chain));
  const std::string bytes = diskAfterCommit();
  const std::vector<DiskBlock> blocks = diskBlocks(bytes);
  ASSERT_EQ(1u, blocks.size());
  EXPECT_EQ(122u, blocks[0].size) << "54 bytes grown by the 68 still to write";
  EXPECT_EQ(100u, blocks[0].length);
  EXPECT_EQ(0u, blocks[0].next);
}

// Growth where the record is followed by another block: in use (a new block is
// linked), free and large (its front is split off), free and small (taken whole).
TEST_F(ChainTest, ARecordInTheMiddleGrowsByItsNeighbourOrByALinkedBlock) {
  struct Case {
    const char* what;
    ULONG neighbourUser;  // user size of the record right after A
    bool freeNeighbour;
    int write;            // bytes written to A
    uint32_t sizeOfA;     // A's block size afterwards
    uint32_t next;        // A's next afterwards
  } cases[] = {
      {"neighbour in use", 200, false, 100, 54, 0},
      {"large free neighbour", 200, true, 100, 122, 0},
      {"small free neighbour", 40, true, 60, 116, 0},
  };
  for (const Case& c : cases) {
    std::remove(path_.c_str());
    store_.reset(LowLevelStore::make(path_.c_str(), kTestSignature, 7, _SH_DENYWR));
    std::unique_ptr<Chain> a = store_->alloc(0);
    const ULONG neighbour = store_->alloc(c.neighbourUser)->handle();
    const ULONG after = store_->alloc(0)->handle();
    if (c.freeNeighbour) store_->free(neighbour);
    const std::string text(c.write, 'a');
    EXPECT_EQ(c.write, writeText(*a, text)) << c.what;
    a->seekg(0);
    EXPECT_EQ(text, readAll(*a)) << c.what;
    a.reset();
    const std::string bytes = diskAfterCommit();
    const std::vector<DiskBlock> blocks = diskBlocks(bytes);
    ASSERT_FALSE(blocks.empty()) << c.what;
    EXPECT_EQ(c.sizeOfA, blocks[0].size) << c.what;
    if (!c.freeNeighbour) {
      // The new block went to the end of the file and points back at A.
      const DiskBlock& linked = blocks.back();
      EXPECT_EQ(linked.handle, le32(bytes, 29 + 8)) << c.what;
      EXPECT_EQ(29u, linked.fourth) << c.what << ": prev of the linked block";
      EXPECT_EQ(0u, linked.marks) << c.what;
      EXPECT_EQ(68u, linked.length) << c.what;
    } else {
      EXPECT_EQ(0u, blocks[0].next) << c.what;
      EXPECT_EQ(after, blocks.back().handle) << c.what << ": the record after is untouched";
    }
    diskFreeList(bytes, kTestFreeListPos);
  }
}

TEST_F(ChainTest, ReadingAcrossLinkedBlocksCountsEachStep) {
  std::unique_ptr<Chain> a = store_->alloc(0);
  store_->alloc(0);
  std::string text;
  for (int i = 0; i < 300; ++i) text += static_cast<char>('a' + i % 26);
  // Each write runs past the record's end with another record in the way, so
  // each links a block: 32 + 32 + 76 + 160 bytes in four blocks.
  writeText(*a, text.substr(0, 40));
  store_->alloc(0);
  writeText(*a, text.substr(40, 100));
  store_->alloc(0);
  writeText(*a, text.substr(140));
  const ULONG handle = a->handle();
  a.reset();
  std::unique_ptr<Chain> reader = store_->lookup(handle);
  const ULONG steps = store_->chainStepCount;
  EXPECT_EQ(text, readAll(*reader));
  EXPECT_EQ(steps + 3, store_->chainStepCount) << "three moves to a following block";
  EXPECT_EQ(300, reader->getUserSize());
  EXPECT_EQ(static_cast<unsigned char>(text[299]), (*reader)[299]);
  EXPECT_EQ(static_cast<unsigned char>(text[33]), (*reader)[33]);
  EXPECT_EQ(0xFF, (*reader)[300]);
  EXPECT_EQ(0xFF, (*reader)[-1]);
}

TEST_F(ChainTest, SeekgStopsAtTheLogicalLength) {
  std::unique_ptr<Chain> a = store_->alloc(0);
  store_->alloc(0);
  const std::string text(100, 's');  // 32 bytes in A's block, 68 in a linked one
  writeText(*a, text);
  for (LONG pos : {0, 31, 32, 33, 99, 100}) {
    EXPECT_EQ(pos, a->seekg(pos));
    EXPECT_EQ(pos, a->tellg());
    EXPECT_EQ(100 - pos, static_cast<LONG>(readAll(*a).size())) << "from " << pos;
  }
  try {
    a->seekg(101);
    FAIL() << "seekg one byte past the end succeeded";
  } catch (const LowLevelStore::OutOfRangeException& e) {
    EXPECT_STREQ("seekg beyond end of chain buffers", e.message());
  }
  // Relative forms; negative results become 0.
  EXPECT_EQ(90, a->seekg(-10, std::ios_base::end));
  EXPECT_EQ(95, a->seekg(5, std::ios_base::cur));
  EXPECT_EQ(0, a->seekg(-500, std::ios_base::cur));
  EXPECT_EQ(7, a->seekg(7, std::ios_base::beg));
}

TEST_F(ChainTest, AnEmptyChainHasNoCursors) {
  Chain empty(store_.get(), 0);
  EXPECT_EQ(0u, empty.handle());
  EXPECT_EQ(-1, empty.tellg());
  EXPECT_EQ(-1, empty.tellp());
  EXPECT_EQ(0, empty.getUserSize());
  char c;
  EXPECT_EQ(0, empty.read(&c, 1));
  try {
    empty.write("x", 1);
    FAIL() << "an empty chain took a write";
  } catch (const LowLevelStore::BadChainException& e) {
    EXPECT_STREQ("Chain::extend: Can't find the end of the chain", e.message());
  }
}

TEST_F(ChainTest, SeekpBeyondTheCapacityExtendsAndWritesThere) {
  std::unique_ptr<Chain> a = store_->alloc(0);
  writeText(*a, "head");
  EXPECT_EQ(200, a->seekp(200));
  EXPECT_EQ(200, a->tellp());
  writeText(*a, "tail");
  EXPECT_EQ(204, a->getUserSize());
  a->seekg(0);
  const std::string back = readAll(*a);
  EXPECT_EQ("head" + std::string(196, ' ') + "tail", back) << "the gap reads as spaces";
  // Extension sizes below 32 are raised to 32 and stored in the first block.
  a->setExtensionSize(5);
  EXPECT_EQ(32u, a->getExtensionSize());
  a->setExtensionSize(1000);
  const ULONG handle = a->handle();
  a.reset();
  EXPECT_EQ(1000u, le32(diskAfterCommit(), handle + 12));
  EXPECT_EQ(1000u, store_->lookup(handle)->getExtensionSize());
}

TEST_F(ChainTest, ABadSeekDirectionIsReportedAndMovesNothing) {
  ScriptedDesktop desktop;
  DesktopScope scope(desktop);
  desktop.answer(IDNO);
  std::unique_ptr<Chain> a = store_->alloc(0);
  writeText(*a, "abc");
  a->seekg(1);
  EXPECT_EQ(1, a->seekg(0, static_cast<std::ios_base::seekdir>(7)));
  ASSERT_EQ(1u, desktop.eventsOf(ScriptedDesktop::Kind::MessageBox).size());
  EXPECT_EQ(0u, desktop.events()[0].text.find("F: Chain::seekg: Bad seek direction parameter"))
      << desktop.events()[0].text;
}

// Bytes after the last block that are no block: the record is not grown over
// them; the damage is reported and a block is linked after them instead.
TEST_F(ChainTest, StrayBytesAfterTheLastBlockAreReportedAndNotOverwritten) {
  const ULONG handle = store_->alloc(0)->handle();
  store_.reset();
  writeBytes(path_, readBytes(path_) + "stray byte");
  store_.reset(LowLevelStore::make(path_.c_str(), _O_RDWR, _SH_DENYWR));
  ReportCapture reports;
  std::unique_ptr<Chain> chain = store_->lookup(handle);
  EXPECT_EQ(40, writeText(*chain, std::string(40, 'w')));
  ASSERT_EQ(1u, reports.seen.size());
  EXPECT_EQ('W', reports.seen[0].first);
  EXPECT_EQ("W: Bad Block detected at stream position 83.", reports.seen[0].second);
  chain.reset();
  const std::string bytes = diskAfterCommit();
  EXPECT_EQ("stray byte", bytes.substr(83, 10));
  EXPECT_EQ(93u, le32(bytes, handle + 8)) << "next of the record's first block";
  EXPECT_EQ(54u, le32(bytes, 93));
  EXPECT_EQ(8u, le32(bytes, 93 + 4));
}

// A first block claiming a gigabyte extension size grows the file by at most
// the growth step when a write runs past its end.
TEST_F(ChainTest, AHugeStoredExtensionSizeDoesNotGrowTheFileByGigabytes) {
  const ULONG handle = store_->alloc(0)->handle();
  store_.reset();
  patch32(path_, handle + 12, 0x40000000u);
  store_.reset(LowLevelStore::make(path_.c_str(), _O_RDWR, _SH_DENYWR));
  std::unique_ptr<Chain> chain = store_->lookup(handle);
  EXPECT_EQ(0x40000000u, chain->getExtensionSize());
  EXPECT_EQ(40, writeText(*chain, std::string(40, 'e')));
  EXPECT_EQ(handle + 54 + Chain::MaxGrowthStep, store_->fileSize());
}

// Record A is two blocks (29 -> X); B sits between them. Each damaged link is
// refused by the read that meets it, never followed into a loop.
TEST_F(ChainTest, DamagedLinksEndInExceptions) {
  std::unique_ptr<Chain> a = store_->alloc(0);
  const ULONG b = store_->alloc(0)->handle();
  writeText(*a, std::string(100, 'z'));
  const ULONG x = le32(diskAfterCommit(), 29 + 8);
  ASSERT_EQ(137u, x);
  a.reset();
  store_.reset();
  const std::string pristine = readBytes(path_);
  struct Case {
    const char* what;
    std::size_t offset;  // the link patched
    uint32_t value;
    const char* kind;
    const char* message;
  } cases[] = {
      {"into the header", 29 + 8, 10, "Bad handle",
       "Out-of-range handle received as parameter to lookup, handle is in store header"},
      {"past the end", 29 + 8, 100000, "Block header read failed", "Header/Trailer read failure"},
      {"into a block's data", 29 + 8, 137 + 18, "Block header read failed",
       "Header/Trailer read failure"},
      {"back to the first block", 29 + 8, 29, "Bad Chain",
       "Chain link leads back to the first block of the record"},
      {"to another record", 29 + 8, static_cast<uint32_t>(b), "Bad Chain",
       "Chain link leads to the first block of a record"},
      {"loop on itself", 137 + 8, 137, "Bad Chain",
       "Chain link does not match the block's back link"},
  };
  for (const Case& c : cases) {
    writeBytes(path_, pristine);
    patch32(path_, c.offset, c.value);
    StorePtr store(LowLevelStore::make(path_.c_str(), _O_RDWR, _SH_DENYWR));
    std::unique_ptr<Chain> chain = store->lookup(29);
    for (int round = 0; round < 3; ++round) {
      try {
        switch (round) {
          case 0: readAll(*chain); break;
          case 1: chain->getUserSize(); break;
          case 2: store->free(29); break;
        }
        ADD_FAILURE() << c.what << ": walk " << round << " went through";
      } catch (const LowLevelStore::StoreException& e) {
        EXPECT_STREQ(c.kind, e.kindText()) << c.what << ", walk " << round;
        EXPECT_STREQ(c.message, e.message()) << c.what << ", walk " << round;
      }
    }
    EXPECT_EQ(0u, store->freeListPtr()) << c.what << ": nothing was released";
  }
}

}  // namespace
