// MessageBoxA as a modal QMessageBox. While it is up it is a "#32770" window
// whose static text item 0xFFFF holds the message and whose buttons carry
// their command ids; WM_COMMAND with one of those ids presses the button.
#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QEvent>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <vector>

#include "platform/linux/user/dialog_window.h"
#include "platform/linux/user/qt_app.h"
#include "platform/linux/user/text_codec.h"

namespace winlayer {
namespace {

constexpr UINT ButtonMask = 0x0000000F;
constexpr UINT IconMask = 0x000000F0;
constexpr UINT YesNoCancel = 0x00000003;
constexpr int TextItemId = 0xFFFF;

struct ButtonDef {
    int id;
    QMessageBox::StandardButton button;
    const char* text;
};

std::vector<ButtonDef> buttonsFor(UINT type) {
    switch (type & ButtonMask) {
        case MB_OKCANCEL:
            return {{IDOK, QMessageBox::Ok, "OK"}, {IDCANCEL, QMessageBox::Cancel, "Cancel"}};
        case YesNoCancel:
            return {{IDYES, QMessageBox::Yes, "&Yes"},
                    {IDNO, QMessageBox::No, "&No"},
                    {IDCANCEL, QMessageBox::Cancel, "Cancel"}};
        case MB_YESNO:
            return {{IDYES, QMessageBox::Yes, "&Yes"}, {IDNO, QMessageBox::No, "&No"}};
        default:
            return {{IDOK, QMessageBox::Ok, "OK"}};
    }
}

QMessageBox::Icon iconFor(UINT type) {
    switch (type & IconMask) {
        case MB_ICONHAND:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// Keeps a box in the middle of its screen, where the platform puts message
// boxes, rather than over its owner: over the small start-up window a box
// would hide the window it belongs to.
class ScreenCentre : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show || event->type() == QEvent::Resize) {
            auto* box = static_cast<QWidget*>(watched);
            if (QScreen* screen = box->screen())
                box->move(screen->availableGeometry().center() - box->rect().center());
        }
        return false;
    }
};

}  // namespace
}  // namespace winlayer

using namespace winlayer;

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    ensureApp();
    std::string message = text != nullptr ? text : "";
    std::string title = caption != nullptr ? caption : "Error";
    Window* ownerWindow = findWindow(owner);
    QMessageBox box(ownerWindow != nullptr ? ownerWindow->widget.data() : nullptr);
    box.setWindowTitle(toQt(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(toQt(message).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setIcon(iconFor(type));
    std::vector<ButtonDef> buttons = buttonsFor(type);
    for (const ButtonDef& def : buttons) box.addButton(def.button)->setIcon(QIcon());
    box.setDefaultButton(buttons.front().button);
    // The platform's boxes have their buttons in the middle, without pictures.
    if (auto* row = box.findChild<QDialogButtonBox*>()) row->setCenterButtons(true);
    ScreenCentre centre;
    box.installEventFilter(&centre);

    // Escape and IDCANCEL: Cancel when there is one, OK on a lone OK button, else nothing.
    auto press = [&box, &buttons](int id) {
        if (id == IDCANCEL && buttons.size() == 1) id = IDOK;
        for (const ButtonDef& def : buttons) {
            if (def.id == id) box.button(def.button)->click();
        }
    };
    DialogWindow window(owner, title, &box, press);
    window.addItem(
        TextItemId, [message] { return message; }, [](const std::string&) {});
    for (const ButtonDef& def : buttons) {
        std::string label = def.text;
        window.addItem(
            def.id, [label] { return label; }, [](const std::string&) {});
    }
    int result = window.run();
    for (const ButtonDef& def : buttons) {
        if (result == def.button || box.clickedButton() == box.button(def.button)) return def.id;
    }
    return buttons.size() == 1 ? IDOK : IDCANCEL;
}
