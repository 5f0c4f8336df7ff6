// CreateWindowExA, DestroyWindow, IsWindow. A registered class gets a
// top-level Qt window (or a plain child widget); EDIT, LISTBOX and BUTTON get
// the layer's emulated controls.
#include <cstring>

#include "platform/linux/user/controls.h"
#include "platform/linux/user/message_loop.h"
#include "platform/linux/user/qt_app.h"
#include "platform/linux/user/top_window.h"
#include "platform/linux/user/window_class.h"

namespace winlayer {
namespace {

using ControlMaker = std::unique_ptr<ControlState> (*)(Window&, QWidget*, const std::string&);

std::unique_ptr<ControlState> listBoxMaker(Window& w, QWidget* parent, const std::string&) {
    return makeListBox(w, parent);
}

struct Predefined {
    const char* name;
    ControlMaker make;
};

const Predefined PredefinedClasses[] = {
    {"EDIT", makeEdit}, {"LISTBOX", listBoxMaker}, {"BUTTON", makeButton}};

const Predefined* findPredefined(const char* name) {
    if (name == nullptr || IS_INTRESOURCE(name)) return nullptr;
    for (const Predefined& p : PredefinedClasses) {
        if (sameName(p.name, name)) return &p;
    }
    return nullptr;
}

// A default place for CW_USEDEFAULT: staggered like the platform's cascade.
int nextDefaultPosition() {
    static int step = 0;
    int position = 26 + 26 * (step % 8);
    ++step;
    return position;
}

void sendDestroy(HWND handle) {
    Window* w = findWindow(handle);
    if (w == nullptr || w->destroyed) return;
    w->destroyed = true;
    deliver(handle, WM_DESTROY, 0, 0);
    for (HWND child : childrenOf(handle)) sendDestroy(child);
}

void removeTree(HWND handle) {
    for (HWND child : childrenOf(handle)) removeTree(child);
    forgetWindowMessages(handle);
    removeWindow(handle);
}

}  // namespace
}  // namespace winlayer

using namespace winlayer;

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                            LPVOID param) {
    ensureApp();
    const Predefined* predefined = findPredefined(className);
    const WindowClass* registered = predefined != nullptr ? nullptr : findClass(className);
    if (predefined == nullptr && registered == nullptr) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    Window* parentWindow = findWindow(parent);
    if (parent != nullptr && parentWindow == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    bool child = (style & WS_CHILD) != 0;
    if (child && parentWindow == nullptr) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }

    auto owned = std::make_unique<Window>();
    Window* w = owned.get();
    HWND handle = addWindow(std::move(owned));
    w->className = className;
    w->style = style & ~static_cast<DWORD>(WS_VISIBLE);
    w->exStyle = exStyle;
    w->text = windowName != nullptr ? windowName : "";
    if (child) {
        w->parent = parent;
        w->id = static_cast<int>(reinterpret_cast<UINT_PTR>(menu));
        w->rect = RECT{x, y, x + (width < 0 ? 0 : width), y + (height < 0 ? 0 : height)};
    } else {
        // The owner of a top-level window is the top-level ancestor of the given parent.
        while (parentWindow != nullptr && parentWindow->parent != nullptr)
            parentWindow = findWindow(parentWindow->parent);
        w->owner = parentWindow != nullptr ? parentWindow->handle : nullptr;
        w->top = std::make_unique<TopState>();
        int left = x == CW_USEDEFAULT ? nextDefaultPosition() : x;
        int top = x == CW_USEDEFAULT ? left : y;
        int outerWidth = width == CW_USEDEFAULT ? 640 : (width < 0 ? 0 : width);
        int outerHeight = width == CW_USEDEFAULT ? 480 : (height < 0 ? 0 : height);
        w->rect = RECT{left, top, left + outerWidth, top + outerHeight};
        w->top->normal = w->rect;
        w->menu = menu != nullptr ? menu : registered != nullptr ? registered->menu : nullptr;
    }

    QWidget* parentWidget = parentWindow != nullptr && child ? parentWindow->clientArea.data() : nullptr;
    if (predefined != nullptr) {
        w->control = predefined->make(*w, parentWidget, w->text);
        w->text.clear();
    } else {
        w->proc = registered->proc;
        if (child) {
            w->widget = new QWidget(parentWidget);
            w->clientArea = w->widget;
        } else {
            createTopWidget(*w, registered->icon);
        }
    }
    if (child && w->widget) {
        const RECT& r = w->rect;
        w->widget->setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
        w->widget->setVisible(false);
    }

    if (w->proc != nullptr) {
        CREATESTRUCTA create{
            param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
            windowName, className, exStyle};
        if (w->proc(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
            DestroyWindow(handle);
            return nullptr;
        }
        if ((w = findWindow(handle)) == nullptr) return nullptr;
        if (w->top) {
            sendSizeIfChanged(*w);
        } else {
            int cw = 0;
            int ch = 0;
            clientSize(*w, cw, ch);
            w->proc(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cw, ch));
        }
        if ((w = findWindow(handle)) == nullptr) return nullptr;
    }
    if (style & WS_VISIBLE) ShowWindow(handle, SW_SHOW);
    return handle;
}

BOOL WINAPI DestroyWindow(HWND window) {
    Window* w = findWindow(window);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (w->destroyed) return TRUE;
    // Windows owned by this one go first.
    for (HWND other : childrenOf(nullptr)) {
        Window* o = findWindow(other);
        if (o != nullptr && o->owner == window && !o->destroyed) DestroyWindow(other);
    }
    if ((w = findWindow(window)) == nullptr) return TRUE;
    if (w->widget) w->widget->hide();
    w->style &= ~static_cast<DWORD>(WS_VISIBLE);
    sendDestroy(window);
    removeTree(window);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND window) {
    return findWindow(window) != nullptr ? TRUE : FALSE;
}
