// What is on a page, as JSON for scripts and for the browser viewer: every
// graphic of the page window with its kind, object id, rectangle, glyph, label
// lines and where it leads, and every relation's line with its end points and
// arrow head. This is a contract other programs read; the README documents it.
//
//   {"page": {"id": N, "name": "...", "type": "..."},
//    "extent": [right, bottom],
//    "graphics": [
//      {"kind": "idea" | "placeholder" | "link" | "text" | "pen stroke" |
//               "pen group" | "object" | "annotation",
//       "id": N, "rect": [left, top, right, bottom], "layer": N,
//       "glyph": "Ellipse",                      symbols and link boxes
//       "label": ["line", ...],                   the lines as drawn
//       "type": "...",                            symbols and link boxes
//       "page": {"id": N, "name": "..."},         a symbol with a page
//       "url": "...",                             a page's "URL" attribute
//       "source": N, "destinations": [N, ...],    link boxes: symbol ids
//       "text": "..."                             text boxes
//      }, ...],
//    "relations": [
//      {"kind": "arrow" | "tether" | "line", "from": N, "to": N,
//       "start": [x, y], "end": [x, y],
//       "head": [[x, y], [x, y], [x, y]],         arrows with a head
//       "base": [[x, y], [x, y]]                  tethers
//      }, ...]}
//
// Coordinates are the page's logical units. Graphics are listed in the page's
// drawing order.
#ifndef GRAPHICS_PAGE_DESCRIPTION_H
#define GRAPHICS_PAGE_DESCRIPTION_H

#include <string>

class ViewNode;

// The page `page` shows, as the JSON above (one line).
std::string describePage(ViewNode& page);

#endif  // GRAPHICS_PAGE_DESCRIPTION_H
