// The settings store as the data file location meets it: paths that need
// escaping survive a round trip, stored as a string value. What the Linux
// store's file may hold is in settings_store_test_posix.cpp.
#include <cstring>
#include <string>

#include "settings/data_file.h"
#include "tests/support/answer.h"
#include "tests/support/shell_fixture.h"

namespace {

class SettingsStoreTest : public ChosenFileTest {};

// Every byte a path can hold, once each, in a path that fits the buffer.
std::string allBytes() {
    std::string path;
    for (int byte = 1; byte < 256; ++byte) path += static_cast<char>(byte);
    return path;
}

TEST_F(SettingsStoreTest, StoredPathsComeBackByteForByte) {
    const std::string paths[] = {
        "C:\\Games\\Sets\\cardinfo.dat",
        "\\\\server\\share\\cardinfo.dat",
        "/home/ann/My Cards; 2024, old=new/\"cardinfo\".dat",
        "@start.dat",
        " leading and trailing ",
        "tab\there#hash[bracket]%25",
        "K\xE4nguru\\\x80uro\\cardinfo.dat",  // Windows-1252 letters
        "C:\\Games\\",                        // a backslash at the end, one or two
        "C:\\Games\\\\",
        "\\",
        "\"quoted\" \\",
        allBytes(),
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
#ifdef _WIN32
        if (GetACP() != 1252 && path.find('\x80') != std::string::npos) continue;
#endif
        storeValue(path.c_str(), static_cast<DWORD>(path.size() + 1));
        std::memset(dataFilePath, 0, sizeof dataFilePath);
        OpenAnswer noDialog;
        answerOpenDialog(noDialog);
        EXPECT_EQ(locateDataFile(0), 1);
        EXPECT_FALSE(noDialog.seen);
        EXPECT_EQ(std::string(dataFilePath), path);
        stopAnswering();
    }
}

TEST_F(SettingsStoreTest, ChoiceIsStoredAsAStringValue) {
    OpenAnswer dialog(chosen.c_str());
    answerOpenDialog(dialog);
    ASSERT_EQ(locateDataFile(0), 1);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Kesp\\Cardloom", &key), ERROR_SUCCESS);
    char data[DataFilePathSize + 8] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "cardinfo.dat", nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(data), chosen);
    EXPECT_EQ(size, chosen.size() + 1) << "stored with its terminator";
}

}  // namespace
