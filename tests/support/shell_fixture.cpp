#include "tests/support/shell_fixture.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "card/card_table.h"
#include "editor/commands.h"
#include "editor/main_window.h"
#include "settings/data_file.h"
#include "tests/support/answer.h"

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
// Under Wine on a display without a window manager, Wine's X11 driver takes a
// managed window's state back from X, where nothing is ever maximised. Let
// Wine manage its windows itself, as Windows does. The driver reads this when
// it loads, at the first window of the process, so it is set before any test.
const bool WinePlacesItsOwnWindows = [] {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return false;
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", &key) != ERROR_SUCCESS) return false;
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
    return true;
}();
#endif

}  // namespace

void resetProgramState() {
    clearCardTable(cardTable);
    currentListPosition = -1;
    currentSlot = -1;
    colourPickerOpen = 0;
    layoutEnabled = 0;
    for (HWND* handle :
         {&mainWindow, &nameEdit, &cardList, &textEdit, &typeEdit, &editionEdit, &costEdit, &ptEdit,
          &commentEdit, &updateButton, &saveButton, &colourList, &colourButton, &addButton, &deleteButton})
        *handle = nullptr;
}

void ShellTest::SetUp() {
    static int serial = 0;
    // The thread id tells apart test binaries that run at once.
    fs::path folder = fs::temp_directory_path() / ("cardloom-shell-" + std::to_string(GetCurrentThreadId()) +
                                                   "-" + std::to_string(++serial));
    fs::remove_all(folder);
    fs::create_directories(folder);
    scratch = folder.string();
    startFolder = fs::current_path().string();
#ifndef _WIN32
    // The settings store reads these at each call: keep it in the scratch folder.
    setenv("XDG_CONFIG_HOME", (scratch + "/config").c_str(), 1);
    setenv("HOME", (scratch + "/home").c_str(), 1);
#else
    RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKeyPath);
#endif

    resetProgramState();
    std::memset(dataFilePath, 0, sizeof dataFilePath);
    instance = GetModuleHandleA(nullptr);
}

void ShellTest::TearDown() {
    stopAnswering();
    if (mainWindow != nullptr && IsWindow(mainWindow)) {
        DestroyWindow(mainWindow);
        // Its WM_DESTROY posted WM_QUIT: take it off the queue so that the
        // next test's modal loops don't end at once.
        runUntilQuit();
    }
    mainWindow = nullptr;
    UnregisterClassA("Cardloom", instance);
#ifdef _WIN32
    RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKeyPath);
#endif
    // The open dialog leaves the process in the folder of the chosen file;
    // back to the start, before that folder is removed.
    std::error_code ignored;
    fs::current_path(startFolder, ignored);
    fs::remove_all(scratch, ignored);
}

std::string ShellTest::scratchPath(const std::string& name) const {
    return (fs::path(scratch) / name).string();
}

void ShellTest::writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

bool ShellTest::readFile(const std::string& path, Bytes& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool ShellTest::fileExists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

bool ShellTest::storedValue(std::string& value) {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, SettingsKeyPath, &key) != ERROR_SUCCESS) return false;
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    LSTATUS status =
        RegQueryValueExA(key, SettingsValueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return false;
    value.assign(data, size);
    while (!value.empty() && value.back() == '\0') value.pop_back();
    return true;
}

void ShellTest::storeValue(const void* data, DWORD size, DWORD type) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, SettingsKeyPath, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, SettingsValueName, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

bool ShellTest::settingsKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, SettingsKeyPath, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void ShellTest::makeEditorWindow() {
    ASSERT_EQ(initMainWindow(instance), 1);
    ASSERT_EQ(createControls(instance), 1);
}
