// A sorted list box puts texts where the platform's list box puts them:
// every single byte from 0x20 and names whose accents, case, expansions and
// hyphens decide, added in the recorded order.
#include <string>

#include "tests/platform/nls_reference.h"
#include "tests/platform/user/window_fixture.h"

TEST_F(ListBox, SortedListOrdersAsThePlatformsList) {
    HWND list = control("LISTBOX", LBS_SORT | LBS_HASSTRINGS);
    for (int i = 0; i < ReferenceTextCount; ++i)
        ASSERT_GE(send(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ReferenceTexts[i].text)), 0);
    ASSERT_EQ(send(list, LB_GETCOUNT), ReferenceTextCount);
    for (int i = 0; i < ReferenceTextCount; ++i) {
        char text[300] = {};
        ASSERT_LT(send(list, LB_GETTEXTLEN, static_cast<WPARAM>(i)), static_cast<LRESULT>(sizeof text));
        send(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(std::string(text), ReferenceOrder[i]) << "position " << i;
    }
    // The exact search compares as the sort does: "AE" finds the first of
    // the entries equal to it ("ae"), whatever its case or expansion.
    const LRESULT found =
        send(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("AE"));
    ASSERT_GE(found, 0);
    char text[300] = {};
    send(list, LB_GETTEXT, static_cast<WPARAM>(found), reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::string(text), "ae");
}
