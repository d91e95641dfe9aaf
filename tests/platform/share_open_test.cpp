// Share modes between opens of one file, as two programs would see them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/io/share_open.h"
#include "platform/system/system.h"

namespace {

std::string scratchFile(const char* name) {
  char dir[260];
  GetTempPath(sizeof dir, dir);
  std::string path = std::string(dir) + name;
  std::remove(path.c_str());
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f != nullptr) {
    std::fputs("0123456789", f);
    std::fclose(f);
  }
  return path;
}

struct Case {
  int firstFlags, firstShare, secondFlags, secondShare;
  bool secondOpens;
};

TEST(ShareOpen, SecondOpenFollowsTheFirstOpensShareMode) {
  const Case cases[] = {
      // A writer that denies writing keeps out a second writer, not a reader that denies nothing.
      {_O_RDWR, _SH_DENYWR, _O_RDWR, _SH_DENYWR, false},
      {_O_RDWR, _SH_DENYWR, _O_RDONLY, _SH_DENYNO, true},
      // A reader may not deny writing while someone writes.
      {_O_RDWR, _SH_DENYNO, _O_RDONLY, _SH_DENYWR, false},
      {_O_RDONLY, _SH_DENYNO, _O_RDONLY, _SH_DENYWR, true},
      // Deny all keeps out everyone; deny read keeps out readers only.
      {_O_RDONLY, _SH_DENYRW, _O_RDONLY, _SH_DENYNO, false},
      {_O_RDWR, _SH_DENYRD, _O_WRONLY, _SH_DENYNO, true},
      {_O_RDWR, _SH_DENYRD, _O_RDONLY, _SH_DENYNO, false},
      {_O_WRONLY, _SH_DENYWR, _O_WRONLY, _SH_DENYNO, false},
      {_O_RDWR, _SH_DENYNO, _O_RDWR, _SH_DENYNO, true},
  };
  const std::string path = scratchFile("share_open_test.dat");
  for (const Case& c : cases) {
    int first = _sopen(path.c_str(), c.firstFlags | _O_BINARY, c.firstShare);
    ASSERT_GE(first, 0) << "first open failed, errno " << errno;
    errno = 0;
    int second = _sopen(path.c_str(), c.secondFlags | _O_BINARY, c.secondShare);
    EXPECT_EQ(c.secondOpens, second >= 0)
        << "first flags " << c.firstFlags << " share 0x" << std::hex << c.firstShare
        << ", second flags " << c.secondFlags << " share 0x" << c.secondShare;
    if (second >= 0) {
      _close(second);
    } else {
      EXPECT_EQ(EACCES, errno);
    }
    _close(first);
    // Once the first is closed nothing stands in the way.
    int again = _sopen(path.c_str(), c.secondFlags | _O_BINARY, c.secondShare);
    EXPECT_GE(again, 0);
    _close(again);
  }
}

TEST(ShareOpen, CreateFailIfExistsAndRefusedTruncateLeaveTheFileAlone) {
  const std::string path = scratchFile("share_open_excl.dat");
  errno = 0;
  EXPECT_EQ(-1, _sopen(path.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY, _SH_DENYWR));
  EXPECT_EQ(EEXIST, errno);

  int holder = _sopen(path.c_str(), _O_RDWR | _O_BINARY, _SH_DENYWR);
  ASSERT_GE(holder, 0);
  EXPECT_EQ(-1, _sopen(path.c_str(), _O_RDWR | _O_TRUNC | _O_BINARY, _SH_DENYNO));
  char buf[16] = {};
  EXPECT_EQ(10, pread(holder, buf, sizeof buf, 0)) << "a refused truncating open emptied the file";
  _close(holder);
}

TEST(ShareOpen, OnlyRegularFilesOpenAndAPipeDoesNotBlock) {
  char dir[260];
  GetTempPath(sizeof dir, dir);
  const std::string fifo = std::string(dir) + "share_open_fifo";
  std::remove(fifo.c_str());
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  errno = 0;
  EXPECT_EQ(-1, _sopen(fifo.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYNO));
  EXPECT_EQ(EINVAL, errno);
  std::remove(fifo.c_str());
  errno = 0;
  EXPECT_EQ(-1, _sopen(dir, _O_RDONLY | _O_BINARY, _SH_DENYNO));
  EXPECT_EQ(EISDIR, errno);
}

}  // namespace
