// Posted messages wait in one FIFO queue. GetMessageA takes from it and, when
// it is empty, runs the Qt event loop until something is posted; user input
// reaches window procedures from inside that loop. A modal box or dialog runs
// its own Qt loop; while it is the innermost loop, posted messages are
// dispatched from there, as the modal loop of a Win32 dialog does.
#include "platform/linux/user/message_loop.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "platform/linux/user/qt_app.h"
#include "platform/linux/user/window_table.h"

namespace winlayer {
namespace {

struct Timer {
    HWND window;
    UINT_PTR id;
    TIMERPROC proc;
    std::unique_ptr<QTimer> qtimer;
    bool pending = false;  // a WM_TIMER for it is queued
};

std::deque<MSG> queue;                       // posted messages, oldest first
bool quitPending = false;                    // PostQuitMessage was called
int quitCode = 0;                            // its exit code
std::vector<QEventLoop*> waits;              // GetMessageA waits, innermost last
std::vector<bool> loops;                     // running loops, innermost last: true = modal
bool drainScheduled = false;                 // a modal drain is queued in Qt
std::vector<std::unique_ptr<Timer>> timers;  // live timers
UINT_PTR nextThreadTimerId = 0x7F01;         // id of the next thread timer

DWORD tickCount() {
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    return static_cast<DWORD>(clock.elapsed());
}

void drainModal();

bool innermostIsModal() {
    return !loops.empty() && loops.back();
}

void wake() {
    if (innermostIsModal()) {
        if (!drainScheduled) {
            drainScheduled = true;
            QTimer::singleShot(0, drainModal);
        }
    } else if (!waits.empty()) {
        waits.back()->quit();
    }
}

void drainModal() {
    drainScheduled = false;
    while (innermostIsModal() && !queue.empty()) {
        MSG msg = queue.front();
        queue.pop_front();
        DispatchMessageA(&msg);
    }
}

void post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{window, message, wParam, lParam, tickCount(), POINT{0, 0}};
    queue.push_back(msg);
    wake();
}

Timer* findTimer(HWND window, UINT_PTR id) {
    for (auto& timer : timers) {
        if (timer->window == window && timer->id == id) return timer.get();
    }
    return nullptr;
}

void timerFired(Timer* timer) {
    if (timer->pending) return;
    timer->pending = true;
    post(timer->window, WM_TIMER, timer->id, reinterpret_cast<LPARAM>(timer->proc));
}

}  // namespace

void enterModal() {
    loops.push_back(true);
    wake();
}

void leaveModal() {
    loops.pop_back();
    if (!queue.empty() || quitPending) wake();
}

LRESULT deliver(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = findWindow(handle);
    if (window == nullptr) return 0;
    if (window->proc != nullptr) return window->proc(handle, message, wParam, lParam);
    if (window->control) return window->control->handle(*window, message, wParam, lParam);
    return DefWindowProcA(handle, message, wParam, lParam);
}

void forgetWindowMessages(HWND window) {
    for (auto it = queue.begin(); it != queue.end();) {
        it = it->hwnd == window ? queue.erase(it) : it + 1;
    }
    for (auto it = timers.begin(); it != timers.end();) {
        it = (*it)->window == window ? timers.erase(it) : it + 1;
    }
}

}  // namespace winlayer

using namespace winlayer;

BOOL WINAPI GetMessageA(LPMSG msg, HWND, UINT, UINT) {
    ensureApp();
    loops.push_back(false);
    for (;;) {
        if (!queue.empty()) {
            *msg = queue.front();
            queue.pop_front();
            break;
        }
        if (quitPending) {
            quitPending = false;
            *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode), 0, tickCount(), POINT{0, 0}};
            break;
        }
        QEventLoop loop;
        waits.push_back(&loop);
        loop.exec();
        waits.pop_back();
    }
    loops.pop_back();
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WINAPI TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (msg == nullptr) return 0;
    if (msg->message == WM_TIMER) {
        if (Timer* timer = findTimer(msg->hwnd, msg->wParam)) timer->pending = false;
        if (msg->lParam != 0) {
            reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, tickCount());
            return 0;
        }
    }
    if (msg->hwnd == nullptr) return 0;
    return deliver(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ensureApp();
    if (window != nullptr && findWindow(window) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    post(window, message, wParam, lParam);
    return TRUE;
}

void WINAPI PostQuitMessage(int exitCode) {
    quitPending = true;
    quitCode = exitCode;
    if (!waits.empty() && !innermostIsModal()) waits.back()->quit();
}

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    ensureApp();
    if (window != nullptr && findWindow(window) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (window == nullptr) id = nextThreadTimerId++;
    Timer* timer = findTimer(window, id);
    if (timer == nullptr) {
        timers.push_back(std::make_unique<Timer>());
        timer = timers.back().get();
        timer->window = window;
        timer->id = id;
        timer->qtimer = std::make_unique<QTimer>();
        QObject::connect(timer->qtimer.get(), &QTimer::timeout, [timer] { timerFired(timer); });
    }
    timer->proc = proc;
    timer->qtimer->start(static_cast<int>(elapse < 10 ? 10 : elapse));
    return window == nullptr ? id : 1;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
    for (auto it = timers.begin(); it != timers.end(); ++it) {
        if ((*it)->window == window && (*it)->id == id) {
            timers.erase(it);
            for (auto q = queue.begin(); q != queue.end();) {
                bool match = q->message == WM_TIMER && q->hwnd == window && q->wParam == id;
                q = match ? queue.erase(q) : q + 1;
            }
            return TRUE;
        }
    }
    return FALSE;
}
