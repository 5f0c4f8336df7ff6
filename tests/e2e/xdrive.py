"""Drives the editor on an X display as a person would: real pointer and key
events through xdotool, screen pixels through ImageMagick, the clipboard
through xclip. Starts the program under test (on Linux or through the Wine
runner), answers its dialogs, clicks at the places its layout gives the
controls, reads a saved file back through `cardinfo` and checks its bytes
with the file model of tests/tools/crosscheck. The library of the end-to-end
tests (which import only from here) and of the screenshot script."""

import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tools", "crosscheck"))
import cardfile_model  # noqa: E402

XVFB_HELPER = os.path.join(HERE, "..", "..", "scripts", "xvfb.sh")
MAIN_TITLE = r"^Cardloom v\d+\.\d+ by Kesp$"


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
    """A virtual display of its own (from scripts/xvfb.sh) when $DISPLAY is
    empty, or always with `own`, made the current display until close()."""

    def __init__(self, width=1280, height=1024, own=False):
        self.helper = None
        self.previous = os.environ.get("DISPLAY")
        if self.previous and not own:
            return
        self.helper = subprocess.Popen(["bash", XVFB_HELPER, "%dx%d" % (width, height)],
                                       stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True)
        started = self.helper.stdout.readline().split()
        if len(started) != 2:
            self.helper.wait()
            raise DriveError("no virtual display could be started")
        self.number, self.pid = started[0], int(started[1])
        os.environ["DISPLAY"] = ":" + self.number

    def close(self):
        if self.helper:
            os.kill(self.pid, signal.SIGTERM)
            self.helper.wait()
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


def report_failure(error, work):
    """Prints a driving failure with a screenshot of the screen at that moment."""
    shot = os.path.join(work, "failure.png")
    try:
        screenshot(shot)
    except DriveError:
        shot = "(no screenshot)"
    print("FAILED: %s\nscreen at the failure: %s" % (error, shot))


# ---- The editor under test ---------------------------------------------------

def layout(width, height):
    """The places of the controls the tests use, (x, y, width, height) in a
    client area of that size, by the rules of editor/layout.cpp."""
    row, buttons = width - 250, width - 240
    return {
        "cards": (10, 10, 200, height - 40),
        "add": (10, height - 30, 90, 20),
        "delete": (100, height - 30, 90, 20),
        "name": (220, 10, int(0.7 * row), 20),
        "cost": (int(0.7 * row + 230), 10, int(0.15 * row), 20),
        "colours": (int(0.85 * row + 240), 10, int(0.15 * row), 20),
        "colour list": (int(0.85 * row + 240), 30, int(0.15 * row), 140),
        "text": (220, 70, width - 230, int(0.6 * (height - 100))),
        "comment": (220, int(0.6 * (height - 110) + 80), width - 230, int(0.4 * (height - 110))),
        "update": (220, height - 25, int(0.5 * buttons), 20),
        "save": (int(0.5 * buttons + 230), height - 25, int(0.5 * buttons), 20),
    }


class Editor:
    """One run of the program under test, with the places of its controls."""

    def __init__(self, args, cwd):
        self.args = args
        env = dict(os.environ)
        if args.wine:
            env["WINEPREFIX"] = args.prefix
            command = [args.wine, args.program]
        else:
            env["XDG_CONFIG_HOME"] = os.path.join(args.work, "config")
            env["QT_QPA_PLATFORM"] = "xcb"
            command = [args.program]
        self.log = open(os.path.join(args.work, "editor.log"), "a")
        self.process = subprocess.Popen(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                        stdout=self.log, stderr=self.log)
        self.main = find_window(MAIN_TITLE, 60)
        self.client = None

    def dialog(self, pattern, timeout=30):
        return find_window(pattern, timeout, exclude=[self.main])

    def other_windows(self):
        return [w for w in visible_windows() if w.wid != self.main.wid and w.name()]

    def settle(self):
        self.client = settled_client_area(self.main, 60)
        return self.client

    def open_with(self, path):
        """Answers the start-up's Open dialog with `path` and waits for the
        loaded window to settle."""
        dialog = self.dialog(r"^Open", 60)
        dialog.focus()
        key("End", "shift+Home")
        type_text(path)
        key("Return")
        window_gone(dialog)
        return self.settle()

    def answer_box(self, pattern):
        """Closes the message box whose title matches with Return."""
        box = self.dialog(pattern, 30)
        box.focus()
        key("Return")
        window_gone(box)

    def at(self, x, y):
        """A point of the client area on the screen."""
        return self.client[0] + x, self.client[1] + y

    def place(self, control):
        """(x, y, width, height) of a control on the screen."""
        x, y, w, h = layout(self.client[2], self.client[3])[control]
        return self.client[0] + x, self.client[1] + y, w, h

    def centre(self, control):
        x, y, w, h = self.place(control)
        return x + w // 2, y + h // 2

    def press(self, control):
        """Clicks the middle of a control."""
        self.click_at(*self.centre(control))

    def press_first_card(self):
        x, y, w, _ = self.place("cards")
        self.click_at(x + w // 2, y + 8)

    @staticmethod
    def click_at(x, y):
        """A left click at a point of the screen. The pointer leaves first: a
        move with --sync to where the pointer already is waits for a motion
        that never comes."""
        run("xdotool", "mousemove", "0", "0")
        click(x, y)

    def read_line_field(self, control):
        """The text of a single-line field, through the clipboard."""
        self.press(control)
        clear_clipboard()
        key("End", "shift+Home", "ctrl+c")
        return wait_for("the clipboard", clipboard, 5)

    def replace_line_field(self, control, text):
        self.press(control)
        key("End", "shift+Home", "BackSpace")
        type_text(text)

    def replace_multi_line_field(self, control, text):
        self.press(control)
        key("ctrl+End", "ctrl+shift+Home", "BackSpace")
        type_text(text)

    def paste_over_multi_line_field(self, control, text):
        """Replaces a multi-line field's text with `text` pasted from the
        clipboard, as text copied from another program arrives."""
        subprocess.run(["xclip", "-i", "-selection", "clipboard"], input=text.encode("utf-8"), check=True)
        self.press(control)
        key("ctrl+End", "ctrl+shift+Home", "ctrl+v")

    def save(self):
        """Save, and the confirmation box closed."""
        self.press("save")
        self.answer_box(r"^Cardloom$")

    def exit_by_menu(self):
        self.main.focus()
        key_for_popup("alt+f")
        key("x")
        try:
            self.process.wait(30)
        except subprocess.TimeoutExpired:
            raise DriveError("the editor did not end after File > Exit")
        self.log.close()

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


# ---- The data file and the remembered path -----------------------------------

def cardinfo(args, *command):
    """Runs the companion (through the Wine runner for a Windows build); its output."""
    prefix = [args.wine] if args.wine else []
    env = dict(os.environ, WINEPREFIX=args.prefix) if args.wine else None
    status, out, err = run_to_files(prefix + [args.cardinfo] + list(command), env)
    if status != 0:
        raise DriveError("cardinfo %s: %s" % (" ".join(command), err.strip()))
    return out


def dump(args, path):
    """The cards of a saved file, as `cardinfo dump` reads them."""
    return json.loads(cardinfo(args, "dump", path).decode("utf-8"))


def convert_carets(text):
    """A field's text as a save leaves it: each "^^" pair a line break."""
    return cardfile_model.text_of(cardfile_model.convert_carets(cardfile_model.bytes_of(text)))


def check_file_bytes(path, cards):
    """The file at `path` must hold, byte for byte, what the file model writes
    for `cards` (dumped records, in slot order)."""
    model = [cardfile_model.Card(card["colours"], **{f: cardfile_model.bytes_of(card[f])
                                                     for f in cardfile_model.TEXT_FIELDS})
             for card in cards]
    wanted = cardfile_model.save_bytes(model)
    with open(path, "rb") as f:
        saved = f.read()
    if saved != wanted:
        at = next((i for i, (a, b) in enumerate(zip(saved, wanted)) if a != b), min(len(saved), len(wanted)))
        raise DriveError("the saved file (%d bytes) differs from the expected %d bytes at offset %d"
                         % (len(saved), len(wanted), at))


SETTINGS_KEY = r"HKCU\Software\Kesp\Cardloom"  # where the program remembers its data file
SETTINGS_VALUE = "cardinfo.dat"
CONTROL_LETTERS = {"\a": "a", "\b": "b", "\f": "f", "\n": "n", "\r": "r", "\t": "t", "\v": "v"}


def settings_value(text):
    """`text` as the Linux build's settings file holds a string value, escaped
    as platform/linux/kernel/ini_text.cpp escapes it (escapeValue): a leading
    '@' doubled; the usual control letters, '"' and '\\' after a backslash;
    other control characters as \\x and their hex digits, with a hex digit
    right after one escaped too; quotes around the whole when it holds ';',
    ',' or '=', or begins or ends with a space."""
    if text.startswith("@"):
        text = "@" + text
    out = []
    needs_quotes = False
    escape_next_if_digit = False
    for c in text:
        if c in ";,=":
            needs_quotes = True
        if escape_next_if_digit and c in "0123456789abcdefABCDEF":
            out.append("\\x%02x" % ord(c))
            continue
        escape_next_if_digit = False
        if c in CONTROL_LETTERS:
            out.append("\\" + CONTROL_LETTERS[c])
        elif c in "\"\\":
            out.append("\\" + c)
        elif ord(c) < 0x20:
            out.append("\\x%x" % ord(c))
            escape_next_if_digit = True
        else:
            out.append(c)
    value = "".join(out)
    if needs_quotes or value.startswith(" ") or value.endswith(" "):
        value = '"' + value + '"'
    return value


def remember_path(args, path, wine=False):
    """Makes the program remember `path` as its data file, where it looks at
    start-up: with `wine` the prefix's registry value (the path on drive Z:),
    otherwise the Linux build's settings file in the run's settings folder."""
    if wine:
        env = dict(os.environ, WINEPREFIX=args.prefix)
        windows_path = "Z:" + path.replace("/", "\\")
        command = [args.wine, "reg", "add", SETTINGS_KEY, "/v", SETTINGS_VALUE, "/d", windows_path, "/f"]
        status, _, err = run_to_files(command, env)
        if status != 0:
            raise DriveError("wine %s: %s" % (" ".join(command[1:]), err.strip()))
        return
    config = os.path.join(args.work, "config", "Kesp")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "Cardloom.conf"), "w", encoding="utf-8") as out:
        out.write("[General]\n%s=%s\n" % (SETTINGS_VALUE, settings_value(path)))


def remembered_path(args):
    if args.wine:
        env = dict(os.environ, WINEPREFIX=args.prefix)
        command = [args.wine, "reg", "query", SETTINGS_KEY, "/v", SETTINGS_VALUE]
        return run_to_files(command, env)[1].decode(errors="replace")
    path = os.path.join(args.work, "config", "Kesp", "Cardloom.conf")
    return open(path, encoding="utf-8", errors="replace").read() if os.path.exists(path) else ""


def forget_path(args):
    if args.wine:
        env = dict(os.environ, WINEPREFIX=args.prefix)
        run_to_files([args.wine, "reg", "delete", SETTINGS_KEY, "/f"], env)
    shutil.rmtree(os.path.join(args.work, "config"), ignore_errors=True)


# ---- One test run ------------------------------------------------------------

class Run:
    """What a test works with: the arguments, and a fresh copy of the example
    in data/cardinfo.dat of the work folder, with the path the open dialog of
    the build under test takes for it (a Wine drive path under Wine)."""

    def __init__(self, args):
        self.args = args
        shutil.rmtree(args.work, ignore_errors=True)
        self.data_dir = os.path.join(args.work, "data")
        os.makedirs(self.data_dir)
        self.file_path = os.path.join(self.data_dir, "cardinfo.dat")
        shutil.copyfile(args.example, self.file_path)
        self.dialog_path = "Z:" + self.file_path.replace("/", "\\") if args.wine else self.file_path

    def editor(self):
        """Starts the program in the data folder."""
        return Editor(self.args, self.data_dir)


def main(test, doc, own_display=False):
    """Runs `test(Run)` from the command line

        SCRIPT --program PATH --cardinfo PATH --example FILE --work DIR [--wine RUNNER --prefix DIR]

    (with --wine the programs are Windows executables run through the runner,
    and the path is remembered in the registry of the prefix) on a virtual
    display unless there is one (always on one of its own with `own_display`),
    with no remembered path at the start. Prints
    what `test` returns, or the failure with a screenshot. Returns the exit
    status."""
    parser = argparse.ArgumentParser(description=doc, formatter_class=argparse.RawDescriptionHelpFormatter)
    for name in ("program", "cardinfo", "example", "work"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--wine")
    parser.add_argument("--prefix")
    args = parser.parse_args()
    for name in ("program", "cardinfo", "example", "work", "wine", "prefix"):
        if getattr(args, name):
            setattr(args, name, os.path.abspath(getattr(args, name)))
    missing = have_tools()
    if missing:
        print("missing tools: " + " ".join(missing))
        return 1
    if not os.path.exists(args.example):
        print("no example file at " + args.example)
        return 1
    setup = Run(args)
    display = VirtualDisplay(own=own_display)
    try:
        forget_path(args)
        print("passed" + test(setup))
    except DriveError as e:
        report_failure(e, args.work)
        return 1
    finally:
        display.close()
    return 0
