// cmd_new.cpp: "tvx new BOOK" makes a new, empty book file. The file is made
// with the book layout (store signature "#NXST#", version 1568, 6 facets per
// ID, 128 hash buckets) and exclusively: an existing file is never touched.
#include <sys/stat.h>

#include <cstdio>
#include <memory>

#include "core/db.h"
#include "kit/error_msg_exception.h"
#include "store/middle_level_store.h"
#include "tools/tvx/commands.h"

namespace {

int cmdNew(const CommandLine& cl) {
  int rc = expectArgs("new", cl, 1, 1);
  if (rc != kExitOk) return rc;
  const std::string& path = cl.args[0];

  struct stat st;
  if (lstat(path.c_str(), &st) == 0) return failure("'%s' already exists", path.c_str());
  try {
    // The store opens its new file exclusively, so a file that appeared since
    // the check above is refused as well.
    std::unique_ptr<MiddleLevelStore> store(MiddleLevelStore::make(
        path.c_str(), DB::Signature, DB::Version, DB::Facets, DB::DefaultShare, DB::Buckets));
    store->commit();
    MiddleLevelStore* raw = store.release();
    delete raw;  // the store's destructor may throw: inside the try
  } catch (const ErrorMsgException& e) {
    return failure("cannot make book '%s': %s", path.c_str(), e.description().c_str());
  }
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
