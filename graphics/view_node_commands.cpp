// The page window's commands, messages and status fields (see view_node.h):
// the commands it handles itself, the ones it passes to the graphics (with the
// modification lock), the right button and the page's popup, the main window's
// status fields, closing with the save question, and copying the page.
#include <cstdio>
#include <cstring>
#include <sstream>
#include <vector>

#include "core/db.h"
#include "core/nexil.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/annotation.h"
#include "graphics/node_gnode.h"
#include "graphics/view_node.h"
#include "graphics/wait_cursor.h"
#include "kit/error.h"
#include "kit/file_helpers.h"
#include "platform/owl/t_command_enabler.h"
#include "platform/system/desktop.h"
#include "platform/system/global_memory.h"
#include "platform/win/clipboard.h"
#include "platform/win/menu.h"
#include "platform/win/windows_user.h"

namespace {

// How a command id is routed: to the graphic only, or to the selection too,
// with the scroll range recomputed, and whether the modification lock
// disables it.
struct Route {
  UINT id;
  bool selected;
  bool rescroll;
  bool lock;
};

const Route kRoutes[] = {
    {219, false, false, false}, {220, false, false, true}, {225, false, false, true}, {228, false, false, true},
    {229, false, false, true},  {345, false, false, true}, {346, false, false, true}, {576, false, false, false},
    {221, true, false, false},  {333, true, false, false}, {344, true, false, true},  {222, false, true, true},
    {224, false, true, true},   {348, false, true, true},  {217, true, true, true},   {223, true, true, true},
    {274, true, true, true},
};

const Route* routeOf(UINT id) {
  for (const Route& r : kRoutes)
    if (r.id == id) return &r;
  return nullptr;
}

// The window's own commands that the modification lock disables.
bool lockedOwnCommand(UINT id) {
  return id == ViewNode::CmNewNode || id == ViewNode::CmNewPosterBoardNode || id == ViewNode::CmNewGhostNode ||
         id == ViewNode::CmOpenNode || id == ViewNode::CmVerifyPage || id == ViewNode::CmPosterBoard;
}

}  // namespace

// ---------------------------------------------------------------------------
// Status fields

void ViewNode::updateStatusFields() {
  NodeRef* ref = nodeRef();
  String description;
  if (ref != nullptr) description = ref->Description();
  setStatusField(0, description.length() != 0 ? description.c_str() : " <no description available>");
  setStatusField(1, node() != nullptr ? node()->kind().c_str() : "");
  setStatusField(2, readOnly() ? "ReadOnly" : "Writable");
  setStatusField(3, modified_ && !readOnly() ? "Modified" : "");
  char zoomText[16];
  if (zoom() < 0) std::snprintf(zoomText, sizeof zoomText, "Fit");
  else std::snprintf(zoomText, sizeof zoomText, "%3d%%", zoom());
  setStatusField(4, zoomText);
}

void ViewNode::setModified(int flag) {
  modified_ = flag;
  NodeWindow::setModified(flag);
  setStatusField(3, flag && !readOnly() ? "Modified" : "");
}

void ViewNode::setZoom(int percent) {
  GraphicWindow::setZoom(percent);
  char zoomText[16];
  if (zoom() < 0) std::snprintf(zoomText, sizeof zoomText, "Fit");
  else std::snprintf(zoomText, sizeof zoomText, "%3d%%", zoom());
  setStatusField(4, zoomText);
}

// ---------------------------------------------------------------------------
// Messages

void ViewNode::SetupWindow() {
  GraphicWindow::SetupWindow();
  setZoom(initialZoom());
  if (sounds()) playSound("NXOPENWI.WAV");
}

void ViewNode::Paint(TDC& dc, bool erase, TRect& area) {
  if (area.left >= area.right || area.top >= area.bottom) return;
  if (font() == nullptr) {
    setFont(app_.font(Nexil::font0));
    if (font() == nullptr) {
      error(HWND_NOBOX, 'W', "ViewNode::WMPaint: Could not create graphics font");
      return;
    }
  }
  GraphicWindow::Paint(dc, erase, area);
}

void ViewNode::EvDestroy() {
  wrapUpNameEdits();
  GraphicWindow::EvDestroy();
  if (sounds()) playSound("NXCLOSE.WAV");
}

void ViewNode::EvRButtonDown(UINT keys, TPoint& p) {
  lastPoint_ = p;
  setOption(LeftButtonDown, false);
  GraphicWindow::EvRButtonDown(keys, p);
  wrapUpNameEdits();
}

void ViewNode::EvRButtonUp(UINT keys, TPoint& p) {
  if (keys & MK_LBUTTON) return;
  lastPoint_ = p;
  GMessage m;
  m.window = HWindow;
  m.message = WM_RBUTTONUP;
  m.keys = static_cast<WORD>(keys);
  m.position = packPoint(p.x, p.y);
  if (graphicAt(m) != nullptr) {
    GraphicWindow::EvRButtonUp(keys, p);
    return;
  }
  HMENU menu = createPopup();
  if (menu == nullptr) return;
  if (sounds()) playSound("NXPOPUP.WAV");
  POINT screen = p;
  ::ClientToScreen(HWindow, &screen);
  const UINT cmd = static_cast<UINT>(
      ::TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y, 0, HWindow, nullptr));
  ::DestroyMenu(menu);
  if (cmd != 0) EvCommand(cmd, nullptr, 0);
}

void ViewNode::EvLButtonDown(UINT keys, TPoint& p) {
  lastPoint_ = p;
  GraphicWindow::EvLButtonDown(keys, p);
}

void ViewNode::EvNCPaint() {
  GraphicWindow::EvNCPaint();
  if (node() != nullptr) node()->drawEnhancedNCArea();
}

void ViewNode::EvSetFocus(HWND lost) {
  GraphicWindow::EvSetFocus(lost);
  updateStatusFields();
}

void ViewNode::EvActivate(UINT active, bool minimized, HWND other) {
  GraphicWindow::EvActivate(active, minimized, other);
  if (!minimized && node() != nullptr) node()->drawEnhancedNCArea();
  if (active && sounds()) playSound("NXACTIVE.WAV");
}

void ViewNode::dispatchToGraphic(Graphic* g, GMessage& msg) {
  g->handleMessage(msg);
  // An annotation asks the window to delete it by leaving the command unhandled.
  const bool deletion = msg.keys == Annotation::CmDelete || msg.keys == Annotation::CmDeleteKey;
  if (deletion && msg.result != 0 && dynamic_cast<Annotation*>(g) != nullptr) {
    g->eraseGraphic();
    setModified(1);
  }
}

HMENU ViewNode::createPopup() {
  HMENU m = ::CreatePopupMenu();
  ::AppendMenu(m, MF_STRING, CmOpenNode, "Insert &Existing Idea Symbol...\tAlt+Insert");
  ::AppendMenu(m, MF_STRING, CmNewPosterBoardNode, "Insert &New Idea Symbol...\tInsert");
  return m;
}

POINT ViewNode::DPtoLP(POINT device) {
  deviceToLogical(device);
  return device;
}

// ---------------------------------------------------------------------------
// Commands

LRESULT ViewNode::EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) {
  TCommandEnabler enabler(id, HWindow);
  EvCommandEnable(enabler);
  if (!enabler.GetEnabled()) return 0;
  switch (id) {
    case CmNewNode: newNode(); return 0;
    case CmNewPosterBoardNode: newPosterBoardNode(); return 0;
    case CmNewGhostNode: CMNewGhostNode(); return 0;
    case CmOpenNode: OpenNode(); return 0;
    case CmVerifyPage: verifyPage(); return 0;
    case CmToggleColor: toggleColor(); return 0;
    case CmDeleteObjects: deleteObjects(); return 0;
    default: break;
  }
  if (const Route* r = routeOf(id)) {
    passToGraphic(id, r->selected, r->rescroll);
    return 0;
  }
  return GraphicWindow::EvCommand(id, hWndCtl, notifyCode);
}

bool ViewNode::passToGraphic(UINT id, bool selected, bool rescroll) {
  GMessage m;
  m.window = HWindow;
  m.message = WM_COMMAND;
  m.keys = static_cast<WORD>(id);
  POINT cursor = {0, 0};
  ::GetCursorPos(&cursor);
  m.position = packPoint(cursor.x, cursor.y);
  // The graphic under the last click, then (for the selection forms) every
  // selected one; each is asked once.
  GMessage at = m;
  at.message = WM_LBUTTONDOWN;
  at.position = packPoint(lastPoint_.x, lastPoint_.y);
  std::vector<SensitiveGraphic*> targets;
  if (SensitiveGraphic* g = graphicAt(at)) targets.push_back(g);
  if (selected) {
    for (SensitiveGraphic* g : sensitiveGraphics())
      if (g->isSelected() && std::find(targets.begin(), targets.end(), g) == targets.end()) targets.push_back(g);
  }
  bool taken = false;
  for (SensitiveGraphic* g : targets) {
    // A graphic may remove itself (or others) while it handles a command.
    const auto& now = sensitiveGraphics();
    if (std::find(now.begin(), now.end(), g) == now.end()) continue;
    GMessage copy = m;
    dispatchToGraphic(g, copy);
    if (copy.result == 0) taken = true;
  }
  if (rescroll) updateScrollBars(1);
  return taken;
}

bool ViewNode::modificationLocked() const {
  return (host_ != nullptr && (host_->options() & PageHost::ModificationLock)) || NodeWindow::readOnly();
}

void ViewNode::EvCommandEnable(TCommandEnabler& enabler) {
  const UINT id = enabler.GetId();
  const Route* r = routeOf(id);
  if (modificationLocked() && ((r != nullptr && r->lock) || lockedOwnCommand(id))) {
    enabler.Enable(false);
    return;
  }
  if (id == CmToggleColor) {
    enabler.Enable(true);
    enabler.SetCheck(colorMode() ? TCommandEnabler::Checked : TCommandEnabler::Unchecked);
    return;
  }
  GraphicWindow::EvCommandEnable(enabler);
}

void ViewNode::verifyPage() {
  WaitCursor wait;
  if (node() != nullptr) node()->verify(app_);
  int unrepresented = 0;
  for (SensitiveGraphic* g : std::vector<SensitiveGraphic*>(sensitiveGraphics())) {
    if (auto* s = dynamic_cast<NodeGNode*>(g)) {
      if (!s->hasValidRef()) ++unrepresented;
    }
  }
  if (unrepresented != 0) error(HWindow, 'W', "Found %d glyph(s) without representation in the hyperspace", unrepresented);
  else error(HWindow, 'z', "%s", "");
  updateScrollBars(1);
}

void ViewNode::toggleColor() {
  setColorMode(!colorMode());
  if (HWindow != nullptr) ::InvalidateRect(HWindow, nullptr, TRUE);
}

void ViewNode::deleteObjects() {
  deleteSelected();
  setModified(1);
}

void ViewNode::setToNormalState() {
  GraphicWindow::setToNormalState();
  wrapUpNameEdits();
}

// ---------------------------------------------------------------------------
// Closing and the clipboard

bool ViewNode::CanClose() {
  if (!GraphicWindow::CanClose()) return false;
  wrapUpNameEdits();
  Node* n = node();
  if (n == nullptr || n->readOnly()) return true;
  if (!modified_) return true;
  n->setModified(1);
  int answer = IDYES;
  if (confirmsSave()) {
    char caption[256] = "";
    GetWindowText(caption, sizeof caption);
    char question[400];
    std::snprintf(question, sizeof question, "Information in the page '%s' has changed, save it?", caption);
    answer = ::MessageBox(HWindow, question, "Tavix: Save?", MB_YESNOCANCEL | MB_ICONQUESTION);
  }
  if (answer == IDCANCEL) return false;
  if (answer == IDYES) n->save(app_, 1);
  return true;
}

void ViewNode::setClipBoardData() {
  // The page's map text is written in memory (no file is left behind if the
  // copy is cut short), then handed to the clipboard as one block.
  std::ostringstream text;
  const LONG status = writePage(text);
  if (status < 0) error(HWindow, 'E', "ViewNode::setClipBoardData: bad status from a save-to-clipborad: %d", static_cast<int>(status));
  const std::string bytes = text.str();
  const std::size_t size = bytes.size() + 1;
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (block == nullptr) {
    error(HWindow, 'E', "Unable to allocate memory of size %lu for clipboard copy for Tavix Format",
          static_cast<unsigned long>(size));
  } else {
    char* p = static_cast<char*>(::GlobalLock(block));
    if (p != nullptr) {
      std::memcpy(p, bytes.data(), bytes.size());
      p[size - 1] = '\0';
      ::GlobalUnlock(block);
    }
    if (::SetClipboardData(::RegisterClipboardFormat(ClipboardFormat), block) == nullptr) {
      error(HWindow, 'E', "Failed to set clipboard Tavix data");
    }
  }
  GraphicWindow::setClipBoardData();
}
