// System services: profile, temporary names, wildcard enumeration, file times and
// starting a program, each with the environment pointed at a scratch folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/system/system.h"

namespace {

std::string scratchDir(const char* name) {
  char dir[260];
  GetTempPath(sizeof dir, dir);
  std::string path = std::string(dir) + name;
  std::string cmd = "rm -rf '" + path + "'";
  EXPECT_EQ(0, std::system(cmd.c_str()));
  mkdir(path.c_str(), 0777);
  return path + "/";
}

void touch(const std::string& path) { std::ofstream(path) << "x"; }

TEST(Profile, ReadsWritesAndDeletesKeysWithoutLetterCase) {
  const std::string dir = scratchDir("profile_test");
  setenv("TAVIX_PROFILE", (dir + "tavix.ini").c_str(), 1);
  char buf[64];
  EXPECT_EQ(7u, GetProfileString("NEXIL", "Root", "default", buf, sizeof buf));
  EXPECT_STREQ("default", buf);
  EXPECT_EQ(42u, GetProfileInt("NEXIL", "LowMemThreshholdKB", 42));

  ASSERT_TRUE(WriteProfileString("NEXIL", "Root", "/books"));
  ASSERT_TRUE(WriteProfileString("Other", "Key", "1"));
  ASSERT_TRUE(WriteProfileString("nexil", "LowMemThreshholdKB", "-5"));
  ASSERT_TRUE(WriteProfileString("NEXIL", "ROOT", "/library"));
  GetProfileString("Nexil", "root", "", buf, sizeof buf);
  EXPECT_STREQ("/library", buf);
  EXPECT_EQ(static_cast<UINT>(-5), GetProfileInt("NEXIL", "LowMemThreshholdKB", 0));
  EXPECT_EQ(1u, GetProfileInt("Other", "Key", 0));

  // A short buffer takes what fits and its NUL.
  EXPECT_EQ(3u, GetProfileString("NEXIL", "Root", "", buf, 4));
  EXPECT_STREQ("/li", buf);

  ASSERT_TRUE(WriteProfileString("NEXIL", "Root", nullptr));
  GetProfileString("NEXIL", "Root", "gone", buf, sizeof buf);
  EXPECT_STREQ("gone", buf);
  ASSERT_TRUE(WriteProfileString("Other", nullptr, nullptr));
  EXPECT_EQ(9u, GetProfileInt("Other", "Key", 9));
  EXPECT_EQ(static_cast<UINT>(-5), GetProfileInt("NEXIL", "LowMemThreshholdKB", 0));
  unsetenv("TAVIX_PROFILE");
}

TEST(TempFiles, NamesCarryThePrefixAndAreUnique) {
  const std::string dir = scratchDir("temp_test");
  char a[260], b[260];
  UINT na = GetTempFileName(dir.c_str(), "TVXBOOK", 0, a);
  UINT nb = GetTempFileName(dir.c_str(), "TVXBOOK", 0, b);
  ASSERT_NE(0u, na);
  ASSERT_NE(0u, nb);
  EXPECT_NE(std::string(a), std::string(b));
  EXPECT_EQ(0, std::string(a).rfind(dir + "TVX", 0)) << a;
  EXPECT_EQ(".tmp", std::string(a).substr(std::string(a).size() - 4));
  EXPECT_EQ(0, access(a, F_OK)) << "the name is reserved by creating the file";
  // With a number given nothing is created.
  EXPECT_EQ(0xABCu, GetTempFileName(dir.c_str(), "TVX", 0xABC, a));
  EXPECT_EQ(dir + "TVXABC.tmp", std::string(a));
  EXPECT_NE(0, access(a, F_OK));
}

TEST(FindFiles, MatchesWildcardsWithoutLetterCaseAndSkipsFolders) {
  const std::string dir = scratchDir("find_test");
  touch(dir + "TVX12.tmp");
  touch(dir + "tvxAB.TMP");
  touch(dir + "other.tmp");
  mkdir((dir + "Tvxdir.tmp").c_str(), 0777);
  std::vector<std::string> found = findFiles((dir + "Tvx*.tmp").c_str());
  ASSERT_EQ(2u, found.size());
  EXPECT_EQ("TVX12.tmp", found[0]);
  EXPECT_EQ("tvxAB.TMP", found[1]);
  EXPECT_EQ(1u, findFiles((dir + "o?her.*").c_str()).size());
  EXPECT_TRUE(findFiles((dir + "none*").c_str()).empty());
  EXPECT_TRUE(findFiles("/no/such/folder/*").empty());
  EXPECT_TRUE(hasWildcards("a*b"));
  EXPECT_FALSE(hasWildcards("plain.tvx"));
}

TEST(FileTimes, SetTimeIsReadBack) {
  const std::string dir = scratchDir("time_test");
  const std::string file = dir + "f.txt";
  touch(file);
  ASSERT_TRUE(setFileTime(file.c_str(), 1000000000));
  std::time_t t = 0;
  ASSERT_TRUE(getFileTime(file.c_str(), &t));
  EXPECT_EQ(1000000000, t);
  EXPECT_FALSE(getFileTime((dir + "missing").c_str(), &t));
}

TEST(StartProgram, StartsAProgramOnThePathAndReportsAMissingOne) {
  const std::string dir = scratchDir("exec_test");
  const std::string marker = dir + "ran";
  EXPECT_TRUE(startProgram("touch", {marker})) << "expected touch to start";
  for (int i = 0; i < 200 && access(marker.c_str(), F_OK) != 0; ++i) usleep(10000);
  EXPECT_EQ(0, access(marker.c_str(), F_OK)) << "expected the program to have made " << marker;
  EXPECT_FALSE(startProgram("no-such-program-anywhere", {})) << "expected a missing program to fail";
}

TEST(MemoryStatus, OverrideReplacesTheAvailableVirtualMemory) {
  MEMORYSTATUS ms;
  GlobalMemoryStatus(&ms);
  EXPECT_GT(ms.dwAvailVirtual, 0u);
  setAvailVirtualOverride(1234);
  GlobalMemoryStatus(&ms);
  EXPECT_EQ(1234u, ms.dwAvailVirtual);
  clearAvailVirtualOverride();
}

}  // namespace
