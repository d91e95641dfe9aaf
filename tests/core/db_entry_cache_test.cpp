// The book database keeps entry headers and a page-name index in memory. Walks
// and name lookups must answer exactly as a book opened afresh (which has read
// nothing yet) answers from the file, whatever was created, renamed, re-kinded
// or removed in between, and a walk's callback may remove the entry it is
// given. A header answered from memory counts as the read it saves, and a
// failing read of a header is reported whatever is kept.
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
#include "platform/io/fault_injection.h"
#include "platform/io/share_open.h"
#include "platform/system/desktop.h"
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
    EXPECT_EQ("", db.checkKeptEntryHeaders(ids)) << "round " << round;
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

// Walked twice, the second time from the kept headers: the same chain opens and
// steps each time, for a header of one block and for one grown into two.
TEST(DBEntryCache, AWalkFromKeptHeadersCountsAsTheWalkThatReadThem) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  DB db(app, "", nullptr, 0, 0);
  std::vector<ULONG> ids;
  for (const char* name : {"A", "B", "C"}) ids.push_back(db.createNode(String(name), String("map"), 0));
  // B's header grows past its block with C's record behind it: a second block.
  const String longer(std::string(100, 'b').c_str());
  ASSERT_EQ(0, db.changeName_Type_Flags(ids[1], &longer, nullptr, nullptr));
  MiddleLevelStore* store = db.store();
  ULONG opens[3], steps[3];
  for (int i = 0; i < 3; ++i) {
    const ULONG o = store->chainOpenCount, st = store->chainStepCount;
    EXPECT_EQ(3u, walk(db, DB::KindNode).size());
    opens[i] = store->chainOpenCount - o;
    steps[i] = store->chainStepCount - st;
  }
  EXPECT_EQ(3u, opens[0]) << "one record opened per header";
  EXPECT_EQ(1u, steps[0]) << "one step into B's second block";
  for (int i = 1; i < 3; ++i) {
    EXPECT_EQ(opens[0], opens[i]) << "walk " << i;
    EXPECT_EQ(steps[0], steps[i]) << "walk " << i;
  }
  EXPECT_EQ("", db.checkKeptEntryHeaders(ids));
}

// The read of facet 0 fails (each read of the operation in turn, through the
// I/O layer's hook): exactly one of them, the header's, gives the fatal message,
// whether the header was kept in memory or not, and what a failed read gave is
// not kept.
TEST(DBEntryCache, AFailingHeaderReadIsReportedWhetherOrNotTheHeaderIsKept) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  const std::string dir = freshDir("entry_cache_fault");
  const std::string book = dir + "book.tvx";
  ULONG id = 0;
  {
    DB maker(app, "", nullptr, 0, 0);
    id = maker.createNode(String("Alpha"), String("map"), 5);
    maker.store()->commit();
    const std::string cmd = "cp '" + std::string(maker.workPath().c_str()) + "' '" + book + "'";
    ASSERT_EQ(0, std::system(cmd.c_str()));
  }
  const std::string lookupText =
      "F: Internal stream read error... DB::lookupName_Type_Flags: name, type, or flag "
      "information may be lost";
  const std::string changeText =
      "F: Internal stream read error... DB::changeName_Type_Flags: name, type, or flag "
      "information may be lost";
  struct Case {
    const char* what;
    bool kept;    // the header was written by this DB (kept) or only opened
    bool change;  // changeName_Type_Flags with the type kept, else lookup
  };
  const Case cases[] = {{"lookup, kept", true, false},
                        {"lookup, not kept", false, false},
                        {"change, kept", true, true},
                        {"change, not kept", false, true}};
  for (const Case& c : cases) {
    // A DB in the case's state, made afresh for every failing read.
    auto open = [&]() {
      std::unique_ptr<DB> db(c.kept ? new DB(app, "", nullptr, 0, 0)
                                    : new DB(app, "", book.c_str(), 0, _SH_DENYNO));
      if (c.kept) {
        EXPECT_EQ(id, db->createNode(String("Alpha"), String("map"), 5));
      }
      return db;
    };
    const String renamed("Beta");
    String name("unset"), type("unset");
    ULONG flags = 99;
    auto run = [&](DB& db) {
      return c.change ? db.changeName_Type_Flags(id, &renamed, nullptr, nullptr)
                      : db.lookupName_Type_Flags(id, &name, &type, &flags);
    };
    uint64_t reads = 0;
    {
      std::unique_ptr<DB> db = open();
      FaultInjection::countOnly(FaultInjection::Read);
      EXPECT_EQ(0, run(*db)) << c.what;
      reads = FaultInjection::count();
      FaultInjection::disarm();
    }
    ASSERT_GT(reads, 0u) << c.what;
    int reported = 0;
    for (uint64_t n = 1; n <= reads; ++n) {
      std::unique_ptr<DB> db = open();
      const std::size_t logBefore = logText().size();
      // "Abort program?" after a fatal message: no.
      desk.clear();
      for (int i = 0; i < 4; ++i) desk.answer(IDNO);
      FaultInjection::failNth(n, FaultInjection::Read);
      const int rc = run(*db);
      FaultInjection::disarm();
      const std::string logged = logText().substr(logBefore);
      if (logged.find(c.change ? changeText : lookupText) == std::string::npos) continue;
      ++reported;
      EXPECT_EQ(0, rc) << c.what << ", read " << n;
      String n2, t2;
      ULONG f2 = 0;
      ASSERT_EQ(0, db->lookupName_Type_Flags(id, &n2, &t2, &f2)) << c.what;
      if (c.change) {
        EXPECT_STREQ("Beta", n2.c_str()) << c.what;
        EXPECT_STREQ("", t2.c_str()) << c.what << ": the type read was lost";
        EXPECT_EQ(0u, f2) << c.what;
      } else {
        EXPECT_STREQ("", name.c_str()) << c.what << ": nothing was read";
        EXPECT_STREQ("Alpha", n2.c_str()) << c.what << ": the failed read was not kept";
        EXPECT_STREQ("map", t2.c_str()) << c.what;
        EXPECT_EQ(5u, f2) << c.what;
      }
    }
    EXPECT_EQ(1, reported) << c.what << ": " << reads << " reads";
  }
}

}  // namespace
