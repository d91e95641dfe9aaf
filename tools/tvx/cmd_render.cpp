// cmd_render.cpp: "tvx render BOOK [PAGE]" draws a page exactly as its page
// window paints it, with the page classes on the headless screen, and writes it
// as SVG, PNG or PDF (by the output's extension or --format), or describes what
// is on it as JSON, or writes it as a JSON Canvas document. With --all every page of the book is drawn into a folder,
// each file named by the page's ID and name. The book is opened read-only.
#include <cctype>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "core/db.h"
#include "tools/tvx/canvas_export.h"
#include "tools/tvx/commands.h"
#include "tools/tvx/page_file_name.h"
#include "tools/tvx/page_outline.h"
#include "tools/tvx/page_render.h"
#include "tools/tvx/tvx_common.h"

namespace {

const char* const kFormats[] = {"svg", "png", "pdf", "json", "canvas"};

bool knownFormat(const std::string& f) {
  for (const char* k : kFormats)
    if (f == k) return true;
  return false;
}

std::string extensionOf(const std::string& path) {
  const std::size_t dot = path.find_last_of('.'), slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  std::string e = path.substr(dot + 1);
  for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return e;
}

struct PageEntry {
  ULONG id;
  std::string name;
};

int collectPage(ULONG id, const String& name, const String&, ULONG, void* data) {
  static_cast<std::vector<PageEntry>*>(data)->push_back({id, name.c_str()});
  return 0;
}

// Draws the page into `paths`; those ending in ".canvas" get the page as JSON
// Canvas, whose symbols link to their pages' files as "tvx html" names them.
bool drawPage(DB& db, Nexil& app, ULONG id, RenderOptions o, const std::vector<std::string>& paths, std::string* why) {
  std::vector<std::string> pictures, canvases;
  for (const std::string& p : paths) (extensionOf(p) == "canvas" ? canvases : pictures).push_back(p);
  if (!canvases.empty()) {
    o.use = [&](ViewNode& page, const DisplayList&, std::string* fault) {
      const std::string text = canvasDocument(outlinePage(page), [&](ULONG target) {
        String name;
        if (db.lookupName_Type_Flags(target, &name, nullptr, nullptr) != 0) return std::string();
        return pageFileBase(target, name.c_str()) + ".html";
      });
      for (const std::string& path : canvases) {
        FILE* f = std::fopen(path.c_str(), "wb");
        const bool ok = f != nullptr && std::fwrite(text.data(), 1, text.size(), f) == text.size();
        if ((f != nullptr && std::fclose(f) != 0) || !ok) {
          *fault = "cannot write " + path;
          return false;
        }
      }
      return true;
    };
  }
  return renderPage(db, app, id, o, pictures, why);
}

bool parseSize(const std::string& text, int* w, int* h) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos) return false;
  ULONG a = 0, b = 0;
  if (!parseULong(text.substr(0, x), &a) || !parseULong(text.substr(x + 1), &b)) return false;
  if (a < 16 || b < 16 || a > 8192 || b > 8192) return false;
  *w = static_cast<int>(a);
  *h = static_cast<int>(b);
  return true;
}

int cmdRender(const CommandLine& cl) {
  const bool all = cl.has("all");
  int rc = expectArgs("render", cl, 1, all ? 1 : 2);
  if (rc != kExitOk) return rc;
  RenderOptions o;
  o.mono = cl.has("mono");
  o.print = cl.has("print");
  const std::string zoom = cl.value("zoom", "100");
  if (zoom == "fit") {
    o.zoom = -1;
  } else {
    ULONG z = 0;
    if (!parseULong(zoom, &z) || z < 10 || z > 400) {
      return usageError("render", "--zoom takes a percentage from 10 to 400, or \"fit\"");
    }
    o.zoom = static_cast<int>(z);
  }
  if (cl.has("size") && !parseSize(cl.value("size", ""), &o.width, &o.height)) {
    return usageError("render", "--size takes WIDTHxHEIGHT, each from 16 to 8192");
  }
  if (o.zoom < 0 && o.width == 0) {
    o.width = 800;
    o.height = 600;
  }
  std::string format = cl.value("format", "");
  if (!format.empty() && !knownFormat(format)) {
    return usageError("render", "--format is svg, png, pdf, json or canvas");
  }
  const std::string output = cl.value("output", "");
  if (all && output.empty()) return usageError("render", "--all needs -o DIR");

  BookSession book;
  if ((rc = book.openForReading(cl.args[0])) != kExitOk) return rc;
  DB& db = book.db();

  if (all) {
    ::mkdir(output.c_str(), 0777);
    struct stat st;
    if (::stat(output.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      return failure("%s: not a folder that can be written", output.c_str());
    }
    std::vector<PageEntry> pages;
    db.doUntilNode(collectPage, &pages);
    std::vector<std::string> formats;
    if (format.empty()) formats = {"svg", "png", "pdf"};
    else formats = {format};
    int failed = 0;
    for (const PageEntry& p : pages) {
      if (isLinkKind(db.kind(p.id))) continue;
      const std::string base = output + "/" + pageFileBase(p.id, p.name);
      std::vector<std::string> paths;
      for (const std::string& f : formats) paths.push_back(base + "." + f);
      std::string why;
      if (!drawPage(db, book.app(), p.id, o, paths, &why)) {
        failure("page %lu '%s': %s", static_cast<unsigned long>(p.id), p.name.c_str(), why.c_str());
        ++failed;
        continue;
      }
      for (const std::string& path : paths) std::printf("%s\n", path.c_str());
    }
    return failed == 0 ? kExitOk : kExitFailure;
  }

  ULONG id = kNoEntry;
  if (cl.args.size() > 1) {
    id = findPageOrReport(book, cl.args[1]);
  } else {
    id = findHomePage(db);
    if (id == kNoEntry) failure("%s has no home page: name the page to draw", cl.args[0].c_str());
  }
  if (id == kNoEntry) return kExitFailure;
  std::string path = output;
  if (path.empty()) {
    String name;
    db.lookupName_Type_Flags(id, &name, nullptr, nullptr);
    path = pageFileBase(id, name.c_str()) + "." + (format.empty() ? "svg" : format);
  } else if (!format.empty() && extensionOf(path) != format) {
    return usageError("render", "the output's extension does not match --format %s", format.c_str());
  } else if (!knownFormat(extensionOf(path))) {
    return usageError("render", "the output ends in .svg, .png, .pdf, .json or .canvas");
  }
  if (path == "-" ) return usageError("render", "the picture goes to a file, not standard output");
  std::string why;
  if (!drawPage(db, book.app(), id, o, {path}, &why)) return failure("%s: %s", cl.args[0].c_str(), why.c_str());
  std::printf("%s\n", path.c_str());
  return kExitOk;
}

}  // namespace

const Command renderCommand = {
    "render",
    "draw a page as SVG, PNG or PDF, or write it as JSON or JSON Canvas",
    "tvx render [OPTIONS] BOOK [PAGE]\n"
    "tvx render --all -o DIR [OPTIONS] BOOK\n",
    "Draws a page of the book exactly as its page window paints it: idea\n"
    "symbols in their types' shapes and colours, link boxes with their arrows,\n"
    "text boxes and pen strokes. PAGE is a page's name or ID; without one the\n"
    "home page is drawn. The picture is as large as the page (or --size), and\n"
    "goes to -o FILE, whose extension (.svg, .png, .pdf, .json or .canvas)\n"
    "chooses the format; without -o it is written to ID-NAME.svg (or the\n"
    "--format's extension) in the current folder.\n"
    "\n"
    "JSON describes what is on the page: every graphic with its kind, object\n"
    "id, box, glyph, label lines and the page or web address it leads to, and\n"
    "every arrow with its ends and head (see the README).\n"
    "\n"
    "With --all every page is drawn into DIR as ID-NAME.svg, .png and .pdf\n"
    "(or only the --format asked for). The book is opened read-only. A page\n"
    "that does not read gives its message and exit status 1, and no file.\n",
    {{"output", "FILE", "where the picture goes (a folder with --all)", 'o'},
     {"format", "FORMAT", "svg, png, pdf, json or canvas (default: by the output's extension)"},
     {"zoom", "PERCENT", "10 to 400, or \"fit\" to fit --size (default 100)"},
     {"size", "WxH", "the picture's size in pixels (default: the page's extent)"},
     {"mono", nullptr, "without the types' colours, as a page window in black and white"},
     {"print", nullptr, "make the PDF through the page's printout, as printing does"},
     {"all", nullptr, "every page of the book, into the folder -o names"}},
    "tvx render solar-system.tvx -o home.png\n"
    "tvx render solar-system.tvx Mars -o mars.json\n"
    "tvx render --all -o pages solar-system.tvx\n",
    cmdRender,
};
