// Reading windows back: names, texts, relations, enumeration, styles.
#include <cstring>

#include "platform/linux/user/controls.h"
#include "platform/linux/user/window_class.h"

using namespace winlayer;

int WINAPI GetClassNameA(HWND window, LPSTR buffer, int size) {
    Window* w = findWindow(window);
    if (w == nullptr || buffer == nullptr || size <= 0) return 0;
    return static_cast<int>(
        copyText(w->className, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

LONG WINAPI GetWindowLongA(HWND window, int index) {
    Window* w = findWindow(window);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (index == GWL_STYLE) return static_cast<LONG>(w->style);
    if (index == GWL_EXSTYLE) return static_cast<LONG>(w->exStyle);
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

HWND WINAPI GetParent(HWND window) {
    Window* w = findWindow(window);
    if (w == nullptr) return nullptr;
    return w->parent != nullptr ? w->parent : w->owner;
}

HWND WINAPI GetWindow(HWND window, UINT relation) {
    Window* w = findWindow(window);
    if (w == nullptr || relation != GW_OWNER) return nullptr;
    return w->owner;
}

int WINAPI GetWindowTextA(HWND window, LPSTR buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = 0;
    if (findWindow(window) == nullptr) return 0;
    return static_cast<int>(
        SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    if (findWindow(window) == nullptr) return FALSE;
    return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
    for (HWND child : childrenOf(dialog)) {
        Window* w = findWindow(child);
        if (w != nullptr && w->id == id) return child;
    }
    return nullptr;
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size) {
    if (buffer != nullptr && size > 0) buffer[0] = 0;
    HWND item = GetDlgItem(dialog, id);
    if (item == nullptr) return 0;
    return static_cast<UINT>(GetWindowTextA(item, buffer, size));
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    HWND item = GetDlgItem(dialog, id);
    return item != nullptr ? SetWindowTextA(item, text) : FALSE;
}

BOOL WINAPI EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM param) {
    if (proc == nullptr || threadId != GetCurrentThreadId()) return FALSE;
    for (HWND handle : childrenOf(nullptr)) {
        Window* w = findWindow(handle);
        if (w == nullptr || w->destroyed) continue;
        if (!proc(handle, param)) return FALSE;
    }
    return TRUE;
}

BOOL WINAPI IsWindowEnabled(HWND window) {
    Window* w = findWindow(window);
    return w != nullptr && w->enabled ? TRUE : FALSE;
}
