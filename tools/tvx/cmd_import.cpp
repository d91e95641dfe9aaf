// cmd_import.cpp: "tvx import DIR BOOK", a new book made from a folder written
// by "tvx export" or by hand (book.manifest and the files it names; see
// book_manifest.h). Every ID is kept as the manifest gives it, with its kind,
// entry header, body, link record, link list and attributes. The book is built
// in a new file beside BOOK, checked, flushed to disk and only then given its
// name, so a failed import leaves nothing behind, and an existing BOOK is never
// overwritten.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "core/book_check.h"
#include "store/middle_level_file_header.h"
#include "store/middle_level_store.h"
#include "tools/blkpack/durable_file.h"
#include "tools/tvx/book_manifest.h"
#include "tools/tvx/commands.h"

namespace {

// Book layout of a new book.
const int BookFacets = 6;
const int BookBuckets = 128;
const int ShareDenyWrite = 0x20;

// What one facet of the new book holds: bytes encoded from the manifest, or
// the content of a file of the folder, read only when the facet is written.
struct FacetSource {
  std::string bytes;
  std::string file;  // relative to the folder; empty when `bytes` is the content
};
// The most bytes of facets one book can hold.
const unsigned MaxBookBytes = 0x7FFFFFFFu;

// A file named in the manifest: relative, inside the folder.
bool safeRelative(const std::string& name) {
  if (name.empty() || name[0] == '/') return false;
  std::size_t at = 0;
  // Bounded by the name's length.
  while (at <= name.size()) {
    std::size_t slash = name.find('/', at);
    if (slash == std::string::npos) slash = name.size();
    if (name.compare(at, slash - at, "..") == 0 && slash - at == 2) return false;
    at = slash + 1;
  }
  return true;
}

bool readFile(const std::string& path, std::string* out, std::string* why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *why = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<unsigned long long>(size) > kMaxInputBytes) {
    *why = path + " is larger than " + std::to_string(kMaxInputBytes) + " bytes";
    return false;
  }
  in.seekg(0);
  out->assign(static_cast<std::size_t>(size), '\0');
  if (size > 0 && !in.read(&(*out)[0], size)) {
    *why = "cannot read " + path;
    return false;
  }
  return true;
}

// True when the file exists and is small enough to be read as one facet.
bool fileSizeOf(const std::string& path, std::string* why) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    *why = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  if (static_cast<unsigned long long>(st.st_size) > kMaxInputBytes) {
    *why = path + " is larger than " + std::to_string(kMaxInputBytes) + " bytes";
    return false;
  }
  return true;
}

struct StoreOwner {
  MiddleLevelStore* store = nullptr;
  ~StoreOwner() { close(); }
  void close() {
    MiddleLevelStore* s = store;
    store = nullptr;
    try {
      delete s;
    } catch (...) {
    }
  }
};

int cmdImport(const CommandLine& cl) {
  int rc = expectArgs("import", cl, 2, 2);
  if (rc != kExitOk) return rc;
  const std::string dir = cl.args[0], bookPath = cl.args[1];
  struct stat st;
  if (::stat(bookPath.c_str(), &st) == 0)
    return failure("%s already exists (import makes a new book)", bookPath.c_str());

  std::string text, why;
  const std::string manifestPath = dir + "/" + BookManifest::FileName;
  if (!readFile(manifestPath, &text, &why)) return failure("%s", why.c_str());
  BookManifest m;
  if (!m.parse(text, &why)) return failure("%s: %s", manifestPath.c_str(), why.c_str());

  // Every facet's bytes, gathered before the book is made.
  std::vector<std::map<int, FacetSource>> facets(m.entries.size());
  ULONG nextId = m.nextId;
  for (std::size_t i = 0; i < m.entries.size(); ++i) {
    const ManifestEntry& e = m.entries[i];
    std::map<int, FacetSource>& out = facets[i];
    if (e.id == 0xFFFFFFFFu) return failure("%s: ID 4294967295 cannot be used", manifestPath.c_str());
    if (e.id + 1 > nextId) nextId = e.id + 1;
    if (e.hasHeader) out[0].bytes = BookManifest::encodeHeader(e.name, e.type, e.flags);
    if (e.hasBody) {
      if (!safeRelative(e.bodyFile))
        return failure("%s: body \"%s\" of ID %u is not a file inside the folder",
                       manifestPath.c_str(), e.bodyFile.c_str(), e.id);
      if (!fileSizeOf(dir + "/" + e.bodyFile, &why)) return failure("%s", why.c_str());
      out[1].file = e.bodyFile;
    }
    if (e.hasRecord) out[1].bytes = BookManifest::encodeRecord(e.ends);
    if (e.hasLinkList) out[2].bytes = BookManifest::encodeLinkList(e.linkList);
    if (e.hasAttrs) out[3].bytes = BookManifest::encodeAttrs(e.attrs);
    for (const auto& r : e.raw) {
      if (!safeRelative(r.second))
        return failure("%s: raw file \"%s\" of ID %u is not a file inside the folder",
                       manifestPath.c_str(), r.second.c_str(), e.id);
      if (!fileSizeOf(dir + "/" + r.second, &why)) return failure("%s", why.c_str());
      out[r.first] = FacetSource{std::string(), r.second};
    }
  }

  const std::string fresh = freshNameBeside(bookPath, "import");
  if (fresh.empty())
    return failure("cannot make a new file beside %s: %s", bookPath.c_str(), std::strerror(errno));
  struct Remover {
    std::string name;
    ~Remover() { ::unlink(name.c_str()); }
  } remover{fresh};
  std::size_t total = 0;
  try {
    StoreOwner book;
    book.store = MiddleLevelStore::make(fresh.c_str(), m.signature.c_str(), m.version, BookFacets,
                                        ShareDenyWrite, BookBuckets);
    // Every ID first, in the manifest's order: the ID table keeps that order and
    // grows in place before any other record exists.
    for (const ManifestEntry& e : m.entries) book.store->createID(e.kind, &e.id);
    for (std::size_t i = 0; i < m.entries.size(); ++i) {
      for (auto& f : facets[i]) {
        // Files are read one at a time, as they are written, so that memory
        // never holds more than one of them however often the manifest names it.
        std::string& bytes = f.second.bytes;
        if (!f.second.file.empty() && !readFile(dir + "/" + f.second.file, &bytes, &why))
          return failure("%s", why.c_str());
        total += bytes.size();
        if (total > MaxBookBytes)
          return failure("%s: the book would be larger than %u bytes", manifestPath.c_str(), MaxBookBytes);
        std::unique_ptr<StoreStream> s =
            book.store->insert(m.entries[i].id, f.first, static_cast<ULONG>(bytes.size()));
        s->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        s->flush();
        if (!*s) return failure("cannot write the new book %s", fresh.c_str());
        std::string().swap(bytes);
      }
    }
    if (book.store->mlHeader()->nextID() < nextId) book.store->mlHeader()->setNextID(nextId);
    book.store->commit();  // throws when any write of the new book was lost
    book.close();
  } catch (const ErrorMsgException& e) {
    return failure("cannot make the book %s: %s", bookPath.c_str(), e.description().c_str());
  }

  const BookCheckReport report = BookCheck::checkFile(fresh);
  if (!report.ok()) {
    for (const BookProblem& p : report.problems) std::printf("%s\n", p.line().c_str());
    const std::size_t count = report.problems.size() + report.unlisted;
    if (!cl.has("force"))
      return failure("%s: the book would have %s; not made (use --force to make it anyway)",
                     dir.c_str(), counted(count, "problem", "problems").c_str());
  }
  if (!syncFile(fresh))
    return failure("cannot flush %s to disk: %s", fresh.c_str(), std::strerror(errno));
  // link() gives the book its name only if nobody took the name meanwhile.
  if (::link(fresh.c_str(), bookPath.c_str()) != 0)
    return failure("cannot make %s: %s", bookPath.c_str(), std::strerror(errno));
  syncFolderOf(bookPath);
  std::printf("imported %s from %s into %s\n", counted(m.entries.size(), "entry", "entries").c_str(),
              dir.c_str(), bookPath.c_str());
  return kExitOk;
}

}  // namespace

const Command importCommand = {
    "import",
    "make a book from a folder written by export",
    "tvx import [--force] DIR BOOK",
    "Makes the new book file BOOK from the folder DIR: DIR/book.manifest lists the\n"
    "book's pages and links (as \"tvx export\" writes it) and names the map-text\n"
    "files of the page bodies. IDs are kept. The new book is checked before it is\n"
    "given its name; a book with problems is not made unless --force is given.\n"
    "BOOK must not exist yet.\n",
    {{"force", nullptr, "make the book even when the check finds problems"}},
    "tvx import solar-src solar.tvx",
    cmdImport,
};
