// A copy landing in a file while it is in use: its states, how it is found, and
// a page-cache stream opened on the file meanwhile (reads come from the source,
// the first write waits for the copy, a failed copy fails the write).
#include "platform/io/pending_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/io/fault_injection.h"
#include "platform/io/fd_stream.h"
#include "tests/platform/scratch_file_support.h"

namespace {

struct FileId {
  unsigned long long device = 0;
  unsigned long long inode = 0;
};

FileId idOf(const std::string& path) {
  struct stat st;
  FileId id;
  if (::stat(path.c_str(), &st) == 0) {
    id.device = static_cast<unsigned long long>(st.st_dev);
    id.inode = static_cast<unsigned long long>(st.st_ino);
  }
  return id;
}

// A source with `bytes` and a destination of the same length holding zeros, as
// the copy finds them when it starts; the work copies only once `gate` opens,
// and then succeeds or fails as `succeed` says.
// Each test names its own (tests run side by side in separate processes).
struct Landing {
  explicit Landing(const std::string& name)
      : source(scratchPath((name + "-source").c_str())),
        dest(scratchPath((name + "-dest").c_str())) {}
  std::string source;
  std::string dest;
  std::atomic<bool> gate{false};
  std::atomic<bool> sawStop{false};
  std::shared_ptr<PendingCopy> copy;

  void start(const std::string& bytes, bool succeed) {
    writeBytes(source, bytes);
    writeBytes(dest, std::string(bytes.size(), '\0'));
    const int from = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    const int to = ::open(dest.c_str(), O_WRONLY | O_CLOEXEC);
    auto work = [this, from, to, bytes, succeed](const std::atomic<bool>& stop) {
      while (!gate.load()) {
        if (stop.load()) {
          sawStop = true;
          return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      if (!succeed) return false;
      return ::pwrite(to, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()) &&
             from >= 0;
    };
    copy = PendingCopy::start(from, to, work);
    ASSERT_NE(nullptr, copy);
  }
  ~Landing() {
    gate = true;
    copy.reset();
    std::remove(source.c_str());
    std::remove(dest.c_str());
  }
};

TEST(PendingCopy, IsFoundByItsDestinationUntilWholeAndReadsItsSourceMeanwhile) {
  Landing landing("landing-found");
  landing.start("the book's bytes", true);
  const FileId dest = idOf(landing.dest);
  EXPECT_EQ(landing.copy, PendingCopy::find(dest.device, dest.inode));
  const FileId source = idOf(landing.source);
  EXPECT_EQ(nullptr, PendingCopy::find(source.device, source.inode)) << "only the destination";
  EXPECT_FALSE(landing.copy->finished());
  const int own = 12345;  // a reader's descriptor on the destination, never used here
  EXPECT_NE(own, landing.copy->readFd(own)) << "the source serves reads until the copy is whole";

  landing.gate = true;
  EXPECT_TRUE(landing.copy->wait());
  EXPECT_TRUE(landing.copy->wait()) << "waiting again answers the same";
  EXPECT_TRUE(landing.copy->finished());
  EXPECT_EQ(own, landing.copy->readFd(own));
  EXPECT_EQ(nullptr, PendingCopy::find(dest.device, dest.inode)) << "a whole copy is not pending";
  EXPECT_EQ("the book's bytes", fileContents(landing.dest));

  landing.copy.reset();
  EXPECT_EQ(nullptr, PendingCopy::find(dest.device, dest.inode));
}

TEST(PendingCopy, AFailedOrCancelledCopyStaysFoundAndNeverReadsTheDestination) {
  {
    Landing failing("landing-failing");
    failing.start("bytes", false);
    failing.gate = true;
    EXPECT_FALSE(failing.copy->wait());
    const FileId dest = idOf(failing.dest);
    EXPECT_EQ(failing.copy, PendingCopy::find(dest.device, dest.inode))
        << "a stream opened later must still read the source and refuse to write";
    EXPECT_NE(7, failing.copy->readFd(7));
  }
  {
    Landing cancelled("landing-cancelled");
    cancelled.start("bytes", true);
    cancelled.copy->cancel();
    EXPECT_TRUE(cancelled.sawStop) << "the work was asked to stop";
    EXPECT_FALSE(cancelled.copy->wait());
  }
  {
    // Destroyed while running: the work is stopped and the object goes without
    // waiting for a gate that never opens.
    Landing dropped("landing-dropped");
    dropped.start("bytes", true);
    const FileId dest = idOf(dropped.dest);
    dropped.copy.reset();
    EXPECT_TRUE(dropped.sawStop);
    EXPECT_EQ(nullptr, PendingCopy::find(dest.device, dest.inode));
  }
  // Descriptors that cannot be examined: nothing starts, both are closed.
  const int source = ::open(scratchPath("landing-none").c_str(), O_RDONLY | O_CREAT, 0600);
  ASSERT_GE(source, 0);
  EXPECT_EQ(nullptr, PendingCopy::start(source, -1, [](const std::atomic<bool>&) { return true; }));
  errno = 0;
  EXPECT_EQ(-1, ::fcntl(source, F_GETFD));
  EXPECT_EQ(EBADF, errno);
  std::remove(scratchPath("landing-none").c_str());
}

TEST(PendingCopy, WhileTheFailureHookIsArmedTheCopyIsMadeOnTheCallersThread) {
  const std::string source = scratchPath("landing-hook-source");
  const std::string dest = scratchPath("landing-hook-dest");
  writeBytes(source, "x");
  writeBytes(dest, "");
  FaultInjection::countOnly();
  std::thread::id ranOn;
  std::shared_ptr<PendingCopy> copy = PendingCopy::start(
      ::open(source.c_str(), O_RDONLY | O_CLOEXEC), ::open(dest.c_str(), O_WRONLY | O_CLOEXEC),
      [&ranOn](const std::atomic<bool>&) {
        ranOn = std::this_thread::get_id();
        return true;
      });
  FaultInjection::disarm();
  ASSERT_NE(nullptr, copy);
  EXPECT_TRUE(copy->finished()) << "finished before start returned";
  EXPECT_EQ(std::this_thread::get_id(), ranOn);
  copy.reset();
  std::remove(source.c_str());
  std::remove(dest.c_str());
}

// The stream as the store keeps it: 4 KB pages, a table of 8.
constexpr std::size_t kPage = 4096;
constexpr std::size_t kPages = 8;

std::string patterned(std::size_t n) {
  std::string bytes(n, '\0');
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
  return bytes;
}

TEST(PendingCopy, AStreamOnTheDestinationReadsTheSourceAndWritesOnlyOnceTheCopyIsWhole) {
  const std::string bytes = patterned(20 * kPage + 100);
  Landing landing("landing-stream");
  landing.start(bytes, true);
  const int fd = ::open(landing.dest.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  {
    FdStream stream(fd, kPage, kPages);
    // Small reads (through pages, with read-ahead) and a large one, all before
    // a byte has landed.
    char small[10];
    stream.seekg(5 * kPage - 3);
    stream.read(small, sizeof small);
    EXPECT_EQ(bytes.substr(5 * kPage - 3, sizeof small), std::string(small, sizeof small));
    std::string large(12 * kPage, '\0');
    stream.seekg(kPage + 1);
    stream.read(&large[0], static_cast<std::streamsize>(large.size()));
    EXPECT_EQ(bytes.substr(kPage + 1, large.size()), large);
    stream.seekg(0, std::ios_base::end);
    EXPECT_EQ(static_cast<std::streamoff>(bytes.size()),
              static_cast<std::streamoff>(stream.tellg()));

    // A change is kept in the page; the flush that writes it waits for the copy.
    stream.seekp(2 * kPage + 5);
    stream.write("CHANGED", 7);
    std::thread opener([&landing] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      landing.gate = true;
    });
    stream.flush();
    opener.join();
    EXPECT_TRUE(stream.good());
    EXPECT_TRUE(landing.copy->finished());
    EXPECT_FALSE(stream.fdbuf()->writeFailed());
    // From here on the destination itself is read.
    stream.seekg(19 * kPage);
    std::string tail(kPage + 100, '\0');
    stream.read(&tail[0], static_cast<std::streamsize>(tail.size()));
    EXPECT_EQ(bytes.substr(19 * kPage), tail);
  }
  ::close(fd);
  std::string expected = bytes;
  expected.replace(2 * kPage + 5, 7, "CHANGED");
  EXPECT_EQ(expected, fileContents(landing.dest)) << "the copy first, the change over it";
}

TEST(PendingCopy, AStreamOnAFailedCopyRefusesToWriteAndKeepsReadingTheSource) {
  const std::string bytes = patterned(3 * kPage);
  Landing landing("landing-stream-failed");
  landing.start(bytes, false);
  landing.gate = true;
  ASSERT_FALSE(landing.copy->wait());
  const int fd = ::open(landing.dest.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  {
    FdStream stream(fd, kPage, kPages);
    std::string all(bytes.size(), '\0');
    stream.read(&all[0], static_cast<std::streamsize>(all.size()));
    EXPECT_EQ(bytes, all) << "the destination holds zeros; its reader sees the source";
    stream.seekp(10);
    stream.write("x", 1);
    stream.flush();
    EXPECT_TRUE(stream.fdbuf()->writeFailed());
    EXPECT_FALSE(stream.good());
    // Nor may a truncation reach the file.
    stream.clear();
    EXPECT_FALSE(stream.fdbuf()->truncate(kPage));
  }
  ::close(fd);
  EXPECT_EQ(std::string(bytes.size(), '\0'), fileContents(landing.dest))
      << "nothing of the stream's reached a destination that was never whole";
}

}  // namespace
