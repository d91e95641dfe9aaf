// The reader targets' shared setup: quiet reporting, a scratch folder, and an
// application object without windows.
#include "fuzz/fuzz_support.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/system/desktop.h"
#include "platform/win/windows_user.h"

ReportCounter::ReportCounter() : previous_(ErrorHandler::applicationHandler()) {
  ErrorHandler::setApplicationHandler(this);
}

ReportCounter::~ReportCounter() { ErrorHandler::setApplicationHandler(previous_); }

int ReportCounter::handleError(char kind, const char* text) {
  if (kind == 'E' || kind == 'F' || kind == 'W') {
    ++problems_;
    last_ = text != nullptr ? text : "";
  }
  return 0;
}

int FuzzNexil::addDB(DBRef& into, const char*, const char* name, int openFlags, int share) {
  DB* db = new DB(*this, "", name, openFlags, share);
  into.ref(db);
  books.push_back(into);
  return 0;
}

int FuzzNexil::findDB(DBRef& into, const char*, const char* name) {
  for (DBRef& r : books) {
    if (r.db() != nullptr && name != nullptr && r.db()->bookName().isEqual(String(name))) {
      into.ref(r.db());
      return 0;
    }
  }
  return 1;
}

namespace {

// Answers every box and prompt with the answer that does least, silently, and
// keeps no record (a fuzzing run shows millions of them).
class QuietDesktop : public Desktop {
 public:
  int messageBox(HWND, const char*, const char*, UINT type) override {
    return cautiousMessageBoxAnswer(type);
  }
  int inputBox(HWND, const char*, const char*, char*, int) override { return IDCANCEL; }
  void beep(UINT) override {}
  bool playSound(const char*, UINT) override { return false; }
  UINT trackPopupMenu(HWND, HMENU, int, int) override { return 0; }
  int runDialog(TDialog&) override { return IDCANCEL; }
  bool fileDialog(HWND, FileDialogRequest&) override { return false; }
};

std::string& scratch() {
  static std::string dir;
  return dir;
}

// Removes the scratch folder and the files in it when the process ends.
void removeScratch() {
  const std::string& dir = scratch();
  if (dir.empty() || dir == "/tmp/") return;
  if (DIR* d = opendir(dir.c_str())) {
    // Bounded by the folder's entries.
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") unlink((dir + name).c_str());
    }
    closedir(d);
  }
  rmdir(dir.c_str());
}

}  // namespace

void quietProcess() {
  static bool done = false;
  if (done) return;
  done = true;
  if (std::getenv("TAVIX_LOG_DIR") == nullptr) setenv("TAVIX_LOG_DIR", "/dev/null/tavix", 1);
  if (std::getenv("TAVIX_PROFILE") == nullptr) setenv("TAVIX_PROFILE", "/dev/null/tavix.ini", 1);
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base ? base : "/tmp") + "/tvx-fuzz-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const char* made = mkdtemp(buf.data());
  scratch() = std::string(made != nullptr ? made : "/tmp") + "/";
  if (made != nullptr) std::atexit(removeScratch);
  // The books a target writes and the DB's working copies stay in the scratch folder.
  setenv("TMPDIR", scratch().c_str(), 1);
  static QuietDesktop desktop;
  setDesktop(&desktop);
}

const std::string& scratchDir() {
  quietProcess();
  return scratch();
}

std::string writeScratchFile(const std::string& name, const uint8_t* data, std::size_t size) {
  const std::string path = scratchDir() + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (size > 0) out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}
