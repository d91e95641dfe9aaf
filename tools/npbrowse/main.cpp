// npbrowse: a browser of our own for the plug-in. It loads libnptavix.so, makes
// an instance as an EMBED tag would, streams a book to it, plays a script of
// clicks and Back presses, and prints what a person would have seen.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/npbrowse/np_host.h"

namespace {

const char* const kUsage =
    "usage: npbrowse BOOK [options]\n"
    "\n"
    "Shows the book BOOK (.tvx) in the plug-in as a web page's EMBED tag would,\n"
    "then plays a script of what a person does, printing the status line, the\n"
    "addresses the plug-in asks the browser to open (and into which frame) and\n"
    "every message box.\n"
    "\n"
    "options:\n"
    "  --param NAME=VALUE  an EMBED parameter (node, color, target); repeatable\n"
    "  --script STEPS      steps separated by ';': click X,Y  dblclick X,Y\n"
    "                      rclick X,Y  back  help  wait MS  yes  no (the answer\n"
    "                      to the next message box; boxes are otherwise answered\n"
    "                      as a cautious person would)\n"
    "  --shots DIR         a PNG of the window before the script and after each\n"
    "                      step: DIR/step-00.png, DIR/step-01.png ...\n"
    "  --size WxH          the size of the tag (default 640x480)\n"
    "  --revisit           leave the page and come back: the instance is destroyed\n"
    "                      and a new one made with the saved history\n"
    "  --plugin PATH       the plug-in library (default: ../lib/libnptavix.so\n"
    "                      beside this program)\n"
    "  --help              this text\n"
    "\n"
    "Exit status: 0 when the book was shown and the script ran, 1 when the\n"
    "plug-in refused a call, 2 for a usage error or a book that cannot be read.\n";

bool readFile(const std::string& path, std::vector<char>* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

std::string shotPath(const std::string& dir, int n) {
  char name[32];
  std::snprintf(name, sizeof name, "/step-%02d.png", n);
  return dir + name;
}

int usageError(const std::string& why) {
  std::fprintf(stderr, "npbrowse: %s\n(npbrowse --help tells more)\n", why.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string book, script, shots, plugin = NpHost::defaultPluginPath();
  std::vector<std::pair<std::string, std::string>> params;
  int width = 640, height = 480;
  bool revisit = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) return nullptr;
      (void)name;
      return argv[++i];
    };
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--param") {
      const char* v = value("--param");
      const char* eq = v != nullptr ? std::strchr(v, '=') : nullptr;
      if (eq == nullptr || eq == v) return usageError("--param takes NAME=VALUE");
      params.emplace_back(std::string(v, eq), std::string(eq + 1));
    } else if (a == "--script") {
      const char* v = value("--script");
      if (v == nullptr) return usageError("--script takes the steps");
      script = v;
    } else if (a == "--shots") {
      const char* v = value("--shots");
      if (v == nullptr) return usageError("--shots takes a folder");
      shots = v;
    } else if (a == "--plugin") {
      const char* v = value("--plugin");
      if (v == nullptr) return usageError("--plugin takes a path");
      plugin = v;
    } else if (a == "--size") {
      const char* v = value("--size");
      if (v == nullptr || std::sscanf(v, "%dx%d", &width, &height) != 2 || width < 64 || height < 64 ||
          width > 4096 || height > 4096) {
        return usageError("--size takes WxH, each 64 to 4096");
      }
    } else if (a == "--revisit") {
      revisit = true;
    } else if (!a.empty() && a[0] == '-') {
      return usageError("unknown option " + a);
    } else if (book.empty()) {
      book = a;
    } else {
      return usageError("one book at a time");
    }
  }
  if (book.empty()) return usageError("name the book to show");
  std::vector<char> bytes;
  if (!readFile(book, &bytes)) {
    std::fprintf(stderr, "npbrowse: cannot read %s\n", book.c_str());
    return 2;
  }
  if (!shots.empty()) ::mkdir(shots.c_str(), 0777);

  NpHost host(width, height);
  host.setLog(&std::cout);
  std::string why;
  if (!host.open(plugin, &why)) {
    std::fprintf(stderr, "npbrowse: %s\n", why.c_str());
    return 2;
  }
  std::size_t boxesShown = 0;
  auto report = [&](int step) {
    const auto boxes = host.boxes();
    for (; boxesShown < boxes.size(); ++boxesShown) {
      std::cout << "box: " << boxes[boxesShown].first << ": " << boxes[boxesShown].second << "\n";
    }
    if (!shots.empty()) {
      const std::string path = shotPath(shots, step);
      if (host.shot(path)) std::cout << "shot: " << path << "\n";
    }
    std::cout.flush();
  };
  NPError e = host.start();
  if (e == NPERR_NO_ERROR) e = host.newInstance(params);
  if (e == NPERR_NO_ERROR) e = host.setWindow();
  if (e == NPERR_NO_ERROR) e = host.stream(bytes);
  if (e != NPERR_NO_ERROR) {
    std::fprintf(stderr, "npbrowse: the plug-in refused the book (error %d)\n", e);
    return 1;
  }
  report(0);
  if (!script.empty() && !host.runScript(script, [&](int n, const std::string& step) {
        std::cout << "step " << n << ": " << step << "\n";
        report(n);
      }, &why)) {
    return usageError(why);
  }
  if (revisit) {
    std::vector<char> saved;
    host.destroyInstance(&saved);
    std::cout << "revisit\n";
    e = host.newInstance(params, saved);
    if (e == NPERR_NO_ERROR) e = host.setWindow();
    if (e == NPERR_NO_ERROR) e = host.stream(bytes);
    if (e != NPERR_NO_ERROR) {
      std::fprintf(stderr, "npbrowse: the plug-in refused the book again (error %d)\n", e);
      return 1;
    }
    report(99);
  }
  host.destroyInstance(nullptr);
  host.shutdown();
  return 0;
}
