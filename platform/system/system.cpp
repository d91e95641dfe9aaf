// System services on POSIX: the profile as one INI file, temporary names, the log
// folder, memory status, debug output, tick count, file times, wildcard
// enumeration and starting programs.
//
// Profile file format (text, one INI file for every section):
//   [Section]          a section header; names compare without letter case
//   Key=Value          an entry of the section above; the value runs to the line end
//   ;comment           kept as it is when the file is rewritten
// Lines the reader does not understand are kept as they are.
#include "platform/system/system.h"

#include "platform/system/desktop.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#ifdef __EMSCRIPTEN__
#include <emscripten/heap.h>
#else
#include <sys/sysinfo.h>
#endif
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <algorithm>

extern char** environ;

namespace {

std::string envOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return (v != nullptr && *v != '\0') ? std::string(v) : fallback;
}

std::string homeDirectory() { return envOr("HOME", "/tmp"); }

// Creates `dir` and its parents; ignores failures (the caller's open reports them).
void makeDirectories(const std::string& dir) {
  std::string partial;
  std::stringstream parts(dir);
  std::string piece;
  if (!dir.empty() && dir[0] == '/') partial = "/";
  while (std::getline(parts, piece, '/')) {
    if (piece.empty()) continue;
    partial += piece;
    mkdir(partial.c_str(), 0777);
    partial += "/";
  }
}

std::string trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

bool sameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

std::vector<std::string> readProfileLines() {
  std::vector<std::string> lines;
  std::ifstream in(profilePath());
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// The section name of a "[name]" line, or false.
bool sectionOf(const std::string& line, std::string* name) {
  std::string t = trim(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
  *name = trim(t.substr(1, t.size() - 2));
  return true;
}

// The key and value of a "key=value" line, or false.
bool entryOf(const std::string& line, std::string* key, std::string* value) {
  std::string t = trim(line);
  if (t.empty() || t[0] == ';') return false;
  std::size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  *key = trim(t.substr(0, eq));
  *value = trim(t.substr(eq + 1));
  return true;
}

bool lookupProfile(const char* section, const char* key, std::string* value) {
  if (section == nullptr || key == nullptr) return false;
  bool inSection = false;
  std::string name, k, v;
  for (const std::string& line : readProfileLines()) {
    if (sectionOf(line, &name)) {
      inSection = sameName(name, section);
    } else if (inSection && entryOf(line, &k, &v) && sameName(k, key)) {
      *value = v;
      return true;
    }
  }
  return false;
}

DWORD copyOut(const std::string& text, char* out, DWORD size) {
  if (out == nullptr || size == 0) return 0;
  std::size_t n = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return static_cast<DWORD>(n);
}

DWORD clamp32(unsigned long long v) {
  return v > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(v);
}

std::atomic<bool> g_availOverridden{false};
std::atomic<DWORD> g_availOverride{0};
std::atomic<DebugSink> g_debugSink{nullptr};

// '*' and '?' matching without letter case, iterative with one backtrack point.
bool wildcardMatch(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name != '\0') {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == '?' ||
               (std::tolower(static_cast<unsigned char>(*pattern)) ==
                std::tolower(static_cast<unsigned char>(*name)) && *pattern != '\0')) {
      ++pattern;
      ++name;
    } else if (star != nullptr) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

}  // namespace

// ---- Profile ----

std::string profilePath() {
  const char* explicitPath = std::getenv("TAVIX_PROFILE");
  if (explicitPath != nullptr && *explicitPath != '\0') return explicitPath;
  return envOr("XDG_CONFIG_HOME", homeDirectory() + "/.config") + "/tavix/tavix.ini";
}

DWORD GetProfileString(const char* section, const char* key, const char* defaultValue, char* out,
                       DWORD size) {
  std::string value;
  if (!lookupProfile(section, key, &value)) value = defaultValue != nullptr ? defaultValue : "";
  return copyOut(value, out, size);
}

std::vector<std::string> profileKeys(const char* section) {
  std::vector<std::string> keys;
  if (section == nullptr) return keys;
  bool inSection = false;
  std::string name, k, v;
  for (const std::string& line : readProfileLines()) {
    if (sectionOf(line, &name)) {
      inSection = sameName(name, section);
    } else if (inSection && entryOf(line, &k, &v)) {
      keys.push_back(k);
    }
  }
  return keys;
}

UINT GetProfileInt(const char* section, const char* key, INT defaultValue) {
  std::string value;
  if (!lookupProfile(section, key, &value)) return static_cast<UINT>(defaultValue);
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(value.c_str(), &end, 10);
  if (end == value.c_str()) return static_cast<UINT>(defaultValue);
  return static_cast<UINT>(static_cast<INT>(v));
}

BOOL WriteProfileString(const char* section, const char* key, const char* value) {
  if (section == nullptr) return FALSE;
  std::vector<std::string> lines = readProfileLines();
  std::vector<std::string> out;
  bool inSection = false, sectionSeen = false, done = false;
  std::string name, k, v;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (sectionOf(line, &name)) {
      if (inSection && !done && key != nullptr && value != nullptr) {
        out.push_back(std::string(key) + "=" + value);
        done = true;
      }
      inSection = sameName(name, section);
      if (inSection) sectionSeen = true;
      if (inSection && key == nullptr) continue;  // the whole section goes
      out.push_back(line);
      continue;
    }
    if (inSection) {
      if (key == nullptr) continue;
      if (entryOf(line, &k, &v) && sameName(k, key)) {
        if (value != nullptr && !done) out.push_back(std::string(key) + "=" + value);
        done = true;
        continue;
      }
    }
    out.push_back(line);
  }
  if (!done && key != nullptr && value != nullptr) {
    if (!sectionSeen || !inSection) {
      if (sectionSeen) {
        // The section exists but is not last: insert after its last line.
        std::vector<std::string> merged;
        bool in = false, inserted = false;
        for (const std::string& line : out) {
          if (sectionOf(line, &name)) {
            if (in && !inserted) {
              merged.push_back(std::string(key) + "=" + value);
              inserted = true;
            }
            in = sameName(name, section);
          }
          merged.push_back(line);
        }
        if (!inserted) merged.push_back(std::string(key) + "=" + value);
        out.swap(merged);
      } else {
        out.push_back(std::string("[") + section + "]");
        out.push_back(std::string(key) + "=" + value);
      }
    } else {
      out.push_back(std::string(key) + "=" + value);
    }
  }
  const std::string path = profilePath();
  std::size_t slash = path.rfind('/');
  if (slash != std::string::npos) makeDirectories(path.substr(0, slash));
  const std::string temp = path + ".new";
  {
    std::ofstream f(temp, std::ios::trunc);
    for (const std::string& line : out) f << line << '\n';
    f.flush();
    if (!f) return FALSE;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0 ? TRUE : FALSE;
}

// ---- Temporary files ----

DWORD GetTempPath(DWORD size, char* out) {
  std::string dir = envOr("TMPDIR", "/tmp");
  if (dir.back() != '/') dir += '/';
  copyOut(dir, out, size);
  return static_cast<DWORD>(dir.size());
}

UINT GetTempFileName(const char* dir, const char* prefix, UINT unique, char* out) {
  if (out == nullptr) return 0;
  std::string folder = dir != nullptr && *dir != '\0' ? dir : ".";
  if (folder.back() != '/' && folder.back() != '\\') folder += '/';
  std::string pre = prefix != nullptr ? std::string(prefix).substr(0, 3) : std::string();
  auto nameFor = [&](UINT n) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", n & 0xFFFFu);
    return folder + pre + hex + ".tmp";
  };
  if (unique != 0) {
    std::string name = nameFor(unique);
    if (name.size() >= 260) return 0;
    copyOut(name, out, 260);
    return unique & 0xFFFFu;
  }
  // Start from the clock and probe at most every 16-bit number once.
  UINT start = static_cast<UINT>(GetTickCount() ^ static_cast<UINT>(getpid())) & 0xFFFFu;
  for (UINT i = 0; i < 0x10000u; ++i) {
    UINT n = ((start + i) & 0xFFFFu);
    if (n == 0) continue;
    std::string name = nameFor(n);
    if (name.size() >= 260) return 0;
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      close(fd);
      copyOut(name, out, 260);
      return n;
    }
    if (errno != EEXIST) return 0;
  }
  return 0;
}

// ---- Log folder ----

std::string logDirectory() {
  std::string dir = envOr("TAVIX_LOG_DIR", "");
  if (dir.empty()) dir = envOr("XDG_STATE_HOME", homeDirectory() + "/.local/state") + "/tavix";
  makeDirectories(dir);
  if (dir.back() != '/') dir += '/';
  return dir;
}

// ---- Memory status ----

void GlobalMemoryStatus(MEMORYSTATUS* status) {
  if (status == nullptr) return;
  std::memset(status, 0, sizeof *status);
  status->dwLength = sizeof *status;
#ifdef __EMSCRIPTEN__
  // WebAssembly tells nothing of the system's memory: the heap is all a program
  // has, so its limit stands for every total and what it may still grow by for
  // what is available.
  const unsigned long long heapLimit = emscripten_get_heap_max();
  const unsigned long long heapFree = heapLimit - emscripten_get_heap_size();
  status->dwTotalPhys = status->dwTotalPageFile = status->dwTotalVirtual = clamp32(heapLimit);
  status->dwAvailPhys = status->dwAvailPageFile = status->dwAvailVirtual = clamp32(heapFree);
  status->dwMemoryLoad =
      heapLimit != 0 ? static_cast<DWORD>(100 - (heapFree * 100) / heapLimit) : 0;
#else
  struct sysinfo si {};
  if (sysinfo(&si) == 0) {
    const unsigned long long unit = si.mem_unit != 0 ? si.mem_unit : 1;
    const unsigned long long total = si.totalram * unit;
    const unsigned long long avail = (si.freeram + si.bufferram) * unit;
    status->dwTotalPhys = clamp32(total);
    status->dwAvailPhys = clamp32(avail);
    status->dwTotalPageFile = clamp32(total + si.totalswap * unit);
    status->dwAvailPageFile = clamp32(avail + si.freeswap * unit);
    status->dwMemoryLoad = total != 0 ? static_cast<DWORD>(100 - (avail * 100) / total) : 0;
  }
  // Virtual memory: the address-space limit less what is mapped, as far as 32 bits reach.
  struct rlimit rl {};
  unsigned long long limit = 0xFFFFFFFFull;
  if (getrlimit(RLIMIT_AS, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY) limit = rl.rlim_cur;
  status->dwTotalVirtual = clamp32(limit);
  status->dwAvailVirtual = clamp32(limit);
#endif
  if (g_availOverridden.load()) status->dwAvailVirtual = g_availOverride.load();
}

void setAvailVirtualOverride(DWORD availVirtual) {
  g_availOverride.store(availVirtual);
  g_availOverridden.store(true);
}

void clearAvailVirtualOverride() { g_availOverridden.store(false); }

// ---- Debug output ----

void OutputDebugString(const char* text) {
  if (text == nullptr) return;
  const char* flag = std::getenv("TAVIX_DEBUG");
  if (flag != nullptr && *flag != '\0') std::fprintf(stderr, "%s\n", text);
  DebugSink sink = g_debugSink.load();
  if (sink != nullptr) sink(text);
}

DebugSink setDebugSink(DebugSink sink) { return g_debugSink.exchange(sink); }

// ---- Tick count ----

DWORD GetTickCount() {
  using namespace std::chrono;
  return static_cast<DWORD>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// ---- File times ----

bool getFileTime(const char* path, std::time_t* modified) {
  struct stat st;
  if (path == nullptr || modified == nullptr || stat(path, &st) != 0) return false;
  *modified = st.st_mtime;
  return true;
}

bool getFileTime(int fd, std::time_t* modified) {
  struct stat st;
  if (modified == nullptr || fstat(fd, &st) != 0) return false;
  *modified = st.st_mtime;
  return true;
}

bool setFileTime(const char* path, std::time_t modified) {
  if (path == nullptr) return false;
  struct timeval tv[2] = {{modified, 0}, {modified, 0}};
  return utimes(path, tv) == 0;
}

bool setFileTime(int fd, std::time_t modified) {
#ifdef __EMSCRIPTEN__
  // WebAssembly's C library has no futimes; futimens sets the same times. (Run
  // under node on the real file system, this Emscripten's runtime takes the
  // times for milliseconds and sets others; in the browser's own file system
  // they are right.)
  const struct timespec ts[2] = {{modified, 0}, {modified, 0}};
  return futimens(fd, ts) == 0;
#else
  struct timeval tv[2] = {{modified, 0}, {modified, 0}};
  return futimes(fd, tv) == 0;
#endif
}

// ---- Wildcard enumeration ----

bool hasWildcards(const char* text) {
  return text != nullptr && std::strpbrk(text, "*?") != nullptr;
}

std::vector<std::string> findFiles(const char* pattern) {
  std::vector<std::string> found;
  if (pattern == nullptr) return found;
  std::string p(pattern);
  std::size_t sep = p.find_last_of("/\\");
  std::string dir = sep == std::string::npos ? "." : p.substr(0, sep);
  if (dir.empty()) dir = "/";
  std::replace(dir.begin(), dir.end(), '\\', '/');
  const std::string namePattern = sep == std::string::npos ? p : p.substr(sep + 1);
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return found;
  while (struct dirent* e = readdir(d)) {
    if (!wildcardMatch(namePattern.c_str(), e->d_name)) continue;
    struct stat st;
    std::string full = dir + "/" + e->d_name;
    if (stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode)) found.push_back(e->d_name);
  }
  closedir(d);
  std::sort(found.begin(), found.end());
  return found;
}

// ---- Starting a program ----

bool startProgram(const std::string& program, const std::vector<std::string>& args) {
#ifdef __EMSCRIPTEN__
  // A WebAssembly program cannot start another: it fails as a program not found.
  (void)program, (void)args;
  errno = ENOENT;
  return false;
#else
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (rc != 0) return false;
  // Reap the child when it ends, without making the caller wait for it.
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
#endif
}

// ---------------------------------------------------------------- help

BOOL WinHelp(HWND owner, const char* file, UINT command, uintptr_t data) {
  if (command == HELP_QUIT) return TRUE;
  if (file == nullptr || file[0] == '\0') return FALSE;
  if (command == HELP_KEY) {
    const char* keyword = reinterpret_cast<const char*>(data);
    if (keyword == nullptr || strnlen(keyword, 256) > 255) return FALSE;
  } else if (command != HELP_CONTENTS && command != HELP_FINDER && command != HELP_CONTEXT) {
    return FALSE;
  }
  return currentDesktop().showHelp(owner, file, command, data) ? TRUE : FALSE;
}
