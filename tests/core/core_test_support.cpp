// The core tests' small application and helpers.
#include "core_test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/system/system.h"
#include "store/middle_level_store.h"

namespace {

// Points the log, the profile and the temporary folder at a scratch folder of this
// process when the test runner has not (a suite started by hand).
struct ScratchEnvironment {
  ScratchEnvironment() {
    if (std::getenv("TAVIX_LOG_DIR") != nullptr) return;
    char base[] = "/tmp/tvx-core-tests-XXXXXX";
    const char* dir = mkdtemp(base);
    if (dir == nullptr) return;
    const std::string d(dir);
    mkdir((d + "/tmp").c_str(), 0777);
    setenv("TAVIX_LOG_DIR", (d + "/log").c_str(), 1);
    setenv("TAVIX_PROFILE", (d + "/tavix.ini").c_str(), 1);
    setenv("TMPDIR", (d + "/tmp").c_str(), 1);
  }
} g_scratchEnvironment;

}  // namespace

std::string logText() {
  const char* dir = std::getenv("TAVIX_LOG_DIR");
  return readFileBytes(std::string(dir != nullptr ? dir : ".") + "/TAVIXAPP.log");
}

int TestNexil::addDB(DBRef& into, const char* net, const char* name, int openFlags, int share) {
  ++addCalls;
  DB* db = new DB(*this, net, name, openFlags, share);
  into.ref(db);
  books.push_back(into);
  return 0;
}

int TestNexil::findDB(DBRef& into, const char*, const char* name) {
  for (DBRef& r : books) {
    if (r.db() != nullptr && r.db()->bookName().isEqual(String(name))) {
      into.ref(r.db());
      return 0;
    }
  }
  return 1;
}

std::string freshDir(const std::string& name) {
  char tmp[260];
  GetTempPath(sizeof tmp, tmp);
  // One folder per process: suites run their tests in parallel processes.
  const std::string dir = std::string(tmp) + name + "." + std::to_string(getpid());
  const std::string cmd = "rm -rf '" + dir + "' && mkdir -p '" + dir + "'";
  if (std::system(cmd.c_str()) != 0) return dir + "/";
  return dir + "/";
}

OwnTempFolder::OwnTempFolder(const std::string& name) : had_(std::getenv("TMPDIR") != nullptr) {
  if (had_) saved_ = std::getenv("TMPDIR");
  const std::string dir = freshDir(name);
  setenv("TMPDIR", dir.c_str(), 1);
}

OwnTempFolder::~OwnTempFolder() {
  if (had_) {
    setenv("TMPDIR", saved_.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

std::string readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string facetBytes(DB& db, ULONG id, int facet) {
  MiddleLevelStore* store = db.store();
  if (store == nullptr || store->isFacetEmpty(id, facet)) return std::string();
  auto s = store->find(id, facet);
  std::ostringstream out;
  out << s->rdbuf();
  return out.str();
}
