// The middle-level store as the book database uses it: the bytes of the ID table
// on disk, handing out IDs, facets and flags, reopening, enumeration, and what a
// damaged ID table or facet handle does.
#include "store/middle_level_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kit/error.h"
#include "store/chain.h"
#include "store/middle_level_file_header.h"
#include "store/ml_store_handle.h"

namespace {

const char kBookSignature[] = "#NXST#";
const ULONG kBookVersion = 1568;
const int kOpenReadWrite = 2;
const int kShareDenyWrite = 0x20;

std::string scratchPath(const char* tag) {
  static int counter = 0;
  const char* dir = std::getenv("TMPDIR");
  std::string base = dir != nullptr && *dir != '\0' ? dir : "/tmp";
  return base + "/" + tag + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter) +
         ".tvx";
}

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void patchFile(const std::string& path, size_t pos, const std::string& bytes) {
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(static_cast<std::streamoff>(pos));
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

ULONG u32At(const std::string& s, size_t pos) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(s.data() + pos);
  return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<ULONG>(u[3]) << 24);
}

WORD u16At(const std::string& s, size_t pos) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(s.data() + pos);
  return static_cast<WORD>(u[0] | (u[1] << 8));
}

std::string le32(ULONG v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
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

// Offsets in a book file: the header holds "#NXST#" and "#MLS#".
const size_t kIndexHandleField = 4 + 7 + 4 + 6 + 4 + 4;  // 29
const size_t kNextIDField = kIndexHandleField + 4;        // 33
const size_t kBlockHeader = 18;
const size_t kHashHeader = 21;

class MiddleLevelStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { path_ = scratchPath("mls"); }
  void TearDown() override {
    close();
    std::remove(path_.c_str());
  }
  void makeBook(int facets = 6, int buckets = 128) {
    store_ = MiddleLevelStore::make(path_.c_str(), kBookSignature, kBookVersion, facets,
                                    kShareDenyWrite, buckets);
  }
  void reopen() {
    close();
    store_ = MiddleLevelStore::make(path_.c_str(), kOpenReadWrite, kShareDenyWrite);
  }
  void close() {
    delete store_;
    store_ = nullptr;
  }
  std::string readFacet(ULONG id, int facet) {
    std::unique_ptr<StoreStream> s = store_->find(id, facet);
    std::string text;
    std::getline(*s, text, '\0');
    return text;
  }
  void writeFacet(ULONG id, int facet, const std::string& text) {
    std::unique_ptr<StoreStream> s = store_->insert(id, facet, 0);
    *s << text;
  }

  std::string path_;
  MiddleLevelStore* store_ = nullptr;
};

}  // namespace

TEST_F(MiddleLevelStoreTest, BookSettingsOnTheBytesOfTheFile) {
  makeBook();
  EXPECT_EQ(6, store_->facets());
  for (ULONG id : {5u, 133u, 7u}) {
    ULONG requested = id;
    store_->createID(1, &requested);
  }
  store_->setFlags(7, 0xABCD);
  ULONG index = store_->mlHeader()->indexHandle();
  close();

  const std::string b = fileBytes(path_);
  EXPECT_EQ(kNextIDField + 4, u32At(b, 0)) << "header size covers both extension fields";
  EXPECT_EQ(index, u32At(b, kIndexHandleField));
  EXPECT_EQ(134u, u32At(b, kNextIDField)) << "next ID";
  EXPECT_EQ(4864u + 22, u32At(b, index)) << "index block: 4864 user bytes";
  EXPECT_EQ(4864u, u32At(b, index + 12)) << "index extension size";

  const size_t table = index + kBlockHeader;
  EXPECT_EQ(std::string("#~HS&#\0", 7), b.substr(table, 7));
  EXPECT_EQ(36u, u16At(b, table + 11)) << "hash entry: 32-byte record and link";
  EXPECT_EQ(4u, u16At(b, table + 13));
  EXPECT_EQ(128u, u16At(b, table + 15));
  const size_t overflow = kHashHeader + 4608;
  EXPECT_EQ(overflow + 36, u32At(b, index + 4)) << "record length: table and one overflow";

  // ID n in bucket n mod 128; 133 shares bucket 5 and is chained after it.
  const size_t slot5 = table + kHashHeader + 5 * 36;
  EXPECT_EQ(5u, u32At(b, slot5));
  EXPECT_EQ(1u, u32At(b, slot5 + 4)) << "kind";
  for (int f = 0; f < 6; ++f) EXPECT_EQ(0u, u32At(b, slot5 + 8 + 4 * f)) << "facet " << f;
  EXPECT_EQ(overflow, u32At(b, slot5 + 32)) << "link to 133";
  EXPECT_EQ(133u, u32At(b, table + overflow));
  EXPECT_EQ(0u, u32At(b, table + overflow + 32));
  const size_t slot7 = table + kHashHeader + 7 * 36;
  EXPECT_EQ(7u, u32At(b, slot7));
  EXPECT_EQ(0xABCDu, u32At(b, slot7 + 4));
  EXPECT_EQ(0xFFFFFFFFu, u32At(b, table + kHashHeader + 6 * 36 + 32)) << "bucket 6 empty";
}

TEST_F(MiddleLevelStoreTest, IDsComeFromTheCounterOrTheCaller) {
  makeBook();
  EXPECT_EQ(0u, store_->createID(1));
  EXPECT_EQ(1u, store_->createID(1));
  ULONG ten = 10, five = 5;
  EXPECT_EQ(10u, store_->createID(2, &ten));
  EXPECT_EQ(11u, store_->createID(1));
  EXPECT_EQ(5u, store_->createID(2, &five));
  EXPECT_EQ(12u, store_->mlHeader()->nextID()) << "a lower request leaves the counter";
  EXPECT_EQ(11u, store_->highestID());
  EXPECT_EQ(2u, store_->getFlags(5));

  // Asking for an existing ID changes nothing.
  writeFacet(10, 1, "page ten");
  std::unique_ptr<ULONG[]> before = store_->getHashRec(10);
  try {
    store_->createID(7, &ten);
    FAIL() << "an existing ID was handed out again";
  } catch (const MiddleLevelStore::IDAlreadyExists& e) {
    EXPECT_STREQ("IDAlreadyExists", e.message());
    EXPECT_EQ("ID already exists: IDAlreadyExists", e.description());
  }
  std::unique_ptr<ULONG[]> after = store_->getHashRec(10);
  for (int w = 0; w < 8; ++w) EXPECT_EQ(before[w], after[w]) << "word " << w;
  EXPECT_EQ(12u, store_->mlHeader()->nextID());
  EXPECT_EQ("page ten", readFacet(10, 1));

  // The counter is re-read from the file: a second store object on the same
  // file continues from it.
  store_->mlHeader()->setNextID(40);
  EXPECT_EQ(40u, store_->createID(1));
}

TEST_F(MiddleLevelStoreTest, CounterNeverOverwritesAnExistingID) {
  makeBook();
  ULONG twenty = 20;
  store_->createID(1, &twenty);
  writeFacet(20, 0, "kept");
  store_->mlHeader()->setNextID(20);  // as a damaged header would say
  EXPECT_THROW(store_->createID(1), MiddleLevelStore::IDAlreadyExists);
  EXPECT_EQ("kept", readFacet(20, 0));
  EXPECT_EQ(21u, store_->createID(1)) << "the counter moved on";
}

TEST_F(MiddleLevelStoreTest, FacetAndBucketCountsAreClamped) {
  struct Case {
    int facets, buckets;
    int wantFacets, wantBuckets;
  } cases[] = {{0, 128, 1, 128}, {-3, 10, 1, 64}, {6, 10000, 6, 4096},
               {1, 64, 1, 64},   {2, 4096, 2, 4096}};
  for (const Case& c : cases) {
    makeBook(c.facets, c.buckets);
    EXPECT_EQ(c.wantFacets, store_->facets()) << c.facets << " facets";
    EXPECT_EQ(c.wantBuckets, store_->idTable()->buckets()) << c.buckets << " buckets";
    ULONG id = store_->createID(3);
    writeFacet(id, c.wantFacets - 1, "last facet");
    reopen();
    EXPECT_EQ(c.wantFacets, store_->facets()) << "reopened, " << c.facets << " facets";
    EXPECT_EQ(c.wantBuckets, store_->idTable()->buckets());
    EXPECT_EQ("last facet", readFacet(id, c.wantFacets - 1));
    close();
    std::remove(path_.c_str());
  }
}

TEST_F(MiddleLevelStoreTest, FacetsInsertFindAndRemove) {
  makeBook();
  ULONG id = store_->createID(1);
  EXPECT_TRUE(store_->isFacetEmpty(id, 1));
  ULONG handle;
  {
    std::unique_ptr<StoreStream> s = store_->insert(id, 1, 1024);
    handle = s->handle();
    *s << "body";
  }
  EXPECT_EQ(handle, store_->getFacet(id, 1));
  {
    std::unique_ptr<StoreStream> again = store_->insert(id, 1, 1024);
    EXPECT_EQ(handle, again->handle()) << "a second insert opens the same record";
  }
  EXPECT_FALSE(store_->isFacetEmpty(id, 1));
  EXPECT_EQ("body", readFacet(id, 1));

  try {
    store_->find(id, 2);
    FAIL() << "find on an empty facet";
  } catch (const MiddleLevelStore::FacetNotFound& e) {
    EXPECT_STREQ("MiddleLevelStore::find::FacetNotFound", e.message());
    EXPECT_STREQ("Facet not found", e.kindText());
  }
  EXPECT_EQ(nullptr, store_->find_noThrow(id, 2));
  store_->remove(id, 2);  // an empty facet: only stores 0
  EXPECT_EQ(0u, store_->getFacet(id, 2));

  store_->remove(id, 1);
  EXPECT_TRUE(store_->isFacetEmpty(id, 1));
  try {
    store_->makeStream(handle);
    FAIL() << "a stream on the removed record";
  } catch (const LowLevelStore::BadBlockException& e) {
    EXPECT_STREQ("Block has been freed", e.message());
  }
}

TEST_F(MiddleLevelStoreTest, UnknownIDsAndFacetNumbers) {
  makeBook();
  ULONG id = store_->createID(1);
  auto expectThrow = [](const char* what, const char* kind, const char* message,
                        const std::function<void()>& call) {
    try {
      call();
      ADD_FAILURE() << what << ": no exception";
    } catch (const ErrorMsgException& e) {
      EXPECT_STREQ(kind, e.kindText()) << what;
      EXPECT_STREQ(message, e.message()) << what;
    }
  };
  expectThrow("getHashRec", "Key not found", "HashStream::find::NotFound",
              [&] { store_->getHashRec(99); });
  expectThrow("getFlags", "Key not found", "HashStream::find::NotFound",
              [&] { store_->getFlags(99); });
  expectThrow("getFacet", "Key not found", "MiddleLevelStore::getFacet::NotFound",
              [&] { store_->getFacet(99, 0); });
  expectThrow("insert", "Key not found", "MiddleLevelStore::getFacet::NotFound",
              [&] { store_->insert(99, 0, 10); });
  expectThrow("find", "Key not found", "MiddleLevelStore::getFacet::NotFound",
              [&] { store_->find(99, 0); });
  expectThrow("remove facet", "Key not found", "MiddleLevelStore::getFacet::NotFound",
              [&] { store_->remove(99, 0); });
  expectThrow("remove ID", "Key not found", "HashStream::find::NotFound",
              [&] { store_->remove(99); });
  expectThrow("facet 6", "Facet not found", "MiddleLevelStore::getFacet::BadFacet",
              [&] { store_->getFacet(id, 6); });
  expectThrow("facet -1", "Facet not found", "MiddleLevelStore::getFacet::BadFacet",
              [&] { store_->insert(id, -1, 10); });
  EXPECT_EQ(nullptr, store_->getHashRec_noThrow(99));
  EXPECT_EQ(0u, store_->getFacet_noThrow(99, 0));
  EXPECT_EQ(0u, store_->getFacet_noThrow(id, 6));
  EXPECT_TRUE(store_->isFacetEmpty(99, 0));
  EXPECT_TRUE(store_->isFacetEmpty(id, 100));
  EXPECT_EQ(nullptr, store_->find_noThrow(99, 0));
}

TEST_F(MiddleLevelStoreTest, RemovingAnIDFreesItsRecordsForReuse) {
  makeBook();
  ULONG a = store_->createID(1);
  ULONG b = store_->createID(1);
  writeFacet(a, 0, std::string(500, 'a'));
  writeFacet(a, 3, std::string(300, 'c'));
  writeFacet(b, 0, "b");
  store_->remove(a);
  EXPECT_EQ(nullptr, store_->getHashRec_noThrow(a));
  EXPECT_EQ("b", readFacet(b, 0));
  store_->commit();
  const size_t length = fileBytes(path_).size();
  ULONG c = store_->createID(1);
  EXPECT_EQ(2u, c) << "removed IDs are not handed out again";
  writeFacet(c, 0, std::string(400, 'n'));
  store_->commit();
  EXPECT_EQ(length, fileBytes(path_).size()) << "the freed space was reused";
}

TEST_F(MiddleLevelStoreTest, ReopenedStoreReturnsEveryRecordAndID) {
  makeBook();
  std::vector<ULONG> ids;
  for (int i = 0; i < 300; ++i) {
    ULONG id = store_->createID(static_cast<ULONG>(i % 3 + 1));
    ids.push_back(id);
    if (i % 4 == 0) writeFacet(id, i % 6, "entry " + std::to_string(i));
  }
  for (int i = 0; i < 300; i += 7) store_->remove(ids[i]);

  auto check = [&](const char* when) {
    for (int i = 0; i < 300; ++i) {
      std::unique_ptr<ULONG[]> rec = store_->getHashRec_noThrow(ids[i]);
      if (i % 7 == 0) {
        EXPECT_EQ(nullptr, rec) << when << ": removed " << i;
        continue;
      }
      ASSERT_NE(nullptr, rec) << when << ": ID " << ids[i];
      EXPECT_EQ(static_cast<ULONG>(i % 3 + 1), rec[1]) << when << ": flags of " << i;
      if (i % 4 == 0) {
        EXPECT_EQ("entry " + std::to_string(i), readFacet(ids[i], i % 6)) << when;
      }
    }
    EXPECT_EQ(300u, store_->mlHeader()->nextID()) << when;
  };
  check("open");
  store_->commit();
  check("after commit");
  reopen();
  check("after reopening");
}

TEST_F(MiddleLevelStoreTest, EnumerationSelectsByFacetAndMask) {
  makeBook();
  for (ULONG i = 0; i < 6; ++i) {
    ULONG id = store_->createID(i % 2 == 0 ? 1 : 2);
    if (i < 4) writeFacet(id, 1, "body" + std::to_string(i));
  }
  struct Seen {
    std::vector<ULONG> ids;
    std::vector<std::string> bodies;
  };
  auto collect = [](std::iostream* s, ULONG id, ULONG, void* ctx) {
    Seen* seen = static_cast<Seen*>(ctx);
    seen->ids.push_back(id);
    std::string body = "-";
    if (s != nullptr) std::getline(*s, body, '\0');
    seen->bodies.push_back(body);
    return 0;
  };
  struct Case {
    ULONG mask;
    std::vector<ULONG> ids;
  } cases[] = {
      {0, {0, 1, 2, 3, 4, 5}},  // every record, facet or not
      {0xFFFFFFFFu, {0, 1, 2, 3}},  // every record with the facet
      {2, {1, 3}},                  // with the facet and flag 2
  };
  for (const Case& c : cases) {
    Seen seen;
    EXPECT_EQ(0, store_->enumerate(collect, &seen, 1, c.mask));
    EXPECT_EQ(c.ids, seen.ids) << "mask " << c.mask;
    for (size_t k = 0; k < seen.ids.size(); ++k) {
      EXPECT_EQ(seen.ids[k] < 4 ? "body" + std::to_string(seen.ids[k]) : "-", seen.bodies[k]);
    }
  }
  EXPECT_EQ(1, store_->numReferences()) << "only the ID table's stream is open";

  // The handle form selects by flags only, and stops on a non-zero result.
  std::vector<ULONG> flagged;
  store_->enumerate(
      [](MLStoreHandle& h, void* ctx) {
        static_cast<std::vector<ULONG>*>(ctx)->push_back(h.getID());
        return h.getID() == 4 ? 9 : 0;
      },
      &flagged, 1, 1);
  EXPECT_EQ((std::vector<ULONG>{0, 2, 4}), flagged);
}

TEST_F(MiddleLevelStoreTest, EnumerationGoesOnPastABadFacet) {
  CapturingHandler handler;
  makeBook();
  for (int i = 0; i < 3; ++i) writeFacet(store_->createID(1), 0, "ok");
  const ULONG freed = store_->alloc(10)->handle();
  store_->alloc(10);  // keeps the freed block apart from the end of the file
  store_->free(freed);
  store_->updateHashRec(1, 0, freed);

  std::vector<ULONG> visited;
  store_->enumerate(
      [](std::iostream*, ULONG id, ULONG, void* ctx) {
        static_cast<std::vector<ULONG>*>(ctx)->push_back(id);
        return 0;
      },
      &visited, 0, 0xFFFFFFFFu);
  EXPECT_EQ((std::vector<ULONG>{0, 2}), visited) << "the visit of 1 failed quietly";
  EXPECT_TRUE(handler.seen.empty());

  visited.clear();
  store_->enumerate(
      [](MLStoreHandle& h, void* ctx) {
        std::unique_ptr<StoreStream> s = h.getFacet(0);
        static_cast<std::vector<ULONG>*>(ctx)->push_back(h.getID());
        return 0;
      },
      &visited, 0, 0);
  EXPECT_EQ((std::vector<ULONG>{0, 2}), visited);
  ASSERT_EQ(1u, handler.seen.size());
  EXPECT_EQ('W', handler.seen[0].first);
  EXPECT_EQ("W: Exception detected in store access: Block has been freed",
            handler.seen[0].second);
}

TEST_F(MiddleLevelStoreTest, NestedEnumerationKeepsTheOuterSelection) {
  makeBook();
  for (int i = 0; i < 4; ++i) store_->createID(i < 2 ? 1 : 2);
  struct Ctx {
    MiddleLevelStore* store;
    std::vector<ULONG> outer;
    int inner = 0;
  } ctx{store_, {}, 0};
  store_->enumerate(
      [](MLStoreHandle& h, void* p) {
        Ctx* c = static_cast<Ctx*>(p);
        c->outer.push_back(h.getID());
        c->store->enumerate(
            [](MLStoreHandle&, void* q) { return ++*static_cast<int*>(q), 0; }, &c->inner, 0, 2);
        return 0;
      },
      &ctx, 0, 1);
  EXPECT_EQ((std::vector<ULONG>{0, 1}), ctx.outer);
  EXPECT_EQ(4, ctx.inner);
}

TEST_F(MiddleLevelStoreTest, HandleViewOfARecord) {
  makeBook();
  ULONG id = store_->createID(0x11);
  writeFacet(id, 5, "five");
  MLStoreHandle h(store_, id);
  EXPECT_EQ(id, h.getID());
  EXPECT_EQ(0x11u, h.getFlags());
  EXPECT_EQ(6, h.facets());
  EXPECT_TRUE(h.isFacetEmpty(0));
  EXPECT_FALSE(h.isFacetEmpty(5));
  EXPECT_TRUE(h.isFacetEmpty(6));
  EXPECT_TRUE(h.isFacetEmpty(-1));
  EXPECT_EQ(nullptr, h.getFacet(0));
  EXPECT_EQ(nullptr, h.getFacet(6));
  std::unique_ptr<StoreStream> s = h.getFacet(5);
  ASSERT_NE(nullptr, s);
  std::string text;
  *s >> text;
  EXPECT_EQ("five", text);
  EXPECT_THROW({ MLStoreHandle unknown(store_, 77); }, HashStream::NotFound);
}

TEST_F(MiddleLevelStoreTest, BadFacetHandlesAreRefused) {
  makeBook();
  ULONG id = store_->createID(1);
  const ULONG index = store_->mlHeader()->indexHandle();
  struct Case {
    const char* name;
    ULONG handle;
    const char* kind;
    const char* message;
  } cases[] = {
      {"in the header", 8, "Bad handle",
       "Out-of-range handle received as parameter to lookup, handle is in store header"},
      {"the ID table", index, "Bad handle", "Handle names the ID table"},
  };
  for (const Case& c : cases) {
    store_->updateHashRec(id, 2, c.handle);
    for (int op = 0; op < 3; ++op) {
      try {
        if (op == 0) store_->find(id, 2);
        if (op == 1) store_->insert(id, 2, 10);
        if (op == 2) store_->remove(id, 2);
        ADD_FAILURE() << c.name << ", operation " << op << ": accepted";
      } catch (const LowLevelStore::StoreException& e) {
        EXPECT_STREQ(c.kind, e.kindText()) << c.name << ", operation " << op;
        EXPECT_STREQ(c.message, e.message()) << c.name << ", operation " << op;
      }
    }
    EXPECT_EQ(nullptr, store_->find_noThrow(id, 2)) << c.name;
  }
  // The table itself is untouched.
  store_->updateHashRec(id, 2, 0);
  EXPECT_EQ(1u, store_->getFlags(id));
}

TEST_F(MiddleLevelStoreTest, DamagedIDTablesAreRefusedOnOpening) {
  makeBook();
  store_->createID(1);
  const ULONG index = store_->mlHeader()->indexHandle();
  close();
  const std::string good = fileBytes(path_);
  const size_t table = index + kBlockHeader;
  struct Case {
    const char* name;
    size_t at;
    std::string bytes;
    const char* kind;
    const char* message;
  } cases[] = {
      {"hash stream version 33", table + 7, le32(33), "Bad version number",
       "File was created by a more recent software version"},
      {"hash signature", table, "#~HX", "Bad file signature",
       "Read bad HashStream signature in header"},
      {"entry size 0", table + 11, std::string(2, '\0'), "Bad file signature",
       "Read bad HashStream layout in header"},
      {"key size 2", table + 13, std::string("\x02\x00", 2), "Bad file signature",
       "ID table has a bad record layout"},
      {"entry size 10", table + 11, std::string("\x0A\x00", 2), "Bad file signature",
       "ID table has a bad record layout"},
      {"bucket table longer than the record", table + 15, std::string("\xFF\xFF", 2),
       "Bad file signature", "Read bad HashStream layout in header"},
      {"index handle 0", kIndexHandleField, le32(0), "Bad handle",
       "Out-of-range handle received as parameter to lookup, handle is in store header"},
  };
  for (const Case& c : cases) {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << good;
    patchFile(path_, c.at, c.bytes);
    try {
      reopen();
      ADD_FAILURE() << c.name << ": opened";
    } catch (const ErrorMsgException& e) {
      EXPECT_STREQ(c.kind, e.kindText()) << c.name;
      EXPECT_STREQ(c.message, e.message()) << c.name;
    }
    EXPECT_EQ(nullptr, store_) << c.name;
  }
  std::ofstream(path_, std::ios::binary | std::ios::trunc) << good;
  reopen();
  EXPECT_EQ(1u, store_->getFlags(0)) << "the undamaged file still opens";
}

// Small records are read in one go without a stream; what comes back must be
// what a stream on the record reads, for records of one block or several, with
// changes not yet written back, and a damaged block must be refused as a lookup
// refuses it.
TEST_F(MiddleLevelStoreTest, ReadRecordStartReadsWhatAStreamReadsAndRefusesDamagedBlocks) {
  makeBook();
  auto streamBytes = [&](ULONG handle, std::size_t n) {
    std::unique_ptr<StoreStream> s = store_->makeStream(handle);
    std::string bytes(n, '\0');
    s->read(&bytes[0], static_cast<std::streamsize>(n));
    bytes.resize(static_cast<std::size_t>(s->gcount()));
    return bytes;
  };
  auto check = [&](ULONG id, const char* what) {
    const ULONG handle = store_->getFacet(id, 2);
    for (int n : {1, 10, 300, 480, 8000}) {
      std::string got(static_cast<std::size_t>(n), '\0');
      const int count = store_->readRecordStart(handle, &got[0], n);
      got.resize(static_cast<std::size_t>(count));
      EXPECT_EQ(streamBytes(handle, static_cast<std::size_t>(n)), got) << what << ", " << n;
    }
  };
  std::vector<ULONG> ids;
  for (std::size_t length : {1u, 31u, 200u, 460u, 600u, 5000u}) {
    ids.push_back(store_->createID(1));
    writeFacet(ids.back(), 2, std::string(length, static_cast<char>('a' + ids.size())));
  }
  // A record that grows after another was made behind it takes a second block.
  writeFacet(ids[0], 2, std::string(700, 'z'));
  for (int round = 0; round < 2; ++round) {
    for (ULONG id : ids) check(id, round == 0 ? "as written" : "reopened");
    reopen();
  }

  // Damage on disk, each refused as before.
  const ULONG handle = store_->getFacet(ids[1], 2);
  const std::string original = fileBytes(path_).substr(handle, 18);
  const ULONG blockSize = u32At(original, 0);
  const WORD marks = u16At(original, 16);
  const struct {
    const char* name;
    size_t at;
    std::string bytes;
    const char* message;
  } damage[] = {
      {"trailer", handle + blockSize - 4, le32(blockSize + 1),
       "Mismatched header and trailer sizes"},
      {"free mark", handle + 16, std::string(1, static_cast<char>(marks | 1)),
       "Block has been freed"},
      {"first mark", handle + 16, std::string(1, static_cast<char>(marks & ~2)),
       "Handle names a block inside a record"},
      {"length", handle + 4, le32(blockSize), "Block length exceeds its user size"},
  };
  for (const auto& d : damage) {
    close();
    const std::string before = fileBytes(path_).substr(d.at, d.bytes.size());
    patchFile(path_, d.at, d.bytes);
    reopen();
    char buffer[64];
    try {
      store_->readRecordStart(handle, buffer, sizeof buffer);
      ADD_FAILURE() << d.name << ": accepted";
    } catch (const LowLevelStore::StoreException& e) {
      EXPECT_STREQ(d.message, e.message()) << d.name;
    }
    close();
    patchFile(path_, d.at, before);
    reopen();
  }
  check(ids[1], "repaired");
}
