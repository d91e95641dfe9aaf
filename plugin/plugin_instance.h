// One plug-in instance: what the browser's instance record points at (its
// pdata), and the process-wide list of instances, kept by the handle of the
// plug-in window each is shown in.
//
// The record is allocated and freed through the browser's memory services, so
// it is plain data; its owned members are released by releaseMembers() before
// the browser frees it.
#ifndef PLUGIN_PLUGIN_INSTANCE_H
#define PLUGIN_PLUGIN_INSTANCE_H

#include <cstdint>
#include <fstream>

#include "kit/string.h"
#include "platform/npapi/np_types.h"
#include "platform/windows_types.h"

class CPluginWindow;
class TWindow;

struct PluginInstance {
  static constexpr int MaxPath = 260;

  NPWindow* window;        // the NPWindow last passed to NPP_SetWindow
  HWND hWnd;               // the handle the record is listed under
  uint16 mode;             // NP_EMBED or NP_FULL
  intptr_t oldWindowProc;  // the browser window's procedure, saved at the first attach
  NPSavedData* savedData;  // given to NPP_New; filled again by NPP_Destroy
  PluginInstance* next;    // the instance list
  NPP npp;                 // the browser's instance, refreshed on every call
  CPluginWindow* pluginWindow;
  char* tempFileName;      // MaxPath characters, heap
  std::ofstream* tempStream;
  String* node;            // EMBED parameter "node", or null
  int32 color;             // 1 unless EMBED parameter "color" is "false"
  String* target;          // EMBED parameter "target"; "_self" when absent
  int32 lastWriteLength;   // the length of the latest NPP_Write block
  TWindow* browserWindow;  // an alias of the browser's window the plug-in window lives in

  // Every field null or 0, color 1.
  void clear();
  // Deletes the window, the strings, the stream and the temporary file (and
  // its name).
  void releaseMembers();
};

// The list of live instances.
namespace InstanceList {
// Lists `instance` under `handle` (appended unless already listed).
void add(HWND handle, PluginInstance* instance);
// The first instance listed under `handle`, or null.
PluginInstance* find(HWND handle);
void remove(PluginInstance* instance);
// The instance listed last that has a window, passing over `except`; null
// when there is none.
PluginInstance* newest(const PluginInstance* except);
int count();
}  // namespace InstanceList

#endif  // PLUGIN_PLUGIN_INSTANCE_H
