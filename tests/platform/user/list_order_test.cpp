// A sorted list box puts texts where the platform's list box puts them:
// every single byte from 0x20 and names whose accents, case, expansions and
// hyphens decide, added in the recorded order; and in the locale the
// process runs in (LC_ALL in the CTest entries user_tests_<locale>, which
// Wine honours without the locale installed), the texts recorded in it.
#include <cstdlib>
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

TEST_F(WindowTest, SortedListOrdersAsThePlatformsListInTheUsersLocale) {
    // The user locale's variable, as the C library reads it.
    std::string posix;
    for (const char* name : {"LANG", "LC_MESSAGES", "LC_ALL"})
        if (const char* value = std::getenv(name); value && *value) posix = value;
    // "sv_SE.UTF-8" is sv-SE; C.UTF-8 and no variable are en-US.
    const std::string locale =
        posix.size() >= 5 && posix[2] == '_' ? posix.substr(0, 2) + '-' + posix.substr(3, 2) : "en-US";
    HWND list = control("LISTBOX", LBS_SORT | LBS_HASSTRINGS);
    int count = 0;
    for (int i = 0; i < LocaleTextCount; ++i) {
        if (LocaleTexts[i].locale != locale) continue;
        ASSERT_GE(send(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LocaleTexts[i].text)), 0);
        ++count;
    }
    ASSERT_GT(count, 200) << locale;
    for (int i = 0; i < LocaleTextCount; ++i) {
        if (LocaleTexts[i].locale != locale) continue;
        char text[300] = {};
        send(list, LB_GETTEXT, static_cast<WPARAM>(LocaleTexts[i].place), reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(std::string(text), LocaleTexts[i].text) << locale << " place " << LocaleTexts[i].place;
    }
}
