// cmd_view.cpp: "tvx view BOOK" shows a book in the desktop's web browser
// through the browser build of the plug-in: it serves the browser build's
// folder (scripts/web-build.sh) and the book on the loopback address only,
// prints the viewer's address, opens it with the desktop's browser (xdg-open)
// when there is a desktop, and serves until it is stopped (Ctrl-C).
//
//   ADDRESS                 WHAT IS SERVED
//   /                       the browser build's folder (viewer.html, tavix.js ...)
//   /book/NAME              the book's bytes (NAME is the book file's name)
//
// Nothing else of the machine is reachable: the book is the one file named,
// and the folder's files are served only from inside it.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/tvx/commands.h"

#ifndef TVX_WEB_DIR
#define TVX_WEB_DIR "build-wasm/web"
#endif

namespace {

const int kDefaultPort = 8170;

bool isFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string baseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The name as it may stand in an address: letters, digits and ._- kept, the
// rest percent-encoded.
std::string addressPart(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (std::isalnum(c) || c == '.' || c == '_' || c == '-') {
      out += static_cast<char>(c);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    }
  }
  return out;
}

bool readPort(const std::string& text, int* port) {
  if (text.empty() || text.size() > 5) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  *port = std::atoi(text.c_str());
  return *port <= 65535;
}

// The desktop's browser, when there is a desktop to show it on: xdg-open,
// started without a shell and not waited for.
void openBrowser(const std::string& url) {
  if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) return;
  const pid_t pid = ::fork();
  if (pid != 0) return;
  // The child: a second fork, so that the browser is nobody's zombie.
  if (::fork() == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    ::execlp("xdg-open", "xdg-open", url.c_str(), static_cast<char*>(nullptr));
  }
  ::_exit(0);
}

int cmdView(const CommandLine& cl) {
  int rc = expectArgs("view", cl, 1, 1);
  if (rc != kExitOk) return rc;
  const std::string book = cl.args[0];
  int port = kDefaultPort;
  if (cl.has("port") && !readPort(cl.value("port", ""), &port)) {
    return usageError("view", "--port takes a port number, 0 to 65535 (0: any free port)");
  }
  const std::string web = cl.value("web", TVX_WEB_DIR);
  if (!isFile(book)) return failure("%s: no such book", book.c_str());
  {
    std::ifstream probe(book, std::ios::binary);
    if (!probe) return failure("%s: cannot read the book: %s", book.c_str(), std::strerror(errno));
  }
  if (!isFile(web + "/tavix.wasm") || !isFile(web + "/viewer.html")) {
    return failure("the browser build is not in %s: build it with \"bash scripts/web-build.sh\" "
                   "(or name its folder with --web)", web.c_str());
  }

  httplib::Server server;
  server.set_file_extension_and_mimetype_mapping("wasm", "application/wasm");
  server.set_file_extension_and_mimetype_mapping("mjs", "text/javascript");
  server.set_file_extension_and_mimetype_mapping("ttf", "font/ttf");
  server.set_file_extension_and_mimetype_mapping("tvx", "application/x-tavixBook");
  if (!server.set_mount_point("/", web)) return failure("cannot serve the folder %s", web.c_str());
  const std::string name = baseName(book);
  const std::string bookAddress = "/book/" + addressPart(name);
  // Read afresh for each request, so that an edited book is shown as it is now.
  server.Get(bookAddress, [book](const httplib::Request&, httplib::Response& res) {
    std::ifstream in(book, std::ios::binary);
    if (!in) {
      res.status = 404;
      return;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    res.set_content(bytes.str(), "application/x-tavixBook");
    res.set_header("Cache-Control", "no-store");
  });

  const char* host = "127.0.0.1";
  if (port == 0) {
    port = server.bind_to_any_port(host);
    if (port <= 0) return failure("cannot listen on %s: no free port", host);
  } else if (!server.bind_to_port(host, port)) {
    return failure("port %d on %s is in use or not allowed (choose another with --port)", port, host);
  }
  const std::string url = "http://" + std::string(host) + ":" + std::to_string(port) + "/viewer.html?book=" +
                          addressPart(bookAddress.substr(1));
  std::printf("%s\n", url.c_str());
  std::printf("serving %s until Ctrl-C\n", book.c_str());
  std::fflush(stdout);
  if (!cl.has("no-open")) openBrowser(url);
  return server.listen_after_bind() ? kExitOk : failure("the server stopped");
}

}  // namespace

const Command viewCommand = {
    "view",
    "show the book in the web browser (the browser build of the plug-in)",
    "tvx view BOOK [--port N] [--no-open] [--web DIR]",
    "Serves the browser build of the plug-in and BOOK on this computer only\n"
    "(127.0.0.1), prints the address of the viewer showing the book, and opens\n"
    "it in the desktop's web browser when there is a desktop (xdg-open). The\n"
    "book is read afresh on every visit and never written. It serves until it\n"
    "is stopped with Ctrl-C. The browser build is made by\n"
    "\"bash scripts/web-build.sh\"; without it the command says so and stops.\n",
    {{"port", "N", "listen on port N (default 8170; 0: any free port)"},
     {"no-open", nullptr, "print the address but open no browser"},
     {"web", "DIR", "the browser build's folder (default: build-wasm/web of the source tree)"}},
    "tvx view solar-system.tvx\n"
    "tvx view solar-system.tvx --port 9000 --no-open",
    cmdView,
};
