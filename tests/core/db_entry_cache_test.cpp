// The book database keeps entry headers and a page-name index in memory. Walks
// and name lookups must answer exactly as a book opened afresh (which has read
// nothing yet) answers from the file, whatever was created, renamed, re-kinded
// or removed in between, and a walk's callback may remove the entry it is
// given.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/db.h"
#include "core_test_support.h"
#include "platform/system/desktop.h"
#include "platform/io/share_open.h"
#include "store/middle_level_store.h"

namespace {

typedef std::tuple<ULONG, std::string, std::string, ULONG> Row;

int collectRow(ULONG id, const String& name, const String& type, ULONG flags, void* data) {
  static_cast<std::vector<Row>*>(data)->emplace_back(id, name.c_str(), type.c_str(), flags);
  return 0;
}

std::vector<Row> walk(DB& db, ULONG kind) {
  std::vector<Row> rows;
  db.doUntilEntry(collectRow, &rows, kind);
  return rows;
}

// A fresh read-only DB on the same bytes: nothing cached.
std::unique_ptr<DB> freshCopy(TestNexil& app, DB& db, const std::string& path) {
  db.store()->commit();
  const std::string cmd = "cp '" + std::string(db.workPath().c_str()) + "' '" + path + "'";
  EXPECT_EQ(0, std::system(cmd.c_str()));
  return std::unique_ptr<DB>(new DB(app, "", path.c_str(), 0, _SH_DENYNO));
}

TEST(DBEntryCache, WalksAndNameLookupsMatchAFreshReadAfterRandomChanges) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  const std::string copy = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                           "/entry_cache_copy.tvx";
  DB db(app, "", nullptr, 0, 0);
  std::mt19937 rng(5);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<ULONG> ids;
  const char* names[] = {"Sun", "Moon", "Earth", "Mars", "Twin", "Twin"};
  for (int round = 0; round < 6; ++round) {
    for (int step = 0; step < 60; ++step) {
      const int op = pick(0, 9);
      if (op < 4 || ids.empty()) {
        ids.push_back(op == 0 ? db.createLink(String("supports"))
                              : db.createNode(String(names[pick(0, 5)]), String("map"),
                                              static_cast<ULONG>(pick(0, 9))));
        continue;
      }
      const ULONG id = ids[static_cast<std::size_t>(pick(0, static_cast<int>(ids.size()) - 1))];
      if (op < 6) {
        // Longer and shorter names move the header to a fresh record or keep it.
        const std::string name = std::string(names[pick(0, 5)]) + std::string(pick(0, 40), 'x');
        const String n(name.c_str());
        const ULONG flags = static_cast<ULONG>(pick(0, 99));
        db.changeName_Type_Flags(id, &n, nullptr, &flags);
      } else if (op < 7) {
        db.setKind(id, pick(0, 1) == 0 ? DB::KindNode : DB::KindLink);
      } else if (op < 8) {
        // Names a reader cuts short are never taken from memory.
        const std::string name(300, 'L');
        const String n(name.c_str());
        db.changeName_Type_Flags(id, &n, nullptr, nullptr);
      } else {
        db.removeEntry(id);
      }
    }
    // Ask before and after the fresh copy so that the index is built and reused.
    const ULONG twinBefore = db.resolveName(String("Twin"));
    std::unique_ptr<DB> fresh = freshCopy(app, db, copy);
    for (ULONG kind : {0u, static_cast<ULONG>(DB::KindNode), static_cast<ULONG>(DB::KindLink)}) {
      EXPECT_EQ(walk(*fresh, kind), walk(db, kind)) << "round " << round << " kind " << kind;
    }
    for (const char* name : {"Sun", "Moon", "Twin", "Nowhere", "LLLL"}) {
      EXPECT_EQ(fresh->resolveName(String(name)), db.resolveName(String(name))) << name;
    }
    EXPECT_EQ(twinBefore, db.resolveName(String("Twin")));
    for (ULONG id : ids) {
      String n1, t1, n2, t2;
      ULONG f1 = 0, f2 = 0;
      ASSERT_EQ(fresh->lookupName_Type_Flags(id, &n1, &t1, &f1),
                db.lookupName_Type_Flags(id, &n2, &t2, &f2));
      EXPECT_STREQ(n1.c_str(), n2.c_str());
      EXPECT_STREQ(t1.c_str(), t2.c_str());
      EXPECT_EQ(f1, f2);
    }
  }
  std::remove(copy.c_str());
}

TEST(DBEntryCache, ARenameInPlaceIsSeenByTheNameIndexAndTheWalk) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  DB db(app, "", nullptr, 0, 0);
  const ULONG id = db.createNode(String("Alpha"), String("map"), 0);
  EXPECT_EQ(id, db.resolveName(String("Alpha")));  // the index is built here
  const ULONG changes = db.store()->idTableChanges();
  const String longer("Alphabet");
  db.changeName_Type_Flags(id, &longer, nullptr, nullptr);
  ASSERT_EQ(changes, db.store()->idTableChanges()) << "the header grew where it was";
  EXPECT_EQ(id, db.resolveName(String("Alphabet")));
  EXPECT_EQ(0xFFFFFFFFu, db.resolveName(String("Alpha")));
  EXPECT_EQ(std::string("Alphabet"), std::get<1>(walk(db, DB::KindNode).at(0)));
}

struct Remover {
  DB* db;
  std::vector<std::string> seen;
};

int removeThenRead(ULONG id, const String& name, const String&, ULONG, void* data) {
  Remover* r = static_cast<Remover*>(data);
  r->db->removeEntry(id);
  r->seen.push_back(name.c_str());  // still readable after its entry went
  return 0;
}

TEST(DBEntryCache, AWalkCallbackMayRemoveTheEntryItIsGiven) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  DB db(app, "", nullptr, 0, 0);
  for (const char* name : {"Alpha", "Beta", "Gamma"}) db.createNode(String(name), String("map"), 0);
  EXPECT_EQ(3u, walk(db, DB::KindNode).size());  // every header now held in memory
  Remover r{&db, {}};
  db.doUntilNode(removeThenRead, &r);
  EXPECT_EQ(3u, r.seen.size());
  EXPECT_TRUE(walk(db, 0).empty());
  EXPECT_EQ(0xFFFFFFFFu, db.resolveName(String("Beta")));
}

}  // namespace
