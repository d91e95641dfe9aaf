// page_render.cpp: a page drawn by its page window on the headless host (see
// page_render.h). The page window is the poster board, which reads every
// page the plug-in shows.
#include "tools/tvx/page_render.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "core/db.h"
#include "core/nexil.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/page_description.h"
#include "graphics/page_host.h"
#include "graphics/poster_board_node.h"
#include "platform/owl/t_printer.h"
#include "platform/render/headless_host.h"

namespace {

// The largest picture drawn, in pixels on each side.
constexpr int kMaxSide = 8192;
constexpr int kDefaultSide = 600;

// The main window of a rendered page: the types' colours on (unless mono),
// no sounds, grid 1, the zoom asked for.
class RenderHost : public PageHost {
 public:
  RenderHost(bool mono, int zoom) : mono_(mono), zoom_(zoom) {}
  DWORD options() const override { return mono_ ? 0u : static_cast<DWORD>(GlyphColours); }
  int gridSize() const override { return 1; }
  int zoomPercent() const override { return zoom_; }
  ZoneMode zoneMode() const override { return NoHotZones; }
  bool singleWindow() const override { return true; }
  void setStatusField(int, const char*) override {}

 private:
  bool mono_;
  int zoom_;
};

bool endsWith(const std::string& s, const char* tail) {
  const std::string t(tail);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

bool renderPage(DB& db, Nexil& app, unsigned long id, const RenderOptions& o, const std::vector<std::string>& paths,
                std::string* why) {
  std::unique_ptr<std::iostream> in = db.getNodeStream(static_cast<ULONG>(id), 0);
  std::stringstream body;
  if (in != nullptr) body << in->rdbuf();
  body.clear();
  body.seekg(0);
  String type;
  db.lookupName_Type_Flags(static_cast<ULONG>(id), nullptr, &type, nullptr);

  HeadlessHost host(kMaxSide + 100, kMaxSide + 100);
  TWindow frame(host.makeTopLevel(kDefaultSide, kDefaultSide, "Page"));
  RenderHost options(o.mono, o.zoom);
  auto* node = new Node(nullptr, NodeRef(&db, static_cast<ULONG>(id)), type, app);
  PosterBoardNode page(&frame, node, app);
  page.setHost(&options);
  page.Attr.Style = WS_CHILD | WS_VISIBLE;
  page.Attr.X = page.Attr.Y = 0;
  page.Attr.W = page.Attr.H = kDefaultSide;
  // The header may place and size the window, as the page's reading does.
  if (page.readBody(&body) < 0) {
    *why = "the page does not read as map text: " + page.readError();
    page.attach(nullptr);
    return false;
  }
  page.attach(nullptr);
  if (!page.Create()) {
    *why = "the page window cannot be made";
    return false;
  }
  host.run();
  // The page's extent, now that every label is laid out, sizes the picture.
  POINT extent = {0, 0};
  page.pageExtent(extent);
  int w = o.width > 0 ? o.width : static_cast<int>(extent.x);
  int h = o.height > 0 ? o.height : static_cast<int>(extent.y);
  if (o.width <= 0 && o.zoom > 0) {
    w = static_cast<int>(static_cast<long long>(w) * o.zoom / 100);
    h = static_cast<int>(static_cast<long long>(h) * o.zoom / 100);
  }
  w = std::clamp(w, 16, kMaxSide);
  h = std::clamp(h, 16, kMaxSide);
  ::MoveWindow(frame.HWindow, 0, 0, w, h, TRUE);
  page.MoveWindow(0, 0, w, h, true);
  page.setZoom(o.zoom);
  ::InvalidateRect(page.HWindow, nullptr, TRUE);
  host.run();

  bool ok = true;
  for (const std::string& path : paths) {
    if (endsWith(path, ".json")) {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << describePage(page) << "\n";
      out.close();
      if (!out) {
        *why = "cannot write " + path;
        ok = false;
      }
    } else if (o.print && endsWith(path, ".pdf")) {
      const std::size_t slash = path.find_last_of('/');
      host.setPrintFolder(slash == std::string::npos ? "." : path.substr(0, slash));
      TPrinter printer;
      page.setPrinter(&printer);
      page.print();
      page.setPrinter(nullptr);
      host.run();
      if (host.printedFiles().empty()) {
        *why = "the printout did not reach " + path;
        ok = false;
      } else if (host.printedFiles().back() != path) {
        std::rename(host.printedFiles().back().c_str(), path.c_str());
      }
    } else if (!host.render(page.HWindow, path)) {
      *why = "cannot write " + path;
      ok = false;
    }
  }
  if (ok && o.use) ok = o.use(page, host.picture(page.HWindow), why);
  page.destroyAllGraphics();
  return ok;
}
