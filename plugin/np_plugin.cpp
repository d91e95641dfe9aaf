// The plug-in's callbacks (see np_plugin.h).
#include "plugin/np_plugin.h"

#include <cstring>
#include <fstream>
#include <string>

#include "graphics/node_gnode_ro.h"
#include "graphics/view_node.h"
#include "kit/error.h"
#include "platform/system/desktop.h"
#include "platform/system/system.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"
#include "plugin/c_plugin_window.h"
#include "plugin/np_browser.h"
#include "plugin/np_tavix_app.h"
#include "plugin/orvane_nexil.h"
#include "plugin/plugin_instance.h"

namespace {

OrvaneNexil* gManager = nullptr;

const char* const kCancelledQuestion =
    "NPTavix has detected the possibility of you having cancelled the transfer, but it can't be sure due to a "
    "Netscape 2.0 bug.\nHave you cancelled the transfer?";

PluginInstance* recordOf(NPP instance) {
  if (instance == nullptr) return nullptr;
  auto* p = static_cast<PluginInstance*>(instance->pdata);
  if (p != nullptr) p->npp = instance;
  return p;
}

bool equalsIgnoringCase(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return false;
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    const char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a + 32) : *a;
    const char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b + 32) : *b;
    if (x != y) return false;
  }
  return *a == *b;
}

// The browser side of a symbol's web address: the instance shown in the page's
// plug-in window asks its browser to open it in its target frame.
int followUrl(NodeGNodeRO& symbol, const char* url) {
  ViewNode* page = symbol.page();
  TWindow* top = page != nullptr ? page->GetParentO() : nullptr;
  if (top == nullptr) {
    error(nullptr, 'E', "Failed to find the top window for association when processing a URL");
    return -1;
  }
  PluginInstance* p = InstanceList::find(top->HWindow);
  if (p == nullptr) {
    error(nullptr, 'E', "Failed to get an instance when processing a URL");
    return -1;
  }
  NPN_GetURL(p->npp, url, p->target != nullptr ? p->target->c_str() : "_self");
  return 0;
}

}  // namespace

void NPPlugin::makeMain(CPluginWindow* w) {
  if (NPTavixApp* app = NPTavixApp::instance()) app->SetMainWindow(w);
  if (gManager != nullptr) gManager->setMainWindow(w);
}

void NPPlugin::setManager(OrvaneNexil* manager) { gManager = manager; }
OrvaneNexil* NPPlugin::manager() { return gManager; }

NPError NPPlugin::getEntryPoints(NPPluginFuncs* funcs) {
  if (funcs == nullptr || funcs->size < MinPluginFuncsSize) return NPERR_INVALID_FUNCTABLE_ERROR;
  funcs->version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR;
  funcs->newp = NPP_New;
  funcs->destroy = NPP_Destroy;
  funcs->setwindow = NPP_SetWindow;
  funcs->newstream = NPP_NewStream;
  funcs->destroystream = NPP_DestroyStream;
  funcs->asfile = NPP_StreamAsFile;
  funcs->writeready = NPP_WriteReady;
  funcs->write = NPP_Write;
  funcs->print = NPP_Print;
  funcs->event = nullptr;
  return NPERR_NO_ERROR;
}

NPError NPPlugin::initialize(NPNetscapeFuncs* browser) {
  if (browser == nullptr) return NPERR_INVALID_FUNCTABLE_ERROR;
  NPBrowser::setTable(browser);
  if ((browser->version >> 8) != NP_VERSION_MAJOR) return NPERR_INCOMPATIBLE_VERSION_ERROR;
  if (browser->size < MinNetscapeFuncsSize) return NPERR_INVALID_FUNCTABLE_ERROR;
  NodeGNodeRO::setUrlHook(followUrl);
  return NPP_Initialize();
}

NPError NPPlugin::shutdown() {
  NPP_Shutdown();
  NodeGNodeRO::setUrlHook(nullptr);
  NPBrowser::setTable(nullptr);
  return NPERR_NO_ERROR;
}

NPError NPP_Initialize() { return NPERR_NO_ERROR; }

void NPP_Shutdown() {
  char dir[PluginInstance::MaxPath + 1] = "";
  ::GetTempPath(sizeof dir, dir);
  for (const std::string& name : findFiles((std::string(dir) + "Tvx*.tmp").c_str())) {
    std::remove((std::string(dir) + name).c_str());
  }
}

NPError NPP_New(NPMIMEType, NPP instance, uint16 mode, int16 argc, char* argn[], char* argv[],
                NPSavedData* saved) {
  if (instance == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  auto* p = static_cast<PluginInstance*>(NPN_MemAlloc(sizeof(PluginInstance)));
  if (p == nullptr) return NPERR_OUT_OF_MEMORY_ERROR;
  p->clear();
  instance->pdata = p;
  p->npp = instance;
  p->mode = mode;
  p->savedData = saved;
  for (int i = 0; i < argc && argn != nullptr && argv != nullptr; ++i) {
    const char* value = argv[i] != nullptr ? argv[i] : "";
    if (equalsIgnoringCase(argn[i], "node")) {
      delete p->node;
      p->node = new String(value);
    } else if (equalsIgnoringCase(argn[i], "color")) {
      p->color = equalsIgnoringCase(value, "false") ? 0 : 1;
    } else if (equalsIgnoringCase(argn[i], "target")) {
      delete p->target;
      p->target = new String(value);
    }
  }
  if (p->target == nullptr) p->target = new String("_self");
  return NPERR_NO_ERROR;
}

NPError NPP_SetWindow(NPP instance, NPWindow* w) {
  PluginInstance* p = recordOf(instance);
  if (p == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  if (w == nullptr) return NPERR_NO_ERROR;
  HWND browser = static_cast<HWND>(w->window);
  if (browser != nullptr && p->hWnd == nullptr && gManager != nullptr) {
    p->window = w;
    p->oldWindowProc = ::GetWindowLongPtr(browser, GWLP_WNDPROC);
    p->browserWindow = new TWindow(browser);
    p->pluginWindow = new CPluginWindow(p->browserWindow, *gManager);
    p->pluginWindow->Attr.X = w->x;
    p->pluginWindow->Attr.Y = w->y;
    p->pluginWindow->Attr.W = static_cast<int>(w->width);
    p->pluginWindow->Attr.H = static_cast<int>(w->height);
    if (p->tempFileName != nullptr) p->pluginWindow->setBookCopyPath(p->tempFileName);
    NPPlugin::makeMain(p->pluginWindow);
    p->pluginWindow->Create();
    InstanceList::add(p->pluginWindow->HWindow, p);
    DWORD o = p->pluginWindow->options();
    o = p->color ? (o | PageHost::GlyphColours) : (o & ~static_cast<DWORD>(PageHost::GlyphColours));
    p->pluginWindow->setOptions(o);
  } else if (browser != nullptr && p->pluginWindow != nullptr && p->browserWindow != nullptr &&
             p->browserWindow->HWindow != browser) {
    // A different browser window: the plug-in window moves into it and keeps
    // its registration under its own handle.
    delete p->browserWindow;
    p->browserWindow = new TWindow(browser);
    p->pluginWindow->SetParent(p->browserWindow);
  }
  p->window = w;
  if (p->hWnd != nullptr) {
    ::SetWindowPos(p->hWnd, nullptr, w->x, w->y, static_cast<int>(w->width), static_cast<int>(w->height),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(p->hWnd, nullptr, TRUE);
    ::UpdateWindow(p->hWnd);
  }
  return NPERR_NO_ERROR;
}

NPError NPP_NewStream(NPP instance, NPMIMEType, NPStream*, NPBool, uint16*) {
  PluginInstance* p = recordOf(instance);
  if (p == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  char dir[PluginInstance::MaxPath + 1] = "";
  ::GetTempPath(sizeof dir, dir);
  if (p->tempFileName == nullptr) {
    p->tempFileName = new char[PluginInstance::MaxPath + 1];
    p->tempFileName[0] = '\0';
  } else if (p->tempFileName[0] != '\0') {
    std::remove(p->tempFileName);  // a second stream replaces the first copy
  }
  ::GetTempFileName(dir, "TVX", 0, p->tempFileName);
  delete p->tempStream;
  p->tempStream = new std::ofstream(p->tempFileName, std::ios::binary | std::ios::trunc);
  if (!*p->tempStream) error(nullptr, 'E', "Can't create temporary file %s", p->tempFileName);
  if (p->pluginWindow != nullptr) p->pluginWindow->setBookCopyPath(p->tempFileName);
  return NPERR_NO_ERROR;
}

int32 NPP_WriteReady(NPP instance, NPStream*) {
  recordOf(instance);
  return NPPlugin::WriteWindow;
}

int32 NPP_Write(NPP instance, NPStream*, int32, int32 len, void* buffer) {
  PluginInstance* p = recordOf(instance);
  if (p == nullptr) {
    error(nullptr, 'E', "NPP_Write: bad instance");
    return len;
  }
  p->lastWriteLength = len;
  if (p->tempStream == nullptr || len < 0 || (len > 0 && buffer == nullptr)) {
    error(nullptr, 'E', "Temporary file write failed");
    return len;
  }
  p->tempStream->write(static_cast<const char*>(buffer), len);
  p->tempStream->flush();
  if (!*p->tempStream) error(nullptr, 'E', "Temporary file write failed");
  return len;
}

void NPP_StreamAsFile(NPP instance, NPStream*, const char*) { recordOf(instance); }

NPError NPP_DestroyStream(NPP instance, NPStream*, NPReason) {
  PluginInstance* p = recordOf(instance);
  if (p == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  if (p->tempStream != nullptr) p->tempStream->close();
  if (p->lastWriteLength >= NPPlugin::WriteWindow) {
    const int answer = ::MessageBox(p->hWnd, kCancelledQuestion, "Cancelled?", MB_YESNO | MB_ICONQUESTION);
    if (answer != IDNO) return NPERR_NO_ERROR;
  }
  CPluginWindow* w = p->pluginWindow;
  bool restored = false;
  if (p->savedData != nullptr && p->savedData->buf != nullptr) {
    if (w != nullptr && p->savedData->len > 0) {
      w->historyFromBlock(static_cast<const char*>(p->savedData->buf), static_cast<std::size_t>(p->savedData->len));
      restored = true;
    }
    NPN_MemFree(p->savedData->buf);
    NPN_MemFree(p->savedData);
    p->savedData = nullptr;
  }
  if (w == nullptr || p->tempFileName == nullptr) return NPERR_NO_ERROR;
  NPPlugin::makeMain(w);
  w->openBook(p->tempFileName, 0, 0x40, true, nullptr);
  if (restored) {
    // The home page the book opened on is the newest entry: going back once
    // shows the page that was current when the earlier instance went.
    w->goBack();
  } else if (p->node != nullptr) {
    w->gotoNode(p->node->c_str());
    delete p->node;
    p->node = nullptr;
  }
  return NPERR_NO_ERROR;
}

void NPP_Print(NPP instance, NPPrint* print) {
  PluginInstance* p = recordOf(instance);
  if (p == nullptr || print == nullptr) return;
  if (print->mode == NP_FULL) {
    print->print.fullPrint.pluginPrinted = 0;
    return;
  }
  HDC dc = static_cast<HDC>(print->print.embedPrint.platformPrint);
  if (dc == nullptr) return;
  const NPWindow& w = print->print.embedPrint.window;
  POINT corners[2] = {{w.x, w.y}, {w.x + static_cast<LONG>(w.width), w.y + static_cast<LONG>(w.height)}};
  ::DPtoLP(dc, corners, 2);
  HPEN pen = ::CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HGDIOBJ old = ::SelectObject(dc, pen);
  HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
  ::Rectangle(dc, corners[0].x, corners[0].y, corners[1].x, corners[1].y);
  ::SelectObject(dc, oldBrush);
  ::SelectObject(dc, old);
  ::DeleteObject(pen);
}

NPError NPP_Destroy(NPP instance, NPSavedData** save) {
  PluginInstance* p = recordOf(instance);
  if (p == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  InstanceList::remove(p);
  NPSavedData* data = p->savedData;
  if (data == nullptr) {
    data = static_cast<NPSavedData*>(NPN_MemAlloc(sizeof(NPSavedData)));
    if (data != nullptr) {
      data->len = 0;
      data->buf = nullptr;
    }
  }
  if (data != nullptr) {
    NPN_MemFree(data->buf);
    data->buf = nullptr;
    data->len = 0;
    std::vector<char> block = p->pluginWindow != nullptr ? p->pluginWindow->historyToBlock() : std::vector<char>(1, '\0');
    data->buf = NPN_MemAlloc(static_cast<uint32>(block.size()));
    if (data->buf != nullptr) {
      std::memcpy(data->buf, block.data(), block.size());
      data->len = static_cast<int32>(block.size());
    }
  }
  // When the main window goes, the newest of the other instances' windows
  // takes its place, so that a page with several books goes on working.
  if (gManager != nullptr && gManager->mainWindow() == p->pluginWindow) {
    PluginInstance* next = InstanceList::newest(p);
    NPPlugin::makeMain(next != nullptr ? next->pluginWindow : nullptr);
  }
  p->releaseMembers();
  NPN_MemFree(p);
  instance->pdata = nullptr;
  if (save != nullptr) *save = data;
  else if (data != nullptr) {
    NPN_MemFree(data->buf);
    NPN_MemFree(data);
  }
  return NPERR_NO_ERROR;
}
