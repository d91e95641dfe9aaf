// Edits killed at random moments: whatever a killed tvx left of a commit beside
// the book is put right by the next open of the book (any command), the book is
// always sound and holds the old or the new body, and the working files that
// killed editors left in the temporary folder are removed by the next open for
// writing, while a working file a live process claims or holds is never touched.
// The kill loop is bounded in rounds and in time.
#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/io/share_open.h"
#include "platform/io/work_file_claim.h"
#include "tests/tools/tool_test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

// Points TMPDIR (this process's and the tvx it starts) at a folder of the
// test's own while it lives: other tests running at the same time keep their
// working files in the suite's temporary folder, and those are theirs.
class PrivateTempFolder {
 public:
  explicit PrivateTempFolder(const ToolScratch& dir) {
    const char* old = std::getenv("TMPDIR");
    if (old != nullptr) old_ = old;
    hadOld_ = old != nullptr;
    const std::string folder = dir.file("tmp");
    mkdir(folder.c_str(), 0700);
    setenv("TMPDIR", folder.c_str(), 1);
  }
  ~PrivateTempFolder() {
    if (hadOld_) {
      setenv("TMPDIR", old_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }
  PrivateTempFolder(const PrivateTempFolder&) = delete;
  PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

 private:
  std::string old_;
  bool hadOld_ = false;
};

std::string tempFolder() {
  const char* t = std::getenv("TMPDIR");
  return t != nullptr && *t != '\0' ? t : "/tmp";
}

// The working files of the system's kind in the temporary folder.
std::vector<std::string> workFiles() {
  std::vector<std::string> out;
  DIR* d = opendir(tempFolder().c_str());
  if (d == nullptr) return out;
  for (struct dirent* e = readdir(d); e != nullptr; e = readdir(d)) {
    if (WorkFileClaim::isTempName(e->d_name, "TVX")) out.push_back(tempFolder() + "/" + e->d_name);
  }
  closedir(d);
  return out;
}

// Makes a file look as if it was last changed a minute ago.
void age(const std::string& path) {
  struct timeval times[2];
  gettimeofday(&times[0], nullptr);
  times[0].tv_sec -= 60;
  times[1] = times[0];
  utimes(path.c_str(), times);
}

// Starts tvx with `args` (output discarded) and kills it after `delay`; true
// when it was still running then.
bool runAndKill(const std::vector<std::string>& args, std::chrono::microseconds delay) {
  // The child only calls what is safe after a fork: no allocation there.
  std::vector<char*> argv{const_cast<char*>(TVX_BINARY)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    execv(TVX_BINARY, argv.data());
    _exit(127);
  }
  std::this_thread::sleep_for(delay);
  const bool running = kill(pid, SIGKILL) == 0;
  int status = 0;
  waitpid(pid, &status, 0);
  return running && WIFSIGNALED(status);
}

TEST(KilledEditTest, TheNextOpenClearsWhatAKilledEditLeft) {
  ToolScratch dir;
  PrivateTempFolder tmp(dir);
  const std::string book = dir.file("killed.tvx");
  // Bodies large enough that saving takes a while, so kills land inside commits.
  const std::string bodyA = sampleBody(std::string(400000, 'a'));
  const std::string bodyB = sampleBody(std::string(300000, 'b'));
  writeFileBytes(dir.file("a.map"), bodyA);
  writeFileBytes(dir.file("b.map"), bodyB);
  ASSERT_EQ(tvx({"new", book}).status, 0);
  ASSERT_EQ(tvx({"put", book, "Page", dir.file("a.map")}).status, 0);
  ASSERT_EQ(tvx({"page", "add", book, "Other"}).status, 0);

  // How long one edit takes here: kills are spread over it.
  const Clock::time_point t0 = Clock::now();
  ASSERT_EQ(tvx({"put", book, "Page", dir.file("b.map")}).status, 0);
  const auto editTime = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0);

  std::mt19937 rng(11);
  int killed = 0, journals = 0, leftFiles = 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(40);
  for (int round = 0; round < 60 && Clock::now() < deadline; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::vector<std::string> args;
    switch (round % 3) {
      case 0: args = {"put", book, "Page", dir.file(round % 2 ? "a.map" : "b.map")}; break;
      case 1: args = {"attr", book, "Other", "Round", std::to_string(round)}; break;
      default: args = {"page", "add", book, "Added " + std::to_string(round)}; break;
    }
    const auto delay = std::chrono::microseconds(rng() % (editTime.count() + 1));
    if (runAndKill(args, delay)) ++killed;
    if (fileExists(book + ".commit~")) ++journals;
    leftFiles += static_cast<int>(workFiles().size());

    // Any command opens the book; a commit cut short is finished or undone first.
    const RunResult ls = tvx({"ls", book});
    EXPECT_EQ(ls.status, 0) << ls.err;
    EXPECT_FALSE(fileExists(book + ".commit~"));
    const RunResult check = tvx({"check", book});
    EXPECT_EQ(check.status, 0) << check.out;
    const RunResult cat = tvx({"cat", book, "Page"});
    EXPECT_TRUE(cat.out == bodyA || cat.out == bodyB) << "the body is neither the old nor the new one";

    // Once old enough, the working files of killed editors go with the next
    // open for writing; the edit's own goes when it ends.
    for (const std::string& f : workFiles()) age(f);
    const RunResult edit = tvx({"attr", book, "Other", "Checked", std::to_string(round)});
    EXPECT_EQ(edit.status, 0) << edit.err;
    EXPECT_TRUE(workFiles().empty()) << workFiles().size() << " working files left";
  }
  // The loop must have cut edits short, and some inside their commits.
  EXPECT_GT(killed, 10);
  RecordProperty("killed", killed);
  RecordProperty("journals_left", journals);
  RecordProperty("work_files_left", leftFiles);
  std::printf("killed %d edits: %d left a journal, %d working files left in all\n", killed, journals,
              leftFiles);
}

TEST(KilledEditTest, OnlyWorkingFilesNobodyHoldsAreRemoved) {
  ToolScratch dir;
  PrivateTempFolder tmp(dir);
  const std::string book = dir.file("sweep.tvx");
  ASSERT_EQ(tvx({"new", book}).status, 0);
  struct Case {
    const char* name;
    bool old;          // last changed a minute ago
    int hold;          // 0 nobody, 1 a claim, 2 an open through the share rules
    bool removed;
  };
  const std::vector<Case> cases = {
      {"TVX1A.tmp", true, 0, true},    // a dead editor's
      {"TVX1B.tmp", false, 0, false},  // just made: its maker may not have claimed it yet
      {"TVX1C.tmp", true, 1, false},   // claimed by a live editor
      {"TVX1D.tmp", true, 2, false},   // open as a book
      {"TVXQ.tmp", true, 0, false},    // not a name the system makes
      {"TVX1E.txt", true, 0, false},
  };
  std::vector<std::unique_ptr<WorkFileClaim>> claims;
  std::vector<int> opens;
  for (const Case& c : cases) {
    const std::string path = tempFolder() + "/" + c.name;
    writeFileBytes(path, "x");
    if (c.old) age(path);
    if (c.hold == 1) claims.push_back(std::make_unique<WorkFileClaim>(path.c_str()));
    if (c.hold == 2) opens.push_back(_sopen(path.c_str(), _O_RDONLY, _SH_DENYNO));
  }
  ASSERT_EQ(tvx({"page", "add", book, "P"}).status, 0);
  for (const Case& c : cases) {
    const std::string path = tempFolder() + "/" + c.name;
    EXPECT_EQ(!fileExists(path), c.removed) << c.name;
    unlink(path.c_str());
  }
  for (int fd : opens) _close(fd);
}

}  // namespace
