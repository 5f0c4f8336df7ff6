// Text put into an edit field over its selection is cut at the field's limit,
// not refused: a paste keeps what fits, as EM_REPLACESEL does here.
#include <string>

#include "tests/platform/user/window_fixture.h"

namespace {

constexpr DWORD MultiLine = WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL | ES_MULTILINE;

void setText(HWND edit, const char* text) {
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

std::string getText(HWND edit) {
    std::string buffer(200, '\0');
    LRESULT n = SendMessageA(edit, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return buffer.substr(0, static_cast<size_t>(n));
}

// Selects characters [start, end) and puts `text` in their place.
std::string replace(HWND edit, int start, int end, const char* text) {
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(start), end);
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    return getText(edit);
}

}  // namespace

TEST_F(Edit, SingleLineReplacementIsCutAtTheLimit) {
    HWND edit = control("EDIT", ES_AUTOHSCROLL);
    SendMessageA(edit, EM_LIMITTEXT, 10, 0);
    setText(edit, "abc");
    EXPECT_EQ(replace(edit, 3, 3, "defghijklmnop"), "abcdefghij");
    // Full: a selection of two makes room for two of the three characters.
    EXPECT_EQ(replace(edit, 0, 2, "XYZ"), "XYcdefghij");
    EXPECT_EQ(replace(edit, 10, 10, "k"), "XYcdefghij");
    // A text set beyond the limit takes nothing more, and keeps what it has.
    setText(edit, "0123456789AB");
    EXPECT_EQ(replace(edit, 12, 12, "x"), "0123456789AB");
    // Replacing all of it with a shorter text is no growth.
    EXPECT_EQ(replace(edit, 0, -1, "short"), "short");
}

TEST_F(Edit, MultiLineReplacementCountsLineBreaksTwice) {
    HWND edit = control("EDIT", MultiLine);
    SendMessageA(edit, EM_LIMITTEXT, 8, 0);
    setText(edit, "ab");
    EXPECT_EQ(replace(edit, 2, 2, "cd\r\nefghij"), "abcd\r\nef");
    // Offsets count the line break as two characters.
    EXPECT_EQ(replace(edit, 6, 8, "XYZ"), "abcd\r\nXY");
    EXPECT_EQ(replace(edit, 0, 2, "1"), "1cd\r\nXY");
}
