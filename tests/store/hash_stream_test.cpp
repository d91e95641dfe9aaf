// Hash tables kept in an in-memory stream: the bytes they write, replacement,
// chaining, slot moves and recycling, and how they treat damaged streams.
#include "store/hash_stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

ULONG u32At(const std::string& s, size_t pos) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(s.data() + pos);
  return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<ULONG>(u[3]) << 24);
}

WORD u16At(const std::string& s, size_t pos) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(s.data() + pos);
  return static_cast<WORD>(u[0] | (u[1] << 8));
}

void putU32(std::string& s, size_t pos, ULONG v) {
  for (int i = 0; i < 4; ++i) s[pos + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// An 8-byte record: a 4-byte key and a 4-byte value.
std::string record(ULONG key, ULONG value) {
  std::string r(8, '\0');
  putU32(r, 0, key);
  putU32(r, 4, value);
  return r;
}

std::string key(ULONG k) { return record(k, 0).substr(0, 4); }

// A table of 8-byte records on a string stream; `bytes()` shows the stream.
struct Table {
  std::stringstream* ss;
  std::unique_ptr<HashStream> hs;

  explicit Table(WORD buckets) {
    auto s = std::make_unique<std::stringstream>(std::ios::in | std::ios::out | std::ios::binary);
    ss = s.get();
    hs = std::make_unique<HashStream>(std::move(s), buckets, 4, 8);
  }
  // Reopens a table from `bytes`.
  explicit Table(const std::string& bytes) {
    auto s = std::make_unique<std::stringstream>(bytes, std::ios::in | std::ios::out |
                                                            std::ios::binary);
    ss = s.get();
    hs = std::make_unique<HashStream>(std::move(s));
  }
  std::string bytes() const { return ss->str(); }
  void insert(ULONG k, ULONG v) { hs->insert(record(k, v).data()); }
  // The value stored under k, or -1 when absent.
  long long value(ULONG k) {
    std::unique_ptr<char[]> e = hs->find_noThrow(key(k).data());
    if (!e) return -1;
    return u32At(std::string(e.get(), 12), 4);
  }
};

const size_t kHeader = 21;
const size_t kEntry = 12;

std::string openWith(const std::string& bytes) {
  Table t(bytes);
  return t.bytes();
}

}  // namespace

TEST(HashStreamTest, NewTableWritesHeaderAndWholeBucketTable) {
  Table t(4);
  std::string b = t.bytes();
  ASSERT_EQ(kHeader + 4 * kEntry, b.size());
  EXPECT_EQ(std::string("#~HS&#\0", 7), b.substr(0, 7));
  EXPECT_EQ(32u, u32At(b, 7)) << "version";
  EXPECT_EQ(12u, u16At(b, 11)) << "entry size";
  EXPECT_EQ(4u, u16At(b, 13)) << "key size";
  EXPECT_EQ(4u, u16At(b, 15)) << "buckets";
  EXPECT_EQ(0u, u32At(b, 17)) << "free-list head";
  for (size_t i = 0; i < 4; ++i) {
    size_t e = kHeader + i * kEntry;
    EXPECT_EQ(std::string(8, '\0'), b.substr(e, 8)) << "slot " << i;
    EXPECT_EQ(0xFFFFFFFFu, u32At(b, e + 8)) << "slot " << i << " link";
  }
  EXPECT_EQ(21u, t.hs->headerLength());
}

TEST(HashStreamTest, BucketSharingSlotMoveAndRecycling) {
  Table t(64);
  const size_t slot1 = kHeader + 1 * kEntry;
  const size_t overflow = kHeader + 64 * kEntry;
  t.insert(1, 100);
  t.insert(65, 6500);
  std::string b = t.bytes();
  ASSERT_EQ(overflow + kEntry, b.size()) << "65 shares bucket 1 and is appended";
  EXPECT_EQ(overflow, u32At(b, slot1 + 8)) << "slot 1 links to the overflow entry";
  EXPECT_EQ(65u, u32At(b, overflow));
  EXPECT_EQ(0u, u32At(b, overflow + 8));

  t.hs->remove(key(1).data());
  b = t.bytes();
  EXPECT_EQ(65u, u32At(b, slot1)) << "65 moved into the slot";
  EXPECT_EQ(6500u, u32At(b, slot1 + 4));
  EXPECT_EQ(0u, u32At(b, slot1 + 8));
  EXPECT_EQ(overflow, u32At(b, 17)) << "old overflow position is the free-list head";
  EXPECT_EQ(-1, t.value(1));
  EXPECT_EQ(6500, t.value(65));

  t.insert(129, 12900);
  b = t.bytes();
  EXPECT_EQ(overflow + kEntry, b.size()) << "129 reuses the freed position";
  EXPECT_EQ(129u, u32At(b, overflow));
  EXPECT_EQ(overflow, u32At(b, slot1 + 8));
  EXPECT_EQ(0u, u32At(b, 17)) << "free list empty again";
  EXPECT_EQ(12900, t.value(129));
  EXPECT_EQ(6500, t.value(65));
}

TEST(HashStreamTest, ReplaceInPlaceAndRemoveFromChain) {
  Table t(64);
  t.insert(3, 1);
  t.insert(67, 2);
  t.insert(131, 3);
  size_t length = t.bytes().size();
  t.insert(67, 22);
  t.insert(3, 11);
  EXPECT_EQ(length, t.bytes().size()) << "replacing never grows the stream";
  EXPECT_EQ(11, t.value(3));
  EXPECT_EQ(22, t.value(67));

  // Removing the middle of the chain links around it.
  t.hs->remove(key(67).data());
  EXPECT_EQ(-1, t.value(67));
  EXPECT_EQ(11, t.value(3));
  EXPECT_EQ(3, t.value(131));
  EXPECT_EQ(kHeader + 64 * kEntry, u32At(t.bytes(), 17)) << "67's entry is free";

  // Emptying a slot with no chain, then refilling it.
  t.hs->remove(key(131).data());
  t.hs->remove(key(3).data());
  EXPECT_EQ(0xFFFFFFFFu, u32At(t.bytes(), kHeader + 3 * kEntry + 8)) << "slot 3 empty";
  try {
    t.hs->remove(key(3).data());
    FAIL() << "expected NotFound";
  } catch (const HashStream::NotFound& e) {
    EXPECT_STREQ("HashStream::remove::NotFound", e.message());
    EXPECT_STREQ("Key not found", e.kindText());
  }
  try {
    t.hs->find(key(3).data());
    FAIL() << "expected NotFound";
  } catch (const HashStream::NotFound& e) {
    EXPECT_STREQ("HashStream::find::NotFound", e.message());
  }
  t.insert(3, 33);
  EXPECT_EQ(33, t.value(3));
}

TEST(HashStreamTest, ReopenedTableKeepsRecordsAndFreeList) {
  Table t(64);
  for (ULONG k = 0; k < 200; ++k) t.insert(k, k * 7);
  for (ULONG k = 0; k < 200; k += 3) t.hs->remove(key(k).data());
  Table again(t.bytes());
  EXPECT_EQ(64u, again.hs->buckets());
  EXPECT_EQ(t.hs->freeListHead(), again.hs->freeListHead());
  for (ULONG k = 0; k < 200; ++k) {
    EXPECT_EQ(k % 3 == 0 ? -1 : static_cast<long long>(k * 7), again.value(k)) << "key " << k;
  }
  // Refilling recycles every freed overflow entry before growing.
  size_t length = again.bytes().size();
  for (ULONG k = 0; k < 200; k += 3) again.insert(k, 1);
  EXPECT_EQ(length, again.bytes().size());
}

// A table opened from a stream does not measure the stream until it needs its
// end; a new entry must still go after the last one, never over an overflow
// entry, and a walk must still reach every entry.
TEST(HashStreamTest, ReopenedTableAppendsAfterItsLastEntry) {
  // Bucket 7 holds one entry and no chain, so that adding to it looks at no
  // overflow position first; the other buckets have long chains.
  Table t(8);
  std::vector<ULONG> keys = {7};
  for (ULONG k = 0; k < 30; ++k) {
    if (k % 8 != 7) keys.push_back(k);
  }
  for (ULONG k : keys) t.insert(k, k + 1000);
  const size_t length = t.bytes().size();
  ASSERT_EQ(kHeader + 28 * kEntry, length) << "8 bucket entries and 20 overflow entries";
  {
    Table again(t.bytes());
    again.insert(15, 7);
    EXPECT_EQ(length + kEntry, again.bytes().size());
    for (ULONG k : keys) EXPECT_EQ(k + 1000, again.value(k)) << "key " << k;
    EXPECT_EQ(7, again.value(15));
  }
  Table walked(t.bytes());
  int entries = 0;
  walked.hs->enumerate([](const char*, void* n) { return ++*static_cast<int*>(n), 0; }, &entries);
  EXPECT_EQ(28, entries);
}

TEST(HashStreamTest, EnumerateVisitsBucketsThenChainsAndStops) {
  Table t(64);
  std::vector<ULONG> seen;
  auto collect = [](const char* entry, void* ctx) {
    static_cast<std::vector<ULONG>*>(ctx)->push_back(u32At(std::string(entry, 4), 0));
    return 0;
  };
  EXPECT_EQ(0, t.hs->enumerate(collect, &seen));
  EXPECT_TRUE(seen.empty()) << "an empty table makes no callback";

  for (ULONG k : {130u, 2u, 1u, 65u, 66u}) t.insert(k, 0);
  t.hs->enumerate(collect, &seen);
  EXPECT_EQ((std::vector<ULONG>{1, 65, 130, 2, 66}), seen);

  int calls = 0;
  auto stopAtSecond = [](const char*, void* ctx) { return ++*static_cast<int*>(ctx) == 2 ? 7 : 0; };
  EXPECT_EQ(7, t.hs->enumerate(stopAtSecond, &calls));
  EXPECT_EQ(2, calls);
}

TEST(HashStreamTest, HashFunctionByKeySize) {
  struct Case {
    WORD keySize;
    std::string key;
    ULONG bucket;
  } cases[] = {
      {1, "\x05", 5},
      {1, "\xFF", 65535u % 100},  // sign-extended to 16 bits
      {2, std::string("\x34\x12", 2), 0x1234u % 100},
      {3, std::string("\x34\x12\x99", 3), 0x1234u % 100},
      {4, std::string("\x78\x56\x34\x12", 4), 0x12345678u % 100},
      {6, std::string("\x78\x56\x34\x12\xAA\xBB", 6), 0x12345678u % 100},
  };
  for (const Case& c : cases) {
    auto s = std::make_unique<std::stringstream>();
    HashStream hs(std::move(s), 100, c.keySize, 8);
    EXPECT_EQ(c.bucket, hs.doHashFunction(c.key.data())) << "key size " << c.keySize;
  }
}

TEST(HashStreamTest, DamagedHeadersAreRefused) {
  std::string good = Table(4).bytes();
  auto withU16 = [&](size_t pos, WORD v) {
    std::string b = good;
    b[pos] = static_cast<char>(v & 0xFF);
    b[pos + 1] = static_cast<char>(v >> 8);
    return b;
  };
  std::string v33 = good;
  putU32(v33, 7, 33);
  std::string v31 = good;
  putU32(v31, 7, 31);
  std::string badSig = good;
  badSig[1] = '!';
  struct Case {
    const char* name;
    std::string bytes;
    const char* kind;  // nullptr: accepted
    const char* message;
  } cases[] = {
      {"version 33", v33, "Bad version number", "File was created by a more recent software version"},
      {"version 31", v31, nullptr, nullptr},
      {"signature", badSig, "Bad file signature", "Read bad HashStream signature in header"},
      {"no NUL", std::string(100, '#'), "Bad file signature", "Read bad HashStream signature in header"},
      {"empty", "", "Bad file signature", "Read bad HashStream signature in header"},
      {"entry size 0", withU16(11, 0), "Bad file signature", "Read bad HashStream layout in header"},
      {"key size 0", withU16(13, 0), "Bad file signature", "Read bad HashStream layout in header"},
      {"buckets 0", withU16(15, 0), "Bad file signature", "Read bad HashStream layout in header"},
      {"key too long", withU16(13, 9), "Bad file signature", "Read bad HashStream layout in header"},
      {"table beyond stream", withU16(15, 5000), "Bad file signature",
       "Read bad HashStream layout in header"},
      {"table one byte short", good.substr(0, good.size() - 1), "Bad file signature",
       "Read bad HashStream layout in header"},
      {"short header", good.substr(0, 15), "Bad file signature",
       "Read bad HashStream layout in header"},
  };
  for (const Case& c : cases) {
    try {
      openWith(c.bytes);
      EXPECT_EQ(nullptr, c.kind) << c.name << ": accepted";
    } catch (const HashStream::HashStreamException& e) {
      ASSERT_NE(nullptr, c.kind) << c.name << ": refused with " << e.message();
      EXPECT_STREQ(c.kind, e.kindText()) << c.name;
      EXPECT_STREQ(c.message, e.message()) << c.name;
    }
  }
}

TEST(HashStreamTest, DamagedChainsEndLookupsWithoutHanging) {
  Table base(64);
  base.insert(1, 10);
  base.insert(65, 650);
  const size_t overflow = kHeader + 64 * kEntry;
  const std::string good = base.bytes();
  struct Case {
    const char* name;
    size_t at;  // which link to overwrite
    ULONG link;
  } cases[] = {
      {"loop onto itself", overflow + 8, static_cast<ULONG>(overflow)},
      {"outside the stream", overflow + 8, 0x7FFFFFF0u},
      {"off an entry boundary", kHeader + kEntry + 8, static_cast<ULONG>(overflow + 3)},
      {"into the bucket table", overflow + 8, static_cast<ULONG>(kHeader + kEntry)},
  };
  for (const Case& c : cases) {
    std::string b = good;
    putU32(b, c.at, c.link);
    Table t(b);
    EXPECT_EQ(10, t.value(1)) << c.name;
    EXPECT_EQ(-1, t.value(129)) << c.name << ": absent key is not found";
    try {
      t.insert(129, 1);
      ADD_FAILURE() << c.name << ": insert into a damaged chain succeeded";
    } catch (const HashStream::BadChainException& e) {
      EXPECT_STREQ("HashStream::insert::BadChain", e.message()) << c.name;
    }
    int visits = 0;
    t.hs->enumerate([](const char*, void* ctx) { return ++*static_cast<int*>(ctx), 0; }, &visits);
    EXPECT_LE(visits, 3) << c.name << ": enumerate is bounded";
    EXPECT_EQ(-1, t.value(2)) << c.name;
    t.insert(2, 20);  // other buckets still work
    EXPECT_EQ(20, t.value(2)) << c.name;
    EXPECT_EQ("", t.hs->checkChainIndex()) << c.name << ": the index holds what was walked";
  }
}

TEST(HashStreamTest, DamagedFreeListIsDroppedNotFollowed) {
  Table base(64);
  base.insert(1, 10);
  base.insert(65, 650);
  const size_t overflow = kHeader + 64 * kEntry;
  struct Case {
    const char* name;
    ULONG head;
  } cases[] = {
      {"head names a live entry", static_cast<ULONG>(overflow)},
      {"head outside the stream", 0x10000000u},
      {"head in the bucket table", static_cast<ULONG>(kHeader)},
  };
  for (const Case& c : cases) {
    std::string b = base.bytes();
    putU32(b, 17, c.head);
    Table t(b);
    t.insert(129, 1290);
    std::string after = t.bytes();
    EXPECT_EQ(overflow + 2 * kEntry, after.size()) << c.name << ": appended, not recycled";
    EXPECT_EQ(0u, u32At(after, 17)) << c.name << ": list dropped";
    EXPECT_EQ(650, t.value(65)) << c.name;
    EXPECT_EQ(1290, t.value(129)) << c.name;
  }
}

// ---------------------------------------------------------------------------
// The chain index: a table with its index must answer and write exactly as one
// that walks every chain through the stream (index budget 0).

namespace {

struct PosAnswer {
  ULONG pos = 0;
  int found = 0;
  bool empty = false;
  ULONG previous = 0;
  bool damaged = false;
  std::string entry;
};

PosAnswer ask(HashStream& hs, ULONG k) {
  PosAnswer a;
  std::vector<char> entry(hs.entrySize());
  a.pos = hs.findPos(key(k).data(), a.found, a.empty, entry.data(), a.previous, &a.damaged);
  a.entry.assign(entry.data(), entry.size());
  return a;
}

// Same answer; a key absent from a damaged chain only needs to be absent and
// damaged in both (where such a walk stops is no caller's business).
void expectSameAnswer(const PosAnswer& want, const PosAnswer& got, const std::string& what) {
  EXPECT_EQ(want.found, got.found) << what << ": found";
  EXPECT_EQ(want.damaged, got.damaged) << what << ": damaged";
  EXPECT_EQ(want.empty, got.empty) << what << ": empty";
  if (want.found == HashStream::NotFoundHere && want.damaged) return;
  EXPECT_EQ(want.pos, got.pos) << what << ": pos";
  EXPECT_EQ(want.previous, got.previous) << what << ": previous";
  EXPECT_EQ(want.entry, got.entry) << what << ": entry bytes";
}

// What an operation did: its value or the message of what it threw.
std::string outcome(Table& t, char op, ULONG k, ULONG v) {
  try {
    switch (op) {
      case 'i':
        t.insert(k, v);
        return "inserted";
      case 'r':
        t.hs->remove(key(k).data());
        return "removed";
      default:
        return std::to_string(t.value(k));
    }
  } catch (const HashStream::HashStreamException& e) {
    return e.message();
  }
}

std::vector<std::string> enumerated(HashStream& hs) {
  std::vector<std::string> seen;
  hs.enumerate(
      [](const char* entry, void* ctx) {
        static_cast<std::vector<std::string>*>(ctx)->emplace_back(entry, 12);
        return 0;
      },
      &seen);
  return seen;
}

// A table and its twin without the index, driven alike.
struct Twins {
  Table indexed;
  Table walked;
  explicit Twins(WORD buckets) : indexed(buckets), walked(buckets) { walked.hs->setIndexBudget(0); }
  explicit Twins(const std::string& bytes) : indexed(bytes), walked(bytes) {
    walked.hs->setIndexBudget(0);
  }
  void expectSame(char op, ULONG k, ULONG v, const std::string& what) {
    std::string want = outcome(walked, op, k, v);
    EXPECT_EQ(want, outcome(indexed, op, k, v)) << what;
  }
  void expectSameAnswer(ULONG k, const std::string& what) {
    ::expectSameAnswer(ask(*walked.hs, k), ask(*indexed.hs, k), what);
  }
  void expectSameBytes(const std::string& what) {
    ASSERT_EQ(walked.bytes(), indexed.bytes()) << what;
  }
};

}  // namespace

TEST(HashStreamIndexTest, RandomOperationsAnswerAndWriteAsTheStreamWalk) {
  // Few buckets and thousands of keys make long chains; the small budget leaves
  // most buckets to the walk through the stream, beside indexed ones.
  struct Case {
    const char* name;
    size_t budget;
  } cases[] = {{"default budget", size_t(32) << 20}, {"budget for ~300 entries", 300 * 48}};
  for (const Case& c : cases) {
    Twins t(7);
    t.indexed.hs->setIndexBudget(c.budget);
    std::map<ULONG, ULONG> model;
    std::mt19937 rng(12345);
    const ULONG keys = 3000;
    for (int step = 0; step < 12000; ++step) {
      const ULONG k = rng() % keys;
      const ULONG v = rng();
      const unsigned roll = rng() % 10;
      const char op = roll < 5 ? 'i' : roll < 8 ? 'r' : 'f';
      const std::string what = std::string(c.name) + " step " + std::to_string(step) + " " + op +
                               " key " + std::to_string(k);
      const std::string want = op == 'i'   ? "inserted"
                               : op == 'r' ? (model.count(k) ? "removed" : "HashStream::remove::NotFound")
                                           : (model.count(k) ? std::to_string(model[k]) : "-1");
      EXPECT_EQ(want, outcome(t.indexed, op, k, v)) << what << " (indexed)";
      EXPECT_EQ(want, outcome(t.walked, op, k, v)) << what << " (walked)";
      if (op == 'i') model[k] = v;
      if (op == 'r') model.erase(k);
      if (step % 500 == 0) {
        t.expectSameBytes(what);
        EXPECT_EQ("", t.indexed.hs->checkChainIndex()) << what;
        for (ULONG probe = 0; probe < 40; ++probe) t.expectSameAnswer(rng() % keys, what);
      }
      if (::testing::Test::HasFailure()) return;
    }
    t.expectSameBytes(c.name);
    EXPECT_EQ("", t.indexed.hs->checkChainIndex()) << c.name;
    EXPECT_EQ(enumerated(*t.walked.hs), enumerated(*t.indexed.hs)) << c.name;
    EXPECT_GT(t.indexed.hs->indexedEntries(), 0u) << c.name << ": the index was in use";
    EXPECT_EQ(0u, t.walked.hs->indexedEntries()) << c.name;
    // The index stays within its budget (each entry charged at least 12 bytes).
    EXPECT_LE(t.indexed.hs->indexedEntries() * 12, c.budget) << c.name;
  }
}

TEST(HashStreamIndexTest, DamagedChainsAnswerAsTheStreamWalk) {
  // Bucket 1 holds 1 -> 65 -> 129 -> 193 in the slot and overflow entries 0..2;
  // bucket 2 holds 2 -> 66 in the slot and overflow entry 3.
  Table base(64);
  for (ULONG k : {1u, 65u, 129u, 193u, 2u, 66u}) base.insert(k, k * 10);
  const size_t table = kHeader + 64 * kEntry;
  auto at = [&](int i) { return static_cast<ULONG>(table + i * kEntry); };
  auto linkOf = [&](int i) { return table + i * kEntry + 8; };
  const std::string good = base.bytes();
  std::string grown = good;  // one spare entry at the end, for growth cases
  grown += std::string(kEntry, '\0');
  struct Case {
    const char* name;
    std::string bytes;
    size_t at;  // which link to overwrite
    ULONG link;
  } cases[] = {
      {"loop back to the first overflow entry", good, linkOf(2), at(0)},
      {"loop onto itself", good, linkOf(1), at(1)},
      {"tail shared with another bucket", good, linkOf(3), at(1)},
      {"link into the bucket table", good, linkOf(1), static_cast<ULONG>(kHeader)},
      {"link one entry beyond the end", good, linkOf(1), at(4)},
      {"link to a spare entry at the end", grown, linkOf(1), at(4)},
  };
  for (const Case& c : cases) {
    std::string bytes = c.bytes;
    putU32(bytes, c.at, c.link);
    Twins t(bytes);
    // Lookups first, then writes that grow the stream and move entries, with
    // lookups between.
    const struct {
      char op;
      ULONG k;
    } script[] = {{'f', 1},   {'f', 65},  {'f', 129}, {'f', 193}, {'f', 2},   {'f', 66},
                  {'f', 257}, {'i', 257}, {'i', 130}, {'f', 193}, {'i', 194}, {'f', 257},
                  {'r', 65},  {'f', 129}, {'i', 321}, {'r', 1},   {'f', 129}, {'r', 66},
                  {'i', 385}, {'f', 193}, {'r', 2},   {'i', 258}, {'f', 194}};
    for (const auto& s : script) {
      const std::string what = std::string(c.name) + ": " + s.op + " " + std::to_string(s.k);
      t.expectSame(s.op, s.k, 7, what);
      for (ULONG probe : {1u, 65u, 129u, 193u, 257u, 2u, 66u, 130u}) {
        t.expectSameAnswer(probe, what + ", then findPos " + std::to_string(probe));
      }
      t.expectSameBytes(what);
      if (::testing::Test::HasFailure()) return;
    }
  }
}

TEST(HashStreamIndexTest, DamagedFreeListNamingAnotherChainsEntry) {
  // Bucket 2 is 2 -> 66 -> 130 -> 194 in the slot and overflow entries 0..2;
  // removing 130 frees entry 1. A hostile stream puts the freed entry back in
  // bucket 2's chain (66 -> entry 1 -> 194), with 66's key so that it does not
  // look live. The insert that recycles it cuts bucket 2's chain after it, and
  // bucket 2's index must follow.
  Table base(64);
  for (ULONG k : {2u, 66u, 130u, 194u, 1u}) base.insert(k, k);
  base.hs->remove(key(130).data());
  const size_t table = kHeader + 64 * kEntry;
  std::string bytes = base.bytes();
  ASSERT_EQ(table + kEntry, u32At(bytes, 17)) << "entry 1 heads the free list";
  putU32(bytes, table + 8, static_cast<ULONG>(table + kEntry));
  putU32(bytes, table + kEntry, 66);
  putU32(bytes, table + kEntry + 8, static_cast<ULONG>(table + 2 * kEntry));
  Twins t(bytes);
  for (ULONG probe : {2u, 66u, 194u}) t.expectSameAnswer(probe, "before");
  t.expectSame('i', 65, 1, "insert recycling the shared entry");
  t.expectSameBytes("after the insert");
  for (ULONG probe : {1u, 65u, 2u, 66u, 194u, 130u}) {
    t.expectSameAnswer(probe, "after, findPos " + std::to_string(probe));
  }
  EXPECT_EQ(-1, t.indexed.value(194)) << "cut off bucket 2's chain";
  t.expectSame('i', 258, 1, "insert into bucket 2");
  t.expectSameBytes("after");
}

TEST(HashStreamIndexTest, EntryChangedBehindTheTablesBackIsWalkedAgain) {
  Table t(64);
  for (ULONG k : {1u, 65u, 129u}) t.insert(k, k);
  EXPECT_EQ(65, t.value(65));  // bucket 1 indexed
  // Overwrite 65's key with 193 through the stream itself.
  const size_t first = kHeader + 64 * kEntry;
  t.ss->seekp(static_cast<std::streamoff>(first));
  t.ss->write(key(193).data(), 4);
  t.ss->flush();
  EXPECT_EQ(-1, t.value(65)) << "the entry read no longer carries 65";
  EXPECT_EQ(65, t.value(193)) << "the chain was walked again";
  EXPECT_EQ(129, t.value(129));
}

namespace {

// A string stream whose writes can be made to fail, as a store stream's do when
// its file refuses them.
struct FailingStream : std::iostream {
  struct Buf : std::stringbuf {
    bool failing = false;
    std::streamsize xsputn(const char* s, std::streamsize n) override {
      return failing ? 0 : std::stringbuf::xsputn(s, n);
    }
  } buf;
  FailingStream() : std::iostream(nullptr) {
    buf = Buf();
    init(&buf);
  }
};

}  // namespace

TEST(HashStreamIndexTest, FailedWritesLeaveLookupsToTheStream) {
  auto owned = std::make_unique<FailingStream>();
  FailingStream* s = owned.get();
  HashStream hs(std::move(owned), 64, 4, 8);
  auto valueOf = [&](ULONG k) -> long long {
    std::unique_ptr<char[]> e = hs.find_noThrow(key(k).data());
    return e ? static_cast<long long>(u32At(std::string(e.get(), 12), 4)) : -1;
  };
  for (ULONG k : {1u, 65u, 129u}) hs.insert(record(k, k).data());
  ASSERT_EQ(65, valueOf(65));
  const std::string before = s->buf.str();

  // Neither the removal nor the insert reaches the stream.
  s->buf.failing = true;
  hs.remove(key(65).data());
  hs.remove(key(1).data());
  hs.insert(record(193, 193).data());
  s->buf.failing = false;
  ASSERT_EQ(before, s->buf.str());
  for (ULONG k : {1u, 65u, 129u}) EXPECT_EQ(static_cast<long long>(k), valueOf(k)) << "key " << k;
  EXPECT_EQ(-1, valueOf(193));

  // Nor the free-list head: nothing is recycled over a live entry.
  hs.insert(record(257, 257).data());
  for (ULONG k : {1u, 65u, 129u, 257u}) {
    EXPECT_EQ(static_cast<long long>(k), valueOf(k)) << "key " << k << " after a new insert";
  }
  EXPECT_EQ(0u, u32At(s->buf.str(), 17)) << "free-list head";
}

TEST(HashStreamTest, EnumerateSeesWritesMadeByItsCallback) {
  // Bucket 2 gains a chained record while bucket 1 is being visited, and bucket
  // 3 loses its record: the walk reads the table as it is when it gets there.
  Table t(64);
  for (ULONG k : {1u, 2u, 3u}) t.insert(k, 0);
  struct Context {
    Table* table;
    std::vector<ULONG> seen;
  } ctx{&t, {}};
  t.hs->enumerate(
      [](const char* entry, void* p) {
        Context* c = static_cast<Context*>(p);
        const ULONG k = u32At(std::string(entry, 4), 0);
        c->seen.push_back(k);
        if (k == 1) {
          c->table->insert(66, 0);
          c->table->hs->remove(key(3).data());
        }
        return 0;
      },
      &ctx);
  EXPECT_EQ((std::vector<ULONG>{1, 2, 66}), ctx.seen);
}
