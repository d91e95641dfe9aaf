// The descriptor stream: mixed reading, writing and seeking must see one file.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "platform/io/fd_stream.h"
#include "scratch_file_support.h"

namespace {

TEST(FdStream, InterleavedReadsWritesAndSeeksMatchAPlainFile) {
  const std::string path = scratchPath("fd_stream_test.dat");
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  {
    FdStream s(fd, 16);  // a small buffer so that every path is taken
    s << "hello, world: a line longer than the buffer";
    s.seekg(7);
    char word[6] = {};
    s.read(word, 5);
    EXPECT_EQ(std::string("world"), word);
    s.seekp(0);
    s.write("HELLO", 5);
    s.seekg(0, std::ios::end);
    EXPECT_EQ(43, static_cast<int>(s.tellg()));
    s.seekp(50);
    s.write("!", 1);
    s.seekg(3);
    EXPECT_EQ('L', s.get());
    EXPECT_EQ(4, static_cast<int>(s.tellg()));
    std::string big(1000, 'x');
    s.seekp(10);
    s.write(big.data(), static_cast<std::streamsize>(big.size()));
    s.seekg(1009);
    EXPECT_EQ('x', s.get());
    EXPECT_EQ(std::char_traits<char>::eof(), s.get());
    s.clear();
    s.flush();
    EXPECT_TRUE(s.good());
  }
  close(fd);
  const std::string got = fileContents(path);
  ASSERT_EQ(1010u, got.size());
  EXPECT_EQ("HELLO, wor", got.substr(0, 10));
  EXPECT_EQ(std::string(1000, 'x'), got.substr(10));
}

TEST(FdStream, ReadingPastTheEndFailsAndTruncateShortensTheFile) {
  const std::string path = scratchPath("fd_stream_truncate.dat");
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  FdStream s(fd);
  s << "0123456789";
  s.seekg(8);
  char buf[4];
  s.read(buf, 4);
  EXPECT_EQ(2, s.gcount());
  EXPECT_TRUE(s.fail());
  s.clear();
  EXPECT_TRUE(s.fdbuf()->truncate(4));
  s.seekg(0, std::ios::end);
  EXPECT_EQ(4, static_cast<int>(s.tellg()));
  close(fd);
  EXPECT_EQ("0123", fileContents(path));
}

}  // namespace
