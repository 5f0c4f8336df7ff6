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
    return reinterpret_cast<HMENU>(const_cast<MenuDef*>(&Menus[index]));
}

const MenuDef* menuOf(HMENU menu) {
    for (int i = 0; i < MenuCount; ++i) {
        if (handleOf(i) == menu) return &Menus[i];
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
            fillMenu(popup, Menus[item.popup], owner);
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

}  // namespace

HMENU loadMenuResource(const char* name) {
    if (name == nullptr) return nullptr;
    for (int i = 0; i < MenuRootCount; ++i) {
        if (IS_INTRESOURCE(name) ? false : sameName(MenuRoots[i].name, name))
            return handleOf(MenuRoots[i].menu);
    }
    return nullptr;
}

void buildMenuBar(QMenuBar* bar, HMENU menu, HWND owner) {
    if (const MenuDef* def = menuOf(menu)) fillMenu(bar, *def, owner);
}

}  // namespace winlayer
