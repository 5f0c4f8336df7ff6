// The data file path: remembered per user under one settings value, asked for
// with the file-open dialog when nothing usable is remembered.
#include "settings/data_file.h"

#include <cstring>

#include "card/card_table.h"
#include "editor/main_window.h"

char dataFilePath[DataFilePathSize];

const char* const SettingsKeyPath = "Software\\Kesp\\Cardloom";
const char* const SettingsValueName = "cardinfo.dat";
const char* const DataFileFilters =
    "Apprentice Data File (cardinfo.dat)\0cardinfo.dat\0All Files (*.*)\0*.*\0";

namespace {

// The dialog: Explorer style, only existing files, no read-only check box.
constexpr DWORD OpenDialogFlags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;

// Reads the remembered path into dataFilePath. A missing value, one too long
// for the buffer, or one that fills the whole buffer without a terminator
// counts as nothing stored; dataFilePath is then left alone.
int readStoredPath(HKEY key) {
    char stored[DataFilePathSize];
    DWORD size = sizeof stored;
    if (RegQueryValueExA(key, SettingsValueName, nullptr, nullptr, reinterpret_cast<BYTE*>(stored), &size) !=
        ERROR_SUCCESS)
        return 0;
    if (size > sizeof stored) return 0;
    if (size == sizeof stored && std::memchr(stored, '\0', size) == nullptr) return 0;
    if (size < sizeof stored) stored[size] = '\0';
    return copyField(dataFilePath, DataFilePathSize, stored);
}

// The proposed name: the current directory, a backslash, the file name; just
// the file name when the directory is unknown or the whole would not fit, and
// nothing when not even that fits.
void proposeFileName(const char* fileName, char* working) {
    DWORD length = GetCurrentDirectoryA(MAX_PATH, working);
    std::size_t nameLength = std::strlen(fileName);
    if (length == 0 || length >= MAX_PATH || length + 1 + nameLength >= MAX_PATH) {
        if (!copyField(working, MAX_PATH, fileName)) working[0] = '\0';
        return;
    }
    if (working[length - 1] != '\\') working[length++] = '\\';
    copyField(working + length, static_cast<int>(MAX_PATH - length), fileName);  // fits: checked above
}

}  // namespace

int locateDataFile(int forced) {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, SettingsKeyPath, &key) != ERROR_SUCCESS) key = nullptr;

    int found = !forced && key != nullptr && readStoredPath(key);
    if (!found && chooseDataFile(SettingsValueName, DataFileFilters, dataFilePath)) {
        found = 1;
        // Stored with its terminator; a failure only means the next start asks again.
        if (key != nullptr)
            RegSetValueExA(key, SettingsValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(dataFilePath),
                           static_cast<DWORD>(std::strlen(dataFilePath) + 1));
    }
    if (key != nullptr) RegCloseKey(key);
    return found;
}

int chooseDataFile(const char* fileName, const char* filters, char* destination) {
    char working[MAX_PATH];
    proposeFileName(fileName, working);

    std::size_t nameLength = std::strlen(fileName);
    OPENFILENAMEA request;
    std::memset(&request, 0, sizeof request);
    // The whole request of this build: 76 bytes in the oldest 32-bit form,
    // more with the later fields and 64-bit pointers.
    request.lStructSize = sizeof request;
    request.hwndOwner = mainWindow;
    request.lpstrFilter = filters;
    request.nFilterIndex = 0;
    request.lpstrFile = working;
    request.nMaxFile = MAX_PATH;
    request.Flags = OpenDialogFlags;
    request.lpstrDefExt = nameLength >= 3 ? fileName + nameLength - 3 : fileName;

    if (!GetOpenFileNameA(&request)) return 0;
    return copyField(destination, MAX_PATH, working);
}

void forgetDataFile() {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, SettingsKeyPath, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, SettingsValueName);
    RegCloseKey(key);
}
