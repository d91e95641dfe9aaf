// book_graph.cpp: the book's graph laid out by dot (see book_graph.h).
#include "tools/tvx/book_graph.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "tools/tvx/web_text.h"

extern char** environ;

namespace {

// A dot quoted string: the text as UTF-8 without line breaks, quotes and
// backslashes escaped (so that no escape of dot's own, like \N, can appear).
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : webText(text, 200)) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n' || c == '\t') c = ' ';
    out += c;
  }
  return out + "\"";
}

long long nowMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Runs "dot -Tsvg" with `input` on its standard input; true with its output
// when it exits with status 0 within the time and output bounds.
bool runDot(const std::string& input, std::string* output, std::string* why) {
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0) {
    *why = std::string("cannot make a pipe: ") + std::strerror(errno);
    return false;
  }
  if (::pipe2(out, O_CLOEXEC) != 0) {
    *why = std::string("cannot make a pipe: ") + std::strerror(errno);
    ::close(in[0]);
    ::close(in[1]);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  char arg0[] = "dot", arg1[] = "-Tsvg";
  char* argv[] = {arg0, arg1, nullptr};
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, "dot", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  if (spawned != 0) {
    ::close(in[1]);
    ::close(out[0]);
    *why = std::string("cannot start dot: ") + std::strerror(spawned);
    return false;
  }
  // A dot that stops reading must not stop tvx with SIGPIPE.
  struct sigaction ignore = {}, old = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &old);
  std::size_t written = 0;
  bool failed = false;
  const long long deadline = nowMs() + kDotSeconds * 1000LL;
  int toDot = in[1];
  const int fromDot = out[0];
  ::fcntl(toDot, F_SETFL, O_NONBLOCK);
  if (input.empty()) {
    ::close(toDot);
    toDot = -1;
  }
  char buf[65536];
  for (;;) {
    const long long left = deadline - nowMs();
    if (left <= 0) {
      *why = "dot took longer than " + std::to_string(kDotSeconds) + " seconds";
      failed = true;
      break;
    }
    pollfd fds[2] = {{fromDot, POLLIN, 0}, {toDot, POLLOUT, 0}};
    const int n = ::poll(fds, toDot >= 0 ? 2 : 1, static_cast<int>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *why = std::string("waiting for dot: ") + std::strerror(errno);
      failed = true;
      break;
    }
    if (toDot >= 0 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
      const ssize_t w = ::write(toDot, input.data() + written, input.size() - written);
      if (w > 0) written += static_cast<std::size_t>(w);
      if (w < 0 && errno != EAGAIN && errno != EINTR) written = input.size();  // dot stopped reading
      if (written >= input.size()) {
        ::close(toDot);
        toDot = -1;
      }
    }
    if ((fds[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
      const ssize_t r = ::read(fromDot, buf, sizeof buf);
      if (r < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (r <= 0) break;
      if (output->size() + static_cast<std::size_t>(r) > kMaxDotOutput) {
        *why = "dot's picture is larger than " + std::to_string(kMaxDotOutput >> 20) + " MB";
        failed = true;
        break;
      }
      output->append(buf, static_cast<std::size_t>(r));
    }
  }
  if (toDot >= 0) ::close(toDot);
  ::close(fromDot);
  if (failed) ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  sigaction(SIGPIPE, &old, nullptr);
  if (failed) return false;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    *why = WIFEXITED(status) && WEXITSTATUS(status) == 127 ? "dot is not installed"
                                                           : "dot failed on the book's graph";
    return false;
  }
  return true;
}

}  // namespace

std::string bookGraphDot(const std::vector<GraphPage>& pages) {
  std::set<ULONG> drawn;
  for (std::size_t i = 0; i < pages.size() && i < kMaxGraphPages; ++i) drawn.insert(pages[i].id);
  std::string out =
      "digraph book {\n"
      "  graph [rankdir=LR, charset=\"UTF-8\", bgcolor=\"transparent\"" +
      std::string(pages.size() >= kQuickLayoutPages
                      ? ", mclimit=0.1, nslimit=1, nslimit1=1, searchsize=10, splines=line"
                      : "") +
      "];\n"
      "  node [shape=box, style=\"rounded,filled\", fillcolor=\"#F4F4F4\", fontname=\"Liberation Sans\", "
      "fontsize=11];\n"
      "  edge [color=\"#777777\"];\n";
  for (std::size_t i = 0; i < pages.size() && i < kMaxGraphPages; ++i) {
    const GraphPage& p = pages[i];
    out += "  p" + std::to_string(p.id) + " [label=" + quoted(p.name) + ", tooltip=" +
           quoted(p.name + (p.type.empty() ? "" : " (" + p.type + ")")) + ", URL=" + quoted(p.file) +
           (p.home ? ", penwidth=2" : "") + "];\n";
  }
  std::size_t edges = 0;
  for (std::size_t i = 0; i < pages.size() && i < kMaxGraphPages; ++i) {
    for (ULONG t : pages[i].targets) {
      if (drawn.count(t) == 0 || t == pages[i].id) continue;
      if (++edges > kMaxGraphEdges) break;
      out += "  p" + std::to_string(pages[i].id) + " -> p" + std::to_string(t) + ";\n";
    }
  }
  return out + "}\n";
}

bool drawBookGraph(const std::vector<GraphPage>& pages, std::string* svg, std::string* why) {
  if (pages.size() > kMaxGraphPages) {
    *why = "the book has " + std::to_string(pages.size()) + " pages, more than the " +
           std::to_string(kMaxGraphPages) + " its picture can show";
    return false;
  }
  std::string output;
  if (!runDot(bookGraphDot(pages), &output, why)) return false;
  const std::size_t start = output.find("<svg");
  if (start == std::string::npos) {
    *why = "dot's output is not a picture";
    return false;
  }
  *svg = output.substr(start);
  return true;
}
