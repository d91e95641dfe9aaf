// site_writer.h: a whole book as a static web site ("tvx html BOOK DIR"). The
// folder holds:
//
//   index.html          the book's title, its home page, every page with its
//                       type and the pages it leads to, the book's graph
//                       (tools/tvx/book_graph.h) and the search box
//   ID-WORD.html        each page, drawn as inline SVG by the page window's
//                       renderer, with a link over every idea symbol and a
//                       named region over every link box and text box, in
//                       reading order (tools/tvx/page_outline.h), then the same
//                       as plain HTML lists
//   ID-WORD.canvas      each page as JSON Canvas (tools/tvx/canvas_export.h)
//   style.css           the pages' looks
//   search.js           the search: a few lines that read search-index.js
//   search-index.js     every page's name, type and texts, for the search
//
// Pages work without scripts; only the search box needs them, and it stays
// hidden without them. A symbol links to its page's file when the page is in
// the book, else to its page's web address when that is http:, https: or
// mailto: (opened in a new window without an opener); any other address is
// shown as text. Every file is made inside DIR, refusing to follow a symbolic
// link there, so that nothing outside it is written.
#ifndef TOOLS_TVX_SITE_WRITER_H
#define TOOLS_TVX_SITE_WRITER_H

#include <string>

class BookSession;

struct SiteReport {
  unsigned long pages = 0;   // pages written
  unsigned long failed = 0;  // pages that did not read (written as a notice)
  bool graph = false;        // the index has the book's graph
};

// Writes the site of `book` into the folder `dir` (made when missing; it must
// be empty unless `force`). Returns the exit status; reports on stderr.
int writeSite(BookSession& book, const std::string& dir, bool force, SiteReport* report);

#endif  // TOOLS_TVX_SITE_WRITER_H
