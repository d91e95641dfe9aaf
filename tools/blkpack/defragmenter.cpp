// The defragmenter shared by blkpack and `tvx defrag` (see defragmenter.h for
// the steps and why each is there).
#include "tools/blkpack/defragmenter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#include "core/book_check.h"
#include "kit/error_msg_exception.h"
#include "platform/io/commit_journal.h"
#include "store/middle_level_file_header.h"
#include "store/middle_level_store.h"
#include "store/ml_store_handle.h"
#include "tools/blkpack/durable_file.h"
#include "tools/blkpack/store_owner.h"

namespace {

// Open flags and share modes of the runtime's share-aware open.
const int OpenReadWrite = 2;
const int OpenReadOnly = 0;
const int ShareExclusive = 0x10;
const int ShareDenyWrite = 0x20;
const int ShareDenyNone = 0x40;

struct IdRow {
  ULONG id;
  ULONG flags;
};

int collectId(MLStoreHandle& h, void* context) {
  static_cast<std::vector<IdRow>*>(context)->push_back(IdRow{h.getID(), h.getFlags()});
  return 0;
}

// The whole content of one facet ("" and false when it is empty).
bool facetBytes(MiddleLevelStore& store, ULONG id, int facet, std::string* out) {
  out->clear();
  if (store.getFacet_noThrow(id, facet) == 0) return false;
  std::unique_ptr<StoreStream> s = store.find(id, facet);
  out->assign(std::istreambuf_iterator<char>(*s), std::istreambuf_iterator<char>());
  return true;
}

ULONG fileSize(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<ULONG>(st.st_size) : 0;
}

// A progress bar on standard error, drawn only on a terminal.
class Progress {
 public:
  Progress(const char* name, ULONG total)
      : name_(name), total_(total),
        on_(total >= Defragmenter::ProgressThreshold && ::isatty(2) != 0) {}
  ~Progress() {
    if (on_ && shown_ >= 0) std::fputc('\n', stderr);
  }
  void step(ULONG done) {
    if (!on_ || total_ == 0) return;
    const int percent = static_cast<int>(100.0 * done / total_);
    if (percent == shown_) return;
    shown_ = percent;
    const int width = 40, filled = percent * width / 100;
    std::fprintf(stderr, "\r%s: [%.*s%*s] %3d%% (%u/%u)", name_, filled,
                 "########################################", width - filled, "", percent, done,
                 total_);
    std::fflush(stderr);
  }

 private:
  const char* name_;
  ULONG total_;
  bool on_;
  int shown_ = -1;
};

// True, with the reason and every problem found, when the file exists and the
// check finds problems a rewrite would not mend (or would make worse: a record
// no ID names that holds a page's data would be dropped).
bool damaged(const std::string& path, const char* progName, DefragResult* result, std::string* why) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  // Minor problems (lost or unmerged space) go away in the rewrite.
  const BookCheckReport report = BookCheck::checkFile(path);
  if (report.sound()) return false;
  const BookProblem* first = &report.problems.front();
  for (const BookProblem& p : report.problems)
    if (!p.minor) {
      first = &p;
      break;
    }
  for (const BookProblem& p : report.problems) result->problems.push_back(p.line());
  const std::string salvage =
      std::strncmp(progName, "tvx", 3) == 0 ? "tvx salvage " : "blkpack --salvage ";
  *why = path + " has problems (" + std::to_string(report.problems.size() + report.unlisted) +
         ", first: " + first->line() +
         "); run \"tvx check\" on it; it was not rewritten; \"" + salvage + path +
         " NEW\" copies what it can read into a new book";
  return true;
}

}  // namespace

std::string DefragResult::summary() const {
  auto counted = [](ULONG n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  return counted(ids, "ID", "IDs") + ", " + counted(records, "record", "records") + ", " +
         std::to_string(oldSize) + " -> " + counted(newSize, "byte", "bytes");
}

bool Defragmenter::run(const std::string& path, const char* progName, DefragResult* result,
                       std::string* why) {
  *result = DefragResult();
  StoreOwner src;
  try {
    src.store = MiddleLevelStore::make(path.c_str(), OpenReadWrite, ShareExclusive);
  } catch (const ErrorMsgException& e) {
    // A damaged book cannot be opened at all: say what is wrong with it rather
    // than suggest that someone holds it.
    if (!damaged(path, progName, result, why))
      *why = "cannot open " + path + " for exclusive use (" + e.description() +
             "); is another program holding it open?";
    return false;
  }
  result->oldSize = fileSize(path);
  if (damaged(path, progName, result, why)) return false;
  const std::string fresh = freshNameBeside(path, "blkpack");
  if (fresh.empty()) {
    *why = "cannot make a new file beside " + path + ": " + std::strerror(errno);
    return false;
  }
  const RemovedOnExit remover{fresh};

  std::vector<IdRow> ids;
  try {
    src.store->enumerate(collectId, &ids, 0, 0);
    const ULONG nextId = src.store->highestID() + 1;
    StoreOwner dst;
    dst.store = MiddleLevelStore::make(fresh.c_str(), src.store->signature(), src.store->version(),
                                       src.store->facets(), ShareDenyWrite,
                                       src.store->idTable()->buckets());
    // Every ID first, so that the ID table (the first record) grows in place.
    for (const IdRow& row : ids) dst.store->createID(row.flags, &row.id);
    Progress progress(progName, static_cast<ULONG>(ids.size()));
    std::string bytes;
    ULONG done = 0;
    for (const IdRow& row : ids) {
      for (int f = 0; f < src.store->facets(); ++f) {
        if (!facetBytes(*src.store, row.id, f, &bytes)) continue;
        std::unique_ptr<StoreStream> out =
            dst.store->insert(row.id, f, static_cast<ULONG>(bytes.size()));
        out->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out->flush();
        if (!*out) {
          *why = "cannot write the new book " + fresh;
          return false;
        }
        ++result->records;
      }
      progress.step(++done);
    }
    if (dst.store->mlHeader()->nextID() < nextId) dst.store->mlHeader()->setNextID(nextId);
    dst.store->commit();  // throws when any write of the new book was lost
    dst.close();

    // Read the new book back and compare it with the old one.
    StoreOwner back;
    back.store = MiddleLevelStore::make(fresh.c_str(), OpenReadOnly, ShareDenyNone);
    std::vector<IdRow> newIds;
    back.store->enumerate(collectId, &newIds, 0, 0);
    bool same = newIds.size() == ids.size() && back.store->highestID() + 1 == nextId;
    std::string a, b;
    for (std::size_t i = 0; same && i < ids.size(); ++i) {
      same = ids[i].id == newIds[i].id && ids[i].flags == newIds[i].flags;
      for (int f = 0; same && f < src.store->facets(); ++f)
        same = facetBytes(*src.store, ids[i].id, f, &a) == facetBytes(*back.store, ids[i].id, f, &b) &&
               a == b;
    }
    back.close();
    if (!same) {
      *why = "the new book " + fresh + " does not read back the same; " + path + " was not changed";
      return false;
    }
  } catch (const ErrorMsgException& e) {
    *why = "rewriting " + path + " failed: " + e.description();
    return false;
  }
  const BookCheckReport after = BookCheck::checkFile(fresh);
  if (!after.ok()) {
    *why = "the rewritten book has problems (first: " + after.problems.front().line() + "); " +
           path + " was not changed";
    return false;
  }
  // The packed book is copied into the book file itself, behind a journal, so
  // that the book keeps its inode, its links and its mode, and a crash at any
  // moment leaves the old book or the packed one.
  std::string failed;
  if (CommitJournal::replaceContent(src.store->fd(), path.c_str(), fresh.c_str(), &failed) != 0) {
    *why = "cannot write the packed book into " + path + ": " + failed;
    return false;
  }
  src.close();
  result->ids = static_cast<ULONG>(ids.size());
  result->newSize = fileSize(path);
  return true;
}
