#!/usr/bin/env python3
"""End-to-end test of the main window under a tiling window manager: i3 with
its bar, on a virtual display of the test's own. The window manager keeps the
window in its tile, which the bar makes smaller than the maximised size that
start-up asks for, and the layout must follow the tile.

A first start (the open dialog, then the loaded window in its tile): the
client area that the controls are laid out for, found from what is drawn,
must end where the window ends, with the captions of Add, Delete, Update and
Save drawn inside it. Then the window manager makes the window floating and
resizes it, then tiles it again, and the same must hold at each size. Under
Wine the window is left to the window manager, as Wine does by default, in a
prefix of the test's own.
"""

import json
import os
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xdrive  # noqa: E402
from xdrive import DriveError  # noqa: E402

# The bar shows the workspaces only, without a status line (and its program).
I3_CONFIG = """# i3 config file (v4)
font pango:DejaVu Sans Mono 8
bar {
    mode dock
}
"""
# What i3 does to the window after the first start, each a later configure.
LATER = (("floating", "floating enable, resize set 800 px 600 px"),
         ("tiled again", "floating disable"))
BUTTONS = ("add", "delete", "update", "save")
# How far inside the window's edges the client area's right and bottom edges,
# found from the controls' borders, may fall: Wine draws them a pixel further in.
EDGE_SLACK = 2


class TilingWindowManager:
    """i3 on the current display, with its bar docked, until close()."""

    def __init__(self, work):
        config = os.path.join(work, "i3.config")
        with open(config, "w") as out:
            out.write(I3_CONFIG)
        self.log = open(os.path.join(work, "i3.log"), "w")
        self.process = subprocess.Popen(["i3", "-c", config], stdin=subprocess.DEVNULL,
                                        stdout=self.log, stderr=self.log)
        self.bar = xdrive.wait_for("i3 and its bar", self.bar_height, 30)

    def tree(self):
        out = xdrive.run("i3-msg", "-t", "get_tree", check=False)
        return json.loads(out) if out.startswith("{") else {}

    def bar_height(self):
        """The height the docked bars take from the screen, 0 while there is none."""
        def docks(node):
            own = node["rect"]["height"] if node.get("type") == "dockarea" and node["nodes"] else 0
            return own + sum(docks(child) for child in node.get("nodes", []))
        return docks(self.tree()) if self.process.poll() is None else 0

    def command(self, text):
        replies = json.loads(xdrive.run("i3-msg", text))
        if not all(reply.get("success") for reply in replies):
            raise DriveError("i3 refused %r: %r" % (text, replies))

    def close(self):
        xdrive.run("i3-msg", "exit", check=False)
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.log.close()


def ends_at(edge, window_edge):
    return window_edge - EDGE_SLACK <= edge <= window_edge


def check_layout(editor, when):
    """The laid-out client area lies in the window and ends where the window
    does, and the buttons' captions are drawn in it. Returns the window's size."""
    cx, cy, cw, ch = editor.settle()
    wx, wy, ww, wh = editor.main.geometry()
    if cx < wx or cy < wy or not ends_at(cx + cw, wx + ww) or not ends_at(cy + ch, wy + wh):
        raise DriveError("%s: the controls are laid out for a client area of %dx%d at %d,%d, "
                         "the window is %dx%d at %d,%d" % (when, cw, ch, cx, cy, ww, wh, wx, wy))
    screen = xdrive.Screen()
    for control in BUTTONS:
        x, y, w, h = editor.place(control)
        dark = sum(1 for py in range(y + 3, y + h - 3) for px in range(x + 3, x + w - 3)
                   if sum(screen.pixel(px, py) or (255, 255, 255)) < 200)
        if dark < 10:
            raise DriveError("%s: no caption drawn on the %s button at %d,%d" % (when, control, x, y))
    return "%dx%d" % (ww, wh)


def test(run):
    args = run.args
    if not shutil.which("i3"):
        raise DriveError("i3 is not installed (Debian's i3-wm)")
    wine_env = dict(os.environ, WINEPREFIX=args.prefix) if args.wine else None
    if args.wine:
        xdrive.run_to_files([args.wine, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                             "/d", "Y", "/f"], wine_env)
    manager = TilingWindowManager(args.work)
    try:
        editor = run.editor()
        try:
            editor.open_with(run.dialog_path)
            sizes = ["tiled " + check_layout(editor, "in the tile")]
            for when, command in LATER:
                before = editor.main.geometry()
                manager.command("[id=%s] %s" % (editor.main.wid, command))
                xdrive.wait_for("the window " + when, lambda: editor.main.geometry() != before, 10)
                sizes.append(when + " " + check_layout(editor, when))
            editor.exit_by_menu()
        finally:
            editor.kill()
    finally:
        manager.close()
        if args.wine:
            xdrive.run_to_files(["wineserver", "-k"], wine_env)
    return ": %s, beside a bar of %d pixels" % (", ".join(sizes), manager.bar)


if __name__ == "__main__":
    sys.exit(xdrive.main(test, __doc__, own_display=True))
