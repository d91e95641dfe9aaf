// The plug-in's page window (see orvane_node.h).
#include "plugin/orvane_node.h"

#include <string>

#include "core/nexil.h"
#include "core/nexil_window.h"
#include "core/node.h"
#include "kit/error.h"
#include "kit/file_helpers.h"
#include "platform/owl/t_command_enabler.h"
#include "platform/system/desktop.h"
#include "platform/system/file_dialog.h"
#include "platform/win/menu.h"
#include "plugin/orvane_nexil.h"
#include "plugin/orvane_window.h"

namespace {

// Commands the modification lock never holds back.
bool alwaysEnabled(UINT id) { return id == 217 || id == 224 || id == 228 || id == 274 || id == OrvaneNode::CmFileSaveAs; }

}  // namespace

OrvaneNode::OrvaneNode(std::iostream* body, TWindow* parent, Node* node, Nexil& app)
    : TWindow(parent, node != nullptr ? node->name().c_str() : "A Title"),
      KMFileInfo(AppTag),
      PosterBoardNode(body, parent, node, app) {}

OrvaneNode::~OrvaneNode() = default;

OrvaneNode* OrvaneNode::make(TWindow* parent, Nexil& app, DB* db, const char* name, const char* type) {
  auto* main = dynamic_cast<NexilWindow*>(parent);
  if (main == nullptr) {
    error(nullptr, 'E', "Could not cast to a NexilWindow");
    return nullptr;
  }
  Node* node = Node::make(main, app, db, name, type);
  if (node == nullptr) return nullptr;
  return new OrvaneNode(nullptr, parent, node, app);
}

void OrvaneNode::GetWindowClass(WNDCLASS& wc) {
  PosterBoardNode::GetWindowClass(wc);
  wc.style |= CS_DBLCLKS;
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  wc.hCursor = nullptr;
  wc.lpszMenuName = nullptr;
}

HMENU OrvaneNode::createPopup() {
  HMENU m = ::CreatePopupMenu();
  ::AppendMenu(m, MF_STRING, CmToggleColor, "&Color");
  HMENU zoom = ::CreatePopupMenu();
  ::AppendMenu(zoom, MF_STRING, CmZoom50, "&50%");
  ::AppendMenu(zoom, MF_STRING, CmZoom75, "&75%");
  ::AppendMenu(zoom, MF_STRING, CmZoom100, "&100%");
  ::AppendMenu(zoom, MF_STRING, CmZoom150, "150%");
  ::AppendMenu(zoom, MF_STRING, CmZoom200, "&200%");
  ::AppendMenu(zoom, MF_STRING, CmZoomFitPage, "&Fit to window");
  ::AppendMenu(zoom, MF_STRING, CmZoomCustom, "&Custom");
  ::AppendMenu(m, MF_POPUP, reinterpret_cast<UINT_PTR>(zoom), "&Zoom");
  ::AppendMenu(m, MF_STRING, CmRefresh, "&Refresh");
  ::AppendMenu(m, MF_SEPARATOR, 0, nullptr);
  ::AppendMenu(m, MF_STRING, CmFileSaveAs, "&Save as...");
  return m;
}

LRESULT OrvaneNode::EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) {
  switch (id) {
    case CmFileSaveAs: CMFileSaveAs(); return 0;
    case CmRefresh: Invalidate(true); return 0;
    default: return PosterBoardNode::EvCommand(id, hWndCtl, notifyCode);
  }
}

void OrvaneNode::EvCommandEnable(TCommandEnabler& enabler) {
  if (alwaysEnabled(enabler.GetId()) || enabler.GetId() == CmRefresh) {
    enabler.Enable(true);
    return;
  }
  PosterBoardNode::EvCommandEnable(enabler);
}

void OrvaneNode::CMFileSaveAs() {
  OrvaneNexil* manager = OrvaneNexil::current();
  auto* main = manager != nullptr ? dynamic_cast<OrvaneWindow*>(manager->mainWindow()) : nullptr;
  const char* copy = main != nullptr ? main->bookCopyPath() : nullptr;
  if (copy == nullptr || copy[0] == '\0') return;
  FileDialogRequest request;
  request.save = true;
  request.filters = {{"Tavix Books (*.tvx)", "*.tvx"}, {"All Files (*.*)", "*.*"}};
  request.flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  if (!currentDesktop().fileDialog(HWindow, request) || request.path.empty()) return;
  if (copyFile(request.path.c_str(), copy) != 0) error(HWindow, 'E', "Could not save file '%s'", copy);
}
