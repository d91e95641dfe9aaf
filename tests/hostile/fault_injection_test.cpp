// The failure hook itself: which operation fails, what the caller sees, and
// that disarmed or other-kind operations are left alone.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "hostile_support.h"
#include "platform/io/fault_injection.h"
#include "platform/io/fd_stream.h"

namespace {

TEST(FaultInjection, TheNthOperationOfTheArmedKindsFailsAndNoOther) {
  struct Case {
    const char* name;
    uint64_t n;
    unsigned mask;
    bool sticky;
    // The operations asked, and which of them must fail ('x') or pass ('.').
    std::vector<FaultInjection::Operation> ops;
    const char* expected;
  };
  using F = FaultInjection;
  const Case cases[] = {
      {"second of any", 2, F::AnyOperation, false, {F::Write, F::Flush, F::Unlink, F::Write}, ".x.."},
      {"first write only", 1, F::Write, false, {F::Flush, F::Unlink, F::Write, F::Write}, "..x."},
      {"second removal", 2, F::Unlink, false, {F::Unlink, F::Write, F::Unlink, F::Unlink}, "..x."},
      {"sticky from third", 3, F::AnyOperation, true, {F::Write, F::Write, F::Flush, F::Write, F::Unlink}, "..xxx"},
      {"sticky flushes only", 1, F::Flush, true, {F::Write, F::Flush, F::Write, F::Flush}, ".x.x"},
      {"beyond the work", 9, F::AnyOperation, false, {F::Write, F::Flush}, ".."},
  };
  for (const Case& c : cases) {
    F::failNth(c.n, c.mask, c.sticky);
    std::string seen;
    for (F::Operation op : c.ops) seen += F::shouldFail(op) ? 'x' : '.';
    F::disarm();
    EXPECT_EQ(c.expected, seen) << c.name;
  }
  // Disarmed, nothing fails and nothing is counted.
  const uint64_t before = F::count();
  EXPECT_FALSE(F::shouldFail(F::Write));
  EXPECT_EQ(before, F::count());
}

TEST(FaultInjection, CountingOnlyCountsTheArmedKinds) {
  FaultInjection::countOnly(FaultInjection::Write | FaultInjection::Unlink);
  EXPECT_FALSE(FaultInjection::shouldFail(FaultInjection::Write));
  EXPECT_FALSE(FaultInjection::shouldFail(FaultInjection::Flush));
  EXPECT_FALSE(FaultInjection::shouldFail(FaultInjection::Unlink));
  EXPECT_EQ(2u, FaultInjection::count());
  EXPECT_EQ(0u, FaultInjection::failures());
  FaultInjection::disarm();
}

TEST(FaultInjection, AFailedStreamWriteLeavesTheFileAloneAndFailsTheStream) {
  const std::string path = scratchDir() + "hook_stream.bin";
  writeBytes(path, "old bytes");
  const int fd = ::open(path.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  {
    FdStream s(fd);
    s.write("NEW", 3);
    FaultInjection::failNth(1, FaultInjection::Write);
    s.flush();
    FaultInjection::disarm();
    EXPECT_TRUE(s.bad() || s.fail()) << "a failed write must show on the stream";
  }
  ::close(fd);
  EXPECT_EQ("old bytes", fileBytes(path));

  // A failing sync reports failure without writing; the removal fails with EIO
  // and leaves the name as it was.
  const std::string other = scratchDir() + "hook_other.bin";
  writeBytes(other, "other");
  FaultInjection::failNth(1, FaultInjection::Unlink);
  errno = 0;
  EXPECT_EQ(-1, FaultInjection::unlink(other.c_str()));
  EXPECT_EQ(EIO, errno);
  FaultInjection::disarm();
  EXPECT_EQ("old bytes", fileBytes(path));
  EXPECT_EQ("other", fileBytes(other));
  const int fd2 = ::open(path.c_str(), O_RDONLY);
  FaultInjection::failNth(1, FaultInjection::Flush);
  EXPECT_EQ(-1, FaultInjection::fsync(fd2));
  EXPECT_EQ(0, FaultInjection::fsync(fd2));
  FaultInjection::disarm();
  ::close(fd2);
  unlink(other.c_str());
  unlink(path.c_str());
}

}  // namespace
