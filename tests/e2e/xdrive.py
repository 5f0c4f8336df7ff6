"""Drives a running program on an X display as a person would: real pointer and
key events through xdotool, screen pixels through ImageMagick, the clipboard
through xclip. Used by the end-to-end test and the screenshot script."""

import os
import re
import shutil
import subprocess
import tempfile
import time


class DriveError(Exception):
    pass


def run(*args, check=True, **kwargs):
    result = subprocess.run(args, capture_output=True, text=True, **kwargs)
    if check and result.returncode != 0:
        raise DriveError("%s failed (%d): %s" % (" ".join(args), result.returncode, result.stderr.strip()))
    return result.stdout


def run_to_files(command, env=None, cwd=None):
    """Runs a command with its output in files, not pipes: a Wine program may
    leave service processes behind that hold its output open, and a reader of
    a pipe would wait for them. Returns (status, stdout bytes, stderr text)."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        status = subprocess.run(command, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                                stdout=out, stderr=err).returncode
        out.seek(0)
        err.seek(0)
        return status, out.read(), err.read().decode(errors="replace")


def wait_for(what, test, timeout=30.0, interval=0.2):
    """Polls `test` until it returns something true; raises after `timeout` seconds."""
    end = time.monotonic() + timeout
    while True:
        value = test()
        if value:
            return value
        if time.monotonic() > end:
            raise DriveError("timed out waiting for " + what)
        time.sleep(interval)


class VirtualDisplay:
    """An Xvfb of its own when $DISPLAY is empty (or always with `own`), made
    the current display until close()."""

    def __init__(self, width=1280, height=1024, own=False):
        self.process = None
        self.previous = os.environ.get("DISPLAY")
        if self.previous and not own:
            return
        for n in range(170, 240):
            if os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
                continue
            self.process = subprocess.Popen(
                ["Xvfb", ":%d" % n, "-screen", "0", "%dx%dx24" % (width, height), "-nolisten", "tcp",
                 "-noreset"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            wait_for("Xvfb :%d" % n, lambda: os.path.exists("/tmp/.X11-unix/X%d" % n), 10)
            os.environ["DISPLAY"] = ":%d" % n
            return
        raise DriveError("no free display number for Xvfb")

    def close(self):
        if self.process:
            self.process.terminate()
            self.process.wait()
            if self.previous:
                os.environ["DISPLAY"] = self.previous
            else:
                del os.environ["DISPLAY"]


class Window:
    def __init__(self, wid):
        self.wid = wid

    def name(self):
        return run("xdotool", "getwindowname", self.wid, check=False).strip()

    def geometry(self):
        """(x, y, width, height) of the window on the screen, or None when it is gone."""
        out = run("xwininfo", "-id", self.wid, check=False)
        values = {}
        for key, label in (("x", "Absolute upper-left X"), ("y", "Absolute upper-left Y"),
                           ("w", "Width"), ("h", "Height")):
            m = re.search(r"%s:\s+(-?\d+)" % label, out)
            if not m:
                return None
            values[key] = int(m.group(1))
        return values["x"], values["y"], values["w"], values["h"]

    def focus(self):
        """Gives the window the keyboard and puts the pointer inside it."""
        x, y, w, h = self.geometry()
        run("xdotool", "mousemove", str(x + w // 2), str(y + min(h // 2, 10)))
        run("xdotool", "windowfocus", "--sync", self.wid, check=False)
        time.sleep(0.2)


def visible_windows():
    out = run("xdotool", "search", "--onlyvisible", "--name", ".", check=False)
    return [Window(w) for w in out.split()]


def shown_window_ids():
    """Ids of all mapped windows, named or not (menus and other popups have no name)."""
    return set(run("xdotool", "search", "--onlyvisible", ".", check=False).split())


def find_window(pattern, timeout=30.0, exclude=()):
    """The first visible window whose name matches the regular expression."""
    rx = re.compile(pattern)
    skip = {w.wid for w in exclude}

    def look():
        for w in visible_windows():
            if w.wid not in skip and rx.search(w.name()):
                return w
        return None
    return wait_for("a window named /%s/" % pattern, look, timeout)


def window_gone(window, timeout=30.0):
    wait_for("window %s to close" % window.wid,
             lambda: window.wid not in {w.wid for w in visible_windows()}, timeout)


class Screen:
    """One capture of the whole screen; pixel(x, y) -> (r, g, b)."""

    def __init__(self):
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"],
                              capture_output=True, check=True).stdout
        fields = []
        pos = 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos)
                continue
            end = pos
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[pos:end])
            pos = end
        pos += 1
        self.width, self.height = int(fields[1]), int(fields[2])
        self.data = data[pos:]

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            return None
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])


def client_area(window):
    """Finds the client area of the editor's main window from what is drawn:
    the card list stands 10 pixels from the client's left and top edges with
    plain background around it, and the Text field ends 10 pixels from the
    right edge. Returns (x, y, width, height) on the screen, or None while the
    window is not drawn that way yet."""
    g = window.geometry()
    if not g:
        return None
    wx, wy, ww, wh = g
    s = Screen()
    # The list's top edge: the first row where a point in the list's scroll
    # bar differs from a point in the left margin, after a run of equal rows
    # (the menu bar and the margin above the list; a caption's text is shorter).
    top = None
    equal = 0
    for y in range(max(wy, 0), min(wy + wh, s.height)):
        if s.pixel(wx + 5, y) == s.pixel(wx + 200, y):
            equal += 1
        else:
            if equal >= 8:
                top = y
                break
            equal = 0
    if top is None:
        return None
    left = None
    for x in range(max(wx, 0), min(wx + 100, s.width)):
        if s.pixel(x, top + 50) != s.pixel(x, top - 5):
            left = x
            break
    if left is None:
        return None
    cx, cy = left - 10, top - 10
    right = None
    for x in range(min(wx + ww, s.width) - 1, cx + 220, -1):
        if s.pixel(x, cy + 100) != s.pixel(x, cy + 65):
            right = x
            break
    bottom = None
    for y in range(min(wy + wh, s.height) - 1, cy + 20, -1):
        if s.pixel(cx + 200, y) != s.pixel(cx + 5, y):
            bottom = y
            break
    if right is None or bottom is None:
        return None
    return cx, cy, right - cx + 11, bottom - cy + 31


def settled_client_area(window, timeout=30.0):
    """The client area once two looks in a row agree."""
    last = [None]

    def look():
        now = client_area(window)
        same = now is not None and now == last[0]
        last[0] = now
        return now if same else None
    return wait_for("the main window to settle", look, timeout, 0.5)


def click(x, y):
    run("xdotool", "mousemove", "--sync", str(x), str(y))
    run("xdotool", "click", "1")
    time.sleep(0.3)


def key(*names):
    run("xdotool", "key", "--delay", "60", *names)
    time.sleep(0.2)


def key_for_popup(*names, timeout=30.0):
    """Presses keys that open a popup window (a menu) and waits until it shows,
    so that the keys meant for it do not reach the window beneath."""
    before = shown_window_ids()
    key(*names)
    wait_for("a popup after " + " ".join(names), lambda: shown_window_ids() - before, timeout)


def type_text(text):
    """Types text; a line feed is the Return key."""
    for i, line in enumerate(text.split("\n")):
        if i:
            key("Return")
        if line:
            run("xdotool", "type", "--delay", "30", line)
    time.sleep(0.2)


def clipboard():
    return run("xclip", "-o", "-selection", "clipboard", check=False)


def clear_clipboard():
    subprocess.run(["xclip", "-i", "-selection", "clipboard"], input="", text=True)


def screenshot(path, window=None, crop=None):
    """Saves the screen (or one window) as an image; crop is (x, y, width, height)."""
    args = ["import", "-window", window.wid if window else "root"]
    if crop:
        x, y, w, h = crop
        args += ["-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage"]
    run(*(args + [path]))


def have_tools():
    return [t for t in ("xdotool", "xwininfo", "import", "xclip", "Xvfb") if not shutil.which(t)]


def fresh_data_file(work, example, wine):
    """Empties the work folder and copies the example into data/cardinfo.dat.
    Returns that folder, the file's path, and the path as the open dialog of
    the build under test takes it (a Wine drive path under Wine)."""
    shutil.rmtree(work, ignore_errors=True)
    data_dir = os.path.join(work, "data")
    os.makedirs(data_dir)
    file_path = os.path.join(data_dir, "cardinfo.dat")
    shutil.copyfile(example, file_path)
    dialog_path = "Z:" + file_path.replace("/", "\\") if wine else file_path
    return data_dir, file_path, dialog_path


def temp_dir(prefix):
    return tempfile.mkdtemp(prefix=prefix)


def report_failure(error, work):
    """Prints a driving failure with a screenshot of the screen at that moment."""
    shot = os.path.join(work, "failure.png")
    try:
        screenshot(shot)
    except DriveError:
        shot = "(no screenshot)"
    print("FAILED: %s\nscreen at the failure: %s" % (error, shot))
