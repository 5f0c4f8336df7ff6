#include "tests/support/window_probe.h"

#include "card/card_table.h"

int runUntilQuit() {
    MSG message;
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : -1;
}

std::string textOf(HWND window) {
    char buffer[4096] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

std::string listText(HWND list, int position) {
    char buffer[NameWidth + 64] = {};
    if (SendMessageA(list, LB_GETTEXTLEN, position, 0) >= static_cast<LRESULT>(sizeof buffer))
        return "<too long>";
    SendMessageA(list, LB_GETTEXT, position, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}
