#include "tests/platform/user/window_fixture.h"

std::vector<Received> WindowTest::received;

LRESULT CALLBACK WindowTest::record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    received.push_back(Received{message, wParam, lParam});
    return DefWindowProcA(window, message, wParam, lParam);
}

void WindowTest::SetUp() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = record;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "WindowTest";
        ASSERT_NE(RegisterClassA(&wc), 0);
        registered = true;
    }
    received.clear();
    window = CreateWindowExA(0, "WindowTest", "Test", WS_OVERLAPPEDWINDOW, 20, 20, 400, 300, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
}

void WindowTest::TearDown() {
    if (IsWindow(window)) DestroyWindow(window);
}

HWND WindowTest::control(const char* className, DWORD style, const char* text) {
    HWND made = CreateWindowExA(WS_EX_CLIENTEDGE, className, text, WS_CHILD | WS_VISIBLE | style, 10, 10, 200,
                                150, window, nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(made, nullptr);
    return made;
}

int selectionChanges(HWND list) {
    int count = 0;
    for (const Received& r : WindowTest::received) {
        if (r.message == WM_COMMAND && HIWORD(r.wParam) == LBN_SELCHANGE &&
            r.lParam == reinterpret_cast<LPARAM>(list))
            ++count;
    }
    return count;
}
