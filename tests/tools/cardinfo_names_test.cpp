// cardinfo with file names beyond ASCII, given as the system passes arguments
// (UTF-8 on Linux, the 8-bit code page on Windows): the files are found by
// their characters and messages name them as they were given.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "card/card_codec.h"
#include "card/card_file.h"
#include "platform/code_page.h"
#include "tests/support/test_cards.h"
#include "tests/tools/run_process.h"

#ifdef _WIN32
#include "platform/win32.h"
#endif

namespace fs = std::filesystem;

namespace {

constexpr char Separator = static_cast<char>(fs::path::preferred_separator);

// A Windows-1252 name as the system hands arguments to a program.
std::string argument(const std::string& cp1252) {
#ifdef _WIN32
    return cp1252;
#else
    return ansiToUtf8(cp1252);
#endif
}

// A Windows-1252 name as the disk holds it.
fs::path onDisk(const std::string& cp1252) {
    const std::string utf8 = ansiToUtf8(cp1252);
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

class CardinfoNames : public ::testing::Test {
  protected:
    void SetUp() override {
#ifdef _WIN32
        if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page here is " << GetACP();
#endif
        folder = fs::temp_directory_path() / "cardinfo-names";
        fs::remove_all(folder);
        fs::create_directories(folder / onDisk(kangaroo));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    // `name` in the folder "Känguru", as an argument.
    std::string inKangaroo(const std::string& name) const {
        return argument(folder.string() + Separator + kangaroo + Separator + name);
    }

    ProcessResult run(const std::vector<std::string>& args) const {
        return runProcess(CARDINFO_EXE, args, folder.string());
    }

    const std::string kangaroo = "K\xE4nguru";
    fs::path folder;
};

TEST_F(CardinfoNames, DumpCheckAndRewriteInAFolderWithAnUmlaut) {
    auto table = tableOf({{"Caf\xE9", "", "", "", "", "", "", 1}});
    std::vector<std::uint8_t> bytes;
    FileProblem problem;
    ASSERT_EQ(encodeCards(*table, bytes, &problem), 1) << problem.what;
    {
        std::ofstream out(folder / onDisk(kangaroo) / "cardinfo.dat", std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    const std::string file = inKangaroo("cardinfo.dat");

    const ProcessResult dump = run({"dump", file});
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    EXPECT_EQ(nlohmann::json::parse(dump.out).at(0).at("name"), "Caf\xC3\xA9");

    const ProcessResult check = run({"check", file});
    EXPECT_EQ(check.exitCode, 0) << check.err;
    EXPECT_EQ(check.out.rfind(file + ": 1 card", 0), 0u) << check.out;

    const ProcessResult rewrite = run({"rewrite", file, inKangaroo("M\xFCller \x80.dat")});
    EXPECT_EQ(rewrite.exitCode, 0) << rewrite.err;
    EXPECT_TRUE(fs::exists(folder / onDisk(kangaroo) / onDisk("M\xFCller \x80.dat")));

    const std::string missing = inKangaroo("fehlt.dat");
    const ProcessResult failed = run({"dump", missing});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.err.rfind("cardinfo: " + missing + ": ", 0), 0u) << failed.err;
}

#ifndef _WIN32
// The card core takes Windows-1252 names; a name it cannot hold is refused
// rather than turned into another name.
TEST_F(CardinfoNames, NameOutsideTheCodePageIsRefused) {
    const std::string name = folder.string() + "/\xE6\x97\xA5\xE6\x9C\xAC.dat";  // 日本.dat
    std::ofstream(name) << "x";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"dump", name}, std::vector<std::string>{"rewrite", name, name + ".out"}}) {
        const ProcessResult result = run(args);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, "cardinfo: " + name + ": the name has a character outside Windows-1252\n");
    }
    EXPECT_FALSE(fs::exists(name + ".out"));
}
#endif

}  // namespace
