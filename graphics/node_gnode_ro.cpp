// The read-only idea symbol: pages and web addresses (see node_gnode_ro.h).
#include "graphics/node_gnode_ro.h"

#include <vector>

#include "core/node_ref.h"
#include "graphics/view_node.h"
#include "kit/error.h"
#include "platform/system/desktop.h"
#include "platform/win/menu.h"

namespace {

NodeGNodeRO::UrlHook gUrlHook = nullptr;

}  // namespace

void NodeGNodeRO::setUrlHook(UrlHook hook) { gUrlHook = hook; }

NodeGNodeRO::~NodeGNodeRO() = default;

std::string NodeGNodeRO::findURL() const {
  if (ref_ == nullptr) return std::string();
  int len = 0;
  if (ref_->getAttributeLen("URL", len) != 0 || len <= 0) return std::string();
  // The attribute's length is the book's word; the buffer is bounded by it and
  // the answer is taken only up to its first NUL.
  std::vector<char> buf(static_cast<std::size_t>(len) + 1, '\0');
  int got = len;
  if (ref_->getAttribute("URL", buf.data(), got) != 0) return std::string();
  return std::string(buf.data());
}

bool NodeGNodeRO::hasPage() {
  ViewNode* p = page();
  return p != nullptr && hasValidRef() && !ref_->isEmpty(p->application());
}

std::string NodeGNodeRO::addressOf(const std::string& stored) {
  std::size_t i = 0;
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (!stored.empty() && letter(stored[0])) {
    i = 1;
    while (i < stored.size() && (letter(stored[i]) || digit(stored[i]) || stored[i] == '+' || stored[i] == '-' ||
                                 stored[i] == '.')) {
      ++i;
    }
    // One letter and a colon is a drive, not a scheme.
    if (i > 1 && i < stored.size() && stored[i] == ':') return stored;
  }
  return stored.size() > 2 ? stored.substr(2) : std::string();
}

void NodeGNodeRO::gotoURL() {
  const std::string url = addressOf(findURL());
  if (url.empty()) return;
  if (gUrlHook == nullptr) {
    error(nullptr, 'E', "Failed to get an instance when processing a URL");
    return;
  }
  gUrlHook(*this, url.c_str());
}

void NodeGNodeRO::gotoNode() {
  ViewNode* p = page();
  if (p == nullptr) return;
  const bool page = hasPage(), web = !findURL().empty();
  if (page && web) {
    const int answer = ::MessageBox(p->HWindow,
                                    "This node refers to both a Tavix page and to a WWW URL.\n"
                                    "Do you want to go to the WWW URL (yes)? or the Tavix page (no)",
                                    "Which One?", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES) gotoURL();
    else if (answer == IDNO) openPage();
    return;
  }
  if (web) gotoURL();
  else if (page) openPage();
}

void NodeGNodeRO::handleMessage(GMessage& msg) {
  if (page() == nullptr) return;
  switch (msg.keys) {
    case CmOpenURL: gotoURL(); return;
    case CmOpenPageRO: openPage(); return;
    default: NodeGNode::handleMessage(msg);
  }
}

HMENU NodeGNodeRO::createPopup() {
  HMENU m = ::CreatePopupMenu();
  HMENU show = ::CreatePopupMenu();
  ::AppendMenu(show, MF_STRING, CmExpand1, "&1 level\tShift+Dbl-Left");
  ::AppendMenu(show, MF_STRING, CmExpandN, "&n levels...");
  ::AppendMenu(m, MF_POPUP, reinterpret_cast<UINT_PTR>(show), "S&how Links");
  ::AppendMenu(m, MF_SEPARATOR, 0, nullptr);
  if (hasPage()) ::AppendMenu(m, MF_STRING, CmOpenPageRO, "&Open Page\tDbl-Left");
  if (!findURL().empty()) ::AppendMenu(m, MF_STRING, CmOpenURL, "&Open URL\tDbl-Left");
  ::AppendMenu(m, MF_STRING, CmAutoSize, "&Auto Size");
  ::AppendMenu(m, MF_STRING, CmPushToBack, "Push to &Back");
  ::AppendMenu(m, MF_SEPARATOR, 0, nullptr);
  ::AppendMenu(m, MF_STRING, CmDelete, hasValidRef() ? "&Delete Idea Symbol" : "&Delete Placeholder");
  return m;
}

void NodeGNodeRO::WMLButtonDblClk(GMessage& msg) {
  if (cursorKind(logicalPoint(msg)) != PageCursors::Hand) return;
  if (msg.keys & 0x0004) expandLinks(1, nullptr);
  else gotoNode();
}
