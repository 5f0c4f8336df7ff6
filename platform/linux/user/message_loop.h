// The thread's message queue and the loops that drain it: GetMessageA's wait
// and the nested loops of modal boxes and dialogs.
#pragma once

#include "platform/linux/winapi.h"

namespace winlayer {

// Runs a modal Qt loop (the given function calls exec()) while queued
// messages and timers keep being dispatched, as a Win32 modal loop does.
template <typename Run>
auto runModal(Run run) -> decltype(run());

void enterModal();
void leaveModal();

// Calls a window's procedure or control handler directly.
LRESULT deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Drops queued messages and timers of a window that is being destroyed.
void forgetWindowMessages(HWND window);

template <typename Run>
auto runModal(Run run) -> decltype(run()) {
    enterModal();
    auto result = run();
    leaveModal();
    return result;
}

}  // namespace winlayer
