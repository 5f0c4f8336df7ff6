// Menu resources: the menus of the resource script, embedded as tables, and
// the Qt menu bar built from them.
#pragma once

#include "platform/linux/winapi.h"

class QMenuBar;

namespace winlayer {

struct MenuItemDef {
    const char* text;  // with "&" before the mnemonic; empty for a separator
    int id;            // command identifier, 0 for a pop-up or separator
    int popup;         // index of the pop-up menu in Menus, or -1
};

struct MenuDef {
    const MenuItemDef* items;
    int count;
};

struct MenuRoot {
    const char* name;  // resource name
    int menu;          // index in Menus
};

extern const MenuDef Menus[];       // every menu and pop-up of the script
extern const int MenuCount;         // their number
extern const MenuRoot MenuRoots[];  // the named menu resources
extern const int MenuRootCount;     // their number

// The menu resource of that name (case-insensitive), or null.
HMENU loadMenuResource(const char* name);

// Fills a Qt menu bar from a menu; choosing an item posts WM_COMMAND to owner.
void buildMenuBar(QMenuBar* bar, HMENU menu, HWND owner);

}  // namespace winlayer
