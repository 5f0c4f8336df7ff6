// List box behaviour as the platform has it, driven only by messages.
#include <string>

#include "tests/platform/user/window_fixture.h"

namespace {

constexpr DWORD SortedList = WS_VSCROLL | LBS_SORT | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;

LRESULT add(HWND list, const char* text) {
    return send(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}
LRESULT insert(HWND list, int at, const char* text) {
    return send(list, LB_INSERTSTRING, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text));
}
std::string textAt(HWND list, int index) {
    char buffer[256] = {};
    if (send(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer)) == LB_ERR)
        return "<err>";
    return buffer;
}
std::string all(HWND list) {
    std::string joined;
    for (int i = 0; i < send(list, LB_GETCOUNT); ++i) {
        if (i) joined += '|';
        joined += textAt(list, i);
    }
    return joined;
}

}  // namespace

TEST_F(ListBox, SortedAddFindsCaseInsensitivePlaceInCurrentEntries) {
    HWND list = control("LISTBOX", SortedList);
    EXPECT_EQ(add(list, "delta"), 0);
    EXPECT_EQ(add(list, "Bravo"), 0);
    EXPECT_EQ(add(list, "charlie"), 1);
    EXPECT_EQ(add(list, "ALPHA"), 0);
    EXPECT_EQ(add(list, "echo"), 4);
    EXPECT_EQ(all(list), "ALPHA|Bravo|charlie|delta|echo");
    // An entry inserted out of order stays there and steers later binary searches.
    EXPECT_EQ(insert(list, 0, "zulu"), 0);
    EXPECT_EQ(all(list), "zulu|ALPHA|Bravo|charlie|delta|echo");
    EXPECT_EQ(add(list, "foxtrot"), 6);
}

TEST_F(ListBox, SortedAddOfDuplicateGoesBesideTheEqualEntry) {
    HWND list = control("LISTBOX", SortedList);
    add(list, "a");
    add(list, "b");
    add(list, "c");
    LRESULT at = add(list, "B");
    EXPECT_EQ(at, 1);  // binary search meets "b" at position 1 and inserts before it
    EXPECT_EQ(all(list), "a|B|b|c");
    EXPECT_EQ(send(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("C")), 3);
    EXPECT_EQ(send(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("x")), LB_ERR);
}

TEST_F(ListBox, InsertAndDeleteMoveTheSelection) {
    HWND list = control("LISTBOX", SortedList);
    for (const char* t : {"a", "b", "c", "d"}) add(list, t);
    EXPECT_EQ(send(list, LB_GETCURSEL), LB_ERR);
    EXPECT_EQ(send(list, LB_SETCURSEL, 2), 2);
    EXPECT_EQ(send(list, LB_GETCARETINDEX), 2);
    EXPECT_EQ(insert(list, 2, "x"), 2);  // at the selected entry: it moves down, still selected
    EXPECT_EQ(send(list, LB_GETCURSEL), 3);
    EXPECT_EQ(textAt(list, 3), "c");
    EXPECT_EQ(insert(list, -1, "y"), 5);  // -1 appends, never sorted
    EXPECT_EQ(send(list, LB_GETCURSEL), 3);
    EXPECT_EQ(send(list, LB_DELETESTRING, 0), 5);  // returns the remaining count
    EXPECT_EQ(send(list, LB_GETCURSEL), 2);
    EXPECT_EQ(send(list, LB_DELETESTRING, 2), 4);  // deleting the selected entry leaves none
    EXPECT_EQ(send(list, LB_GETCURSEL), LB_ERR);
    EXPECT_EQ(all(list), "b|x|d|y");
}

TEST_F(ListBox, BadIndexesGiveLbErr) {
    HWND list = control("LISTBOX", SortedList);
    add(list, "one");
    EXPECT_EQ(send(list, LB_DELETESTRING, 1), LB_ERR);
    EXPECT_EQ(send(list, LB_DELETESTRING, static_cast<WPARAM>(-1)), LB_ERR);
    EXPECT_EQ(insert(list, 3, "x"), LB_ERR);
    EXPECT_EQ(send(list, LB_GETTEXTLEN, 1), LB_ERR);
    EXPECT_EQ(textAt(list, 5), "<err>");
    EXPECT_EQ(send(list, LB_GETITEMDATA, 1), LB_ERR);
    EXPECT_EQ(send(list, LB_SETITEMDATA, 1, 5), LB_ERR);
    EXPECT_EQ(send(list, LB_SETCURSEL, 1), LB_ERR);
    EXPECT_EQ(send(list, LB_SETCURSEL, static_cast<WPARAM>(-1)), LB_ERR);  // clears, and says LB_ERR
    EXPECT_EQ(send(list, LB_GETCOUNT), 1);
}

TEST_F(ListBox, ItemDataFollowsItsEntry) {
    HWND list = control("LISTBOX", SortedList);
    send(list, LB_SETITEMDATA, static_cast<WPARAM>(add(list, "m")), 7);
    send(list, LB_SETITEMDATA, static_cast<WPARAM>(add(list, "b")), 8);
    send(list, LB_SETITEMDATA, static_cast<WPARAM>(add(list, "z")), 9);
    EXPECT_EQ(send(list, LB_GETITEMDATA, 0), 8);
    EXPECT_EQ(send(list, LB_GETITEMDATA, 1), 7);
    EXPECT_EQ(send(list, LB_GETITEMDATA, 2), 9);
    EXPECT_EQ(send(list, LB_GETITEMDATA, static_cast<WPARAM>(insert(list, 1, "new"))), 0);
    EXPECT_EQ(send(list, LB_GETTEXTLEN, 1), 3);
    send(list, LB_RESETCONTENT);
    EXPECT_EQ(send(list, LB_GETCOUNT), 0);
    EXPECT_EQ(send(list, LB_GETCURSEL), LB_ERR);
}

TEST_F(ListBox, MultipleSelectionKeepsOrderAndSelections) {
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, "listbox", "", WS_CHILD | LBS_MULTIPLESEL, 300, 0, 10, 10,
                                window, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(list, nullptr);
    for (const char* t : {"White", "Blue", "Black", "Red"}) add(list, t);
    EXPECT_EQ(all(list), "White|Blue|Black|Red");
    EXPECT_EQ(send(list, LB_GETSELCOUNT), 0);
    EXPECT_EQ(send(list, LB_SETSEL, TRUE, 1), 0);
    EXPECT_EQ(send(list, LB_SETSEL, TRUE, 3), 0);
    EXPECT_EQ(send(list, LB_SETSEL, TRUE, 4), LB_ERR);
    EXPECT_EQ(send(list, LB_GETSEL, 1), 1);
    EXPECT_EQ(send(list, LB_GETSEL, 0), 0);
    EXPECT_EQ(send(list, LB_GETSEL, 9), LB_ERR);
    EXPECT_EQ(send(list, LB_GETSELCOUNT), 2);
    EXPECT_EQ(send(list, LB_SETSEL, FALSE, 1), 0);
    EXPECT_EQ(send(list, LB_GETSELCOUNT), 1);
    EXPECT_EQ(send(list, LB_SETSEL, FALSE, static_cast<WPARAM>(-1)), 0);  // -1: every item
    EXPECT_EQ(send(list, LB_GETSELCOUNT), 0);
    EXPECT_EQ(send(list, LB_SETCURSEL, 1), LB_ERR);  // not for multiple-selection lists
    EXPECT_EQ(send(list, LB_GETCARETINDEX), 3);      // the last item selected by LB_SETSEL
}

TEST_F(ListBox, MessagesNeverNotifyASelectionChange) {
    HWND list = control("LISTBOX", SortedList);
    add(list, "a");
    add(list, "b");
    received.clear();
    send(list, LB_SETCURSEL, 1);
    insert(list, 0, "c");
    send(list, LB_DELETESTRING, 0);
    send(list, LB_SETCURSEL, 0);
    for (const Received& r : received) EXPECT_NE(r.message, static_cast<UINT>(WM_COMMAND));
}

TEST_F(Button, ClickNotifiesParentWithHandle) {
    HWND button = control("Button", BS_PUSHBUTTON, "&Save");
    received.clear();
    SendMessageA(button, BM_CLICK, 0, 0);
    int clicks = 0;
    for (const Received& r : received) {
        if (r.message == WM_COMMAND && HIWORD(r.wParam) == BN_CLICKED &&
            r.lParam == reinterpret_cast<LPARAM>(button)) {
            ++clicks;
            EXPECT_EQ(LOWORD(r.wParam), 0);
        }
    }
    EXPECT_EQ(clicks, 1);
    char text[16] = {};
    EXPECT_EQ(GetWindowTextA(button, text, sizeof text), 5);
    EXPECT_STREQ(text, "&Save");
}
