// Loading and saving where files have the platform's sharing modes and
// attributes.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "tests/card/card_file_support.h"

ForeignLock::ForeignLock(const std::string& path)
    : handle_(reinterpret_cast<std::intptr_t>(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr,
                                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))) {
    held_ = reinterpret_cast<HANDLE>(handle_) != INVALID_HANDLE_VALUE;
}

ForeignLock::~ForeignLock() {
    if (reinterpret_cast<HANDLE>(handle_) != INVALID_HANDLE_VALUE)
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

const char* const DeviceName = "NUL";

std::vector<Situation> platformSituations() {
    return {};
}

std::vector<std::string> platformNonRegularFiles(const std::filesystem::path&) {
    return {};
}

namespace {

TEST(SaveTarget, ReplacementKeepsTheFileAttributes) {
    ScratchFolder folder;
    std::string path = folder.file("cardinfo.dat");
    writeFileBytes(path, OneCardFile);
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), kept));
    auto table = tableToSave();
    FileProblem problem;
    ASSERT_EQ(saveCardFile(path.c_str(), *table, &problem), 1) << problem.what;
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & kept, kept);
    EXPECT_NE(readFileBytes(path), OneCardFile);
}

}  // namespace
