// The command-line tail handed to the application.
#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"

namespace {

struct TailCase {
    const char* line;
    const char* tail;
};

const TailCase TailCases[] = {
    {"cardloom.exe", ""},
    {"cardloom.exe a b", "a b"},
    {"cardloom.exe    spaced  out ", "spaced  out "},
    {"\"C:\\Program Files\\cardloom.exe\" -x", "-x"},
    {"\"C:\\Program Files\\cardloom.exe\"-x", "-x"},  // the tail starts right after the quote
    {"\"C:\\Program Files\\cardloom.exe\"", ""},
    {"\"unclosed quote arg", "\"unclosed quote arg"},  // no closing quote: the whole line
    {"\"\" after empty", "after empty"},
    {"prog\targ next", "next"},  // a tab is not a separator
    {"\"prog\"\t arg", "\t arg"},
    {"", ""},
    {" leading", "leading"},
};

TEST(CommandLineTail, SkipsProgramNameAndFollowingSpaces) {
    for (const TailCase& c : TailCases) {
        std::string line = c.line;
        char* tail = commandLineTail(line.data());
        EXPECT_STREQ(tail, c.tail) << "line: [" << c.line << "]";
        EXPECT_TRUE(tail >= line.data() && tail <= line.data() + line.size()) << "points into the line";
    }
}

}  // namespace
