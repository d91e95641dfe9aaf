// canvas_export.h: a page as a JSON Canvas document, the open format of
// infinite canvases ("tvx render --format canvas", and beside every page that
// "tvx html" writes):
//
//   {"nodes": [
//      {"id": "s12", "type": "text", "x": L, "y": T, "width": W, "height": H,
//       "color": "#RRGGBB", "text": "[Mars](3-mars.html)"},    an idea symbol
//      {"id": "t14", "type": "text", ..., "text": "..."}],       a text box
//    "edges": [
//      {"id": "l13-0", "fromNode": "s12", "fromSide": "right",
//       "toNode": "s15", "toSide": "left", "toEnd": "arrow",
//       "color": "#RRGGBB", "label": "orbits"}]}                 a link box
//
// A symbol's node is its box in the page's units and its fill colour; its text
// is its label, as Markdown, a link to the page's file when it leads to a page
// of the book (the file "tvx html" writes for it) or else to its page's web
// address when that is an http:, https: or mailto: address. A link box gives
// one edge from its source to each destination, labelled with the link's
// type. Pen strokes and embedded objects are left out.
#ifndef TOOLS_TVX_CANVAS_EXPORT_H
#define TOOLS_TVX_CANVAS_EXPORT_H

#include <functional>
#include <string>

#include "tools/tvx/page_outline.h"

// The file a page of the book is linked to ("" : no link), by page ID.
using PageFileOf = std::function<std::string(ULONG page)>;

std::string canvasDocument(const PageOutline& page, const PageFileOf& fileOf);

#endif  // TOOLS_TVX_CANVAS_EXPORT_H
