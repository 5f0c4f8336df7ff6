// appMain: the start-up order, each failure with its box, and a successful
// start that ends through the Exit command.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/app_main.h"
#include "card/card_table.h"
#include "editor/main_window.h"
#include "res/resource.h"
#include "settings/data_file.h"
#include "tests/support/answer.h"
#include "tests/support/shell_fixture.h"

namespace {

constexpr UINT WatchMs = 20;
constexpr int WatchTicks = 1500;  // a safety stop for a start that never completes

// What the running editor shows, read from a timer inside its message loop,
// which then asks it to exit as the user would.
struct RunningState {
    bool reached = false;
    int ticks = 0;
    std::vector<std::pair<std::string, LRESULT>> entries;
    int slotCount = -1;
    std::string nameText;
    BOOL zoomed = FALSE;
    BOOL visible = FALSE;
    WINDOWPLACEMENT placement{};
    bool sawWaitWindow = false;  // the small window was seen before the load
    RECT waitRect{};             // its place on screen then
};
RunningState running;

void CALLBACK watchRunning(HWND, UINT, UINT_PTR id, DWORD) {
    ++running.ticks;
    if (!running.sawWaitWindow && mainWindow != nullptr && IsWindowVisible(mainWindow) &&
        !IsZoomed(mainWindow)) {
        running.sawWaitWindow = true;
        GetWindowRect(mainWindow, &running.waitRect);
    }
    const bool up = mainWindow != nullptr && cardList != nullptr && IsZoomed(mainWindow);
    if (!up && running.ticks < WatchTicks) return;
    KillTimer(nullptr, id);
    running.reached = up;
    if (up) {
        const LRESULT count = SendMessageA(cardList, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            char name[NameWidth + 8] = {};
            SendMessageA(cardList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(name));
            running.entries.emplace_back(name, SendMessageA(cardList, LB_GETITEMDATA, i, 0));
        }
        running.slotCount = cardTable.slotCount;
        char text[256] = {};
        GetWindowTextA(nameEdit, text, sizeof text);
        running.nameText = text;
        running.zoomed = IsZoomed(mainWindow);
        running.visible = IsWindowVisible(mainWindow);
        running.placement.length = sizeof running.placement;
        GetWindowPlacement(mainWindow, &running.placement);
    }
    if (mainWindow != nullptr) PostMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
}

class StartTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        running = RunningState();
        dataFile = scratchPath("cardinfo.dat");
    }
    void storePath(const std::string& path) { storeValue(path.c_str(), static_cast<DWORD>(path.size() + 1)); }

    std::string dataFile;
};

const std::vector<TestCard> FourCards = {
    {"Delta", "Ed", "Type D", "4", "4/4", "Text D", "", 0x01},
    {"alpha", "Ed", "Type a", "1", "1/1", "Line 1\r\nLine 2", "Comment", 0x80},
    {"Charlie", "", "", "", "", "", "", 0},
    {"Bravo", "Ed", "Type B", "2", "", "", "", 0x0A},
};

TEST_F(StartTest, LoadsShowsMaximisedAndEndsWithStatusZeroWhateverTheCommandLine) {
    writeFile(dataFile, cardFileBytes(FourCards));
    char tails[][40] = {"", "\"quoted arg\" -x /y --save"};
    for (char* tail : tails) {
        SCOPED_TRACE(tail);
        running = RunningState();
        storePath(dataFile);
        OpenAnswer noDialog;
        answerOpenDialog(noDialog);
        BoxAnswer noBox;
        answerNextBox(noBox);
        SetTimer(nullptr, 0, WatchMs, watchRunning);

        EXPECT_EQ(appMain(instance, nullptr, tail, tail[0] != '\0' ? SW_HIDE : SW_SHOWNORMAL), 0);

        EXPECT_FALSE(noDialog.seen);
        EXPECT_FALSE(noBox.seen) << noBox.text;
        ASSERT_TRUE(running.reached);
        const std::vector<std::pair<std::string, LRESULT>> sorted = {
            {"alpha", 1}, {"Bravo", 3}, {"Charlie", 2}, {"Delta", 0}};
        EXPECT_EQ(running.entries, sorted);
        EXPECT_EQ(running.slotCount, 4);
        EXPECT_EQ(running.nameText, "");
        EXPECT_TRUE(running.zoomed);
        EXPECT_TRUE(running.visible);
        EXPECT_EQ(running.placement.showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
        const RECT& normal = running.placement.rcNormalPosition;
        EXPECT_EQ(normal.right - normal.left, 640);
        EXPECT_EQ(normal.bottom - normal.top, 480);
        EXPECT_FALSE(IsWindow(mainWindow)) << "Exit destroyed the window";
        std::string value;
        EXPECT_TRUE(storedValue(value)) << "a normal run keeps the stored path";

        // Fresh state for the second start.
        stopAnswering();
        UnregisterClassA("Cardloom", instance);
        clearCardTable(cardTable);
        mainWindow = nameEdit = cardList = nullptr;
        layoutEnabled = 0;
    }
}

TEST_F(StartTest, FirstStartAsksForTheFileAndStoresIt) {
    writeFile(dataFile, cardFileBytes(FourCards));
    OpenAnswer dialog(dataFile.c_str());
    answerOpenDialog(dialog);
    SetTimer(nullptr, 0, WatchMs, watchRunning);
    EXPECT_EQ(appMain(instance, nullptr, nullptr, SW_SHOWNORMAL), 0);
    EXPECT_TRUE(dialog.seen);
    ASSERT_TRUE(running.reached);
    EXPECT_EQ(running.slotCount, 4);
    // The wait window was up while the dialog asked; restoring the editor
    // gives 640 x 480 where it stood.
    ASSERT_TRUE(running.sawWaitWindow);
    EXPECT_EQ(running.waitRect.right - running.waitRect.left, 260);
    EXPECT_EQ(running.waitRect.bottom - running.waitRect.top, 65);
    const RECT& normal = running.placement.rcNormalPosition;
    EXPECT_EQ(normal.left, running.waitRect.left);
    EXPECT_EQ(normal.top, running.waitRect.top);
    EXPECT_EQ(normal.right - normal.left, 640);
    EXPECT_EQ(normal.bottom - normal.top, 480);
    std::string value;
    ASSERT_TRUE(storedValue(value));
    EXPECT_EQ(value, dataFile);
}

TEST_F(StartTest, StartFailedWhenTheWindowCannotBeMadeShowsOwnerlessBoxAndForgetsPath) {
    // The class is taken already, so the main window's registration fails.
    WNDCLASSA taken{};
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = instance;
    taken.lpszClassName = "Cardloom";
    ASSERT_NE(RegisterClassA(&taken), 0);
    storePath(dataFile);

    BoxAnswer box;
    answerNextBox(box);
    OpenAnswer noDialog;
    answerOpenDialog(noDialog);
    EXPECT_EQ(appMain(instance, nullptr, nullptr, SW_SHOWNORMAL), 0);

    ASSERT_TRUE(box.seen);
    EXPECT_STREQ(box.text, "Cardloom couldn't start.");
    EXPECT_STREQ(box.caption, "Cardloom error");
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_FALSE(noDialog.seen) << "nothing after the failed step runs";
    std::string value;
    EXPECT_FALSE(storedValue(value));
}

TEST_F(StartTest, NoDataFileWhenTheDialogIsCancelled) {
    OpenAnswer dialog;  // cancels
    answerOpenDialog(dialog);
    BoxAnswer box;
    answerNextBox(box);
    EXPECT_EQ(appMain(instance, nullptr, nullptr, SW_SHOWNORMAL), 0);

    ASSERT_TRUE(dialog.seen);
    EXPECT_EQ(dialog.owner, mainWindow) << "the dialog opens over the wait window";
    EXPECT_TRUE(dialog.ownerVisible) << "the wait window stays on screen behind the dialog";
    ASSERT_TRUE(box.seen);
    EXPECT_STREQ(box.text, "Cardloom needs a data file to work\r\nLook in the Sets subdirectory.");
    EXPECT_STREQ(box.caption, "Cardloom error");
    EXPECT_EQ(box.owner, mainWindow);
    EXPECT_EQ(textOf(nameEdit), "Please wait while loading Cardloom");
    EXPECT_EQ(cardList, nullptr) << "the controls are made only once a path is known";
    EXPECT_TRUE(settingsKeyExists());
    std::string value;
    EXPECT_FALSE(storedValue(value));
}

// While the dialog is up, the main window handle is taken away, so that the
// controls (children of mainWindow) cannot be created after it.
HWND hiddenMainWindow = nullptr;
OpenAnswer* pendingPick = nullptr;
BOOL CALLBACK findOpenDialog(HWND window, LPARAM found) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}
void CALLBACK dropMainWindowDuringDialog(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findOpenDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) return;
    KillTimer(nullptr, id);
    hiddenMainWindow = mainWindow;
    mainWindow = nullptr;
    answerOpenDialog(*pendingPick);
}

TEST_F(StartTest, ControlsFailedWhenTheControlsCannotBeCreated) {
    writeFile(dataFile, cardFileBytes(FourCards));
    OpenAnswer pick(dataFile.c_str());
    pendingPick = &pick;
    hiddenMainWindow = nullptr;
    BoxAnswer box;
    answerNextBox(box);
    SetTimer(nullptr, 0, WatchMs, dropMainWindowDuringDialog);

    EXPECT_EQ(appMain(instance, nullptr, nullptr, SW_SHOWNORMAL), 0);
    mainWindow = hiddenMainWindow;  // for the clean-up

    EXPECT_TRUE(pick.seen);
    ASSERT_TRUE(box.seen);
    EXPECT_STREQ(box.text, "Cardloom couldn't initialize the buttons.");
    EXPECT_STREQ(box.caption, "Cardloom error");
    EXPECT_EQ(cardTable.slotCount, 0) << "nothing is loaded after the failed step";
    std::string value;
    ASSERT_TRUE(storedValue(value)) << "ControlsFailed keeps the stored path";
    EXPECT_EQ(value, dataFile);
}

TEST_F(StartTest, LoadFailedForMissingOrDamagedFileForgetsPathAndKeepsFile) {
    Bytes damaged = cardFileBytes(FourCards);
    damaged[0] = 0xFF;  // the index lies past the end of the file
    writeFile(dataFile, damaged);
    const std::string missing = scratchPath("gone.dat");

    for (const std::string& path : {missing, dataFile}) {
        SCOPED_TRACE(path);
        storePath(path);
        BoxAnswer box;
        answerNextBox(box);
        OpenAnswer noDialog;
        answerOpenDialog(noDialog);
        EXPECT_EQ(appMain(instance, nullptr, nullptr, SW_SHOWNORMAL), 0);

        EXPECT_FALSE(noDialog.seen);
        ASSERT_TRUE(box.seen);
        EXPECT_STREQ(box.text,
                     "Cardloom couldn't load the cards. The invalid(?) cardinfo.dat will be removed.");
        EXPECT_STREQ(box.caption, "Cardloom error");
        EXPECT_EQ(box.owner, mainWindow);
        std::string value;
        EXPECT_FALSE(storedValue(value));
        EXPECT_EQ(cardTable.slotCount, 0);
        EXPECT_EQ(SendMessageA(cardList, LB_GETCOUNT, 0, 0), 0);

        stopAnswering();
        DestroyWindow(mainWindow);
        runUntilQuit();
        UnregisterClassA("Cardloom", instance);
        mainWindow = nameEdit = cardList = nullptr;
        layoutEnabled = 0;
    }
    EXPECT_FALSE(fileExists(missing)) << "no file is made for a missing one";
    Bytes after;
    ASSERT_TRUE(readFile(dataFile, after));
    EXPECT_EQ(after, damaged) << "the damaged file is left as it was";
}

}  // namespace
