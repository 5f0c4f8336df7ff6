// Answers modal boxes and file-open dialogs that the code under test shows,
// using only Win32 calls (so it behaves the same on Windows, under Wine and on
// the Linux layer).
//
// Usage: arm an answer, then call the code that shows the box; the box is
// answered from a thread timer while its own modal loop runs.
//
//     BoxAnswer box;                 // presses IDOK by default
//     answerNextBox(box);
//     reportError(LoadFailed);
//     EXPECT_TRUE(box.seen);
//     EXPECT_STREQ(box.caption, "Cardloom error");
//
// Each armed answer handles exactly one window, in the order armed (boxes and
// open dialogs are queued separately). The answer objects must outlive the
// box; destroying an answer that is still armed disarms it. Boxes and dialogs
// are searched among the windows of the calling thread only, and a disabled
// one (under a box of its own) waits until it is enabled again. A dialog that
// refuses an answer with a box takes the next armed open answer after it.
#pragma once

#include "platform/win32.h"

// One message box ("#32770" window whose text is the static item 0xFFFF).
struct BoxAnswer {
    int button = IDOK;         // in: command to press: IDOK, IDCANCEL, IDYES or IDNO
    bool seen = false;         // out: a box appeared and was answered
    HWND owner = nullptr;      // out: its owner window (GW_OWNER), null for none
    BOOL ownerEnabled = TRUE;  // out: IsWindowEnabled(owner) while the box was up
    char caption[256] = {};    // out: its caption (title bar text)
    char text[1024] = {};      // out: its message text

    BoxAnswer() = default;
    explicit BoxAnswer(int pressButton) : button(pressButton) {}
    BoxAnswer(const BoxAnswer&) = delete;
    BoxAnswer& operator=(const BoxAnswer&) = delete;
    ~BoxAnswer();
};

// One file-open dialog (GetOpenFileNameA). A path types it into the file name
// box and confirms; a null path cancels.
struct OpenAnswer {
    const char* path = nullptr;    // in: path to confirm, or null to cancel
    bool seen = false;             // out: a dialog appeared and was answered
    HWND owner = nullptr;          // out: its owner window (GW_OWNER)
    BOOL ownerEnabled = TRUE;      // out: IsWindowEnabled(owner) while the dialog was up
    BOOL ownerVisible = FALSE;     // out: IsWindowVisible(owner) while the dialog was up
    char proposed[MAX_PATH] = {};  // out: the file name box's text when it appeared
    char fileType[256] = {};       // out: the file type in force when it appeared
    char fileTypes[512] = {};      // out: every entry of the file type box, each ending in '\n'

    OpenAnswer() = default;
    explicit OpenAnswer(const char* confirmPath) : path(confirmPath) {}
    OpenAnswer(const OpenAnswer&) = delete;
    OpenAnswer& operator=(const OpenAnswer&) = delete;
    ~OpenAnswer();
};

// Queue an answer for the next message box of this thread.
void answerNextBox(BoxAnswer& answer);

// Queue an answer for the next file-open dialog of this thread.
void answerOpenDialog(OpenAnswer& answer);

// Number of armed answers that have not met their window yet.
int pendingAnswers();

// Disarm every pending answer.
void stopAnswering();

// Control ids inside the dialogs, the same on Windows and Wine.
constexpr int BoxTextId = 0xFFFF;      // static text of a message box
constexpr int OpenFileNameId = 0x47C;  // cmb13: file name box of the open dialog
constexpr int OpenFileTypeId = 0x470;  // cmb1: file type box of the open dialog
