// The keyboard of a list box as the platform has it, driven by the messages a
// key press becomes (WM_KEYDOWN, then WM_CHAR for a character): which entry
// each key moves to, what it selects and that it notifies the parent.
#include <initializer_list>
#include <ostream>

#include "tests/platform/user/window_fixture.h"

namespace {

constexpr DWORD CardList = WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;

HWND filled(HWND list, std::initializer_list<const char*> names) {
    for (const char* name : names) send(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    return list;
}

// Presses a key or types a character, then gives (caret, selected entry, notifications).
struct After {
    LRESULT caret;
    LRESULT selected;
    int notified;
    bool operator==(const After& o) const {
        return caret == o.caret && selected == o.selected && notified == o.notified;
    }
};

std::ostream& operator<<(std::ostream& out, const After& a) {
    return out << "{caret " << a.caret << ", selected " << a.selected << ", notified " << a.notified << "}";
}

After press(HWND list, UINT message, WPARAM key) {
    WindowTest::received.clear();
    send(list, message, key);
    return After{send(list, LB_GETCARETINDEX), send(list, LB_GETCURSEL), selectionChanges(list)};
}

}  // namespace

TEST_F(ListBoxKeys, TypedCharacterFindsTheNextEntryBeginningWithIt) {
    const char* const names[] = {"Amber", "ashen", "Brine", "Cinder", "[Mossback]", "Prism", "\xC9t\xE9"};
    HWND list = control("LISTBOX", CardList);
    for (const char* name : names) send(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    send(list, LB_SETCURSEL, 0);
    // The search starts after the caret, ignores case and wraps to the start.
    EXPECT_EQ(press(list, WM_CHAR, 'a'), (After{1, 1, 1}));
    EXPECT_EQ(press(list, WM_CHAR, 'A'), (After{0, 0, 1}));
    // Only the one character counts: "ci" is "c", then "i", which nothing begins with.
    EXPECT_EQ(press(list, WM_CHAR, 'c'), (After{3, 3, 1}));
    EXPECT_EQ(press(list, WM_CHAR, 'i'), (After{3, 3, 0}));
    // The only match is the entry at the caret: it is found again and notified again.
    EXPECT_EQ(press(list, WM_CHAR, 'C'), (After{3, 3, 1}));
    // A leading bracket is passed over.
    EXPECT_EQ(press(list, WM_CHAR, 'm'), (After{4, 4, 1}));
    // Only A to Z fold: an e acute (0xE9) does not find the E acute (0xC9)
    // of the last entry, the E acute itself does.
    EXPECT_EQ(press(list, WM_CHAR, 0xE9), (After{4, 4, 0}));
    EXPECT_EQ(press(list, WM_CHAR, 0xC9), (After{6, 6, 1}));
}

TEST_F(ListBoxKeys, ArrowKeysMoveSelectAndNotifyEvenAtTheEnds) {
    HWND list = filled(control("LISTBOX", CardList), {"a", "b", "c", "d"});
    send(list, LB_SETCURSEL, 1);
    EXPECT_EQ(press(list, WM_KEYDOWN, VK_DOWN), (After{2, 2, 1}));
    EXPECT_EQ(press(list, WM_KEYDOWN, VK_RIGHT), (After{3, 3, 1}));  // Right is Down in one column
    EXPECT_EQ(press(list, WM_KEYDOWN, VK_DOWN), (After{3, 3, 1}));   // at the end: no move, still notified
    EXPECT_EQ(press(list, WM_KEYDOWN, VK_LEFT), (After{2, 2, 1}));   // Left is Up
    EXPECT_EQ(press(list, WM_KEYDOWN, VK_HOME), (After{0, 0, 1}));
    EXPECT_EQ(press(list, WM_KEYDOWN, VK_UP), (After{0, 0, 1}));
    EXPECT_EQ(press(list, WM_KEYDOWN, VK_END), (After{3, 3, 1}));
    // A key the list does not answer changes nothing.
    EXPECT_EQ(press(list, WM_KEYDOWN, VK_RETURN), (After{3, 3, 0}));
}

TEST_F(ListBoxKeys, KeyWithoutSelectionSelectsTheCaretEntryFirst) {
    // After its selected entry is deleted, as Update and Delete do to the card
    // list, the list has a caret but no selection; the next key selects the
    // caret's entry instead of moving on from it.
    HWND list = filled(control("LISTBOX", CardList), {"a", "b", "c", "d", "e"});
    send(list, LB_SETCURSEL, 1);
    send(list, LB_DELETESTRING, 1);
    ASSERT_EQ(send(list, LB_GETCURSEL), LB_ERR);
    LRESULT caret = send(list, LB_GETCARETINDEX);
    EXPECT_EQ(press(list, WM_KEYDOWN, VK_DOWN), (After{caret, caret, 1}));
    EXPECT_EQ(press(list, WM_KEYDOWN, VK_DOWN), (After{caret + 1, caret + 1, 1}));
}

TEST_F(ListBoxKeys, SpaceTogglesAndKeysOnlyMoveTheCaretInAMultipleSelectionList) {
    HWND list = filled(control("LISTBOX", LBS_MULTIPLESEL | LBS_HASSTRINGS),
                       {"White", "Blue", "Black", "Red", "Green"});
    send(list, LB_SETSEL, TRUE, 1);
    int notified = 0;
    auto caretAfter = [&](UINT message, WPARAM key) {
        After after = press(list, message, key);
        notified += after.notified;
        return after.caret;
    };
    EXPECT_EQ(caretAfter(WM_KEYDOWN, VK_DOWN), 2);
    EXPECT_EQ(caretAfter(WM_KEYDOWN, VK_SPACE), 2);
    EXPECT_EQ(caretAfter(WM_CHAR, 'w'), 0);  // typing moves the caret without selecting
    EXPECT_EQ(caretAfter(WM_KEYDOWN, VK_SPACE), 0);
    EXPECT_EQ(caretAfter(WM_KEYDOWN, VK_DOWN), 1);
    EXPECT_EQ(caretAfter(WM_KEYDOWN, VK_SPACE), 1);
    const int expected[] = {1, 0, 1, 0, 0};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(send(list, LB_GETSEL, i), expected[i]) << "item " << i;
    EXPECT_EQ(notified, 0);  // the list has no LBS_NOTIFY
}
