// cmd_new.cpp: "tvx new BOOK" makes a new, empty book file. The file is made
// with the book layout (store signature "#NXST#", version 1568, 6 facets per
// ID, 128 hash buckets) and exclusively: an existing file is never touched.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/db.h"
#include "kit/error_msg_exception.h"
#include "store/middle_level_store.h"
#include "tools/blkpack/durable_file.h"
#include "tools/tvx/commands.h"

namespace {

int cmdNew(const CommandLine& cl) {
  int rc = expectArgs("new", cl, 1, 1);
  if (rc != kExitOk) return rc;
  const std::string& path = cl.args[0];

  struct stat st;
  if (lstat(path.c_str(), &st) == 0) return failure("'%s' already exists", path.c_str());
  // The book is made whole under a fresh name beside it and only then given its
  // name, by a link that fails when the name was taken meanwhile; a book that
  // could not be made (a full disk) leaves nothing behind.
  const std::string fresh = freshNameBeside(path, "new");
  if (fresh.empty()) {
    return failure("cannot make book '%s': %s", path.c_str(), std::strerror(errno));
  }
  struct Remover {
    std::string name;
    ~Remover() { ::unlink(name.c_str()); }
  } remover{fresh};
  try {
    std::unique_ptr<MiddleLevelStore> store(MiddleLevelStore::make(
        fresh.c_str(), DB::Signature, DB::Version, DB::Facets, DB::DefaultShare, DB::Buckets));
    store->commit();  // throws when a write was lost
    MiddleLevelStore* raw = store.release();
    delete raw;  // the store's destructor may throw: inside the try
  } catch (const ErrorMsgException& e) {
    return failure("cannot make book '%s': %s", path.c_str(), e.description().c_str());
  }
  if (!syncFile(fresh)) {
    return failure("cannot make book '%s': %s", path.c_str(), std::strerror(errno));
  }
  if (::link(fresh.c_str(), path.c_str()) != 0) {
    if (errno == EEXIST) return failure("'%s' already exists", path.c_str());
    return failure("cannot make book '%s': %s", path.c_str(), std::strerror(errno));
  }
  syncFolderOf(path);
  return kExitOk;
}

}  // namespace

const Command newCommand = {
    "new",
    "make a new, empty book file",
    "tvx new BOOK",
    "Makes BOOK, a new book file with no pages. An existing file is never\n"
    "overwritten: tvx refuses it.\n",
    {},
    "tvx new plants.tvx",
    cmdNew,
};
