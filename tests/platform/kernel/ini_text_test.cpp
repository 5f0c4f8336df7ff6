// The INI text of the Linux settings store: one table of edits, each from a
// file's text to the text that must come out, and what reading it gives back.
#include <gtest/gtest.h>

#include <string>

#include "platform/linux/kernel/ini_text.h"

namespace {

struct Edit {
    const char* what;
    std::string before;
    const char* value;  // null: remove
    bool done;
    std::string after;
};

TEST(IniText, EditsKeepEveryOtherLineAndReadBack) {
    const std::string name = "cardinfo.dat";
    const Edit edits[] = {
        {"into an empty file", "", "/a", true, "[General]\ncardinfo.dat=/a\n"},
        {"a new section on top", "[Other]\nx=y\n", "/a", true,
         "[General]\ncardinfo.dat=/a\n\n[Other]\nx=y\n"},
        {"after the section's last entry", "[General]\nk=1\n\n[Other]\n", "/a", true,
         "[General]\nk=1\ncardinfo.dat=/a\n\n[Other]\n"},
        {"the last of duplicates replaced in place", "[General]\ncardinfo.dat=/1\nk=2\nCARDINFO.DAT=/2\n",
         "/a", true, "[General]\nk=2\ncardinfo.dat=/a\n"},
        {"a continued line replaced whole", "[General]\ncardinfo.dat=/x\\\n/y\nk=1\n", "/a", true,
         "[General]\ncardinfo.dat=/a\nk=1\n"},
        {"removed", "; note\n[General]\ncardinfo.dat=/1\nk=1\n", nullptr, true, "; note\n[General]\nk=1\n"},
        {"removing what is not there", "[General]\nk=1\n", nullptr, false, "[General]\nk=1\n"},
        {"escapes", "", "a;b,c=\"\\\" \x80\t", true,
         "[General]\ncardinfo.dat=\"a;b,c=\\\"\\\\\\\" \xE2\x82\xAC\\t\"\n"},
        {"a leading @ doubled", "", "@x", true, "[General]\ncardinfo.dat=@@x\n"},
        {"a trailing backslash", "", "C:\\dir\\", true, "[General]\ncardinfo.dat=C:\\\\dir\\\\\n"},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.what);
        std::string content = edit.before;
        const std::string value = edit.value ? edit.value : "";
        EXPECT_EQ(editIniValue(content, name, edit.value ? &value : nullptr), edit.done);
        EXPECT_EQ(content, edit.after);
        std::string read;
        EXPECT_EQ(readIniValue(content, name, read), edit.value != nullptr);
        if (edit.value) {
            EXPECT_EQ(read, value);
        }
    }
}

}  // namespace
