// Saving a book among other programs: several writers in processes of their
// own start at once on one book while a reader reads it over and over, and
// writers are killed at any moment of their work. Every writer that says it
// saved has its page in the book, every writer that says it failed has not, the
// reader never sees a damaged book, and a killed writer leaves the book as it
// was before or after, never anything else.
//
// The loops are bounded in rounds and in time.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/db.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/whole_book_reader.h"
#include "hostile_support.h"
#include "kit/error_msg_exception.h"
#include "platform/io/share_open.h"
#include "sample_book.h"

namespace {

using Clock = std::chrono::steady_clock;

FuzzNexil& app() {
  static FuzzNexil* a = new FuzzNexil();  // lives for the whole test program
  return *a;
}

std::string pageName(int writer) { return "Written by " + std::to_string(writer); }

// One writer's whole edit: waits up to `waitMs` for the book's write lock, adds
// its page with `body`, commits. True when the commit said it succeeded.
bool writeOnePage(const std::string& book, int writer, const std::string& body, int waitMs) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    DBRef hold;
    try {
      DB* db = new DB(app(), "", book.c_str(), _O_RDWR, _SH_DENYWR);
      hold.ref(db);
      if (!db->isReadOnly()) {
        const ULONG id = db->createNode(String(pageName(writer).c_str()), String("map"), 0);
        std::unique_ptr<std::iostream> s = db->getNodeStream(id, 1);
        if (!s) return false;
        s->write(body.data(), static_cast<std::streamsize>(body.size()));
        s->flush();
        if (!s->good()) return false;
        s.reset();
        return db->commit() == 0;
      }
    } catch (const ErrorMsgException&) {
    }
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

// Runs a role (see ConcurrentCommitChild.Role below) in a child process of its
// own: a fresh copy of this program, so that no lock another thread of this
// process held at the fork (the allocator's, say) is inherited held.
pid_t spawn(const std::string& role) {
  const std::string env = "TVX_COMMIT_CHILD=" + role;
  const std::string home = std::string("TAVIX_LOG_DIR=") + (getenv("TAVIX_LOG_DIR") ? getenv("TAVIX_LOG_DIR") : "/tmp");
  const std::string tmp = std::string("TMPDIR=") + (getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp");
  const std::string profile = std::string("TAVIX_PROFILE=") + (getenv("TAVIX_PROFILE") ? getenv("TAVIX_PROFILE") : "/tmp/tavix.ini");
  const char* asan = getenv("ASAN_OPTIONS");
  const std::string asanEnv = std::string("ASAN_OPTIONS=") + (asan ? asan : "");
  char* const argv[] = {const_cast<char*>("hostile_tests"),
                        const_cast<char*>("--gtest_filter=ConcurrentCommitChild.Role"), nullptr};
  char* const envp[] = {const_cast<char*>(env.c_str()), const_cast<char*>(home.c_str()),
                        const_cast<char*>(tmp.c_str()), const_cast<char*>(profile.c_str()),
                        const_cast<char*>(asanEnv.c_str()), nullptr};
  const pid_t pid = fork();
  if (pid == 0) {
    execve("/proc/self/exe", argv, envp);
    _exit(127);
  }
  return pid;
}

// The child's exit code, or -1 when it did not exit on its own.
int reap(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A page body that reads cleanly: the sample book's longest.
std::string validBody() {
  const std::string path = scratchDir() + "body_source_" + std::to_string(getpid()) + ".tvx";
  makeSampleBook(app(), path);
  std::string longest;
  for (const auto& e : readWholeBook(app(), path).entries) {
    const std::string& body = e.second.facets[DB::Body];
    if (e.second.kind == DB::KindNode && e.second.bodyStatus == 0 && body.size() > longest.size()) {
      longest = body;
    }
  }
  unlink(path.c_str());
  return longest;
}

// Adds `pages` pages with `body` to the book at `path`, so that saving it takes
// a while.
void growBook(const std::string& path, int pages, const std::string& body) {
  DBRef hold;
  DB* db = new DB(app(), "", path.c_str(), _O_RDWR, _SH_DENYWR);
  hold.ref(db);
  for (int i = 0; i < pages; ++i) {
    const ULONG id = db->createNode(String(("Filler " + std::to_string(i)).c_str()), String("map"), 0);
    std::unique_ptr<std::iostream> s = db->getNodeStream(id, 1);
    s->write(body.data(), static_cast<std::streamsize>(body.size()));
  }
  db->commit();
}

bool hasPage(const BookImage& image, const std::string& name) {
  for (const auto& e : image.entries) {
    if (e.second.kind == DB::KindNode && e.second.name == name) return true;
  }
  return false;
}

TEST(ConcurrentCommit, EveryWriterThatSaysItSavedHasItsPageAndNoOtherHas) {
  quietProcess();
  const std::string book = scratchDir() + "concurrent.tvx";
  const std::string body = validBody();
  ASSERT_FALSE(body.empty());
  const int rounds = 20;
  const int writers = 4;
  const Clock::time_point stop = Clock::now() + std::chrono::seconds(60);
  int saved = 0, refused = 0;
  for (int round = 0; round < rounds && Clock::now() < stop; ++round) {
    ASSERT_TRUE(makeSampleBook(app(), book));
    // Every child waits on the pipe, so that all start at once.
    int gate[2];
    ASSERT_EQ(0, pipe(gate));
    const std::string fds = std::to_string(gate[0]) + " " + std::to_string(gate[1]);
    std::vector<pid_t> children;
    for (int w = 0; w < writers; ++w) {
      // Half the writers give up at once when the book is held, half wait.
      const int waitMs = w % 2 == 0 ? 0 : 10000;
      children.push_back(spawn("writer " + fds + " " + std::to_string(w) + " " +
                               std::to_string(waitMs) + " " + book));
    }
    // A reader that opens and reads the whole book until the writers are done.
    const pid_t reader = spawn("reader " + fds + " 0 0 " + book);
    close(gate[0]);
    close(gate[1]);  // opens the gate
    std::vector<int> results;
    for (pid_t c : children) results.push_back(reap(c));
    writeBytes(book + ".done", "");
    EXPECT_EQ(0, reap(reader)) << "round " << round << ": the reader saw a damaged book";
    unlink((book + ".done").c_str());

    const BookImage image = readWholeBook(app(), book);
    ASSERT_EQ(0, image.problems) << "round " << round << ": " << image.lastReport;
    EXPECT_EQ("", checkBookFile(book)) << "round " << round;
    for (int w = 0; w < writers; ++w) {
      ASSERT_TRUE(results[w] == 0 || results[w] == 1) << "writer " << w << " crashed";
      EXPECT_EQ(results[w] == 0, hasPage(image, pageName(w)))
          << "round " << round << ", writer " << w << " said " << (results[w] == 0 ? "saved" : "failed");
      (results[w] == 0 ? saved : refused) += 1;
    }
    EXPECT_NE(0, access((book + ".commit~").c_str(), F_OK)) << "round " << round;
  }
  // The writers that wait always get their turn.
  EXPECT_GE(saved, rounds * writers / 2);
}

TEST(ConcurrentCommit, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewBook) {
  quietProcess();
  const std::string base = scratchDir() + "killed_base.tvx";
  const std::string book = scratchDir() + "killed.tvx";
  const std::string body = validBody();
  ASSERT_FALSE(body.empty());
  ASSERT_TRUE(makeSampleBook(app(), base));
  growBook(base, 2000, body);
  const std::string original = fileBytes(base);
  const BookImage oldImage = readWholeBook(app(), base);
  ASSERT_EQ(0, oldImage.problems) << oldImage.lastReport;

  // One run to the end: the new book, and how long the whole edit takes.
  writeBytes(book, original);
  const Clock::time_point t0 = Clock::now();
  ASSERT_EQ(0, reap(spawn("writer -1 -1 7 0 " + book)));
  const int64_t runUs =
      std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count();
  const BookImage newImage = readWholeBook(app(), book);
  ASSERT_TRUE(hasPage(newImage, pageName(7)));

  std::mt19937 random(12345);
  const int rounds = 40;
  int oldSeen = 0, newSeen = 0;
  for (int round = 0; round < rounds; ++round) {
    writeBytes(book, original);
    const int64_t delay = std::uniform_int_distribution<int64_t>(0, runUs + runUs / 4)(random);
    const pid_t child = spawn("writer -1 -1 7 0 " + book);
    std::this_thread::sleep_for(std::chrono::microseconds(delay));
    kill(child, SIGKILL);
    reap(child);

    // The next open puts right whatever the killed writer left.
    const BookImage image = readWholeBook(app(), book);
    const bool isOld = sameBook(oldImage, image);
    const bool isNew = sameBook(newImage, image);
    EXPECT_TRUE(isOld || isNew) << "killed after " << delay << " us of " << runUs;
    EXPECT_EQ(0, image.problems) << "killed after " << delay << " us: " << image.lastReport;
    EXPECT_EQ("", checkBookFile(book)) << "killed after " << delay << " us";
    EXPECT_NE(0, access((book + ".commit~").c_str(), F_OK)) << "killed after " << delay << " us";
    oldSeen += isOld;
    newSeen += isNew;
  }
  EXPECT_GT(oldSeen, 0);
  EXPECT_GT(newSeen, 0);
}

// The children's side: "writer|reader GATE_READ GATE_WRITE N WAIT_MS BOOK".
// Skipped unless a test above started this program for it.
TEST(ConcurrentCommitChild, Role) {
  const char* role = getenv("TVX_COMMIT_CHILD");
  if (role == nullptr) GTEST_SKIP() << "run by the tests above, in a process of its own";
  quietProcess();
  std::istringstream in(role);
  std::string kind, book;
  int gateRead = -1, gateWrite = -1, n = 0, waitMs = 0;
  in >> kind >> gateRead >> gateWrite >> n >> waitMs;
  std::getline(in >> std::ws, book);
  if (gateWrite >= 0) close(gateWrite);
  if (gateRead >= 0) {
    char ch;
    while (read(gateRead, &ch, 1) > 0) {
    }
  }
  bool ok = false;
  if (kind == "writer") {
    ok = writeOnePage(book, n, validBody(), waitMs);
  } else if (kind == "reader") {
    ok = true;
    for (int i = 0; i < 200 && ok; ++i) {
      const BookImage image = readWholeBook(app(), book);
      if (image.opened && image.problems != 0) ok = false;
      struct stat st;
      if (stat((book + ".done").c_str(), &st) == 0) break;
    }
  }
  _exit(ok ? 0 : 1);
}

}  // namespace
