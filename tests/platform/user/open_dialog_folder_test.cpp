// The current folder after the open dialog: without OFN_NOCHANGEDIR the
// dialog leaves the process in the folder it showed last (that of the chosen
// file once one is chosen), with it the folder stays as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32.h"
#include "tests/support/answer.h"

namespace fs = std::filesystem;

namespace {

fs::path currentFolder() {
    char buffer[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, buffer);
    return length > 0 && length < MAX_PATH ? fs::path(buffer) : fs::path();
}

struct FolderCase {
    const char* what;
    DWORD flags;
    bool confirm;       // the dialog is confirmed with the file, else cancelled
    bool endsInChosen;  // the current folder is then the file's, else the one before
};

const FolderCase FolderCases[] = {
    {"confirmed", 0, true, true},
    {"confirmed with OFN_NOCHANGEDIR", OFN_NOCHANGEDIR, true, false},
    {"cancelled in the file's folder", 0, false, true},
    {"cancelled with OFN_NOCHANGEDIR", OFN_NOCHANGEDIR, false, false},
};

}  // namespace

TEST(OpenDialogFolder, TheCurrentFolderFollowsTheDialogUnlessNoChangeDir) {
    const fs::path root =
        fs::temp_directory_path() / ("cardloom-folder-" + std::to_string(GetCurrentThreadId()));
    const fs::path start = root / "start";
    const fs::path chosen = root / "chosen";
    fs::remove_all(root);
    fs::create_directories(start);
    fs::create_directories(chosen);
    std::ofstream(chosen / "cardinfo.dat", std::ios::binary) << "card";
    const std::string file = (chosen / "cardinfo.dat").string();
    const fs::path before = currentFolder();

    for (const FolderCase& c : FolderCases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(SetCurrentDirectoryA(start.string().c_str()));
        OpenAnswer answer(c.confirm ? file.c_str() : nullptr);
        answerOpenDialog(answer);
        char path[MAX_PATH] = {};
        file.copy(path, MAX_PATH - 1);
        OPENFILENAMEA request = {};
        request.lStructSize = sizeof request;
        request.lpstrFilter = "Card files (*.dat)\0*.dat\0\0";
        request.lpstrFile = path;
        request.nMaxFile = MAX_PATH;
        request.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | c.flags;
        EXPECT_EQ(GetOpenFileNameA(&request), c.confirm ? TRUE : FALSE);
        EXPECT_TRUE(answer.seen);
        std::error_code error;
        EXPECT_TRUE(fs::equivalent(currentFolder(), c.endsInChosen ? chosen : start, error))
            << currentFolder().string();
    }
    SetCurrentDirectoryA(before.string().c_str());
    std::error_code ignored;
    fs::remove_all(root, ignored);
}
