// The plug-in's application object and error hook (see np_tavix_app.h).
#include "plugin/np_tavix_app.h"

#include "graphics/glyph_factory.h"
#include "graphics/page_cursors.h"
#include "platform/owl/t_window.h"
#include "platform/system/desktop.h"
#include "platform/win/clipboard.h"
#include "plugin/np_browser.h"
#include "plugin/plugin_instance.h"

namespace {

NPTavixApp* gApp = nullptr;
int gAttachCount = 0;
const char* const kHookTitle = "NP Tavix Error Handler";

}  // namespace

NPTavixApp::NPTavixApp() : TApplication("NPTavixApp") {}

NPTavixApp::~NPTavixApp() {
  if (ErrorHandler::applicationHandler() == this) ErrorHandler::setApplicationHandler(nullptr);
}

NPTavixApp* NPTavixApp::instance() { return gApp; }
int NPTavixApp::attachCount() { return gAttachCount; }

void NPTavixApp::attach() {
  if (gAttachCount == 0) {
    gApp = new NPTavixApp();
    ErrorHandler::setApplicationHandler(gApp);
    for (const char* format : {"ObjectLink", "Native", "OwnerLink", "TavixOrvaneNode"}) {
      ::RegisterClipboardFormat(format);
    }
    int stillMissing = 0;
    for (int k = 0; k < PageCursors::Count; ++k) {
      if (PageCursors::cursor(static_cast<PageCursors::Kind>(k)) == nullptr) ++stillMissing;
    }
    if (PageCursors::missing() != 0 && stillMissing != 0) {
      ::MessageBox(nullptr, "Failed to load cursors, cursors will be missing over the pain", "Tavix NP",
                   MB_OK | MB_ICONINFORMATION);
    }
    // Every symbol and link the plug-in shows can follow URLs.
    GlyphFactory::install(&GlyphFactory::readOnly());
  }
  ++gAttachCount;
}

void NPTavixApp::detach() {
  if (gAttachCount <= 0) return;
  if (--gAttachCount == 0) {
    GlyphFactory::install(nullptr);
    delete gApp;
    gApp = nullptr;
  }
}

int NPTavixApp::handleError(char kind, const char* text) {
  if (kind == 'E' || kind == 'F' || kind == '%' || kind == '&') return 1;
  TWindow* main = GetMainWindow();
  if (main == nullptr) {
    ::MessageBox(nullptr, "Can't get app's main window", kHookTitle, MB_OK | MB_ICONINFORMATION);
    return 1;
  }
  PluginInstance* p = InstanceList::find(main->HWindow);
  if (p == nullptr) {
    ::MessageBox(nullptr, "Can't get PluginInstance", kHookTitle, MB_OK | MB_ICONINFORMATION);
    return 1;
  }
  NPN_Status(p->npp, text != nullptr ? text : "");
  return 0;
}
