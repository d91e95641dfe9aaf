// Reads and writes of many bytes at once through a stream over a store record:
// whatever path the bytes take past the 256-byte buffer, the record must hold
// exactly what was written, reads must deliver exactly what the record holds,
// and the reader's and writer's positions must stay where the calls left them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "store/chain.h"
#include "store/low_level_store.h"
#include "store/store_stream.h"

namespace {

std::string scratchPath() {
  static int counter = 0;
  const char* dir = std::getenv("TMPDIR");
  std::string base = dir != nullptr && *dir != '\0' ? dir : "/tmp";
  return base + "/bulk-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + ".sto";
}

// Bytes that differ from position to position, so a byte out of place shows.
std::string pattern(size_t n, unsigned seed = 7) {
  std::string s(n, '\0');
  unsigned v = seed;
  for (size_t i = 0; i < n; ++i) {
    v = v * 1103515245u + 12345u;
    s[i] = static_cast<char>('!' + (v >> 16) % 90);
  }
  return s;
}

class StoreStreamBulkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = scratchPath();
    store_ = LowLevelStore::make(path_.c_str(), "#TEST#", 1, 0x40);
  }
  void TearDown() override {
    delete store_;
    std::remove(path_.c_str());
  }
  ULONG newRecord(ULONG userSize = 0) { return store_->alloc(userSize)->handle(); }
  std::string recordBytes(ULONG handle) {
    std::unique_ptr<Chain> chain = store_->lookup(handle);
    std::string out(static_cast<size_t>(chain->getUserSize()), '\0');
    const int n = chain->read(&out[0], static_cast<int>(out.size()));
    out.resize(static_cast<size_t>(n < 0 ? 0 : n));
    return out;
  }

  std::string path_;
  LowLevelStore* store_ = nullptr;
};

TEST_F(StoreStreamBulkTest, LargeWritesAfterPendingBytesReachTheRecordInOrder) {
  // Sizes around the 252-byte data area and well beyond it, after 0 to 251
  // bytes already waiting in the buffer.
  const size_t sizes[] = {251, 252, 253, 503, 504, 505, 4096, 20000};
  const size_t pendings[] = {0, 1, 100, 251};
  for (size_t size : sizes) {
    for (size_t pending : pendings) {
      const ULONG handle = newRecord(64);
      const std::string head = pattern(pending, 3);
      const std::string body = pattern(size, static_cast<unsigned>(size));
      {
        StoreStream s(store_, handle);
        s.write(head.data(), static_cast<std::streamsize>(head.size()));
        s.write(body.data(), static_cast<std::streamsize>(body.size()));
        EXPECT_TRUE(s.good()) << "size " << size << " pending " << pending;
        EXPECT_EQ(static_cast<std::streamoff>(pending + size), static_cast<std::streamoff>(s.tellp()))
            << "size " << size << " pending " << pending;
      }
      const std::string got = recordBytes(handle);
      EXPECT_EQ(head + body, got) << "size " << size << " pending " << pending << ": expected "
                                  << pending + size << " bytes, got " << got.size();
    }
  }
}

TEST_F(StoreStreamBulkTest, LargeReadsDeliverTheRecordFromAnyStartingPoint) {
  const std::string all = pattern(9000);
  const ULONG handle = newRecord();
  {
    StoreStream w(store_, handle);
    w.write(all.data(), static_cast<std::streamsize>(all.size()));
  }
  // (bytes read one at a time first, then one read of `n` bytes)
  const struct {
    size_t first;
    size_t n;
  } cases[] = {{0, 504}, {0, 505}, {0, 9000}, {3, 1000}, {252, 600}, {300, 8700}, {8000, 1000}};
  for (const auto& c : cases) {
    StoreStream s(store_, handle);
    for (size_t i = 0; i < c.first; ++i) ASSERT_EQ(all[i], static_cast<char>(s.get())) << i;
    std::string buf(c.n, '\0');
    s.read(&buf[0], static_cast<std::streamsize>(c.n));
    EXPECT_EQ(static_cast<std::streamsize>(c.n), s.gcount()) << "from " << c.first;
    EXPECT_EQ(all.substr(c.first, c.n), buf) << "from " << c.first << " reading " << c.n;
    EXPECT_EQ(static_cast<std::streamoff>(c.first + c.n), static_cast<std::streamoff>(s.tellg()))
        << "from " << c.first << " reading " << c.n;
  }
}

TEST_F(StoreStreamBulkTest, LargeReadPastTheEndStopsAtTheEndAndKeepsPutback) {
  const std::string all = pattern(3000);
  const ULONG handle = newRecord();
  {
    StoreStream w(store_, handle);
    w.write(all.data(), static_cast<std::streamsize>(all.size()));
  }
  StoreStream s(store_, handle);
  std::string buf(5000, '\0');
  s.read(&buf[0], 5000);
  EXPECT_EQ(3000, s.gcount()) << "only the record's bytes arrive";
  EXPECT_EQ(all, buf.substr(0, 3000));
  EXPECT_TRUE(s.eof());

  // A read that ends inside the record keeps its last bytes for putback.
  s.clear();
  s.seekg(0);
  s.read(&buf[0], 2000);
  ASSERT_EQ(2000, s.gcount());
  EXPECT_TRUE(s.unget().good());
  EXPECT_TRUE(s.unget().good());
  EXPECT_EQ(all[1998], static_cast<char>(s.get())) << "a byte read by the large read";
  EXPECT_EQ(1999, static_cast<int>(s.tellg()));
}

TEST_F(StoreStreamBulkTest, ReaderAndWriterKeepTheirOwnPlacesAcrossLargeTransfers) {
  const std::string first = pattern(2000, 1);
  const std::string second = pattern(1500, 2);
  const ULONG handle = newRecord();
  StoreStream s(store_, handle);
  s.write(first.data(), static_cast<std::streamsize>(first.size()));
  s.seekg(0);
  // The reader takes 10 bytes (buffered), the writer overwrites from 100 on.
  std::string ten(10, '\0');
  s.read(&ten[0], 10);
  EXPECT_EQ(first.substr(0, 10), ten);
  s.seekp(100);
  s.write(second.data(), static_cast<std::streamsize>(second.size()));
  EXPECT_EQ(1600, static_cast<int>(s.tellp()));
  // The reader continues at 10 and sees the overwritten bytes.
  std::string rest(1990, '\0');
  s.read(&rest[0], 1990);
  EXPECT_EQ(1990, s.gcount());
  const std::string expected = first.substr(0, 100) + second + first.substr(1600);
  EXPECT_EQ(expected.substr(10), rest);
  s.flush();
  EXPECT_EQ(expected, recordBytes(handle));
}

}  // namespace
