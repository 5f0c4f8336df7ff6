#!/usr/bin/env python3
"""End-to-end test of the mouse in the editor, with real pointer events: what
a plain window's list box and buttons do with the mouse on the platform, on
Linux as under Wine.

Each round left-clicks the first card, makes one more gesture, and checks that
what is drawn as selected is the card the commands act on: the highlighted row
must be the expected one, and Delete (then Save) must remove exactly that card
from the file. Only a left press selects; other buttons, modifiers and clicks
below the last entry keep the selection. A gesture on the Delete button other
than a left click released on it removes nothing.

    mouse_e2e.py --program PATH --cardinfo PATH --example FILE --work DIR [--wine RUNNER --prefix DIR]
"""

import os
import shutil
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xdrive  # noqa: E402
from xdrive import DriveError, key, type_text  # noqa: E402
from editor_e2e import Editor, dump, forget_path  # noqa: E402
from keyboard_e2e import parse_arguments  # noqa: E402

LEFT, MIDDLE, RIGHT = "1", "2", "3"
BELOW_LAST = 30  # a row far below the last card (the list holds at most 12)


def move(x, y):
    xdrive.run("xdotool", "mousemove", str(x), str(y))
    time.sleep(0.15)


def click_at(x, y, button=LEFT, modifier=None, count=1):
    move(x, y)
    if modifier:
        xdrive.run("xdotool", "keydown", modifier)
    xdrive.run("xdotool", "click", "--repeat", str(count), "--delay", "80", button)
    if modifier:
        xdrive.run("xdotool", "keyup", modifier)
    time.sleep(0.4)


class CardList:
    """Rows of the card list on the screen, measured from the highlight of
    the first row once it is selected."""

    def __init__(self, editor):
        self.editor = editor
        self.left, self.top = editor.at(12, 12)
        self.bottom = editor.at(0, editor.client[3] - 32)[1]
        editor.press_list_item_0()
        bands = self.highlighted()
        if len(bands) != 1:
            raise DriveError("no single highlighted row after a click on the first card: %r" % bands)
        self.first, end = bands[0]
        self.height = end - self.first + 1

    def centre(self, row):
        return self.left + 60, self.first + row * self.height + self.height // 2

    def highlighted(self):
        """(first, last) screen rows of each band drawn in the highlight colour,
        looked for in a column near the list's right edge, where no name reaches."""
        screen = xdrive.Screen()
        x = self.left + 170
        bands = []
        for y in range(self.top, self.bottom):
            r, g, b = screen.pixel(x, y)
            if max(r, g, b) - min(r, g, b) > 60:
                if bands and bands[-1][1] == y - 1:
                    bands[-1][1] = y
                else:
                    bands.append([y, y])
        return [tuple(band) for band in bands]

    def highlighted_row(self):
        bands = self.highlighted()
        if len(bands) > 1:
            raise DriveError("more than one highlighted band: %r" % bands)
        return round((bands[0][0] - self.first) / self.height) if bands else None


def gesture_on_card(row, button=LEFT, modifier=None, count=1):
    return lambda cards: click_at(*cards.centre(row), button=button, modifier=modifier, count=count)


def drag_cards(start, end):
    def drag(cards):
        move(*cards.centre(start))
        xdrive.run("xdotool", "mousedown", LEFT)
        for row in range(start, end + 1):
            move(*cards.centre(row))
        xdrive.run("xdotool", "mouseup", LEFT)
        time.sleep(0.4)
    return drag


def gesture_on_delete(button=LEFT, release_beside=False):
    def gesture(cards):
        editor = cards.editor
        x, y = editor.at(145, editor.client[3] - 20)
        if not release_beside:
            click_at(x, y, button)
            return
        move(x, y)
        xdrive.run("xdotool", "mousedown", button)
        move(x, y - 60)
        xdrive.run("xdotool", "mouseup", button)
        time.sleep(0.4)
    return gesture


# What the gesture after the click on the first card is, the row then drawn
# as selected, and whether Delete is pressed next (and must remove that row's
# card) or the round removes nothing.
GESTURES = [
    ("drag from the second card to the fourth", drag_cards(1, 3), 3, True),
    ("right click on the third card", gesture_on_card(2, RIGHT), 0, True),
    ("middle click on the third card", gesture_on_card(2, MIDDLE), 0, True),
    ("Ctrl + left click on the selected card", gesture_on_card(0, LEFT, "ctrl"), 0, True),
    ("left click below the last card", gesture_on_card(BELOW_LAST), 0, True),
    ("left click on the third card", gesture_on_card(2), 2, True),
    ("Shift + left click on the third card", gesture_on_card(2, LEFT, "shift"), 2, True),
    ("double click on the second card", gesture_on_card(1, count=2), 1, True),
    ("right click on Delete", gesture_on_delete(RIGHT), 0, False),
    ("middle click on Delete", gesture_on_delete(MIDDLE), 0, False),
    ("left press on Delete released beside it", gesture_on_delete(release_beside=True), 0, False),
]


def name_of_row(editor, cards, row):
    click_at(*cards.centre(row))
    xdrive.run("xdotool", "mousemove", "0", "0")
    return editor.read_line_field(editor.press_name)


def save(editor):
    editor.press_save()
    box = editor.dialog(r"^Cardloom$", 30)
    box.focus()
    key("Return")
    xdrive.window_gone(box)


def session(args, data_dir, file_path, dialog_path):
    editor = Editor(args, data_dir)
    try:
        dialog = editor.dialog(r"^Open", 60)
        dialog.focus()
        key("End", "shift+Home")
        type_text(dialog_path)
        key("Return")
        xdrive.window_gone(dialog)
        editor.settle()
        cards = CardList(editor)
        names = sorted(card["name"] for card in dump(args, file_path))
        for what, gesture, row, delete in GESTURES:
            wanted = name_of_row(editor, cards, row)
            cards.editor.press_list_item_0()
            gesture(cards)
            shown = cards.highlighted_row()
            if shown != row:
                raise DriveError("after the %s row %r is highlighted, expected row %d" % (what, shown, row))
            if delete:
                editor.press_delete()
            save(editor)
            saved = sorted(card["name"] for card in dump(args, file_path))
            removed = sorted(set(names) - set(saved))
            if removed != ([wanted] if delete else []) or len(saved) + len(removed) != len(names):
                raise DriveError("after the %s the save removed %r, expected %r"
                                 % (what, removed, [wanted] if delete else []))
            names = saved
        editor.exit_by_menu()
    finally:
        editor.kill()


def main():
    args = parse_arguments()
    missing = xdrive.have_tools()
    if missing:
        print("missing tools: " + " ".join(missing))
        return 1
    shutil.rmtree(args.work, ignore_errors=True)
    data_dir = os.path.join(args.work, "data")
    os.makedirs(data_dir)
    file_path = os.path.join(data_dir, "cardinfo.dat")
    shutil.copyfile(args.example, file_path)
    dialog_path = "Z:" + file_path.replace("/", "\\") if args.wine else file_path
    display = xdrive.VirtualDisplay()
    try:
        forget_path(args)
        session(args, data_dir, file_path, dialog_path)
    except DriveError as e:
        xdrive.report_failure(e, args.work)
        return 1
    finally:
        display.close()
    print("passed: %d gestures" % len(GESTURES))
    return 0


if __name__ == "__main__":
    sys.exit(main())
