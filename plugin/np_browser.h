// The browser's services as the plug-in calls them: thin wrappers over the
// browser's function table handed to NP_Initialize. Without a table (before
// NP_Initialize, after NP_Shutdown) or without an entry, a call does nothing
// and answers as a failure would (null memory, NPERR_GENERIC_ERROR).
#ifndef PLUGIN_NP_BROWSER_H
#define PLUGIN_NP_BROWSER_H

#include "platform/npapi/np_function_tables.h"

namespace NPBrowser {
// Keeps `funcs` (not owned; null forgets it).
void setTable(NPNetscapeFuncs* funcs);
NPNetscapeFuncs* table();
}  // namespace NPBrowser

void NPN_Version(int* pluginMajor, int* pluginMinor, int* browserMajor, int* browserMinor);
NPError NPN_GetURL(NPP instance, const char* url, const char* window);
NPError NPN_PostURL(NPP instance, const char* url, const char* window, uint32 len, const char* buf, NPBool file);
NPError NPN_RequestRead(NPStream* stream, NPByteRange* rangeList);
NPError NPN_NewStream(NPP instance, NPMIMEType type, const char* window, NPStream** stream);
int32 NPN_Write(NPP instance, NPStream* stream, int32 len, void* buffer);
NPError NPN_DestroyStream(NPP instance, NPStream* stream, NPReason reason);
void NPN_Status(NPP instance, const char* message);
const char* NPN_UserAgent(NPP instance);
void* NPN_MemAlloc(uint32 size);
void NPN_MemFree(void* ptr);
uint32 NPN_MemFlush(uint32 size);

#endif  // PLUGIN_NP_BROWSER_H
