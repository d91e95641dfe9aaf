// The chain's position index: seeks back to any position of a record of many
// blocks must land where a walk from the first block lands, whatever the record
// went through (writes that lengthen inner blocks, cuts, other chains on the
// same record). Checked against an in-memory model of every record.
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

}  // namespace
