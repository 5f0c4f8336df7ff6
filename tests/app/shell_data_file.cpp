// Locating the data file: the stored path, the open dialog when nothing usable
// is stored, and "Choose data file" from the menu.
#include <cstring>
#include <string>

#include "answer.h"
#include "card/card_table.h"
#include "editor/main_window.h"
#include "res/resource.h"
#include "settings/data_file.h"
#include "shell_fixture.h"

namespace {

class DataFileTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        makeEditorWindow();
        chosen = scratchPath("cardinfo.dat");
        writeFile(chosen, cardFileBytes({}));
    }
    std::string chosen;  // an existing data file the dialog can pick
};

TEST_F(DataFileTest, StoredPathIsUsedWithoutDialog)
{
    const std::string stored = "C:\\Games\\Sets\\cardinfo.dat";
    storeValue(stored.c_str(), static_cast<DWORD>(stored.size() + 1));
    OpenAnswer dialog;  // cancels, should a dialog appear
    answerOpenDialog(dialog);
    EXPECT_EQ(locateDataFile(0), 1);
    EXPECT_FALSE(dialog.seen);
    EXPECT_STREQ(dataFilePath, stored.c_str());
}

TEST_F(DataFileTest, StoredValueWithoutTerminatorReadsAsTheSamePath)
{
    const std::string stored = "D:\\cards\\cardinfo.dat";
    storeValue(stored.data(), static_cast<DWORD>(stored.size()));
    EXPECT_EQ(locateDataFile(0), 1);
    EXPECT_STREQ(dataFilePath, stored.c_str());
}

TEST_F(DataFileTest, EmptyStoredValueCountsAsAPath)
{
    std::strcpy(dataFilePath, "previous");
    storeValue("", 1);
    OpenAnswer dialog;
    answerOpenDialog(dialog);
    EXPECT_EQ(locateDataFile(0), 1);
    EXPECT_FALSE(dialog.seen);
    EXPECT_STREQ(dataFilePath, "");
}

TEST_F(DataFileTest, NothingStoredShowsDialogProposingTheNameAndStoresTheChoice)
{
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

TEST_F(DataFileTest, CancelledDialogChangesNothing)
{
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

TEST_F(DataFileTest, UnusableStoredValuesAreTreatedAsNothingStored)
{
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

TEST_F(DataFileTest, LongestPathThatFitsIsTakenWhole)
{
    const std::string path = "C:\\" + std::string(DataFilePathSize - 1 - 3, 'z');
    storeValue(path.c_str(), static_cast<DWORD>(path.size() + 1));
    EXPECT_EQ(locateDataFile(0), 1);
    EXPECT_EQ(std::string(dataFilePath), path);
}

TEST_F(DataFileTest, ForcedAlwaysAsksAndReplacesTheStoredPath)
{
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

TEST_F(DataFileTest, ChooseDataFileMenuReplacesPathWithoutReloading)
{
    // A card in the table and the list, as after a load.
    copyField(cardTable.slots[0].name, NameWidth, "Loaded");
    cardTable.slots[0].active = 1;
    cardTable.slotCount = 1;
    SendMessageA(cardList, LB_SETITEMDATA, SendMessageA(cardList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Loaded")), 0);
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
}

}  // namespace
