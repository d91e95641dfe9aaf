// The plug-in's callbacks, the table NP_GetEntryPoints hands the browser, and
// the three entry points' work. The entry points themselves are exported by the
// plug-in library (plugin/entry/); these are the same calls, so that the
// library's exports stay three thin C functions.
//
// One book manager serves every instance of a process (`setManager`); the
// plug-in window attached most recently is the main window of both the
// application and the book manager.
#ifndef PLUGIN_NP_PLUGIN_H
#define PLUGIN_NP_PLUGIN_H

#include "platform/npapi/np_function_tables.h"

class CPluginWindow;
class OrvaneNexil;

namespace NPPlugin {
// The book manager the instances use (not owned).
void setManager(OrvaneNexil* manager);
OrvaneNexil* manager();
// Makes `w` the application's main window and the book manager's current
// one (null: none), so that what is opened from a page opens in `w`.
void makeMain(CPluginWindow* w);
// The work of NP_GetEntryPoints, NP_Initialize and NP_Shutdown.
NPError getEntryPoints(NPPluginFuncs* funcs);
NPError initialize(NPNetscapeFuncs* browser);
NPError shutdown();
// The least table sizes a caller may state (the browser's 32-bit layout).
constexpr uint16 MinPluginFuncsSize = NP_PLUGINFUNCS_SIZE_V06;
constexpr uint16 MinNetscapeFuncsSize = NP_NETSCAPEFUNCS_SIZE_V06;
constexpr int32 WriteWindow = 1023;
}  // namespace NPPlugin

NPError NPP_Initialize();
void NPP_Shutdown();
NPError NPP_New(NPMIMEType pluginType, NPP instance, uint16 mode, int16 argc, char* argn[], char* argv[],
                NPSavedData* saved);
NPError NPP_Destroy(NPP instance, NPSavedData** save);
NPError NPP_SetWindow(NPP instance, NPWindow* window);
NPError NPP_NewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable, uint16* stype);
NPError NPP_DestroyStream(NPP instance, NPStream* stream, NPReason reason);
void NPP_StreamAsFile(NPP instance, NPStream* stream, const char* fname);
int32 NPP_WriteReady(NPP instance, NPStream* stream);
int32 NPP_Write(NPP instance, NPStream* stream, int32 offset, int32 len, void* buffer);
void NPP_Print(NPP instance, NPPrint* platformPrint);

#endif  // PLUGIN_NP_PLUGIN_H
