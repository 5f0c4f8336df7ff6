// The BUTTON class as a push button: a click by the mouse or BM_CLICK sends
// BN_CLICKED to the parent; "&" in the caption underlines the letter after it.
// Only the left button presses it, and only a release over the button clicks.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

#include "platform/linux/user/controls.h"
#include "platform/linux/user/text_codec.h"

namespace winlayer {
namespace {

// A push button as a plain window has it: the underlined letter of its
// caption is no keyboard shortcut, and the arrow keys do not pass the focus
// on to the next button (both belong to the dialog keyboard handling, which
// a plain window's message loop does not do). Space presses the button that
// has the focus, Enter does nothing. The focus comes with a left press only:
// a right or middle press leaves it where it is, as on the platform.
class PushButton : public QPushButton {
  public:
    PushButton(const QString& caption, QWidget* parent) : QPushButton(parent) {
        setCaption(caption);
        setFocusPolicy(Qt::TabFocus);
    }

    void setCaption(const QString& caption) {
        setText(caption);
        setShortcut(QKeySequence());
    }

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            setFocus(Qt::MouseFocusReason);
            QPushButton::mousePressEvent(event);
        } else {
            event->accept();
        }
    }

    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_Up:
            case Qt::Key_Down:
                event->ignore();
                return;
            default:
                QPushButton::keyPressEvent(event);
        }
    }
};

class ButtonControl : public ControlState {
  public:
    ButtonControl(Window& window, QWidget* parent, const std::string& text)
        : handle_(window.handle), text_(text) {
        button_ = new PushButton(toQt(text), parent);
        button_->setAutoDefault(false);
        QObject::connect(button_, &QPushButton::clicked, button_, [this] { clicked(); });
        window.widget = button_;
    }

    LRESULT handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_SETTEXT:
                text_ = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
                button_->setCaption(toQt(text_));
                return TRUE;
            case WM_GETTEXT:
                return copyText(text_, wParam, lParam);
            case WM_GETTEXTLENGTH:
                return static_cast<LRESULT>(text_.size());
            case BM_CLICK:
                if (window.enabled) clicked();
                return 0;
            default:
                return DefWindowProcA(window.handle, message, wParam, lParam);
        }
    }

  private:
    void clicked() {
        if (Window* window = findWindow(handle_)) notifyParent(*window, BN_CLICKED);
    }

    HWND handle_;
    std::string text_;
    PushButton* button_ = nullptr;
};

}  // namespace

std::unique_ptr<ControlState> makeButton(Window& window, QWidget* parent, const std::string& text) {
    return std::make_unique<ButtonControl>(window, parent, text);
}

}  // namespace winlayer
