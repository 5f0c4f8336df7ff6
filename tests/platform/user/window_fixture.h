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
