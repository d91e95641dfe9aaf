// page_render.h: one page of a book drawn as its page window paints it, on the
// headless host: the page classes read the page's map text, the window is made
// as large as the page (or the size asked for), and the picture is written as
// SVG, PNG or PDF, or the page's graphics are described as JSON.
#ifndef TOOLS_TVX_PAGE_RENDER_H
#define TOOLS_TVX_PAGE_RENDER_H

#include <functional>
#include <string>
#include <vector>

class DB;
class DisplayList;
class Nexil;
class ViewNode;

struct RenderOptions {
  int zoom = 100;        // percent; -1: fit to the size
  int width = 0;         // 0: the page's own extent
  int height = 0;
  bool mono = false;     // without the types' colours
  bool print = false;    // PDF through the page's printout
  // Given the page window and its picture once the page is drawn and its
  // files are written (the exports that read the page's graphics); false with
  // `why` fails the page.
  std::function<bool(ViewNode& page, const DisplayList& picture, std::string* why)> use;
};

// Draws page `id` of `db` into `paths` (each by its extension; ".json" gives
// the description). False with `why` when the page cannot be read or a file
// cannot be written; nothing is written when the page cannot be read.
bool renderPage(DB& db, Nexil& app, unsigned long id, const RenderOptions& options,
                const std::vector<std::string>& paths, std::string* why);

#endif  // TOOLS_TVX_PAGE_RENDER_H
