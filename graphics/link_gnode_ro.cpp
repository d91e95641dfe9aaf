// The read-only link box's menu (see link_gnode_ro.h).
#include "graphics/link_gnode_ro.h"

#include "platform/win/menu.h"

LinkGNodeRO::~LinkGNodeRO() = default;

HMENU LinkGNodeRO::createPopup() {
  HMENU m = ::CreatePopupMenu();
  ::AppendMenu(m, MF_STRING, CmPushToBack, "Push to &Back");
  ::AppendMenu(m, MF_STRING, CmDeleteFromPage, "&Delete From Page");
  return m;
}
