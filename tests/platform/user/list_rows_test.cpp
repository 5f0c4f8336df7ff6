// A list box without LBS_NOINTEGRALHEIGHT is shortened to whole rows when it
// is sized, so that no entry shows in part (the colour list relies on it);
// with the style it keeps the height it is given (the card list).
#include "tests/platform/user/window_fixture.h"

namespace {

HWND sevenEntries(HWND list) {
    const char* const names[] = {"White", "Blue", "Black", "Red", "Green", "Gold", "Land"};
    for (const char* name : names) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    return list;
}

int clientHeight(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    return r.bottom;
}

int outerHeight(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return r.bottom - r.top;
}

}  // namespace

TEST_F(ListBox, ListBoxShowsWholeRowsUnlessToldNot) {
    HWND rows = sevenEntries(control("LISTBOX", LBS_HASSTRINGS));
    HWND free = sevenEntries(control("LISTBOX", LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT));
    const int item = static_cast<int>(SendMessageA(rows, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(item, 1);
    const int border = outerHeight(rows) - clientHeight(rows);

    // Room for three rows and half of a fourth: the half row is cut off.
    const int asked = 3 * item + item / 2;
    MoveWindow(rows, 10, 10, 100, asked + border, TRUE);
    MoveWindow(free, 120, 10, 100, asked + border, TRUE);
    EXPECT_EQ(clientHeight(rows), 3 * item);
    EXPECT_EQ(outerHeight(rows), 3 * item + border);
    EXPECT_EQ(clientHeight(free), asked);

    // Whole rows, and less than one row, are kept as given.
    MoveWindow(rows, 10, 10, 100, 2 * item + border, TRUE);
    EXPECT_EQ(clientHeight(rows), 2 * item);
    MoveWindow(rows, 10, 10, 100, item / 2 + border, TRUE);
    EXPECT_EQ(clientHeight(rows), item / 2);
}
