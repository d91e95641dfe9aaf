// The store's count of the facets naming each record is the plain walk's count
// after any mix of edits, and a record two facets name is never freed or
// replaced: the store refuses and leaves the table and the record as they were.
#include "store/record_owners.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "store/middle_level_store.h"
#include "store/store_test_support.h"

namespace {

struct StoreCloser {
  void operator()(MiddleLevelStore* s) const { delete s; }
};
typedef std::unique_ptr<MiddleLevelStore, StoreCloser> MlsPtr;

MlsPtr makeStore(const std::string& path) {
  return MlsPtr(MiddleLevelStore::make(path.c_str(), "#NXST#", 1568, 6, 0x20, 128));
}

// Every facet word of the table, counted by a plain walk.
std::map<ULONG, ULONG> walkCounts(MiddleLevelStore& s) {
  std::map<ULONG, ULONG> counts;
  s.enumerateRecords(
      [](const ULONG* record, void* c) {
        for (int f = 0; f < 6; ++f) {
          if (record[2 + f] != 0) ++(*static_cast<std::map<ULONG, ULONG>*>(c))[record[2 + f]];
        }
        return 0;
      },
      &counts);
  return counts;
}

void expectInStep(MiddleLevelStore& s) {
  for (const auto& c : walkCounts(s)) EXPECT_EQ(s.owners().count(c.first), c.second) << c.first;
}

TEST(RecordOwnersTest, CountsFollowEveryEditAsAWalkFindsThem) {
  StoreScratch dir;
  MlsPtr s = makeStore(dir.file("owners.mls"));
  std::mt19937 rng(5);
  std::vector<ULONG> ids;
  for (int i = 0; i < 40; ++i) ids.push_back(s->createID(1));
  s->owners();  // built early, so that every later edit must keep it in step
  for (int step = 0; step < 400; ++step) {
    const ULONG id = ids[rng() % ids.size()];
    const int facet = static_cast<int>(rng() % 6);
    switch (rng() % 5) {
      case 0: s->insert(id, facet, 10 + rng() % 300); break;
      case 1: {
        const std::string bytes(rng() % 200, 'x');
        s->writeFacet(id, facet, bytes.data(), static_cast<int>(bytes.size()), 16);
        break;
      }
      case 2: s->remove(id, facet); break;
      case 3:
        s->remove(id);
        ids.erase(std::find(ids.begin(), ids.end(), id));
        ids.push_back(s->createID(1));
        break;
      default: s->setFlags(id, static_cast<ULONG>(rng())); break;
    }
  }
  expectInStep(*s);
}

TEST(RecordOwnersTest, ARecordTwoFacetsNameIsNeverFreedOrReplaced) {
  StoreScratch dir;
  MlsPtr s = makeStore(dir.file("shared.mls"));
  const ULONG a = s->createID(1), b = s->createID(1);
  const ULONG body = s->writeFacet(a, 1, "page a's body", 13, 64);
  s->updateHashRec(b, 5, body);  // the damage: b's unused facet names a's body
  struct Case {
    const char* name;
    std::function<void()> edit;
  };
  const std::vector<Case> cases = {
      {"removing the other ID", [&] { s->remove(b); }},
      {"removing the other ID's facet", [&] { s->remove(b, 5); }},
      {"removing the owner's facet", [&] { s->remove(a, 1); }},
      {"replacing the owner's facet", [&] { s->writeFacet(a, 1, "x", 1, 16); }},
      {"replacing the other ID's facet", [&] { s->writeFacet(b, 5, "a longer text than before", 25, 16); }},
      {"writing through the owner's stream", [&] { s->insert(a, 1, 64)->write("over", 4); }},
      {"writing through the other ID's stream", [&] { s->insert(b, 5, 64)->write("over", 4); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW(c.edit(), MiddleLevelStore::RecordShared);
    EXPECT_EQ(s->getFacet(a, 1), body);
    EXPECT_EQ(s->getFacet(b, 5), body);
    char text[32] = {};
    EXPECT_EQ(s->readRecordStart(body, text, sizeof text), 13);
    EXPECT_STREQ(text, "page a's body");
  }
  expectInStep(*s);
  // Once only one facet names it, it is the owner's to free again.
  s->updateHashRec(b, 5, 0);
  EXPECT_NO_THROW(s->remove(a, 1));
  expectInStep(*s);
}

}  // namespace
