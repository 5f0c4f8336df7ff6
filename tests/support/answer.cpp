// Answers boxes and open dialogs from a thread timer: every tick looks for a
// new "#32770" window of this thread, records what it shows and presses the
// armed button through WM_COMMAND, as a user's click would.
#include "tests/support/answer.h"

#include <cstring>
#include <deque>

namespace {

std::deque<BoxAnswer*> boxQueue;    // armed box answers, oldest first
std::deque<OpenAnswer*> openQueue;  // armed open-dialog answers, oldest first
UINT_PTR timerId = 0;               // the polling thread timer, 0 when idle
HWND lastAnswered = nullptr;        // dialog already answered, skipped until it goes

constexpr UINT PollMs = 30;

struct Search {
    HWND found;
};

BOOL CALLBACK findDialog(HWND window, LPARAM param) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0 || window == lastAnswered || !IsWindowVisible(window) ||
        !IsWindowEnabled(window))
        return TRUE;
    reinterpret_cast<Search*>(param)->found = window;
    return FALSE;
}

void disarmIfIdle() {
    if (timerId != 0 && boxQueue.empty() && openQueue.empty()) {
        KillTimer(nullptr, timerId);
        timerId = 0;
    }
}

void answerBox(HWND box) {
    BoxAnswer* answer = boxQueue.front();
    boxQueue.pop_front();
    GetWindowTextA(box, answer->caption, sizeof answer->caption);
    GetDlgItemTextA(box, BoxTextId, answer->text, sizeof answer->text);
    answer->owner = GetWindow(box, GW_OWNER);
    answer->ownerEnabled = answer->owner != nullptr ? IsWindowEnabled(answer->owner) : TRUE;
    answer->seen = true;
    // Remembering the box, not a dialog answered before it, lets a dialog
    // that refused its answer with this box take another once the box goes.
    lastAnswered = box;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer->button, 0), 0);
}

// The file type box's entries, each followed by '\n', as far as they fit.
void readFileTypes(HWND dialog, char* out, std::size_t size) {
    HWND box = GetDlgItem(dialog, OpenFileTypeId);
    const LRESULT count = box != nullptr ? SendMessageA(box, CB_GETCOUNT, 0, 0) : 0;
    std::size_t used = 0;
    out[0] = '\0';
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageA(box, CB_GETLBTEXTLEN, i, 0);
        if (length < 0 || used + static_cast<std::size_t>(length) + 2 > size) break;
        SendMessageA(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(out + used));
        used += static_cast<std::size_t>(length);
        out[used++] = '\n';
        out[used] = '\0';
    }
}

void answerOpen(HWND dialog) {
    OpenAnswer* answer = openQueue.front();
    openQueue.pop_front();
    GetDlgItemTextA(dialog, OpenFileNameId, answer->proposed, sizeof answer->proposed);
    GetDlgItemTextA(dialog, OpenFileTypeId, answer->fileType, sizeof answer->fileType);
    readFileTypes(dialog, answer->fileTypes, sizeof answer->fileTypes);
    answer->owner = GetWindow(dialog, GW_OWNER);
    answer->ownerEnabled = answer->owner != nullptr ? IsWindowEnabled(answer->owner) : TRUE;
    answer->ownerVisible = answer->owner != nullptr ? IsWindowVisible(answer->owner) : FALSE;
    answer->seen = true;
    lastAnswered = dialog;
    if (answer->path != nullptr) {
        SetDlgItemTextA(dialog, OpenFileNameId, answer->path);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    } else {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    }
}

void CALLBACK poll(HWND, UINT, UINT_PTR, DWORD) {
    if (lastAnswered != nullptr && !IsWindow(lastAnswered)) lastAnswered = nullptr;
    Search search{nullptr};
    EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) return;
    bool isOpenDialog = GetDlgItem(search.found, OpenFileNameId) != nullptr;
    if (isOpenDialog && !openQueue.empty()) {
        answerOpen(search.found);
    } else if (!isOpenDialog && !boxQueue.empty()) {
        answerBox(search.found);
    }
    disarmIfIdle();
}

void arm() {
    if (timerId == 0) timerId = SetTimer(nullptr, 0, PollMs, poll);
}

template <typename T>
void forget(std::deque<T*>& queue, T* answer) {
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (*it == answer) {
            queue.erase(it);
            break;
        }
    }
    disarmIfIdle();
}

}  // namespace

BoxAnswer::~BoxAnswer() {
    forget(boxQueue, this);
}

OpenAnswer::~OpenAnswer() {
    forget(openQueue, this);
}

void answerNextBox(BoxAnswer& answer) {
    boxQueue.push_back(&answer);
    arm();
}

void answerOpenDialog(OpenAnswer& answer) {
    openQueue.push_back(&answer);
    arm();
}

int pendingAnswers() {
    return static_cast<int>(boxQueue.size() + openQueue.size());
}

void stopAnswering() {
    boxQueue.clear();
    openQueue.clear();
    disarmIfIdle();
}
