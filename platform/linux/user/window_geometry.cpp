// Showing, placing and measuring windows. Top-level windows follow the
// layer's placement model; children take rectangles in their parent's client
// coordinates, negative sizes clamped to 0 as Windows does.
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWindow>

#include "platform/linux/user/message_loop.h"
#include "platform/linux/user/qt_app.h"
#include "platform/linux/user/top_window.h"

namespace winlayer {
namespace {

constexpr int ExposeWaitMs = 3000;  // longest wait for a window just shown to be mapped

// The window system maps a window just shown asynchronously, and until then
// nothing painted in it reaches the screen. Waits for that, at most a few
// seconds, handling no user input meanwhile.
void waitUntilExposed(QWidget& widget) {
    QWindow* native = widget.window()->windowHandle();
    if (native == nullptr) return;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (native->isExposed() || clock.elapsed() > ExposeWaitMs) return;
        QThread::msleep(5);
    }
}

Placement placementFor(int command, const TopState& top) {
    switch (command) {
        case SW_SHOWMAXIMIZED:
            return Placement::Maximized;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE:
            return Placement::Minimized;
        case SW_SHOWNORMAL:
        case SW_RESTORE:
            if (top.placement == Placement::Minimized) {
                return top.restoreToMaximized ? Placement::Maximized : Placement::Normal;
            }
            return Placement::Normal;
        default:
            return top.placement;
    }
}

void placeChild(Window& w) {
    if (!w.widget) return;
    const RECT& r = w.rect;
    w.widget->setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// The rectangle moved to (x, y) and sized to cx by cy, each unless the flags
// keep it.
void moveAndSize(RECT& r, int x, int y, int cx, int cy, UINT flags) {
    if (!(flags & SWP_NOMOVE)) {
        r.right += x - r.left;
        r.bottom += y - r.top;
        r.left = x;
        r.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        r.right = r.left + cx;
        r.bottom = r.top + cy;
    }
}

}  // namespace
}  // namespace winlayer

using namespace winlayer;

BOOL WINAPI ShowWindow(HWND window, int command) {
    Window* w = findWindow(window);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
    if (command == SW_HIDE) {
        w->style &= ~static_cast<DWORD>(WS_VISIBLE);
        if (w->widget) w->widget->hide();
        if (activeWindow() == window) setActiveWindow(nullptr);
        return wasVisible;
    }
    w->style |= WS_VISIBLE;
    if (w->top) {
        Placement placement = placementFor(command, *w->top);
        if (w->widget) w->widget->show();
        // The first showing reports the size once more, as the platform does.
        if (!w->top->shown) w->top->sizeSent = false;
        w->top->shown = true;
        if (placement != w->top->placement) {
            setPlacement(*w, placement);
        } else {
            applyTopGeometry(*w);
            sendSizeIfChanged(*w);
        }
        if (command != SW_SHOWNA && command != SW_SHOWNOACTIVATE && command != SW_SHOWMINNOACTIVE) {
            setActiveWindow(window);
            if ((w = findWindow(window)) != nullptr) activateTopWindow(*w);
        }
    } else if (w->widget) {
        w->widget->show();
    }
    return wasVisible;
}

// Paints the window before returning, on the screen: the window is mapped
// first if it was just shown, and the paint is sent to the display at once.
BOOL WINAPI UpdateWindow(HWND window) {
    Window* w = findWindow(window);
    if (w == nullptr) return FALSE;
    if (w->widget && w->widget->isVisible()) {
        waitUntilExposed(*w->widget);
        if ((w = findWindow(window)) != nullptr && w->widget) w->widget->repaint();
    }
    return TRUE;
}

BOOL WINAPI SetWindowPos(HWND window, HWND, int x, int y, int cx, int cy, UINT flags) {
    Window* w = findWindow(window);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (cx < 0) cx = 0;
    if (cy < 0) cy = 0;
    if (w->top && w->top->placement == Placement::Minimized) {
        moveAndSize(w->top->normal, x, y, cx, cy, flags);
        return TRUE;
    }
    RECT r = w->rect;
    const bool resized = !(flags & SWP_NOSIZE) && (cx != r.right - r.left || cy != r.bottom - r.top);
    moveAndSize(r, x, y, cx, cy, flags);
    w->rect = r;
    if (w->top) {
        if (w->top->placement == Placement::Normal) w->top->normal = r;
        applyTopGeometry(*w);
        sendSizeIfChanged(*w);
    } else {
        placeChild(*w);
        // A child learns its new size as on the platform, which sends
        // WM_SIZE from the default handling of the position change.
        if (resized) {
            int width = 0;
            int height = 0;
            clientSize(*w, width, height);
            deliver(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
        }
    }
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
    BOOL done = SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    Window* w = findWindow(window);
    if (done && repaint && w != nullptr && w->widget && w->widget->isVisible()) w->widget->update();
    return done;
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
    Window* w = findWindow(window);
    if (w == nullptr || rect == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = w->rect;
    if (!w->top) {
        if (Window* parent = findWindow(w->parent)) {
            POINT origin = clientOrigin(*parent);
            rect->left += origin.x;
            rect->right += origin.x;
            rect->top += origin.y;
            rect->bottom += origin.y;
        }
    }
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    Window* w = findWindow(window);
    if (w == nullptr || rect == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    int width = 0;
    int height = 0;
    clientSize(*w, width, height);
    *rect = RECT{0, 0, width, height};
    return TRUE;
}

int WINAPI MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
    POINT a{0, 0};
    POINT b{0, 0};
    if (from != nullptr) {
        Window* w = findWindow(from);
        if (w == nullptr) return 0;
        a = clientOrigin(*w);
    }
    if (to != nullptr) {
        Window* w = findWindow(to);
        if (w == nullptr) return 0;
        b = clientOrigin(*w);
    }
    LONG dx = a.x - b.x;
    LONG dy = a.y - b.y;
    for (UINT i = 0; points != nullptr && i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

BOOL WINAPI IsWindowVisible(HWND window) {
    for (Window* w = findWindow(window); w != nullptr; w = findWindow(w->parent)) {
        if (!(w->style & WS_VISIBLE)) return FALSE;
        if (w->parent == nullptr) return TRUE;
    }
    return FALSE;
}

BOOL WINAPI IsZoomed(HWND window) {
    Window* w = findWindow(window);
    return w != nullptr && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL WINAPI IsIconic(HWND window) {
    Window* w = findWindow(window);
    return w != nullptr && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL WINAPI GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement) {
    Window* w = findWindow(window);
    if (w == nullptr || placement == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    placement->length = sizeof(WINDOWPLACEMENT);
    placement->flags = 0;
    placement->showCmd = SW_SHOWNORMAL;
    placement->ptMinPosition = POINT{-1, -1};
    placement->ptMaxPosition = POINT{-1, -1};
    placement->rcNormalPosition = w->rect;
    if (w->top) {
        placement->rcNormalPosition = w->top->normal;
        if (w->top->placement == Placement::Maximized) placement->showCmd = SW_SHOWMAXIMIZED;
        if (w->top->placement == Placement::Minimized) {
            placement->showCmd = SW_SHOWMINIMIZED;
            if (w->top->restoreToMaximized) placement->flags = WPF_RESTORETOMAXIMIZED;
        }
    }
    return TRUE;
}
