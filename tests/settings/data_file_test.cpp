// Locating the data file: the stored path, the open dialog when nothing usable
// is stored, and "Choose data file" from the menu.
#include <cstring>
#include <filesystem>
#include <string>

#include "card/card_table.h"
#include "editor/main_window.h"
#include "res/resource.h"
#include "settings/data_file.h"
#include "tests/support/answer.h"
#include "tests/support/shell_fixture.h"

#ifdef _WIN32
#include <cderr.h>
#endif

namespace fs = std::filesystem;

namespace {

// Makes `folder` the current directory for one test and restores the old one.
class CurrentDirectory {
  public:
    explicit CurrentDirectory(const fs::path& folder) : previous_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~CurrentDirectory() {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
    }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

  private:
    fs::path previous_;
};

// A folder below `base` whose full path is `length` characters long, made of
// components short enough for any file system.
fs::path folderOfLength(const std::string& base, std::size_t length) {
    std::string path = base;
    const char separator = static_cast<char>(fs::path::preferred_separator);
    while (path.size() < length) {
        std::size_t room = length - path.size() - 1;  // for the next component
        // At most 100 at a time, never leaving a single character over,
        // which would be a separator with no name after it.
        if (room > 100) room = room - 100 == 1 ? 98 : 100;
        path += separator + std::string(room, 'd');
    }
    fs::create_directories(path);
    return path;
}

class DataFileTest : public ChosenFileTest {};

TEST_F(DataFileTest, StoredPathIsUsedWithoutDialog) {
    const std::string stored = "C:\\Games\\Sets\\cardinfo.dat";
    storeValue(stored.c_str(), static_cast<DWORD>(stored.size() + 1));
    OpenAnswer dialog;  // cancels, should a dialog appear
    answerOpenDialog(dialog);
    EXPECT_EQ(locateDataFile(0), 1);
    EXPECT_FALSE(dialog.seen);
    EXPECT_STREQ(dataFilePath, stored.c_str());
}

TEST_F(DataFileTest, StoredValueWithoutTerminatorReadsAsTheSamePath) {
    const std::string stored = "D:\\cards\\cardinfo.dat";
    storeValue(stored.data(), static_cast<DWORD>(stored.size()));
    EXPECT_EQ(locateDataFile(0), 1);
    EXPECT_STREQ(dataFilePath, stored.c_str());
}

TEST_F(DataFileTest, EmptyStoredValueCountsAsAPath) {
    std::strcpy(dataFilePath, "previous");
    storeValue("", 1);
    OpenAnswer dialog;
    answerOpenDialog(dialog);
    EXPECT_EQ(locateDataFile(0), 1);
    EXPECT_FALSE(dialog.seen);
    EXPECT_STREQ(dataFilePath, "");
}

TEST_F(DataFileTest, NothingStoredShowsDialogProposingTheNameAndStoresTheChoice) {
    OpenAnswer dialog(chosen.c_str());
    answerOpenDialog(dialog);
    EXPECT_EQ(locateDataFile(0), 1);
    ASSERT_TRUE(dialog.seen);
    EXPECT_EQ(dialog.owner, mainWindow);
    EXPECT_FALSE(dialog.ownerEnabled) << "the dialog is modal to the main window";
    const std::string proposed = dialog.proposed;
    EXPECT_EQ(proposed.substr(proposed.size() >= 12 ? proposed.size() - 12 : 0), "cardinfo.dat");
    EXPECT_STREQ(dataFilePath, chosen.c_str());
    std::string value;
    ASSERT_TRUE(storedValue(value));
    EXPECT_EQ(value, chosen);

    // The next start takes it without asking.
    std::memset(dataFilePath, 0, sizeof dataFilePath);
    OpenAnswer unexpected;
    answerOpenDialog(unexpected);
    EXPECT_EQ(locateDataFile(0), 1);
    EXPECT_FALSE(unexpected.seen);
    EXPECT_STREQ(dataFilePath, chosen.c_str());
}

TEST_F(DataFileTest, CancelledDialogChangesNothing) {
    std::strcpy(dataFilePath, "unchanged");
    OpenAnswer dialog;  // cancels
    answerOpenDialog(dialog);
    EXPECT_EQ(locateDataFile(0), 0);
    EXPECT_TRUE(dialog.seen);
    EXPECT_STREQ(dataFilePath, "unchanged");
    std::string value;
    EXPECT_FALSE(storedValue(value));
    EXPECT_TRUE(settingsKeyExists()) << "the key is created even when nothing is stored";
}

TEST_F(DataFileTest, UnusableStoredValuesAreTreatedAsNothingStored) {
    // Too long for the 260-byte path, with and without a terminator, and a
    // value that fills all 260 bytes without one.
    const std::string longPath = "C:\\" + std::string(296, 'x') + "\\cardinfo.dat";
    const std::string full(DataFilePathSize, 'y');
    struct Case {
        const char* what;
        std::string data;
    } cases[] = {
        {"longer than 260 bytes, terminated", longPath + '\0'},
        {"longer than 260 bytes, unterminated", longPath},
        {"exactly 260 bytes, unterminated", full},
        {"260 bytes, then a terminator", full + '\0'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        storeValue(c.data.data(), static_cast<DWORD>(c.data.size()));
        std::strcpy(dataFilePath, "before");
        OpenAnswer dialog;  // cancels
        answerOpenDialog(dialog);
        EXPECT_EQ(locateDataFile(0), 0);
        EXPECT_TRUE(dialog.seen);
        EXPECT_STREQ(dataFilePath, "before");
        EXPECT_EQ(dataFilePath[DataFilePathSize - 1], '\0');
    }
}

TEST_F(DataFileTest, LongestPathThatFitsIsTakenWhole) {
    const std::string path = "C:\\" + std::string(DataFilePathSize - 1 - 3, 'z');
    storeValue(path.c_str(), static_cast<DWORD>(path.size() + 1));
    EXPECT_EQ(locateDataFile(0), 1);
    EXPECT_EQ(std::string(dataFilePath), path);
}

TEST_F(DataFileTest, ForcedAlwaysAsksAndReplacesTheStoredPath) {
    const std::string stored = scratchPath("old.dat");
    storeValue(stored.c_str(), static_cast<DWORD>(stored.size() + 1));
    OpenAnswer dialog(chosen.c_str());
    answerOpenDialog(dialog);
    EXPECT_EQ(locateDataFile(1), 1);
    EXPECT_TRUE(dialog.seen);
    EXPECT_STREQ(dataFilePath, chosen.c_str());
    std::string value;
    ASSERT_TRUE(storedValue(value));
    EXPECT_EQ(value, chosen);
}

TEST_F(DataFileTest, ChooseDataFileMenuReplacesPathWithoutReloading) {
    // A card in the table and the list, as after a load.
    copyField(cardTable.slots[0].name, NameWidth, "Loaded");
    cardTable.slots[0].active = 1;
    cardTable.slotCount = 1;
    SendMessageA(cardList, LB_SETITEMDATA,
                 SendMessageA(cardList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Loaded")), 0);
    const std::string original = scratchPath("original.dat");
    std::strcpy(dataFilePath, original.c_str());
    storeValue(original.c_str(), static_cast<DWORD>(original.size() + 1));

    // Cancel: nothing changes.
    {
        OpenAnswer cancel;
        answerOpenDialog(cancel);
        EXPECT_EQ(SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(IDM_CHOOSEFILE, 0), 0), 0);
        EXPECT_TRUE(cancel.seen);
        EXPECT_STREQ(dataFilePath, original.c_str());
        std::string value;
        ASSERT_TRUE(storedValue(value));
        EXPECT_EQ(value, original);
    }
    // Confirm: path and stored value replaced, the cards stay as loaded.
    OpenAnswer pick(chosen.c_str());
    answerOpenDialog(pick);
    EXPECT_EQ(SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(IDM_CHOOSEFILE, 0), 0), 0);
    EXPECT_TRUE(pick.seen);
    EXPECT_STREQ(dataFilePath, chosen.c_str());
    std::string value;
    ASSERT_TRUE(storedValue(value));
    EXPECT_EQ(value, chosen);
    EXPECT_EQ(cardTable.slotCount, 1);
    EXPECT_STREQ(cardTable.slots[0].name, "Loaded");
    ASSERT_EQ(SendMessageA(cardList, LB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(listText(cardList, 0), "Loaded");

    // Save writes the loaded cards into the newly chosen file.
    BoxAnswer saved;
    answerNextBox(saved);
    SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(saveButton));
    ASSERT_TRUE(saved.seen);
    EXPECT_EQ(std::string(saved.text), chosen + " created successfully");
    Bytes written;
    ASSERT_TRUE(readFile(chosen, written));
    EXPECT_EQ(written, cardFileBytes({{"Loaded", "", "", "", "", "", "", 0}}));
    EXPECT_FALSE(fileExists(original));
}

TEST_F(DataFileTest, DialogOpensInTheCurrentDirectoryWithTheDataFileFilterInForce) {
    CurrentDirectory here(scratch);
    char destination[DataFilePathSize] = "unchanged";
    // A bare name typed into the dialog is looked for in the folder it shows.
    OpenAnswer dialog("cardinfo.dat");
    answerOpenDialog(dialog);
    EXPECT_EQ(chooseDataFile(SettingsValueName, DataFileFilters, destination), 1);
    ASSERT_TRUE(dialog.seen);
    EXPECT_STREQ(dialog.proposed, "cardinfo.dat");
    EXPECT_STREQ(destination, chosen.c_str());
    EXPECT_STREQ(dialog.fileType, "Apprentice Data File (cardinfo.dat)");
    EXPECT_STREQ(dialog.fileTypes, "Apprentice Data File (cardinfo.dat)\nAll Files (*.*)\n");
}

#ifndef _WIN32
// The layer's dialog adds the default extension. On Windows the platform's
// dialog does that (Wine's refuses the bare name before adding it).
TEST_F(DataFileTest, NameWithoutExtensionGetsDat) {
    const std::string other = scratchPath("other.dat");
    writeFile(other, cardFileBytes({}));
    const std::string typed = scratchPath("other");
    OpenAnswer dialog(typed.c_str());
    answerOpenDialog(dialog);
    EXPECT_EQ(locateDataFile(1), 1);
    EXPECT_TRUE(dialog.seen);
    EXPECT_STREQ(dataFilePath, other.c_str());
}
#endif

TEST_F(DataFileTest, DialogRefusesAMissingFileAndStaysOpen) {
    std::strcpy(dataFilePath, "unchanged");
    const std::string missing = scratchPath("missing.dat");
    OpenAnswer typeMissing(missing.c_str());
    BoxAnswer refusal;
    OpenAnswer thenCancel;
    answerOpenDialog(typeMissing);
    answerNextBox(refusal);
    answerOpenDialog(thenCancel);
    EXPECT_EQ(locateDataFile(1), 0);
    EXPECT_TRUE(typeMissing.seen);
    ASSERT_TRUE(refusal.seen);
    EXPECT_NE(refusal.owner, nullptr) << "the refusal is owned by the dialog";
    EXPECT_NE(refusal.owner, mainWindow);
    EXPECT_TRUE(thenCancel.seen) << "the same dialog took the next answer";
    EXPECT_STREQ(dataFilePath, "unchanged");
    EXPECT_FALSE(fileExists(missing));
    std::string value;
    EXPECT_FALSE(storedValue(value));
}

TEST_F(DataFileTest, CurrentDirectoryTooLongForTheNameProposesTheBareName) {
    // With a backslash and the 12-character name the path would need 261
    // bytes of the 260-byte buffer.
    const fs::path deep = folderOfLength(scratch, DataFilePathSize - 13);
    CurrentDirectory here(deep);
    ASSERT_EQ(fs::current_path().string().size(), static_cast<std::size_t>(DataFilePathSize - 13));
    char destination[DataFilePathSize] = "unchanged";
    OpenAnswer dialog;  // cancels
    answerOpenDialog(dialog);
    EXPECT_EQ(chooseDataFile(SettingsValueName, DataFileFilters, destination), 0);
    ASSERT_TRUE(dialog.seen);
    EXPECT_STREQ(dialog.proposed, "cardinfo.dat");
    EXPECT_STREQ(destination, "unchanged");
}

TEST_F(DataFileTest, ChosenPathLongerThanTheBufferIsNoChoice) {
    OpenAnswer dialog(chosen.c_str());
    answerOpenDialog(dialog);
    char small[16] = "cardinfo.dat";
    OPENFILENAMEA request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = mainWindow;
    request.lpstrFilter = DataFileFilters;
    request.lpstrFile = small;
    request.nMaxFile = sizeof small;
    request.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    EXPECT_EQ(GetOpenFileNameA(&request), FALSE);
    EXPECT_TRUE(dialog.seen);
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
}

#ifndef _WIN32
// Paths beyond 260 bytes exist on Linux: in the current directory, and as
// the file picked.
TEST_F(DataFileTest, PathsBeyondTheBufferNeitherOverrunNorCount) {
    const fs::path deep = folderOfLength(scratch, 300);
    const std::string longFile = (deep / "cardinfo.dat").string();
    writeFile(longFile, cardFileBytes({}));
    CurrentDirectory here(deep);
    std::strcpy(dataFilePath, "unchanged");

    OpenAnswer dialog(longFile.c_str());
    answerOpenDialog(dialog);
    EXPECT_EQ(locateDataFile(1), 0);
    ASSERT_TRUE(dialog.seen);
    EXPECT_STREQ(dialog.proposed, "cardinfo.dat");
    EXPECT_STREQ(dataFilePath, "unchanged");
    std::string value;
    EXPECT_FALSE(storedValue(value));
}
#endif

}  // namespace
