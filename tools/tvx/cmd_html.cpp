// cmd_html.cpp: "tvx html BOOK DIR" writes the whole book as a static web
// site into DIR (tools/tvx/site_writer.h): a page file per page with the page
// drawn as linked SVG and as JSON Canvas beside it, an index with the book's
// graph, and a small search. The book is opened read-only.
#include <cstdio>

#include "tools/tvx/commands.h"
#include "tools/tvx/site_writer.h"
#include "tools/tvx/tvx_common.h"

namespace {

int cmdHtml(const CommandLine& cl) {
  int rc = expectArgs("html", cl, 2, 2);
  if (rc != kExitOk) return rc;
  BookSession book;
  if ((rc = book.openForReading(cl.args[0])) != kExitOk) return rc;
  SiteReport report;
  rc = writeSite(book, cl.args[1], cl.has("force"), &report);
  if (report.pages + report.failed > 0) {
    std::printf("%s in %s/ (index.html%s)\n", counted(report.pages, "page", "pages").c_str(), cl.args[1].c_str(),
                report.graph ? ", with the book's graph" : "");
  }
  return rc;
}

}  // namespace

const Command htmlCommand = {
    "html",
    "write the book as a static web site",
    "tvx html [OPTIONS] BOOK DIR\n",
    "Writes the whole book into the folder DIR as a web site that needs no\n"
    "server and no scripts: ID-NAME.html for every page, with the page drawn as\n"
    "\"tvx render\" draws it, each idea symbol a link to its page's file (or to\n"
    "its page's web address, when that is http:, https: or mailto:) and the\n"
    "page's ideas, links and texts listed beside it; ID-NAME.canvas, the page\n"
    "as JSON Canvas; and index.html, with the book's title, its home page,\n"
    "every page with its type and the pages it leads to, a picture of the\n"
    "book's pages and links laid out by Graphviz's dot (left out, with a\n"
    "message, when dot is missing or fails, or the book has more than 200\n"
    "pages), and a search box that works with scripts on.\n"
    "\n"
    "DIR is made when missing; one with files in it is refused unless --force,\n"
    "which writes over the site's files and leaves others alone. Nothing is\n"
    "written outside DIR. The book is opened read-only. A page that does not\n"
    "read gives its message, a page file saying so, and exit status 1.\n",
    {{"force", nullptr, "write into DIR even when it is not empty"}},
    "tvx html solar-system.tvx site\n",
    cmdHtml,
};
