// Finding and removing one extension block in a stream of extension blocks.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <string>
#include <unistd.h>

#include "maptext/km_extension_scanner.h"
#include "platform/io/fd_stream.h"

namespace {

const std::string kBlocks = "(e1,1,\"a\")\n(e1,2,\"b\")\n(e2,2,(x 1))\n";

TEST(KMExtensionScannerTest, FindExtReturnsWhereTheMatchingBlockBegins) {
  struct Case {
    const char* name;
    std::string blocks;
    LONG app;
    LONG id;
    LONG expected;
  };
  std::string deep = "(e1,";
  for (int i = 0; i < 500000; ++i) deep += "(x";
  deep += std::string(500000, ')') + ")";
  const Case cases[] = {
      {"first block", kBlocks, 1, 1, 0},
      {"second block: just after the first", kBlocks, 1, 2, 10},
      {"third block", kBlocks, 2, 2, 21},
      {"no such id", kBlocks, 1, 3, -1},
      {"no such application", kBlocks, 3, 1, -1},
      {"other blocks are skipped whole", "(c\"(e1,2,\")(n(e1,2,))(e1,2,)", 1, 2, 21},
      {"a nested list in the head", "(e1,(e1,2,),2,)(e1,2,)", 1, 2, 15},
      {"a block closed inside its head", "(e1)(e1,2,)", 1, 2, 4},
      {"the head needs the comma after the id", "(e1,2)(e1,2,)", 1, 2, 6},
      {"negative numbers", "(e-1,-2,)", -1, -2, 0},
      {"stray tokens between blocks", "1 , \"s\" (e1,2,)", 1, 2, 7},
      {"unterminated block", "(e1,1,(x", 1, 2, -1},
      {"empty stream", "", 1, 2, -1},
      {"a block nested deep", deep + "(e1,2,)", 1, 2, static_cast<LONG>(deep.size())},
  };
  for (const Case& c : cases) {
    std::stringstream s(c.blocks);
    KMExtensionScanner scanner(s);
    EXPECT_EQ(c.expected, scanner.findExt(c.app, c.id)) << c.name;
    // The scan rewinds, so asking twice gives the same answer.
    EXPECT_EQ(c.expected, scanner.findExt(c.app, c.id)) << c.name << " (again)";
  }
}

TEST(KMExtensionScannerTest, RemoveExtMovesTheRestDownAndKeepsTheLength) {
  std::stringstream s(kBlocks);
  KMExtensionScanner scanner(s);
  EXPECT_EQ(0, scanner.removeExt(1, 2));
  // The block and the line break before it go: bytes 10 to 20.
  const std::string rest = kBlocks.substr(21);
  std::string expected = kBlocks.substr(0, 10) + rest + kBlocks.substr(10 + rest.size());
  EXPECT_EQ(expected, s.str());
  EXPECT_EQ(kBlocks.size(), s.str().size());
  // What is left before the stale tail is a stream of the other two blocks.
  std::stringstream trimmed(s.str().substr(0, kBlocks.size() - 11));
  KMExtensionScanner after(trimmed);
  EXPECT_EQ(-1, after.findExt(1, 2));
  EXPECT_EQ(10, after.findExt(2, 2));

  EXPECT_EQ(-1, scanner.removeExt(9, 9)) << "a block that is not there";
  std::istringstream readOnly(kBlocks);
  KMExtensionScanner cannotWrite(readOnly);
  EXPECT_EQ(-1, cannotWrite.removeExt(1, 2));
  EXPECT_EQ(kBlocks, readOnly.str());
}

TEST(KMExtensionScannerTest, RemoveExtOnAFile) {
  const char* tmp = std::getenv("TMPDIR");
  std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/kmextXXXXXX";
  int fd = mkstemp(&path[0]);
  ASSERT_GE(fd, 0);
  // Large enough that the tail moves in several steps.
  std::string tail(10000, ' ');
  tail += "(e3,3,)";
  std::string bytes = kBlocks + tail;
  ASSERT_EQ(static_cast<ssize_t>(bytes.size()), write(fd, bytes.data(), bytes.size()));
  {
    FdStream s(fd);
    KMExtensionScanner scanner(s);
    EXPECT_EQ(0, scanner.removeExt(1, 1));
  }
  std::string onDisk(bytes.size() + 10, '\0');
  ssize_t n = pread(fd, &onDisk[0], onDisk.size(), 0);
  close(fd);
  std::remove(path.c_str());
  ASSERT_EQ(static_cast<ssize_t>(bytes.size()), n);
  onDisk.resize(static_cast<size_t>(n));
  EXPECT_EQ(bytes.substr(10) + bytes.substr(bytes.size() - 10), onDisk);
}

}  // namespace
