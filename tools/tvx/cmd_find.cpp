// cmd_find.cpp: "tvx find BOOK TEXT" looks for a text in every page of a book,
// in page names and in what the pages show, exactly as the plug-in's find does
// (TopicGrep): the book is opened read-only by the plug-in's book manager,
// every page is read by the plug-in's page window, and the progress dialog
// runs on the headless host, drawing nowhere. For a page found by its
// contents the listing names each idea symbol, link box and text box that
// matched, with its object id and text. A page whose name matches is listed
// once, by its name, and its contents are not opened.
//
// Exit status: 0 something found, 1 nothing found, 2 a wrong command line or
// a book that cannot be read (find keeps 1 for "not found", as grep does).
// Pages whose map text does not read are passed over and counted on standard
// error. Names and texts printed have their control characters made visible.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/db.h"
#include "graphics/link_gnode.h"
#include "graphics/node_gnode.h"
#include "graphics/text_box.h"
#include "graphics/view_node.h"
#include "kit/error.h"
#include "platform/io/share_open.h"
#include "platform/owl/t_window.h"
#include "platform/render/headless_host.h"
#include "plugin/orvane_nexil.h"
#include "plugin/t_find_params.h"
#include "plugin/topic_grep.h"
#include "tools/tvx/commands.h"

namespace {

// Books with more pages than this show a progress bar when standard error is a terminal.
constexpr ULONG kLargeBook = 500;
// The most bytes of an object's text the listing shows.
constexpr std::size_t kShownText = 120;

// What the book manager and the pages report: kept, shown only when the book
// itself cannot be opened.
class FindReports : public ErrorHandler {
 public:
  FindReports() : previous_(ErrorHandler::applicationHandler()) { ErrorHandler::setApplicationHandler(this); }
  ~FindReports() override { ErrorHandler::setApplicationHandler(previous_); }
  FindReports(const FindReports&) = delete;
  FindReports& operator=(const FindReports&) = delete;

  int handleError(char kind, const char* text) override {
    const char k = (kind == '%' || kind == '7' || kind == '&') ? static_cast<char>(kind + 0x20) : kind;
    if (k != 'E' && k != 'F') return 0;
    std::string line = text != nullptr ? text : "";
    if (line.size() >= 3 && line[1] == ':' && line[2] == ' ') line.erase(0, 3);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (errors.size() < 20) errors.push_back(line);
    return 0;
  }

  std::vector<std::string> errors;

 private:
  ErrorHandler* previous_;
};

// One graphic of a page that matched.
struct Hit {
  const char* kind;  // "symbol", "link box", "text box"
  LONG id;
  std::string text;
};

struct Found {
  ULONG id;
  std::string name, type;
  bool byName;
  std::vector<Hit> hits;
};

// `bytes` with control characters (and DEL) as \xNN, cut to `limit` bytes
// with "..." after.
std::string visible(const std::string& bytes, std::size_t limit = std::string::npos) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (out.size() >= limit) {
      out += "...";
      break;
    }
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x20 || c == 0x7F) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\x%02X", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int collectHit(Graphic& g, void* arg) {
  auto* hits = static_cast<std::vector<Hit>*>(arg);
  auto* s = dynamic_cast<SensitiveGraphic*>(&g);
  const LONG id = s != nullptr ? s->id() : -1;
  const char* text = nullptr;
  const char* kind = "graphic";
  if (auto* n = dynamic_cast<NodeGNode*>(&g)) {
    kind = "symbol";
    text = n->displayName();
  } else if (auto* l = dynamic_cast<LinkGNode*>(&g)) {
    kind = "link box";
    text = l->label();
  } else if (auto* t = dynamic_cast<TextBox*>(&g)) {
    kind = "text box";
    text = t->text();
  }
  hits->push_back({kind, id, text != nullptr ? text : ""});
  return 0;
}

int countPage(ULONG, const String&, const String&, ULONG, void* data) {
  ++*static_cast<ULONG*>(data);
  return 0;
}

// "\r[#####     ]  45% 4500/10000 pages" on standard error.
void drawBar(ULONG done, ULONG total) {
  const int width = 30;
  const int filled = total > 0 ? static_cast<int>(static_cast<unsigned long long>(done) * width / total) : width;
  std::fprintf(stderr, "\r[%-*s] %3d%% %lu/%lu pages", width, std::string(filled, '#').c_str(),
               total > 0 ? static_cast<int>(static_cast<unsigned long long>(done) * 100 / total) : 100,
               static_cast<unsigned long>(done), static_cast<unsigned long>(total));
}

void printJson(const std::string& path, const std::string& text, const std::vector<Found>& found, ULONG unreadable) {
  std::string out = "{\"book\":" + jsonString(path) + ",\"text\":" + jsonString(text) + ",\"pages\":[";
  for (std::size_t i = 0; i < found.size(); ++i) {
    const Found& f = found[i];
    if (i > 0) out += ",";
    out += "{\"id\":" + std::to_string(f.id) + ",\"name\":" + jsonString(f.name) + ",\"type\":" + jsonString(f.type) +
           ",\"matched\":\"" + (f.byName ? "name" : "contents") + "\",\"objects\":[";
    for (std::size_t j = 0; j < f.hits.size(); ++j) {
      const Hit& h = f.hits[j];
      if (j > 0) out += ",";
      out += "{\"kind\":" + jsonString(h.kind) + ",\"id\":" + std::to_string(h.id) + ",\"text\":" + jsonString(h.text) +
             "}";
    }
    out += "]}";
  }
  out += "],\"unreadable\":" + std::to_string(unreadable) + "}\n";
  std::fputs(out.c_str(), stdout);
}

int cmdFind(const CommandLine& cl) {
  if (int rc = expectArgs("find", cl, 2, 2)) return rc;
  const std::string& path = cl.args[0];
  const std::string& text = cl.args[1];
  if (text.empty()) return usageError("find", "the text to find is empty");
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    failure("cannot open book '%s': %s", path.c_str(), std::strerror(errno));
    return kExitUsage;
  }
  if (!S_ISREG(st.st_mode)) {
    failure("cannot open book '%s': not a file", path.c_str());
    return kExitUsage;
  }

  FindReports reports;
  HeadlessHost host(640, 480);
  TWindow frame(host.makeTopLevel(640, 480, "Find"));
  OrvaneNexil manager;
  DBRef book;
  if (manager.addDB(book, "", path.c_str(), _O_RDONLY, _SH_DENYNO) != 0 || book.db() == nullptr) {
    for (const std::string& e : reports.errors) std::fprintf(stderr, "tvx: %s\n", e.c_str());
    failure("cannot open book '%s'", path.c_str());
    return kExitUsage;
  }

  TFindParams params;
  params.findText = String(text.c_str());
  params.book.ref(book.db());
  if (cl.has("case")) params.flags |= TFindOptions::CaseSensitive;
  if (cl.has("word")) params.flags |= TFindOptions::WholeWord;
  if (cl.has("names")) params.flags |= TFindOptions::Names;
  if (cl.has("contents")) params.flags |= TFindOptions::Contents;
  if ((params.flags & (TFindOptions::Names | TFindOptions::Contents)) == 0)
    params.flags |= TFindOptions::Names | TFindOptions::Contents;

  // The objects that matched on each page found by its contents.
  std::map<ULONG, std::vector<Hit>> hits;
  bool cancelled = false;
  {
    TopicGrep grep(manager, params, &frame);
    grep.Setup();
    grep.setOnMatch([&](ULONG id, ViewNode& page) {
      std::vector<Hit>& list = hits[id];
      list.clear();
      page.forEachMatch(&params, &collectHit, &list);
    });
    ULONG total = 0;
    const bool bar = isatty(STDERR_FILENO) != 0;
    if (bar) book.db()->doUntilNode(&countPage, &total);
    const bool showBar = bar && total > kLargeBook;
    if (showBar) {
      grep.setProgress([total](ULONG done) {
        if (done % 100 == 0 || done == total) drawBar(done, total);
      });
    }
    grep.findMatches();
    if (showBar) std::fprintf(stderr, "\r%*s\r", 60, "");
    cancelled = grep.cancelled();
  }

  std::vector<Found> found;
  for (const TFindParams::Result& r : params.results) {
    Found f{r.id, r.name.c_str(), r.type.c_str(), true, {}};
    auto it = hits.find(r.id);
    if (it != hits.end()) {
      f.byName = false;
      f.hits = std::move(it->second);
    }
    found.push_back(std::move(f));
  }
  if (cl.has("json")) {
    printJson(path, text, found, params.unreadable);
  } else {
    std::printf("%s\n", counted(found.size(), "page", "pages").c_str());
    for (const Found& f : found) {
      std::printf("%6lu  %s  (%s; %s)\n", static_cast<unsigned long>(f.id), visible(f.name).c_str(),
                  visible(f.type).c_str(), f.byName ? "name" : "contents");
      for (const Hit& h : f.hits) {
        std::printf("        %s %ld: %s\n", h.kind, static_cast<long>(h.id), visible(h.text, kShownText).c_str());
      }
    }
  }
  if (params.unreadable > 0) {
    std::fprintf(stderr, "tvx: find: %s could not be read and %s passed over\n",
                 counted(params.unreadable, "page", "pages").c_str(), params.unreadable == 1 ? "was" : "were");
  }
  if (cancelled) return kExitFailure;
  return found.empty() ? kExitFailure : kExitOk;
}

}  // namespace

const Command findCommand = {
    "find",
    "find the pages whose name or contents hold a text",
    "tvx find [OPTIONS] BOOK TEXT\n",
    "Looks for TEXT in every page of the book, as the plug-in's find does: in\n"
    "page names and in page contents (the names of idea symbols, the labels of\n"
    "link boxes and the texts of text boxes). Without --names or --contents\n"
    "both are searched. Letters are compared ignoring case (A-Z as a-z) unless\n"
    "--case. With --word the first place TEXT occurs in a name or text must\n"
    "stand alone: no letter or digit just before or after it.\n"
    "\n"
    "Each page found is listed once, with its ID, name and type, and whether\n"
    "its name or its contents matched; a page whose name matches is not\n"
    "opened. For a page found by its contents, every symbol, link box and text\n"
    "box that matched is listed with its object id and text. The book is\n"
    "opened read-only; a page whose map text does not read is passed over and\n"
    "counted on standard error. A book of more than 500 pages shows its\n"
    "progress on standard error when that is a terminal.\n"
    "\n"
    "Exit status: 0 when a page was found, 1 when none was, 2 for a wrong\n"
    "command line or a book that cannot be opened.\n",
    {{"case", nullptr, "compare letters as they are (case-sensitive)"},
     {"word", nullptr, "match whole words only"},
     {"names", nullptr, "search page names"},
     {"contents", nullptr, "search page contents"},
     {"json", nullptr, "write the pages and objects found as JSON"}},
    "tvx find solar-system.tvx Jupiter\n"
    "tvx find --contents --word solar-system.tvx Olympus\n",
    cmdFind,
};
