// The chain index of a hash stream kept in a store record must not change what
// the store counts: the same lookups, inserts and removes, run once with the
// index and once without it (every lookup a walk through the stream), leave the
// store's chain-step and chain-open counts equal after every operation. The
// table is a record of many small blocks, interleaved with another record's, so
// that slots and chained entries lie all along it and lookups seek back and on.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/io/share_open.h"
#include "store/chain.h"
#include "store/hash_stream.h"
#include "store/low_level_store.h"
#include "store/store_stream.h"
#include "store/store_stream_buf.h"
#include "store_test_support.h"

namespace {

const WORD kBuckets = 300;
const size_t kEntry = 12;  // a 4-byte key, a 4-byte value and the link

void put32(std::string& s, size_t at, ULONG v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A new table's bytes: header, then every bucket slot empty.
std::string emptyTable() {
  std::string t("#~HS&#", 7);
  t.resize(21 + kBuckets * kEntry, '\0');
  put32(t, 7, 32);
  t[11] = static_cast<char>(kEntry);
  t[13] = 4;
  t[15] = static_cast<char>(kBuckets & 0xFF);
  t[16] = static_cast<char>(kBuckets >> 8);
  for (size_t b = 0; b < kBuckets; ++b) put32(t, 21 + b * kEntry + 8, HashStream::EmptyLink);
  return t;
}

std::string record(ULONG k, ULONG v) {
  std::string r(8, '\0');
  put32(r, 0, k);
  put32(r, 4, v);
  return r;
}

// One store holding the table record and a filler record whose writes come
// between the table's, so that every growth of the table links a new block.
struct Book {
  StorePtr store;
  std::unique_ptr<Chain> filler;
  std::unique_ptr<HashStream> table;
  ULONG tableHandle = 0;

  Book(const std::string& path, size_t budget) {
    store.reset(LowLevelStore::make(path.c_str(), kTestSignature, 7, _SH_DENYWR));
    std::unique_ptr<Chain> record = store->alloc(0);
    const ULONG handle = record->handle();
    tableHandle = handle;
    filler = store->alloc(0);
    const std::string bytes = emptyTable();
    for (size_t at = 0; at < bytes.size(); at += 40) {
      record->write(bytes.data() + at, static_cast<int>(std::min<size_t>(40, bytes.size() - at)));
      grow(24);
    }
    record.reset();
    table = std::make_unique<HashStream>(std::make_unique<StoreStream>(store.get(), handle));
    table->setIndexBudget(budget);
    store->chainStepCount = 0;
    store->chainOpenCount = 0;
  }
  ~Book() {
    table.reset();
    filler.reset();
  }
  void grow(int n) {
    filler->seekp(0, std::ios_base::end);
    filler->write(std::string(static_cast<size_t>(n), 'f').data(), n);
  }
  // What the operation answered, as text.
  std::string run(char op, ULONG k, ULONG v) {
    const std::string key = record(k, 0).substr(0, 4);
    try {
      if (op == 'i') {
        table->insert(record(k, v).data());
        return "inserted";
      }
      if (op == 'r') {
        table->remove(key.data());
        return "removed";
      }
      std::unique_ptr<char[]> e = table->find_noThrow(key.data());
      return e ? std::string(e.get() + 4, 4) : "absent";
    } catch (const HashStream::HashStreamException& e) {
      return e.message();
    }
  }
};

}  // namespace

TEST(HashStreamCountsTest, IndexedLookupsCountAsTheWalkThroughTheStream) {
  // The default budget indexes every bucket; the small one leaves most buckets
  // to the walk, so that indexed and walked lookups follow each other.
  const struct {
    const char* name;
    size_t budget;
  } cases[] = {{"default budget", size_t(32) << 20}, {"budget for ~150 entries", 150 * 48}};
  for (const auto& c : cases) {
    StoreScratch scratch;
    Book indexed(scratch.file("indexed.store"), c.budget);
    Book walked(scratch.file("walked.store"), 0);
    std::mt19937 rng(99);
    for (int step = 0; step < 4000; ++step) {
      const ULONG k = rng() % (kBuckets * 4);
      const ULONG v = rng();
      const unsigned roll = rng() % 20;
      const char op = roll < 9 ? 'i' : roll < 14 ? 'r' : 'f';
      const std::string what = std::string(c.name) + ", step " + std::to_string(step) + " " +
                               op + " " + std::to_string(k);
      ASSERT_EQ(walked.run(op, k, v), indexed.run(op, k, v)) << what;
      ASSERT_EQ(walked.store->chainStepCount, indexed.store->chainStepCount) << what;
      ASSERT_EQ(walked.store->chainOpenCount, indexed.store->chainOpenCount) << what;
      if (step % 7 == 0) {
        walked.grow(20);
        indexed.grow(20);
      }
    }
    EXPECT_GT(indexed.table->indexedEntries(), 0u) << c.name << ": the index was in use";
    EXPECT_GT(walked.store->chainStepCount, 4000u) << c.name << ": the table spans many blocks";
    EXPECT_EQ("", indexed.table->checkChainIndex()) << c.name;
  }
}

TEST(HashStreamCountsTest, ASeriesOfChargedReadsCountsAsTheReadsOneByOne) {
  // Two stores with the same record of many blocks: one charges each series of
  // reads at once, the other read by read. Counts and the cursor must agree
  // after every series, whether the position index knows the blocks (after a
  // read of the whole record) or not yet (a fresh stream).
  StoreScratch scratch;
  Book series(scratch.file("series.store"), 0);
  Book single(scratch.file("single.store"), 0);
  std::mt19937 rng(7);
  const std::streamoff length = 21 + kBuckets * kEntry;
  for (int round = 0; round < 6; ++round) {
    StoreStreamBuf a(series.store.get(), series.tableHandle);
    StoreStreamBuf b(single.store.get(), single.tableHandle);
    if (round % 2 == 1) {
      std::vector<char> all(static_cast<size_t>(length));
      a.readAt(0, all.data(), length);
      b.readAt(0, all.data(), length);
    }
    for (int batch = 0; batch < 300; ++batch) {
      std::vector<std::streamoff> pos(1 + rng() % 8);
      for (auto& p : pos) p = static_cast<std::streamoff>(rng() % (length + 40)) - 2;
      a.chargeReadsAt(pos.data(), pos.size(), kEntry);
      for (std::streamoff p : pos) b.chargeReadAt(p, kEntry);
      std::string what = "round " + std::to_string(round) + ", batch " + std::to_string(batch) + ":";
      for (std::streamoff p : pos) what += " " + std::to_string(p);
      ASSERT_EQ(single.store->chainStepCount, series.store->chainStepCount) << what;
      ASSERT_EQ(b.chain()->tellg(), a.chain()->tellg()) << what;
    }
  }
}

TEST(HashStreamCountsTest, APlannedSeriesCountsAsTheReadsOneByOne) {
  // Series that repeat, grow at their end, or change under a new name, charged
  // through one plan on one store and read by read on the other.
  StoreScratch scratch;
  Book planned(scratch.file("planned.store"), 0);
  Book single(scratch.file("single.store"), 0);
  StoreStreamBuf a(planned.store.get(), planned.tableHandle);
  StoreStreamBuf b(single.store.get(), single.tableHandle);
  const std::streamoff length = 21 + kBuckets * kEntry;
  std::vector<char> all(static_cast<size_t>(length));
  a.readAt(0, all.data(), length);
  b.readAt(0, all.data(), length);
  std::mt19937 rng(11);
  ReadPlan plan;
  uint64_t name = 1;
  std::vector<ULONG> starts;
  for (int round = 0; round < 2000; ++round) {
    const unsigned roll = rng() % 10;
    if (starts.empty() || roll == 0) {  // a new series under a new name
      ++name;
      starts.assign(1 + rng() % 6, 0);
      for (ULONG& s : starts) s = rng() % static_cast<ULONG>(length - kEntry);
    } else if (roll < 3) {  // the same series, one read longer
      starts.push_back(rng() % static_cast<ULONG>(length - kEntry));
    } else if (roll < 5) {  // the cursor elsewhere before the series
      const std::streamoff at = rng() % length;
      a.chargeReadAt(at, kEntry);
      b.chargeReadAt(at, kEntry);
      continue;
    }
    ReadSeries series;
    series.first = starts.data();
    series.count = 1 + rng() % starts.size();
    a.chargePlannedReadsAt(plan, name, series, kEntry);
    for (size_t i = 0; i < series.count; ++i) b.chargeReadAt(starts[i], kEntry);
    const std::string what = "round " + std::to_string(round);
    ASSERT_EQ(single.store->chainStepCount, planned.store->chainStepCount) << what;
    ASSERT_EQ(b.chain()->tellg(), a.chain()->tellg()) << what;
  }
}
