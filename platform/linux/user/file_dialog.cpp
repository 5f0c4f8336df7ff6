// GetOpenFileNameA as a modal, non-native QFileDialog (so it also works with
// no window manager). While it is up it is a "#32770" window whose item 0x47C
// is the file name box; WM_COMMAND IDOK accepts what it holds, IDCANCEL
// cancels.
#include <QFileDialog>
#include <QLineEdit>
#include <cstring>

#include "platform/linux/user/dialog_window.h"
#include "platform/linux/user/qt_app.h"
#include "platform/linux/user/text_codec.h"

namespace winlayer {
namespace {

constexpr int kFileNameItemId = 0x47C;
constexpr DWORD kInitialization = 0x0002;  // CDERR_INITIALIZATION
DWORD lastDialogError = 0;                 // result of CommDlgExtendedError

// "Display\0pattern;pattern\0...\0\0" -> Qt filters whose shown text is the
// display text; the platform's "*.*" means every file.
QStringList filtersFrom(const char* list) {
    QStringList filters;
    while (list != nullptr && *list != 0) {
        const char* display = list;
        const char* pattern = display + std::strlen(display) + 1;
        if (*pattern == 0) break;
        QString patterns =
            toQt(pattern).replace(u';', u' ').replace(QStringLiteral("*.*"), QStringLiteral("*"));
        filters << toQt(display) + QStringLiteral(" (") + patterns + u')';
        list = pattern + std::strlen(pattern) + 1;
    }
    return filters;
}

size_t lastSeparator(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash;
}

}  // namespace
}  // namespace winlayer

using namespace winlayer;

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA request) {
    ensureApp();
    lastDialogError = 0;
    if (request == nullptr || request->lpstrFile == nullptr || request->nMaxFile == 0) {
        lastDialogError = kInitialization;
        return FALSE;
    }
    std::string initial(request->lpstrFile, strnlen(request->lpstrFile, request->nMaxFile));
    Window* owner = findWindow(request->hwndOwner);
    QFileDialog dialog(owner != nullptr ? owner->widget.data() : nullptr);
    std::string title = request->lpstrTitle != nullptr ? request->lpstrTitle : "Open";
    dialog.setWindowTitle(toQt(title));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode((request->Flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                            : QFileDialog::AnyFile);
    QStringList filters = filtersFrom(request->lpstrFilter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        int index = request->nFilterIndex == 0 ? 0 : static_cast<int>(request->nFilterIndex) - 1;
        if (index < filters.size()) dialog.selectNameFilter(filters[index]);
    }
    if (request->lpstrDefExt != nullptr && request->lpstrDefExt[0] != 0) {
        dialog.setDefaultSuffix(toQt(request->lpstrDefExt));
    }
    if (request->lpstrInitialDir != nullptr && request->lpstrInitialDir[0] != 0) {
        dialog.setDirectory(toQt(request->lpstrInitialDir));
    }
    size_t slash = lastSeparator(initial);
    if (slash != std::string::npos) {
        dialog.setDirectory(toQt(slash == 0 ? std::string("/") : initial.substr(0, slash)));
        dialog.selectFile(toQt(initial.substr(slash + 1)));
    } else if (!initial.empty()) {
        dialog.selectFile(toQt(initial));
    }

    QLineEdit* nameBox = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto onCommand = [&dialog](int id) {
        if (id == IDOK) QMetaObject::invokeMethod(&dialog, "accept");
        if (id == IDCANCEL) dialog.reject();
    };
    DialogWindow window(request->hwndOwner, title, &dialog, onCommand);
    window.addItem(
        kFileNameItemId, [nameBox] { return nameBox != nullptr ? fromQt(nameBox->text()) : std::string(); },
        [nameBox](const std::string& text) {
            if (nameBox != nullptr) nameBox->setText(toQt(text));
        });
    if (window.run() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return FALSE;

    std::string chosen = fromQt(dialog.selectedFiles().first());
    if (chosen.size() + 1 > request->nMaxFile) {
        lastDialogError = FNERR_BUFFERTOOSMALL;
        if (request->nMaxFile >= 2) {
            WORD needed = static_cast<WORD>(chosen.size() + 1 > 0xFFFF ? 0xFFFF : chosen.size() + 1);
            std::memcpy(request->lpstrFile, &needed, sizeof needed);
        }
        return FALSE;
    }
    std::memcpy(request->lpstrFile, chosen.c_str(), chosen.size() + 1);
    size_t nameStart = lastSeparator(chosen);
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    size_t dot = chosen.find_last_of('.');
    request->nFileOffset = static_cast<WORD>(nameStart);
    request->nFileExtension =
        static_cast<WORD>(dot != std::string::npos && dot > nameStart ? dot + 1 : chosen.size());
    int filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    if (filterIndex >= 0) request->nFilterIndex = static_cast<DWORD>(filterIndex + 1);
    return TRUE;
}

DWORD WINAPI CommDlgExtendedError() {
    return lastDialogError;
}
