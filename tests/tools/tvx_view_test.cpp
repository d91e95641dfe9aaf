// "tvx view": the running server is asked over HTTP for the viewer and the
// book and must give their exact bytes, listen on the loopback address only,
// and refuse what lies outside its folder; bad command lines, a missing book,
// a missing browser build and a port in use each stop it with a clear message.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/tool_test_support.h"

namespace {

// A "tvx view" running in the background until the object goes.
class ViewServer {
 public:
  explicit ViewServer(const std::vector<std::string>& args) {
    int out[2];
    if (::pipe(out) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], 1);
      ::close(out[0]);
      std::vector<char*> argv{const_cast<char*>(TVX_BINARY), const_cast<char*>("view")};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(TVX_BINARY, argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    fd_ = out[0];
    // The first line is the address; wait for it at most ten seconds.
    char c;
    pollfd p{fd_, POLLIN, 0};
    while (::poll(&p, 1, 10000) > 0 && ::read(fd_, &c, 1) == 1 && c != '\n') url_ += c;
  }
  ~ViewServer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0) ::close(fd_);
  }
  const std::string& url() const { return url_; }
  // "http://127.0.0.1:PORT"
  std::string origin() const { return url_.substr(0, url_.find('/', 7)); }
  int port() const { return std::atoi(origin().substr(origin().rfind(':') + 1).c_str()); }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  std::string url_;
};

// A browser build's folder with a viewer page and a program of known bytes.
std::string makeWebFolder(const ToolScratch& dir) {
  const std::string web = dir.file("web");
  ::mkdir(web.c_str(), 0755);
  writeFileBytes(web + "/viewer.html", "<!DOCTYPE html><title>viewer</title>");
  writeFileBytes(web + "/tavix.wasm", std::string("\0asm\1\0\0\0", 8));
  return web;
}

}  // namespace

TEST_F(ExampleBookTest, ViewServesTheViewerAndTheBookOnLoopbackOnly) {
  const std::string web = makeWebFolder(dir);
  writeFileBytes(dir.file("secret.txt"), "not for the web");
  ViewServer server({book, "--port", "0", "--no-open", "--web", web});
  ASSERT_EQ(0u, server.url().find("http://127.0.0.1:")) << "first line: " << server.url();
  EXPECT_NE(std::string::npos, server.url().find("/viewer.html?book=book"));

  httplib::Client client(server.origin());
  auto viewer = client.Get("/viewer.html");
  ASSERT_TRUE(viewer);
  EXPECT_EQ(200, viewer->status);
  EXPECT_EQ("<!DOCTYPE html><title>viewer</title>", viewer->body);
  auto program = client.Get("/tavix.wasm");
  ASSERT_TRUE(program);
  EXPECT_EQ("application/wasm", program->get_header_value("Content-Type"));
  // The book's address is the one the printed URL names.
  const std::string bookPath = "/" + server.url().substr(server.url().find("book=") + 5);
  auto bytes = client.Get(bookPath.c_str());
  ASSERT_TRUE(bytes);
  EXPECT_EQ(200, bytes->status);
  EXPECT_EQ(readFileBytes(book), bytes->body);
  // Nothing outside the folder and the book.
  for (const char* outside : {"/../secret.txt", "/%2e%2e/secret.txt", "/book/secret.txt", "/book/"}) {
    auto r = client.Get(outside);
    ASSERT_TRUE(r) << outside;
    EXPECT_EQ(404, r->status) << outside;
    EXPECT_EQ(std::string::npos, r->body.find("not for the web")) << outside;
  }

  // Loopback only: the kernel's table of listening sockets has the port on
  // 127.0.0.1 (0100007F) and on no other address, IPv6 included.
  char port[8];
  std::snprintf(port, sizeof port, ":%04X", server.port());
  std::vector<std::string> listening;
  for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    std::istringstream lines(readFileBytes(table));
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream fields(line);
      std::string slot, local, remote, state;
      fields >> slot >> local >> remote >> state;
      if (state == "0A" && local.size() > 5 && local.compare(local.size() - 5, 5, port) == 0) {
        listening.push_back(local);
      }
    }
  }
  EXPECT_EQ(std::vector<std::string>{std::string("0100007F") + port}, listening);
}

TEST_F(ExampleBookTest, ViewRefusesWhatItCannotServe) {
  const std::string web = makeWebFolder(dir);
  // A port another program holds.
  int holder = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(0, ::bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a));
  ASSERT_EQ(0, ::listen(holder, 1));
  socklen_t len = sizeof a;
  ::getsockname(holder, reinterpret_cast<sockaddr*>(&a), &len);
  const std::string busy = std::to_string(ntohs(a.sin_port));

  struct Case {
    std::vector<std::string> args;
    int status;
    std::string says;
  } cases[] = {
      {{"view"}, 2, "view"},
      {{"view", book, "--port", "http"}, 2, "--port takes a port number"},
      {{"view", book, "--port", "70000"}, 2, "--port takes a port number"},
      {{"view", dir.file("missing.tvx"), "--web", web}, 1, "missing.tvx: no such book"},
      {{"view", book, "--web", dir.file("nothing")}, 1, "bash scripts/web-build.sh"},
      {{"view", book, "--port", busy, "--no-open", "--web", web}, 1, "port " + busy + " on 127.0.0.1 is in use"},
  };
  for (const Case& c : cases) {
    RunResult r = tvx(c.args);
    EXPECT_EQ(c.status, r.status) << c.args.size() << " args: " << r.err;
    EXPECT_NE(std::string::npos, r.err.find(c.says)) << "expected \"" << c.says << "\" in: " << r.err;
    EXPECT_EQ("", r.out);
  }
  ::close(holder);
  RunResult help = tvx({"view", "--help"});
  EXPECT_NE(std::string::npos, help.out.find("127.0.0.1")) << help.out;
}
