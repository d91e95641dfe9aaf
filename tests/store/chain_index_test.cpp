// The chain's position index: seeks back to any position of a record of many
// blocks must land where a walk from the first block lands, whatever the record
// went through (writes that lengthen inner blocks, cuts, other chains on the
// same record). Checked against an in-memory model of every record, and the
// index itself against the plain walk of the record in the file. Seeks through
// the index are charged the steps of the plain walk.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/io/share_open.h"
#include "store/chain.h"
#include "store/low_level_store.h"
#include "store_test_support.h"

namespace {

struct Record {
  ULONG handle;
  std::unique_ptr<Chain> chain;
  std::string model;
};

std::string readAt(Chain& chain, LONG pos, int n) {
  std::string back(static_cast<std::size_t>(n), '\0');
  chain.seekg(pos);
  const int got = chain.read(&back[0], n);
  back.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return back;
}

void writeAt(Chain& chain, std::string& model, LONG pos, const std::string& bytes) {
  chain.seekp(pos);
  ASSERT_EQ(static_cast<int>(bytes.size()), chain.write(bytes.data(), static_cast<int>(bytes.size())));
  if (model.size() < pos + bytes.size()) model.resize(pos + bytes.size(), ' ');
  model.replace(static_cast<std::size_t>(pos), bytes.size(), bytes);
}

TEST(ChainIndexTest, RandomSeeksReadsWritesAndCutsMatchAModelOfEveryRecord) {
  StoreScratch scratch;
  const std::string path = scratch.file("index.store");
  StorePtr store(LowLevelStore::make(path.c_str(), kTestSignature, 7, _SH_DENYWR));
  std::mt19937 rng(7);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<Record> records;
  for (int i = 0; i < 4; ++i) {
    Record r;
    r.chain = store->alloc(0);
    r.handle = r.chain->handle();
    records.push_back(std::move(r));
  }
  for (int step = 0; step < 3000; ++step) {
    Record& r = records[static_cast<std::size_t>(pick(0, 3))];
    const int op = pick(0, 9);
    const LONG size = static_cast<LONG>(r.model.size());
    if (op <= 3) {
      // Writes anywhere up to the end (never leaving a gap), interleaved across
      // records so each grows by linking blocks from all over the file.
      const LONG pos = pick(0, size);
      std::string bytes(static_cast<std::size_t>(pick(1, 300)), static_cast<char>('a' + step % 26));
      writeAt(*r.chain, r.model, pos, bytes);
    } else if (op <= 7) {
      const LONG pos = pick(0, size);
      const int n = pick(0, 400);
      ASSERT_EQ(r.model.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(n)),
                readAt(*r.chain, pos, n))
          << "step " << step << " pos " << pos;
      ASSERT_EQ("", r.chain->positionIndex().check(store.get())) << "step " << step;
    } else if (op == 8) {
      const LONG length = pick(0, size);
      r.chain->truncate(length);
      r.model.resize(static_cast<std::size_t>(length));
    } else {
      // A second chain on the same record changes it; the first must notice.
      Chain other(store.get(), r.handle);
      const LONG pos = pick(0, size);
      std::string bytes(static_cast<std::size_t>(pick(1, 200)), 'Z');
      writeAt(other, r.model, pos, bytes);
      if (pick(0, 1) == 0) {
        const LONG length = pick(0, static_cast<int>(r.model.size()));
        other.truncate(length);
        r.model.resize(static_cast<std::size_t>(length));
      }
    }
    if (::testing::Test::HasFatalFailure()) return;
  }
  for (Record& r : records) {
    EXPECT_EQ(static_cast<LONG>(r.model.size()), r.chain->getUserSize());
    Chain fresh(store.get(), r.handle);
    EXPECT_EQ(r.model, readAt(fresh, 0, static_cast<int>(r.model.size()) + 1));
    EXPECT_EQ(records.size(), store->heldRecordCount())
        << "one entry per record, however many chains";
  }
  // A record's entry goes with the last chain on it.
  records.pop_back();
  EXPECT_EQ(records.size(), store->heldRecordCount());
  records.clear();
  EXPECT_EQ(0u, store->heldRecordCount());
}

// The record's blocks as the plain walk from its first block meets them.
struct Walked {
  ULONG handle;
  LONG base;
  LONG length;
};

std::vector<Walked> walkRecord(LowLevelStore& store, ULONG handle) {
  std::vector<Walked> blocks;
  LONG base = 0;
  for (ULONG at = handle; at != 0;) {
    std::unique_ptr<Block> b = store.lowLevelLookup(at);
    blocks.push_back(Walked{at, base, static_cast<LONG>(b->header().length())});
    base += static_cast<LONG>(b->header().length());
    at = b->header().next();
  }
  return blocks;
}

// The ordinal of the block a seek to `pos` stops on: the first whose end reaches pos.
ULONG ordinalOf(const std::vector<Walked>& blocks, LONG pos) {
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    if (pos <= blocks[i].base + blocks[i].length) return static_cast<ULONG>(i);
  }
  return static_cast<ULONG>(blocks.size() - 1);
}

ULONG ordinalOfHandle(const std::vector<Walked>& blocks, ULONG handle) {
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    if (blocks[i].handle == handle) return static_cast<ULONG>(i);
  }
  ADD_FAILURE() << "cursor block " << handle << " is not on the record";
  return 0;
}

// Seeks in every order over a record of several blocks, the second time round
// with every block known to the index: each is charged what the plain walk makes
// (from the first block when going back, else from the cursor's block).
TEST(ChainIndexTest, SeeksAreChargedThePlainWalksStepsWhateverTheIndexKnows) {
  StoreScratch scratch;
  const std::string path = scratch.file("steps.store");
  StorePtr store(LowLevelStore::make(path.c_str(), kTestSignature, 7, _SH_DENYWR));
  std::unique_ptr<Chain> chain = store->alloc(0);
  std::string model;
  // Each write runs past the record's end with another record in the way, so
  // each links a block.
  for (int i = 0; i < 5; ++i) {
    writeAt(*chain, model, static_cast<LONG>(model.size()), std::string(60, static_cast<char>('a' + i)));
    store->alloc(0);
  }
  const std::vector<Walked> blocks = walkRecord(*store, chain->handle());
  ASSERT_GE(blocks.size(), 4u);
  const LONG end = static_cast<LONG>(model.size());
  struct Seek {
    bool put;
    LONG pos;
  };
  const Seek seeks[] = {{false, end}, {false, 0},       {false, end / 2}, {false, end},
                        {false, 1},   {false, end / 2}, {true, end},      {true, 0},
                        {true, end / 3}, {true, end},   {false, end},     {false, 0}};
  for (int round = 0; round < 2; ++round) {
    for (const Seek& s : seeks) {
      const Block* cursor = s.put ? chain->cur_p() : chain->cur_g();
      const ULONG from = ordinalOfHandle(blocks, cursor->handle());
      const LONG now = s.put ? chain->tellp() : chain->tellg();
      const LONG cursorBase = blocks[from].base;
      const ULONG to = ordinalOf(blocks, s.pos);
      const ULONG expected = s.pos < cursorBase ? to : to - from;
      const ULONG before = store->chainStepCount;
      if (s.put) {
        chain->seekp(s.pos);
      } else {
        chain->seekg(s.pos);
      }
      EXPECT_EQ(expected, store->chainStepCount - before)
          << "round " << round << (s.put ? " seekp " : " seekg ") << now << " -> " << s.pos;
      EXPECT_EQ(blocks[to].handle, (s.put ? chain->cur_p() : chain->cur_g())->handle());
    }
    EXPECT_EQ("", chain->positionIndex().check(store.get()));
  }
  // Reading the whole record twice counts the same steps both times.
  ULONG counted[2];
  for (ULONG& steps : counted) {
    const ULONG before = store->chainStepCount;
    EXPECT_EQ(model, readAt(*chain, 0, end + 10));
    steps = store->chainStepCount - before;
  }
  EXPECT_EQ(blocks.size() - 1, counted[0]);
  EXPECT_EQ(counted[0], counted[1]);
}

}  // namespace
