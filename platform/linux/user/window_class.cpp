// RegisterClassA / UnregisterClassA: the names of registered classes, their
// procedures and the resources they name.
#include "platform/linux/user/window_class.h"

#include <memory>
#include <vector>

#include "platform/linux/user/menu_resource.h"
#include "platform/linux/user/window_table.h"

namespace winlayer {
namespace {

std::vector<std::unique_ptr<WindowClass>> classes;  // registered classes
ATOM nextAtom = 0xC001;                             // atom of the next class

unsigned char lower(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? u + 32 : u;
}

}  // namespace

bool sameName(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return false;
    for (; *a != 0 && *b != 0; ++a, ++b) {
        if (lower(*a) != lower(*b)) return false;
    }
    return *a == *b;
}

const WindowClass* findClass(const char* name) {
    if (name == nullptr || IS_INTRESOURCE(name)) return nullptr;
    for (auto& c : classes) {
        if (sameName(c->name.c_str(), name)) return c.get();
    }
    return nullptr;
}

}  // namespace winlayer

using namespace winlayer;

ATOM WINAPI RegisterClassA(const WNDCLASSA* wndClass) {
    if (wndClass == nullptr || wndClass->lpszClassName == nullptr ||
        IS_INTRESOURCE(wndClass->lpszClassName) || wndClass->lpszClassName[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (findClass(wndClass->lpszClassName) != nullptr) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto c = std::make_unique<WindowClass>();
    c->name = wndClass->lpszClassName;
    c->proc = wndClass->lpfnWndProc;
    c->icon = wndClass->hIcon;
    c->menu = wndClass->lpszMenuName != nullptr ? loadMenuResource(wndClass->lpszMenuName) : nullptr;
    classes.push_back(std::move(c));
    return nextAtom++;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE) {
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        if (sameName((*it)->name.c_str(), className)) {
            for (HWND window : childrenOf(nullptr)) {
                Window* w = findWindow(window);
                if (w != nullptr && sameName(w->className.c_str(), className)) {
                    SetLastError(ERROR_CLASS_HAS_WINDOWS);
                    return FALSE;
                }
            }
            classes.erase(it);
            return TRUE;
        }
    }
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
}
