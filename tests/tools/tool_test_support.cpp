// The tools' test helpers: running programs with pipes, scratch folders, files.
#include "tool_test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "kit/error_msg_exception.h"
#include "store/middle_level_store.h"

namespace {

// Points the log, the profile and the temporary folder at a scratch folder of
// this process when the test runner has not (a suite started by hand).
struct ScratchEnvironment {
  ScratchEnvironment() {
    if (std::getenv("TAVIX_LOG_DIR") != nullptr) return;
    char base[] = "/tmp/tvx-tools-tests-XXXXXX";
    const char* dir = mkdtemp(base);
    if (dir == nullptr) return;
    const std::string d(dir);
    mkdir((d + "/tmp").c_str(), 0777);
    setenv("TAVIX_LOG_DIR", (d + "/log").c_str(), 1);
    setenv("TAVIX_PROFILE", (d + "/tavix.ini").c_str(), 1);
    setenv("TMPDIR", (d + "/tmp").c_str(), 1);
  }
} g_scratchEnvironment;

void closeIfOpen(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& input, int timeoutSeconds) {
  RunResult result;
  // Everything the child needs is made before the fork: tests run programs
  // from several threads at once, and a child that allocated could find the
  // allocator's lock taken by another thread at the fork, and wait forever.
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // Closed on exec, so that a program started at the same time by another
  // thread does not hold this one's pipes open.
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return result;
  const pid_t pid = fork();
  if (pid < 0) return result;
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  int toChild = in[1], fromOut = out[0], fromErr = err[0];
  signal(SIGPIPE, SIG_IGN);
  std::size_t written = 0;
  if (input.empty()) closeIfOpen(toChild);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  bool killed = false;
  // Bounded by the deadline: after it the child is killed and its pipes close.
  while (fromOut >= 0 || fromErr >= 0) {
    std::vector<pollfd> fds;
    if (fromOut >= 0) fds.push_back({fromOut, POLLIN, 0});
    if (fromErr >= 0) fds.push_back({fromErr, POLLIN, 0});
    if (toChild >= 0) fds.push_back({toChild, POLLOUT, 0});
    const int ready = poll(fds.data(), fds.size(), 200);
    if (std::chrono::steady_clock::now() > deadline && !killed) {
      kill(pid, SIGKILL);
      killed = true;
    }
    if (ready <= 0) continue;
    for (const pollfd& p : fds) {
      if (p.revents == 0) continue;
      if (p.fd == toChild) {
        const ssize_t n = write(toChild, input.data() + written, input.size() - written);
        if (n > 0) written += static_cast<std::size_t>(n);
        if (n < 0 || written == input.size()) closeIfOpen(toChild);
        continue;
      }
      char buf[65536];
      const ssize_t n = read(p.fd, buf, sizeof buf);
      if (n <= 0) {
        if (p.fd == fromOut) closeIfOpen(fromOut); else closeIfOpen(fromErr);
        continue;
      }
      (p.fd == fromOut ? result.out : result.err).append(buf, static_cast<std::size_t>(n));
    }
  }
  closeIfOpen(toChild);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  else if (WIFSIGNALED(status)) result.status = 128 + WTERMSIG(status);
  return result;
}

RunResult tvx(const std::vector<std::string>& args, const std::string& input) {
  return runProgram(TVX_BINARY, args, input);
}

ToolScratch::ToolScratch() {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tools-XXXXXX";
  std::vector<char> name(base.begin(), base.end());
  name.push_back('\0');
  const char* made = mkdtemp(name.data());
  path_ = made != nullptr ? made : base;
}

ToolScratch::~ToolScratch() {
  const std::string cmd = "rm -rf '" + path_ + "'";
  if (std::system(cmd.c_str()) != 0) {
  }
}

std::string readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool fileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::string sampleBody(const std::string& author) {
  return "#CM&^# 161\r\n(B(a\"" + author + "\",1,1),,,)";
}

namespace {

struct StoreCloser {
  void operator()(MiddleLevelStore* s) const { delete s; }
};

}  // namespace

std::string facetOf(const std::string& book, unsigned id, int facet) {
  try {
    std::unique_ptr<MiddleLevelStore, StoreCloser> store(MiddleLevelStore::make(book.c_str(), 0, 0x40));
    if (store->isFacetEmpty(id, facet)) return std::string();
    std::ostringstream out;
    {
      std::unique_ptr<StoreStream> s = store->find(id, facet);
      out << s->rdbuf();
    }
    return out.str();
  } catch (const ErrorMsgException&) {
    return "<error>";
  }
}

unsigned kindOf(const std::string& book, unsigned id) {
  try {
    std::unique_ptr<MiddleLevelStore, StoreCloser> store(MiddleLevelStore::make(book.c_str(), 0, 0x40));
    return store->getFlags(id);
  } catch (const ErrorMsgException&) {
    return 0;
  }
}

void ExampleBookTest::SetUp() {
  const std::string bytes = readFileBytes(EXAMPLE_BOOK);
  ASSERT_FALSE(bytes.empty()) << "no example book at " << EXAMPLE_BOOK;
  book = dir.file("example.tvx");
  writeFileBytes(book, bytes);
}

std::size_t countOf(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}
