// Handles count up from a base value and are never reused, so a stale handle
// fails IsWindow instead of reaching a newer window.
#include "platform/linux/user/window_table.h"

#include <map>

namespace winlayer {
namespace {

std::map<UINT_PTR, std::unique_ptr<Window>> windows;  // every live window by handle value
UINT_PTR nextHandle = 0x10010;                        // value of the next handle
HWND active = nullptr;                                // last activated top-level window

}  // namespace

HWND addWindow(std::unique_ptr<Window> window) {
    UINT_PTR value = nextHandle;
    nextHandle += 4;
    HWND handle = reinterpret_cast<HWND>(value);
    window->handle = handle;
    windows[value] = std::move(window);
    return handle;
}

Window* findWindow(HWND handle) {
    auto it = windows.find(reinterpret_cast<UINT_PTR>(handle));
    return it == windows.end() ? nullptr : it->second.get();
}

void removeWindow(HWND handle) {
    auto it = windows.find(reinterpret_cast<UINT_PTR>(handle));
    if (it == windows.end()) return;
    std::unique_ptr<Window> gone = std::move(it->second);
    windows.erase(it);
    if (active == handle) active = nullptr;
    if (gone->widget) gone->widget->deleteLater();
}

std::vector<HWND> childrenOf(HWND parent) {
    std::vector<HWND> result;
    for (auto& [value, window] : windows) {
        if (window->parent == parent) result.push_back(window->handle);
    }
    return result;
}

HWND activeWindow() {
    return active;
}

void setActiveWindow(HWND window) {
    active = window;
}

void clientSize(const Window& window, int& width, int& height) {
    width = window.rect.right - window.rect.left;
    height = window.rect.bottom - window.rect.top;
    if (window.top) {
        if (window.top->placement == Placement::Minimized) {
            width = height = 0;
            return;
        }
        width -= 2 * FrameBorder;
        height -= 2 * FrameBorder + CaptionHeight + window.top->menuHeight;
    } else {
        if (window.exStyle & WS_EX_CLIENTEDGE) {
            width -= 2 * ClientEdge;
            height -= 2 * ClientEdge;
        }
        if (window.style & WS_VSCROLL) width -= ScrollBarSize;
        if (window.style & WS_HSCROLL) height -= ScrollBarSize;
    }
    if (width < 0) width = 0;
    if (height < 0) height = 0;
}

POINT clientOrigin(const Window& window) {
    if (window.top) {
        return POINT{window.rect.left + FrameBorder,
                     window.rect.top + FrameBorder + CaptionHeight + window.top->menuHeight};
    }
    POINT origin{window.rect.left, window.rect.top};
    if (Window* parent = findWindow(window.parent)) {
        POINT parentOrigin = clientOrigin(*parent);
        origin.x += parentOrigin.x;
        origin.y += parentOrigin.y;
    }
    if (window.exStyle & WS_EX_CLIENTEDGE) {
        origin.x += ClientEdge;
        origin.y += ClientEdge;
    }
    return origin;
}

}  // namespace winlayer
