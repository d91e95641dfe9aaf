// Removing a file's name at once while its space is given back later.
#include "platform/io/space_reclaimer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "tests/platform/scratch_file_support.h"

namespace {

bool exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

TEST(SpaceReclaimer, RemoveFileTakesTheNameAtOnceAndReportsAsRemoveDoes) {
  const std::string file = scratchPath("reclaim-file");
  writeBytes(file, std::string(1 << 20, 'x'));
  EXPECT_EQ(0, SpaceReclaimer::removeFile(file.c_str()));
  EXPECT_FALSE(exists(file)) << "the name must be gone when the call returns";

  errno = 0;
  EXPECT_EQ(-1, SpaceReclaimer::removeFile(file.c_str()));
  EXPECT_EQ(ENOENT, errno);

  // A link goes, not what it names.
  const std::string target = scratchPath("reclaim-target");
  const std::string link = scratchPath("reclaim-link");
  writeBytes(target, "kept");
  ASSERT_EQ(0, ::symlink(target.c_str(), link.c_str()));
  EXPECT_EQ(0, SpaceReclaimer::removeFile(link.c_str()));
  EXPECT_FALSE(exists(link));
  EXPECT_EQ("kept", fileContents(target));
  std::remove(target.c_str());

  // A pipe with nobody writing is removed without waiting for a writer.
  const std::string pipe = scratchPath("reclaim-pipe");
  ASSERT_EQ(0, ::mkfifo(pipe.c_str(), 0600));
  EXPECT_EQ(0, SpaceReclaimer::removeFile(pipe.c_str()));
  EXPECT_FALSE(exists(pipe));
}

TEST(SpaceReclaimer, HoldKeepsTheOldFileThroughARenameOverIt) {
  const std::string book = scratchPath("reclaim-book");
  const std::string fresh = scratchPath("reclaim-fresh");
  writeBytes(book, "old bytes");
  writeBytes(fresh, "new bytes");
  const int held = SpaceReclaimer::hold(book.c_str());
  ASSERT_GE(held, 0);
  ASSERT_EQ(0, std::rename(fresh.c_str(), book.c_str()));
  char seen[16] = {};
  EXPECT_EQ(9, ::pread(held, seen, sizeof seen, 0));
  EXPECT_EQ(std::string("old bytes"), seen) << "the descriptor held is on the file replaced";
  SpaceReclaimer::release(held);
  EXPECT_EQ("new bytes", fileContents(book));
  std::remove(book.c_str());

  EXPECT_EQ(-1, SpaceReclaimer::hold(scratchPath("reclaim-missing").c_str()));
  EXPECT_EQ(-1, SpaceReclaimer::hold(nullptr));
  SpaceReclaimer::release(-1);  // nothing held: nothing to do
}

}  // namespace
