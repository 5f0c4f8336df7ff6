// The Linux settings store: its file may hold anything at all and is
// replaced whole when the choice is stored, linked or not, by two programs
// at once too, and a settings place that cannot be used still lets the
// choice be used.
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "settings/data_file.h"
#include "tests/support/answer.h"
#include "tests/support/shell_fixture.h"

namespace fs = std::filesystem;

namespace {

// The Linux store: ${XDG_CONFIG_HOME}/Kesp/Cardloom.conf, which the fixture
// points into the scratch folder.
class SettingsFileTest : public ChosenFileTest {
  protected:
    std::string folder() const { return scratch + "/config/Kesp"; }
    std::string settingsFile() const { return folder() + "/Cardloom.conf"; }
    void writeSettings(const std::string& content) const {
        fs::create_directories(folder());
        std::ofstream out(settingsFile(), std::ios::binary | std::ios::trunc);
        out << content;
    }
    static std::string contentOf(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

struct FileCase {
    const char* what;
    std::string content;
    bool taken;        // read as a stored path (no dialog)
    std::string path;  // the path read
};

TEST_F(SettingsFileTest, ReaderSurvivesAnyContent) {
    const std::string value = "[General]\ncardinfo.dat=";
    static const char junk[] = "\xFF\xFE\0\x01[Gen\0eral\n=\n==\ncardinfo.dat\n\xC3(\xE2\x82";
    const FileCase cases[] = {
        {"empty file", "", false, ""},
        {"binary junk", std::string(junk, sizeof junk - 1), false, ""},
        {"value in another section", "[Other]\ncardinfo.dat=/x/cardinfo.dat\n", false, ""},
        {"a list, not one string", value + "/a, /b\n", false, ""},
        {"a typed value that is no string", value + "@Variant(\\0\\0\\0\\x7f)\n", false, ""},
        {"260 characters, too long", value + std::string(260, 'x') + "\n", false, ""},
        {"a megabyte on one line, no line end", value + std::string(1 << 20, 'x'), false, ""},
        {"unterminated section header, read as QSettings does", "[General\ncardinfo.dat=/p\n", true, "/p"},
        {"empty value", value + "\n", true, ""},
        {"259 characters, the most that fits", value + std::string(259, 'y') + "\n", true,
         std::string(259, 'y')},
        {"before any section header", "cardinfo.dat=/p/cardinfo.dat\n", true, "/p/cardinfo.dat"},
        {"quoted and escaped, with a comment", value + "\"/a;b\\\\c\" ; note\n", true, "/a;b\\c"},
        {"cut at an escaped NUL", value + "/p\\0/rest\n", true, "/p"},
        {"UTF-8 read as Windows-1252", value + "/K\xC3\xA4nguru/\xE2\x82\xAC\n", true, "/K\xE4nguru/\x80"},
        {"malformed UTF-8", value + "/a\xC3(b\n", true, "/a?(b"},
        {"outside Windows-1252", value + "/\xE4\xB8\xAD\n", true, "/?"},
        {"the last of two entries", value + "/first\ncardinfo.dat=/second\n", true, "/second"},
        {"CR LF line ends, other case", "[General]\r\nCARDINFO.DAT=/crlf\r\n", true, "/crlf"},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.what);
        writeSettings(c.content);
        std::strcpy(dataFilePath, "before");
        OpenAnswer dialog;  // cancels
        answerOpenDialog(dialog);
        EXPECT_EQ(locateDataFile(0), c.taken ? 1 : 0);
        EXPECT_EQ(dialog.seen, !c.taken);
        EXPECT_EQ(std::string(dataFilePath), c.taken ? c.path : "before");
        EXPECT_EQ(dataFilePath[DataFilePathSize - 1], '\0');
        stopAnswering();
    }
}

TEST_F(SettingsFileTest, StoringReplacesTheFileWholeAndKeepsOtherLines) {
    const std::string before =
        "; kept comment\n[General]\nother=1\ncardinfo.dat=/old\ncardinfo.dat=/older\n\n"
        "[Other]\nx=y\n";
    writeSettings(before);
    // A second name for the old file: a rewrite in place would show through it.
    const std::string oldLink = scratch + "/old-settings";
    fs::create_hard_link(settingsFile(), oldLink);

    OpenAnswer dialog(chosen.c_str());
    answerOpenDialog(dialog);
    ASSERT_EQ(locateDataFile(1), 1);
    EXPECT_EQ(contentOf(oldLink), before) << "the old file was replaced, not rewritten";
    EXPECT_EQ(contentOf(settingsFile()),
              "; kept comment\n[General]\nother=1\ncardinfo.dat=" + chosen + "\n\n[Other]\nx=y\n");
    int files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder())) {
        EXPECT_EQ(entry.path().filename(), "Cardloom.conf") << "nothing is left beside it";
        ++files;
    }
    EXPECT_EQ(files, 1);

    // Forgetting replaces it the same way.
    fs::remove(oldLink);
    fs::create_hard_link(settingsFile(), oldLink);
    const std::string stored = contentOf(settingsFile());
    forgetDataFile();
    EXPECT_EQ(contentOf(oldLink), stored);
    EXPECT_EQ(contentOf(settingsFile()), "; kept comment\n[General]\nother=1\n\n[Other]\nx=y\n");
}

TEST_F(SettingsFileTest, LinkedSettingsFileIsKeptAndAFifoNeverWaitedFor) {
    // A settings file that is a link: the file it names gets the value.
    const std::string real = scratch + "/elsewhere.conf";
    std::ofstream(real) << "[Other]\nx=y\n";
    fs::create_directories(folder());
    fs::create_symlink(real, settingsFile());
    {
        OpenAnswer dialog(chosen.c_str());
        answerOpenDialog(dialog);
        ASSERT_EQ(locateDataFile(1), 1);
    }
    EXPECT_TRUE(fs::is_symlink(settingsFile()));
    EXPECT_EQ(contentOf(real), "[General]\ncardinfo.dat=" + chosen + "\n\n[Other]\nx=y\n");

    // A FIFO is neither read (the dialog asks) nor replaced.
    fs::remove(settingsFile());
    ASSERT_EQ(mkfifo(settingsFile().c_str(), 0600), 0);
    OpenAnswer dialog(chosen.c_str());
    answerOpenDialog(dialog);
    EXPECT_EQ(locateDataFile(0), 1);
    EXPECT_TRUE(dialog.seen);
    EXPECT_EQ(fs::status(settingsFile()).type(), fs::file_type::fifo);
}

TEST_F(SettingsFileTest, TwoProgramsStoringAtOnceLoseNoValue) {
    auto storeMany = [](const char* name) {
        HKEY key = nullptr;
        if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Kesp\\Cardloom", &key) != ERROR_SUCCESS) return 1;
        int failed = 0;
        for (int i = 0; i < 150; ++i) {
            const std::string value = std::string(name) + std::to_string(i);
            failed += RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                     static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS;
        }
        RegCloseKey(key);
        return failed;
    };
    // Two threads stand for the two programs: each change locks through its
    // own open lock file, as another process's would.
    int childFailures = -1;
    std::thread child([&] { childFailures = storeMany("child"); });
    EXPECT_EQ(storeMany("parent"), 0);
    child.join();
    EXPECT_EQ(childFailures, 0);
    const std::string content = contentOf(settingsFile());
    EXPECT_NE(content.find("parent=parent149\n"), std::string::npos) << content;
    EXPECT_NE(content.find("child=child149\n"), std::string::npos) << content;
}

TEST_F(SettingsFileTest, UnusableSettingsPlaceStillLetsTheChoiceBeUsed) {
    // A folder where the settings file should be, and no settings folder at all.
    fs::create_directories(settingsFile());
    {
        OpenAnswer dialog(chosen.c_str());
        answerOpenDialog(dialog);
        EXPECT_EQ(locateDataFile(0), 1);
        EXPECT_TRUE(dialog.seen);
        EXPECT_STREQ(dataFilePath, chosen.c_str());
        EXPECT_TRUE(fs::is_directory(settingsFile()));
    }
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    std::memset(dataFilePath, 0, sizeof dataFilePath);
    OpenAnswer dialog(chosen.c_str());
    answerOpenDialog(dialog);
    EXPECT_EQ(locateDataFile(0), 1);
    EXPECT_TRUE(dialog.seen);
    EXPECT_STREQ(dataFilePath, chosen.c_str());
    forgetDataFile();  // nowhere to forget it from: nothing happens
}

}  // namespace
