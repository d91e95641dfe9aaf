// cmd_ls.cpp: "tvx ls BOOK" lists a book's pages and links. Pages are every
// entry that is not a link (the type page included); each shows its ID, kind
// word, entry flags, body size, number of links in its link list, the home
// mark, its type and its name. Links show their ID, type and ends, read
// through the core's link records (ends that do not resolve are reported and
// left out, as the core does). Records that cannot be read are reported after
// the listing, one line each, and give exit status 1.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/link.h"
#include "core/link_ref.h"
#include "core/links.h"
#include "core/node_ref.h"
#include "core/specifier.h"
#include "tools/tvx/commands.h"

namespace {

struct PageRow {
  ULONG id, kind, flags, bodySize, links;
  bool home;
  std::string name, type;
};

struct EndRow {
  int32_t dir;
  ULONG page;
  std::string name;
};

struct LinkRow {
  ULONG id;
  std::string type;
  std::vector<EndRow> ends;
};

std::string endWord(int32_t dir) {
  if (dir == Specifier::Source) return "from";
  if (dir == Specifier::Destination) return "to";
  return "end(" + std::to_string(dir) + ")";
}

// One line per problem after the listing; exit status 1 when there were any.
int reportProblems(const std::string& book, const std::vector<std::string>& problems) {
  std::fflush(stdout);
  for (const std::string& p : problems) failure("%s: %s", book.c_str(), p.c_str());
  return problems.empty() ? kExitOk : kExitFailure;
}

int cmdLs(const CommandLine& cl) {
  int rc = expectArgs("ls", cl, 1, 1);
  if (rc != kExitOk) return rc;
  BookSession book;
  if ((rc = book.openForReading(cl.args[0])) != kExitOk) return rc;
  DB& db = book.db();
  TvxNexil& app = book.app();

  std::vector<PageRow> pages;
  std::vector<LinkRow> links;
  std::vector<std::string> problems;
  std::string bytes;
  // A facet that names a record which cannot be read whole is a problem of
  // the book; the listing goes on with what can be read.
  auto checkFacet = [&](ULONG id, int facet, const char* what) {
    const bool good = readFacet(db, id, facet, &bytes);
    if (!good) problems.push_back("entry " + std::to_string(id) + ": " + what + " cannot be read");
    return good;
  };
  // Bounded by the entries of the ID table.
  for (const EntryInfo& e : allEntries(db)) {
    String name(""), type("");
    ULONG flags = 0;
    checkFacet(e.id, DB::EntryHeader, "entry header");
    checkFacet(e.id, DB::Attributes, "attribute list");
    db.lookupName_Type_Flags(e.id, &name, &type, &flags);
    if (isLinkKind(e.kind)) {
      checkFacet(e.id, DB::Body, "link record");
      LinkRow row{e.id, type.c_str(), {}};
      LinkRef ref(&db, e.id);
      std::unique_ptr<Link> link(ref.getLink(app, 0));
      // Bounded by Link::MaxEnds.
      for (std::size_t i = 0; link && i < link->specCount(); ++i) {
        Specifier& s = link->specifier(i);
        row.ends.push_back({s.dir(), s.ref().uid(), s.name().c_str()});
      }
      links.push_back(row);
    } else {
      checkFacet(e.id, DB::LinkList, "link list");
      checkFacet(e.id, DB::Body, "body");
      PageRow row{e.id, e.kind, flags, static_cast<ULONG>(bytes.size()), 0,
                  (e.kind & (kKindPage | kKindHome)) == (kKindPage | kKindHome), name.c_str(),
                  type.c_str()};
      NodeRef ref(&db, e.id);
      std::unique_ptr<Links> list = ref.getLinks(nullptr, app);
      if (list) row.links = static_cast<ULONG>(list->count());
      pages.push_back(row);
    }
  }

  if (cl.has("json")) {
    std::string out = "{\"pages\":[";
    for (std::size_t i = 0; i < pages.size(); ++i) {
      const PageRow& p = pages[i];
      if (i > 0) out += ",";
      out += "{\"id\":" + std::to_string(p.id) + ",\"kind\":" + std::to_string(p.kind) +
             ",\"name\":" + jsonString(p.name) + ",\"type\":" + jsonString(p.type) +
             ",\"flags\":" + std::to_string(p.flags) + ",\"bodySize\":" +
             std::to_string(p.bodySize) + ",\"links\":" + std::to_string(p.links) +
             ",\"home\":" + (p.home ? "true" : "false") + "}";
    }
    out += "],\"links\":[";
    for (std::size_t i = 0; i < links.size(); ++i) {
      const LinkRow& l = links[i];
      if (i > 0) out += ",";
      out += "{\"id\":" + std::to_string(l.id) + ",\"type\":" + jsonString(l.type) + ",\"ends\":[";
      for (std::size_t k = 0; k < l.ends.size(); ++k) {
        if (k > 0) out += ",";
        out += "{\"dir\":" + std::to_string(l.ends[k].dir) + ",\"page\":" +
               std::to_string(l.ends[k].page) + ",\"name\":" + jsonString(l.ends[k].name) + "}";
      }
      out += "]}";
    }
    out += "]}\n";
    std::fputs(out.c_str(), stdout);
    return reportProblems(cl.args[0], problems);
  }

  std::printf("%s\n", counted(pages.size(), "page", "pages").c_str());
  if (!pages.empty()) {
    std::printf("%6s %-6s %6s %8s %5s %4s  %-16s %s\n", "ID", "KIND", "FLAGS", "BODY", "LINKS",
                "HOME", "TYPE", "NAME");
  }
  for (const PageRow& p : pages) {
    std::printf("%6lu 0x%-4lx %6lu %8lu %5lu %4s  %-16s %s\n", static_cast<unsigned long>(p.id),
                static_cast<unsigned long>(p.kind), static_cast<unsigned long>(p.flags),
                static_cast<unsigned long>(p.bodySize), static_cast<unsigned long>(p.links),
                p.home ? "*" : "", p.type.c_str(), p.name.c_str());
  }
  std::printf("%s\n", counted(links.size(), "link", "links").c_str());
  if (!links.empty()) std::printf("%6s %-16s %s\n", "ID", "TYPE", "ENDS");
  for (const LinkRow& l : links) {
    std::string ends;
    for (const EndRow& e : l.ends) {
      if (!ends.empty()) ends += " ";
      ends += endWord(e.dir) + " " + std::to_string(e.page) + " (" + e.name + ")";
    }
    std::printf("%6lu %-16s %s\n", static_cast<unsigned long>(l.id), l.type.c_str(), ends.c_str());
  }
  return reportProblems(cl.args[0], problems);
}

}  // namespace

const Command lsCommand = {
    "ls",
    "list the pages and links of a book",
    "tvx ls [--json] BOOK",
    "Lists the pages of BOOK, then its links. A page shows its ID, its kind word\n"
    "(KIND), its entry flags, its body size in bytes, the number of links in its\n"
    "link list, a '*' on the home page, its type and its name. The kind word's\n"
    "bits: 0x1 a page, 0x2 a link, 0x4 the type page, 0x8 the home page (so the\n"
    "home page shows 0x9). A link shows its ID, its type and its ends: 'from' the\n"
    "source page, 'to' the destination page. Records that cannot be read are\n"
    "named after the listing and give exit status 1.\n",
    {{"json", nullptr, "one JSON object {\"pages\":[...],\"links\":[...]} for scripts"}},
    "tvx ls plants.tvx\n"
    "tvx ls --json plants.tvx",
    cmdLs,
};
