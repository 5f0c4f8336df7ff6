// The Qt window of a top-level Win32 window holds the menu bar and, below it,
// the client area; the caption and borders are the window manager's. The
// layer's own model is what the Win32 calls report; a resize by the user (or
// the window manager) is taken into the model and reported with WM_SIZE. The
// window manager is told when the window is maximised or minimised, and its
// own minimise, maximise and restore become the window's placement, so that
// its buttons act as the platform's caption buttons do. A size the window
// manager refuses (a tiling one keeps the window in its tile) is followed too:
// the last WM_SIZE always carries the window's real client size.
// Tab moves no focus between the controls of such a window, and activation
// gives the keyboard focus to the window itself, as the platform does for a
// window that is not a dialog.
#include "platform/linux/user/top_window.h"

#include <QAbstractEventDispatcher>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QWindow>

#include "platform/linux/user/menu_resource.h"
#include "platform/linux/user/resources.h"
#include "platform/linux/user/text_codec.h"

namespace winlayer {
namespace {

// Whether a window manager keeps the windows' states. Without one (the
// offscreen platform of the tests) a maximised state would move the window
// by itself, away from the placement that the layer gives it.
bool windowStatesManaged() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

class TopWidget : public QWidget {
  public:
    explicit TopWidget(HWND window) : window_(window) {}

  protected:
    bool focusNextPrevChild(bool) override { return false; }

    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        requestClose();
    }

    // A state that the user chose through the window manager becomes the
    // placement, laid out and reported as ShowWindow would do it; the
    // layer's own requests and the window manager's answers to them change
    // nothing. A window restored from minimised returns to the placement it
    // was minimised from.
    void changeEvent(QEvent* event) override {
        QWidget::changeEvent(event);
        if (event->type() != QEvent::WindowStateChange) return;
        Window* w = findWindow(window_);
        const Qt::WindowStates state = windowState();
        if (w == nullptr || w->top->applying || state == requested_) return;
        requested_ = state;
        Placement placement = Placement::Normal;
        if (state & Qt::WindowMinimized) {
            placement = Placement::Minimized;
        } else if (w->top->placement == Placement::Minimized) {
            placement = w->top->restoreToMaximized ? Placement::Maximized : Placement::Normal;
        } else if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
            placement = Placement::Maximized;
        }
        if (placement != w->top->placement) setPlacement(*w, placement);
    }

    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        Window* w = findWindow(window_);
        if (w == nullptr) return;
        layoutParts(*w);
        if (w->top->applying || w->top->placement == Placement::Minimized || !isVisible()) return;
        int width = 0;
        int height = 0;
        clientSize(*w, width, height);
        int newWidth = event->size().width();
        int newHeight = event->size().height() - w->top->menuHeight;
        if (newWidth == width && newHeight == height) return;
        RECT& rect = w->rect;
        rect.right = rect.left + newWidth + 2 * FrameBorder;
        rect.bottom = rect.top + newHeight + 2 * FrameBorder + CaptionHeight + w->top->menuHeight;
        if (w->top->placement == Placement::Normal) w->top->normal = rect;
        sendSizeIfChanged(*w);
    }

  public:
    // Asks the window manager for a state: minimised, maximised or neither.
    void requestState(Qt::WindowStates state) {
        requested_ = state;
        if (windowState() == state) return;
        if (state == Qt::WindowMinimized || windowStatesManaged()) {
            setWindowState(state);
        } else if (windowState() & Qt::WindowMinimized) {
            setWindowState(Qt::WindowNoState);
        }
    }

    // F10 selects the menu bar as a lone Alt does: the menu bar takes Alt
    // pressed and released on its window as the request.
    void enterMenuBar() {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
        QCoreApplication::sendEvent(this, &press);
        QCoreApplication::sendEvent(this, &release);
    }

    void requestClose() {
        Window* w = findWindow(window_);
        if (w != nullptr && w->enabled) SendMessageA(window_, WM_CLOSE, 0, 0);
    }

    // Qt sets the widget to the size the layer asks for at once. A window
    // manager that refuses it answers with the size it keeps, which Qt takes
    // into the native window but, being the size last reported, not into
    // the widget. The widget then takes the native window's size as from a
    // resize by the window manager, asking the window manager nothing.
    void followNativeSize() {
        QWindow* native = windowHandle();
        if (native == nullptr || !isVisible() || isMinimized() || native->size() == size()) return;
        QResizeEvent resize(native->size(), size());
        QCoreApplication::sendEvent(native, &resize);
    }

    void layoutParts(Window& w) {
        if (QMenuBar* bar = findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly)) {
            bar->setGeometry(0, 0, width(), w.top->menuHeight);
        }
        if (w.clientArea)
            w.clientArea->setGeometry(0, w.top->menuHeight, width(), height() - w.top->menuHeight);
    }

  private:
    HWND window_;
    Qt::WindowStates requested_ = Qt::WindowNoState;  // the state last asked of the window manager
};

}  // namespace

RECT maximizedRect(const Window& window) {
    QRect area(0, 0, 800, 600);
    if (QScreen* screen = QGuiApplication::primaryScreen()) area = screen->availableGeometry();
    (void)window;
    return RECT{area.left() - FrameBorder, area.top() - FrameBorder, area.left() + area.width() + FrameBorder,
                area.top() + area.height() + FrameBorder};
}

void createTopWidget(Window& window, HICON icon) {
    auto* widget = new TopWidget(window.handle);
    widget->setWindowTitle(toQt(window.text));
    widget->setAttribute(Qt::WA_DeleteOnClose, false);
    if (window.menu != nullptr) {
        auto* bar = new QMenuBar(widget);
        bar->setNativeMenuBar(false);
        buildMenuBar(bar, window.menu, window.handle);
        window.top->menuHeight = MenuBarHeight;
    }
    auto* client = new QWidget(widget);
    client->setAutoFillBackground(true);
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    client->setPalette(palette);
    window.widget = widget;
    window.clientArea = client;
    QIcon qicon = iconFor(icon);
    if (!qicon.isNull()) widget->setWindowIcon(qicon);
    auto* altF4 = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), widget);
    QObject::connect(altF4, &QShortcut::activated, widget, [widget] { widget->requestClose(); });
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), widget);
    QObject::connect(f10, &QShortcut::activated, widget, [widget] { widget->enterMenuBar(); });
    // The window manager's answers come as events; once they are handled,
    // before the thread waits again, the widget follows them.
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, widget,
                     [widget] { widget->followNativeSize(); });
    applyTopGeometry(window);
}

void activateTopWindow(Window& window) {
    QWidget* widget = window.widget.data();
    if (widget == nullptr || !widget->isVisible() || window.top->placement == Placement::Minimized) return;
    widget->setFocus(Qt::ActiveWindowFocusReason);
    widget->activateWindow();
}

void applyTopGeometry(Window& window) {
    auto* widget = static_cast<TopWidget*>(window.widget.data());
    if (widget == nullptr) return;
    TopState& top = *window.top;
    top.applying = true;
    if (top.placement == Placement::Minimized) {
        if (widget->isVisible()) widget->requestState(Qt::WindowMinimized);
    } else {
        // A window manager lets a maximised window keep its place only when
        // the window is moved before it is maximised, and after it is
        // restored; its own restore is followed by the layer's move to the
        // restored place (see changeEvent).
        const bool maximized = top.placement == Placement::Maximized;
        if (!maximized) widget->requestState(Qt::WindowNoState);
        const RECT& r = window.rect;
        int width = r.right - r.left - 2 * FrameBorder;
        int height = r.bottom - r.top - 2 * FrameBorder - CaptionHeight;
        widget->setGeometry(r.left + FrameBorder, r.top + FrameBorder + CaptionHeight, width < 0 ? 0 : width,
                            height < 0 ? 0 : height);
        widget->layoutParts(window);
        if (maximized) widget->requestState(Qt::WindowMaximized);
    }
    top.applying = false;
}

void sendSizeIfChanged(Window& window) {
    TopState& top = *window.top;
    UINT type = top.placement == Placement::Maximized   ? SIZE_MAXIMIZED
                : top.placement == Placement::Minimized ? SIZE_MINIMIZED
                                                        : SIZE_RESTORED;
    int width = 0;
    int height = 0;
    clientSize(window, width, height);
    if (top.sizeSent && type == top.lastSizeType && width == top.lastWidth && height == top.lastHeight)
        return;
    top.sizeSent = true;
    top.lastSizeType = type;
    top.lastWidth = width;
    top.lastHeight = height;
    SendMessageA(window.handle, WM_SIZE, type, MAKELPARAM(width, height));
}

void setPlacement(Window& window, Placement placement) {
    TopState& top = *window.top;
    if (placement == Placement::Minimized && top.placement != Placement::Minimized) {
        top.restoreToMaximized = top.placement == Placement::Maximized;
    }
    top.placement = placement;
    window.style &= ~static_cast<DWORD>(WS_MAXIMIZE | WS_MINIMIZE);
    if (placement == Placement::Maximized) {
        window.style |= WS_MAXIMIZE;
        window.rect = maximizedRect(window);
    } else if (placement == Placement::Minimized) {
        window.style |= WS_MINIMIZE;
        window.rect = RECT{-32000, -32000, -32000 + 160, -32000 + CaptionHeight + 2 * FrameBorder};
    } else {
        window.rect = top.normal;
    }
    applyTopGeometry(window);
    sendSizeIfChanged(window);
}

}  // namespace winlayer
