// File and folder names through the 8-bit file calls: the program hands them
// over in Windows-1252, the disk holds the same characters (UTF-8 on Linux,
// UTF-16 on Windows), and the current directory comes back in Windows-1252.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/code_page.h"
#include "platform/win32.h"

namespace fs = std::filesystem;

namespace {

constexpr char Separator = static_cast<char>(fs::path::preferred_separator);

fs::path pathFromUtf8(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

class KernelNames : public ::testing::Test {
  protected:
    void SetUp() override {
#ifdef _WIN32
        if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page here is " << GetACP();
#endif
        static int counter = 0;
        folder = fs::temp_directory_path() /
                 ("cardloom-names-" + std::to_string(GetCurrentThreadId()) + "-" + std::to_string(++counter));
        fs::remove_all(folder);
        fs::create_directories(folder);
        saved = fs::current_path();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::current_path(saved, ignored);
        fs::remove_all(folder, ignored);
    }

    // `name` in the scratch folder, as an 8-bit call takes it (the folder's
    // own path is plain ASCII).
    std::string path(const std::string& name) const {
        return folder.string() + Separator + name;
    }
    // The Windows-1252 `name` in the scratch folder, as the disk holds it.
    fs::path onDisk(const std::string& name) const {
        return folder / pathFromUtf8(ansiToUtf8(name));
    }

    // The current directory through GetCurrentDirectoryA, checking the size
    // rules on the way: too small a buffer gives the size needed and is left
    // alone; a buffer of exactly that size takes it with its terminator.
    std::string currentDirectory() const {
        const DWORD needed = GetCurrentDirectoryA(0, nullptr);
        EXPECT_GT(needed, 1u);
        std::string buffer(needed + 1, '#');
        EXPECT_EQ(GetCurrentDirectoryA(needed - 1, buffer.data()), needed);
        EXPECT_EQ(buffer, std::string(needed + 1, '#'));
        EXPECT_EQ(GetCurrentDirectoryA(needed, buffer.data()), needed - 1);
        EXPECT_EQ(buffer[needed - 1], '\0');
        EXPECT_EQ(buffer[needed], '#');
        return buffer.substr(0, needed - 1);
    }

    fs::path folder;
    fs::path saved;
};

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(KernelNames, FileNamesReachTheDiskAsTheirCharacters) {
    const std::string first = "caf\xE9 \x80.dat";  // é, €
    const std::string second = "M\xFCller.dat";    // ü
    HANDLE file = CreateFileA(path(first).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD count = 0;
    EXPECT_TRUE(WriteFile(file, "card", 4, &count, nullptr));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_TRUE(fs::exists(onDisk(first)));
#ifndef _WIN32
    EXPECT_EQ(fs::directory_iterator(folder)->path().filename().string(), "caf\xC3\xA9 \xE2\x82\xAC.dat");
#endif

    file = CreateFileA(path(first).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    char bytes[8] = {};
    EXPECT_TRUE(ReadFile(file, bytes, sizeof bytes, &count, nullptr));
    EXPECT_EQ(std::string(bytes, count), "card");
    EXPECT_TRUE(CloseHandle(file));

    EXPECT_NE(GetFileAttributesA(path(first).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(MoveFileExA(path(first).c_str(), path(second).c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(fs::exists(onDisk(first)));
    EXPECT_EQ(fs::file_size(onDisk(second)), 4u);
    EXPECT_TRUE(DeleteFileA(path(second).c_str()));
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(KernelNames, CurrentDirectoryComesBackInWindows1252) {
    const std::string name = "K\xE4nguru \x80";
    ASSERT_TRUE(fs::create_directory(onDisk(name)));
    ASSERT_TRUE(SetCurrentDirectoryA(path(name).c_str())) << GetLastError();
    EXPECT_TRUE(fs::equivalent(fs::current_path(), onDisk(name)));
    EXPECT_TRUE(endsWith(currentDirectory(), Separator + name));

    // A name relative to it reaches the same folder.
    HANDLE file =
        CreateFileA("card.dat", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_TRUE(fs::exists(onDisk(name) / "card.dat"));
}

// A folder whose name the code page cannot hold: one '?' for each such
// character, the size counted in the code page's bytes.
TEST_F(KernelNames, CharactersOutsideTheCodePageComeBackAsQuestionMarks) {
    const fs::path japan = folder / pathFromUtf8("\xE6\x97\xA5\xE6\x9C\xAC \xC3\xA9");  // 日本 é
    ASSERT_TRUE(fs::create_directory(japan));
    fs::current_path(japan);
    EXPECT_TRUE(endsWith(currentDirectory(), Separator + std::string("?? \xE9")));
#ifndef _WIN32
    // Linux also allows names that are not UTF-8 at all: each stray byte is one '?'.
    const fs::path latin1 = folder / "caf\xE9\xFF";
    ASSERT_TRUE(fs::create_directory(latin1));
    fs::current_path(latin1);
    EXPECT_TRUE(endsWith(currentDirectory(), "/caf??"));
#endif
}

}  // namespace
