// Menus and their tracking (see menu.h).
#include "platform/win/menu.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "platform/system/desktop.h"
#include "platform/win/windows_user.h"

namespace {

std::map<uintptr_t, std::unique_ptr<Menu>>& menus() {
  static std::map<uintptr_t, std::unique_ptr<Menu>> table;
  return table;
}
uintptr_t g_nextMenu = 0xC0000;

// Menus nest at most this deep when searched or described.
const int kMaxDepth = 16;

HMENU makeMenu() {
  uintptr_t h = g_nextMenu;
  g_nextMenu += 4;
  menus()[h] = std::make_unique<Menu>();
  return reinterpret_cast<HMENU>(h);
}

Menu::Item* itemOf(HMENU menu, UINT item, UINT flags) {
  Menu* m = findMenu(menu);
  if (m == nullptr) return nullptr;
  if ((flags & MF_BYPOSITION) != 0) return item < m->items.size() ? &m->items[item] : nullptr;
  return m->findCommand(item);
}

}  // namespace

Menu* findMenu(HMENU menu) {
  auto it = menus().find(reinterpret_cast<uintptr_t>(menu));
  return it == menus().end() ? nullptr : it->second.get();
}

Menu::Item* Menu::findCommand(UINT id, int depth) {
  if (depth > kMaxDepth) return nullptr;
  for (Item& i : items) {
    if ((i.flags & MF_POPUP) != 0) {
      if (Menu* sub = findMenu(i.submenu)) {
        if (Item* found = sub->findCommand(id, depth + 1)) return found;
      }
    } else if ((i.flags & MF_SEPARATOR) == 0 && i.id == id) {
      return &i;
    }
  }
  return nullptr;
}

std::string Menu::describe(int depth) const {
  std::string s;
  for (std::size_t n = 0; n < items.size(); ++n) {
    const Item& i = items[n];
    if (n != 0) s += '|';
    if ((i.flags & MF_SEPARATOR) != 0) {
      s += '-';
      continue;
    }
    std::string t = ((i.flags & MF_CHECKED) != 0 ? "*" : "") + i.text;
    if ((i.flags & MF_POPUP) != 0) {
      const Menu* sub = findMenu(i.submenu);
      t += "{" + (sub != nullptr && depth < kMaxDepth ? sub->describe(depth + 1) : std::string()) + "}";
    }
    if ((i.flags & (MF_GRAYED | MF_DISABLED)) != 0) t = "[" + t + "]";
    s += t;
  }
  return s;
}

HMENU CreatePopupMenu() { return makeMenu(); }
BOOL IsMenu(HMENU menu) { return findMenu(menu) != nullptr; }

BOOL DestroyMenu(HMENU menu) {
  auto it = menus().find(reinterpret_cast<uintptr_t>(menu));
  if (it == menus().end()) return FALSE;
  std::unique_ptr<Menu> m = std::move(it->second);
  menus().erase(it);
  // Submenus go with their menu; each is erased before its own are visited, so
  // a menu that (wrongly) contains itself ends the walk.
  for (const Menu::Item& i : m->items)
    if ((i.flags & MF_POPUP) != 0) DestroyMenu(i.submenu);
  return TRUE;
}

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, uintptr_t idOrSubmenu, const char* text) {
  Menu* m = findMenu(menu);
  if (m == nullptr) return FALSE;
  Menu::Item item;
  item.flags = flags & ~MF_BYPOSITION;
  if ((flags & MF_POPUP) != 0) {
    item.submenu = reinterpret_cast<HMENU>(idOrSubmenu);
    if (findMenu(item.submenu) == nullptr || item.submenu == menu) return FALSE;
  } else {
    item.id = static_cast<UINT>(idOrSubmenu);
  }
  if (text != nullptr && (flags & MF_SEPARATOR) == 0) item.text = text;
  std::size_t at = m->items.size();
  if ((flags & MF_BYPOSITION) != 0) {
    at = std::min<std::size_t>(position, m->items.size());
  } else if (position != 0xFFFFFFFFu) {
    for (std::size_t i = 0; i < m->items.size(); ++i)
      if (m->items[i].id == position && (m->items[i].flags & MF_POPUP) == 0) at = i;
  }
  m->items.insert(m->items.begin() + static_cast<std::ptrdiff_t>(at), item);
  return TRUE;
}

BOOL AppendMenu(HMENU menu, UINT flags, uintptr_t idOrSubmenu, const char* text) {
  return InsertMenu(menu, 0xFFFFFFFFu, flags & ~MF_BYPOSITION, idOrSubmenu, text);
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags) {
  Menu::Item* i = itemOf(menu, item, flags);
  if (i == nullptr) return 0xFFFFFFFFu;
  DWORD old = i->flags & MF_CHECKED;
  i->flags = (i->flags & ~MF_CHECKED) | (flags & MF_CHECKED);
  return old;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags) {
  Menu::Item* i = itemOf(menu, item, flags);
  if (i == nullptr) return -1;
  BOOL old = static_cast<BOOL>(i->flags & (MF_GRAYED | MF_DISABLED));
  i->flags = (i->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return old;
}

int GetMenuItemCount(HMENU menu) {
  Menu* m = findMenu(menu);
  return m != nullptr ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  Menu* m = findMenu(menu);
  if (m == nullptr || position < 0 || static_cast<std::size_t>(position) >= m->items.size()) return 0xFFFFFFFFu;
  const Menu::Item& i = m->items[static_cast<std::size_t>(position)];
  return (i.flags & MF_POPUP) != 0 ? 0xFFFFFFFFu : i.id;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  Menu::Item* i = itemOf(menu, item, flags);
  return i != nullptr ? i->flags : 0xFFFFFFFFu;
}

int GetMenuString(HMENU menu, UINT item, char* out, int size, UINT flags) {
  Menu::Item* i = itemOf(menu, item, flags);
  if (i == nullptr) return 0;
  int n = static_cast<int>(i->text.size());
  if (out == nullptr || size <= 0) return n;
  n = std::min(n, size - 1);
  std::memcpy(out, i->text.data(), static_cast<std::size_t>(n));
  out[n] = '\0';
  return n;
}

HMENU GetSubMenu(HMENU menu, int position) {
  Menu* m = findMenu(menu);
  if (m == nullptr || position < 0 || static_cast<std::size_t>(position) >= m->items.size()) return nullptr;
  return m->items[static_cast<std::size_t>(position)].submenu;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  if (findMenu(menu) == nullptr) return FALSE;
  // The owner enables and checks the items first (its command enablers).
  if (owner != nullptr) SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
  if (findMenu(menu) == nullptr) return FALSE;
  UINT chosen = currentDesktop().trackPopupMenu(owner, menu, x, y);
  // The menu may have been changed or destroyed while it was up.
  Menu* m = findMenu(menu);
  Menu::Item* item = m != nullptr && chosen != 0 ? m->findCommand(chosen) : nullptr;
  if (item == nullptr || (item->flags & (MF_GRAYED | MF_DISABLED)) != 0) chosen = 0;
  if ((flags & TPM_RETURNCMD) != 0) return static_cast<BOOL>(chosen);
  if (chosen == 0) return FALSE;
  if ((flags & TPM_NONOTIFY) == 0 && owner != nullptr) PostMessage(owner, WM_COMMAND, chosen, 0);
  return TRUE;
}
