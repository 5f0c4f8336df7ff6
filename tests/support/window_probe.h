// Reading back what windows show and running the message loop, as plain
// Win32 calls, for every test that drives windows.
#pragma once

#include <string>

#include "platform/win32.h"

// Runs the message loop until WM_QUIT; returns its exit code (-1 on error).
int runUntilQuit();

// The text of a window or control.
std::string textOf(HWND window);

// The text of the entry at `position` of a list box ("<too long>" past what
// a card name can be).
std::string listText(HWND list, int position);
