// The watcher selects SubstructureNotify on the root window, so it hears of
// every top-level window being created, resized, mapped and destroyed. Each
// new top-level gets a DAMAGE object reporting raw rectangles, so every
// drawing into it arrives as an event, in the server's order relative to the
// configure and map events. No window manager runs on the virtual display:
// the editor places its maximised window itself, so "maximised" means mapped
// across the screen's full width and at least most of its height (the Linux
// layer leaves room for the caption it would have; Wine puts the frame of a
// maximised window just outside the screen). Only the part on the screen
// can be drawn, so that part is what must be covered.
#include "bench/startup/first_paint.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double QuietSeconds = 0.3;  // no drawing for this long: the window has settled

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Windows vanish while they are looked at; their errors are expected.
int ignoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

bool tracing() {
    static const bool on = std::getenv("CARDLOOM_BENCH_TRACE") != nullptr;
    return on;
}

}  // namespace

struct PaintWatcher::Tracked {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool mapped = false;
    int owner = 0;  // 1: the launched editor's main window, -1: another window, 0: not checked yet
};

PaintWatcher::PaintWatcher(std::string title) : title_(std::move(title)) {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) {
        problem_ = "cannot connect to the X display";
        return;
    }
    int errorBase = 0;
    if (!XDamageQueryExtension(display_, &damageEventBase_, &errorBase)) {
        problem_ = "the X server has no DAMAGE extension";
        return;
    }
    XSetErrorHandler(ignoreXErrors);
    screenWidth_ = DisplayWidth(display_, DefaultScreen(display_));
    screenHeight_ = DisplayHeight(display_, DefaultScreen(display_));
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
    XSync(display_, False);
}

PaintWatcher::~PaintWatcher() {
    if (display_ != nullptr) XCloseDisplay(display_);
}

void PaintWatcher::drainEvents() {
    XSync(display_, False);
    XEvent event;
    while (XPending(display_) > 0) XNextEvent(display_, &event);
}

namespace {

// The process id a window announces in _NET_WM_PID, or 0.
long windowPid(Display* display, Window window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = 0;
    Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr && format == 32 && count == 1)
        pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    if (data != nullptr) XFree(data);
    return pid;
}

std::string windowTitle(Display* display, Window window) {
    char* name = nullptr;
    std::string title;
    if (XFetchName(display, window, &name) && name != nullptr) title = name;
    if (name != nullptr) XFree(name);
    return title;
}

void sendClose(Display* display, Window window) {
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    message.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &message);
    XFlush(display);
}

// Waits up to `seconds` for the child to end; kills it after that. Returns
// whether it ended by itself.
bool reap(pid_t pid, double seconds, rusage& usage, Display* display) {
    const Clock::time_point start = Clock::now();
    int status = 0;
    for (;;) {
        pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) return true;
        if (done < 0) return false;
        if (secondsSince(start) > seconds) break;
        XEvent event;
        while (XPending(display) > 0) XNextEvent(display, &event);
        usleep(2000);
    }
    kill(pid, SIGKILL);
    wait4(pid, &status, 0, &usage);
    return false;
}

}  // namespace

LaunchResult PaintWatcher::launch(const std::vector<std::string>& command,
                                  const std::vector<std::string>& environment, double timeoutSeconds) {
    LaunchResult result;
    if (!problem_.empty()) {
        result.error = problem_;
        return result;
    }
    drainEvents();

    std::vector<char*> envp;
    for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (!tracing()) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    const Window root = DefaultRootWindow(display_);
    std::map<Window, Tracked> windows;
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        result.error = command[0] + ": " + std::strerror(spawned);
        return result;
    }

    // Whether a tracked window is now the launched editor's maximised window.
    auto isMaximisedMain = [&](Window window, Tracked& t) {
        const int shownHeight = std::min(t.y + t.height, screenHeight_) - std::max(t.y, 0);
        if (!t.mapped || t.x > 0 || t.x + t.width < screenWidth_ || shownHeight * 10 < screenHeight_ * 9)
            return false;
        if (t.owner == 0)
            t.owner = windowPid(display_, window) == pid && windowTitle(display_, window) == title_ ? 1 : -1;
        return t.owner == 1;
    };

    // Events arrive in the server's order, so a damage event seen while the
    // main window is mapped at screen size is a drawing made at that size.
    // The first such drawing may be stale (a repaint at the size the toolkit
    // had not yet heard was changed); the window counts as painted once the
    // drawings at screen size together cover all of it.
    Window painted = None;
    Region covered = XCreateRegion();
    Window coveredWindow = None;
    const int fd = ConnectionNumber(display_);
    while (painted == None) {
        if (XPending(display_) == 0) {
            const double left = timeoutSeconds - secondsSince(start);
            int status = 0;
            if (left <= 0 || waitpid(pid, &status, WNOHANG) == pid) {
                result.error = left <= 0 ? "no paint of a maximised main window in time"
                                         : "the editor ended before painting its maximised window";
                break;
            }
            pollfd wait{fd, POLLIN, 0};
            poll(&wait, 1, left > 0.05 ? 50 : static_cast<int>(left * 1000) + 1);
            continue;
        }
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == CreateNotify && event.xcreatewindow.parent == root) {
            Tracked& t = windows[event.xcreatewindow.window];
            t.x = event.xcreatewindow.x;
            t.y = event.xcreatewindow.y;
            t.width = event.xcreatewindow.width;
            t.height = event.xcreatewindow.height;
            XDamageCreate(display_, event.xcreatewindow.window, XDamageReportRawRectangles);
        } else if (event.type == ConfigureNotify || event.type == MapNotify || event.type == UnmapNotify) {
            Window window = event.type == ConfigureNotify ? event.xconfigure.window
                            : event.type == MapNotify     ? event.xmap.window
                                                          : event.xunmap.window;
            auto found = windows.find(window);
            if (found == windows.end()) continue;
            Tracked& t = found->second;
            if (event.type == ConfigureNotify) {
                t.x = event.xconfigure.x;
                t.y = event.xconfigure.y;
                t.width = event.xconfigure.width;
                t.height = event.xconfigure.height;
            } else {
                t.mapped = event.type == MapNotify;
            }
            if (tracing())
                std::fprintf(stderr, "%8.3f ms  window 0x%lx %s %dx%d\n", secondsSince(start) * 1e3, window,
                             event.type == ConfigureNotify ? "configured"
                             : t.mapped                    ? "mapped"
                                                           : "unmapped",
                             t.width, t.height);
            if (window == coveredWindow && !isMaximisedMain(window, t)) {
                // Drawings made before a change of size or an unmap do not count.
                XDestroyRegion(covered);
                covered = XCreateRegion();
                coveredWindow = None;
            }
        } else if (event.type == DestroyNotify) {
            windows.erase(event.xdestroywindow.window);
        } else if (event.type == damageEventBase_ + XDamageNotify) {
            const auto& damage = *reinterpret_cast<XDamageNotifyEvent*>(&event);
            auto found = windows.find(damage.drawable);
            if (found == windows.end()) continue;
            Tracked& t = found->second;
            if (tracing())
                std::fprintf(stderr, "%8.3f ms  window 0x%lx damaged %dx%d at %d,%d\n",
                             secondsSince(start) * 1e3, damage.drawable, damage.area.width,
                             damage.area.height, damage.area.x, damage.area.y);
            if (!isMaximisedMain(damage.drawable, t)) continue;
            if (coveredWindow == None) result.secondsToFirstDamage = secondsSince(start);
            coveredWindow = damage.drawable;
            XRectangle area{damage.area.x, damage.area.y, damage.area.width, damage.area.height};
            XUnionRectWithRegion(&area, covered, covered);
            const int left = std::max(-t.x, 0);
            const int top = std::max(-t.y, 0);
            const int right = std::min(t.width, screenWidth_ - t.x);
            const int bottom = std::min(t.height, screenHeight_ - t.y);
            if (XRectInRegion(covered, left, top, static_cast<unsigned>(right - left),
                              static_cast<unsigned>(bottom - top)) == RectangleIn) {
                result.secondsToPaint = secondsSince(start);
                result.paintWidth = t.width;
                result.paintHeight = t.height;
                painted = damage.drawable;
            }
        }
    }
    XDestroyRegion(covered);

    // Drawing may go on after the first full cover (Wine flushes the frame and
    // background before the controls draw themselves): the window counts as
    // settled at its last drawing before a quiet spell.
    if (painted != None) {
        result.secondsToSettle = result.secondsToPaint;
        Clock::time_point last = Clock::now();
        while (secondsSince(last) < QuietSeconds && secondsSince(start) < timeoutSeconds) {
            if (XPending(display_) == 0) {
                pollfd wait{fd, POLLIN, 0};
                poll(&wait, 1, 10);
                continue;
            }
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type != damageEventBase_ + XDamageNotify) continue;
            const auto& damage = *reinterpret_cast<XDamageNotifyEvent*>(&event);
            if (tracing())
                std::fprintf(stderr, "%8.3f ms  window 0x%lx damaged %dx%d at %d,%d (after)\n",
                             secondsSince(start) * 1e3, damage.drawable, damage.area.width,
                             damage.area.height, damage.area.x, damage.area.y);
            if (damage.drawable != painted) continue;
            last = Clock::now();
            result.secondsToSettle = secondsSince(start);
        }
    }
    if (painted != None) sendClose(display_, painted);
    rusage usage{};
    if (!reap(pid, painted != None ? 10.0 : 0.0, usage, display_) && result.error.empty())
        result.error = "the editor did not end when its window was closed";
    result.peakKiB = usage.ru_maxrss;
    return result;
}
