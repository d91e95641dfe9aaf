// Reader target: a page as its page window shows it. The input is read as a
// whole page body by the poster board, the page window of every page the
// plug-in shows (every record becomes a symbol, link box or annotation through
// the page classes, and queued tethers are tied once the body is read), the
// window is painted into its display list, described as JSON, written back as
// map text, and saved onto its own body stream, which is read again by a
// second board. Each step must end: a crash, a sanitizer report, a hang or a
// runaway allocation is a finding.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz/fuzz_support.h"
#include "graphics/page_description.h"
#include "graphics/poster_board_node.h"
#include "platform/render/headless_host.h"

namespace {

struct Screen {
  HeadlessHost host{900, 700};
  TWindow frame{host.makeTopLevel(800, 600, "Page")};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Screen* screen = new Screen;  // one screen for the whole run
  ReportCounter quiet;
  FuzzNexil app;
  std::stringstream in(std::string(reinterpret_cast<const char*>(data), size));
  {
    PosterBoardNode page(&screen->frame, nullptr, app);
    page.Attr.Style = WS_CHILD | WS_VISIBLE;
    page.Attr.W = 780;
    page.Attr.H = 580;
    page.readBody(&in);
    if (page.Create()) {
      screen->host.run(100000);
      const DisplayList list = screen->host.picture(page.HWindow);
      (void)list.commands().size();
      (void)describePage(page);
      std::ostringstream out;
      page.writePage(out);
    }
    // Saved onto its own body (which it still holds) and read back whole.
    if (page.isOpen() && page.save() == 0) {
      in.clear();
      in.seekg(0);
      PosterBoardNode again(&in, &screen->frame, nullptr, app);
      again.attach(nullptr);
      again.destroyAllGraphics();
    }
    page.attach(nullptr);
    page.destroyAllGraphics();
  }
  return 0;
}
