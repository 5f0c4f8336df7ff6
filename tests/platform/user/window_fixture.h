// A fresh top-level window of a test class per test, recording the messages
// its procedure receives, and helpers to make controls in it.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/win32.h"

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class WindowTest : public ::testing::Test {
  public:
    static std::vector<Received> received;  // messages of the current test's window

  protected:
    void SetUp() override;
    void TearDown() override;
    HWND control(const char* className, DWORD style, const char* text = "");

    static LRESULT CALLBACK record(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window = nullptr;  // the test's top-level window
};

// The subjects of the window tests, each run in the fixture above.
using ListBox = WindowTest;
using ListBoxKeys = WindowTest;
using ListBoxMouse = WindowTest;
using ListBoxAccessible = WindowTest;
using AccessibleName = WindowTest;
using Button = WindowTest;
using Edit = WindowTest;
using MessageLoop = WindowTest;
using MessageBoxes = WindowTest;
using Wsprintf = WindowTest;
using Resources = WindowTest;

// How many LBN_SELCHANGE notifications `list` sent the test's window so far.
int selectionChanges(HWND list);

// SendMessageA with the parameters the tests mostly leave out.
inline LRESULT send(HWND w, UINT m, WPARAM wp = 0, LPARAM lp = 0) {
    return SendMessageA(w, m, wp, lp);
}
