#!/usr/bin/env python3
"""End-to-end test of the editor's keyboard, with real key events: what a
plain window does with keys on the platform, on Linux as under Wine.

After the open dialog the main window has the keyboard without a click (the
File menu opens by its letter, and by F10 and Down). In the card list a typed letter finds the
next card beginning with it, and Right moves on as Down does. Tab in a field
moves no focus. A paste longer than a field's room keeps what fits. The
underlined letters of the buttons do nothing: Alt+S
neither saves nor types. Alt+A opens About; once it is closed the keyboard is
on the window itself, not back in the field, and the menu letters still work.
Nothing is saved, so the data file must be unchanged at the end. Before all
this, a first start whose open dialog is cancelled shows its error box in the
middle of the screen, as the platform places message boxes.
"""

import os
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xdrive  # noqa: E402
from xdrive import DriveError, key, type_text  # noqa: E402


def expect(what, got, wanted):
    if got != wanted:
        raise DriveError("%s: %r, expected %r" % (what, got, wanted))


COST_LIMIT = 31  # the cost field's width in the file, less its terminator


def close_menu():
    key("Escape")
    key("Escape")


def letter_finding_one(names, skip):
    """A letter that begins exactly one card name, that card not being `skip`."""
    for name in names:
        first = name[:1].lower()
        if name != skip and first.isascii() and first.isalpha():
            if sum(1 for n in names if n[:1].lower() == first) == 1:
                return first, name
    raise DriveError("the example file has no card with a first letter of its own")


def screen_size():
    out = xdrive.run("xwininfo", "-root")
    return tuple(int(out.split(label + ":")[1].split()[0]) for label in ("Width", "Height"))


def cancelled_start(run):
    """The open dialog cancelled at the first start: the error box stands in
    the middle of the screen, not over the small start-up window, and the
    program ends with status 0 once it is closed."""
    editor = run.editor()
    try:
        dialog = editor.dialog(r"^Open", 60)
        dialog.focus()
        key("Escape")
        box = editor.dialog(r"^Cardloom error$", 30)
        x, y, w, h = xdrive.wait_for("the error box to be placed", box.geometry, 10)
        width, height = screen_size()
        if abs(x + w // 2 - width // 2) > 40 or abs(y + h // 2 - height // 2) > 40:
            raise DriveError("the error box at (%d, %d) size %dx%d is not in the middle of the %dx%d screen"
                             % (x, y, w, h, width, height))
        box.focus()
        key("Return")
        expect("the exit status after the error box", editor.process.wait(30), 0)
    finally:
        editor.kill()


def session(run, names):
    editor = run.editor()
    try:
        editor.open_with(run.dialog_path)

        # The window has the keyboard as soon as it is shown; F10 selects the
        # menu bar as a lone Alt does.
        xdrive.key_for_popup("alt+f")
        close_menu()
        key("F10")
        xdrive.key_for_popup("Down")
        close_menu()

        # A typed letter finds the card; Right moves on as Down does.
        editor.press_first_card()
        first = editor.read_line_field("name")
        letter, found = letter_finding_one(names, first)
        editor.press_first_card()
        key(letter)
        expect("the card found by typing %r" % letter, editor.read_line_field("name"), found)
        editor.press_first_card()
        key(letter, "Right")
        after = editor.read_line_field("name")
        if after == found:
            raise DriveError("Right in the card list stayed on %r" % found)
        editor.press_first_card()
        key(letter, "Right", "Left")
        expect("the card after Right and Left", editor.read_line_field("name"), found)

        # Tab keeps the focus in the field.
        editor.press("name")
        key("End", "Tab")
        type_text("Q")
        expect("the name after Tab and Q", editor.read_line_field("name"), found + "Q")

        # The buttons' letters do nothing: no save, no box, nothing typed.
        key("End", "alt+s")
        time.sleep(1.5)
        others = [w.name() for w in editor.other_windows()]
        if others:
            raise DriveError("Alt+S opened %r" % others)
        expect("the name after Alt+S", editor.read_line_field("name"), found + "Q")

        # About by its menu letter; afterwards keys reach no field.
        key("alt+a")
        editor.answer_box(r"^About$")
        type_text("Z")
        xdrive.key_for_popup("alt+f")
        close_menu()
        expect("the name after the About box", editor.read_line_field("name"), found + "Q")

        # A paste longer than the cost field's room keeps what fits.
        cost = editor.read_line_field("cost")
        pasted = "0123456789" * 4
        subprocess.run(["xclip", "-i", "-selection", "clipboard"], input=pasted, text=True, check=True)
        editor.press("cost")
        key("End", "ctrl+v")
        expect("the cost after a long paste", editor.read_line_field("cost"),
               cost + pasted[:COST_LIMIT - len(cost)])

        editor.exit_by_menu()
    finally:
        editor.kill()


def test(run):
    original = open(run.file_path, "rb").read()
    names = [card["name"] for card in xdrive.dump(run.args, run.file_path)]
    cancelled_start(run)
    session(run, names)
    if open(run.file_path, "rb").read() != original:
        raise DriveError("the data file changed though nothing was saved")
    return ""


if __name__ == "__main__":
    sys.exit(xdrive.main(test, __doc__))
