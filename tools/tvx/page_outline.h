// page_outline.h: what a page shows, as the web exports read it ("tvx html",
// "tvx render --format canvas"): its idea symbols with their labels, boxes,
// colours and where they lead, its link boxes with their ends, and its text
// boxes, taken from a page window that has read and laid out the page. Boxes
// are in the page's logical units, which at zoom 100 are the picture's pixels.
#ifndef TOOLS_TVX_PAGE_OUTLINE_H
#define TOOLS_TVX_PAGE_OUTLINE_H

#include <map>
#include <string>
#include <vector>

#include "platform/windows_types.h"

class ViewNode;

struct OutlineSymbol {
  LONG id = 0;
  RECT rect = {0, 0, 0, 0};
  std::string label;        // the label's lines joined by blanks
  std::string type;
  bool leadsToPage = false; // a page of this book
  ULONG page = 0;           // its ID
  std::string pageName;
  std::string url;          // the page's "URL" attribute's address, or empty
  COLORREF fill = 0, line = 0, text = 0;
};

struct OutlineLink {
  LONG id = 0;
  RECT rect = {0, 0, 0, 0};
  std::string label;
  std::string type;
  LONG source = -1;                 // a symbol's id, or -1
  std::vector<LONG> destinations;   // symbols' ids
  COLORREF colour = 0;              // the label's text colour
};

struct OutlineNote {
  LONG id = 0;
  RECT rect = {0, 0, 0, 0};
  std::string text;
};

struct PageOutline {
  ULONG id = 0;
  std::string name;
  std::string type;
  POINT extent = {0, 0};
  std::vector<OutlineSymbol> symbols;  // in the page's drawing order
  std::vector<OutlineLink> links;
  std::vector<OutlineNote> notes;
  std::map<LONG, std::size_t> symbolAt;  // symbols' indexes by id (the first of an id)

  // The symbol of that id, or null.
  const OutlineSymbol* symbol(LONG id) const;
};

PageOutline outlinePage(ViewNode& page);

// The symbols' indexes in reading order: walks along the page's links, each
// taking a symbol's destinations from the top left, started from the page's
// own symbol, then from each symbol no link leads to, then from those not yet
// read, each group from the top left; rows are bands of 40 units.
std::vector<std::size_t> readingOrder(const PageOutline& page);

#endif  // TOOLS_TVX_PAGE_OUTLINE_H
