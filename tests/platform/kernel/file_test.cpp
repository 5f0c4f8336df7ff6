// The Win32 file calls that the card core relies on, written as plain Win32
// calls so that the same checks run against Windows and against the Linux
// layer.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/win32.h"
#include "tests/support/test_cards.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

namespace fs = std::filesystem;

namespace {

HANDLE openFile(const std::string& path, DWORD access, DWORD share, DWORD creation) {
    return CreateFileA(path.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(File, ShareModeZeroKeepsOtherOpenersOut) {
    ScratchFolder folder;
    std::string path = folder.file("a.dat");
    writeFileBytes(path, {1, 2, 3, 4});
    HANDLE first = openFile(path, GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);

    SetLastError(0);
    EXPECT_EQ(openFile(path, GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    // Creating over a held file fails too, and does not empty it.
    EXPECT_EQ(openFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(fs::file_size(path), 4u);

    ASSERT_TRUE(CloseHandle(first));
    HANDLE second = openFile(path, GENERIC_READ, 0, OPEN_EXISTING);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(second));
}

TEST(File, CreationModesAndTheirErrors) {
    ScratchFolder folder;
    std::string path = folder.file("b.dat");
    EXPECT_EQ(openFile(path, GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(openFile(folder.file("no/b.dat"), GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    HANDLE created = openFile(path, GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(created, "hello", 5, &written, nullptr));
    EXPECT_EQ(written, 5u);
    EXPECT_TRUE(FlushFileBuffers(created));
    EXPECT_TRUE(CloseHandle(created));

    EXPECT_EQ(openFile(path, GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));

    HANDLE again = openFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(again, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(again, nullptr), 0u);
    EXPECT_TRUE(CloseHandle(again));
    EXPECT_FALSE(CloseHandle(again));
}

TEST(File, ReadPositionAndSize) {
    ScratchFolder folder;
    std::string path = folder.file("c.dat");
    writeFileBytes(path, {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'});
    HANDLE file = openFile(path, GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD high = 99;
    EXPECT_EQ(GetFileSize(file, &high), 10u);
    EXPECT_EQ(high, 0u);

    char buffer[16] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(file, buffer, 4, &read, nullptr));
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(SetFilePointer(file, 2, nullptr, FILE_CURRENT), 6u);
    EXPECT_TRUE(ReadFile(file, buffer, 16, &read, nullptr));
    EXPECT_EQ(read, 4u);  // only what is left
    EXPECT_EQ(std::string(buffer, 4), "6789");
    EXPECT_TRUE(ReadFile(file, buffer, 16, &read, nullptr));
    EXPECT_EQ(read, 0u);  // end of file is not an error

    EXPECT_EQ(SetFilePointer(file, -3, nullptr, FILE_END), 7u);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_BEGIN), 0u);
    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));

    // A read-only handle does not write.
    DWORD written = 7;
    EXPECT_FALSE(WriteFile(file, "x", 1, &written, nullptr));
    EXPECT_EQ(written, 0u);
    EXPECT_TRUE(CloseHandle(file));
}

TEST(File, MoveAndDelete) {
    ScratchFolder folder;
    std::string from = folder.file("from.dat"), to = folder.file("to.dat");
    writeFileBytes(from, {1});
    writeFileBytes(to, {2, 2});

    EXPECT_FALSE(MoveFileExA(from.c_str(), to.c_str(), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    {
        HANDLE held = openFile(to, GENERIC_READ, 0, OPEN_EXISTING);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING));
        DWORD error = GetLastError();
        EXPECT_TRUE(error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) << error;
        EXPECT_FALSE(DeleteFileA(to.c_str()));
        CloseHandle(held);
    }
    EXPECT_EQ(readFileBytes(to), Bytes({2, 2}));
    EXPECT_TRUE(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_FALSE(fs::exists(from));
    EXPECT_EQ(readFileBytes(to), Bytes({1}));

    EXPECT_TRUE(DeleteFileA(to.c_str()));
    EXPECT_FALSE(DeleteFileA(to.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// Replacing a file by another keeps the replaced one's name and protection,
// and a handle tells what and where a file is: its kind, its names, its
// identity and its final path.
TEST(File, ReplaceAndIdentity) {
    ScratchFolder folder;
    std::string old = folder.file("old.dat"), fresh = folder.file("fresh.dat"),
                second = folder.file("second.dat");
    writeFileBytes(old, {1});
    writeFileBytes(fresh, {2, 2});
    EXPECT_FALSE(
        ReplaceFileA(folder.file("missing.dat").c_str(), fresh.c_str(), nullptr, 0, nullptr, nullptr));
    EXPECT_TRUE(
        ReplaceFileA(old.c_str(), fresh.c_str(), nullptr, REPLACEFILE_WRITE_THROUGH, nullptr, nullptr));
    EXPECT_FALSE(fs::exists(fresh));
    EXPECT_EQ(readFileBytes(old), Bytes({2, 2}));

    fs::create_hard_link(old, second);
    BY_HANDLE_FILE_INFORMATION info[2];
    const std::string names[2] = {old, second};
    for (int i = 0; i < 2; ++i) {
        HANDLE file = CreateFileA(names[i].c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetFileType(file), static_cast<DWORD>(FILE_TYPE_DISK));
        ASSERT_TRUE(GetFileInformationByHandle(file, &info[i]));
        EXPECT_EQ(info[i].nNumberOfLinks, 2u);
        EXPECT_EQ(info[i].nFileSizeLow, 2u);
        char final[MAX_PATH];
        DWORD length = GetFinalPathNameByHandleA(file, final, sizeof final, FILE_NAME_NORMALIZED);
        ASSERT_GT(length, 0u);
        ASSERT_LT(length, sizeof final);
        EXPECT_EQ(std::string(final).substr(length - 10), names[i].substr(names[i].size() - 10));
        EXPECT_GE(GetFinalPathNameByHandleA(file, final, 4, FILE_NAME_NORMALIZED), length) << "size needed";
        CloseHandle(file);
    }
    EXPECT_EQ(info[0].nFileIndexLow, info[1].nFileIndexLow);
    EXPECT_EQ(info[0].dwVolumeSerialNumber, info[1].dwVolumeSerialNumber);

    HANDLE device = openFile(
#ifdef _WIN32
        "NUL",
#else
        "/dev/null",
#endif
        GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileType(device), static_cast<DWORD>(FILE_TYPE_CHAR));
    CloseHandle(device);
}

TEST(File, FileAttributes) {
    ScratchFolder folder;
    std::string path = folder.file("attr.dat");
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    writeFileBytes(path, {1});
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY), 0u);
    fs::permissions(path, fs::perms::owner_read);
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_NE(GetFileAttributesA(folder.path().string().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

#ifndef _WIN32

TEST(File, WritePastTheFileSizeLimitReportsTheShortCount) {
    ScratchFolder folder;
    std::string path = folder.file("limit.dat");
    HANDLE file = openFile(path, GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 50;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    char data[100] = {};
    DWORD written = 0;
    BOOL ok = WriteFile(file, data, sizeof data, &written, nullptr);
    DWORD error = GetLastError();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(written, 50u);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_DISK_FULL));
    sigset_t pending;
    sigpending(&pending);
    EXPECT_EQ(sigismember(&pending, SIGXFSZ), 0);
    EXPECT_TRUE(CloseHandle(file));
}

#endif

}  // namespace
