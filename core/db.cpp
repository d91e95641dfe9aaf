// One open book on a middle-level store: opening policy, entries, streams,
// attributes, commit and the closing fragmentation check.
#include "core/db.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/attr_translator.h"
#include "core/nexil.h"
#include "kit/error.h"
#include "kit/file_helpers.h"
#include "maptext/km_esrap.h"
#include "platform/io/commit_journal.h"
#include "platform/io/written_ranges.h"
#include "platform/system/desktop.h"
#include "platform/io/pending_copy.h"
#include "platform/io/share_open.h"
#include "platform/io/space_reclaimer.h"
#include "platform/system/system.h"
#include "platform/io/truncatable.h"
#include "platform/io/work_file_claim.h"
#include "store/middle_level_store.h"

const char DB::Signature[] = "#NXST#";

namespace {

ULONG g_bookCounter = 0;

// Streams from the store arrive as owned pointers of the store's stream type.
template <class P>
std::unique_ptr<std::iostream> asStream(P p) {
  return std::unique_ptr<std::iostream>(p.release());
}
template <class T>
std::unique_ptr<std::iostream> asStream(T* p) {
  return std::unique_ptr<std::iostream>(p);
}

template <class P>
std::unique_ptr<MiddleLevelStore> asStore(P p) {
  return std::unique_ptr<MiddleLevelStore>(p.release());
}
std::unique_ptr<MiddleLevelStore> asStore(MiddleLevelStore* p) {
  return std::unique_ptr<MiddleLevelStore>(p);
}

std::string descriptionOf(const ErrorMsgException& e) {
  std::string d = e.description();
  return d.empty() ? std::string("<none>") : d;
}

// The longest entry header read back: two texts of 256 characters, their NULs and
// the digits of a 32-bit number, with room to spare. A longer (damaged) header is
// read only this far.
const std::size_t kMaxHeaderBytes = 256 + 1 + 256 + 1 + 16;

// An entry header's bytes (what a reader takes of them: at most kMaxHeaderBytes)
// as name, type and flags.
void parseEntryHeaderBytes(const char* buf, std::size_t n, std::string* name, std::string* type,
                           ULONG* flags) {
  std::size_t pos = 0;
  auto text = [&](std::string* out) {
    std::size_t start = pos;
    while (pos < n && buf[pos] != '\0') ++pos;
    std::size_t len = pos - start;
    if (len > 256) len = 256;
    out->assign(buf + start, len);
    if (pos < n) ++pos;  // the NUL
  };
  text(name);
  text(type);
  unsigned long long v = 0;
  while (pos < n && buf[pos] >= '0' && buf[pos] <= '9') {
    v = v * 10 + static_cast<unsigned>(buf[pos] - '0');
    if (v > 0xFFFFFFFFull) v &= 0xFFFFFFFFull;  // wraps like a 32-bit reader
    ++pos;
  }
  *flags = static_cast<ULONG>(v);
}

std::string entryHeaderBytes(const String& name, const String& type, ULONG flags) {
  std::string bytes(name.c_str(), name.length());
  bytes.push_back('\0');
  bytes.append(type.c_str(), type.length());
  bytes.push_back('\0');
  char digits[16];
  std::snprintf(digits, sizeof digits, "%lu", static_cast<unsigned long>(flags));
  bytes += digits;
  return bytes;
}

// Finds a program on PATH; empty when it is not there.
std::string findOnPath(const char* program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::string();
  std::stringstream dirs(path);
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (dir.empty()) dir = ".";
    std::string candidate = dir + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::string();
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction, opening and closing

ULONG DB::newBookCounter() { return g_bookCounter; }

DB::DB(Nexil& app, const char* netAddress, const char* fileName, int openFlags, int share,
       const char* namePrefix)
    : app_(app), netAddress_(netAddress), hasFile_(fileName != nullptr ? 1 : 0) {
  if (fileName != nullptr) {
    bookName_ = fileName;
  } else {
    char name[64];
    std::snprintf(name, sizeof name, "%.40s%lu", namePrefix != nullptr ? namePrefix : "Book",
                  static_cast<unsigned long>(++g_bookCounter));
    bookName_ = name;
  }
  try {
    if (openFlags != 0 && fileName != nullptr) {
      try {
        lockStore_ = asStore(MiddleLevelStore::make(fileName, openFlags, share));
      } catch (...) {
        const int why = errno;
        lockStore_.reset();  // the book is then opened directly
        if (access(fileName, W_OK) != 0) {
          readOnlyReason_ = std::string("it cannot be written: ") + std::strerror(errno);
        } else if (why == EBUSY) {
          readOnlyReason_ = "another program is saving it";
        } else {
          readOnlyReason_ = "another program holds it open for writing";
        }
      }
    }
    if (!lockStore_ && fileName != nullptr) {
      workPath_ = fileName;
    } else {
      makeTempFileName();
    }
    if (fileName == nullptr) {
      store_ = asStore(MiddleLevelStore::make(workPath_.c_str(), Signature, Version, Facets,
                                              DefaultShare, Buckets));
      claimWorkFile();
    } else {
      try {
        store_ = asStore(MiddleLevelStore::make(workPath_.c_str(), openFlags, share));
      } catch (...) {
        // Someone else holds the book for writing, or its working copy could not
        // be made: read it where it lies.
        if (readOnlyReason_.empty()) readOnlyReason_ = "its working copy could not be opened";
        removeWorkFile();
        lockStore_.reset();
        workPath_ = fileName;
        store_ = asStore(MiddleLevelStore::make(workPath_.c_str(), _O_RDONLY, _SH_DENYNO));
        error(nullptr, 'W',
              "Could not open book '%s' for write, opening it for shared read access...",
              fileName);
      }
    }
  } catch (const ErrorMsgException& e) {
    const std::string why = descriptionOf(e);
    if (fileName != nullptr) {
      error(nullptr, 'W', "Could not access book file '%s'.  Reason: %s", fileName, why.c_str());
    } else {
      error(nullptr, 'W', "Could not create new book. Reason: %s", why.c_str());
    }
    store_.reset();
    lockStore_.reset();
    removeWorkFile();
    throw;
  } catch (...) {
    if (fileName != nullptr) {
      error(nullptr, 'E', "Could not access book file '%s'", fileName);
    } else {
      error(nullptr, 'E', "Could not create new book");
    }
    store_.reset();
    lockStore_.reset();
    removeWorkFile();
    throw;
  }
}

void DB::makeTempFileName() {
  if (store_) {
    store_.reset();
    removeWorkFile();
  }
  char dir[kPathBufferSize];
  DWORD n = GetTempPath(sizeof dir, dir);
  if (n == 0 || n >= sizeof dir) std::strcpy(dir, ".");
  // What editors that died left behind: nobody claims those files any more.
  WorkFileClaim::removeAbandoned(dir, "TVX");
  char name[kPathBufferSize];
  UINT got = GetTempFileName(dir, "TVX", 0, name);
  if (got == 0 && std::strcmp(dir, ".") != 0 && hasFile_) {
    PathParts parts = splitPath(bookName_.c_str());
    std::string bookDir = parts.drive + parts.directory;
    if (bookDir.empty()) bookDir = ".";
    got = GetTempFileName(bookDir.c_str(), "TVX", 0, name);
  }
  if (got == 0) got = GetTempFileName(".", "TVX", 0, name);
  if (got == 0) {
    const int why = errno != 0 ? errno : EIO;
    error(nullptr, 'E', "Unable to create temporary file---operation aborted.");
    readOnlyReason_ = std::string("no temporary file for its working copy could be made in '") +
                      dir + "': " + std::strerror(why);
    return;
  }
  workPath_ = name;
  ownsWorkFile_ = true;
  if (hasFile_) {
    claimWorkFile();
    // The copy lands while the book is already being read; the working store
    // reads the book file until it is whole and waits for it before writing.
    // A copy that is not whole must not become the working store: its gaps
    // would be committed over the book. Without it the book opens read-only.
    errno = 0;
    workCopy_ = startFileCopy(name, bookName_.c_str());
    // The copy has its final length already: watched from now on, before the
    // working store opens it, so that every write of the store is seen.
    if (workCopy_) workWrites_ = WrittenRanges::watch(name);
    if (!workCopy_ || (workCopy_->finished() && !workCopy_->wait())) {
      const int why = errno != 0 ? errno : EIO;
      workCopy_.reset();
      workWrites_.reset();
      std::remove(name);
      char text[kPathBufferSize + 64];
      std::snprintf(text, sizeof text, "its working copy '%s' could not be made: %s", name,
                    std::strerror(why));
      readOnlyReason_ = text;
    }
  } else {
    // The store creates its file exclusively.
    std::remove(name);
  }
}

String DB::workPath() const {
  if (workCopy_) workCopy_->wait();
  return workPath_;
}

void DB::removeWorkFile() {
  if (workCopy_) {
    workCopy_->cancel();  // a book closed at once need not wait for its copy
    workCopy_.reset();
  }
  if (ownsWorkFile_ && workPath_.length() > 0 && !bookName_.isEqual(workPath_)) {
    SpaceReclaimer::removeFile(workPath_.c_str());
  }
  ownsWorkFile_ = false;
  workClaim_.reset();
  workWrites_.reset();
}

void DB::claimWorkFile() {
  if (ownsWorkFile_ && !workClaim_) workClaim_ = std::make_unique<WorkFileClaim>(workPath_.c_str());
}

float DB::fragmentationIndex() const {
  if (!store_ || store_->chainOpenCount == 0) return 0.0f;
  return static_cast<float>(static_cast<double>(store_->chainStepCount) /
                            static_cast<double>(store_->chainOpenCount));
}

DB::~DB() {
  if (store_) {
    const float index = fragmentationIndex();
    const bool readOnly = isReadOnly();
    try {
      store_.reset();
    } catch (const ErrorMsgException& e) {
      e.report(nullptr, 'E');
    }
    if (!readOnly) {
      try {
        lockStore_.reset();
      } catch (const ErrorMsgException& e) {
        e.report(nullptr, 'E');
      }
      removeWorkFile();
    }
    if (index > 1.5f && hasFile_) offerDefragmentation(index);
  }
  if (refCount_ != 0) {
    error(nullptr, 'F', "DB::~DB called with non-zero (%lu) reference count",
          static_cast<unsigned long>(refCount_));
  }
}

void DB::offerDefragmentation(float index) {
  // "Only on Windows NT" holds here; the defragmenter is the program on PATH.
  const std::string program = findOnPath("blkpack");
  if (program.empty()) return;
  // A book someone else holds open cannot be rewritten: do not ask.
  int fd = _sopen(bookName_.c_str(), _O_RDWR | _O_BINARY, _SH_DENYRW);
  if (fd < 0) return;
  _close(fd);
  char text[1024];
  std::snprintf(text, sizeof text,
                "File '%s' appears to be excessively fragmented, and has a fragmentation index "
                "of %.1f which can cause performance degradation.\nDo you want to defrag this "
                "file now?",
                bookName_.c_str(), static_cast<double>(index));
  if (MessageBox(nullptr, text, "Tavix", MB_YESNO | MB_ICONQUESTION) == IDYES) {
    startProgram(program, {std::string(bookName_.c_str())});
  }
}

void DB::classInvarient(const char* file, int line) {
  if (store_) store_->classInvarient(file, line);
}

bool DB::isReadOnly() const {
  if (!store_) return true;
  return (store_->openFlags() & (_O_RDWR | _O_WRONLY)) == 0;
}

// ---------------------------------------------------------------------------
// Commit

int DB::commit() {
  if (isReadOnly() || !lockStore_ || !store_) return 0;
  hasFile_ = 1;
  // The book file stays held by the lock store throughout: no other writer can
  // come in between, and what the work wrote is copied back into the book file
  // itself, so that it keeps its inode, its links and its mode. The copy goes
  // behind a journal of the bytes it replaces (platform/io/commit_journal.h): a
  // crash at any moment leaves the old book or the new one.
  std::string why;
  bool ok = true;
  try {
    // A working file the book never wholly reached would be committed with gaps.
    if (workCopy_ && !workCopy_->wait()) throw LowLevelStore::BadStreamException("Write failed");
    workCopy_.reset();  // whole: the book file need not be held open for it
    store_->commit();
  } catch (const ErrorMsgException& e) {
    why = descriptionOf(e);
    ok = false;
  }
  if (ok) {
    ok = CommitJournal::replaceContent(lockStore_->fd(), bookName_.c_str(), workPath_.c_str(),
                                       &why, workWrites_.get()) == 0;
  }
  if (!ok) {
    error(nullptr, 'E', "Could not save book '%s': %s", bookName_.c_str(), why.c_str());
    error(nullptr, 'E',
          "Internal error... cannot regain file lock... Please close book %s and reopen",
          bookName_.c_str());
    return -1;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Entries

int DB::writeEntryHeader(ULONG id, const String& name, const String& type, ULONG flags) {
  const std::string bytes = entryHeaderBytes(name, type, flags);
  ++entryHeaderWrites_;
  entryHeaders_.erase(id);
  // A header that shrinks goes to a fresh record, so that no bytes of the old
  // one are left behind to be read as part of the new one.
  bool oneBlock = false;
  const ULONG handle =
      store_->writeFacet(id, EntryHeader, bytes.data(), static_cast<int>(bytes.size()),
                         static_cast<ULONG>(name.length() + type.length() + 30), &oneBlock);
  keepWrittenHeader(id, handle, oneBlock, name, type, flags);
  return 0;
}

void DB::keepWrittenHeader(ULONG id, ULONG handle, bool oneBlock, const String& name,
                           const String& type, ULONG flags) {
  // Kept as a reader would parse it back (names past 256 bytes are cut there),
  // and only when reading it back makes no step; otherwise read back when asked.
  if (!oneBlock || std::strlen(name.c_str()) != name.length() ||
      std::strlen(type.c_str()) != type.length() || name.length() > 256 || type.length() > 256) {
    return;
  }
  entryHeaders_.keep(id, std::make_shared<const EntryText>(EntryText{handle, name, type, flags, 0}));
}

std::shared_ptr<const DB::EntryText> DB::entryText(ULONG id, ULONG handle, bool reread,
                                                   bool* readFailed) {
  if (readFailed != nullptr) *readFailed = false;
  if (!reread) {
    std::shared_ptr<const EntryText> kept = entryHeaders_.find(id, handle);
    if (kept != nullptr) {
      store_->chargeRecordRead(kept->readSteps);
      return kept;
    }
  }
  char buf[kMaxHeaderBytes];
  const ULONG steps = store_->chainStepCount;
  bool failed = false;
  const int got = store_->readRecordStart(handle, buf, static_cast<int>(sizeof buf), &failed);
  std::string n, t;
  ULONG f = 0;
  parseEntryHeaderBytes(buf, static_cast<std::size_t>(got), &n, &t, &f);
  auto text = std::make_shared<const EntryText>(
      EntryText{handle, String(n.c_str()), String(t.c_str()), f, store_->chainStepCount - steps});
  if (failed) {
    if (readFailed != nullptr) *readFailed = true;
    entryHeaders_.erase(id);
  } else {
    entryHeaders_.keep(id, text);
  }
  return text;
}

std::string DB::checkKeptEntryHeaders(const std::vector<ULONG>& ids) {
  if (!store_) return "";
  return entryHeaders_.check(*store_, ids, parseEntryHeaderBytes, static_cast<int>(kMaxHeaderBytes));
}

// The header record is written first and the new ID names it from the start (one
// write of the ID table); a failure leaves neither behind.
ULONG DB::createEntry(ULONG kind, const String& name, const String& type, ULONG flags) {
  const std::string bytes = entryHeaderBytes(name, type, flags);
  bool oneBlock = false;
  ULONG handle = 0;
  const ULONG id = store_->createIDWithFacet(
      kind, EntryHeader, bytes.data(), static_cast<int>(bytes.size()),
      static_cast<ULONG>(name.length() + type.length() + 30), &handle, &oneBlock);
  ++entryHeaderWrites_;
  keepWrittenHeader(id, handle, oneBlock, name, type, flags);
  return id;
}

ULONG DB::createNode(const String& name, const String& type, ULONG flags) {
  return createEntry(KindNode, name, type, flags);
}

ULONG DB::createLink(const String& type) { return createEntry(KindLink, String(""), type, 0); }

int DB::removeQuietly(ULONG id, int facet, const char* what) {
  if (facet < 0 || facet == EntryHeader) entryHeaders_.erase(id);
  try {
    if (facet < 0) {
      store_->remove(id);
    } else {
      store_->remove(id, facet);
    }
  } catch (const ErrorMsgException& e) {
    // Logged and handed to the application's handler, never shown in a box.
    error(HWND_NOBOX, 'E', "Failed to %s %ld: %s", what, static_cast<long>(id),
          e.description().c_str());
    return -1;
  }
  return 0;
}

int DB::removeEntry(ULONG id) { return removeQuietly(id, -1, "remove entry"); }

int DB::clearNodeStream(ULONG id) { return removeQuietly(id, Body, "clear node body for"); }

int DB::clearLinkListStream(ULONG id) {
  return removeQuietly(id, LinkList, "clear link list for");
}

// Both read the header from its record whatever is kept, so that a failing read
// of the file is seen and reported; what they read is kept for the walks.
int DB::lookupName_Type_Flags(ULONG id, String* name, String* type, ULONG* flags) {
  if (!store_) return -1;
  const ULONG handle = store_->getFacet_noThrow(id, EntryHeader);
  if (handle == 0) return -1;
  std::shared_ptr<const EntryText> text;
  bool readFailed = false;
  try {
    text = entryText(id, handle, true, &readFailed);
  } catch (const ErrorMsgException&) {
    store_->clear();
    return -1;
  }
  if (readFailed) {
    error(nullptr, 'F',
          "Internal stream read error... DB::lookupName_Type_Flags: name, type, or flag "
          "information may be lost");
    store_->clear();
  }
  if (name != nullptr) *name = text->name;
  if (type != nullptr) *type = text->type;
  if (flags != nullptr) *flags = text->flags;
  return 0;
}

int DB::changeName_Type_Flags(ULONG id, const String* name, const String* type,
                              const ULONG* flags) {
  try {
    if (store_->getHashRec_noThrow(id) == nullptr) {
      error(nullptr, 'E', "Could not access page (possibly deleted)");
      return -1;
    }
    String oldName(""), oldType("");
    ULONG oldFlags = 0;
    if (name == nullptr || type == nullptr || flags == nullptr) {
      const ULONG handle = store_->getFacet_noThrow(id, EntryHeader);
      if (handle != 0) {
        bool readFailed = false;
        const std::shared_ptr<const EntryText> text = entryText(id, handle, true, &readFailed);
        if (readFailed) {
          error(nullptr, 'F',
                "Internal stream read error... DB::changeName_Type_Flags: name, type, or flag "
                "information may be lost");
          store_->clear();
        }
        oldName = text->name;
        oldType = text->type;
        oldFlags = text->flags;
      }
    }
    writeEntryHeader(id, name != nullptr ? *name : oldName, type != nullptr ? *type : oldType,
                     flags != nullptr ? *flags : oldFlags);
  } catch (const ErrorMsgException& e) {
    error(nullptr, 'E', "Internal error... DB::changeName_Type_Flags: uncaught exception");
    e.report(nullptr, 'E');
    return -1;
  }
  return 0;
}

ULONG DB::kind(ULONG id) {
  try {
    return store_ ? store_->getFlags(id) : 0;
  } catch (const ErrorMsgException&) {
    return 0;
  }
}

int DB::setKind(ULONG id, ULONG kind) {
  try {
    store_->setFlags(id, kind);
  } catch (const ErrorMsgException&) {
    return -1;
  }
  return 0;
}

namespace {

struct NameSearch {
  const String* name;
  ULONG found;
};

int matchName(ULONG id, const String& name, const String&, ULONG, void* data) {
  NameSearch* search = static_cast<NameSearch*>(data);
  if (!name.isEqual(*search->name)) return 0;
  search->found = id;
  return 1;
}

struct NameCollection {
  std::unordered_map<std::string, ULONG>* names;
  std::size_t limit;
  bool full;
};

int collectPageName(ULONG id, const String& name, const String&, ULONG, void* data) {
  NameCollection* c = static_cast<NameCollection*>(data);
  // The first page in store order keeps the name.
  c->names->emplace(std::string(name.c_str(), name.length()), id);
  if (c->names->size() < c->limit) return 0;
  c->full = true;
  return 1;
}

}  // namespace

struct DB::EntryWalk {
  DB* db;
  EntryFn fn;
  void* data;
  ULONG kind;
};

// One ID record of an entry walk. The selection is the stream enumeration's:
// with a kind, an entry without a header or of another kind is passed over; an
// entry whose header cannot be read is passed over too, and a store failure in a
// visit ends only that visit.
int DB::visitEntryRecord(const ULONG* record, void* context) {
  EntryWalk* walk = static_cast<EntryWalk*>(context);
  const ULONG id = record[0];
  const ULONG storeFlags = record[1];
  const ULONG handle = record[2 + EntryHeader];
  if (walk->kind != 0 &&
      (handle == 0 || (walk->kind != 0xFFFFFFFFu && (storeFlags & walk->kind) == 0))) {
    return 0;
  }
  try {
    if (handle == 0) return walk->fn(id, String(""), String(""), 0, walk->data);
    bool readFailed = false;
    const std::shared_ptr<const EntryText> text =
        walk->db->entryText(id, handle, false, &readFailed);
    if (readFailed) {
      walk->db->store_->clear();
      return 0;  // a header that cannot be read is passed over
    }
    return walk->fn(id, text->name, text->type, text->flags, walk->data);
  } catch (const ErrorMsgException&) {
    walk->db->store_->clear();
    return 0;
  }
}

void DB::doUntilEntry(EntryFn fn, void* data, ULONG kind) {
  if (!store_ || fn == nullptr) return;
  EntryWalk walk{this, fn, data, kind};
  store_->enumerateRecords(visitEntryRecord, &walk);
}

bool DB::pageNamesCurrent() {
  if (pageNamesBuilt_ && pageNamesTableChanges_ == store_->idTableChanges() &&
      pageNamesHeaderWrites_ == entryHeaderWrites_) {
    return true;
  }
  pageNames_.clear();
  pageNamesBuilt_ = false;
  NameCollection collection{&pageNames_, MaxKeptEntries, false};
  doUntilNode(collectPageName, &collection);
  if (collection.full) {
    pageNames_.clear();
    return false;
  }
  pageNamesBuilt_ = true;
  pageNamesTableChanges_ = store_->idTableChanges();
  pageNamesHeaderWrites_ = entryHeaderWrites_;
  return true;
}

ULONG DB::resolveName(const String& name) {
  if (!store_) return 0xFFFFFFFFu;
  if (pageNamesCurrent()) {
    auto it = pageNames_.find(std::string(name.c_str(), name.length()));
    return it == pageNames_.end() ? 0xFFFFFFFFu : it->second;
  }
  NameSearch search{&name, 0xFFFFFFFFu};
  doUntilNode(matchName, &search);
  return search.found;
}

// ---------------------------------------------------------------------------
// Streams

std::unique_ptr<std::iostream> DB::facetStream(ULONG id, int facet, ULONG sizeHint, int create) {
  if (!store_) return nullptr;
  if (create && !isReadOnly()) {
    try {
      return asStream(store_->insert(id, facet, sizeHint));
    } catch (const ErrorMsgException& e) {
      e.report(HWND_NOBOX, 'W');
      return nullptr;
    }
  }
  return asStream(store_->find_noThrow(id, facet));
}

std::unique_ptr<std::iostream> DB::getNodeStream(ULONG id, int create) {
  return facetStream(id, Body, 1024, create);
}

std::unique_ptr<std::iostream> DB::getLinkListStream(ULONG id, int create) {
  return facetStream(id, LinkList, 0, create);
}

std::unique_ptr<std::iostream> DB::getLinkStream(ULONG id, int create) {
  if (kind(id) != KindLink) return nullptr;
  return facetStream(id, Body, 256, create);
}

std::unique_ptr<std::iostream> DB::getAttrStream(ULONG id, int create) {
  return facetStream(id, Attributes, 1024, create);
}

bool DB::isBodyEmpty(ULONG id) { return !store_ || store_->isFacetEmpty(id, Body); }

// ---------------------------------------------------------------------------
// Attributes

int DB::createAttribute(ULONG id, const char* name, const char* value) {
  int len = 0;
  if (getAttribute(id, name, nullptr, len) == 0) removeAttribute(id, name);
  std::unique_ptr<std::iostream> s = getAttrStream(id, 1);
  if (!s) return -1;
  AttrValueList list;
  int rc = readAttrs(s.get(), list);
  if (rc != 0) return rc;
  list.add(name, value);
  s->clear();
  s->seekp(0);
  s->seekg(0);
  return writeAttrs(s.get(), list);
}

int DB::createIntAttribute(ULONG id, const char* name, int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return createAttribute(id, name, text);
}

int DB::getAttributeLen(ULONG id, const char* name, int& len) {
  len = 0;
  std::unique_ptr<std::iostream> s = getAttrStream(id, 0);
  if (!s) return 1;
  AttrValueList list;
  int rc = readAttrs(s.get(), list);
  const AttrValue* v = list.find(name);
  if (v != nullptr && v->value() != nullptr) len = static_cast<int>(v->value()->length()) + 1;
  return rc;
}

int DB::getAttribute(ULONG id, const char* name, char* buf, int& len) {
  if (buf != nullptr && len > 0) buf[0] = '\0';
  std::unique_ptr<std::iostream> s = getAttrStream(id, 0);
  if (!s) return -3;
  AttrValueList list;
  readAttrs(s.get(), list);
  const AttrValue* v = list.find(name);
  if (v == nullptr) return -1;
  if (v->value() == nullptr) {
    len = -1;
    return 0;
  }
  const int full = static_cast<int>(v->value()->length());
  if (buf == nullptr) return 0;  // asking only whether it is there
  if (len > 0) {
    int n = full < len - 1 ? full : len - 1;
    std::memcpy(buf, v->value()->c_str(), static_cast<std::size_t>(n));
    buf[n] = '\0';
  }
  return len <= full ? full : 0;
}

int DB::getIntAttribute(ULONG id, const char* name, int& value) {
  char buf[20];
  int len = sizeof buf;
  int rc = getAttribute(id, name, buf, len);
  value = rc == 0 ? std::atoi(buf) : 0;
  return rc;
}

int DB::removeAttribute(ULONG id, const char* name) {
  std::unique_ptr<std::iostream> s = getAttrStream(id, 0);
  if (!s) return 1;
  AttrValueList list;
  readAttrs(s.get(), list);
  list.remove(name);
  s->clear();
  s->seekp(0);
  s->seekg(0);
  return writeAttrs(s.get(), list);
}

int DB::readAttrs(std::iostream* stream, AttrValueList& list) {
  if (stream == nullptr) return -1;
  AttrTranslator reader(stream, list);
  return static_cast<int>(reader.read());
}

int DB::writeAttrs(std::iostream* stream, const AttrValueList& list) {
  if (stream == nullptr) return 1;
  int rc = AttrTranslator::write(stream, list);
  stream->flush();
  // A shorter list than before leaves nothing of the longer one behind.
  if (Truncatable* cut = dynamic_cast<Truncatable*>(stream->rdbuf())) {
    const std::streamoff end = stream->tellp();
    if (end < 0 || !cut->truncateAt(end)) rc = 1;
  }
  return rc;
}

// ---------------------------------------------------------------------------
// Identity

String DB::makeString() const { return netAddress_ + String("#@") + bookName_; }

bool DB::isNamed(const char*, const char* name) const {
  if (name == nullptr) return false;
  return *name == '\0' || std::strcmp(name, "<this>") == 0 ||
         std::strcmp(name, bookName_.c_str()) == 0;
}

bool DB::isLocal() const {
  if (netAddress_.length() == 0 || std::strcmp(netAddress_.c_str(), "UNDEFINED") == 0)
    return true;
  error(nullptr, 'W', "Network references not yet supported");
  return false;
}

void DB::link(DBRef*) { ++refCount_; }

void DB::unlink(DBRef*) {
  if (refCount_ > 0) --refCount_;
  if (refCount_ == 0) {
    delete this;
    return;
  }
  // Only the book's own references are left: letting them go ends the book.
  const ULONG own = ownReferences();
  if (own != 0 && refCount_ == own) releaseOwnReferences();
}

// ---------------------------------------------------------------------------
// DBRef

DBRef::DBRef(DB* db) { ref(db); }

DBRef::DBRef(const DBRef& other) { ref(other.db_); }

DBRef& DBRef::operator=(const DBRef& other) {
  ref(other.db_);
  return *this;
}

DBRef::~DBRef() { ref(nullptr); }

void DBRef::classInvarient(const char*, int) const {}

void DBRef::ref(DB* d) {
  if (d == db_) return;
  DB* old = db_;
  db_ = d;
  if (d != nullptr) d->link(this);
  if (old != nullptr) old->unlink(this);
}
