// The message loop, timers, and boxes answered through test_support.
#include <string>

#include "tests/platform/user/window_fixture.h"
#include "tests/support/answer.h"

namespace {

int timerTicks = 0;  // calls of countTicks

void CALLBACK countTicks(HWND, UINT message, UINT_PTR id, DWORD) {
    ++timerTicks;
    if (message == WM_TIMER && timerTicks == 3) {
        KillTimer(nullptr, id);
        PostQuitMessage(7);
    }
}

int runLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

TEST_F(MessageLoop, QuitComesAfterTheMessagesPostedBeforeIt) {
    PostMessageA(window, WM_USER + 1, 1, 0);
    PostQuitMessage(3);
    PostMessageA(window, WM_USER + 2, 2, 0);
    received.clear();
    EXPECT_EQ(runLoop(), 3);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(received[1].message, static_cast<UINT>(WM_USER + 2));
}

TEST_F(MessageLoop, CloseLeftToDefaultProcessingDestroys) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    PostMessageA(nullptr, WM_USER, 0, 0);  // a thread message marks the end
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    DispatchMessageA(&msg);
    EXPECT_FALSE(IsWindow(window));
    bool destroyed = false;
    for (const Received& r : received) destroyed = destroyed || r.message == WM_DESTROY;
    EXPECT_TRUE(destroyed);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    EXPECT_EQ(msg.hwnd, nullptr);
}

TEST_F(MessageLoop, ThreadTimerCallsItsProcFromTheLoop) {
    timerTicks = 0;
    ASSERT_NE(SetTimer(nullptr, 0, 10, countTicks), 0u);
    EXPECT_EQ(runLoop(), 7);
    EXPECT_EQ(timerTicks, 3);
}

TEST_F(MessageBoxes, BoxIsAnsweredWithItsCaptionTextAndOwner) {
    ShowWindow(window, SW_SHOW);
    BoxAnswer answer(IDCANCEL);
    answerNextBox(answer);
    int result = MessageBoxA(window, "line one\r\nline two", "Caption", MB_OKCANCEL | MB_ICONHAND);
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_TRUE(answer.seen);
    EXPECT_STREQ(answer.caption, "Caption");
    EXPECT_STREQ(answer.text, "line one\r\nline two");
    EXPECT_EQ(answer.owner, window);
    EXPECT_FALSE(answer.ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(window));
    EXPECT_EQ(pendingAnswers(), 0);
}

TEST_F(MessageBoxes, OwnerlessBoxesAnsweredInTurn) {
    BoxAnswer first;
    BoxAnswer second(IDNO);
    answerNextBox(first);
    answerNextBox(second);
    EXPECT_EQ(MessageBoxA(nullptr, "one", "First", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "two", "Second", MB_YESNO), IDNO);
    EXPECT_EQ(first.owner, nullptr);
    EXPECT_STREQ(first.text, "one");
    EXPECT_STREQ(second.caption, "Second");
}

TEST_F(Wsprintf, FormatsLikeThePlatform) {
    char buffer[1100];
    EXPECT_EQ(wsprintfA(buffer, "Unknown error: %i", -1), 17);
    EXPECT_STREQ(buffer, "Unknown error: -1");
    wsprintfA(buffer, "[%5d|%-4u|%04x|%X|%c|%s|%%]", 42, 7u, 255u, 0xABCu, 'q', "s");
    EXPECT_STREQ(buffer, "[   42|7   |00ff|ABC|q|s|%]");
    std::string longText(2000, 'a');
    EXPECT_EQ(wsprintfA(buffer, "%s", longText.c_str()), 1024);  // cut: 1023 bytes and a NUL
    EXPECT_EQ(std::string(buffer).size(), 1023u);
}

TEST_F(Resources, LoadByNameAnyCase) {
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
}
