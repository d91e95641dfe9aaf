// Plug-in instances and their list (see plugin_instance.h).
#include "plugin/plugin_instance.h"

#include <cstdio>

#include "platform/owl/t_window.h"
#include "plugin/c_plugin_window.h"

namespace {

PluginInstance* gFirst = nullptr;

}  // namespace

void PluginInstance::clear() {
  window = nullptr;
  hWnd = nullptr;
  mode = 0;
  oldWindowProc = 0;
  savedData = nullptr;
  next = nullptr;
  npp = nullptr;
  pluginWindow = nullptr;
  tempFileName = nullptr;
  tempStream = nullptr;
  node = nullptr;
  color = 1;
  target = nullptr;
  lastWriteLength = 0;
  browserWindow = nullptr;
}

void PluginInstance::releaseMembers() {
  delete pluginWindow;
  pluginWindow = nullptr;
  delete browserWindow;
  browserWindow = nullptr;
  delete node;
  node = nullptr;
  delete target;
  target = nullptr;
  if (tempStream != nullptr) {
    tempStream->close();
    delete tempStream;
    tempStream = nullptr;
  }
  if (tempFileName != nullptr) {
    if (tempFileName[0] != '\0') std::remove(tempFileName);
    delete[] tempFileName;
    tempFileName = nullptr;
  }
}

void InstanceList::add(HWND handle, PluginInstance* instance) {
  if (instance == nullptr) return;
  instance->hWnd = handle;
  PluginInstance** at = &gFirst;
  while (*at != nullptr) {
    if (*at == instance) return;
    at = &(*at)->next;
  }
  instance->next = nullptr;
  *at = instance;
}

PluginInstance* InstanceList::find(HWND handle) {
  for (PluginInstance* p = gFirst; p != nullptr; p = p->next) {
    if (p->hWnd == handle) return p;
  }
  return nullptr;
}

void InstanceList::remove(PluginInstance* instance) {
  for (PluginInstance** at = &gFirst; *at != nullptr; at = &(*at)->next) {
    if (*at == instance) {
      *at = instance->next;
      instance->next = nullptr;
      return;
    }
  }
}

PluginInstance* InstanceList::newest(const PluginInstance* except) {
  PluginInstance* found = nullptr;
  for (PluginInstance* p = gFirst; p != nullptr; p = p->next) {
    if (p != except && p->pluginWindow != nullptr) found = p;
  }
  return found;
}

int InstanceList::count() {
  int n = 0;
  for (PluginInstance* p = gFirst; p != nullptr; p = p->next) ++n;
  return n;
}
