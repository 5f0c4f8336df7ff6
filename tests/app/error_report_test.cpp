// The error box: text, caption, owner, and which codes forget the stored path.
#include "app/error_report.h"
#include "editor/main_window.h"
#include "settings/data_file.h"
#include "tests/support/answer.h"
#include "tests/support/shell_fixture.h"

namespace {

struct ErrorCase {
    int code;
    const char* text;
    bool forgetsPath;
};

const ErrorCase ErrorCases[] = {
    {NoDataFile, "Cardloom needs a data file to work\r\nLook in the Sets subdirectory.", false},
    {ControlsFailed, "Cardloom couldn't initialize the buttons.", false},
    {LoadFailed, "Cardloom couldn't load the cards. The invalid(?) cardinfo.dat will be removed.", true},
    {StartFailed, "Cardloom couldn't start.", true},
    {SaveFailed, "The updates cardinfo.dat couldn't be saved.", false},
    {0, "Unknown error: 0", false},
    {6, "Unknown error: 6", false},
    {-1, "Unknown error: -1", false},
    {-2147483647 - 1, "Unknown error: -2147483648", false},
};

class ErrorReportTest : public ShellTest {};

// The value is looked at from inside the box: it must already be gone (or
// still there) while the user reads the message.
bool storedWhileBoxUp = false;
void CALLBACK lookAtStoredValue(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    std::string value;
    HKEY key = nullptr;
    storedWhileBoxUp = false;
    if (RegOpenKeyA(HKEY_CURRENT_USER, SettingsKeyPath, &key) == ERROR_SUCCESS) {
        DWORD size = 0;
        storedWhileBoxUp =
            RegQueryValueExA(key, SettingsValueName, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
}

TEST_F(ErrorReportTest, EachCodeShowsItsTextAndForgetsThePathOnlyForLoadAndStartFailures) {
    const std::string dataFile = scratchPath("cardinfo.dat");
    const Bytes contents = cardFileBytes({{"Alpha", "E", "T", "1", "1/1", "x", "y"}});
    writeFile(dataFile, contents);
    makeEditorWindow();

    for (const ErrorCase& c : ErrorCases) {
        SCOPED_TRACE(c.code);
        storeValue(dataFile.c_str(), static_cast<DWORD>(dataFile.size() + 1));
        BoxAnswer box;
        answerNextBox(box);
        storedWhileBoxUp = true;
        SetTimer(nullptr, 0, 10, lookAtStoredValue);
        reportError(c.code);

        ASSERT_TRUE(box.seen);
        EXPECT_STREQ(box.text, c.text);
        EXPECT_STREQ(box.caption, "Cardloom error");
        EXPECT_EQ(box.owner, mainWindow);
        EXPECT_FALSE(box.ownerEnabled) << "the box is modal to the main window";
        EXPECT_EQ(storedWhileBoxUp, !c.forgetsPath);

        std::string value;
        EXPECT_EQ(storedValue(value), !c.forgetsPath);
        if (!c.forgetsPath) {
            EXPECT_EQ(value, dataFile);
        }
        Bytes after;
        ASSERT_TRUE(readFile(dataFile, after)) << "the data file itself is never removed";
        EXPECT_EQ(after, contents);
    }
    EXPECT_TRUE(IsWindow(mainWindow)) << "reporting ends nothing";
}

TEST_F(ErrorReportTest, WithoutMainWindowTheBoxHasNoOwnerAndTheKeyIsCreated) {
    ASSERT_FALSE(settingsKeyExists());
    BoxAnswer box;
    answerNextBox(box);
    reportError(StartFailed);
    ASSERT_TRUE(box.seen);
    EXPECT_STREQ(box.text, "Cardloom couldn't start.");
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_TRUE(settingsKeyExists()) << "forgetting opens the key, creating it when missing";
    std::string value;
    EXPECT_FALSE(storedValue(value));
}

}  // namespace
