// The "#32770" window of a running box or dialog and its items.
#include "platform/linux/user/dialog_window.h"

#include "platform/linux/user/controls.h"
#include "platform/linux/user/message_loop.h"
#include "platform/linux/user/top_window.h"

namespace winlayer {
namespace {

class DialogControl : public ControlState {
  public:
    explicit DialogControl(std::function<void(int)> onCommand) : onCommand_(std::move(onCommand)) {}

    LRESULT handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND) {
            onCommand_(LOWORD(wParam));
            return 0;
        }
        if (message == WM_CLOSE) {
            onCommand_(IDCANCEL);
            return 0;
        }
        return DefWindowProcA(window.handle, message, wParam, lParam);
    }

  private:
    std::function<void(int)> onCommand_;
};

class ItemControl : public ControlState {
  public:
    ItemControl(std::function<std::string()> get, std::function<void(const std::string&)> set)
        : get_(std::move(get)), set_(std::move(set)) {}

    LRESULT handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_GETTEXT:
                return copyText(get_(), wParam, lParam);
            case WM_GETTEXTLENGTH:
                return static_cast<LRESULT>(get_().size());
            case WM_SETTEXT:
                set_(lParam != 0 ? reinterpret_cast<const char*>(lParam) : "");
                return TRUE;
            default:
                return DefWindowProcA(window.handle, message, wParam, lParam);
        }
    }

  private:
    std::function<std::string()> get_;
    std::function<void(const std::string&)> set_;
};

}  // namespace

DialogWindow::DialogWindow(HWND owner, const std::string& caption, QDialog* dialog,
                           std::function<void(int)> onCommand)
    : dialog_(dialog) {
    Window* ownerWindow = findWindow(owner);
    while (ownerWindow != nullptr && ownerWindow->parent != nullptr)
        ownerWindow = findWindow(ownerWindow->parent);
    owner_ = ownerWindow != nullptr ? ownerWindow->handle : nullptr;
    auto window = std::make_unique<Window>();
    window->className = "#32770";
    window->owner = owner_;
    window->text = caption;
    window->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    window->widget = dialog;
    window->control = std::make_unique<DialogControl>(std::move(onCommand));
    handle_ = addWindow(std::move(window));
}

DialogWindow::~DialogWindow() {
    for (HWND item : childrenOf(handle_)) {
        forgetWindowMessages(item);
        removeWindow(item);
    }
    forgetWindowMessages(handle_);
    if (Window* w = findWindow(handle_)) w->widget = nullptr;
    removeWindow(handle_);
}

void DialogWindow::addItem(int id, std::function<std::string()> get,
                           std::function<void(const std::string&)> set) {
    addItem(id, std::make_unique<ItemControl>(std::move(get), std::move(set)));
}

void DialogWindow::addItem(int id, std::unique_ptr<ControlState> control) {
    auto item = std::make_unique<Window>();
    item->className = "Static";
    item->parent = handle_;
    item->id = id;
    item->style = WS_CHILD | WS_VISIBLE;
    item->control = std::move(control);
    addWindow(std::move(item));
}

int DialogWindow::run() {
    Window* owner = findWindow(owner_);
    HWND previousActive = activeWindow();
    bool ownerWasEnabled = owner != nullptr && owner->enabled;
    if (owner != nullptr) owner->enabled = false;
    setActiveWindow(handle_);
    int result = runModal([this] { return dialog_->exec(); });
    if ((owner = findWindow(owner_)) != nullptr && ownerWasEnabled) owner->enabled = true;
    HWND reactivated = findWindow(previousActive) != nullptr ? previousActive : owner_;
    setActiveWindow(reactivated);
    // The window that was active before takes the keyboard again: a plain
    // window on the window itself, a dialog on its control that had it.
    // Without this, under an X server with no window manager no window would
    // have the keyboard once the box is gone.
    Window* next = findWindow(reactivated);
    if (next != nullptr && next->top) {
        activateTopWindow(*next);
    } else if (next != nullptr && next->widget) {
        next->widget->activateWindow();
    }
    return result;
}

}  // namespace winlayer
