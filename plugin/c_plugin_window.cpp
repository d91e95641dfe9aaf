// The plug-in window: the page, its history and the status strip (see
// c_plugin_window.h).
#include "plugin/c_plugin_window.h"

#include <cstdlib>
#include <cstring>

#include "core/db.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/view_node.h"
#include "kit/error.h"
#include "platform/owl/t_control.h"
#include "platform/owl/t_dc.h"
#include "platform/system/system.h"
#include "plugin/np_plugin.h"
#include "plugin/orvane_nexil.h"

namespace {

const char* const kLoading = "Tavix: Loading hyperbase...";

}  // namespace

CPluginWindow::CPluginWindow(TWindow* parent, OrvaneNexil& manager)
    : OrvaneWindow(parent, nullptr, manager), stripHeight_(stripHeight()) {
  Attr.Style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
  const int h = stripHeight_;
  backButton_ = std::make_unique<TButton>(this, BackId, "Back", 0, 0, 3 * h, h - 1);
  helpButton_ = std::make_unique<TButton>(this, HelpId, "Help", 0, 0, 3 * h, h - 1);
  // Back is shown once there is a page to go back to.
  backButton_->Attr.Style &= ~static_cast<DWORD>(WS_VISIBLE);
}

CPluginWindow::~CPluginWindow() {
  // The pages go before the buttons and the window itself.
  dropPages();
}

bool CPluginWindow::backShown() const {
  return backButton_->HWindow != nullptr && backButton_->IsWindowVisible();
}

TRect CPluginWindow::statusRect() const {
  const TRect c = GetClientRect();
  return TRect(c.left, c.bottom - stripHeight_ - 1, c.right, c.bottom);
}

void CPluginWindow::layOut() {
  if (HWindow == nullptr) return;
  const TRect c = GetClientRect();
  const int h = stripHeight_;
  backButton_->MoveWindow(c.right - 6 * h, c.bottom - (h - 1), 3 * h, h - 1, true);
  helpButton_->MoveWindow(c.right - 3 * h, c.bottom - (h - 1), 3 * h, h - 1, true);
  if (ViewNode* page = currentPage()) {
    if (page->HWindow != nullptr) page->MoveWindow(c.left, c.top, c.right - c.left, c.bottom - c.top - h, true);
  }
}

void CPluginWindow::SetupWindow() {
  OrvaneWindow::SetupWindow();
  setUp_ = true;
  layOut();
}

void CPluginWindow::EvSize(UINT sizeType, TSize& size) {
  NexilWindow::EvSize(sizeType, size);
  layOut();
  Invalidate(true);
}

void CPluginWindow::Paint(TDC& dc, bool, TRect&) {
  if (!setUp_) SetupWindow();
  dc.TextOut(10, 10, kLoading);
  const TRect c = GetClientRect();
  dc.MoveTo(c.left, c.bottom - stripHeight_);
  dc.LineTo(c.right, c.bottom - stripHeight_);
  if (!status_.empty()) {
    const TRect s = statusRect();
    const UINT old = dc.SetTextAlign(TA_BOTTOM | TA_LEFT);
    dc.TextOut(s.left + 5, s.bottom - 2, status_.c_str());
    dc.SetTextAlign(old);
  }
}

LRESULT CPluginWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const UINT press = msg == WM_PARENTNOTIFY ? LOWORD(wParam) : msg;
  if ((press == WM_LBUTTONDOWN || press == WM_RBUTTONDOWN || press == WM_MBUTTONDOWN ||
       press == WM_LBUTTONDBLCLK || press == WM_RBUTTONDBLCLK) &&
      NPPlugin::manager() == &manager() && manager().mainWindow() != this) {
    NPPlugin::makeMain(this);
  }
  return OrvaneWindow::WindowProc(msg, wParam, lParam);
}

LRESULT CPluginWindow::EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) {
  switch (id) {
    case BackId: goBack(); return 0;
    case HelpId: ::WinHelp(HWindow, HelpFile, HELP_CONTENTS, 0); return 0;
    default: return OrvaneWindow::EvCommand(id, hWndCtl, notifyCode);
  }
}

int CPluginWindow::loadNode(TWindow* parent, NodeRef& ref, int option, int unused, TRect* from, bool show) {
  const int result = OrvaneWindow::loadNode(parent, ref, option, unused, from, show);
  if (history().size() > 1 && backButton_->HWindow != nullptr) backButton_->Show(SW_SHOW);
  if (ViewNode* page = currentPage()) {
    Node* node = page->node();
    status_ = node != nullptr ? node->name().c_str() : "";
  }
  if (HWindow != nullptr) InvalidateRect(statusRect(), true);
  return result;
}

DB* CPluginWindow::bookShown() const { return book() != nullptr ? book() : manager().currentDB(); }

void CPluginWindow::goBack() {
  std::vector<String>& h = history();
  if (h.size() < 2) return;
  const String leaving = h.back();
  h.pop_back();
  // Entries are decimal ids; one that is not names the page as a reference does.
  const char* entry = h.back().c_str();
  char* end = nullptr;
  const unsigned long id = std::strtoul(entry, &end, 10);
  NodeRef ref = (end != entry && *end == '\0' && id <= 0xFFFFFFFFul) ? NodeRef(bookShown(), static_cast<ULONG>(id))
                                                                     : NodeRef(entry, bookShown());
  if (loadNode(this, ref, 6, 0, nullptr, true) == 0) {
    if (!h.empty()) h.pop_back();  // loading put the page in again
  } else {
    // The page before could not be shown (reported): the shown one stays, and
    // the one that failed is dropped from the history.
    h.pop_back();
    h.push_back(leaving);
  }
  if (backButton_->HWindow != nullptr) backButton_->Show(h.size() >= 2 ? SW_SHOW : SW_HIDE);
}

void CPluginWindow::gotoNode(const char* name) {
  NodeRef ref(name != nullptr ? name : "", bookShown());
  if (ref.resolve(manager()) == 2 || ref.db() == nullptr) {
    error(HWindow, 'W', "Unable to load node, bad node reference given: '%s'", name != nullptr ? name : "");
    return;
  }
  loadNode(this, ref, 6, 0, nullptr, true);
}

std::vector<char> CPluginWindow::historyToBlock() const {
  std::vector<char> block;
  for (const String& entry : history()) {
    block.insert(block.end(), entry.c_str(), entry.c_str() + std::strlen(entry.c_str()));
    block.push_back('\0');
  }
  block.push_back('\0');
  return block;
}

void CPluginWindow::historyFromBlock(const char* block, std::size_t length) {
  std::vector<String>& h = history();
  h.clear();
  if (block == nullptr) return;
  std::size_t at = 0;
  // Entries end at their NUL; an empty one (or the end of the block) ends the list.
  while (at < length && block[at] != '\0') {
    std::size_t end = at;
    while (end < length && block[end] != '\0') ++end;
    if (end >= length) break;  // an unterminated entry is not taken
    h.emplace_back(std::string(block + at, end - at).c_str());
    at = end + 1;
  }
}
