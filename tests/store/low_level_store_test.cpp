// The low-level store as its callers see it: the bytes of a new store file, the
// header checks on opening, allocation and reuse, lookups, share modes, commit
// and the life of a store with chains on it.
#include "store/low_level_store.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "browser_skips.h"
#include "platform/io/share_open.h"
#include "store/block.h"
#include "store/chain.h"
#include "store/low_level_file_header.h"
#include "store_test_support.h"

namespace {

class LowLevelStoreTest : public ::testing::Test {
 protected:
  StoreScratch scratch_;
  std::string path_ = scratch_.file("test.store");
  StorePtr makeNew() {
    return StorePtr(LowLevelStore::make(path_.c_str(), kTestSignature, 7, _SH_DENYWR));
  }
  StorePtr open(int flags = _O_RDWR) {
    return StorePtr(LowLevelStore::make(path_.c_str(), flags, _SH_DENYWR));
  }
};

// The bytes a store file starts with, and the first block after them.
TEST_F(LowLevelStoreTest, NewStoreHasExactlyTheHeaderBytesAndBlocksTheirFrame) {
  makeNew();
  std::string expected = le32Bytes(29) + std::string("#TEST#\0", 7) + le32Bytes(7) +
                         std::string("#LLS#\0", 6) + le32Bytes(32) + le32Bytes(0);
  EXPECT_EQ(expected, readBytes(path_));

  {
    StorePtr store = open();
    EXPECT_STREQ("#TEST#", store->signature());
    EXPECT_EQ(7u, store->version());
    EXPECT_EQ(29u, store->header()->size());
    EXPECT_EQ(25u, store->header()->freeListPos());
    std::unique_ptr<Chain> record = store->alloc(10);
    EXPECT_EQ(29u, record->handle());
  }
  // A block of 10 user bytes gets the 32-byte minimum: 54 bytes in all.
  expected += le32Bytes(54) + le32Bytes(0) + le32Bytes(0) + le32Bytes(32) +
              std::string("\x02\x00", 2) + std::string(32, ' ') + le32Bytes(54);
  EXPECT_EQ(expected, readBytes(path_));
}

TEST_F(LowLevelStoreTest, MakeOnAnExistingFileFailsWithTheSystemTextAndLeavesItAlone) {
  writeBytes(path_, "precious contents");
  try {
    makeNew();
    FAIL() << "expected BadStreamException";
  } catch (const LowLevelStore::BadStreamException& e) {
    EXPECT_STREQ(std::strerror(EEXIST), e.message());
    EXPECT_EQ(std::string("Bad stream: ") + std::strerror(EEXIST), e.description());
  }
  EXPECT_EQ("precious contents", readBytes(path_));
}

TEST_F(LowLevelStoreTest, OpeningAMissingFileFailsWithTheSystemText) {
  try {
    open();
    FAIL() << "expected BadStreamException";
  } catch (const LowLevelStore::BadStreamException& e) {
    EXPECT_STREQ(std::strerror(ENOENT), e.message());
  }
}

// Damaged or foreign headers: each is refused with its own exception and text.
TEST_F(LowLevelStoreTest, DamagedHeadersAreRefusedWithTheirTexts) {
  const std::string good = le32Bytes(29) + std::string("#TEST#\0", 7) + le32Bytes(7) +
                           std::string("#LLS#\0", 6) + le32Bytes(32) + le32Bytes(0);
  std::string mls = good;
  mls.replace(17, 1, "M");
  std::string longSignature = le32Bytes(0) + std::string(79, 'x') + std::string(1, '\0') +
                              good.substr(11);
  struct Case {
    const char* what;
    std::string bytes;
    const char* kind;
    const char* message;
  } cases[] = {
      {"empty file", "", "Bad size", "Read bad size in header"},
      {"size only", good.substr(0, 4), "Bad magic cookie",
       "Read bad application signature in header"},
      {"no version", good.substr(0, 11), "Bad version", "Read bad version number in header"},
      {"other store layer", mls, "Bad magic cookie", "Read bad store signature in header"},
      {"no store version", good.substr(0, 21), "Bad version",
       "Read bad store version number in header"},
      {"newer store version", good.substr(0, 21) + le32Bytes(33) + le32Bytes(0), "Bad version",
       "File was created by a more recent software version"},
      {"no free list", good.substr(0, 25), "Bad free list pointer",
       "Read bad free list pointer in header"},
      {"79-byte signature", longSignature, "Bad magic cookie",
       "Read bad application signature in header"},
      {"size beyond the file", le32Bytes(1000) + good.substr(4), "Bad size",
       "Header size does not fit the file"},
      {"size inside the header", le32Bytes(10) + good.substr(4), "Bad size",
       "Header size does not fit the file"},
  };
  for (const Case& c : cases) {
    writeBytes(path_, c.bytes);
    try {
      open();
      ADD_FAILURE() << c.what << ": opened, expected " << c.kind;
    } catch (const LowLevelStore::BadStreamException& e) {
      EXPECT_STREQ(c.kind, e.kindText()) << c.what;
      EXPECT_STREQ(c.message, e.message()) << c.what;
    }
  }
}

TEST_F(LowLevelStoreTest, OlderStoreVersionsAndShortSignaturesAreAccepted) {
  const std::string tail = std::string("#LLS#\0", 6);
  struct Case {
    std::string signature;
    uint32_t storeVersion;
  } cases[] = {{"#TEST#", 32}, {"#TEST#", 31}, {"", 32}, {std::string(78, 's'), 32}};
  for (const Case& c : cases) {
    const std::string body = std::string(c.signature) + '\0' + le32Bytes(3) + tail +
                             le32Bytes(c.storeVersion) + le32Bytes(0);
    writeBytes(path_, le32Bytes(static_cast<uint32_t>(body.size() + 4)) + body);
    StorePtr store = open();
    EXPECT_EQ(c.signature, store->signature());
    EXPECT_EQ(c.storeVersion, store->header()->storeVersion());
    EXPECT_EQ(body.size() + 4, store->header()->size());
  }
}

TEST_F(LowLevelStoreTest, FreedSpaceIsReusedBeforeTheFileGrows) {
  // Record A (122 bytes at 29) is freed; B keeps it away from the end.
  struct Case {
    ULONG userSize;
    uint32_t freeHandle;  // where the rest of A's space is left free (0: none)
    uint32_t freeSize;
  } cases[] = {{100, 0, 0}, {50, 0, 0}, {10, 83, 68}};
  for (const Case& c : cases) {
    std::remove(path_.c_str());
    StorePtr store = makeNew();
    const ULONG a = store->alloc(100)->handle();
    store->alloc(100);
    const ULONG length = store->fileSize();
    store->free(a);
    std::unique_ptr<Chain> again = store->alloc(c.userSize);
    EXPECT_EQ(a, again->handle()) << "user size " << c.userSize;
    EXPECT_EQ(length, store->fileSize()) << "user size " << c.userSize;
    EXPECT_EQ(c.freeHandle, store->freeListPtr()) << "user size " << c.userSize;
    again.reset();
    store->commit();
    const std::string bytes = readBytes(path_);
    const std::vector<uint32_t> list = diskFreeList(bytes, kTestFreeListPos);
    std::vector<DiskBlock> blocks = diskBlocks(bytes);
    ASSERT_GE(blocks.size(), 2u);
    EXPECT_EQ(2u, blocks[0].marks) << "the reused block is a first block, in use";
    EXPECT_EQ(32u, blocks[0].fourth) << "extension size of the reused block";
    if (c.freeHandle != 0) {
      ASSERT_EQ(1u, list.size());
      EXPECT_EQ(c.freeSize, blocks[1].size);
    } else {
      EXPECT_TRUE(list.empty());
    }
  }
}

TEST_F(LowLevelStoreTest, LookupRefusesHandlesInTheHeaderAndFreedRecords) {
  StorePtr store = makeNew();
  const ULONG handle = store->alloc(10)->handle();
  // Handle 0 names no record at all.
  EXPECT_EQ(nullptr, store->lookup(0));
  for (ULONG inHeader : {1u, 4u, 28u}) {
    try {
      store->lookup(inHeader);
      ADD_FAILURE() << "handle " << inHeader << " was looked up";
    } catch (const LowLevelStore::BadHandleException& e) {
      EXPECT_STREQ(
          "Out-of-range handle received as parameter to lookup, handle is in store header",
          e.message());
    }
  }
  store->free(handle);
  try {
    store->lookup(handle);
    FAIL() << "a freed record was looked up";
  } catch (const LowLevelStore::BadBlockException& e) {
    EXPECT_STREQ("Block has been freed", e.message());
    EXPECT_STREQ("Bad block", e.kindText());
  }
  // The store stays usable after the failures.
  EXPECT_EQ(handle, store->alloc(10)->handle());
}

TEST_F(LowLevelStoreTest, ATruncatedFileEndsInAnExceptionNotACrash) {
  ULONG handle;
  {
    StorePtr store = makeNew();
    std::unique_ptr<Chain> record = store->alloc(100);
    record->write(std::string(100, 'r').data(), 100);
    handle = record->handle();
  }
  const std::string bytes = readBytes(path_);
  writeBytes(path_, bytes.substr(0, handle + 60));
  StorePtr store = open();
  try {
    store->lookup(handle);
    FAIL() << "a cut block was looked up";
  } catch (const LowLevelStore::BlockHeaderReadException& e) {
    EXPECT_STREQ("Header/Trailer read failure", e.message());
  }
  // New records still go to the end of what is there.
  EXPECT_EQ(handle + 60, store->alloc(10)->handle());
}

TEST_F(LowLevelStoreTest, ShareModesDecideWhetherASecondOpenSucceeds) {
  TVX_SKIP_IN_BROWSER(browser_skips::kNoShareLocks);
  makeNew();
  StorePtr holder = open(_O_RDWR);  // read-write, deny write
  try {
    open(_O_RDWR);
    FAIL() << "a second writer was let in";
  } catch (const LowLevelStore::BadStreamException& e) {
    EXPECT_STREQ(std::strerror(EACCES), e.message());
  }
  StorePtr reader(LowLevelStore::make(path_.c_str(), _O_RDONLY, _SH_DENYNO));
  EXPECT_STREQ("#TEST#", reader->signature());
}

TEST_F(LowLevelStoreTest, CommitKeepsRecordsReadableAndCountersUnchanged) {
  StorePtr store = makeNew();
  std::unique_ptr<Chain> a = store->alloc(0);
  std::unique_ptr<Chain> b = store->alloc(0);
  const std::string text(150, 'a');
  a->write(text.data(), static_cast<int>(text.size()));  // links blocks: B is in the way
  b->write("bee", 3);
  const ULONG steps = store->chainStepCount;
  const ULONG opens = store->chainOpenCount;
  EXPECT_EQ(2u, opens);
  EXPECT_GT(steps, 0u);
  const ULONG ha = a->handle(), hb = b->handle();
  a.reset();
  b.reset();
  store->commit();
  EXPECT_EQ(steps, store->chainStepCount);
  EXPECT_EQ(opens, store->chainOpenCount);
  std::string back(200, '\0');
  EXPECT_EQ(150, store->lookup(ha)->read(&back[0], 200));
  EXPECT_EQ(text, back.substr(0, 150));
  EXPECT_EQ(3, store->lookup(hb)->read(&back[0], 200));
  EXPECT_EQ(opens + 2, store->chainOpenCount);
}

TEST_F(LowLevelStoreTest, DestroyingAStoreWithAChainStillOpenThrowsDelResWithRefs) {
  LowLevelStore* store = LowLevelStore::make(path_.c_str(), kTestSignature, 7, _SH_DENYWR);
  std::unique_ptr<Chain> chain = store->alloc(10);
  EXPECT_EQ(1, store->numReferences());
  try {
    delete store;
    FAIL() << "the store was destroyed without complaint";
  } catch (const RefCountingResource::DelResWithRefs& e) {
    EXPECT_STREQ("DelResWithRefs", e.message());
    EXPECT_STREQ("Attempted delete of a resource with references to it", e.kindText());
  }
  // The chain outlives its store; letting it go must not touch the store again
  // (the sanitizer build catches any use of the freed store here).
  chain.reset();
  // The file was closed by the store's teardown: it can be opened exclusively.
  StorePtr again(LowLevelStore::make(path_.c_str(), _O_RDWR, _SH_DENYRW));
  EXPECT_EQ(83u, again->fileSize());
}

TEST_F(LowLevelStoreTest, ExceptionFamilyDescribesItselfByKind) {
  const LowLevelStore::BadHandleException withText("h");
  const LowLevelStore::OutOfRangeException withoutText;
  EXPECT_EQ("Bad handle: h", withText.description());
  EXPECT_EQ("Out of range", withoutText.description());
  typedef LowLevelStore S;
  struct Case {
    std::shared_ptr<const S::StoreException> e;
    const char* kind;
    bool badStream;
    bool badBlock;
  };
  const Case cases[] = {
      {std::make_shared<S::BadSizeException>(), "Bad size", true, false},
      {std::make_shared<S::BadSignatureException>(), "Bad magic cookie", true, false},
      {std::make_shared<S::BadVersionException>(), "Bad version", true, false},
      {std::make_shared<S::BadFreeListPtrException>(), "Bad free list pointer", true, false},
      {std::make_shared<S::BlockHeaderWriteException>(), "Block header write failed", true, false},
      {std::make_shared<S::BlockHeaderReadException>(), "Block header read failed", false, true},
      {std::make_shared<S::BadChainException>(), "Bad Chain", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(c.kind, c.e->kindText());
    EXPECT_EQ(c.badStream, dynamic_cast<const S::BadStreamException*>(c.e.get()) != nullptr)
        << c.kind;
    EXPECT_EQ(c.badBlock, dynamic_cast<const S::BadBlockException*>(c.e.get()) != nullptr)
        << c.kind;
  }
}

}  // namespace
