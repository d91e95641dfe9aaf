// The two function tables of the published plug-in interface, version 0.6: the
// plug-in's callbacks the browser calls (NPPluginFuncs, filled by the plug-in's
// NP_GetEntryPoints) and the browser services the plug-in calls
// (NPNetscapeFuncs, handed to NP_Initialize). Each begins with its size in bytes
// and its version (major version in the high byte); the entries follow in the
// order below, one pointer each.
//
// On the browser's 32-bit build the plug-in table is 44 bytes (2 + 2 + 10
// pointers) and the browser table 52 (2 + 2 + 12 pointers); those are the least
// sizes a caller's table may state. On a 64-bit build the first pointer is at
// offset 8 and each takes 8 bytes.
#ifndef PLATFORM_NPAPI_NP_FUNCTION_TABLES_H
#define PLATFORM_NPAPI_NP_FUNCTION_TABLES_H

#include "platform/npapi/np_types.h"

// The sizes the version 0.6 tables have on the browser's 32-bit build.
#define NP_PLUGINFUNCS_SIZE_V06 44
#define NP_NETSCAPEFUNCS_SIZE_V06 52

// ---- The plug-in's callbacks ----
typedef NPError (*NPP_NewUPP)(NPMIMEType pluginType, NPP instance, uint16 mode, int16 argc,
                              char* argn[], char* argv[], NPSavedData* saved);
typedef NPError (*NPP_DestroyUPP)(NPP instance, NPSavedData** save);
typedef NPError (*NPP_SetWindowUPP)(NPP instance, NPWindow* window);
typedef NPError (*NPP_NewStreamUPP)(NPP instance, NPMIMEType type, NPStream* stream,
                                    NPBool seekable, uint16* stype);
typedef NPError (*NPP_DestroyStreamUPP)(NPP instance, NPStream* stream, NPReason reason);
typedef void (*NPP_StreamAsFileUPP)(NPP instance, NPStream* stream, const char* fname);
typedef int32 (*NPP_WriteReadyUPP)(NPP instance, NPStream* stream);
typedef int32 (*NPP_WriteUPP)(NPP instance, NPStream* stream, int32 offset, int32 len,
                              void* buffer);
typedef void (*NPP_PrintUPP)(NPP instance, NPPrint* platformPrint);
typedef int16 (*NPP_HandleEventUPP)(NPP instance, void* event);

struct NPPluginFuncs {
  uint16 size;
  uint16 version;
  NPP_NewUPP newp;
  NPP_DestroyUPP destroy;
  NPP_SetWindowUPP setwindow;
  NPP_NewStreamUPP newstream;
  NPP_DestroyStreamUPP destroystream;
  NPP_StreamAsFileUPP asfile;
  NPP_WriteReadyUPP writeready;
  NPP_WriteUPP write;
  NPP_PrintUPP print;
  NPP_HandleEventUPP event;
};

// ---- The browser's services ----
typedef NPError (*NPN_GetURLUPP)(NPP instance, const char* url, const char* window);
typedef NPError (*NPN_PostURLUPP)(NPP instance, const char* url, const char* window, uint32 len,
                                  const char* buf, NPBool file);
typedef NPError (*NPN_RequestReadUPP)(NPStream* stream, NPByteRange* rangeList);
typedef NPError (*NPN_NewStreamUPP)(NPP instance, NPMIMEType type, const char* window,
                                    NPStream** stream);
typedef int32 (*NPN_WriteUPP)(NPP instance, NPStream* stream, int32 len, void* buffer);
typedef NPError (*NPN_DestroyStreamUPP)(NPP instance, NPStream* stream, NPReason reason);
typedef void (*NPN_StatusUPP)(NPP instance, const char* message);
typedef const char* (*NPN_UserAgentUPP)(NPP instance);
typedef void* (*NPN_MemAllocUPP)(uint32 size);
typedef void (*NPN_MemFreeUPP)(void* ptr);
typedef uint32 (*NPN_MemFlushUPP)(uint32 size);
typedef void (*NPN_ReloadPluginsUPP)(NPBool reloadPages);

struct NPNetscapeFuncs {
  uint16 size;
  uint16 version;
  NPN_GetURLUPP geturl;
  NPN_PostURLUPP posturl;
  NPN_RequestReadUPP requestread;
  NPN_NewStreamUPP newstream;
  NPN_WriteUPP write;
  NPN_DestroyStreamUPP destroystream;
  NPN_StatusUPP status;
  NPN_UserAgentUPP uagent;
  NPN_MemAllocUPP memalloc;
  NPN_MemFreeUPP memfree;
  NPN_MemFlushUPP memflush;
  NPN_ReloadPluginsUPP reloadplugins;
};

#endif  // PLATFORM_NPAPI_NP_FUNCTION_TABLES_H
