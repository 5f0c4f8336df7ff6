// A file picked in the open dialog whose path holds characters beyond ASCII:
// the dialog gives the path in Windows-1252 and the file calls open it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32.h"
#include "tests/support/answer.h"

namespace fs = std::filesystem;

TEST(OpenDialogNames, PathWithAnUmlautOpensThroughTheFileCalls) {
#ifdef _WIN32
    if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page here is " << GetACP();
#endif
    const fs::path folder =
        fs::temp_directory_path() / ("cardloom-dialog-" + std::to_string(GetCurrentThreadId()));
    const fs::path kangaroo = folder / fs::path(u8"K\u00E4nguru");
    fs::remove_all(folder);
    fs::create_directories(kangaroo);
    std::ofstream(kangaroo / "cardinfo.dat", std::ios::binary) << "card";
    const char separator = static_cast<char>(fs::path::preferred_separator);
    const std::string typed = folder.string() + separator + "K\xE4nguru" + separator + "cardinfo.dat";

    OpenAnswer answer(typed.c_str());
    answerOpenDialog(answer);
    char path[MAX_PATH] = "cardinfo.dat";
    OPENFILENAMEA request = {};
    request.lStructSize = sizeof request;
    request.lpstrFilter = "Card files (*.dat)\0*.dat\0\0";
    request.lpstrFile = path;
    request.nMaxFile = MAX_PATH;
    request.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    const BOOL picked = GetOpenFileNameA(&request);
    EXPECT_TRUE(answer.seen);
    ASSERT_TRUE(picked) << CommDlgExtendedError();
    const std::string tail = separator + std::string("K\xE4nguru") + separator + "cardinfo.dat";
    const std::string chosen = path;
    ASSERT_GE(chosen.size(), tail.size());
    EXPECT_EQ(chosen.substr(chosen.size() - tail.size()), tail);

    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    char bytes[8] = {};
    DWORD count = 0;
    EXPECT_TRUE(ReadFile(file, bytes, sizeof bytes, &count, nullptr));
    EXPECT_EQ(std::string(bytes, count), "card");
    EXPECT_TRUE(CloseHandle(file));
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}
