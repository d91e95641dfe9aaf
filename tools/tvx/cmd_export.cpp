// cmd_export.cpp: "tvx export BOOK DIR", a whole book written as a folder: the
// manifest (book.manifest), one map-text file per page body, and raw files for
// any facet whose bytes do not follow the book layout exactly (see
// book_manifest.h). Nothing of the book is lost: importing the folder gives a
// book with the same IDs, kinds, names, types, flags, bodies, attributes, link
// records and link lists, and exporting that again gives the same folder.
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "store/middle_level_store.h"
#include "tools/tvx/book_manifest.h"
#include "tools/tvx/commands.h"

namespace {

bool writeFile(const std::string& path, const std::string& bytes, std::string* why) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    *why = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool makeDir(const std::string& path, std::string* why) {
  if (::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) return true;
  *why = "cannot make folder " + path + ": " + std::strerror(errno);
  return false;
}

// True when DIR does not exist or is an empty folder.
bool usableFolder(const std::string& dir) {
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return false;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return false;
  bool empty = true;
  // Bounded by the folder's entries; stops at the first real one.
  while (struct dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
      empty = false;
      break;
    }
  }
  ::closedir(d);
  return empty;
}

int cmdExport(const CommandLine& cl) {
  int rc = expectArgs("export", cl, 2, 2);
  if (rc != kExitOk) return rc;
  const std::string bookPath = cl.args[0], dir = cl.args[1];
  if (!usableFolder(dir))
    return failure("%s is not an empty folder (export writes a new one)", dir.c_str());

  BookSession book;
  if ((rc = book.openForReading(bookPath)) != kExitOk) return rc;
  MiddleLevelStore* store = book.db().store();
  if (!store) return failure("%s has no store to read", bookPath.c_str());

  BookManifest m;
  std::vector<std::pair<std::string, std::string>> files;  // path in DIR, bytes
  try {
    m.signature = store->signature();
    m.version = store->version();
    m.nextId = store->highestID() + 1;
    const int facets = store->facets();
    for (const EntryInfo& info : allEntries(book.db())) {
      ManifestEntry e;
      e.id = info.id;
      e.kind = info.kind;
      e.isLink = isLinkKind(info.kind);
      const std::string idText = std::to_string(info.id);
      for (int f = 0; f < facets; ++f) {
        if (store->getFacet_noThrow(info.id, f) == 0) continue;
        std::unique_ptr<StoreStream> s = store->find_noThrow(info.id, f);
        if (!s) return failure("%s: facet %d of ID %u cannot be read", bookPath.c_str(), f, info.id);
        std::string bytes((std::istreambuf_iterator<char>(*s)), std::istreambuf_iterator<char>());
        bool kept = false;
        if (f == 0) {
          kept = e.hasHeader = BookManifest::decodeHeader(bytes, &e.name, &e.type, &e.flags);
        } else if (f == 1 && !e.isLink) {
          e.hasBody = true;
          e.bodyFile = "pages/" + idText + ".map";
          files.emplace_back(e.bodyFile, bytes);
          kept = true;
        } else if (f == 1 && e.isLink) {
          kept = e.hasRecord = BookManifest::decodeRecord(bytes, &e.ends);
        } else if (f == 2 && !e.isLink) {
          kept = e.hasLinkList = BookManifest::decodeLinkList(bytes, &e.linkList);
        } else if (f == 3) {
          kept = e.hasAttrs = BookManifest::decodeAttrs(bytes, &e.attrs) && !e.attrs.empty();
        }
        if (!kept) {
          const std::string name = "raw/" + idText + "-" + std::to_string(f) + ".bin";
          e.raw[f] = name;
          files.emplace_back(name, bytes);
        }
      }
      m.entries.push_back(e);
    }
  } catch (const ErrorMsgException& ex) {
    return failure("%s: cannot be read: %s", bookPath.c_str(), ex.description().c_str());
  }

  std::string why;
  if (!makeDir(dir, &why)) return failure("%s", why.c_str());
  bool needPages = false, needRaw = false;
  for (const auto& f : files) (f.first.compare(0, 4, "raw/") == 0 ? needRaw : needPages) = true;
  if (needPages && !makeDir(dir + "/pages", &why)) return failure("%s", why.c_str());
  if (needRaw && !makeDir(dir + "/raw", &why)) return failure("%s", why.c_str());
  for (const auto& f : files)
    if (!writeFile(dir + "/" + f.first, f.second, &why)) return failure("%s", why.c_str());
  if (!writeFile(dir + "/" + BookManifest::FileName, m.write(), &why))
    return failure("%s", why.c_str());
  std::printf("exported %s of %s to %s\n", counted(m.entries.size(), "entry", "entries").c_str(),
              bookPath.c_str(), dir.c_str());
  return kExitOk;
}

}  // namespace

const Command exportCommand = {
    "export",
    "write a whole book as a folder of map-text files",
    "tvx export BOOK DIR",
    "Writes the whole book into the folder DIR (made when missing; it must be\n"
    "empty): book.manifest with the book's entries (names, types, flags, kinds,\n"
    "home page, type page, attributes, links and link lists), pages/<ID>.map with\n"
    "each page body as map text, and raw/<ID>-<FACET>.bin for anything that must\n"
    "be kept byte for byte. \"tvx import DIR BOOK\" makes the book again.\n",
    {},
    "tvx export solar.tvx solar-src",
    cmdExport,
};
