// Reader target: a page as its page window shows it. The input is read as a
// page body by the page window (every record becomes a symbol, link box or
// annotation through the page classes), the window is painted into its display
// list, described as JSON and written back as map text. Each step must end: a
// crash, a sanitizer report, a hang or a runaway allocation is a finding.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz/fuzz_support.h"
#include "graphics/page_description.h"
#include "graphics/view_node.h"
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
    ViewNode page(&screen->frame, nullptr, app);
    page.Attr.Style = WS_CHILD | WS_VISIBLE;
    page.Attr.W = 780;
    page.Attr.H = 580;
    page.attach(&in);
    page.readFile();
    page.attach(nullptr);
    if (page.Create()) {
      screen->host.run(100000);
      const DisplayList list = screen->host.picture(page.HWindow);
      (void)list.commands().size();
      (void)describePage(page);
      std::ostringstream out;
      page.writePage(out);
    }
    page.destroyAllGraphics();
  }
  return 0;
}
