// Watching a launched editor from outside through the X server: the time
// from launch until its drawings have covered its maximised main window, and
// until that window has stopped drawing; then a close through the window and
// the process's peak memory.
#pragma once

#include <string>
#include <vector>

struct _XDisplay;

struct LaunchResult {
    double secondsToPaint = 0;        // launch until drawings have covered the maximised window
    double secondsToFirstDamage = 0;  // launch to the first drawing of any part of it
    double secondsToSettle = 0;       // launch to its last drawing before 0.3 s without any
    long peakKiB = 0;                 // the process's ru_maxrss
    int paintWidth = 0;               // size of the window at that first paint
    int paintHeight = 0;
    std::string error;  // empty when all of the above are valid
};

class PaintWatcher {
  public:
    // Connects to $DISPLAY; `title` is the main window's title.
    explicit PaintWatcher(std::string title);
    ~PaintWatcher();
    PaintWatcher(const PaintWatcher&) = delete;
    PaintWatcher& operator=(const PaintWatcher&) = delete;

    // Why the watcher cannot work (no display, no DAMAGE extension), or "".
    const std::string& problem() const { return problem_; }

    // Starts `command` (the program's path, then its arguments) with
    // `environment` (NAME=value strings, the whole environment) and waits at
    // most `timeoutSeconds` for its first paint at screen size; then closes
    // the window, waits for the exit and reaps it. The window must belong to
    // the started process itself (a launcher may only exec the program).
    LaunchResult launch(const std::vector<std::string>& command, const std::vector<std::string>& environment,
                        double timeoutSeconds);

  private:
    struct Tracked;
    void drainEvents();

    _XDisplay* display_ = nullptr;
    std::string title_;
    std::string problem_;
    int damageEventBase_ = 0;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
};
