// The mouse in a list box as the platform has it, driven by the messages a
// gesture becomes: which entry each gesture selects, what a multiple-selection
// list toggles and how often the parent hears of it.
#include <initializer_list>
#include <vector>

#include "tests/platform/user/window_fixture.h"

namespace {

constexpr DWORD CardList = WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;
constexpr DWORD ColourList = LBS_MULTIPLESEL | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;

constexpr int BelowLast = -1;   // a row: the client area below the last entry
constexpr int PastBottom = -2;  // a row: beyond the list's bottom edge

struct Step {
    UINT message;
    int row;
    WPARAM keys = 0;
};

struct Gesture {
    const char* what;
    std::vector<Step> steps;
    LRESULT selected;  // a single-selection list's entry afterwards
    int notified;      // LBN_SELCHANGE sent meanwhile
};

HWND filled(HWND list, int count) {
    static const char* const names[] = {"alpha", "bravo", "charlie", "delta",  "echo", "foxtrot",
                                        "golf",  "hotel", "india",   "juliet", "kilo", "lima"};
    for (int i = 0; i < count; ++i) send(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i]));
    return list;
}

// Sends the gesture's messages at the middle of each row named.
void perform(HWND list, const std::vector<Step>& steps) {
    const int height = static_cast<int>(send(list, LB_GETITEMHEIGHT));
    RECT client{};
    GetClientRect(list, &client);
    const int count = static_cast<int>(send(list, LB_GETCOUNT));
    for (const Step& step : steps) {
        const int y = step.row >= 0           ? step.row * height + height / 2
                      : step.row == BelowLast ? count * height + height / 2
                                              : client.bottom + 5;
        WPARAM keys = step.keys | (step.message == WM_LBUTTONUP ? 0 : MK_LBUTTON);
        send(list, step.message, keys, MAKELPARAM(20, y));
    }
}

std::vector<Step> click(int row, WPARAM keys = 0) {
    return {{WM_LBUTTONDOWN, row, keys}, {WM_LBUTTONUP, row, keys}};
}

}  // namespace

TEST_F(ListBoxMouse, MouseSelectsOnlyAnEntryUnderALeftPressAndNotifiesOnTheRelease) {
    ShowWindow(window, SW_SHOW);
    HWND list = filled(control("LISTBOX", CardList), 4);
    const Gesture gestures[] = {
        // The release notifies once, also when the selection stays.
        {"click on another entry", click(2), 2, 1},
        {"click on the selected entry", click(0), 0, 1},
        {"Ctrl + click on the selected entry", click(0, MK_CONTROL), 0, 1},
        {"Shift + click", click(3, MK_SHIFT), 3, 1},
        {"click below the last entry", click(BelowLast), 0, 0},
        {"drag", {{WM_LBUTTONDOWN, 1}, {WM_MOUSEMOVE, 2}, {WM_MOUSEMOVE, 3}, {WM_LBUTTONUP, 3}}, 3, 1},
        {"drag to below the last entry",
         {{WM_LBUTTONDOWN, 1}, {WM_MOUSEMOVE, BelowLast}, {WM_LBUTTONUP, 1}},
         1,
         1},
        {"move without a press", {{WM_MOUSEMOVE, 3}, {WM_LBUTTONUP, 3}}, 0, 0},
        {"double click",
         {{WM_LBUTTONDOWN, 2}, {WM_LBUTTONUP, 2}, {WM_LBUTTONDBLCLK, 2}, {WM_LBUTTONUP, 2}},
         2,
         1},
    };
    for (const Gesture& g : gestures) {
        SCOPED_TRACE(g.what);
        send(list, LB_SETCURSEL, 0);
        received.clear();
        perform(list, g.steps);
        EXPECT_EQ(send(list, LB_GETCURSEL), g.selected);
        EXPECT_EQ(send(list, LB_GETCARETINDEX), g.selected);
        EXPECT_EQ(selectionChanges(list), g.notified);
    }
}

TEST_F(ListBoxMouse, DragBeyondTheBottomEdgeSelectsTheEntryPastTheRowsInView) {
    ShowWindow(window, SW_SHOW);
    HWND list = filled(control("LISTBOX", CardList), 12);
    RECT client{};
    GetClientRect(list, &client);
    const LRESULT page = client.bottom / send(list, LB_GETITEMHEIGHT);
    ASSERT_LT(page, 12) << "the list must be shorter than its entries";
    perform(list, {{WM_LBUTTONDOWN, 0}, {WM_MOUSEMOVE, PastBottom}, {WM_LBUTTONUP, 0}});
    EXPECT_EQ(send(list, LB_GETCURSEL), page);
}

TEST_F(ListBoxMouse, MouseTogglesOnlyTheEntryUnderALeftPressInAMultipleSelectionList) {
    ShowWindow(window, SW_SHOW);
    HWND list = filled(control("LISTBOX", ColourList), 6);
    struct Toggle {
        const char* what;
        std::vector<Step> steps;
        std::vector<int> selected;
    };
    const Toggle toggles[] = {
        {"click", click(1), {1}},
        {"click twice", {click(1)[0], click(1)[1], click(1)[0], click(1)[1]}, {}},
        {"Ctrl + click and Shift + click",
         {click(2, MK_CONTROL)[0], click(2)[1], click(4, MK_SHIFT)[0], click(4)[1]},
         {2, 4}},
        {"drag over three entries",
         {{WM_LBUTTONDOWN, 0}, {WM_MOUSEMOVE, 1}, {WM_MOUSEMOVE, 2}, {WM_LBUTTONUP, 2}},
         {0}},
        {"click below the last entry", click(BelowLast), {}},
    };
    for (const Toggle& t : toggles) {
        SCOPED_TRACE(t.what);
        send(list, LB_SETSEL, FALSE, -1);
        perform(list, t.steps);
        std::vector<int> selected;
        for (int i = 0; i < 6; ++i) {
            if (send(list, LB_GETSEL, static_cast<WPARAM>(i)) > 0) selected.push_back(i);
        }
        EXPECT_EQ(selected, t.selected);
    }
}

TEST_F(ListBoxMouse, SelectingAnEntryOutOfViewScrollsTheFewestRowsToShowIt) {
    ShowWindow(window, SW_SHOW);
    HWND list = filled(control("LISTBOX", CardList), 12);
    RECT client{};
    GetClientRect(list, &client);
    const int page = static_cast<int>(client.bottom / send(list, LB_GETITEMHEIGHT));
    ASSERT_LT(page, 11) << "the list must be shorter than its entries";
    // The last entry ends up as the bottom row, the one after it back at the top.
    send(list, LB_SETCURSEL, 11);
    perform(list, click(0));
    EXPECT_EQ(send(list, LB_GETCURSEL), 12 - page);
    send(list, LB_SETCURSEL, 0);
    perform(list, click(1));
    EXPECT_EQ(send(list, LB_GETCURSEL), 1);
}
