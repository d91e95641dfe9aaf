// Menus: popup menus with items, separators, grayed and checked items and
// submenus, tracked through the current Desktop (platform/system/desktop.h), which
// answers with the command a person chose. A choice that names no enabled
// command item of the menu (a separator, a grayed item, a submenu, or an
// identifier not in the menu) counts as no choice.
#ifndef PLATFORM_MENU_H
#define PLATFORM_MENU_H

#include <string>
#include <vector>

#include "platform/windows_types.h"

#define MF_STRING 0x0000u
#define MF_ENABLED 0x0000u
#define MF_UNCHECKED 0x0000u
#define MF_BYCOMMAND 0x0000u
#define MF_GRAYED 0x0001u
#define MF_DISABLED 0x0002u
#define MF_CHECKED 0x0008u
#define MF_POPUP 0x0010u
#define MF_BYPOSITION 0x0400u
#define MF_SEPARATOR 0x0800u

#define TPM_LEFTALIGN 0x0000u
#define TPM_LEFTBUTTON 0x0000u
#define TPM_RIGHTBUTTON 0x0002u
#define TPM_NONOTIFY 0x0080u
#define TPM_RETURNCMD 0x0100u

class Menu {
 public:
  struct Item {
    UINT flags = 0;
    UINT id = 0;
    HMENU submenu = nullptr;  // owned by the menu (destroyed with it)
    std::string text;
  };
  std::vector<Item> items;

  // The item with command `id` anywhere in the tree (submenus included), or null.
  // The walk is bounded by the number of menus that exist.
  Item* findCommand(UINT id, int depth = 0);
  // The items as the scripted desktop records them.
  std::string describe(int depth = 0) const;
};

Menu* findMenu(HMENU menu);

HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);
// For MF_POPUP, `idOrSubmenu` is the submenu's handle (the menu then owns it).
BOOL AppendMenu(HMENU menu, UINT flags, uintptr_t idOrSubmenu, const char* text);
BOOL InsertMenu(HMENU menu, UINT position, UINT flags, uintptr_t idOrSubmenu, const char* text);
// Returns the previous check state (MF_CHECKED or MF_UNCHECKED), or -1 for no such item.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
// Returns the previous state (MF_ENABLED, MF_GRAYED ...), or -1 for no such item.
BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
int GetMenuString(HMENU menu, UINT item, char* out, int size, UINT flags);
HMENU GetSubMenu(HMENU menu, int position);
// Sends WM_INITMENUPOPUP to the owner (which may enable, gray and check items),
// then asks the desktop. With TPM_RETURNCMD returns the command chosen (0 for none);
// otherwise posts WM_COMMAND with it to `owner` and returns TRUE when one was chosen.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);

#endif  // PLATFORM_MENU_H
