// The core application object: profile settings and their defaults, books by
// network part, fonts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core_test_support.h"
#include "platform/system/desktop.h"
#include "platform/system/system.h"
#include "store/middle_level_store.h"

namespace {

class NexilProfile : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TAVIX_PROFILE", (freshDir("nexil_profile") + "tavix.ini").c_str(), 1);
  }
};

TEST_F(NexilProfile, DefaultsWithNoSectionAtAll) {
  TestNexil app;
  EXPECT_STREQ("NOUSER", app.user().second.c_str());
  EXPECT_STREQ("UNDEFINED", app.user().first.c_str());
  EXPECT_STREQ("\\", app.rootDirectory().c_str());
  EXPECT_STREQ("\\nexil.db", app.rootDictionary().c_str());
  EXPECT_STREQ("\\nexil.ini", app.initFile().c_str());
  EXPECT_EQ(Nexil::BackupFlag, app.flags() & Nexil::BackupFlag);
  EXPECT_EQ(2000000u, app.lowMemThreshold());
  EXPECT_EQ(1568u, Nexil::version());
}

TEST_F(NexilProfile, SettingsFromTheSection) {
  WriteProfileString("NEXIL", "UserID", "ada");
  WriteProfileString("NEXIL", "NodeID", "studio");
  WriteProfileString("NEXIL", "RootDirectory", "/home/ada/books");
  WriteProfileString("NEXIL", "Root", "main.tvx");
  WriteProfileString("NEXIL", "Backup", "0");
  WriteProfileString("NEXIL", "LowMemThreshholdKB", "5");
  TestNexil app;
  EXPECT_STREQ("ada", app.user().second.c_str());
  EXPECT_STREQ("studio", app.user().first.c_str());
  EXPECT_STREQ("/home/ada/books/", app.rootDirectory().c_str());
  EXPECT_STREQ("/home/ada/books/main.tvx", app.rootDictionary().c_str());
  EXPECT_STREQ("/home/ada/books/nexil.ini", app.initFile().c_str());
  EXPECT_EQ(0u, app.flags() & Nexil::BackupFlag);
  EXPECT_EQ(5000u, app.lowMemThreshold());
  EXPECT_TRUE(app.isLocal("studio"));
  EXPECT_TRUE(app.isLocal(""));
  EXPECT_TRUE(app.isLocal("UNDEFINED"));
  EXPECT_FALSE(app.isLocal("elsewhere"));
}

TEST_F(NexilProfile, BooksByNetworkPartAndTheCurrentBook) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  WriteProfileString("NEXIL", "NodeID", "studio");
  TestNexil app;
  const std::string book = freshDir("nexil_books") + "b.tvx";
  {
    DB made(app, "", nullptr, 0, 0);
    made.store()->commit();
    ASSERT_EQ(0, std::system(("cp '" + std::string(made.workPath().c_str()) + "' '" + book +
                              "'").c_str()));
  }
  DBRef local;
  EXPECT_EQ(0, app.getDB(local, "studio", book.c_str(), 2, 0x20))
      << "the node's own name is local";
  ASSERT_NE(nullptr, local.db());
  EXPECT_EQ(1, app.addCalls);
  DBRef again;
  EXPECT_EQ(0, app.getDB(again, "", book.c_str(), 2, 0x20));
  EXPECT_EQ(local.db(), again.db()) << "an open book is found, not opened twice";
  EXPECT_EQ(1, app.addCalls);
  DBRef remote;
  EXPECT_EQ(2, app.getDB(remote, "elsewhere", "other.tvx", 2, 0x20));
  EXPECT_EQ(nullptr, remote.db());

  EXPECT_EQ(local.db(), app.setCurrentDB("", book.c_str(), 2, 0x20));
  EXPECT_EQ(local.db(), app.currentDB());
  EXPECT_EQ(nullptr, app.setCurrentDB(nullptr));
}

TEST_F(NexilProfile, FontsAndTheirRecords) {
  TestNexil app;
  EXPECT_EQ(nullptr, app.font(2));
  EXPECT_NE(nullptr, app.font(0));
  EXPECT_EQ(app.font(0), app.font(1)) << "both slots hold the same font after construction";
  EXPECT_EQ(-14, app.logFont(0).lfHeight);
  EXPECT_EQ(0x22, app.logFont(1).lfPitchAndFamily);
  EXPECT_STREQ("Arial", app.logFont(5).lfFaceName);
}

TEST(DBRefCounting, TheLastHandleDestroysTheBook) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  OwnTempFolder ownTemp("last_handle_tmp");
  DB* db = new DB(app, "", nullptr, 0, 0);
  const std::string work = db->workPath().c_str();
  {
    DBRef a(db);
    DBRef b(a);
    EXPECT_EQ(2u, db->refCount());
    b.ref(nullptr);
    EXPECT_EQ(1u, db->refCount());
  }
  FILE* f = std::fopen(work.c_str(), "rb");
  EXPECT_EQ(nullptr, f) << "the book was closed and its working file removed";
  if (f != nullptr) std::fclose(f);
}

}  // namespace
