// tvx_common.cpp: command lines, reporting, book sessions, page lookup and JSON.
#include "tools/tvx/tvx_common.h"

#include "kit/json_text.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <thread>

#include "core/book_check.h"
#include "core/book_edit_check.h"
#include "kit/error_msg_exception.h"
#include "platform/io/share_open.h"
#include "store/chain.h"
#include "store/middle_level_file_header.h"
#include "store/middle_level_store.h"
#include "store/ml_store_handle.h"

// ---------------------------------------------------------------------------
// Command line

std::string CommandLine::value(const char* option, const std::string& fallback) const {
  auto it = values.find(option);
  return it != values.end() ? it->second : fallback;
}

int parseCommandLine(int argc, char** argv, const std::vector<OptionSpec>& specs,
                     CommandLine& out) {
  const char* command = argc > 0 ? argv[0] : "tvx";
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      out.args.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      out.help = true;
      continue;
    }
    std::string name;
    if (arg.compare(0, 2, "--") != 0) {
      // A one-letter option ("-o FILE") stands for its long form.
      for (const OptionSpec& s : specs) {
        if (arg.size() == 2 && s.letter != 0 && arg[1] == s.letter) name = s.name;
      }
      if (name.empty()) return usageError(command, "unknown option \"%s\"", arg.c_str());
    } else {
      name = arg.substr(2);
    }
    std::string value;
    bool hasValue = false;
    const std::size_t eq = name.find('=');
    if (eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
      hasValue = true;
    }
    const OptionSpec* spec = nullptr;
    for (const OptionSpec& s : specs) {
      if (name == s.name) spec = &s;
    }
    if (spec == nullptr) return usageError(command, "unknown option \"--%s\"", name.c_str());
    if (spec->takesValue()) {
      if (!hasValue) {
        if (i + 1 >= argc) return usageError(command, "option \"--%s\" needs a value", name.c_str());
        value = argv[++i];
      }
      out.values[name] = value;
    } else {
      if (hasValue) return usageError(command, "option \"--%s\" takes no value", name.c_str());
      out.flags.insert(name);
    }
  }
  return kExitOk;
}

int usageError(const char* command, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::fprintf(stderr, "tvx: %s: %s (try \"tvx %s --help\")\n", command, text, command);
  return kExitUsage;
}

int failure(const char* format, ...) {
  char text[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::fprintf(stderr, "tvx: %s\n", text);
  return kExitFailure;
}

int expectArgs(const char* command, const CommandLine& cl, std::size_t least, std::size_t most) {
  if (cl.args.size() < least) return usageError(command, "missing arguments");
  if (cl.args.size() > most) {
    return usageError(command, "unexpected argument \"%s\"", cl.args[most].c_str());
  }
  return kExitOk;
}

int checkEntryText(const char* command, const char* what, const std::string& text) {
  if (text.size() > 256) return usageError(command, "a %s is at most 256 bytes long", what);
  if (text.find("#@") != std::string::npos || text.find("#$") != std::string::npos) {
    return usageError(command, "a %s cannot hold \"#@\" or \"#$\"", what);
  }
  return kExitOk;
}

// ---------------------------------------------------------------------------
// Book sessions

BookSession::~BookSession() {
  db_ = nullptr;
  app_.closeAll();
}

int BookSession::open(const std::string& path, int flags, int share) {
  path_ = path;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    return failure("cannot open book '%s': %s", path.c_str(), std::strerror(errno));
  }
  if (!S_ISREG(st.st_mode)) return failure("cannot open book '%s': not a file", path.c_str());
  const int before = app_.reported();
  DBRef ref;
  if (app_.addDB(ref, "", path.c_str(), flags, share) != 0 || ref.db() == nullptr) {
    // The book database has said why; add a line only when it did not.
    if (app_.reported() == before) return failure("cannot open book '%s'", path.c_str());
    return kExitFailure;
  }
  db_ = ref.db();
  app_.setCurrentDB(db_);
  return kExitOk;
}

int BookSession::openForReading(const std::string& path) { return open(path, _O_RDONLY, _SH_DENYNO); }

namespace {

// How long an editing command waits for another writer to let go of the book:
// TVX_LOCK_WAIT seconds when set (0 gives up at once), else 10.
std::chrono::milliseconds writerWait() {
  const char* text = std::getenv("TVX_LOCK_WAIT");
  if (text == nullptr || *text == '\0') return std::chrono::seconds(10);
  char* end = nullptr;
  const double seconds = std::strtod(text, &end);
  if (end == text || !(seconds >= 0)) return std::chrono::seconds(10);
  return std::chrono::milliseconds(static_cast<int64_t>(std::min(seconds, 86400.0) * 1000));
}

// True when another open holds the book for writing (or is saving it) now.
bool heldByAnotherWriter(const std::string& path) {
  const int fd = _sopen(path.c_str(), _O_RDWR, _SH_DENYWR);
  if (fd >= 0) {
    _close(fd);
    return false;
  }
  return errno == EACCES || errno == EBUSY;
}

}  // namespace

int BookSession::openForWriting(const std::string& path, bool force) {
  force_ = force;
  // Saving writes a journal beside the book and then the book itself: both the
  // file and its folder must be writable.
  if (access(path.c_str(), W_OK) != 0 && errno != ENOENT) {
    return failure("cannot write book '%s': %s", path.c_str(), std::strerror(errno));
  }
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  if (access(folder.c_str(), W_OK) != 0 && errno != ENOENT) {
    return failure("cannot write book '%s': its folder: %s", path.c_str(), std::strerror(errno));
  }
  // Another writer's edit is waited for, as a short queue: it lets go of the
  // book when its command ends. A writer that takes the book between the look
  // and the open is waited for too.
  const auto deadline = std::chrono::steady_clock::now() + writerWait();
  auto pause = std::chrono::milliseconds(2);
  for (;;) {
    while (heldByAnotherWriter(path) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(pause);
      pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    const int rc = open(path, _O_RDWR, _SH_DENYWR);
    if (rc != kExitOk) return rc;
    if (!db_->isReadOnly()) break;
    const std::string why = db_->readOnlyReason();
    const bool held = why == "another program holds it open for writing" ||
                      why == "another program is saving it";
    if (!held || std::chrono::steady_clock::now() >= deadline) {
      return failure("cannot write book '%s': %s", path.c_str(),
                     why.empty() ? "it opened read-only" : why.c_str());
    }
    db_ = nullptr;
    app_.closeAll();
  }
  std::string found;
  if (!BookEditCheck::freeList(*db_->store(), &found) ||
      !BookEditCheck::idTable(*db_->store(), &found)) {
    return refuseDamaged(found);
  }
  return kExitOk;
}

int BookSession::checkEntries(const std::vector<ULONG>& ids) {
  std::string found;
  if (db_ == nullptr || db_->store() == nullptr) return kExitFailure;
  if (!BookEditCheck::entries(*db_->store(), ids, &found)) return refuseDamaged(found);
  return kExitOk;
}

const OptionSpec kForceOption = {
    "force", nullptr, "edit a damaged book all the same (a record another page uses is never freed)"};

int BookSession::refuseDamaged(const std::string& found) {
  const char* book = path_.c_str();
  // The whole check decides (the quick one found what looks like its first
  // problem) and names the problems.
  const BookCheckReport report = BookCheck::checkFile(path_);
  if (report.sound()) return kExitOk;
  if (force_) {
    if (!warned_) {
      std::fprintf(stderr, "tvx: warning: '%s' is damaged (%s); editing it as --force asks\n", book,
                   found.c_str());
    }
    warned_ = true;
    return kExitOk;
  }
  const std::size_t kShown = 3;
  std::vector<std::string> shown;
  std::size_t serious = 0;
  for (const BookProblem& p : report.problems) {
    if (p.minor) continue;
    ++serious;
    if (shown.size() < kShown) shown.push_back(p.line());
  }
  serious += report.unlisted;
  for (const std::string& line : shown) failure("cannot edit '%s', it is damaged: %s", book, line.c_str());
  if (serious > shown.size()) {
    failure("... and %s: \"tvx check %s\" lists them all",
            counted(serious - shown.size(), "further problem", "further problems").c_str(), book);
  }
  return failure("\"blkpack %s\" rewrites a book once only minor problems remain; --force edits it as it is",
                 book);
}

int BookSession::commit() {
  if (db_ == nullptr) return kExitFailure;
  if (db_->commit() != 0) return failure("could not save book '%s'", path_.c_str());
  return kExitOk;
}

// ---------------------------------------------------------------------------
// Entries

namespace {

int collectEntry(MLStoreHandle& handle, void* context) {
  static_cast<std::vector<EntryInfo>*>(context)->push_back({handle.getID(), handle.getFlags()});
  return 0;
}

bool allDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::vector<EntryInfo> allEntries(DB& db) {
  std::vector<EntryInfo> entries;
  MiddleLevelStore* store = db.store();
  if (store == nullptr) return entries;
  try {
    // Mask 0: every ID record, whatever its facets and kind.
    store->enumerate(collectEntry, &entries, DB::EntryHeader, 0);
  } catch (const ErrorMsgException& e) {
    error(HWND_NOBOX, 'E', "Could not read the book's ID table: %s", e.description().c_str());
  }
  return entries;
}

std::string counted(unsigned long long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool parseULong(const std::string& text, ULONG* value) {
  if (!allDigits(text) || text.size() > 10) return false;
  const unsigned long long v = std::stoull(text);
  if (v > 0xFFFFFFFFull) return false;
  *value = static_cast<ULONG>(v);
  return true;
}

ULONG findPage(DB& db, const std::string& text) {
  ULONG id = 0;
  if (parseULong(text, &id) && id != kNoEntry) {
    const ULONG kind = db.kind(id);
    // kind() is 0 for an ID that does not exist.
    if (kind != 0 && !isLinkKind(kind)) return id;
  }
  return db.resolveName(String(text.c_str()));
}

ULONG findPageOrReport(BookSession& book, const std::string& text) {
  const ULONG id = findPage(book.db(), text);
  if (id == kNoEntry) failure("no page '%s' in %s", text.c_str(), book.path().c_str());
  return id;
}

ULONG findHomePage(DB& db) {
  for (const EntryInfo& e : allEntries(db)) {
    if ((e.kind & (kKindPage | kKindHome)) == (kKindPage | kKindHome)) return e.id;
  }
  return kNoEntry;
}

bool facetNamesRecord(DB& db, ULONG id, int facet) {
  MiddleLevelStore* store = db.store();
  return store != nullptr && store->getFacet_noThrow(id, facet) != 0;
}

bool readFacet(DB& db, ULONG id, int facet, std::string* out) {
  out->clear();
  if (!facetNamesRecord(db, id, facet)) return true;
  std::unique_ptr<StoreStream> s = db.store()->find_noThrow(id, facet);
  if (!s) return false;
  // The record's length as its chain gives it; a damaged chain gives none.
  s->seekg(0, std::ios::end);
  const std::streamoff length = s->tellg();
  s->clear();
  s->seekg(0);
  // Bounded by the record, itself bounded by the file's size.
  char buf[8192];
  while (s->read(buf, sizeof buf), s->gcount() > 0) {
    out->append(buf, static_cast<std::size_t>(s->gcount()));
  }
  return length >= 0 && static_cast<std::streamoff>(out->size()) == length && !s->bad();
}

Fragmentation measureFragmentation(DB& db) {
  Fragmentation f;
  MiddleLevelStore* store = db.store();
  if (store == nullptr) return f;
  const std::vector<EntryInfo> entries = allEntries(db);
  const ULONG steps0 = store->chainStepCount;
  const ULONG opens0 = store->chainOpenCount;
  char buf[8192];
  // The ID table's own record (the middle-level store hands out no stream on it).
  try {
    std::unique_ptr<Chain> table = store->lookup(store->mlHeader()->indexHandle());
    // Bounded by the chain's walk limit: each read moves forward or returns 0.
    while (table && table->read(buf, sizeof buf) > 0) {
    }
    ++f.records;
  } catch (const ErrorMsgException&) {
    ++f.unreadable;
  }
  // Bounded by the entries of the ID table and, per record, by its chain walk.
  for (const EntryInfo& e : entries) {
    for (int facet = 0; facet < store->facets(); ++facet) {
      if (store->isFacetEmpty(e.id, facet)) continue;
      try {
        std::unique_ptr<StoreStream> s = store->find(e.id, facet);
        while (s->read(buf, sizeof buf), s->gcount() > 0) {
        }
        ++f.records;
      } catch (const ErrorMsgException&) {
        ++f.unreadable;
      }
    }
  }
  const ULONG steps = store->chainStepCount - steps0;
  const ULONG opens = store->chainOpenCount - opens0;
  if (opens != 0) f.index = static_cast<double>(steps + opens) / static_cast<double>(opens);
  return f;
}

// ---------------------------------------------------------------------------
// Input and output

bool readInput(const std::string& path, std::string* out, std::string* why) {
  std::ifstream file;
  std::istream* in = &std::cin;
  if (path != "-") {
    file.open(path, std::ios::binary);
    if (!file) {
      *why = std::strerror(errno);
      return false;
    }
    in = &file;
  }
  out->clear();
  char buf[65536];
  for (;;) {
    in->read(buf, sizeof buf);
    const std::streamsize n = in->gcount();
    if (n <= 0) break;
    if (out->size() + static_cast<std::size_t>(n) > kMaxInputBytes) {
      *why = "input larger than 64 MiB";
      return false;
    }
    out->append(buf, static_cast<std::size_t>(n));
  }
  if (in->bad()) {
    *why = "read error";
    return false;
  }
  return true;
}

