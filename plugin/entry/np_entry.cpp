// The plug-in library's three exports, with the browser's C calling
// convention, and the library's life: the book manager of the process is made
// as the library loads; the application object and the process-wide resources
// are made on the first attach and go with the last detach.
#include "platform/npapi/np_function_tables.h"
#include "plugin/np_plugin.h"
#include "plugin/np_tavix_app.h"
#include "plugin/orvane_nexil.h"

#define NP_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Constructed in this order as the library loads, destroyed in the reverse.
OrvaneNexil gBookManager;

struct LibraryLife {
  LibraryLife() {
    NPPlugin::setManager(&gBookManager);
    NPTavixApp::attach();
  }
  ~LibraryLife() {
    NPTavixApp::detach();
    NPPlugin::setManager(nullptr);
  }
};

LibraryLife gLife;

}  // namespace

NP_EXPORT NPError NP_GetEntryPoints(NPPluginFuncs* funcs) { return NPPlugin::getEntryPoints(funcs); }

NP_EXPORT NPError NP_Initialize(NPNetscapeFuncs* browser) { return NPPlugin::initialize(browser); }

NP_EXPORT NPError NP_Shutdown() { return NPPlugin::shutdown(); }
