// Edit controls: reading lines back, limits, and bytes surviving the round trip.
#include <cstring>
#include <string>

#include "tests/platform/user/window_fixture.h"

namespace {

constexpr DWORD MultiLine = WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL | ES_MULTILINE;

void setText(HWND edit, const char* text) {
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

std::string getText(HWND edit) {
    std::string buffer(5000, '\0');
    LRESULT n = SendMessageA(edit, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return buffer.substr(0, static_cast<size_t>(n));
}

}  // namespace

TEST_F(Edit, MultiLineFieldReadsLineByLine) {
    HWND edit = control("EDIT", MultiLine);
    EXPECT_EQ(SendMessageA(edit, EM_GETLINECOUNT, 0, 0), 1);  // empty field: one line
    setText(edit, "first\r\n\r\nlast line");
    EXPECT_EQ(SendMessageA(edit, EM_GETLINECOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(edit, EM_LINEINDEX, 2, 0), 9);
    EXPECT_EQ(SendMessageA(edit, EM_LINEINDEX, 3, 0), -1);
    EXPECT_EQ(SendMessageA(edit, EM_LINELENGTH, 9, 0), 9);

    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    WORD size = 3;
    std::memcpy(buffer, &size, sizeof size);
    EXPECT_EQ(SendMessageA(edit, EM_GETLINE, 0, reinterpret_cast<LPARAM>(buffer)),
              3);  // the size word limits
    EXPECT_EQ(std::string(buffer, 4), "fir#");

    size = 20;
    std::memset(buffer, '#', sizeof buffer);
    std::memcpy(buffer, &size, sizeof size);
    EXPECT_EQ(SendMessageA(edit, EM_GETLINE, 2, reinterpret_cast<LPARAM>(buffer)), 9);
    EXPECT_EQ(std::string(buffer, 9), "last line");

    std::memcpy(buffer, &size, sizeof size);
    EXPECT_EQ(SendMessageA(edit, EM_GETLINE, 5, reinterpret_cast<LPARAM>(buffer)), 0);  // no such line
    EXPECT_EQ(getText(edit), "first\r\n\r\nlast line");
}

TEST_F(Edit, LongLineIsCutAtTheBufferSize) {
    HWND edit = control("EDIT", MultiLine);
    std::string line(3000, 'x');
    line[1024] = 'y';
    setText(edit, (line + "\r\nz").c_str());
    std::string buffer(1100, '#');
    WORD size = 1025;
    std::memcpy(buffer.data(), &size, sizeof size);
    EXPECT_EQ(SendMessageA(edit, EM_GETLINE, 0, reinterpret_cast<LPARAM>(buffer.data())), 1025);
    EXPECT_EQ(buffer.substr(1020, 6), "xxxxy#");
}

TEST_F(Edit, SingleLineFieldIgnoresLineNumber) {
    HWND edit = control("EDIT", ES_AUTOHSCROLL, "caption");
    EXPECT_EQ(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0), 7);
    EXPECT_EQ(SendMessageA(edit, EM_GETLINECOUNT, 0, 0), 1);
    char buffer[16] = {};
    WORD size = 16;
    std::memcpy(buffer, &size, sizeof size);
    EXPECT_EQ(SendMessageA(edit, EM_GETLINE, 4, reinterpret_cast<LPARAM>(buffer)), 7);
    EXPECT_EQ(std::string(buffer, 7), "caption");
    SendMessageA(edit, WM_SETTEXT, 0, 0);  // NULL empties
    EXPECT_EQ(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0), 0);
}

TEST_F(Edit, TextLimitsAsThePlatformReportsThem) {
    HWND single = control("EDIT", ES_AUTOHSCROLL);
    HWND multi = control("EDIT", MultiLine);
    EXPECT_EQ(SendMessageA(single, EM_GETLIMITTEXT, 0, 0), 30000);
    EXPECT_EQ(SendMessageA(multi, EM_GETLIMITTEXT, 0, 0), 30000);
    SendMessageA(multi, EM_LIMITTEXT, 5, 0);
    EXPECT_EQ(SendMessageA(multi, EM_GETLIMITTEXT, 0, 0), 5);
    setText(multi, "ab\r\ncdefgh");  // WM_SETTEXT is not held to the limit
    EXPECT_EQ(getText(multi), "ab\r\ncdefgh");
    SendMessageA(single, EM_LIMITTEXT, 0, 0);
    EXPECT_EQ(SendMessageA(single, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
}

TEST_F(Edit, EveryByteSurvivesTheRoundTrip) {
    HWND single = control("EDIT", ES_AUTOHSCROLL);
    HWND multi = control("EDIT", MultiLine);
    HWND list = control("LISTBOX", LBS_NOTIFY);
    std::string bytes;
    for (int b = 1; b <= 0xFF; ++b) bytes += static_cast<char>(b);
    setText(single, bytes.c_str());
    EXPECT_EQ(getText(single), bytes);
    setText(multi, bytes.c_str());
    EXPECT_EQ(getText(multi), bytes);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(bytes.c_str()));
    std::string entry(300, '\0');
    EXPECT_EQ(SendMessageA(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(entry.data())), 255);
    EXPECT_EQ(entry.substr(0, 255), bytes);

    // Lone CR and LF come back as they went in.
    setText(multi, "a\rb\nc\r\nd");
    EXPECT_EQ(getText(multi), "a\rb\nc\r\nd");
}

TEST_F(Edit, SetTextNotifiesOnlySingleLineFields) {
    HWND single = control("EDIT", ES_AUTOHSCROLL);
    HWND multi = control("EDIT", MultiLine);
    received.clear();
    setText(multi, "x");
    for (const Received& r : received) EXPECT_NE(r.message, static_cast<UINT>(WM_COMMAND));
    setText(single, "x");
    bool changed = false;
    for (const Received& r : received) {
        if (r.message == WM_COMMAND && HIWORD(r.wParam) == EN_CHANGE)
            changed = r.lParam == reinterpret_cast<LPARAM>(single);
    }
    EXPECT_TRUE(changed);
}
