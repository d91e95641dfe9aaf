// The book database: layout on disk, open states, entries, attributes, commit
// and the closing fragmentation check.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "browser_skips.h"
#include "core/db.h"
#include "core_test_support.h"
#include "maptext/km_esrap.h"
#include "platform/system/desktop.h"
#include "platform/io/fault_injection.h"
#include "platform/io/share_open.h"
#include "platform/system/system.h"
#include "store/middle_level_store.h"

namespace {

// Makes a book file at `path` with one page "Home" of type "map" and flags 5.
ULONG makeBookFile(TestNexil& app, const std::string& path) {
  DB* db = new DB(app, "", nullptr, 0, 0);
  ULONG id = db->createNode(String("Home"), String("map"), 5);
  db->store()->commit();
  std::string work = db->workPath().c_str();
  EXPECT_EQ(0, std::system(("cp '" + work + "' '" + path + "'").c_str()));
  delete db;
  return id;
}

TEST(DBLayout, NewBookHasTheBookLayoutOnDisk) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  DB db(app, "", nullptr, 0, 0);
  ASSERT_NE(nullptr, db.store());
  EXPECT_FALSE(db.isReadOnly());
  EXPECT_STREQ("#NXST#", db.store()->signature());
  EXPECT_EQ(1568u, db.store()->version());
  EXPECT_EQ(6, static_cast<int>(db.store()->facets()));

  const ULONG page = db.createNode(String("Home page"), String("concept map"), 4294967295u);
  const ULONG link = db.createLink(String("supports"));
  EXPECT_EQ(DB::KindNode, db.kind(page));
  EXPECT_EQ(DB::KindLink, db.kind(link));
  EXPECT_EQ(std::string("Home page\0concept map\0" "4294967295", 32), facetBytes(db, page, 0));
  EXPECT_EQ(std::string("\0supports\0" "0", 11), facetBytes(db, link, 0));

  ASSERT_EQ(0, db.createAttribute(page, "URL", "http://example.org/a\"b"));
  ASSERT_EQ(0, db.createAttribute(page, "flag", nullptr));
  // Pretty printed: each pair on a line of its own.
  EXPECT_EQ("\n(V\"flag\",)\n(V\"URL\",\"http://example.org/a\\\"b\"))\n",
            facetBytes(db, page, 3));

  // The file header on disk: the application signature and version after the size.
  db.store()->commit();
  const std::string bytes = readFileBytes(db.workPath().c_str());
  ASSERT_GT(bytes.size(), 16u);
  EXPECT_EQ(0, std::memcmp(bytes.data() + 4, "#NXST#\0", 7));
  const unsigned char* v = reinterpret_cast<const unsigned char*>(bytes.data() + 11);
  EXPECT_EQ(1568u, v[0] | (v[1] << 8) | (v[2] << 16) | (static_cast<unsigned>(v[3]) << 24));
  EXPECT_EQ(0, std::memcmp(bytes.data() + 15, "#MLS#\0", 6));
}

TEST(DBNames, NewBooksAreNumberedFromOneProcessWideCounter) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  const ULONG n = DB::newBookCounter();
  DB a(app, "", nullptr, 0, 0);
  DB b(app, "", nullptr, 0, 0);
  DB c(app, "", nullptr, 0, 0, "Map");
  EXPECT_EQ("Book" + std::to_string(n + 1), std::string(a.bookName().c_str()));
  EXPECT_EQ("Book" + std::to_string(n + 2), std::string(b.bookName().c_str()));
  EXPECT_EQ("Map" + std::to_string(n + 3), std::string(c.bookName().c_str()));
  EXPECT_EQ(0, a.hasFile());
  EXPECT_TRUE(a.isNamed("", "<this>"));
  EXPECT_TRUE(a.isNamed("", ""));
  EXPECT_TRUE(a.isNamed("elsewhere", a.bookName().c_str()));
  EXPECT_FALSE(a.isNamed("", b.bookName().c_str()));
  EXPECT_EQ("#@" + std::string(a.bookName().c_str()), std::string(a.makeString().c_str()));
}

TEST(DBOpen, WritableBookWorksOnATemporaryCopyAndASecondWriterFallsBackToReading) {
  TVX_SKIP_IN_BROWSER(browser_skips::kNoShareLocks);
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  OwnTempFolder ownTemp("db_open_tmp");
  const std::string dir = freshDir("db_open");
  const std::string book = dir + "book.tvx";
  const ULONG home = makeBookFile(app, book);

  DB* writer = new DB(app, "", book.c_str(), _O_RDWR, _SH_DENYWR);
  EXPECT_FALSE(writer->isReadOnly());
  EXPECT_NE(std::string(book), std::string(writer->workPath().c_str()))
      << "a writable book works on a copy";
  const std::string work = writer->workPath().c_str();
  EXPECT_EQ(0, access(work.c_str(), F_OK));

  DB* reader = new DB(app, "", book.c_str(), _O_RDWR, _SH_DENYWR);
  EXPECT_TRUE(reader->isReadOnly());
  EXPECT_EQ(book, std::string(reader->workPath().c_str()));
  EXPECT_NE(std::string::npos,
            logText().find("W: Could not open book '" + book +
                           "' for write, opening it for shared read access..."));
  // Stream requests create nothing on a read-only book.
  EXPECT_EQ(nullptr, reader->getNodeStream(home, 1));
  EXPECT_EQ(nullptr, reader->getAttrStream(home, 1));
  EXPECT_EQ(nullptr, reader->getLinkListStream(home, 1));
  String name, type;
  ULONG flags = 0;
  ASSERT_EQ(0, reader->lookupName_Type_Flags(home, &name, &type, &flags));
  EXPECT_STREQ("Home", name.c_str());
  EXPECT_STREQ("map", type.c_str());
  EXPECT_EQ(5u, flags);
  delete reader;
  EXPECT_EQ(0, access(book.c_str(), F_OK)) << "closing a read-only book never deletes it";

  delete writer;
  EXPECT_NE(0, access(work.c_str(), F_OK)) << "the temporary working file is removed";
  EXPECT_EQ(0, access(book.c_str(), F_OK));
}

TEST(DBOpen, FailedOpenReportsAndRemovesItsTemporaryFile) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  const std::string dir = freshDir("db_fail");
  const std::string book = dir + "notabook.tvx";
  std::ofstream(book) << "this is not a book file at all, just some text";
  OwnTempFolder ownTemp("db_fail_tmp");
  char tmp[260];
  GetTempPath(sizeof tmp, tmp);
  const std::string pattern = std::string(tmp) + "TVX*.tmp";
  const std::size_t before = findFiles(pattern.c_str()).size();
  EXPECT_ANY_THROW(DB(app, "", book.c_str(), _O_RDWR, _SH_DENYWR));
  EXPECT_EQ(before, findFiles(pattern.c_str()).size()) << "no temporary file is left behind";
  EXPECT_EQ(0, access(book.c_str(), F_OK)) << "the book file itself is never removed";
  EXPECT_NE(std::string::npos, logText().find("W: Could not access book file '" + book +
                                              "'.  Reason: "));
}

TEST(DBEntries, NamesTypesFlagsAndStreams) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  DB db(app, "", nullptr, 0, 0);
  const ULONG a = db.createNode(String("Twin"), String("map"), 1);
  const ULONG b = db.createNode(String("Twin"), String("map"), 2);
  const ULONG link = db.createLink(String("is-a"));
  EXPECT_EQ(a, db.resolveName(String("Twin"))) << "the first page the store enumerates";
  EXPECT_EQ(0xFFFFFFFFu, db.resolveName(String("twin")));
  EXPECT_EQ(nullptr, db.getLinkStream(a, 1)) << "a page has no link record";
  EXPECT_NE(nullptr, db.getLinkStream(link, 1));
  EXPECT_TRUE(db.isBodyEmpty(b));
  {
    auto body = db.getNodeStream(b, 1);
    ASSERT_NE(nullptr, body);
    *body << "#CM&^# 161\r\n";
  }
  EXPECT_FALSE(db.isBodyEmpty(b));
  EXPECT_EQ(0, db.clearNodeStream(b));
  EXPECT_TRUE(db.isBodyEmpty(b));

  // A shorter header leaves nothing of the longer one behind.
  const String shortName("T");
  const ULONG flags = 7;
  EXPECT_EQ(0, db.changeName_Type_Flags(b, &shortName, nullptr, &flags));
  EXPECT_EQ(std::string("T\0map\0" "7", 7), facetBytes(db, b, 0));
  const String longType("a much longer type name");
  EXPECT_EQ(0, db.changeName_Type_Flags(b, nullptr, &longType, nullptr));
  String n, t;
  ULONG f = 0;
  ASSERT_EQ(0, db.lookupName_Type_Flags(b, &n, &t, &f));
  EXPECT_STREQ("T", n.c_str());
  EXPECT_STREQ("a much longer type name", t.c_str());
  EXPECT_EQ(7u, f);
  EXPECT_EQ(-1, db.lookupName_Type_Flags(999, &n, &t, &f));

  EXPECT_EQ(-1, db.changeName_Type_Flags(999, &shortName, nullptr, nullptr));
  EXPECT_NE(std::string::npos, logText().find("E: Could not access page (possibly deleted)"));

  struct Count {
    int pages = 0;
    static int visit(ULONG, const String&, const String&, ULONG, void* data) {
      ++static_cast<Count*>(data)->pages;
      return 0;
    }
  } count;
  db.doUntilNode(Count::visit, &count);
  EXPECT_EQ(2, count.pages);
  count.pages = 0;
  db.doUntilLink(Count::visit, &count);
  EXPECT_EQ(1, count.pages);

  EXPECT_EQ(0, db.removeEntry(a));
  const std::size_t boxes = desk.eventsOf(ScriptedDesktop::Kind::MessageBox).size();
  EXPECT_EQ(-1, db.removeEntry(a));
  EXPECT_NE(std::string::npos, logText().find("E: Failed to remove entry " + std::to_string(a)));
  EXPECT_EQ(boxes, desk.eventsOf(ScriptedDesktop::Kind::MessageBox).size())
      << "removal failures are only logged";
}

TEST(DBAttributes, GetSetRemoveAndTheShortBuffer) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  DB db(app, "", nullptr, 0, 0);
  const ULONG id = db.createNode(String("P"), String("map"), 0);
  int len = 0;
  char buf[32];
  EXPECT_EQ(1, db.getAttributeLen(id, "URL", len)) << "no attribute stream yet";
  EXPECT_EQ(-3, db.getAttribute(id, "URL", buf, len));
  ASSERT_EQ(0, db.createAttribute(id, "URL", "http://x.org/"));
  EXPECT_EQ(0, db.getAttributeLen(id, "URL", len));
  EXPECT_EQ(14, len);

  len = 13;  // one byte too short for the value and its NUL
  std::memset(buf, 'X', sizeof buf);
  EXPECT_EQ(13, db.getAttribute(id, "URL", buf, len));
  EXPECT_STREQ("http://x.org", buf);
  len = 14;
  EXPECT_EQ(0, db.getAttribute(id, "URL", buf, len));
  EXPECT_STREQ("http://x.org/", buf);
  EXPECT_EQ(-1, db.getAttribute(id, "none", buf, len));

  ASSERT_EQ(0, db.createIntAttribute(id, "count", -5));
  int value = 0;
  EXPECT_EQ(0, db.getIntAttribute(id, "count", value));
  EXPECT_EQ(-5, value);

  ASSERT_EQ(0, db.createAttribute(id, "URL", "http://y.org/"));  // replaces
  len = sizeof buf;
  EXPECT_EQ(0, db.getAttribute(id, "URL", buf, len));
  EXPECT_STREQ("http://y.org/", buf);
  ASSERT_EQ(0, db.createAttribute(id, "bare", nullptr));
  len = sizeof buf;
  EXPECT_EQ(0, db.getAttribute(id, "bare", buf, len));
  EXPECT_EQ(-1, len);

  const std::size_t longList = facetBytes(db, id, 3).size();
  EXPECT_EQ(0, db.removeAttribute(id, "URL"));
  EXPECT_EQ(longList - std::string("\n(V\"URL\",\"http://y.org/\")").size(),
            facetBytes(db, id, 3).size())
      << "a shorter list leaves nothing of the longer one behind";
  len = sizeof buf;
  EXPECT_EQ(-1, db.getAttribute(id, "URL", buf, len));
  EXPECT_EQ(0, db.getIntAttribute(id, "count", value));
  EXPECT_EQ(-5, value);
}

// The defragmentation question at close, with a stand-in defragmenter on PATH.
class DBDefrag : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = freshDir("db_defrag");
    binDir_ = dir_ + "bin";
    mkdir(binDir_.c_str(), 0777);
    const std::string script = binDir_ + "/blkpack";
    // The arguments land in "started" whole: written aside, then renamed, so
    // that a reader never meets the file made but not yet written.
    std::ofstream(script) << "#!/bin/sh\necho \"$@\" > '" << dir_ << "started~' && mv '" << dir_
                          << "started~' '" << dir_ << "started'\n";
    chmod(script.c_str(), 0755);
    oldPath_ = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", (binDir_ + ":" + oldPath_).c_str(), 1);
  }
  void TearDown() override { setenv("PATH", oldPath_.c_str(), 1); }

  // Opens the book, sets its counters to steps/opens and closes it.
  void closeWithIndex(TestNexil& app, const std::string& book, ULONG steps, ULONG opens) {
    DB* db = new DB(app, "", book.c_str(), _O_RDWR, _SH_DENYWR);
    db->store()->chainStepCount = steps;
    db->store()->chainOpenCount = opens;
    delete db;
  }

  std::string startedWith() {
    for (int i = 0; i < 300 && access((dir_ + "started").c_str(), F_OK) != 0; ++i) usleep(10000);
    return readFileBytes(dir_ + "started");
  }

  std::string dir_, binDir_, oldPath_;
};

TEST_F(DBDefrag, IndexOfExactlyOneAndAHalfIsNotOfferedAndAboveItIs) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  const std::string book = dir_ + "frag.tvx";
  makeBookFile(app, book);

  closeWithIndex(app, book, 3, 2);  // exactly 1.5
  EXPECT_TRUE(desk.eventsOf(ScriptedDesktop::Kind::MessageBox).empty());

  desk.answer(IDNO);
  closeWithIndex(app, book, 7, 4);  // 1.75
  auto boxes = desk.eventsOf(ScriptedDesktop::Kind::MessageBox);
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("File '" + book +
                "' appears to be excessively fragmented, and has a fragmentation index of 1.8 "
                "which can cause performance degradation.\nDo you want to defrag this file now?",
            boxes[0].text);
  EXPECT_EQ("Tavix", boxes[0].caption);
  EXPECT_EQ(MB_YESNO, boxes[0].type & MB_TYPEMASK);
  EXPECT_NE(0, access((dir_ + "started").c_str(), F_OK)) << "No starts nothing";

  TVX_SKIP_IN_BROWSER(browser_skips::kNoPrograms);
  desk.answer(IDYES);
  closeWithIndex(app, book, 20, 4);
  EXPECT_EQ(book + "\n", startedWith());
}

TEST_F(DBDefrag, ABookHeldByAnotherOpenIsNotOffered) {
  TVX_SKIP_IN_BROWSER(browser_skips::kNoShareLocks);
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  const std::string book = dir_ + "held.tvx";
  makeBookFile(app, book);
  int holder = _sopen(book.c_str(), _O_RDONLY, _SH_DENYNO);
  ASSERT_GE(holder, 0);
  closeWithIndex(app, book, 20, 4);
  EXPECT_TRUE(desk.eventsOf(ScriptedDesktop::Kind::MessageBox).empty());
  _close(holder);
}

// A commit whose every file operation in turn is made to fail leaves a book file
// that opens and holds either all of the old content or all of the new: the new
// exactly when the commit said it succeeded.
TEST(DBCommit, AnInterruptedCommitLeavesTheOldBookExactlyWhenItFails) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  const std::string dir = freshDir("db_commit");
  const std::string book = dir + "book.tvx";
  const ULONG home = makeBookFile(app, book);

  uint64_t operations = 0;
  for (uint64_t failing = 0; failing == 0 || failing <= operations + 1; ++failing) {
    DB* db = new DB(app, "", book.c_str(), _O_RDWR, _SH_DENYWR);
    const String newName(("Renamed " + std::to_string(failing)).c_str());
    ASSERT_EQ(0, db->changeName_Type_Flags(home, &newName, nullptr, nullptr));
    const ULONG added = db->createNode(String("Added"), String("map"), 0);
    // The first round counts the commit's operations; each later one fails one.
    if (failing == 0) {
      FaultInjection::countOnly();
    } else {
      FaultInjection::failNth(failing);
    }
    const int rc = db->commit();
    if (failing == 0) operations = FaultInjection::count();
    FaultInjection::disarm();
    delete db;

    bool isNew = false, hasAdded = false;
    {
      DB check(app, "", book.c_str(), _O_RDONLY, _SH_DENYNO);
      String name;
      ASSERT_EQ(0, check.lookupName_Type_Flags(home, &name, nullptr, nullptr)) << "op " << failing;
      isNew = name.isEqual(newName);
      hasAdded = check.lookupName_Type_Flags(added, nullptr, nullptr, nullptr) == 0;
    }
    EXPECT_EQ(isNew, hasAdded) << "op " << failing << ": a mix of old and new";
    EXPECT_EQ(rc == 0, isNew) << "op " << failing << " of " << operations << ": result " << rc;
    EXPECT_NE(0, access((book + ".commit~").c_str(), F_OK)) << "op " << failing << ": journal left";
    if (isNew) {
      // Start the next round from a book whose page has its old name again.
      DB* db2 = new DB(app, "", book.c_str(), _O_RDWR, _SH_DENYWR);
      const String home0("Home");
      db2->changeName_Type_Flags(home, &home0, nullptr, nullptr);
      db2->removeEntry(added);
      EXPECT_EQ(0, db2->commit());
      delete db2;
    }
  }
  EXPECT_GT(operations, 4u);
}

}  // namespace

namespace {

// Writes a page of `nodes` idea symbols as the page body through the writer.
void writeBody(std::iostream& body, int nodes) {
  KMEsrap w(&body, "Nexil");
  w.writeFile("tests", 1, nullptr);
  w.writeNodeSection();
  for (int i = 0; i < nodes; ++i) {
    w.writeNodeObject(i, "idea", 1, nullptr, 0, 0, 10, 10, 0, KM_ABSENT, nullptr, nullptr);
  }
  EXPECT_GE(w.close(), 0);
}

TEST(DBBodies, ABodyRewrittenShorterLeavesNothingOfTheLongerOne) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  DB db(app, "", nullptr, 0, 0);
  const ULONG page = db.createNode(String("P"), String("map"), 0);
  {
    auto body = db.getNodeStream(page, 1);
    writeBody(*body, 40);
  }
  const std::size_t longSize = facetBytes(db, page, 1).size();
  {
    auto body = db.getNodeStream(page, 1);
    writeBody(*body, 2);
  }
  const std::string stored = facetBytes(db, page, 1);
  EXPECT_LT(stored.size(), longSize / 4);
  std::stringstream fresh;
  writeBody(fresh, 2);
  EXPECT_EQ(fresh.str(), stored);
}

// A commit changes what the book file holds, never what the book file is: the
// edit reached through a symbolic link changes the book it points to, a second
// hard link shows the edit too, and the file keeps its inode and its mode.
TEST(DBCommit, TheBookFileKeepsItsInodeLinksAndMode) {
  TVX_SKIP_IN_BROWSER(browser_skips::kNoHardLinks);
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  const std::string dir = freshDir("db_commit_links");
  const std::string book = dir + "book.tvx";
  const std::string hard = dir + "hard.tvx";
  const std::string sym = dir + "sym.tvx";
  const ULONG home = makeBookFile(app, book);
  ASSERT_EQ(0, chmod(book.c_str(), 0600));
  ASSERT_EQ(0, link(book.c_str(), hard.c_str()));
  ASSERT_EQ(0, symlink("book.tvx", sym.c_str()));
  struct stat before;
  ASSERT_EQ(0, stat(book.c_str(), &before));

  DB* db = new DB(app, "", sym.c_str(), _O_RDWR, _SH_DENYWR);
  ASSERT_FALSE(db->isReadOnly());
  const String renamed("Renamed through the link");
  ASSERT_EQ(0, db->changeName_Type_Flags(home, &renamed, nullptr, nullptr));
  EXPECT_EQ(0, db->commit());
  delete db;

  struct stat after, link;
  ASSERT_EQ(0, stat(book.c_str(), &after));
  ASSERT_EQ(0, lstat(sym.c_str(), &link));
  EXPECT_TRUE(S_ISLNK(link.st_mode)) << "the symbolic link became a file";
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(2u, static_cast<unsigned>(after.st_nlink));
  EXPECT_EQ(0600u, after.st_mode & 0777u);
  for (const std::string& name : {book, hard, sym}) {
    DB check(app, "", name.c_str(), _O_RDONLY, _SH_DENYNO);
    String got;
    ASSERT_EQ(0, check.lookupName_Type_Flags(home, &got, nullptr, nullptr)) << name;
    EXPECT_TRUE(got.isEqual(renamed)) << name << " shows " << got.c_str();
  }
  EXPECT_NE(0, access((book + ".commit~").c_str(), F_OK));
  EXPECT_NE(0, access((sym + ".commit~").c_str(), F_OK));
}

}  // namespace
