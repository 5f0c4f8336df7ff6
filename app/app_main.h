// The application: start-up in its fixed order, then the message loop.
#pragma once

#include "platform/win32.h"

// Starts the editor and runs it until it quits. Returns the exit status: the
// quit message's value, or 0 after a start-up failure (already reported).
int appMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandTail, int showCommand);

// Dispatches messages until WM_QUIT and returns its value; returns 0 when
// fetching a message fails.
int runMessageLoop();
