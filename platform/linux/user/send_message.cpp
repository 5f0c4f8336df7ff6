// SendMessageA calls the window's procedure (or the control's handler)
// directly; DefWindowProcA keeps the caption and closes on WM_CLOSE.
#include <QWidget>
#include <cstring>

#include "platform/linux/user/controls.h"
#include "platform/linux/user/message_loop.h"
#include "platform/linux/user/qt_app.h"
#include "platform/linux/user/text_codec.h"

namespace winlayer {

LRESULT copyText(const std::string& text, WPARAM capacity, LPARAM buffer) {
    char* out = reinterpret_cast<char*>(buffer);
    if (out == nullptr || capacity == 0) return 0;
    size_t count = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(out, text.data(), count);
    out[count] = 0;
    return static_cast<LRESULT>(count);
}

}  // namespace winlayer

using namespace winlayer;

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ensureApp();
    if (findWindow(window) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return deliver(window, message, wParam, lParam);
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = findWindow(window);
    if (w == nullptr) return 0;
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_SETTEXT:
            w->text = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
            if (w->top && w->widget) w->widget->setWindowTitle(toQt(w->text));
            return TRUE;
        case WM_GETTEXT:
            return copyText(w->text, wParam, lParam);
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(w->text.size());
        case WM_CREATE:
            return 0;
        default:
            return 0;
    }
}
