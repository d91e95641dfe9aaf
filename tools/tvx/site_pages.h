// site_pages.h: the files of a book's web site as text (tools/tvx/site_writer.h
// says what the site holds): a page's HTML around its picture, the index, the
// search index, and the fixed style sheet and search script. Every text from
// the book is escaped here (tools/tvx/web_text.h); every address is a page
// file's name or a checked web address.
#ifndef TOOLS_TVX_SITE_PAGES_H
#define TOOLS_TVX_SITE_PAGES_H

#include <map>
#include <string>
#include <vector>

#include "platform/render/svg_renderer.h"
#include "platform/windows_types.h"
#include "tools/tvx/page_outline.h"

struct SitePage {
  ULONG id = 0;
  std::string name;
  std::string type;
  std::string base;             // the file name without its extension
  std::string url;              // the page's "URL" attribute's address, or empty
  bool home = false;
  bool read = false;            // the page read and was drawn
  std::vector<ULONG> targets;   // the other pages of the site its symbols lead to, in reading order, each once
  std::string words;            // its symbols' labels and its texts, for the search
};

struct SiteBook {
  std::string title;
  std::vector<SitePage> pages;       // in the book's order
  std::map<ULONG, std::size_t> byId; // index into pages
  const SitePage* home() const;
  // "ID-WORD.html" of a page of the site, or "" when it has none.
  std::string fileOf(ULONG id) const;
};

// The areas over a page's picture: its symbols in reading order, each
// followed by the link boxes that start at it, then the link boxes without a
// source on the page, then its text boxes.
std::vector<SvgArea> pageAreas(const SiteBook& book, const PageOutline& page);

std::string pageHtml(const SiteBook& book, const SitePage& page, const PageOutline& outline, const std::string& svg);
// A page that does not read: its name and why, so that links to it still land.
std::string unreadPageHtml(const SiteBook& book, const SitePage& page, const std::string& why);
// `graph` is the book's picture, or empty with `graphWhy` saying why it is missing.
std::string indexHtml(const SiteBook& book, const std::string& graph, const std::string& graphWhy);
std::string searchIndexScript(const SiteBook& book);

extern const char kSiteStyle[];
extern const char kSiteSearchScript[];

#endif  // TOOLS_TVX_SITE_PAGES_H
