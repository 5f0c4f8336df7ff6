// GetOpenFileNameA as a modal, non-native QFileDialog (so it also works with
// no window manager). While it is up it is a "#32770" window whose item 0x47C
// is the file name box and item 0x470 the file type box; WM_COMMAND IDOK
// accepts what the name box holds, IDCANCEL cancels. With OFN_FILEMUSTEXIST a
// name that names no file is refused with a message box over the dialog, as
// on Windows, and the dialog stays open. Without OFN_NOCHANGEDIR the dialog
// leaves the process in the folder it showed last, that of the chosen file
// once one is chosen, as the platform's does.
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <cstring>
#include <vector>

#include "platform/linux/user/controls.h"
#include "platform/linux/user/dialog_window.h"
#include "platform/linux/user/qt_app.h"
#include "platform/linux/user/text_codec.h"

namespace winlayer {
namespace {

constexpr int FileNameItemId = 0x47C;     // the file name box (cmb13)
constexpr int FileTypeItemId = 0x470;     // the file type box (cmb1)
constexpr DWORD Initialization = 0x0002;  // CDERR_INITIALIZATION
DWORD lastDialogError = 0;                // result of CommDlgExtendedError

// One display text and pattern pair of the request's filter list.
struct Filter {
    std::string display;  // what the file type box shows
    QString qtFilter;     // the same for QFileDialog: "display (patterns)"
};

// "Display\0pattern;pattern\0...\0\0" -> filters in order; the platform's
// "*.*" means every file.
std::vector<Filter> filtersFrom(const char* list) {
    std::vector<Filter> filters;
    while (list != nullptr && *list != 0) {
        const char* display = list;
        const char* pattern = display + std::strlen(display) + 1;
        if (*pattern == 0) break;
        QString patterns =
            toQt(pattern).replace(u';', u' ').replace(QStringLiteral("*.*"), QStringLiteral("*"));
        filters.push_back({display, toQt(display) + QStringLiteral(" (") + patterns + u')'});
        list = pattern + std::strlen(pattern) + 1;
    }
    return filters;
}

size_t lastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

// The position of the filter in force among `count`, or -1. The dialog's
// own type box holds the filters in order; its text alone may be shortened.
int selectedFilter(const QFileDialog& dialog, size_t count) {
    const QComboBox* box = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    const int index = box != nullptr ? box->currentIndex() : -1;
    return index >= 0 && static_cast<size_t>(index) < count ? index : -1;
}

// The dialog, refusing a name that names no existing file itself, so that
// the refusal is a box of this layer owned by the dialog's window.
class OpenDialog : public QFileDialog {
  public:
    explicit OpenDialog(QWidget* parent) : QFileDialog(parent) {}

    HWND handle = nullptr;  // the dialog's "#32770" window while it runs
    bool mustExist = false;
    std::string title;

    void accept() override {
        const QStringList files = selectedFiles();
        if (mustExist && !files.isEmpty() && !QFileInfo::exists(files.first())) {
            const std::string text = fromQt(QFileInfo(files.first()).fileName()) +
                                     "\r\nFile not found.\r\nCheck the file name and try again.";
            MessageBoxA(handle, text.c_str(), title.c_str(), MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        QFileDialog::accept();
    }
};

// The file type box: its entries are the filters' display texts in order,
// its selection the filter in force.
class FileTypeBox : public ControlState {
  public:
    FileTypeBox(const QFileDialog& dialog, const std::vector<Filter>& filters)
        : dialog_(dialog), filters_(filters) {}

    LRESULT handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override {
        const int current = selected();
        switch (message) {
            case WM_GETTEXT:
                return copyText(current >= 0 ? filters_[current].display : std::string(), wParam, lParam);
            case WM_GETTEXTLENGTH:
                return current >= 0 ? static_cast<LRESULT>(filters_[current].display.size()) : 0;
            case CB_GETCOUNT:
                return static_cast<LRESULT>(filters_.size());
            case CB_GETLBTEXTLEN:
                return wParam < filters_.size() ? static_cast<LRESULT>(filters_[wParam].display.size())
                                                : CB_ERR;
            case CB_GETLBTEXT: {
                // As on Windows the buffer is sized by CB_GETLBTEXTLEN.
                if (wParam >= filters_.size() || lParam == 0) return CB_ERR;
                const std::string& text = filters_[wParam].display;
                std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
                return static_cast<LRESULT>(text.size());
            }
            default:
                return DefWindowProcA(window.handle, message, wParam, lParam);
        }
    }

  private:
    int selected() const { return selectedFilter(dialog_, filters_.size()); }

    const QFileDialog& dialog_;
    const std::vector<Filter>& filters_;
};

}  // namespace
}  // namespace winlayer

using namespace winlayer;

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA request) {
    ensureApp();
    lastDialogError = 0;
    if (request == nullptr || request->lpstrFile == nullptr || request->nMaxFile == 0) {
        lastDialogError = Initialization;
        return FALSE;
    }
    std::string initial(request->lpstrFile, strnlen(request->lpstrFile, request->nMaxFile));
    Window* owner = findWindow(request->hwndOwner);
    OpenDialog dialog(owner != nullptr ? owner->widget.data() : nullptr);
    dialog.title = request->lpstrTitle != nullptr ? request->lpstrTitle : "Open";
    dialog.mustExist = (request->Flags & OFN_FILEMUSTEXIST) != 0;
    dialog.setWindowTitle(toQt(dialog.title));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(dialog.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    const std::vector<Filter> filters = filtersFrom(request->lpstrFilter);
    if (!filters.empty()) {
        QStringList qtFilters;
        for (const Filter& filter : filters) qtFilters << filter.qtFilter;
        dialog.setNameFilters(qtFilters);
        // 0 names the custom filter, which this layer doesn't keep: the first pair.
        size_t index = request->nFilterIndex == 0 ? 0 : request->nFilterIndex - 1;
        if (index < filters.size()) dialog.selectNameFilter(filters[index].qtFilter);
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
    DialogWindow window(request->hwndOwner, dialog.title, &dialog, onCommand);
    dialog.handle = window.handle();
    window.addItem(
        FileNameItemId, [nameBox] { return nameBox != nullptr ? fromQt(nameBox->text()) : std::string(); },
        [nameBox](const std::string& text) {
            if (nameBox != nullptr) nameBox->setText(toQt(text));
        });
    window.addItem(FileTypeItemId, std::make_unique<FileTypeBox>(dialog, filters));
    const bool accepted = window.run() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    if (!(request->Flags & OFN_NOCHANGEDIR)) {
        QDir::setCurrent(accepted ? QFileInfo(dialog.selectedFiles().first()).absolutePath()
                                  : dialog.directory().absolutePath());
    }
    if (!accepted) return FALSE;

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
    const int active = selectedFilter(dialog, filters.size());
    if (active >= 0) request->nFilterIndex = static_cast<DWORD>(active + 1);
    return TRUE;
}

DWORD WINAPI CommDlgExtendedError() {
    return lastDialogError;
}
