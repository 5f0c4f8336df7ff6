// Start-up in its fixed order, each failure reported and final, then the
// message loop until the main window is destroyed.
#include "app/app_main.h"

#include "app/error_report.h"
#include "editor/card_io.h"
#include "editor/main_window.h"
#include "settings/data_file.h"

constexpr int RestoredWidth = 640;  // the window's size once loaded, before maximising
constexpr int RestoredHeight = 480;

int runMessageLoop() {
    MSG message;
    for (;;) {
        BOOL result = GetMessageA(&message, nullptr, 0, 0);
        // -1: the fetch itself failed; nothing more can be dispatched.
        if (result == -1) return 0;
        if (result == 0) return static_cast<int>(message.wParam);
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

int appMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (!initMainWindow(instance)) {
        reportError(StartFailed);
        return 0;
    }
    if (!locateDataFile(0)) {
        reportError(NoDataFile);
        return 0;
    }
    if (!createControls(instance)) {
        reportError(ControlsFailed);
        return 0;
    }
    if (!loadCards()) {
        reportError(LoadFailed);
        return 0;
    }
    SendMessageA(nameEdit, WM_SETTEXT, 0, 0);
    SetWindowPos(mainWindow, nullptr, 0, 0, RestoredWidth, RestoredHeight, SWP_NOMOVE | SWP_NOZORDER);
    ShowWindow(mainWindow, SW_SHOWMAXIMIZED);
    UpdateWindow(mainWindow);
    return runMessageLoop();
}
