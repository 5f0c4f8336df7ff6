#!/usr/bin/env python3
"""Takes the README's screenshots: the editor with a copy of the example file
and one card selected, its client area 1000 x 700, on a virtual display of its
own. Linux: the window is resized to that size. Windows (under Wine, drawing
its own window frame): the screen is chosen so that the maximised window's
client area has that size. Called by scripts/screenshots.sh."""

import argparse
import os
import shutil
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import xdrive  # noqa: E402

CLIENT = (1000, 700)


def start(command, env, cwd, log):
    return subprocess.Popen(command, env=env, cwd=cwd, stdin=subprocess.DEVNULL, stdout=log, stderr=log)


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def select_card(main, client, row):
    """Selects list entry `row` with a click on the first entry and the Down key."""
    xdrive.click(client[0] + 110, client[1] + 18)
    for _ in range(row):
        xdrive.key("Down")
    time.sleep(0.5)


def check_size(client):
    if abs(client[2] - CLIENT[0]) > 1 or abs(client[3] - CLIENT[1]) > 1:
        raise xdrive.DriveError("client area is %dx%d, wanted %dx%d" % (client[2], client[3], *CLIENT))


def linux_shot(args, data_dir, out):
    config = os.path.join(args.work, "config")
    xdrive.remember_path(args, os.path.join(data_dir, "cardinfo.dat"))
    display = xdrive.VirtualDisplay(1280, 1024, own=True)
    env = dict(os.environ, XDG_CONFIG_HOME=config, QT_QPA_PLATFORM="xcb")
    with open(os.path.join(args.work, "linux.log"), "w") as log:
        process = start([args.linux], env, data_dir, log)
        try:
            main = xdrive.find_window(xdrive.MAIN_TITLE, 60)
            client = xdrive.settled_client_area(main, 60)
            x, y, w, h = main.geometry()
            xdrive.run("xdotool", "windowsize", "--sync", main.wid,
                       str(w - client[2] + CLIENT[0]), str(h - client[3] + CLIENT[1]))
            client = xdrive.settled_client_area(main, 30)
            check_size(client)
            select_card(main, client, args.row)
            xdrive.screenshot(out, crop=main.geometry())
        finally:
            stop(process)
            display.close()


def install_wine_fonts(prefix):
    """Puts Wine's own Tahoma and Marlett (package fonts-wine) into the
    prefix's font folder, where this Wine looks for them: the caption and
    its buttons are drawn with them."""
    fonts = os.path.join(prefix, "drive_c", "windows", "Fonts")
    for name in ("tahoma.ttf", "tahomabd.ttf", "marlett.ttf"):
        source = os.path.join("/usr/share/wine/fonts", name)
        if os.path.exists(source) and os.path.isdir(fonts):
            shutil.copyfile(source, os.path.join(fonts, name))


def windows_shot(args, data_dir, out):
    def wine(*command):
        status, _, err = xdrive.run_to_files([args.wine] + list(command), env)
        if status != 0:
            raise xdrive.DriveError("wine %s: %s" % (" ".join(command), err.strip()))

    data_file = os.path.join(data_dir, "cardinfo.dat")
    size = None
    for attempt in range(2):
        screen = size or (1280, 1024)
        display = xdrive.VirtualDisplay(*screen, own=True)
        env = dict(os.environ, WINEPREFIX=args.prefix)
        with open(os.path.join(args.work, "windows.log"), "a") as log:
            try:
                # Wine draws the frame itself, as Windows does, instead of
                # leaving it to a window manager (there is none).
                wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f")
                xdrive.remember_path(args, data_file, wine=True)
                install_wine_fonts(args.prefix)
                process = start([args.wine, args.windows], env, data_dir, log)
                try:
                    main = xdrive.find_window(xdrive.MAIN_TITLE, 60)
                    client = xdrive.settled_client_area(main, 60)
                    if size is None:
                        # The maximised client area is the screen less the
                        # caption and menu bar above it.
                        size = (CLIENT[0], CLIENT[1] + client[1])
                        continue
                    check_size(client)
                    select_card(main, client, args.row)
                    xdrive.screenshot(out)
                    return
                finally:
                    stop(process)
                    subprocess.run(["wineserver", "-k"], env=env)
            finally:
                display.close()
    raise xdrive.DriveError("no Windows screenshot taken")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--linux")
    parser.add_argument("--windows")
    parser.add_argument("--wine")
    parser.add_argument("--prefix")
    parser.add_argument("--example", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--row", type=int, default=2, help="list entry to select")
    args = parser.parse_args()
    for name in ("linux", "windows", "wine", "prefix", "example", "work", "out"):
        if getattr(args, name):
            setattr(args, name, os.path.abspath(getattr(args, name)))
    shutil.rmtree(args.work, ignore_errors=True)
    data_dir = os.path.join(args.work, "data")
    os.makedirs(data_dir)
    shutil.copyfile(args.example, os.path.join(data_dir, "cardinfo.dat"))
    os.makedirs(args.out, exist_ok=True)
    if args.linux:
        out = os.path.join(args.out, "screenshot-linux.png")
        linux_shot(args, data_dir, out)
        print("wrote " + out)
    if args.windows:
        out = os.path.join(args.out, "screenshot-windows.png")
        windows_shot(args, data_dir, out)
        print("wrote " + out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
