// Streams over store records: what reaches the record through the buffer, how
// reading and writing positions behave, and what a stream on a bad record does.
#include "store/store_stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kit/error.h"
#include "store/chain.h"
#include "store/low_level_store.h"

namespace {

std::string scratchPath(const char* tag) {
  static int counter = 0;
  const char* dir = std::getenv("TMPDIR");
  std::string base = dir != nullptr && *dir != '\0' ? dir : "/tmp";
  return base + "/" + tag + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter) +
         ".sto";
}

// Records every reported message instead of showing it.
class CapturingHandler : public ErrorHandler {
 public:
  CapturingHandler() { ErrorHandler::setApplicationHandler(this); }
  ~CapturingHandler() override { ErrorHandler::setApplicationHandler(nullptr); }
  int handleError(char kind, const char* text) override {
    seen.emplace_back(kind, text);
    return 0;
  }
  std::vector<std::pair<char, std::string>> seen;
};

class StoreStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = scratchPath("stream");
    store_ = LowLevelStore::make(path_.c_str(), "#TEST#", 1, 0x40);
  }
  void TearDown() override {
    delete store_;
    std::remove(path_.c_str());
  }
  // A new record of `userSize` bytes; returns its handle.
  ULONG newRecord(ULONG userSize = 0) { return store_->alloc(userSize)->handle(); }
  // The record's bytes as a fresh Chain sees them.
  std::string recordBytes(ULONG handle) {
    std::unique_ptr<Chain> chain = store_->lookup(handle);
    std::string out(static_cast<size_t>(chain->getUserSize()), '\0');
    int n = chain->read(&out[0], static_cast<int>(out.size()));
    out.resize(static_cast<size_t>(n < 0 ? 0 : n));
    return out;
  }
  static std::string pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
    return s;
  }

  std::string path_;
  LowLevelStore* store_ = nullptr;
};

}  // namespace

TEST_F(StoreStreamTest, AllBytesReachTheRecordWhenTheStreamGoes) {
  ULONG handle = newRecord();
  const std::string text = pattern(300);
  {
    StoreStream s(store_, handle);
    s.write(text.data(), static_cast<std::streamsize>(text.size()));
    EXPECT_TRUE(s.good());
  }
  EXPECT_EQ(text, recordBytes(handle));

  // The buffer alone flushes when it goes, too.
  ULONG bare = newRecord();
  {
    StoreStreamBuf buf(store_, bare);
    EXPECT_EQ(300, buf.sputn(text.data(), 300));
  }
  EXPECT_EQ(text, recordBytes(bare));
}

TEST_F(StoreStreamTest, DamagedRecordReadsShort) {
  ULONG handle = newRecord();
  newRecord();  // the record cannot grow in place: it gets a second block
  const std::string text = pattern(100);
  {
    StoreStream s(store_, handle);
    s << text;
  }
  delete store_;
  store_ = nullptr;
  {
    // Point the first block's next link into the file header.
    std::fstream f(path_, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(handle + 8);
    f.write("\x08\x00\x00\x00", 4);
  }
  store_ = LowLevelStore::make(path_.c_str(), 2, 0x40);
  StoreStream s(store_, handle);
  std::string back;
  std::getline(s, back, '\0');
  EXPECT_TRUE(s.eof());
  EXPECT_EQ(text.substr(0, 32), back) << "the first block's bytes, then end of file";
}

TEST_F(StoreStreamTest, EveryBufferSizeWritesAndReadsTheSameBytes) {
  struct Case {
    const char* name;
    int length;  // -1: the default buffer
  } cases[] = {{"default", -1}, {"unbuffered", 0}, {"two bytes", 2},
               {"eight bytes", 8}, {"nine bytes", 9}, {"one kilobyte", 1024}};
  const std::string text = pattern(700);
  for (const Case& c : cases) {
    ULONG handle = newRecord();
    std::vector<char> buffer(c.length > 0 ? static_cast<size_t>(c.length) : 1);
    std::unique_ptr<StoreStream> s =
        c.length < 0 ? std::make_unique<StoreStream>(store_, handle)
                     : std::make_unique<StoreStream>(store_, handle,
                                                     c.length > 0 ? buffer.data() : nullptr,
                                                     c.length);
    EXPECT_EQ(c.length == 0, s->storeBuf()->unbuffered()) << c.name;
    s->write(text.data(), static_cast<std::streamsize>(text.size()));
    s->seekg(0);
    std::string back(text.size(), '\0');
    s->read(&back[0], static_cast<std::streamsize>(back.size()));
    EXPECT_EQ(static_cast<std::streamsize>(text.size()), s->gcount()) << c.name;
    EXPECT_EQ(text, back) << c.name << ": read back before the stream went";
    EXPECT_EQ(EOF, s->get()) << c.name << ": end of the record";
    s.reset();
    EXPECT_EQ(text, recordBytes(handle)) << c.name << ": on the record";
  }
}

TEST_F(StoreStreamTest, WriteSeekBackAndRead) {
  ULONG handle = newRecord();
  StoreStream s(store_, handle);
  s << "hello, record";
  s.seekg(0);
  std::string word;
  s >> word;
  EXPECT_EQ("hello,", word);
  EXPECT_EQ(6, static_cast<int>(s.tellg()));

  // Overwriting inside the data, then reading everything again.
  s.seekp(7);
  s << "RECORD";
  s.seekg(0);
  std::string all;
  std::getline(s, all, '\0');
  EXPECT_EQ("hello, RECORD", all);
  EXPECT_EQ(13, static_cast<int>(s.tellp()));
}

TEST_F(StoreStreamTest, ReadAndWritePositionsAreSeparate) {
  ULONG handle = newRecord();
  {
    StoreStream s(store_, handle);
    s << "0123456789";
  }
  StoreStream s(store_, handle);
  char two[2];
  s.read(two, 2);
  EXPECT_EQ('0', two[0]);
  // The writer still stands at 0; the reader keeps its place.
  s << "ab";
  EXPECT_EQ('2', s.get()) << "reading continues after the write";
  s.seekg(0, std::ios::end);
  EXPECT_EQ(10, static_cast<int>(s.tellg()));
  s.flush();
  EXPECT_EQ("ab23456789", recordBytes(handle));
}

TEST_F(StoreStreamTest, EndCountsPendingBytesAndPutbackWorksAcrossRefills) {
  ULONG handle = newRecord();
  StoreStream s(store_, handle);
  s << pattern(600);
  s.seekp(0, std::ios::end);
  EXPECT_EQ(600, static_cast<int>(s.tellp())) << "pending bytes are part of the length";
  s.seekg(0);
  // Read up to the first refill boundary of the 252-byte data area, then unget.
  std::string first(252, '\0');
  s.read(&first[0], 252);
  EXPECT_EQ(pattern(600)[252], static_cast<char>(s.get()));
  EXPECT_TRUE(s.unget().good());
  EXPECT_TRUE(s.unget().good());
  EXPECT_EQ(pattern(600)[251], static_cast<char>(s.get())) << "a byte of the previous refill";
  EXPECT_EQ(252, static_cast<int>(s.tellg()));
}

TEST_F(StoreStreamTest, EmptyRecordAndBadSeeks) {
  ULONG handle = newRecord(40);
  StoreStream s(store_, handle);
  EXPECT_EQ(EOF, s.peek()) << "a record of 0 bytes ends at once";
  s.clear();
  s << "abc";
  s.seekg(3);
  EXPECT_TRUE(s.good()) << "seeking to the very end is allowed";
  s.seekg(4);
  EXPECT_FALSE(s.good()) << "one byte further is not";
  s.clear();
  s.seekg(0);
  EXPECT_EQ('a', s.get()) << "the stream is usable after a refused seek";
  s.seekg(-1, std::ios::cur);
  EXPECT_EQ(0, static_cast<int>(s.tellg()));
  s.seekg(-1, std::ios::cur);
  EXPECT_TRUE(s.fail()) << "a negative position is refused";
}

TEST_F(StoreStreamTest, ClosedBufferReportsEndOfFile) {
  ULONG handle = newRecord();
  StoreStream s(store_, handle);
  s << "xyz";
  EXPECT_EQ(s.storeBuf(), s.storeBuf()->close());
  EXPECT_EQ(nullptr, s.storeBuf()->close()) << "closing twice";
  EXPECT_EQ(EOF, s.get());
  EXPECT_EQ("xyz", recordBytes(handle)) << "close flushed the pending bytes";
  s.clear();
  s << "more";
  s.flush();
  EXPECT_TRUE(s.bad());
}

TEST_F(StoreStreamTest, FreedRecordIsRefusedAtConstruction) {
  ULONG handle = newRecord();
  newRecord();  // keeps the freed block from merging into the end of the file
  store_->free(handle);
  try {
    StoreStream s(store_, handle);
    FAIL() << "a stream opened on a freed record";
  } catch (const LowLevelStore::BadBlockException& e) {
    EXPECT_STREQ("Block has been freed", e.message());
  }
  EXPECT_EQ(0, store_->numReferences()) << "no reference is left behind";
}

TEST_F(StoreStreamTest, LockAndUnlockReportAndChangeNothing) {
  CapturingHandler handler;
  ULONG handle = newRecord();
  StoreStream s(store_, handle);
  s << "kept";
  s.storeBuf()->lock();
  s.storeBuf()->unlock();
  ASSERT_EQ(2u, handler.seen.size());
  for (const auto& seen : handler.seen) {
    EXPECT_EQ('E', seen.first);
    EXPECT_EQ("E: Call on an unimplemented StoreStreamBuf method", seen.second);
  }
  s.seekg(0);
  std::string back;
  s >> back;
  EXPECT_EQ("kept", back);
}
