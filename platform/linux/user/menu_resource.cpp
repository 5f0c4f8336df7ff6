// Menu handles point at the embedded menu tables; the menu bar of a
// top-level window is built from them, and a chosen item is posted to the
// window as WM_COMMAND with the item's identifier, as Windows does.
#include "platform/linux/user/menu_resource.h"

#include <QMenu>
#include <QMenuBar>
#include <cstring>

#include "platform/linux/user/text_codec.h"
#include "platform/linux/user/window_class.h"
#include "platform/linux/user/window_table.h"

namespace winlayer {
namespace {

HMENU handleOf(int index) {
    return reinterpret_cast<HMENU>(const_cast<MenuDef*>(&kMenus[index]));
}

const MenuDef* menuOf(HMENU menu) {
    for (int i = 0; i < kMenuCount; ++i) {
        if (handleOf(i) == menu) return &kMenus[i];
    }
    return nullptr;
}

void fillMenu(QWidget* target, const MenuDef& def, HWND owner) {
    for (int i = 0; i < def.count; ++i) {
        const MenuItemDef& item = def.items[i];
        QString text = toQt(item.text);
        QAction* action = nullptr;
        if (item.popup >= 0) {
            QMenu* popup = new QMenu(text, target);
            fillMenu(popup, kMenus[item.popup], owner);
            action = popup->menuAction();
        } else if (item.text[0] == 0) {
            action = new QAction(target);
            action->setSeparator(true);
        } else {
            action = new QAction(text, target);
            int id = item.id;
            QObject::connect(action, &QAction::triggered,
                             [owner, id] { PostMessageA(owner, WM_COMMAND, MAKEWPARAM(id, 0), 0); });
        }
        target->addAction(action);
    }
}

// Finds an item by command identifier, searching pop-ups too.
const MenuItemDef* findCommand(const MenuDef& def, UINT id) {
    for (int i = 0; i < def.count; ++i) {
        const MenuItemDef& item = def.items[i];
        if (item.popup >= 0) {
            if (const MenuItemDef* found = findCommand(kMenus[item.popup], id)) return found;
        } else if (item.text[0] != 0 && static_cast<UINT>(item.id) == id) {
            return &item;
        }
    }
    return nullptr;
}

}  // namespace

HMENU loadMenuResource(const char* name) {
    if (name == nullptr) return nullptr;
    for (int i = 0; i < kMenuRootCount; ++i) {
        if (IS_INTRESOURCE(name) ? false : sameName(kMenuRoots[i].name, name))
            return handleOf(kMenuRoots[i].menu);
    }
    return nullptr;
}

void buildMenuBar(QMenuBar* bar, HMENU menu, HWND owner) {
    if (const MenuDef* def = menuOf(menu)) fillMenu(bar, *def, owner);
}

}  // namespace winlayer

using namespace winlayer;

HMENU WINAPI GetMenu(HWND window) {
    Window* w = findWindow(window);
    return w != nullptr && w->top ? w->menu : nullptr;
}

HMENU WINAPI GetSubMenu(HMENU menu, int position) {
    const MenuDef* def = menuOf(menu);
    if (def == nullptr || position < 0 || position >= def->count || def->items[position].popup < 0)
        return nullptr;
    return handleOf(def->items[position].popup);
}

int WINAPI GetMenuItemCount(HMENU menu) {
    const MenuDef* def = menuOf(menu);
    if (def == nullptr) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return -1;
    }
    return def->count;
}

UINT WINAPI GetMenuItemID(HMENU menu, int position) {
    const MenuDef* def = menuOf(menu);
    if (def == nullptr || position < 0 || position >= def->count || def->items[position].popup >= 0) {
        return static_cast<UINT>(-1);
    }
    return static_cast<UINT>(def->items[position].id);
}

int WINAPI GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags) {
    const MenuDef* def = menuOf(menu);
    if (def == nullptr) return 0;
    const MenuItemDef* found = nullptr;
    if (flags & MF_BYPOSITION) {
        if (item < static_cast<UINT>(def->count)) found = &def->items[item];
    } else {
        found = findCommand(*def, item);
    }
    if (found == nullptr) return 0;
    int length = static_cast<int>(std::strlen(found->text));
    if (buffer == nullptr || size <= 0) return length;
    int copied = length < size - 1 ? length : size - 1;
    std::memcpy(buffer, found->text, static_cast<size_t>(copied));
    buffer[copied] = 0;
    return copied;
}
