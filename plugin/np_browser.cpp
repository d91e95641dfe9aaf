// The browser's services (see np_browser.h).
#include "plugin/np_browser.h"

namespace {

NPNetscapeFuncs* gTable = nullptr;

}  // namespace

void NPBrowser::setTable(NPNetscapeFuncs* funcs) { gTable = funcs; }
NPNetscapeFuncs* NPBrowser::table() { return gTable; }

void NPN_Version(int* pluginMajor, int* pluginMinor, int* browserMajor, int* browserMinor) {
  if (pluginMajor != nullptr) *pluginMajor = NP_VERSION_MAJOR;
  if (pluginMinor != nullptr) *pluginMinor = NP_VERSION_MINOR;
  const int v = gTable != nullptr ? gTable->version : 0;
  if (browserMajor != nullptr) *browserMajor = v >> 8;
  if (browserMinor != nullptr) *browserMinor = v & 0xFF;
}

NPError NPN_GetURL(NPP instance, const char* url, const char* window) {
  return gTable != nullptr && gTable->geturl != nullptr ? gTable->geturl(instance, url, window) : NPERR_GENERIC_ERROR;
}

NPError NPN_PostURL(NPP instance, const char* url, const char* window, uint32 len, const char* buf, NPBool file) {
  return gTable != nullptr && gTable->posturl != nullptr ? gTable->posturl(instance, url, window, len, buf, file)
                                                         : NPERR_GENERIC_ERROR;
}

NPError NPN_RequestRead(NPStream* stream, NPByteRange* rangeList) {
  return gTable != nullptr && gTable->requestread != nullptr ? gTable->requestread(stream, rangeList)
                                                             : NPERR_GENERIC_ERROR;
}

NPError NPN_NewStream(NPP instance, NPMIMEType type, const char* window, NPStream** stream) {
  return gTable != nullptr && gTable->newstream != nullptr ? gTable->newstream(instance, type, window, stream)
                                                           : NPERR_GENERIC_ERROR;
}

int32 NPN_Write(NPP instance, NPStream* stream, int32 len, void* buffer) {
  return gTable != nullptr && gTable->write != nullptr ? gTable->write(instance, stream, len, buffer) : -1;
}

NPError NPN_DestroyStream(NPP instance, NPStream* stream, NPReason reason) {
  return gTable != nullptr && gTable->destroystream != nullptr ? gTable->destroystream(instance, stream, reason)
                                                               : NPERR_GENERIC_ERROR;
}

void NPN_Status(NPP instance, const char* message) {
  if (gTable != nullptr && gTable->status != nullptr) gTable->status(instance, message);
}

const char* NPN_UserAgent(NPP instance) {
  return gTable != nullptr && gTable->uagent != nullptr ? gTable->uagent(instance) : "";
}

void* NPN_MemAlloc(uint32 size) {
  return gTable != nullptr && gTable->memalloc != nullptr ? gTable->memalloc(size) : nullptr;
}

void NPN_MemFree(void* ptr) {
  if (gTable != nullptr && gTable->memfree != nullptr && ptr != nullptr) gTable->memfree(ptr);
}

uint32 NPN_MemFlush(uint32 size) {
  return gTable != nullptr && gTable->memflush != nullptr ? gTable->memflush(size) : 0;
}
