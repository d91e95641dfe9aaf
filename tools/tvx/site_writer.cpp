// site_writer.cpp: a book written as a static web site (see site_writer.h).
#include "tools/tvx/site_writer.h"

#include <algorithm>
#include <set>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/db.h"
#include "core/node_ref.h"
#include "platform/render/svg_renderer.h"
#include "tools/tvx/book_graph.h"
#include "tools/tvx/canvas_export.h"
#include "tools/tvx/page_file_name.h"
#include "tools/tvx/page_outline.h"
#include "tools/tvx/page_render.h"
#include "tools/tvx/site_pages.h"
#include "tools/tvx/tvx_common.h"
#include "tools/tvx/web_text.h"

namespace {

// How many bytes of each page's words are gathered for the search index.
constexpr std::size_t kSearchWordsKept = 4096;

// The site's folder, held open so that every file is made in it by name.
class SiteFolder {
 public:
  ~SiteFolder() {
    if (fd_ >= 0) ::close(fd_);
  }
  // Makes the folder when missing; refuses one with files in it unless `force`.
  bool open(const std::string& path, bool force, std::string* why) {
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
      *why = "cannot make the folder: " + std::string(std::strerror(errno));
      return false;
    }
    fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
      *why = "not a folder that can be written";
      return false;
    }
    if (!force && !empty()) {
      *why = "the folder is not empty (--force writes into it all the same)";
      return false;
    }
    return true;
  }
  // Writes the file `name` (a name without a slash) in the folder; a symbolic
  // link of that name is refused, not followed.
  bool write(const std::string& name, const std::string& bytes, std::string* why) const {
    const int f = ::openat(fd_, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (f < 0) {
      *why = "cannot write " + name + ": " + std::strerror(errno);
      return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t w = ::write(f, bytes.data() + done, bytes.size() - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) break;
      done += static_cast<std::size_t>(w);
    }
    const bool ok = ::close(f) == 0 && done == bytes.size();
    if (!ok) *why = "cannot write " + name + ": " + std::strerror(errno);
    return ok;
  }

 private:
  bool empty() const {
    const int copy = ::dup(fd_);
    if (copy < 0) return false;
    DIR* d = ::fdopendir(copy);
    if (d == nullptr) {
      ::close(copy);
      return false;
    }
    bool none = true;
    while (dirent* e = ::readdir(d)) {
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
        none = false;
        break;
      }
    }
    ::closedir(d);
    return none;
  }

  int fd_ = -1;
};

struct Listing {
  std::vector<SitePage>* pages;
};

int collectPage(ULONG id, const String& name, const String& type, ULONG, void* data) {
  SitePage p;
  p.id = id;
  p.name = name.c_str();
  p.type = type.c_str();
  static_cast<Listing*>(data)->pages->push_back(std::move(p));
  return 0;
}

// The web address of the page's "URL" attribute, or empty.
std::string pageAddress(DB& db, ULONG id) {
  NodeRef ref(&db, id);
  int len = 0;
  if (ref.getAttributeLen("URL", len) != 0 || len <= 2) return std::string();
  if (len > 4096) return std::string("(a web address too long to show)");
  std::vector<char> buf(static_cast<std::size_t>(len) + 1, '\0');
  int got = len;
  if (ref.getAttribute("URL", buf.data(), got) != 0) return std::string();
  return addressOfUrlAttribute(buf.data());
}

std::string fileStem(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

}  // namespace

int writeSite(BookSession& session, const std::string& dir, bool force, SiteReport* report) {
  SiteFolder folder;
  std::string why;
  if (!folder.open(dir, force, &why)) return failure("%s: %s", dir.c_str(), why.c_str());

  DB& db = session.db();
  SiteBook book;
  std::vector<SitePage> entries;
  Listing listing{&entries};
  db.doUntilNode(collectPage, &listing);
  const ULONG home = findHomePage(db);
  for (SitePage& p : entries) {
    if (isLinkKind(db.kind(p.id)) || book.byId.count(p.id) != 0) continue;
    p.base = pageFileBase(p.id, p.name);
    p.home = p.id == home;
    p.url = pageAddress(db, p.id);
    book.byId.emplace(p.id, book.pages.size());
    book.pages.push_back(std::move(p));
  }
  const SitePage* homePage = book.home();
  book.title = homePage != nullptr && !homePage->name.empty() ? homePage->name : fileStem(session.path());

  int status = kExitOk;
  for (SitePage& page : book.pages) {
    RenderOptions o;
    bool written = false;
    o.use = [&](ViewNode& view, const DisplayList& picture, std::string* fault) {
      const PageOutline outline = outlinePage(view);
      SvgDocument doc;
      doc.title = "The page " + webText(page.name, 1000);
      doc.areas = pageAreas(book, outline);
      doc.fragment = true;
      std::set<ULONG> seen;
      for (std::size_t i : readingOrder(outline)) {
        const OutlineSymbol& s = outline.symbols[i];
        if (!s.leadsToPage || s.page == page.id || book.byId.count(s.page) == 0) continue;
        if (seen.insert(s.page).second) page.targets.push_back(s.page);
      }
      // The search keeps the first words of each page (site_pages.cpp cuts them).
      for (const OutlineSymbol& s : outline.symbols) {
        if (page.words.size() < kSearchWordsKept) page.words += s.label + " ";
      }
      for (const OutlineNote& n : outline.notes) {
        if (page.words.size() < kSearchWordsKept) page.words += n.text.substr(0, kSearchWordsKept) + " ";
      }
      page.read = true;
      const std::string svg = SvgRenderer::render(picture, doc);
      written = folder.write(page.base + ".html", pageHtml(book, page, outline, svg), fault) &&
                folder.write(page.base + ".canvas",
                             canvasDocument(outline, [&](ULONG id) { return book.fileOf(id); }), fault);
      return written;
    };
    if (!renderPage(db, session.app(), page.id, o, {}, &why)) {
      failure("page %lu '%s': %s", static_cast<unsigned long>(page.id), webText(page.name, 200).c_str(), why.c_str());
      status = kExitFailure;
      if (!written) {
        ++report->failed;
        std::string ignored;
        folder.write(page.base + ".html", unreadPageHtml(book, page, why), &ignored);
      }
      continue;
    }
    ++report->pages;
  }

  std::vector<GraphPage> graph;
  for (const SitePage& p : book.pages) {
    GraphPage g;
    g.id = p.id;
    g.name = p.name;
    g.type = p.type;
    g.file = p.base + ".html";
    g.home = p.home;
    g.targets = p.targets;
    graph.push_back(std::move(g));
  }
  std::string picture, graphWhy;
  report->graph = drawBookGraph(graph, &picture, &graphWhy);
  if (!report->graph) {
    std::fprintf(stderr, "tvx: the index has no picture of the book: %s\n", graphWhy.c_str());
    picture.clear();
  }
  if (!folder.write("index.html", indexHtml(book, picture, graphWhy), &why) ||
      !folder.write("style.css", kSiteStyle, &why) || !folder.write("search.js", kSiteSearchScript, &why) ||
      !folder.write("search-index.js", searchIndexScript(book), &why)) {
    return failure("%s: %s", dir.c_str(), why.c_str());
  }
  return status;
}
