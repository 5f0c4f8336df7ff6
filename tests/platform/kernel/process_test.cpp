// The Win32 process calls: current directory, command line, module and thread,
// written as plain Win32 calls so that the same checks run against Windows
// and against the Linux layer.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/win32.h"
#include "tests/support/test_cards.h"

#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

extern char** environ;
#endif

namespace fs = std::filesystem;

namespace {

TEST(Process, CurrentDirectoryReturnRules) {
    ScratchFolder folder;
    char saved[MAX_PATH];
    DWORD savedLength = GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_GT(savedLength, 0u);
    ASSERT_LT(savedLength, static_cast<DWORD>(MAX_PATH));

    ASSERT_TRUE(SetCurrentDirectoryA(folder.path().string().c_str()));
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    ASSERT_GT(needed, 1u);
    std::string buffer(needed, '#');
    EXPECT_EQ(GetCurrentDirectoryA(needed - 1, buffer.data()), needed);  // too small: size with terminator
    EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(GetCurrentDirectoryA(needed, buffer.data()), needed - 1);  // fits: length without it
    EXPECT_EQ(buffer[needed - 1], '\0');
    EXPECT_TRUE(fs::equivalent(fs::path(buffer.c_str()), folder.path()));

    EXPECT_FALSE(SetCurrentDirectoryA(folder.file("missing").c_str()));
    ASSERT_TRUE(SetCurrentDirectoryA(saved));
}

TEST(Process, ProcessIdentity) {
    const char* commandLine = GetCommandLineA();
    ASSERT_NE(commandLine, nullptr);
    EXPECT_NE(std::strstr(commandLine, "kernel_tests"), nullptr) << commandLine;
    EXPECT_EQ(GetCommandLineA(), commandLine);
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(GetCurrentThreadId(), 0u);
}

#ifndef _WIN32

// Run as a child by CommandLineQuotesLikeWindows: writes the command line to
// the file named in CARDLOOM_COMMAND_LINE_OUT.
TEST(Process, WriteCommandLine) {
    const char* out = std::getenv("CARDLOOM_COMMAND_LINE_OUT");
    if (!out) GTEST_SKIP() << "only run as a child of CommandLineQuotesLikeWindows";
    std::ofstream(out, std::ios::binary) << GetCommandLineA();
}

TEST(Process, CommandLineQuotesLikeWindows) {
    ScratchFolder folder;
    std::string out = folder.file("line.txt");
    std::string setting = "CARDLOOM_COMMAND_LINE_OUT=" + out;
    const char* argv[] = {"kernel_tests",
                          "--gtest_filter=Process.WriteCommandLine",
                          "two words",
                          "say \"hi\"",
                          "end\\",
                          "tab\tend\\",
                          "",
                          "K\xC3\xA4nguru \xE6\x97\xA5",
                          nullptr};
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) env.push_back(*e);
    env.push_back(setting.data());
    env.push_back(nullptr);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, const_cast<char**>(argv), env.data()),
              0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::ifstream in(out, std::ios::binary);
    std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(line,
              "kernel_tests --gtest_filter=Process.WriteCommandLine \"two words\" \"say \\\"hi\\\"\" end\\ "
              "\"tab\tend\\\\\" \"\" \"K\xE4nguru ?\"");  // UTF-8 arguments come in Windows-1252
}

#endif

}  // namespace
